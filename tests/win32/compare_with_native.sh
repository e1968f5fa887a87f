#!/bin/sh
# vendrit.exe under Wine and the native program, each run once ("auto") on
# a copy of the bundled sample reader directory, must leave the same tree,
# the same favourites files and the same vendrit.log bytes (apart from the
# time stamp line); every index file must then name its directory's server.
#   compare_with_native.sh NATIVE_VENDRIT VENDRIT_EXE SAMPLE_DIR
# Exits 77 (skipped) when the native program has not been built.
native="$1"; exe="$2"; sample="$3"
[ -x "$native" ] || { echo "native program not built: $native"; exit 77; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
for side in native windows; do
  cp -r "$sample" "$work/$side"
  : > "$work/$side/vendrit.log"
done
(cd "$work/native" && "$native" auto </dev/null >/dev/null 2>&1) || { echo "native run failed"; exit 1; }
(cd "$work/windows" && timeout 120 "$(dirname "$0")/wine_run.sh" "$exe" auto) || {
  echo "vendrit.exe run failed"; exit 1; }
status=0
diff -r "$work/native/log" "$work/windows/log" || status=1
for f in "$work/native"/*.idx; do
  cmp "$f" "$work/windows/$(basename "$f")" || status=1
done
strip_stamp() { LC_ALL=C sed '/^========== .* ==========\r*$/d' "$1"; }
if [ "$(strip_stamp "$work/native/vendrit.log" | od -c)" != "$(strip_stamp "$work/windows/vendrit.log" | od -c)" ]; then
  echo "vendrit.log differs"; status=1
fi
grep -q "BBS:" "$work/windows/vendrit.log" || { echo "no relocation line in vendrit.log"; status=1; }
# Family index files name the server directory they lie in (excluded ones aside).
for idx in "$work/windows"/log/*/*/*.idx; do
  server=$(basename "$(dirname "$(dirname "$idx")")")
  case "$server" in salon.*) continue ;; esac  # excluded in the sample
  host=$(head -1 "$idx" | cut -f5)
  [ "$host" = "$server" ] || { echo "$idx names $host"; status=1; }
done
[ $status -eq 0 ] && echo "native and Windows runs agree"
exit $status
