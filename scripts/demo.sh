#!/usr/bin/env bash
# The main job, end to end, on a fresh machine: installs what is missing, builds the native
# program, writes a demo SIS and its ODBC data source, writes a site configuration with one
# school, runs one command-line extraction into an import folder, and shows the package and
# where the logs are.
#
#   scripts/demo.sh [--import DIR] [--students N] [--seed N] [--year-start YYYY-MM-DD] [--windows]
#
# Everything the demo writes stays under build/demo (the data-source file, the preferences,
# the site configuration, the run log), so it touches none of the user's own settings. The
# import folder defaults to build/demo/import. --windows runs the same extraction with the
# Windows build under Wine (it reaches the same data source through Wine's odbc32).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

demo="$root/build/demo"
import="$demo/import"
students=300
seed=2026
windows=0
year_start=()
while [ $# -gt 0 ]; do
  case "$1" in
    --import) import="$2"; shift 2 ;;
    --students) students="$2"; shift 2 ;;
    --seed) seed="$2"; shift 2 ;;
    --year-start) year_start=(--year-start "$2"); shift 2 ;;
    --windows) windows=1; shift ;;
    -h|--help) sed -n '2,12p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "demo: unknown option: $1 (see --help)" >&2; exit 2 ;;
  esac
done
mkdir -p "$import"
import="$(cd "$import" && pwd)/"

scripts/setup-deps.sh
echo "== building the native program (build/native)"
cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/native -j"$(nproc)" --target QvMeridane qv_demosis qv_sisdqs

# A self-contained environment for the program: its own data-source file, registry hives and
# application-data folder.
export ODBCINI="$demo/odbc.ini"
export XDG_CONFIG_HOME="$demo/config"
export XDG_DATA_HOME="$demo/data"
export QV_MACHINE_HIVE_DIR="$demo/machine"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$QV_MACHINE_HIVE_DIR"
touch "$ODBCINI"

echo "== writing the demo SIS ($students students) and the data source MeridaneDemo"
scripts/demo-sis.sh --out "$demo/meridane-demo.db" --dsn MeridaneDemo --seed "$seed" \
  --students "$students" "${year_start[@]}" --build-dir build/native

# The site configuration: one school, 101, extracting into the import folder.
bridge_data="$XDG_DATA_HOME/Quorvane/QvMeridane"
mkdir -p "$bridge_data"
xml_import="$(printf '%s' "$import" | sed -e 's/&/\&amp;/g' -e 's/"/\&quot;/g' -e 's/</\&lt;/g')"
cat > "$bridge_data/QvConfig.xml" <<XML
<?xml version="1.0" encoding="UTF-8"?>
<QvSchoolConfFile>
	<QvSchoolConf Import="1" SISName="Meridane_DE" SISImportFolder="$xml_import" SchoolNumber="101" SISSchoolName="Demo School 101" SISSchoolDistrict="" SISDSN="MeridaneDemo" />
</QvSchoolConfFile>
XML

if [ "$windows" = 1 ]; then
  echo "== building the Windows program (build/windows)"
  cmake -S . -B build/windows -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-w64-x86_64.cmake >/dev/null
  cmake --build build/windows -j"$(nproc)" --target QvMeridane
  export QV_WINEPREFIX="$demo/wineprefix"
  program=(scripts/wine-run.sh build/windows/app/QvMeridane.exe)
  # The Windows program sees the Linux root as drive Z:, and keeps its own application data
  # inside the Wine prefix: point its bridge data folder at the same site configuration.
  win_import="Z:$(printf '%s' "$import" | tr '/' '\\')"
  sed -i "s|SISImportFolder=\"[^\"]*\"|SISImportFolder=\"${win_import//\\/\\\\}\"|" "$bridge_data/QvConfig.xml"
  # The preference points at the shared folder.
  source scripts/wine-site.sh
  wine_bridge_folder "$bridge_data/"
  run_log_hint="$QV_WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming/Quorvane/QvMeridane/QvMeridaneRunLog.txt"
  import_arg="$win_import"
else
  program=(build/native/app/QvMeridane)
  run_log_hint="$XDG_DATA_HOME/Quorvane/QvMeridane/QvMeridaneRunLog.txt"
  import_arg="$import"
fi

echo "== extracting school 101 into $import"
status=0
"${program[@]}" -dMeridaneDemo -n101 "-p$import_arg" || status=$?

echo
echo "== the import package in $import"
ls -l "$import"
echo
echo "run log:      $run_log_hint"
echo "              (a copy: ${import}QvMeridaneRunLog.txt)"
echo "extract log:  ${import}QvMeridaneExtractLog.txt"
if [ "$status" != 0 ]; then
  echo
  echo "demo: the extraction failed (exit code $status); the end of the run log:" >&2
  tail -n 15 "${import}QvMeridaneRunLog.txt" >&2 || true
fi
exit "$status"
