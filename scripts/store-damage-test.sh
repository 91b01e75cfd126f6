#!/usr/bin/env bash
# An attendance store damaged between two nights leaves the import tool where an undamaged one
# does.
#
#   scripts/store-damage-test.sh [--students N]
#
# A demo school is extracted on three nights, once into each of three folders. Between the
# first and the second night, absences of the last ten days are deleted in the SIS and others
# change their code. Before the second night:
#  - reference: nothing happens to the store;
#  - damaged: "Attendance.db" is overwritten with garbage: it is rebuilt from its copy;
#  - lost: the store and its copy are both garbage: the folder starts a new history.
# Passes when after every night the import tool's state of each folder (the attendance of all
# update files applied in name order, an empty code removing the row) equals the reference's,
# every package file is whole, the table files equal the reference's byte for byte, and the
# extract log of the second night says how the store was recovered. Needs the native build.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

students=300
while [ $# -gt 0 ]; do
  case "$1" in
    --students) students="$2"; shift 2 ;;
    -h|--help) sed -n '2,17p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "store-damage-test: unknown option: $1" >&2; exit 2 ;;
  esac
done

program="$root/build/native/app/QvMeridane"
[ -x "$program" ] || { echo "store-damage-test: build the native program first (build/native)" >&2; exit 2; }

work="$root/build/store-damage-test"
rm -rf "$work"
mkdir -p "$work"
source scripts/night-runs.sh
night_environment "$work"
sis="$work/sis.db"
night_school "$sis" DamageDemo 23 "$students" "Damage School"

failures=0
fail() { echo "store-damage-test: $*" >&2; failures=$((failures + 1)); }

night_now() { date -u -d "2026-09-20 +$1 days" "+%Y-%m-%d 21:30:00"; }
run() {  # run <folder> <night>
  QV_FIXED_NOW="$(night_now "$2")" "$program" -dDamageDemo -n101 "-p$1/" >/dev/null 2>&1
}
garbage() {  # garbage <file>: a file SQLite cannot read as a database
  local i
  for ((i = 0; i < 512; i++)); do printf 'not an attendance store '; done >"$1"
}

started=$SECONDS
folders=(reference damaged lost)
for folder in "${folders[@]}"; do mkdir -p "$work/$folder"; done
deleted=0
changed=0
for night in 0 1 2; do
  if [ "$night" = 1 ]; then
    from="$(date -u -d "2026-09-20 -10 days" +%Y-%m-%d)"
    deleted="$(sqlite3 "$sis" "DELETE FROM Absence WHERE Date BETWEEN '$from' AND '2026-09-20' AND rowid % 4 = 0;
                              SELECT changes();")"
    changed="$(sqlite3 "$sis" "UPDATE Absence SET Absence = CASE Absence WHEN 'A' THEN 'T' ELSE 'A' END
                              WHERE Date BETWEEN '$from' AND '2026-09-20' AND rowid % 4 = 1; SELECT changes();")"
    [ "$deleted" -gt 0 ] && [ "$changed" -gt 0 ] || fail "the SIS change deleted $deleted and changed $changed absences"
    garbage "$work/damaged/Attendance/Attendance.db"
    garbage "$work/lost/Attendance/Attendance.db"
    garbage "$work/lost/Attendance/Attendance.db.copy"
  fi
  for folder in "${folders[@]}"; do
    run "$work/$folder" "$night" || fail "night $night: the run into $folder failed"
    check_whole "$work/$folder" "night $night, $folder"
  done
  import_state "$work/reference" >"$work/reference-$night.state"
  [ -s "$work/reference-$night.state" ] || fail "night $night: the reference holds no attendance"
  for folder in damaged lost; do
    import_state "$work/$folder" >"$work/$folder-$night.state"
    differ="$(diff "$work/reference-$night.state" "$work/$folder-$night.state" | grep -c '^[<>]' || true)"
    [ "$differ" = 0 ] ||
      fail "night $night: $differ lines of $folder's state at the import tool differ from the reference's (see $work/*-$night.state)"
    for file in "$work/reference"/*.qef; do
      cmp -s "$file" "$work/$folder/$(basename "$file")" || fail "night $night: $folder's $(basename "$file") differs"
    done
  done
  if [ "$night" = 1 ]; then
    grep -q 'could not be read.*rebuilt from its copy' "$work/damaged/QvMeridaneExtractLog.txt" ||
      fail "the damaged store's run does not say it was rebuilt from its copy"
    grep -q 'could not be read.*No copy of it could be used' "$work/lost/QvMeridaneExtractLog.txt" ||
      fail "the lost store's run does not say that it started anew"
    ls "$work/damaged/Attendance"/Attendance.db.unreadable-* >/dev/null 2>&1 ||
      fail "the damaged store was not kept aside"
  fi
done

echo "store-damage-test: 3 nights in ${#folders[@]} folders, $deleted absences deleted and $changed changed" \
  "before the damage, $(wc -l <"$work/reference-2.state") attendance rows at the import tool, $((SECONDS - started)) s"
[ "$failures" = 0 ] || { echo "store-damage-test: $failures failures" >&2; exit 1; }
echo "store-damage-test: passed"
