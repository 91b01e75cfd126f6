#!/usr/bin/env bash
# The district schedule on a Linux server, end to end, against a real crontab: a throwaway user
# adds three schools, one of them under a district, and schedules them (twice); its crontab then
# holds one line beside the user's own; the script that line runs extracts every school (the
# district school through -t) and writes the nightly summary; --unschedule removes the line; an
# import folder that does not exist yet but that a run can make is accepted; one that no run
# can make is refused by name and nothing is scheduled. Needs root (useradd, crontab -u); skips otherwise. The crontab of the
# person who runs it is never touched.
# usage: scripts/schedule-test.sh [build folder, default build/native]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build/native}"

if [ "$(id -u)" != 0 ]; then
  echo "schedule-test: SKIPPED: needs root to create a throwaway user and read its crontab"
  exit 0
fi
if ! command -v crontab >/dev/null; then
  echo "schedule-test: no crontab; scripts/setup-deps.sh installs Debian's cron" >&2
  exit 1
fi

user="qvsched$$"
work="$(mktemp -d /tmp/qvsched.XXXXXX)"
cleanup() {
  crontab -u "$user" -r >/dev/null 2>&1 || true
  userdel -r "$user" >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT
chmod 755 "$work"
useradd --create-home --home-dir "$work/home" --shell /bin/sh "$user"
home="$work/home"

# The program and its default data files where the throwaway user may run them.
mkdir -p "$work/bin"
cp "$build/app/QvMeridane" "$work/bin/"
cp -r "$build/app/AutoUp" "$work/bin/"
chmod -R a+rX "$work/bin"
program="$work/bin/QvMeridane"

"$build/tools/demosis/qv_demosis" --out "$work/district.db" --schools 3 --students 24 \
  --year-start 2008-08-20 >/dev/null
chmod a+r "$work/district.db"
{
  echo "[Qv Sched District]"
  echo "Driver=SQLite3"
  echo "Database=$work/district.db"
  echo "StepAPI=1"
  [ -f "$build/tools/demosis/libqv_sisdqs.so" ] && echo "LoadExt=$build/tools/demosis/libqv_sisdqs.so"
} > "$home/.odbc.ini"
chown "$user" "$home/.odbc.ini"

as_user() {
  runuser -u "$user" -- env -i HOME="$home" PATH=/usr/bin:/bin LANG=C.UTF-8 \
    QV_FIXED_NOW="2009-03-18 10:00:00" "$@"
}
fail() { echo "schedule-test: FAILED: $*" >&2; exit 1; }

for n in 101 202 303; do
  as_user mkdir -p "$home/import $n"
  as_user "$program" --add-school "-dQv Sched District" "-n$n" "-p$home/import $n/" >/dev/null \
    || fail "--add-school $n"
done

# School 303 under a district, as the window files it: --add-school files schools without one.
config="$home/.local/share/Quorvane/QvMeridane/QvConfig.xml"
district="North 100% O'Dell"
DISTRICT="$district" perl -pi -e \
  's{(SchoolNumber="303" [^>]*?SISSchoolDistrict=")[^"]*"}{$1$ENV{DISTRICT}"}' "$config"
grep -qF "SISSchoolDistrict=\"$district\"" "$config" || fail "district not filed: $(cat "$config")"

# A line of the user's own, which scheduling must keep.
printf '30 2 * * * /bin/true # the user'"'"'s own\n' | crontab -u "$user" -
marker="Velkstrom QvMeridane District Extract"
script="$home/.local/share/Quorvane/QvMeridane/DistrictScheduling.sh"
expected="0 1 * * 1-5 '$script' # $marker"

for round in 1 2; do
  out="$(as_user "$program" --schedule)" || fail "--schedule (round $round)"
  case "$out" in
    "Export for District has been scheduled for 1:00 AM every school day."*) ;;
    *) fail "message: $out" ;;
  esac
  lines="$(crontab -u "$user" -l)"
  [ "$(grep -c "$marker" <<<"$lines")" = 1 ] || fail "round $round: not one line: $lines"
  grep -qxF "$expected" <<<"$lines" || fail "round $round: line: $lines"
  grep -qxF "30 2 * * * /bin/true # the user's own" <<<"$lines" || fail "the user's line is gone"
done
[ "$(stat -c %a "$script")" = 700 ] || fail "script mode $(stat -c %a "$script")"
[ "$(stat -c %U "$script")" = "$user" ] || fail "script owner"
grep -qF " -n'303' -t'North 100% O'\''Dell' -a'ad'" "$script" || fail "no -t in the line of 303: $(cat "$script")"
[ "$(grep -c " -t'" "$script")" = 1 ] || fail "-t in a line of a school without a district"

# The night: the line's command as cron runs it (sh -c).
command="$(sed -e "s/^0 1 \* \* 1-5 //" -e "s/ # $marker\$//" <<<"$expected")"
as_user sh -c "$command" || fail "the script failed"
summary="$home/.local/share/Quorvane/QvMeridane/DistrictSchedulingSummary.txt"
[ -f "$summary" ] || fail "no summary"
for n in 101 202 303; do
  grep -q "^$n .*: exit 0, run log $home/import $n/QvMeridaneRunLog.txt\$" "$summary" \
    || fail "summary for $n: $(cat "$summary")"
  grep -q "Returned from Execute." "$home/import $n/QvMeridaneRunLog.txt" || fail "school $n not extracted"
done
grep -qF "District: \"$district\"" "$home/import 303/QvMeridaneRunLog.txt" || fail "303 not found by its district"
# After the last school the night writes the district's page, with the three nights on it.
report="$home/.local/share/Quorvane/QvMeridane/QvMeridaneReport.html"
[ "$(grep -oE '<span class="badge b-(ok|warn)">' "$report" 2>/dev/null | wc -l)" = 3 ] ||
  fail "the report page does not show the three nights: $report"

as_user "$program" --unschedule >/dev/null || fail "--unschedule"
lines="$(crontab -u "$user" -l)"
grep -q "$marker" <<<"$lines" && fail "line left after --unschedule"
grep -qxF "30 2 * * * /bin/true # the user's own" <<<"$lines" || fail "the user's line is gone"

# A missing import folder that a run can make: accepted, and left to the run to make.
rm -rf "$home/import 202"
as_user "$program" --schedule >/dev/null || fail "--schedule with a folder a run can make"
[ -e "$home/import 202" ] && fail "the schedule made the import folder"
as_user "$program" --unschedule >/dev/null || fail "--unschedule"

# A school whose import folder no run can make (a file is in its place): refused by name,
# nothing scheduled.
as_user touch "$home/import 202"
if err="$(as_user "$program" --schedule 2>&1 >/dev/null)"; then fail "scheduled without a folder"; fi
grep -q "(School Number 202)" <<<"$err" || fail "refusal does not name the school: $err"
crontab -u "$user" -l | grep -q "$marker" && fail "scheduled despite the refusal"

echo "schedule-test: passed"
