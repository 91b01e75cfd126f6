#!/usr/bin/env bash
# The window of the Windows build, used as a person would under Wine in an X display (Xvfb),
# driven with xdotool: typing, Tab and Enter, clicks. It keeps a PNG of every view and dialog
# in <build>/window-test/shots and checks:
#   - the first start with no preferences shows the connect view;
#   - the demo data source and Connect show the extract view with the demo schools;
#   - "Extract School Now..." runs to "Extraction completed." and writes the same package bytes
#     as a command-line run of the same school at the same fixed time;
#   - Cancel during a run of a large demo school ends with "Extraction was cancelled.", keeps
#     the previous table files whole and copies the run log into the import folder (the time
#     from the click to the end of the run is printed);
#   - "Schedule Extractor..." refuses a differing confirmation, writes DistrictScheduling.bat
#     beside the site configuration with one block per school and registers the task (read back
#     with qv_taskprobe); Cancel changes nothing, scheduling again keeps one task, an import
#     folder no run could make is refused by name, and no task is left behind;
#   - a second start brings the first window to the front and ends;
#   - the small school's scheduled line, run by cmd.exe after the window's extraction, sees the
#     configuration the window stored and does not clean the import folder;
#   - first of all, a session of its own (see "the first night" below): from an empty
#     configuration to a first extraction with a school picked from the SIS's list, the
#     refusals with their messages, an invalid stored import folder, and the wait for a
#     command-line run that holds the import folder (QV_WINDOW_TEST_NIGHT_ONLY=1: only that).
#
#   scripts/window-test.sh [BUILD_DIR]      (default build/windows; needs DISPLAY and xdotool)
#
# Exits 77 (skipped) without a display or the tools; 0 when every check passed.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$root/build/windows}" && pwd)"
exe="$build/app/QvMeridane.exe"
out="$build/window-test"
shots="$out/shots"
big_students="${QV_WINDOW_TEST_BIG_STUDENTS:-20000}"

if [ -z "${DISPLAY:-}" ] || ! command -v xdotool >/dev/null || ! command -v import >/dev/null; then
  echo "window-test: skipped (needs DISPLAY, xdotool and ImageMagick's import)"
  exit 77
fi
[ -x "$exe" ] || { echo "window-test: $exe is missing" >&2; exit 1; }

title="Velkstrom Data Extractor for Meridane"
export QV_FIXED_NOW="2026-10-15 21:30:00"
export WINEPREFIX="$out/wineprefix"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
export ODBCINI="$out/odbc.ini"
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine="$(command -v wine64 || command -v wine)"

failures=0
fail() { echo "window-test: FAIL: $*" >&2; failures=$((failures + 1)); }
pass() { echo "window-test: ok: $*"; }
winpath() { printf 'Z:%s' "$1" | tr '/' '\\'; }

# ---- the environment: data sources, site configuration, a prefix without preferences ------
rm -rf "$out/data" "$out/import" "$out/import-cli" "$out/import-night" "$out/import-big" "$out/import-big-after-cancel" \
  "$out/import-big-ref" "$shots"
mkdir -p "$out/data" "$out/import" "$out/import-cli" "$out/import-big" "$shots"
cd "$out"   # whatever the program or a driver writes beside itself stays in the test's folder
: >"$ODBCINI"
native="$root/build/native"
if [ ! -f "$out/data/demo.db" ]; then
  bash "$root/scripts/demo-sis.sh" --out "$out/data/demo.db" --dsn MeridaneDemo --students 120 \
    --seed 7 --year-start 2026-08-20 --build-dir "$native" >"$out/demo-sis.log" 2>&1
fi
if [ ! -f "$out/big.db" ] || [ "$(cat "$out/big.students" 2>/dev/null)" != "$big_students" ]; then
  bash "$root/scripts/demo-sis.sh" --out "$out/big.db" --dsn MeridaneBig --students "$big_students" \
    --seed 11 --year-start 2026-08-20 --build-dir "$native" --no-dsn >>"$out/demo-sis.log" 2>&1
  echo "$big_students" >"$out/big.students"
fi
# The big database stays across runs (it takes a while to write); its data source is added
# beside the small one.
extension="$native/tools/demosis/libqv_sisdqs.so"
cat >>"$ODBCINI" <<EOF

[MeridaneBig]
Description=Meridane demo SIS, large
Driver=SQLite3
Database=$out/big.db
StepAPI=1
LoadExt=$extension
EOF

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  "$wine" wineboot -i >/dev/null 2>&1 || true
  /usr/lib/wine/wineserver -w 2>/dev/null || true
