#!/usr/bin/env bash
# Tests the installers that scripts/package.sh makes, as a district would use them.
#
#   scripts/package-test.sh [--native|--windows]
#
# Windows installer, in a throwaway Wine prefix: installs an older build of the MSI, runs the
# installed program's extraction of the demo SIS, upgrades to this version, runs it again,
# uninstalls; checks the program files, the shortcut and the uninstall entry at each step, and
# that the preferences, the site configuration, the import folder and its change store come
# through the upgrade and the uninstall unchanged; with an X display (its own Xvfb when none is
# set), Help > User Guide of the installed program finds MeridaneGuide.pdf in the program
# folder.
# Debian package, in a throwaway root (dpkg --root): lintian, the control fields, the files;
# runs the installed program's extraction (it finds its default data files in
# /usr/share/qvmeridane of that root), renders the manual page with man, checks the user guide
# in /usr/share/doc/qvmeridane and that --help names it, purges the package.
# Everything the tests write stays under build/package-test. Exits non-zero on any failure.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

test_deb=1
test_msi=1
for arg in "$@"; do
  case "$arg" in
    --native) test_msi=0 ;;
    --windows) test_deb=0 ;;
    -h|--help) sed -n '2,17p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "package-test: unknown option: $arg" >&2; exit 2 ;;
  esac
done

work="$root/build/package-test"
failures=0
fail() { echo "package-test: FAIL: $*" >&2; failures=$((failures + 1)); }
pass() { echo "package-test: ok: $*"; }
check() {  # check "what" command...
  local what="$1"; shift
  if "$@"; then pass "$what"; else fail "$what"; fi
}
# logged LOG command...: runs the command with its output in the log file.
logged() { local log="$1"; shift; "$@" >>"$log" 2>&1; }
# A listing of every file under the folders given, with its checksum: what must stay unchanged.
snapshot() { (cd "$1" && find . -type f -print0 | sort -z | xargs -0 -r sha256sum); }

# The demo SIS and its data source, shared by both sides. The fixed date puts the run inside
# the school year that the demo SIS starts on.
export QV_FIXED_NOW="2026-10-15 21:30:00"
export ODBCINI="$work/odbc.ini"
prepare_sis() {
  rm -rf "$work"
  mkdir -p "$work"
  touch "$ODBCINI"
  scripts/demo-sis.sh --out "$work/meridane-demo.db" --dsn MeridaneDemo --seed 7 --students 60 \
    --year-start 2026-08-20 --build-dir build/native >/dev/null
}

# site_config FILE IMPORT_FOLDER: one school, 101, extracting into the import folder.
site_config() {
  mkdir -p "$(dirname "$1")"
  local folder
  folder="$(printf '%s' "$2" | sed -e 's/&/\&amp;/g' -e 's/"/\&quot;/g' -e 's/</\&lt;/g')"
  cat > "$1" <<XML
<?xml version="1.0" encoding="UTF-8"?>
<QvSchoolConfFile>
	<QvSchoolConf Import="1" SISName="Meridane_DE" SISImportFolder="$folder" SchoolNumber="101" SISSchoolName="Demo School 101" SISSchoolDistrict="" SISDSN="MeridaneDemo" />
</QvSchoolConfFile>
XML
}

# check_package IMPORT_FOLDER BRIDGE_DATA_FOLDER: the import package of a good run, and the
# default data files copied from the installed program's AutoUp folder.
check_package() {
  local count
  count="$(find "$1" -maxdepth 1 \( -name '*.qef' -o -name '*.QDE' -o -name '*.QDU' \) | wc -l)"
  check "the import package holds $count files (at least 23)" test "$count" -ge 23
  check "the school configuration names version $version" \
    grep -q "LastBridgeVersionValue=\"$version\"" "$1/SchoolConfig.xml"
  check "the attendance change store exists" test -s "$1/Attendance/Attendance.db"
  check "the default SIS list came from the installed data files" \
    cmp -s app/AutoUp/QvSIS.xml "$2/QvSIS.xml"
  check "the default vendor list came from the installed data files" \
    cmp -s app/AutoUp/QvVendor.xml "$2/QvVendor.xml"
}

