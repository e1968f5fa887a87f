#!/usr/bin/env bash
# Builds the libFuzzer targets and runs each for the given number of seconds
# (default 60) on a copy of its seed corpus; findings are written to
# build/fuzz/findings/<target>/.  Exits non-zero when a target found a fault.
#   tests/fuzz/run.sh [SECONDS] [TARGET...]
set -uo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(catalogue sakura thread_index thread_links)
cd "$top"
# The targets' scratch reader root (a TempRoot) in memory-backed storage.
[ -d /dev/shm ] && export TMPDIR=/dev/shm
# Only the targets: the rest of the tree is built and tested elsewhere.
cmake --preset fuzz >/dev/null && cmake --build --preset fuzz -j2 --target "${targets[@]/#/fuzz_}" >/dev/null || exit 1
status=0
for t in "${targets[@]}"; do
  # Absolute paths: the targets change their current directory.
  work="$top/build/fuzz/corpus/$t"; found="$top/build/fuzz/findings/$t"
  mkdir -p "$work" "$found"
  cp -n tests/fuzz/corpus/"$t"/* "$work"/ 2>/dev/null
  echo "== fuzz_$t for ${seconds}s"
  if ! "build/fuzz/fuzz_$t" -max_total_time="$seconds" -max_len=8192 -timeout=10 \
       -artifact_prefix="$found/" -print_final_stats=1 "$work" 2>"build/fuzz/fuzz_$t.log"; then
    echo "fuzz_$t found a fault; see build/fuzz/fuzz_$t.log and $found/"
    status=1
  fi
  grep -E "stat::number_of_executed_units|Done [0-9]+ runs" "build/fuzz/fuzz_$t.log" | tail -2
done
exit $status
