#!/usr/bin/env bash
# Kills the native program at 40 points spread over its runs and checks that no attendance
# change is lost and that the import tool never finds a torn file.
#
#   scripts/crash-test.sh [--points N] [--students N]
#
# A small demo school is extracted night after night (QV_FIXED_NOW moves one day a run, so
# every run reads new attendance days; on one night a week of codes changes in the SIS):
#  - the reference: one uninterrupted run per night into its own folder;
#  - the crash chain: every night one run is killed (SIGKILL, through the write hook
#    QV_CRASH_AFTER_WRITES=N, which kills the program in the middle of its N-th file write)
#    and then a clean run follows, into another folder.
# Passes when the union of the attendance lines of all update files is the same in both
# folders, when after every run (killed or not) each package file is complete (a torn update
# file, header or table file would be read by the import tool), when no unfinished file
# survives a clean run, and when the last table files equal the reference's byte for byte.
# The kill points are spread evenly over the writes of one run. Needs the native build.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

points=40
students=40
while [ $# -gt 0 ]; do
  case "$1" in
    --points) points="$2"; shift 2 ;;
    --students) students="$2"; shift 2 ;;
    -h|--help) sed -n '2,18p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "crash-test: unknown option: $1" >&2; exit 2 ;;
  esac
done

program="$root/build/native/app/QvMeridane"
[ -x "$program" ] || { echo "crash-test: build the native program first (build/native)" >&2; exit 2; }

work="$root/build/crash-test"
rm -rf "$work"
mkdir -p "$work"
source scripts/night-runs.sh
night_environment "$work"
sis="$work/sis.db"
night_school "$sis" CrashDemo 11 "$students" "Crash School"
cp "$sis" "$work/sis.pristine"

nights=$((points + 1))
change_night=$((nights / 2))
night_now() { date -u -d "2026-09-01 +$1 days" "+%Y-%m-%d 21:30:00"; }

# The SIS as it is on a night: from the change night on, a week of codes is different.
sis_for_night() {
  if [ "$1" = 0 ]; then cp "$work/sis.pristine" "$sis"; fi
  if [ "$1" = "$change_night" ]; then
    local from to
    from="$(date -u -d "2026-09-01 +$(($1 - 10)) days" +%Y-%m-%d)"
    to="$(date -u -d "2026-09-01 +$(($1 - 1)) days" +%Y-%m-%d)"
    sqlite3 "$sis" "UPDATE Absence SET Absence = CASE Absence WHEN 'A' THEN 'T' ELSE 'A' END
                    WHERE Date BETWEEN '$from' AND '$to'"
  fi
}

run() {  # run <folder> <night> [writes]: the program's exit code (137 when it was killed)
  local folder="$1" now
  now="$(night_now "$2")"
  # In a subshell of its own, whose report of the kill goes nowhere.
  (QV_FIXED_NOW="$now" QV_CRASH_AFTER_WRITES="${3:-}" "$program" -dCrashDemo -n101 "-p$folder/"
   status=$?
   exit $status) >/dev/null 2>&1 && return 0 || return $?
}

failures=0
fail() { echo "crash-test: $*" >&2; failures=$((failures + 1)); }

# How many file writes one night's run makes: the smallest count that a run does not reach.
count_writes() {
  local low=1 high=1 scratch="$work/count"
  while :; do
    rm -rf "$scratch"
    cp -a "$1" "$scratch"
    if run "$scratch" "$2" "$high"; then break; fi
    low="$high"
    high=$((high * 2))
  done
  while [ $((high - low)) -gt 1 ]; do
    local mid=$(((low + high) / 2))
    rm -rf "$scratch"
    cp -a "$1" "$scratch"
    if run "$scratch" "$2" "$mid"; then high="$mid"; else low="$mid"; fi
  done
  rm -rf "$scratch"
  echo "$low"
}

started=$SECONDS
reference="$work/reference"
mkdir -p "$reference"
for ((night = 0; night < nights; night++)); do
  sis_for_night "$night"
  run "$reference" "$night" || { fail "reference run of night $night failed"; exit 1; }
done
[ -n "$(attendance_lines "$reference")" ] || { fail "the reference sent no attendance"; exit 1; }

chain="$work/chain"
mkdir -p "$chain"
sis_for_night 0
run "$chain" 0 || { fail "the first run of the chain failed"; exit 1; }
writes="$(count_writes "$chain" 1)"
kills=0
completed=0
runs=1
for ((night = 1; night < nights; night++)); do
  sis_for_night "$night"
  # Kill points from early in the run to its last writes, one per night.
  at=$(((night * writes + nights - 1) / nights))
  [ "$at" -ge 1 ] || at=1
  status=0
  run "$chain" "$night" "$at" || status=$?
  runs=$((runs + 1))
  if [ "$status" = 137 ]; then
    kills=$((kills + 1))
  elif [ "$status" = 0 ]; then
    completed=$((completed + 1))
  else
    fail "night $night: the run to be killed at write $at ended with exit code $status"
  fi
  check_whole "$chain" "night $night after the kill at write $at"
  run "$chain" "$night" || fail "night $night: the clean run after the kill failed"
  runs=$((runs + 1))
  check_whole "$chain" "night $night after the clean run"
  leftovers="$(find "$chain" -maxdepth 1 -name '*.partial' | wc -l)"
  [ "$leftovers" = 0 ] || fail "night $night: $leftovers unfinished files survived the clean run"
done

compare_with_reference "$reference" "$chain" "$work"

echo "crash-test: $runs runs, $kills killed at points spread over $writes writes ($completed got past their" \
  "point), $(wc -l <"$work/reference.lines") attendance lines, $lost lost, $((SECONDS - started)) s"
[ "$failures" = 0 ] || { echo "crash-test: $failures failures" >&2; exit 1; }
echo "crash-test: passed"