# check_guide FILE: the user guide as the build made it, a PDF with its chapters.
check_guide() {
  check "the user guide is the one the build made" \
    cmp -s "$1" "build/$2/packaging/MeridaneGuide.pdf"
  local text
  text="$(pdftotext -q "$1" - 2>/dev/null | tr -d '\f')" || true
  check "the user guide reads as a PDF with its contents and the messages chapter" \
    eval 'grep -q "^Contents" <<<"$text" && grep -q "^Messages and what to do" <<<"$text"'
}

test_debian_package() {
  echo "== Debian package in a throwaway root"
  scripts/package.sh --native >/dev/null
  version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/native/CMakeCache.txt)"
  local deb="build/packages/qvmeridane_${version}_$(dpkg --print-architecture).deb"
  prepare_sis

  check "lintian finds no error or warning" \
    logged "$work/lintian.log" lintian --fail-on error,warning "$deb"
  check "the package is qvmeridane $version" \
    test "$(dpkg-deb -f "$deb" Package) $(dpkg-deb -f "$deb" Version)" = "qvmeridane $version"
  local depends
  depends="$(dpkg-deb -f "$deb" Depends)"
  check "it depends on unixODBC and its driver manager ($depends)" \
    grep -Eq '(^|, )unixodbc(,|$).*libodbc2 ' <<<"$depends"
  check "it depends on the libraries the program links" \
    grep -q 'libcurl4.*libpugixml1v5.*libstdc++6' <<<"$depends"

  # The throwaway root has no packages registered: the dependencies are checked above and met
  # by this machine, whose libraries the installed program uses.
  local r="$work/root"
  mkdir -p "$r/var/lib/dpkg/info" "$r/var/lib/dpkg/updates"
  touch "$r/var/lib/dpkg/status"
  local dpkg=(dpkg "--root=$r" "--log=$work/dpkg.log" --force-depends)
  [ "$(id -u)" = 0 ] || dpkg+=(--force-not-root)
  check "dpkg installs the package" logged "$work/dpkg.out" "${dpkg[@]}" -i "$deb"
  listed() { dpkg "--root=$r" -L qvmeridane | grep -qx "$1"; }
  local file
  for file in /usr/bin/QvMeridane /usr/share/qvmeridane/AutoUp/QvSIS.xml \
              /usr/share/qvmeridane/AutoUp/QvVendor.xml /usr/share/man/man1/QvMeridane.1.gz \
              /usr/share/doc/qvmeridane/MeridaneGuide.pdf; do
    check "dpkg lists $file and it is there" eval 'listed "$file" && test -f "$r$file"'
  done
  check "nothing is installed beside the program in /usr/bin" \
    test "$(ls "$r/usr/bin")" = QvMeridane
  check_guide "$r/usr/share/doc/qvmeridane/MeridaneGuide.pdf" native
  check "--help names where the user guide is" \
    eval '"$r/usr/bin/QvMeridane" --help | tr "\n" " " |
          grep -q "MeridaneGuide.pdf, is in /usr/share/doc/qvmeridane/"'

  # The installed program with its own preferences, application data and import folder.
  export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
  export QV_MACHINE_HIVE_DIR="$work/machine"
  local bridge="$XDG_DATA_HOME/Quorvane/QvMeridane" import="$work/import"
  mkdir -p "$XDG_CONFIG_HOME" "$QV_MACHINE_HIVE_DIR" "$import"
  site_config "$bridge/QvConfig.xml" "$import/"
  check "the installed program extracts the demo SIS" \
    logged "$work/run.log" "$r/usr/bin/QvMeridane" -dMeridaneDemo -n101 "-p$import/"
  check_package "$import" "$bridge"
  check "the run log shows the data files found in /usr/share/qvmeridane" \
    grep -q "/usr/bin/../share/qvmeridane/AutoUp/QvSIS.xml" "$bridge/QvMeridaneRunLog.txt"

  local page
  page="$(MANPATH="$r/usr/share/man" MANWIDTH=100 man --warnings -P cat QvMeridane \
          2>"$work/man.err")" || true
  check "man renders the page" grep -q "extract a Meridane SIS into an import package" <<<"$page"
  check "the page lists the options" grep -q -- "-d<dsn>" <<<"$page"
  check "the page names the installed data files" \
    grep -q "/usr/share/qvmeridane/AutoUp/" <<<"$page"
  check "the page names the user guide" \
    grep -q "/usr/share/doc/qvmeridane/MeridaneGuide.pdf" <<<"$page"
  check "man gives no warnings" test ! -s "$work/man.err"

  user_data() { local f; for f in config data machine import; do snapshot "$work/$f"; done; }
  check "the run stored the preferences" test -s "$work/config/QvRegistry/user.reg"
  local before
  before="$(user_data)"
  check "dpkg purges the package" logged "$work/dpkg.out" "${dpkg[@]}" --purge qvmeridane
  check "the program, its data files and the user guide are gone" \
    test ! -e "$r/usr/bin/QvMeridane" -a ! -e "$r/usr/share/qvmeridane" \
    -a ! -e "$r/usr/share/doc/qvmeridane/MeridaneGuide.pdf"
  check "the preferences, site configuration and import folder are unchanged" \
    test "$before" = "$(user_data)"
  unset XDG_CONFIG_HOME XDG_DATA_HOME QV_MACHINE_HIVE_DIR
}