fi
# No preferences: the program keeps them per user and per machine.
"$wine" reg delete 'HKCU\Software\Velkstrom Software' /f >/dev/null 2>&1 || true
"$wine" reg delete 'HKLM\Software\Velkstrom Software' /f >/dev/null 2>&1 || true
bridge_data="$WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming/Quorvane/QvMeridane"
run_log="$bridge_data/QvMeridaneRunLog.txt"
rm -rf "$bridge_data"
mkdir -p "$bridge_data"
# Two schools: the small demo one (its data source is the connection's) and the large one.
cat >"$bridge_data/QvConfig.xml" <<XML
<?xml version="1.0" encoding="UTF-8"?>
<QvSchoolConfFile>
	<QvSchoolConf Import="1" SISName="Meridane_DE" SISImportFolder="$(winpath "$out/import/")" SchoolNumber="101" SISSchoolName="Demo School 101" SISSchoolDistrict="" SISDSN="" />
	<QvSchoolConf Import="1" SISName="Meridane_DE" SISImportFolder="$(winpath "$out/import-big/")" SchoolNumber="101" SISSchoolName="Large Demo School" SISSchoolDistrict="North" SISDSN="MeridaneBig" />
</QvSchoolConfFile>
XML

# ---- driving the window ------------------------------------------------------------------
app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
  /usr/lib/wine/wineserver -k 2>/dev/null || true
}
trap cleanup EXIT

start_app() {
  "$wine" "$exe" >"$out/app.out" 2>&1 &
  app_pid=$!
  main=$(timeout 60 xdotool search --sync --onlyvisible --name "^$title\$" | head -1) || true
  [ -n "$main" ] || { echo "window-test: the main window did not appear" >&2; exit 1; }
  sleep 1
}
# Waits until the run log holds a line matching the pattern; false after the timeout.
wait_log() {
  local pattern="$1" seconds="${2:-60}" waited=0
  while ! grep -qE "$pattern" "$run_log" 2>/dev/null; do
    sleep 0.2
    waited=$((waited + 1))
    [ "$waited" -lt $((seconds * 5)) ] || return 1
  done
}
# A top-level window with this title other than the main window (a message box), focused.
other_window() {
  local name="$1" id
  for _ in $(seq 1 100); do
    for id in $(xdotool search --onlyvisible --name "^$name\$" 2>/dev/null); do
      if [ "$id" != "$main" ]; then
        xdotool windowfocus --sync "$id" 2>/dev/null || true
        echo "$id"
        return 0
      fi
    done
    sleep 0.1
  done
  return 1
}
# Closes a dialog or message box with a key, as a person would, and waits until it is gone;
# a window that missed the key (the focus had not reached it) is clicked and asked again.
dismiss() {
  local id="$1" key="$2" try
  for try in 1 2 3; do
    xdotool windowfocus --sync "$id" 2>/dev/null || true
    xdotool key "$key"
    for _ in $(seq 1 30); do
      xdotool getwindowname "$id" >/dev/null 2>&1 && xdotool search --onlyvisible --name . 2>/dev/null | grep -qx "$id" || return 0
      sleep 0.1
    done
    xdotool mousemove --window "$id" 5 5 click 1 2>/dev/null || true
  done
  echo "window-test: window $id did not close" >&2
  return 1
}
# Waits until no window but the main one is on the screen.
only_main() {
  for _ in $(seq 1 50); do
    [ "$(xdotool search --onlyvisible --name . 2>/dev/null | grep -vx "$main" | wc -l)" = 0 ] && return 0
    sleep 0.1
  done
  return 1
}
# A screenshot, after the window has had time to paint.
shot() { sleep 1.2; import -window "${2:-$main}" "$shots/$1.png"; }
click() { xdotool mousemove --window "$main" "$1" "$2" click 1; }
focus_main() { xdotool windowfocus --sync "$main"; }
# Where controls sit, in pixels from the window's top left corner (the menu bar is 19 px;
# one dialog unit is 1.5 px across and 1.625 px down at 96 DPI).
extract_button=(580 470)    # "Extract School Now..." and, in the progress view, "Cancel"
second_school_row=(50 53)   # the second row of the school list

if xdotool search --onlyvisible --name "^$title\$" >/dev/null 2>&1; then
  echo "window-test: a window of the program is already open on $DISPLAY" >&2
  exit 1
fi

