#!/usr/bin/env bash
# Extracts the same demo SIS twice over, once from its SQLite file and once from a PostgreSQL
# server that holds the same content (typed columns, mixed-case quoted names), each a first and
# a second run at one fixed date and time, and checks that both backends write the same package:
# byte for byte, except the tables whose query has no ORDER BY, whose rows are compared sorted
# (a server is free to return such rows in any order).
#
#   scripts/pg-compare.sh [--build-dir DIR] [--windows]
#
# Uses the running server of scripts/pg-server.sh, or starts one and stops it again at the end.
# The programs must have been built (QvMeridane, qv_demosis, qv_sisdqs in DIR, default
# build/native). --windows runs the Windows build's program (build/windows) under Wine instead;
# it reaches both data sources through Wine's odbc32 and the same unixODBC files.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

build="$root/build/native"
windows=0
while [ $# -gt 0 ]; do
  case "$1" in
    --build-dir) build="$(cd "$2" && pwd)"; shift 2 ;;
    --windows) windows=1; shift ;;
    -h|--help) sed -n '2,13p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "pg-compare: unknown option: $1" >&2; exit 2 ;;
  esac
done
for f in app/QvMeridane tools/demosis/qv_demosis tools/demosis/libqv_sisdqs.so; do
  [ -e "$build/$f" ] || { echo "pg-compare: $build/$f is missing: build it first" >&2; exit 2; }
done
program=("$build/app/QvMeridane")
side=native
if [ "$windows" = 1 ]; then
  [ -e build/windows/app/QvMeridane.exe ] || { echo "pg-compare: build/windows/app/QvMeridane.exe is missing" >&2; exit 2; }
  program=(scripts/wine-run.sh build/windows/app/QvMeridane.exe)
  side=windows
fi

# Files whose rows come from a query without ORDER BY: every table but the calendar, and the
# attendance update file (the change store keeps its rows in the order the extract read them).
unordered() {
  case "$1" in
    Calendar.qef|*.QDE) return 1 ;;
    *.qef|"Update "*.QDU) return 0 ;;
  esac
  return 1
}

started=0
stop_server() { [ "$started" = 1 ] && scripts/pg-server.sh stop >/dev/null; true; }
trap stop_server EXIT
if ! scripts/pg-server.sh status; then
  scripts/pg-server.sh start >/dev/null
  started=1
fi
# shellcheck disable=SC1091
source build/pg/server.env

out="$root/build/pg-compare/$side"
rm -rf "$out"
mkdir -p "$out"
export QV_FIXED_NOW="2026-10-15 21:30:00"
"$build/tools/demosis/qv_demosis" --out "$out/sis.db" --students 60 --seed 7 --year-start 2026-08-20 \
  --postgres-script "$out/sis.sql" >"$out/demosis.log"
scripts/pg-server.sh psql -f "$out/sis.sql" >"$out/load.log"

export ODBCINI="$out/odbc.ini"
cat >"$ODBCINI" <<EOF
[MeridaneSqlite]
Driver=SQLite3
Database=$out/sis.db
StepAPI=1
LoadExt=$build/tools/demosis/libqv_sisdqs.so

[MeridanePg]
Driver=PostgreSQL Unicode
Servername=$QV_PG_HOST
Port=$QV_PG_PORT
Database=$QV_PG_DATABASE
Username=$QV_PG_USER
Password=$QV_PG_PASSWORD
UseDeclareFetch=1
Fetch=500
EOF

# One backend: its own settings, site configuration and import folder; two runs.
extract() {
  local backend="$1" dsn="$2"
  local home="$out/$backend"
  export XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data" QV_MACHINE_HIVE_DIR="$home/machine"
  mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$QV_MACHINE_HIVE_DIR" "$home/import"
  local import="$home/import/" import_arg="$home/import/" bridge="$XDG_DATA_HOME/Quorvane/QvMeridane"
  if [ "$windows" = 1 ]; then
    export QV_WINEPREFIX="$home/wineprefix"
    import_arg="Z:$(printf '%s' "$import" | tr '/' '\\')"
    source scripts/wine-site.sh
    wine_bridge_folder "$bridge/"
  fi
  mkdir -p "$bridge"
  cat >"$bridge/QvConfig.xml" <<XML
<?xml version="1.0" encoding="UTF-8"?>
<QvSchoolConfFile>
	<QvSchoolConf Import="1" SISName="Meridane_DE" SISImportFolder="$import_arg" SchoolNumber="101" SISSchoolName="Demo School 101" SISSchoolDistrict="" SISDSN="$dsn" />
</QvSchoolConfFile>
XML
  for run in 1 2; do
    if ! "${program[@]}" "-d$dsn" -n101 "-p$import_arg" >"$home/run$run.log" 2>&1; then
      echo "pg-compare: run $run from $backend failed:" >&2
      tail -n 15 "$home/run$run.log" "${import}QvMeridaneRunLog.txt" >&2 2>/dev/null || true
      return 1
    fi
    mkdir -p "$home/package$run"
    cp "$import"*.qef "$import"*.QDE "$import"*.QDU "$home/package$run/" 2>/dev/null || true
  done
}
extract sqlite MeridaneSqlite
extract postgres MeridanePg

status=0
for run in 1 2; do
  same=0
  sorted=()
  a="$out/sqlite/package$run"
  b="$out/postgres/package$run"
  if [ "$(cd "$a" && ls | sort)" != "$(cd "$b" && ls | sort)" ]; then
    echo "pg-compare: run $run wrote different sets of files" >&2
    status=1
  fi
  for path in "$a"/*; do
    file="$(basename "$path")"
    if cmp -s "$a/$file" "$b/$file"; then
      same=$((same + 1))
    elif unordered "$file" && cmp -s <(LC_ALL=C sort "$a/$file") <(LC_ALL=C sort "$b/$file"); then
      sorted+=("$file")
    else
      echo "pg-compare: run $run: $file differs between SQLite and PostgreSQL" >&2
      diff <(LC_ALL=C sort "$a/$file") <(LC_ALL=C sort "$b/$file") | head -n 6 >&2 || true
      status=1
    fi
  done
  total=$(find "$a" -maxdepth 1 -type f | wc -l)
  [ "$total" -ge 23 ] || { echo "pg-compare: run $run wrote only $total package files" >&2; status=1; }
  echo "pg-compare: run $run ($side): $same of $total files byte-identical, ${#sorted[@]} equal in another row order${sorted:+ (${sorted[*]})}"
done
[ "$status" = 0 ] && echo "pg-compare: PostgreSQL and SQLite wrote the same package ($side build)"
exit $status
