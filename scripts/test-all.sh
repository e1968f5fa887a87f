#!/usr/bin/env bash
# Installs what is missing (Debian packages), builds the native program, the
# sanitizer build, the fuzz targets and vendrit.exe, and runs every test:
# native unit, end-to-end and failure-sweep tests, the same under the
# sanitizers, a short run of each fuzz target, and the MinGW unit tests plus
# the end-to-end tests of vendrit.exe under Wine and Xvfb, and the release
# zip (built twice, the same bytes; its vendrit.exe run on the sample).
#   scripts/test-all.sh            everything
#   SKIP_WINE=1 scripts/test-all.sh   native and sanitizer only
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"

packages=(cmake ninja-build g++ googletest libgtest-dev pkg-config
          g++-mingw-w64-x86-64-posix wine64 wine xvfb xauth fonts-noto-cjk imagemagick x11-apps
          xdotool locales clang libclang-rt-14-dev zip unzip)
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
# they build, and nothing found earlier comes back.  They run beside the
# Windows tests, which spend much of their time waiting for Wine.
fuzz_log="$top/build/fuzz-run.log"
start_fuzz() {
  tests/fuzz/run.sh "${FUZZ_SECONDS:-10}" >"$fuzz_log" 2>&1 &
  fuzz_pid=$!
}

# The release zip, built in two build directories: both zips and both exes
# must be the same bytes, and the vendrit.exe taken out of the zip must leave
# the same tree on the sample as the native program.
check_package() {
  local a="$top/build/package-a" b="$top/build/package-b" run="$top/build/package-run" zip
  scripts/package.sh "$a" "$a/dist" >/dev/null && scripts/package.sh "$b" "$b/dist" >/dev/null ||
    return 1
  zip=$(basename "$a"/dist/vendrit-*.zip)
  cmp "$a/vendrit.exe" "$b/vendrit.exe" && cmp "$a/dist/$zip" "$b/dist/$zip" || return 1
  (cd "$a/dist" && sha256sum --quiet -c SHA256SUMS) || return 1
  rm -f "$run/vendrit.exe"
  unzip -q "$a/dist/$zip" vendrit.exe -d "$run" || return 1
  (
    BUILD_DIR="$run"
    # The Wine prefix of the Windows tests, made once.
    export WINEPREFIX="$top/build/mingw/wineprefix"
    . tests/win32/wine_env.sh
    vendrit_wine_prefix || exit 1
    # Wine stops before its display does.
    timeout 600 xvfb-run -a sh -c \
      'sh "$0" "$@"; status=$?; timeout 30 wineserver -k; exit $status' \
      "$top/tests/win32/compare_with_native.sh" "$top/build/native/vendrit" "$run/vendrit.exe" \
      "$top/sample/reader" || { timeout 30 wineserver -k; exit 1; }
  )
}

if [ "${SKIP_WINE:-0}" != 1 ]; then
  cmake --preset mingw
  cmake --build --preset mingw -j "$jobs"
  start_fuzz
  run_suite "Windows tests under Wine" tests/win32/run_wine_tests.sh "$top/build/mingw"
  run_suite "release zip: reproducible, its vendrit.exe runs the sample" check_package
fi

[ -n "${fuzz_pid:-}" ] || start_fuzz
fuzz_status=0
wait "$fuzz_pid" || fuzz_status=$?
run_suite "fuzz targets" sh -c 'cat "$0"; exit "$1"' "$fuzz_log" "$fuzz_status"

echo "== summary"
printf '%s\n' "${summary[@]}"
exit $status