# ---- the first night: an empty configuration to a first extraction, and what goes wrong --
# Its own session before the checks below, which start again from their own configuration.
#   - a data source that does not exist is refused with the driver's reason;
#   - Connect with no school points to "Add School..."; the dialog offers the SIS's schools,
#     refuses a typed number the SIS lacks by name, and a pick adds the school;
#   - an unreachable import folder typed into the extract view is refused with a message;
#   - the first extraction ends in a plain end state, and leaves the change store closed;
#   - a stored import folder that no longer serves: Connect leads to the extract view with the
#     folder's problem shown;
#   - Extract while a command-line run holds the folder says whom it waits for and since when;
#   - leaving during a run stops it and ends the program without a message box.
night="$out/import-night"
# The main window with whatever stands over it (a message box, an open drop-down list).
screen_shot() { sleep 1.2; import -window root -crop 700x560+0+0 +repage "$shots/$1.png"; }
rm -rf "$night" "$out/night-cli.out"
cp "$bridge_data/QvConfig.xml" "$out/two-schools.xml"
rm -f "$bridge_data/QvConfig.xml"
# The window waits for the command-line run below as long as that takes.
export QV_LOCK_WAIT_SECONDS=600
start_app
wait_log "Validation Failed\\." 20 || fail "the first start did not try the connection"
# A data source that does not exist: refused with the driver's reason after the text.
focus_main
xdotool type --delay 40 "NoSuchDSN"
xdotool key Tab
xdotool type --delay 40 "admin"
xdotool key Tab
xdotool type --delay 40 "secret"
xdotool key Return
if box=$(other_window "$title"); then screen_shot connect-refused-dsn; dismiss "$box" Return; else fail "no message for a data source that does not exist"; fi
grep -qE "^Validate DSN Failed: NoSuchDSN .+" "$run_log" &&
  pass "a data source that does not exist is refused with the driver's reason" ||
  fail "the refusal of NoSuchDSN carries no reason"
focus_main
click 200 122   # the DSN edit
xdotool key End shift+Home
xdotool type --delay 40 "MeridaneDemo"
xdotool key Return
if wait_log "Done school load\\." 30 && grep -q 'No school yet: click "Add School..."' "$run_log"; then
  pass "Connect with no school points to Add School"
else
  fail "Connect with no school did not say what to do next"
fi
shot first-run-no-school
# Add School: a typed number the SIS does not have is refused by name; a pick is added.
focus_main
click 45 470
if add=$(other_window "Add School"); then
  shot add-school-dialog "$add"
  xdotool key Tab
  xdotool type --delay 40 "999"
  xdotool key Return
  if box=$(other_window "$title"); then screen_shot add-school-unknown-number; dismiss "$box" Return; fi
  grep -q 'Add School: Meridane (data source "MeridaneDemo") has no school with the School Number "999"' "$run_log" &&
    pass "a school number the SIS lacks is refused by name" || fail "the number 999 was not refused by name"
  xdotool windowfocus --sync "$add" 2>/dev/null || true
  xdotool key alt+Down
  sleep 0.3
  xdotool key Down
  screen_shot add-school-pick
  xdotool key Return
  sleep 0.3
  xdotool key Return
  wait_log "Added School: " 10 || true
  only_main || { fail "the Add School dialog stayed open"; dismiss "$add" Escape || true; }
else
  fail "no Add School dialog in the first run"
fi
picked=$(grep -o "Added School: [0-9]*" "$run_log" | head -1 | sed 's/.*: //')
[ -n "$picked" ] && pass "the school $picked was picked from the SIS list" || fail "no school was added from the list"
wait_log "Done school load\\." 10 || true
shot first-run-school-added
# An unreachable import folder: refused with a message that names it.
focus_main
click 300 325
xdotool key End shift+Home
xdotool type --delay 20 'Q:\Import\School202\'
click "${extract_button[@]}"
if box=$(other_window "$title"); then screen_shot extract-refused-folder; dismiss "$box" Return; else fail "no message for an unreachable folder"; fi
grep -qF 'The Import Folder cannot be used: Q:\Import\School202\' "$run_log" &&
  pass "an unreachable folder is refused by name" || fail "the unreachable folder was not named"
focus_main
click 300 325
xdotool key End shift+Home
xdotool type --delay 20 "$(winpath "$night/")"
click "${extract_button[@]}"
if wait_log "Finished DoExecute|Error: " 300 && grep -q "Finished DoExecute" "$run_log"; then
  pass "the first extraction completed without a typed school number"
else
  fail "the first extraction did not complete"
fi
shot extraction-done
# The window lives on; the school's change store must not be held: renaming it (which an open
# SQLite file refuses under Windows' sharing rules) works.
store_win="$(winpath "$night/Attendance/Attendance.db")"
"$wine" cmd /c ren "$store_win" Attendance.moved >/dev/null 2>&1 || true
if [ -f "$night/Attendance/Attendance.moved" ]; then
  mv "$night/Attendance/Attendance.moved" "$night/Attendance/Attendance.db"
  pass "the change store is closed after the window's extraction"
else
  fail "the change store is still held after the window's extraction"
