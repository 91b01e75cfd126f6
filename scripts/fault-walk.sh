#!/usr/bin/env bash
# Fails one file or ODBC call of the program at every point of its run, kind by kind, and
# checks what each failure leaves behind.
#
#   scripts/fault-walk.sh [--kinds "write sync rename delete odbc"] [--step K]
#                         [--steps "kind=K ..."] [--students N] [--windows]
#
# For each kind and N = 1, 1+K, 1+2K, ... the N-th call of that kind fails (QV_FAULT=kind:N,
# with no space for a write, an I/O error for the others, a lost link for an ODBC call), until
# a run ends without reaching its N-th call. K is --step (1: every point), or the kind's own
# stride from --steps (default "odbc=149": a run makes thousands of ODBC calls). Writes,
# syncs, opens and deletes include the change store's own (its database and journal) and
# the run lock's. Every failed run is followed by a clean run; a night passes (QV_FIXED_NOW
# moves one day) before the next fault, and every seventh night a week of codes changes in
# the SIS. A reference folder has one uninterrupted run each night. --windows runs the
# Windows build under Wine (build/windows) instead of the native one. Passes when:
#  - a run whose call failed ended with exit code 1 and an Error line in its run log (on the
#    error output when the failed call was the run log's own), or ended with 0 because the
#    failure cost it nothing (a leftover it could not delete, a move it tried again, a line of
#    a log, an ODBC hint the driver may refuse) - then its table files are the reference's;
#  - after every run, each package file is whole, and each table file is the one it had before
#    the run or the reference's of the night: never torn, never a mix;
#  - the clean run ends with 0 and leaves no unfinished file;
#  - the union of the attendance lines of all update files equals the reference's (0 lost,
#    0 extra), and the last table files equal the reference's byte for byte.
# Prints the fault points walked per kind (with the stride), the runs, and the lines lost.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

kinds="write sync rename delete odbc"
step=""
steps="odbc=149"
students=12
windows=0
while [ $# -gt 0 ]; do
  case "$1" in
    --kinds) kinds="$2"; shift 2 ;;
    --step) step="$2"; shift 2 ;;
    --steps) steps="$2"; shift 2 ;;
    --students) students="$2"; shift 2 ;;
    --windows) windows=1; shift ;;
    -h|--help) sed -n '2,26p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "fault-walk: unknown option: $1" >&2; exit 2 ;;
  esac
done

# The stride of a kind: --step for all, else its own from --steps, else 1.
stride_of() {
  [ -z "$step" ] || { echo "$step"; return; }
  local item
  for item in $steps; do
    [ "${item%%=*}" != "$1" ] || { echo "${item#*=}"; return; }
  done
  echo 1
}

if [ "$windows" = 1 ]; then
  program=(bash "$root/scripts/wine-run.sh" "$root/build/windows/app/QvMeridane.exe")
  [ -f "${program[2]}" ] || { echo "fault-walk: build the Windows program first (build/windows)" >&2; exit 2; }
  work="$root/build/fault-walk-windows"
else
  program=("$root/build/native/app/QvMeridane")
  [ -x "${program[0]}" ] || { echo "fault-walk: build the native program first (build/native)" >&2; exit 2; }
  work="$root/build/fault-walk"
fi
rm -rf "$work"
mkdir -p "$work"
source scripts/night-runs.sh
night_environment "$work"
sis="$work/sis.db"
night_school "$sis" WalkDemo 17 "$students" "Walk School"
# The folder as the program names it: the Windows program sees the Linux root as drive Z:.
folder_arg() { printf '%s/' "$1"; }
if [ "$windows" = 1 ]; then
  # A prefix of the walk's own, whose preference points the program at the site
  # configuration (and the run log) in the walk's folder.
  export QV_WINEPREFIX="$work/wineprefix"
  source scripts/wine-site.sh
  wine_bridge_folder "$bridge_data/"
  folder_arg() { printf 'Z:%s\\' "$(printf '%s' "$1" | tr '/' '\\')"; }
  # The run log stays in the application data of the prefix.
  run_log="$QV_WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming/Quorvane/QvMeridane/QvMeridaneRunLog.txt"
fi

night=0
night_now() { date -u -d "2026-09-01 +$night days" "+%Y-%m-%d 21:30:00"; }

# A new night: every seventh, the codes of the week before change in the SIS.
next_night() {
  night=$((night + 1))
  if [ $((night % 7)) = 0 ]; then
    local from to
    from="$(date -u -d "2026-09-01 +$((night - 7)) days" +%Y-%m-%d)"
    to="$(date -u -d "2026-09-01 +$((night - 1)) days" +%Y-%m-%d)"
    sqlite3 "$sis" "UPDATE Absence SET Absence = CASE Absence WHEN 'A' THEN 'T' ELSE 'A' END
                    WHERE Date BETWEEN '$from' AND '$to'"
  fi
}

run() {  # run <folder> [fault]: the program's exit code; its error output in $work/stderr
  local now
  now="$(night_now)"
  touch "$work/marker"
  sleep 0.01  # a file written by the run is newer than the marker
  local status=0
  QV_FIXED_NOW="$now" QV_FAULT="${2:-}" "${program[@]}" -dWalkDemo -n101 "-p$(folder_arg "$1")" \
    >/dev/null 2>"$work/stderr" || status=$?
  sed -i 's/\r$//' "$work/stderr"  # the Windows program ends its lines with CR LF
  return $status
}

