#!/bin/bash
# Puts each fault of tests/mutants/mutants.txt into the program in turn,
# rebuilds, and checks that the tests catch it.
#   tests/mutants/run.sh [--check] [--wine] [ids...]
# No ids: every mutant of the selected kind (without --wine the native and
# native equivalent ones, with --wine those in Windows-only code); ids named
# with --wine are all run under Wine.
# --check only tells whether every selected snippet still applies.
# Builds in build/mutants (native) and build/mutants-mingw (--wine).  Never
# run two copies in one worktree: they would edit the same files.
# Exits non-zero when a mutant that must be caught survives, does not apply
# or does not build, or when the unchanged program fails its own tests.
set -u
shopt -u patsub_replacement 2>/dev/null  # a "&" in a replacement stays a "&"
root="$(cd "$(dirname "$0")/../.." && pwd)"
list="$root/tests/mutants/mutants.txt"
native_dir="$root/build/mutants"
mingw_dir="$root/build/mutants-mingw"
check=0 wine=0
while [ $# -gt 0 ]; do
  case $1 in
    --check) check=1 ;;
    --wine) wine=1 ;;
    -*) echo "usage: $0 [--check] [--wine] [ids...]" >&2; exit 2 ;;
    *) break ;;
  esac
  shift
done

# --- the list
declare -A file class regex what from to
ids=()
cur=""
while IFS= read -r line || [ -n "$line" ]; do
  case $line in
    '' | '#'*) ;;
    '-' | '- '*) from[$cur]+=$'\n'"${line:2}" ;;
    '+' | '+ '*) to[$cur]+=$'\n'"${line:2}" ;;
    [[:space:]]*) what[$cur]="${line#"${line%%[![:space:]]*}"}" ;;
    *)
      read -r cur c f r <<<"$line"
      case $c in native | wine | equivalent) ;; *) echo "$list: $cur: bad class '$c'" >&2; exit 2 ;; esac
      [ -n "${class[$cur]:-}" ] && { echo "$list: $cur listed twice" >&2; exit 2; }
      ids+=("$cur") file[$cur]=$f class[$cur]=$c regex[$cur]=${r:-} from[$cur]="" to[$cur]=""
      ;;
  esac
done <"$list"

