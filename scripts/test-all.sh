#!/usr/bin/env bash
# Installs what is missing (Debian packages), builds the native program, the
# sanitizer build, the fuzz targets and vendrit.exe, and runs every test:
# native unit, end-to-end and failure-sweep tests, the same under the
# sanitizers, a short run of each fuzz target, and the MinGW unit tests plus
# the end-to-end tests of vendrit.exe under Wine and Xvfb.
#   scripts/test-all.sh            everything
#   SKIP_WINE=1 scripts/test-all.sh   native and sanitizer only
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"

packages=(cmake ninja-build g++ googletest libgtest-dev pkg-config
          g++-mingw-w64-x86-64-posix wine64 wine xvfb xauth fonts-noto-cjk imagemagick x11-apps
          xdotool locales clang libclang-rt-14-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "== installing: ${missing[*]}"
  sudo_cmd=""; [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  $sudo_cmd env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

jobs=$(nproc)
status=0
summary=()
run_suite() {  # name, command...
  local name=$1; shift
  echo "== $name"
  if "$@"; then summary+=("$name: passed"); else summary+=("$name: FAILED"); status=1; fi
}

cmake --preset native
cmake --build --preset native -j "$jobs"
run_suite "native tests" ctest --preset native -j "$jobs"

cmake --preset sanitize
cmake --build --preset sanitize -j "$jobs"
run_suite "sanitizer tests" ctest --preset sanitize -j "$jobs"

# Every fuzz target over its seed corpus and a few seconds of new inputs:
# they build, and nothing found earlier comes back.
run_suite "fuzz targets" tests/fuzz/run.sh "${FUZZ_SECONDS:-10}"

if [ "${SKIP_WINE:-0}" != 1 ]; then
  cmake --preset mingw
  cmake --build --preset mingw -j "$jobs"
  run_suite "Windows tests under Wine" tests/win32/run_wine_tests.sh "$top/build/mingw"
fi

echo "== summary"
printf '%s\n' "${summary[@]}"
exit $status