test_windows_installer() {
  echo "== Windows installer in a throwaway Wine prefix"
  scripts/package.sh --windows >/dev/null
  version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/windows/CMakeCache.txt)"
  local msi="$root/build/packages/QvMeridane-${version}-x64.msi"
  prepare_sis
  # An older release of the same product to upgrade from, one that differs only in the fourth
  # field of the version when it can: Windows Installer alone would not see it as older.
  local tweak="${version##*.}" older_version=0.9.0.0
  [ "$tweak" -gt 0 ] && older_version="${version%.*}.$((tweak - 1))"
  local older="$work/QvMeridane-$older_version-x64.msi"
  (cd build/windows/packaging &&
   wixl -a x64 -D "ProductVersion=$older_version" -o "$older" QvMeridane.wxs)

  export WINEPREFIX="$work/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  local wine=/usr/lib/wine/wine64
  "$wine" wineboot -i >/dev/null 2>&1
  local drive_c="$WINEPREFIX/drive_c"
  local program_dir="$drive_c/Program Files/Velkstrom Software/Quorvane Connect/QvMeridane"
  local program='C:\Program Files\Velkstrom Software\Quorvane Connect\QvMeridane\QvMeridane.exe'
  local roaming="$drive_c/users/$(id -un)/AppData/Roaming"
  local bridge="$roaming/Quorvane/QvMeridane"
  local shortcut="Microsoft/Windows/Start Menu/Programs/Velkstrom Data Extractor for Meridane.lnk"
  local prefs='HKCU\Software\Velkstrom Software\Quorvane Connect\QvMeridane'
  local import="$work/import"
  local win_import="Z:$(printf '%s' "$import/" | tr '/' '\\')"
  mkdir -p "$import"
  site_config "$bridge/QvConfig.xml" "$win_import"

  # The uninstall entries of the product, "<version>" each.
  arp_versions() {
    "$wine" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s 2>/dev/null |
      tr -d '\r' | awk '/^HKEY/ { name = 0; v = "" }
        /DisplayName +REG_SZ +Velkstrom Data Extractor for Meridane$/ { name = 1 }
        /DisplayVersion/ { v = $3 } name && v { print v; name = 0; v = "" }' | sort | tr '\n' ' '
  }
  # Wine puts a per-machine shortcut in the user's Start menu; Windows in the common one.
  shortcut_exists() { [ -f "$roaming/$shortcut" ] || [ -f "$drive_c/ProgramData/$shortcut" ]; }
  shortcut_gone() { ! shortcut_exists; }
  stored_dsn() { "$wine" reg query "$prefs" /v DSN 2>/dev/null | grep -q MeridaneDemo; }
  # The users' data: preferences (both hives), site configuration and run log, import folder.
  user_data() {
    local hive
    for hive in "$prefs" "${prefs/HKCU/HKLM}"; do
      "$wine" reg export "$hive" "$work/prefs.reg" /y >/dev/null 2>&1 &&
        iconv -f UTF-16 -t UTF-8 "$work/prefs.reg"
    done
    snapshot "$bridge"
    snapshot "$import"
  }

  check "msiexec installs the older release silently" "$wine" msiexec /i "$older" /qn
  check "its uninstall entry says $older_version" test "$(arp_versions)" = "$older_version "
  # The data source comes from the preferences, as the window would have stored it.
  "$wine" reg add "$prefs" /v DSN /t REG_SZ /d MeridaneDemo /f >/dev/null 2>&1
  check "the installed program extracts the demo SIS" \
    logged "$work/run.log" "$wine" "$program" -n101 "-p$win_import"
  local before
  before="$(user_data)"

  check "msiexec upgrades to $version silently" "$wine" msiexec /i "$msi" /qn
  check "one uninstall entry remains, for $version" test "$(arp_versions)" = "$version "
  check "the upgrade leaves the users' data alone" test "$before" = "$(user_data)"
  check "the program and its data files are installed" \
    test -f "$program_dir/QvMeridane.exe" -a -f "$program_dir/AutoUp/QvSIS.xml" \
    -a -f "$program_dir/AutoUp/QvVendor.xml"
  check "the Start-menu shortcut exists" shortcut_exists
  check "the user guide is in the program folder" test -f "$program_dir/MeridaneGuide.pdf"
  check_guide "$program_dir/MeridaneGuide.pdf" windows
  check_help_user_guide
  rm -f "$bridge/QvSIS.xml" "$bridge/QvVendor.xml"
  check "the upgraded program extracts the demo SIS" \
    logged "$work/run.log" "$wine" "$program" -dMeridaneDemo -n101 "-p$win_import"
  check_package "$import" "$bridge"

  before="$(user_data)"
  check "msiexec uninstalls silently" "$wine" msiexec /x "$msi" /qn
  check "the program folder, the user guide with it, is gone" test ! -e "$program_dir"
  check "the Start-menu shortcut is gone" shortcut_gone
  check "the uninstall entry is gone" test -z "$(arp_versions)"
  check "the preferences, site configuration and import folder are unchanged" \
    test "$before" = "$(user_data)"
  check "the preferences still hold the data source" stored_dsn
  /usr/lib/wine/wineserver -k 2>/dev/null || true
  unset WINEPREFIX
}

