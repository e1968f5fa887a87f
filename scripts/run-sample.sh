#!/usr/bin/env bash
# Builds the native program and runs it once ("auto") on a copy of the bundled
# sample reader directory, then shows what changed.
#   scripts/run-sample.sh [extra command words]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
if ! command -v cmake >/dev/null || ! command -v ninja >/dev/null || ! command -v g++ >/dev/null; then
  echo "installing the build tools (cmake, ninja, g++)..." >&2
  sudo_cmd=""; [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  $sudo_cmd env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq cmake ninja-build g++ libgtest-dev >/dev/null
fi
cmake --preset native >/dev/null
cmake --build --preset native --target vendrit >/dev/null
work="$top/build/sample-run"
rm -rf "$work"
cp -r sample/reader "$work"
: > "$work/vendrit.log"   # an existing vendrit.log turns logging on
cd "$work"
echo "== running: vendrit auto $* (in $work)"
LC_ALL=C.UTF-8 "$top/build/native/vendrit" auto "$@" </dev/null
echo
echo "== log tree afterwards"
find log -type f | sort
echo "== favourites index files"
for f in *.idx; do echo "-- $f"; cat "$f"; done
echo "== vendrit.log (Shift_JIS, shown as UTF-8)"
iconv -f CP932 -t UTF-8 vendrit.log || cat vendrit.log
