#!/bin/sh
# Runs a Windows test program under Wine: the emulator CTest puts in front of
# every Windows test.  The build directory is the program's own directory.
exe="$1"
BUILD_DIR="$(cd "$(dirname "$exe")" && pwd)"
. "$(dirname "$0")/wine_env.sh"
vendrit_wine_prefix || { echo "wine prefix could not be made" >&2; exit 1; }
exec wine "$@"