fi
focus_main
click "${extract_button[@]}"   # "Close": back to the extract view
sleep 1
focus_main
xdotool key alt+f
sleep 0.3
xdotool key x
for _ in $(seq 1 300); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
wait "$app_pid" 2>/dev/null || true
app_pid=""

# A stored import folder that no longer serves (a drive that is gone).
# Saved with its data source only: the login stays the connection's, so that a password
# changed there reaches this school.
grep -q "SchoolNumber=\"$picked\"" "$bridge_data/QvConfig.xml" || fail "the added school was not saved"
grep -q 'SISUserName="" SISPassword=""' "$bridge_data/QvConfig.xml" && grep -q 'SISDSN="MeridaneDemo"' "$bridge_data/QvConfig.xml" &&
  pass "the school entry keeps no copy of the connection's login" || fail "the connection's login was copied into the school entry"
sed -i "s|SISImportFolder=\"[^\"]*\"|SISImportFolder=\"Q:\\\\Import\\\\School202\\\\\"|" "$bridge_data/QvConfig.xml"
start_app
if box=$(other_window "$title"); then screen_shot start-invalid-folder; dismiss "$box" Return; else fail "no message for the stored folder at start"; fi
focus_main
xdotool key alt+f
sleep 0.3
xdotool key e
sleep 1
shot connect-view-invalid-folder
loads=$(grep -c "Done school load\\." "$run_log" || true)
focus_main
xdotool key Return
if box=$(other_window "$title"); then screen_shot connect-invalid-folder; dismiss "$box" Return; else fail "no message for the stored folder after Connect"; fi
[ "$(grep -c "Done school load\\." "$run_log" || true)" -gt "$loads" ] &&
  grep -qF 'The Import Folder cannot be used: Q:\Import\School202\' "$run_log" &&
  pass "Connect with an invalid stored folder leads to the extract view, naming the folder" ||
  fail "Connect with an invalid stored folder did not reach the extract view"
shot extract-view-invalid-folder
focus_main
click 300 325
xdotool key End shift+Home
xdotool type --delay 20 "$(winpath "$night/")"
# A command-line run of the large school into the same folder holds its lock; Extract waits.
"$wine" "$exe" -dMeridaneBig -uadmin -wsecret "-n$picked" "-p$(winpath "$night/")" >"$out/night-cli.out" 2>&1 &
cli_pid=$!
for _ in $(seq 1 600); do [ -f "$night/QvMeridaneRun.lock" ] && break; sleep 0.1; done
focus_main
click "${extract_button[@]}"
if wait_log "Waiting for another run, started [0-9-]+ [0-9:]+ \\(process [0-9]+\\), to finish in the import folder " 60; then
  pass "Extract says that it waits for another run and since when"
else
  fail "Extract did not say that it waits for another run"
fi
shot waiting-for-other-run
wait "$cli_pid" || fail "the command-line run that held the folder failed"
if wait_log "Finished DoExecute|Error: Another run" 300 && grep -q "Finished DoExecute" "$run_log"; then
  pass "the waiting extraction ran once the folder was free"
else
  fail "the waiting extraction did not complete"
fi
shot extraction-done-after-wait
# Leaving during a run (the large school, so that the run is still going): the run stops and
# the program ends without a message box, which would hold it open.
focus_main
click "${extract_button[@]}"   # "Close"
sleep 1
focus_main
click 400 60                   # the school's DSN
xdotool key End shift+Home
xdotool type --delay 20 "MeridaneBig"
rm -f "$night/QvMeridaneExtractLog.txt"
click "${extract_button[@]}"
for _ in $(seq 1 600); do
  grep -q "^Inactive: " "$night/QvMeridaneExtractLog.txt" 2>/dev/null && break
  sleep 0.1
done
shot leaving-during-run
focus_main
xdotool key alt+f
sleep 0.3
xdotool key x
for _ in $(seq 1 600); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$app_pid" 2>/dev/null; then
  screen_shot did-not-leave
  fail "leaving during a run did not end the program"
  kill "$app_pid" 2>/dev/null || true
fi
status=0
wait "$app_pid" || status=$?
app_pid=""
[ "$status" = 0 ] && grep -q "Error: Extraction was cancelled\\." "$run_log" &&
  pass "leaving during a run stops it and ends without a message box" ||
  fail "leaving during a run: exit code $status"