failures=0
fail() { echo "fault-walk: $*" >&2; failures=$((failures + 1)); }

# Each table file of the folder is the one saved before the run or the reference's.
check_old_or_new() {  # check_old_or_new <folder> <saved> <what>
  local file name
  for file in "$1"/*.qef "$1"/*.QDE; do
    [ -e "$file" ] || continue
    name="$(basename "$file")"
    cmp -s "$file" "$reference/$name" || cmp -s "$file" "$2/$name" ||
      fail "$3: $name is neither the one before the run nor the reference's"
  done
}

started=$SECONDS
reference="$work/reference"
chain="$work/chain"
saved="$work/saved"
mkdir -p "$reference" "$chain"
run "$reference" || { fail "the first reference run failed"; exit 1; }
run "$chain" || { fail "the first run of the chain failed"; exit 1; }
runs=2
total_points=0
summary=()
for kind in $kinds; do
  points=0 failed=0 carried=0
  kind_step="$(stride_of "$kind")"
  kind_started=$SECONDS
  n=1
  while :; do
    next_night
    run "$reference" || fail "the reference run of night $night failed"
    rm -rf "$saved"
    mkdir "$saved"
    cp -p "$chain"/*.qef "$chain"/*.QDE "$saved"/
    status=0
    run "$chain" "$kind:$n" || status=$?
    runs=$((runs + 2))
    what="$kind:$n"
    if ! grep -q '^QV_FAULT: ' "$work/stderr"; then
      # The run never reached its N-th call: the walk of this kind is over.
      [ "$status" = 0 ] || fail "$what: a run that no fault reached ended with $status"
      break
    fi
    points=$((points + 1))
    if [ "$status" = 1 ]; then
      failed=$((failed + 1))
      # The run log holds the last run only. When its own write failed, the error can only go
      # to the error output.
      if grep -q "^QV_FAULT: .*RunLog.txt\$" "$work/stderr"; then
        grep -q 'Error' "$work/stderr" || fail "$what: the run log failed and no error was shown"
      else
        grep -q '^Error: ' "$run_log" || fail "$what: exit code 1 without an Error line in the run log"
      fi
    elif [ "$status" = 0 ]; then
      carried=$((carried + 1))
      # Carrying on is sound only where nothing is lost: a move that is tried again, a
      # leftover that the next run deletes, a line of a log, the run log's lock (the run then
      # writes the run log as it always did).
      failed_path="$(sed -n 's/^QV_FAULT: [a-z]* call [0-9]* failed: //p' "$work/stderr" | head -1)"
      # The ODBC calls whose failure the data layer takes in its stride: hints a driver may
      # refuse (timeouts, the access mode, the block size), optional answers, a disconnect.
      case "$kind:$failed_path" in
        rename:* | delete:* | *RunLog.txt | *RunLog.txt.*.partial | *RunLog.txt.lock | *ExtractLog.txt) ;;
        # The run history: a record that cannot be written is a Warning of a run that stands;
        # a lock that cannot be taken only postpones the trimming.
        *RunHistory.jsonl | *RunHistory.lock) ;;
        # The store's copy: the run warns and leaves none (the store itself is whole).
        *Attendance.db.copy-new | *Attendance.db.copy-new-journal)
          [ ! -e "$chain/Attendance/Attendance.db.copy" ] || fail "$what: a copy older than the store stayed" ;;
        odbc:SQLSetConnectAttrW | odbc:SQLSetStmtAttrW | odbc:SQLGetStmtAttrW | odbc:SQLGetInfoW) ;;
        odbc:SQLColAttributeW | odbc:SQLDisconnect | odbc:SQLEndTran) ;;
        *) fail "$what: the run ended with 0 after its $kind of ${failed_path:-a file} failed" ;;
      esac
      for file in "$reference"/*.qef "$reference"/*.QDE; do
        cmp -s "$file" "$chain/$(basename "$file")" ||
          fail "$what: the run ended with 0 after $(sed 's/^QV_FAULT: //' "$work/stderr" | head -1), but $(basename "$file") is not the reference's"
      done
    else
      fail "$what: the run ended with exit code $status ($(head -3 "$work/stderr"))"
    fi
    check_whole "$chain" "$what" "$work/marker"
    check_old_or_new "$chain" "$saved" "$what"
    run "$chain" || fail "$what: the clean run after the fault failed ($(head -3 "$work/stderr"))"
    check_whole "$chain" "$what, the clean run" "$work/marker"
    leftovers="$(find "$chain" -maxdepth 1 -name '*.partial' | wc -l)"
    [ "$leftovers" = 0 ] || fail "$what: $leftovers unfinished files survived the clean run"
    n=$((n + kind_step))
  done
  summary+=("$kind: $points points, stride $kind_step, last point $((n - kind_step)) ($failed failed with an error, $carried carried on, $((SECONDS - kind_started)) s)")
  total_points=$((total_points + points))
done

compare_with_reference "$reference" "$chain" "$work"

for line in "${summary[@]}"; do echo "fault-walk: $line"; done
echo "fault-walk: $total_points points, $runs runs over $night nights, $(wc -l <"$work/reference.lines") attendance lines," \
  "$lost lost, $extra extra, $((SECONDS - started)) s"
[ "$failures" = 0 ] || { echo "fault-walk: $failures failures" >&2; exit 1; }
echo "fault-walk: passed"
