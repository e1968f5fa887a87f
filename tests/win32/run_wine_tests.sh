#!/bin/bash
# Runs the whole MinGW test suite (unit tests and the end-to-end tests of
# vendrit.exe) under Wine and a private Xvfb display.
#   tests/win32/run_wine_tests.sh BUILD_DIR [ctest arguments...]
# Exits non-zero when a test fails or the set-up cannot be made.
set -u
BUILD_DIR="$(cd "${1:?usage: run_wine_tests.sh BUILD_DIR [ctest args]}" && pwd)"
shift
here="$(cd "$(dirname "$0")" && pwd)"
. "$here/wine_env.sh"

xvfb_pid=""
cleanup() {
  timeout 30 wineserver -k >/dev/null 2>&1
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
}
trap cleanup EXIT

vendrit_wine_prefix || { echo "run_wine_tests: the Wine prefix could not be made" >&2; exit 1; }

# A display of our own; -displayfd picks a free number.
if [ -z "${VENDRIT_KEEP_DISPLAY:-}" ]; then
  fifo="$(mktemp -u)"
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  xvfb_pid=$!
  if ! read -r -t 30 display_number <"$fifo"; then
    rm -f "$fifo"
    echo "run_wine_tests: Xvfb did not start" >&2
    exit 1
  fi
  rm -f "$fifo"
  export DISPLAY=":$display_number"
fi

# One persistent Wine server and one long-lived Wine process (the fake backup
# program waiting a day) keep every test from paying for the server's start
# and stop, and keep Wine's background services off CTest's output pipes.
timeout 30 wineserver -p || { echo "run_wine_tests: wineserver did not start" >&2; exit 1; }
setsid wine "$BUILD_DIR/fake_backup.exe" NUL 86400000 </dev/null >/dev/null 2>&1 &

ctest --test-dir "$BUILD_DIR" --output-on-failure --timeout 300 "$@"