unset QV_LOCK_WAIT_SECONDS
cp "$run_log" "$out/night-session.log"
# The checks below start from their own configuration again.
"$wine" reg delete 'HKCU\Software\Velkstrom Software' /f >/dev/null 2>&1 || true
"$wine" reg delete 'HKLM\Software\Velkstrom Software' /f >/dev/null 2>&1 || true
rm -rf "$bridge_data"
mkdir -p "$bridge_data"
cp "$out/two-schools.xml" "$bridge_data/QvConfig.xml"
[ -z "${QV_WINDOW_TEST_NIGHT_ONLY:-}" ] || { echo "window-test: $failures failure(s) in the first night"; exit $((failures > 0)); }

# 1. First start without preferences: the connect view.
start_app
wait_log "Validation Failed\\." 20 && ! grep -q "Updating school list" "$run_log" &&
  pass "the first start shows the connect view" || fail "the first start did not show the connect view"
shot 01-connect-view

# 2. The demo data source and Connect: the extract view with the demo schools.
focus_main
xdotool type --delay 40 "MeridaneDemo"
xdotool key Tab
xdotool type --delay 40 "admin"
xdotool key Tab
xdotool type --delay 40 "secret"
shot 02-connect-view-filled
xdotool key Return
if wait_log "Updating school list\\." 30 && wait_log "Done school load\\." 30; then
  pass "Connect shows the extract view"
else
  fail "Connect did not show the extract view"
fi
shot 03-extract-view

# The dialogs of the Help menu and of "Add School...", each closed again.
focus_main
xdotool key alt+h
sleep 0.3
xdotool key a
if about=$(other_window "About $title"); then shot 04-about-dialog "$about"; dismiss "$about" Return; else fail "no About dialog"; fi
focus_main
xdotool key alt+h
sleep 0.3
xdotool key c
if contact=$(other_window "Contact Us"); then
  shot 05-contact-dialog "$contact"
  # A double click in Contact Us asks about debug logging; Cancel keeps normal logging.
  xdotool mousemove --window "$contact" 200 100 click --repeat 2 --delay 80 1
  if box=$(other_window "$title"); then shot 06-contact-debug-question "$box"; dismiss "$box" Escape; else fail "no debug-logging question"; fi
  dismiss "$contact" Escape
else
  fail "no Contact Us dialog"
fi
focus_main
click 45 470
if add=$(other_window "Add School"); then
  xdotool key Return   # no school number: the dialog names the field
  if box=$(other_window "$title"); then shot 07-add-school-needs-number "$box"; dismiss "$box" Return; fi
  xdotool mousemove --window "$add" 150 45 click 1
  shot 08-add-school-dialog "$add"
  dismiss "$add" Escape
else
  fail "no Add School dialog"
fi
only_main || fail "a dialog stayed open"
focus_main
click 587 325   # "Browse..."
if browser=$(other_window "QDE Folder"); then shot 09-folder-browser "$browser"; dismiss "$browser" Escape; else fail "no folder browser"; fi
only_main || fail "the folder browser stayed open"

# 3. Extract School Now... on the first school, to "Extraction completed.".
focus_main
click 50 35   # the first school of the list
sleep 0.5
click "${extract_button[@]}"
if wait_log "Finished DoExecute|Error: " 300 && grep -q "Finished DoExecute" "$run_log"; then
  pass "the window run completed"
else
  fail "the window run did not complete"
fi
shot 10-progress-view-completed
cp "$run_log" "$out/window-run.log"