# Help > User Guide in the installed program's window: the run log names the guide it opens,
# the one in the program folder, and no "User guide not found". Wine has no PDF reader, so the
# program then says that no program opens the file; that box is closed with the program.
# Needs xdotool and a display: DISPLAY, or an Xvfb of its own.
check_help_user_guide() {
  if ! command -v xdotool >/dev/null; then
    echo "package-test: skipped Help > User Guide (needs xdotool)"
    return
  fi
  local xvfb_pid=""
  if [ -z "${DISPLAY:-}" ]; then
    command -v Xvfb >/dev/null || { echo "package-test: skipped Help > User Guide (no display)"; return; }
    local n
    for n in $(seq 120 140); do [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || break; done
    Xvfb ":$n" -screen 0 1024x768x24 >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY=":$n"
    sleep 1
  fi
  local run_log="$bridge/QvMeridaneRunLog.txt" title="Velkstrom Data Extractor for Meridane"
  (cd "$work" && exec "$wine" "$program" >"$work/window.out" 2>&1) &
  local app_pid=$! main="" waited
  main="$(timeout 60 xdotool search --sync --onlyvisible --name "^$title\$" | head -1)" || true
  if [ -n "$main" ]; then
    sleep 1
    xdotool windowfocus --sync "$main" 2>/dev/null || true
    xdotool key alt+h
    sleep 0.3
    xdotool key u
    for waited in $(seq 1 100); do
      grep -qE "Opening the user guide|User guide not found" "$run_log" 2>/dev/null && break
      sleep 0.2
    done
  fi
  cp "$run_log" "$work/window-run.log" 2>/dev/null || true
  check "Help > User Guide opens the guide in the program folder" \
    grep -qF "Opening the user guide: C:\Program Files\Velkstrom Software\Quorvane Connect\QvMeridane\MeridaneGuide.pdf" "$run_log"
  check "Help > User Guide does not say the guide is missing" \
    eval '! grep -q "User guide not found" "$run_log"'
  kill "$app_pid" 2>/dev/null || true
  /usr/lib/wine/wineserver -k 2>/dev/null || true
  wait "$app_pid" 2>/dev/null || true
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; unset DISPLAY; fi
}

if [ "$test_deb" = 1 ]; then test_debian_package; fi
if [ "$test_msi" = 1 ]; then test_windows_installer; fi
if [ "$failures" -gt 0 ]; then
  echo "package-test: $failures check(s) failed" >&2
  exit 1
fi
echo "package-test: all checks passed"
