#!/usr/bin/env bash
# The attendance store on a file system that fails under it, with the native program:
#  - full: the "Attendance" folder is a small tmpfs that the store has filled, or has filled
#    but for a few KB (nearly-full);
#  - read-only: the "Attendance" folder is a read-only bind mount of itself.
# In both cases the run must end with exit code 1 after writing its tables, write an Error line
# naming the store and SQLite's message into the extract log and the run log, and keep
# "UpdateDate" as it was; once the folder works again, the next run must send what the failed
# one could not, so that the update files hold every attendance line of uninterrupted runs.
# Mounting needs root (a chmod does not stop root's writes): without it the test says so and
# passes without running. Needs the native build.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

if [ "$(id -u)" != 0 ]; then
  echo "fault-fs-test: skipped (mounting a small or read-only file system needs root)"
  exit 0
fi
program="$root/build/native/app/QvMeridane"
[ -x "$program" ] || { echo "fault-fs-test: build the native program first (build/native)" >&2; exit 2; }

work="$root/build/fault-fs-test"
mounts=()
cleanup() {
  local m
  for m in "${mounts[@]}"; do umount "$m" 2>/dev/null || true; done
}
trap cleanup EXIT
for m in $(grep -o "$work[^ ]*" /proc/mounts 2>/dev/null | sort -r); do umount "$m" 2>/dev/null || true; done
rm -rf "$work"
mkdir -p "$work"
if ! mount -t tmpfs -o size=64k tmpfs "$work" 2>/dev/null; then
  echo "fault-fs-test: skipped (this system does not let the test mount a file system)"
  exit 0
fi
umount "$work"

source scripts/night-runs.sh
night_environment "$work"
night_school "$work/sis.db" FaultDemo 5 60 "Fault School"

run() {  # run <folder> <day>: the program's exit code
  QV_FIXED_NOW="2026-10-$2 21:30:00" "$program" -dFaultDemo -n101 "-p$1/" >/dev/null 2>&1 && return 0 || return $?
}
update_date() { sed -n 's/.*<UpdateDate UpdateDateValue="\([^"]*\)".*/\1/p' "$1/SchoolConfig.xml"; }

failures=0
fail() { echo "fault-fs-test: $*" >&2; failures=$((failures + 1)); }

# The reference: three nights, uninterrupted.
reference="$work/reference"
mkdir -p "$reference"
for day in 05 12 19; do run "$reference" "$day" || { fail "reference run of the $day failed"; exit 1; }; done
attendance_lines "$reference" >"$work/reference.lines"

# break_store <folder> <kind>: puts the folder's "Attendance" on a failing file system.
break_store() {
  local store="$1/Attendance"
  case "$2" in
    full|nearly-full)
      local size avail leave=0
      [ "$2" = nearly-full ] && leave=8
      size=$(( ($(du -sk "$store" | cut -f1) + 64) ))
      cp -a "$store" "$1/Attendance.saved"
      mount -t tmpfs -o "size=${size}k" tmpfs "$store"
      cp -a "$1/Attendance.saved/." "$store/"
      # The room the copy left is taken but for `leave` KB: the store cannot grow, or only
      # a little, so that its journal or its commit runs out of room.
      avail="$(df -k --output=avail "$store" | tail -1 | tr -d ' ')"
      if [ $((avail - leave)) -gt 0 ]; then
        dd if=/dev/zero of="$store/filler" bs=1k count=$((avail - leave)) >/dev/null 2>&1 || true
      fi
      ;;
    read-only)
      mount --bind "$store" "$store"
      mount -o remount,bind,ro "$store"
      ;;
  esac
  mounts+=("$store")
}
repair_store() {
  local store="$1/Attendance"
  case "$2" in
    full|nearly-full)
      cp -a "$store/Attendance.db" "$1/Attendance.db.kept"
      umount "$store"
      cp "$1/Attendance.db.kept" "$store/Attendance.db"
      rm -rf "$1/Attendance.saved" "$1/Attendance.db.kept"
      ;;
    read-only) umount "$store" ;;
  esac
}

for kind in full nearly-full read-only; do
  folder="$work/$kind"
  mkdir -p "$folder"
  run "$folder" 05 || { fail "$kind: the first run failed"; continue; }
  kept_date="$(update_date "$folder")"
  break_store "$folder" "$kind"
  status=0
  run "$folder" 12 || status=$?
  [ "$status" = 1 ] || fail "$kind: the run on a failing store ended with exit code $status, not 1"
  [ "$(update_date "$folder")" = "$kept_date" ] || fail "$kind: UpdateDate moved from $kept_date to $(update_date "$folder")"
  error="The attendance change store $folder/Attendance/Attendance.db failed"
  grep -q "$error" "$folder/QvMeridaneExtractLog.txt" || fail "$kind: the extract log does not name the failed store"
  grep -q "$error" "$run_log" || fail "$kind: the run log does not name the failed store"
  grep -q "Error: $error" "$run_log" || fail "$kind: the run did not end with the store's error"
  [ -s "$folder/Students.qef" ] || fail "$kind: the tables did not go out"
  grep "$error" "$run_log" | head -1 | sed 's/^/fault-fs-test: '"$kind"': /'
  repair_store "$folder" "$kind"
  mounts=()
  run "$folder" 19 || fail "$kind: the run after the repair failed"
  attendance_lines "$folder" >"$work/$kind.lines"
  lost="$(comm -23 "$work/reference.lines" "$work/$kind.lines" | wc -l)"
  [ "$lost" = 0 ] || fail "$kind: $lost attendance lines of the reference were never sent"
  echo "fault-fs-test: $kind: exit code $status, UpdateDate kept at $kept_date, $lost lines lost" \
    "of $(wc -l <"$work/reference.lines")"
done

[ "$failures" = 0 ] || { echo "fault-fs-test: $failures failures" >&2; exit 1; }
echo "fault-fs-test: passed"
