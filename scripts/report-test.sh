#!/usr/bin/env bash
# The district report in a real browser: a site configuration of ten schools with thirty nights
# of run history (one night of it a real run of the program under faketime, whose record must
# carry the local time with its offset), --status for monitoring, then --report rendered by
# headless Chromium into a screenshot kept beside the window test's, with a net log showing that
# the page asked for nothing but itself. A page that does load something from elsewhere is
# rendered too, to show that the check sees it.
#
# usage: scripts/report-test.sh [BUILD_DIR]   (default build/native)
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"
build="$(cd "${1:-build/native}" && pwd)"
program="$build/app/QvMeridane"
out="$build/report-test"
# Beside the window test's screenshots (which that test clears and takes anew).
shots="$root/build/windows/window-test/report-shots"
rm -rf "$out"
mkdir -p "$out" "$shots"

fail() { echo "report-test: FAIL: $*" >&2; exit 1; }
command -v chromium >/dev/null || fail "chromium is not installed (scripts/setup-deps.sh installs it)"
command -v faketime >/dev/null || fail "faketime is not installed"

export XDG_CONFIG_HOME="$out/config" XDG_DATA_HOME="$out/data" QV_MACHINE_HIVE_DIR="$out/machine"
export ODBCINI="$out/odbc.ini"
touch "$ODBCINI"
bridge="$XDG_DATA_HOME/Quorvane/QvMeridane"
mkdir -p "$XDG_CONFIG_HOME" "$QV_MACHINE_HIVE_DIR" "$bridge"

names=("Lakeside High" "Maple Middle" "O'Brien Elementary" "Hillcrest Academy" "Riverside Primary"
       "Westview High" "Cedar Grove Middle" "Northgate Elementary" "Summit Charter" "Bayfront Junior High")
{
  echo '<?xml version="1.0" encoding="UTF-8"?>'
  echo '<QvSchoolConfFile>'
  for i in "${!names[@]}"; do
    number=$((101 + i))
    name="${names[$i]//\'/\&apos;}"
    mkdir -p "$out/import/$number"
    echo "	<QvSchoolConf Import=\"1\" SISName=\"Meridane_DE\" SISImportFolder=\"$out/import/$number/\" SchoolNumber=\"$number\" SISSchoolName=\"$name\" SISSchoolDistrict=\"\" SISDSN=\"NoSuchDsn\" />"
  done
  echo '</QvSchoolConfFile>'
} > "$bridge/QvConfig.xml"
history="$bridge/QvMeridaneRunHistory.jsonl"

# The first night of school 101 is a real run, at 01:00 in a summer-time zone: it fails (no
# such data source) and its record must say so, with the local time and its offset.
status=0
TZ=Europe/Amsterdam faketime '2009-06-01 01:00:00' "$program" -dNoSuchDsn -n101 >/dev/null 2>"$out/run.err" || status=$?
[ "$status" = 1 ] || fail "the run without a data source ended with $status"
python3 - "$history" <<'PY' || fail "the real run's record"
import json, sys
lines = open(sys.argv[1], encoding="utf-8").read().splitlines()
assert len(lines) == 1, lines
r = json.loads(lines[0])
assert r["school"] == "101" and r["name"] == "Lakeside High", r
assert r["start"].startswith("2009-06-01T01:00:0") and r["start"].endswith("+02:00"), r["start"]
assert r["outcome"] == "failed" and r["exitCode"] == 1, r
assert r["firstError"].startswith("Error: Error connecting to "), r["firstError"]
PY

# The other nights: a fixture of what a district's month looks like (steady nights, a school
# that fails for days and recovers, warnings, a cancelled run, a night without runs).
python3 - "$history" <<'PY'
import datetime, json, random, sys
rng = random.Random(7)
names = ["Lakeside High", "Maple Middle", "O'Brien Elementary", "Hillcrest Academy", "Riverside Primary",
         "Westview High", "Cedar Grove Middle", "Northgate Elementary", "Summit Charter", "Bayfront Junior High"]