# 4. Cancel during a run of the large school.
click "${extract_button[@]}"   # "Cancel" after the end: back to the extract view
wait_log "Updating school list" 10 || true
sleep 0.5
click "${second_school_row[@]}"
sleep 1
shot 11-extract-view-large-school
# Previous table files: the small school's package stands in for an earlier run.
cp "$out/import/"*.qef "$out/import-big/" 2>/dev/null || true
(cd "$out/import-big" && md5sum ./*.qef >"$out/big-before.md5")
click "${extract_button[@]}"
for _ in $(seq 1 600); do
  grep -q "^Inactive: " "$out/import-big/QvMeridaneExtractLog.txt" 2>/dev/null && break
  sleep 0.1
done
import -window "$main" "$shots/12-progress-view-running.png"
# Cancel while a long table is being written: a table file grows beside its target as
# <name>.<process id>.partial until it is complete.
writing=""
for _ in $(seq 1 3000); do   # 20 ms steps, up to a minute
  writing="$(find "$out/import-big" -maxdepth 1 -name '*.qef.*partial' -size +300k -printf '%f\n' 2>/dev/null | head -1)"
  [ -n "$writing" ] && break
  sleep 0.02
done
[ -n "$writing" ] || fail "no long table file was seen being written before the Cancel click"
start_ns=$(date +%s%N)
click "${extract_button[@]}"
cancelled=0
for _ in $(seq 1 6000); do   # 20 ms steps, up to two minutes
  grep -q "Error: Extraction was cancelled\\." "$run_log" 2>/dev/null && { cancelled=1; break; }
  sleep 0.02
done
if [ "$cancelled" = 1 ]; then
  end_ns=$(date +%s%N)
  echo "window-test: Cancel click to the end of the run: $(( (end_ns - start_ns) / 1000000 )) ms" \
    "($big_students students, clicked while writing ${writing:-an unknown table})"
  pass "Cancel ended the run"
else
  fail "Cancel did not end the run"
fi
if box=$(other_window "$title"); then shot 13-cancelled-message "$box"; dismiss "$box" Return; fi
shot 14-progress-view-cancelled
grep -q "Extraction was cancelled\\." "$out/import-big/QvMeridaneRunLog.txt" 2>/dev/null &&
  pass "the run log's copy is in the import folder" || fail "no run log copy in the large school's import folder"
# Checked at the end against a complete run of the same school: every table file is now
# either the earlier one, untouched, or a complete new one; no scratch file is left.
cp -r "$out/import-big" "$out/import-big-after-cancel"

# 4b. "Schedule Extractor...": the login dialog offers the logon account and refuses a
# confirmation that differs; a matching one writes the batch file beside the site
# configuration (never beside the program) with one block per school and registers the task,
# read back from the prefix's scheduler. Cancel changes nothing; scheduling again keeps one
# task; a school whose import folder no run could make is refused by name and nothing is
# registered. No task is left in the prefix.
task_name="Velkstrom QvMeridane District Extract"
probe="$build/tools/taskprobe/qv_taskprobe.exe"
batch="$bridge_data/DistrictScheduling.bat"
data_folder_win="C:\\users\\$(id -un)\\AppData\\Roaming\\Quorvane\\QvMeridane\\"
schedule_button=(432 470)
read_task() { { "$wine" "$probe" "$task_name" 2>&1 || true; } | tr -d '\r'; }
"$wine" "$exe" --unschedule >/dev/null 2>&1 || true
rm -f "$batch" "$(dirname "$exe")/DistrictScheduling.bat"
# A fresh extract view whatever the previous step left: the connect view, then Connect.
loads=$(grep -c "Done school load\\." "$run_log" || true)
focus_main
xdotool key alt+f
sleep 0.3
xdotool key e
sleep 1
xdotool key Return
for _ in $(seq 1 150); do
  [ "$(grep -c "Done school load\\." "$run_log" || true)" -gt "$loads" ] && break
  sleep 0.2
done
sleep 0.5
focus_main
click "${schedule_button[@]}"
if login=$(other_window "Windows Account"); then
  shot 15-login-dialog "$login"
  xdotool key Tab
  xdotool type --delay 40 "night1"
  xdotool key Tab
  xdotool type --delay 40 "night2"
  xdotool key Return
  if box=$(other_window "$title"); then
    shot 16-login-password-mismatch "$box"
    dismiss "$box" Return
    xdotool search --onlyvisible --name "^Windows Account\$" 2>/dev/null | grep -qx "$login" &&
      [ ! -f "$batch" ] && pass "a confirmation that differs is refused" ||
      fail "the login dialog did not stay open after a confirmation that differs"
  else
    fail "no refusal of a confirmation that differs"
  fi
  xdotool windowfocus --sync "$login" 2>/dev/null || true
  xdotool type --delay 40 "night1"   # the confirmation was emptied and has the focus
  xdotool key Return
  if box=$(other_window "$title"); then shot 17-scheduled-message "$box"; dismiss "$box" Return; else fail "no message after scheduling"; fi
else
  fail "no login dialog"
fi
only_main || fail "a dialog of the scheduling stayed open"
grep -q "Schedule: Scheduled $task_name" "$run_log" && pass "the window scheduled the district task" ||
  fail "the scheduling was not logged"
# One block per school, in the order of the school list, each with its import folder; CRLF.
if [ -f "$batch" ]; then
  blocks=$(grep -c "^REM Extract Data for: " "$batch" || true)
  lines_ok=1
  for folder in "$out/import/" "$out/import-big/"; do
    [ "$(grep -cF -- "-p\"$(winpath "$folder")\" " "$batch" || true)" = 1 ] || lines_ok=0
  done
  grep -q '^"[^"]*QvMeridane.exe" -d"[^"]*" -u"[^"]*" -z"[^"]*" -p' "$batch" || lines_ok=0
  [ "$(grep -vc $'\r$' "$batch" || true)" = 0 ] || lines_ok=0
  [ "$blocks" = 2 ] && [ "$lines_ok" = 1 ] && pass "DistrictScheduling.bat has one command line per school" ||
    fail "DistrictScheduling.bat: $blocks blocks, lines as expected: $lines_ok"
else
  fail "no DistrictScheduling.bat beside the site configuration"
fi
[ ! -e "$(dirname "$exe")/DistrictScheduling.bat" ] || fail "a DistrictScheduling.bat beside the program"
# Kept, byte for byte, for the night after the window (step 7): the small school's line.
{ grep -F -- "-p\"$(winpath "$out/import/")\" " "$batch" 2>/dev/null || true; } >"$out/night-line.bat"
task="$(read_task)"
echo "$task" | sed 's/^/  task: /'
if grep -qixF "application=${data_folder_win}DistrictScheduling.bat" <<<"$task" &&
  grep -qixF "workingDirectory=$data_folder_win" <<<"$task" && grep -qx "parameters=" <<<"$task" &&
  grep -qx "days=62" <<<"$task" && grep -qx "time=01:00" <<<"$task" &&
  grep -qx "everyWeeks=1" <<<"$task" && grep -qx "triggers=1" <<<"$task"; then
  pass "the task runs the batch file Monday to Friday at 1:00 AM"
else
  fail "the registered task is not as scheduled"
fi

# Cancel in the login dialog: the batch file and the task stay as they were.
batch_sum="$(md5sum <"$batch" 2>/dev/null || true)"
focus_main
click "${schedule_button[@]}"
if login=$(other_window "Windows Account"); then dismiss "$login" Escape; else fail "no login dialog the second time"; fi
only_main || fail "the login dialog stayed open after Cancel"
[ "$(md5sum <"$batch" 2>/dev/null || true)" = "$batch_sum" ] && [ "$(read_task)" = "$task" ] &&
  pass "Cancel in the login dialog changed nothing" || fail "Cancel in the login dialog changed the schedule"

# Again under another account: still one task with one trigger.
focus_main
click "${schedule_button[@]}"
if login=$(other_window "Windows Account"); then
  xdotool type --delay 40 'QvSchedOther'   # the offered name is selected: typing replaces it
  xdotool key Tab
  xdotool type --delay 40 "other"
  xdotool key Tab
  xdotool type --delay 40 "other"
  xdotool key Return
  if box=$(other_window "$title"); then dismiss "$box" Return; else fail "no message after scheduling again"; fi
else
  fail "no login dialog the third time"
fi
only_main || fail "a dialog stayed open after scheduling again"
again="$(read_task)"
if grep -qx "triggers=1" <<<"$again" && grep -qx "days=62" <<<"$again" &&
  { grep -qx "account=(not reported)" <<<"$again" || grep -qx "account=QvSchedOther" <<<"$again"; }; then
  pass "scheduling again keeps one task"
else
  fail "scheduling again did not keep one task: $again"
fi
"$wine" "$exe" --unschedule >/dev/null 2>&1 || fail "--unschedule failed"
[ "$(read_task)" = missing ] && pass "no task left after --unschedule" || fail "a task was left after --unschedule"

# A school whose import folder no run could make (a file in its place): refused by name before
# the account is asked for. A folder that is merely missing is made by the run, and accepted.
focus_main
click 50 35   # the first school, so that the current school's own folder is still there
sleep 1
mv "$out/import-big" "$out/import-big-away"
touch "$out/import-big"
rm -f "$batch"
focus_main
click "${schedule_button[@]}"
if box=$(other_window "$title"); then shot 18-schedule-refused "$box"; dismiss "$box" Return; else fail "no refusal of a missing import folder"; fi
rm -f "$out/import-big"
mv "$out/import-big-away" "$out/import-big"
xdotool search --onlyvisible --name "^Windows Account\$" >/dev/null 2>&1 && fail "the login dialog appeared for a refused schedule"
only_main || fail "a dialog stayed open after the refusal"
grep -qF "(School Number 101) does not exist: $(winpath "$out/import-big/")" "$run_log" &&
  [ "$(read_task)" = missing ] && [ ! -f "$batch" ] &&
  pass "a missing import folder is refused by school and nothing is registered" ||
  fail "the refusal of a missing import folder"
# The connect view, where the next step's click on the run button's place finds nothing.
focus_main
xdotool key alt+f
sleep 0.3
xdotool key e
sleep 1

# 5. A second start brings the first window to the front and ends at once.
second_start=$(date +%s)
if timeout 60 "$wine" "$exe" >/dev/null 2>&1; then
  pass "a second start ended ($(( $(date +%s) - second_start )) s) with exit code 0"
else
  fail "a second start did not end cleanly"
fi
[ "$(xdotool search --onlyvisible --name "^$title\$" | wc -l)" = 1 ] &&
  pass "one main window" || fail "more than one main window"

# Leave through the menu: File, Exit.
click "${extract_button[@]}"
sleep 0.5
focus_main
xdotool key alt+f
sleep 0.3
xdotool key x
# A program that does not end within a minute (a message box left open) fails the check
# instead of holding the test until CTest's timeout.
for _ in $(seq 1 600); do
  kill -0 "$app_pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$app_pid" 2>/dev/null; then
  import -window root "$shots/99-did-not-exit.png" 2>/dev/null || true
  kill "$app_pid" 2>/dev/null || true
fi
status=0
wait "$app_pid" || status=$?
app_pid=""
[ "$status" = 0 ] && pass "File > Exit ended with exit code 0" || fail "exit code $status after File > Exit"

cp "$run_log" "$out/window-session.log"

# 6. The same school from the command line, at the same fixed time: the same package bytes.
"$wine" "$exe" -dMeridaneDemo -uadmin -wsecret -n101 "-p$(winpath "$out/import-cli/")" >"$out/cli.out" 2>&1 ||
  fail "the command-line run failed"
same=1
count=0
for file in "$out/import/"*.qef "$out/import/"*.QDE "$out/import/"*.QDU; do
  [ -f "$file" ] || continue
  count=$((count + 1))
  cmp -s "$file" "$out/import-cli/$(basename "$file")" || { same=0; echo "  differs: $(basename "$file")"; }
done
[ "$(cd "$out/import" && ls *.qef *.QDE *.QDU 2>/dev/null | sort)" = \
  "$(cd "$out/import-cli" && ls *.qef *.QDE *.QDU 2>/dev/null | sort)" ] || same=0
[ "$same" = 1 ] && [ "$count" -ge 20 ] &&
  pass "the window and the command line wrote the same $count package files" ||
  fail "the window's package differs from the command line's ($count files)"

# The large school, complete, from the command line: what a table file finished before the
# cancel must equal.
rm -rf "$out/import-big-ref" && mkdir -p "$out/import-big-ref"
"$wine" "$exe" -dMeridaneBig -uadmin -wsecret -n101 "-p$(winpath "$out/import-big-ref/")" >"$out/cli-big.out" 2>&1 ||
  fail "the command-line run of the large school failed"
whole=1
while read -r sum file; do
  file="${file#./}"
  after="$out/import-big-after-cancel/$file"
  if [ ! -f "$after" ]; then whole=0; echo "  missing: $file"; continue; fi
  [ "$(md5sum <"$after" | cut -d' ' -f1)" = "$sum" ] && continue
  cmp -s "$after" "$out/import-big-ref/$file" || { whole=0; echo "  neither old nor complete: $file"; }
done <"$out/big-before.md5"
if ls "$out/import-big-after-cancel" | grep -vE '\.(qef|QDE|QDU|txt|xml)$' | grep -vx Attendance | grep -q .; then
  whole=0
  echo "  left behind: $(ls "$out/import-big-after-cancel" | grep -vE '\.(qef|QDE|QDU|txt|xml)$' | grep -vx Attendance | tr '\n' ' ')"
fi
[ "$whole" = 1 ] && pass "after the cancel every table file is the earlier one or a complete new one" ||
  fail "a table file was left incomplete by the cancel"

# 7. The night after the window: the small school's scheduled line, run by cmd.exe as the task
# runs it, takes the configuration the window stored (its school year among it), so the run
# sees no changed configuration and keeps the folder's update files.
if [ -s "$out/night-line.bat" ]; then
  stored_year="$(grep -o 'SISSchoolYear="[^"]*"' "$bridge_data/QvConfig.xml" | head -1)"
  updates_before="$(find "$out/import" -maxdepth 1 -name '*.QDU' | wc -l)"
  night_status=0
  (cd "$out" && timeout 300 "$wine" cmd /c "$(winpath "$out/night-line.bat")" >"$out/night-line.out" 2>&1) ||
    night_status=$?
  updates_after="$(find "$out/import" -maxdepth 1 -name '*.QDU' | wc -l)"
  if [ "$night_status" = 0 ] && [ "$updates_before" -ge 1 ] && [ "$updates_after" -ge "$updates_before" ] &&
    grep -q "Bridge Configuration Did Not Change\\." "$out/import/QvMeridaneRunLog.txt"; then
    pass "the scheduled line after a window extraction runs without cleaning the folder ($stored_year)"
  else
    fail "the scheduled line after a window extraction: exit $night_status, update files $updates_before -> $updates_after ($stored_year; see $out/night-line.out)"
  fi
else
  fail "no scheduled line of the small school was kept"
fi

echo "window-test: screenshots in $shots"
[ "$failures" = 0 ] || { echo "window-test: $failures check(s) failed" >&2; exit 1; }
echo "window-test: all checks passed"
