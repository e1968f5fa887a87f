#!/usr/bin/env bash
# Builds the native program and the benchmark (native preset, RelWithDebInfo)
# and runs the benchmark: the "auto" run on a generated tree of 100,000
# threads with half of the boards moved, against the floor program, and the
# start-up with a full catalogue.  Options go to the driver, for example
#   bench/run.sh --boards 100 --threads 100 --reps 1     (a quick run)
# Generated trees are kept in build/native/bench-work and reused.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
cmake --preset native >/dev/null
cmake --build --preset native --target vendrit_bench >/dev/null
exec "$top/build/native/vendrit_bench" "$@"