first = datetime.date(2009, 6, 1)
with open(sys.argv[1], "a", encoding="utf-8") as history:
    for night in range(30):
        day = first + datetime.timedelta(days=night)
        for i, name in enumerate(names):
            if i == 0 and night == 0:
                continue  # the real run above
            if i == 7 and night in (9, 10):
                continue  # the machine was off
            outcome, error = "succeeded", None
            if i == 3 and 20 <= night <= 24:
                outcome, error = "failed", "Error: Error writing to file: D:\\Import\\104\\Students.qef.partial (no space left on the disk)"
            elif i == 5 and night % 9 == 4:
                outcome = "succeeded with warnings"
            elif i == 8 and night == 27:
                outcome, error = "cancelled", "Error: Extraction was cancelled."
            elif i == 9 and night >= 28:
                outcome, error = "failed", "Error: Invalid School Number '110', See log for details."
            size = 200 + 120 * i
            duration = size / 40 * (1 + 0.15 * rng.random()) + (0.5 if outcome == "failed" else 0)
            minute = 2 * i
            start = f"{day.isoformat()}T01:{minute:02d}:05+02:00"
            rows = 0 if outcome in ("failed", "cancelled") else int(size * (0.4 + 0.6 * rng.random()))
            record = {"school": str(101 + i), "district": "", "name": name,
                      "importFolder": f"D:\\Import\\{101 + i}\\", "start": start, "end": start,
                      "durationSeconds": round(duration, 3), "outcome": outcome,
                      "exitCode": 0 if outcome.startswith("succeeded") else 1, "firstError": error,
                      "tables": {"Students.qef": size, "Staff.qef": size // 12},
                      "attendanceRowsSent": rows,
                      "updateFile": None if rows == 0 else f"Update {day.strftime('%Y%m%d')}01{minute:02d}05.QDU"}
            history.write(json.dumps(record) + "\n")
PY

export QV_FIXED_NOW="2009-06-30 07:30:00"
status=0
"$program" --status > "$out/status.txt" 2>"$out/status.err" || status=$?
[ "$status" = 1 ] || fail "--status ended with $status (a school's last night failed: 1)"
grep -q "^110	Bayfront Junior High		2009-06-30T01:18:05+02:00	failed	" "$out/status.txt" || fail "--status: $(cat "$out/status.txt")"
status=0
"$program" --status --json > "$out/status.json" || status=$?
python3 - "$out/status.json" <<'PY' || fail "--status --json"
import json, sys
s = json.load(open(sys.argv[1], encoding="utf-8"))
assert s["exitCode"] == 1 and len(s["schools"]) == 10, s
byNumber = {x["school"]: x for x in s["schools"]}
assert byNumber["104"]["outcome"] == "succeeded" and byNumber["104"]["nightsSinceSuccess"] == 0
assert byNumber["110"]["nightsSinceSuccess"] == 2, byNumber["110"]
PY

page="$out/QvMeridaneReport.html"
"$program" --report "$page" > /dev/null || fail "--report"
unset QV_FIXED_NOW

# Renders a page with a net log, resolving no host name; prints the addresses it asked for.
render() {  # page png netlog
  # Chromium's own traffic (updates, dictionaries) is turned off, so that what is left in the
  # net log is the page's.
  timeout 120 chromium --headless=new --no-sandbox --disable-gpu --hide-scrollbars \
    --user-data-dir="$out/profile-$(basename "$2" .png)" --no-first-run --disable-background-networking \
    --disable-component-update --disable-sync --disable-features=SpellcheckService \
    --host-resolver-rules="MAP * ~NOTFOUND" --log-net-log="$3" --net-log-capture-mode=Everything \
    --window-size=1500,1020 --screenshot="$2" "file://$1" >/dev/null 2>&1 || true
  python3 - "$3" "file://$1" <<'PY'
import json, sys
text = open(sys.argv[1], encoding="utf-8").read().rstrip().rstrip(",")
try:
    log = json.loads(text)
except json.JSONDecodeError:
    log = json.loads(text + "]}")  # Chromium may end without closing the events list
types = {number: name for name, number in log["constants"]["logEventTypes"].items()}
# A request the page made carries the page's origin as its initiator; Chromium's own requests
# (updates, sign-in probes), which the flags cannot all turn off, carry "not an origin".
for event in log.get("events", []):
    params = event.get("params") or {}
    if types.get(event["type"]) != "URL_REQUEST_START_JOB" or params.get("url") == sys.argv[2]:
        continue
    if params.get("initiator", "not an origin") != "not an origin":
        print(params.get("url"))
PY
}

shot="$shots/district-report.png"
asked="$(render "$page" "$shot" "$out/netlog.json")"
[ -s "$shot" ] || fail "chromium made no screenshot"
[ -z "$asked" ] || fail "the page asked for: $asked"
# The check sees a request when there is one.
sed -e 's|<meta http-equiv="Content-Security-Policy"[^>]*>||' \
  -e 's|<body>|<body><img src="http://report-check.invalid/x.png">|' "$page" > "$out/leaky.html"
asked="$(render "$out/leaky.html" "$out/leaky.png" "$out/leaky-netlog.json")"
echo "$asked" | grep -q "report-check.invalid" || fail "the net log check did not see a request of a leaky page"

echo "report-test: ok (screenshot $shot)"