named=$#
under_wine() {
  [ "${class[$1]}" = wine ] || [[ ${file[$1]} == */win32/* ]] || [ $wine = 1 -a $named -gt 0 ]
}
selected=()
if [ $# -gt 0 ]; then
  for id in "$@"; do
    [ -n "${class[$id]:-}" ] || { echo "unknown mutant: $id" >&2; exit 2; }
    selected+=("$id")
  done
else
  for id in "${ids[@]}"; do
    if under_wine "$id"; then [ $wine = 1 ] && selected+=("$id"); else [ $wine = 0 ] && selected+=("$id"); fi
  done
fi

# --- putting a mutant in and taking it out again
backup="$root/build/mutant-original"  # the file as it was, while a mutant is in
backup_of="$backup.path"
restore() {  # never with --check, which may look on while a run goes on
  if [ $check = 0 ] && [ -f "$backup_of" ]; then
    cat "$backup" >"$(cat "$backup_of")" && rm -f "$backup" "$backup_of"
  fi
}
mkdir -p "$root/build"
if [ $check = 0 ] && [ -f "$backup_of" ]; then
  echo "restoring $(cat "$backup_of"), left mutated by an earlier run that was cut short"
  restore
fi
# A suite runs in the background under `timeout`, which gives it a process
# group of its own; Ctrl-C ends that group, then puts the file back.
child=""
interrupted() {
  [ -n "$child" ] && kill -TERM -- "-$child" 2>/dev/null
  restore
  exit 130
}
trap 'restore; rm -rf "${private_tmp:-/nonexistent}"' EXIT
trap interrupted INT TERM HUP

# Prints why the mutant cannot be put in, or puts it in.
apply() {
  local LC_ALL=C id=$1
  local path="$root/${file[$id]}" snippet="${from[$id]#$'\n'}" replacement="${to[$id]#$'\n'}"
  [ -f "$path" ] || { echo "no file ${file[$id]}"; return 1; }
  [ -n "$snippet" ] || { echo "no snippet"; return 1; }
  local text
  text="$(cat "$path"; printf x)"
  text="${text%x}"
  local rest="${text//"$snippet"/}"
  local n=$(((${#text} - ${#rest}) / ${#snippet}))
  [ "$n" = 1 ] || { echo "the snippet occurs $n times in ${file[$id]}, not once"; return 1; }
  [ $check = 1 ] && return 0
  cp "$path" "$backup" && echo "$path" >"$backup_of" || exit 1
  printf '%s' "${text/"$snippet"/"$replacement"}" >"$path"
}

# --- building and testing
configure() {
  [ -f "$1/build.ninja" ] && return 0
  nice -n 19 cmake -S "$root" -B "$1" -G Ninja "${@:2}" >"$1.configure.log" 2>&1 ||
    { echo "cannot configure $1 (see $1.configure.log)" >&2; exit 1; }
}

# The instance marker of the native program is per user in /tmp: a private
# /tmp (a directory of the real one, so listings keep their order) keeps
# other checkouts' test runs from meeting ours.
private_tmp="$(mktemp -d /tmp/vendrit-mutants.XXXXXX)"
isolated=()
unshare -m true 2>/dev/null &&
  isolated=(unshare -m sh -c 'mount --bind "$0" /tmp && exec "$@"' "$private_tmp")

# Runs a command with a time limit, its output in $log; its exit status
# (124 when it took too long).  Each mutant's last output stays in
# build/mutants-logs/ID.log.
mkdir -p "$root/build/mutants-logs"
log="$root/build/mutants-logs/unchanged.log"
timed() {
  timeout -k 10 "$1" "${@:2}" >"$log" 2>&1 &
  child=$!
  wait "$child"
  local rc=$?
  child=""
  return $rc
}

# Sets `failure` to the first failing test of the suites, "" when all pass.
native_suites() {
  local suite limit rc name
  failure=""
  cd "$native_dir" || exit 1
  for suite in vendrit_tests:300 console_e2e_tests:120 failure_sweep_tests:600; do
    limit=${suite#*:} suite=${suite%:*}
    if ! nice -n 19 cmake --build . -j2 --target "$suite" >"$log" 2>&1; then
      failure="(does not build)"
      return
    fi
    timed "$limit" "${isolated[@]}" nice -n 19 "./$suite" --gtest_fail_fast && continue
    rc=$?
    name="$(grep -m1 '^\[  FAILED  \] ' "$log" | sed 's/^\[  FAILED  \] //; s/ (.*//')"
    if [ -z "$name" ]; then
      name="$(grep '^\[ RUN      \] ' "$log" | tail -1 | sed 's/^\[ RUN      \] //')"
      if [ $rc = 124 ] || [ $rc = 137 ]; then name="$name (timed out)"; else name="$name (crashed)"; fi
    fi
    failure="$suite: $name"
    return
  done
}

# The same with the MinGW build under Wine, for the tests matching $1.
wine_suites() {
  failure=""
  if ! nice -n 19 cmake --build "$mingw_dir" -j2 >"$log" 2>&1; then
    failure="(does not build)"
    return
  fi
  local args=(--stop-on-failure --no-tests=error)  # a stale name matches nothing
  [ -n "$1" ] && args+=(-R "$1")
  timed 1800 "$root/tests/win32/run_wine_tests.sh" "$mingw_dir" "${args[@]}" && return
  failure="wine: $(sed -n '/tests FAILED:/{n;p;q}' "$log" | sed 's/^[[:space:]]*[0-9]* - //')"
  # A failed set-up (no Wine prefix, no display) names no test: no verdict.
  [ "$failure" = "wine: " ] && failure="(no result)"
}

run_suites() { if under_wine "$1"; then wine_suites "${regex[$1]:-}"; else native_suites; fi; }

if [ $check = 0 ]; then
  configure "$native_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo
  for id in "${selected[@]}"; do
    under_wine "$id" || continue
    configure "$mingw_dir" -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake"
    break
  done
  # The unchanged program must pass, or every mutant would look caught.
  for kind in native wine; do
    picked="" patterns=""
    for id in "${selected[@]}"; do
      if under_wine "$id"; then k=wine; else k=native; fi
      [ $k = $kind ] || continue
      picked=$id patterns+="${patterns:+|}${regex[$id]:-.}"
    done
    [ -n "$picked" ] || continue
    if [ $kind = wine ]; then wine_suites "$patterns"; else native_suites; fi
    [ -z "$failure" ] || { echo "the unchanged program fails: $failure (see $log)"; exit 1; }
    echo "unchanged program ($kind): all tests pass"
  done
fi

# --- the mutants
declare -A count
bad=()
for id in "${selected[@]}"; do
  if ! reason="$(apply "$id")"; then
    status="does-not-apply" detail="$reason; re-anchor the fault (${what[$id]}) to the code as it is now"
  elif [ $check = 1 ]; then
    status="applies" detail=""
  else
    log="$root/build/mutants-logs/$id.log"
    run_suites "$id"
    restore
    case $failure in
      "(does not build)") status="does-not-build" detail="see $log" ;;
      "(no result)") status="no-result" detail="see $log" ;;
      "") status="survived" detail="" ;;
      *) status="killed" detail="$failure" ;;
    esac
  fi
  [ "${class[$id]}" = equivalent ] && [ "$status" = survived ] && status="survived(equivalent)"
  printf '%-5s %-21s %s\n' "$id" "$status" "${detail:-${what[$id]}}"
  count[$status]=$((${count[$status]:-0} + 1))
  case $status in killed | applies | "survived(equivalent)") ;; *) [ "${class[$id]}" = equivalent ] || bad+=("$id") ;; esac
done

echo "---"
for s in "${!count[@]}"; do printf '%s %s\n' "${count[$s]}" "$s"; done | sort -k2
if [ ${#bad[@]} -gt 0 ]; then
  echo "not caught, not applying, not building or without a result: ${bad[*]}"
  exit 1
fi
if [ $check = 1 ]; then echo "every snippet applies"; else echo "every mutant that must be caught was caught"; fi
