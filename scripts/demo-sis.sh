#!/usr/bin/env bash
# Writes the demo SIS database and registers it as a user ODBC data source, so that an
# extraction can run without a real SIS.
#
#   scripts/demo-sis.sh [--out FILE] [--dsn NAME] [--seed N] [--students N] [--schools N]
#                       [--year-start YYYY-MM-DD] [--tiny] [--without TABLE[.COLUMN]]...
#                       [--build-dir DIR] [--no-dsn]
#
# Builds qv_demosis and the SQLite extension libqv_sisdqs.so in the build folder when they are
# missing (default build/native), writes the database (default build/native/demo/
# meridane-demo.db) and writes the data source section (default "MeridaneDemo") into the user
# data-source file that unixODBC reads (~/.odbc.ini, or $ODBCINI): Driver=SQLite3, the absolute
# database path, StepAPI=1 (the driver then streams rows instead of holding whole results) and
# LoadExt= the extension (double-quoted names that match no column fail, as on a real SIS).
# A section of the same name is replaced; every other section is left as it was.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"

out=""
dsn="MeridaneDemo"
build_dir="$root/build/native"
register=1
gen_args=()

usage() { sed -n '2,16p' "$0" | sed 's/^# \{0,1\}//'; }
die() { echo "demo-sis: $*" >&2; exit 2; }
need_value() { [ $# -ge 2 ] || die "missing value after $1"; }

while [ $# -gt 0 ]; do
  case "$1" in
    --out) need_value "$@"; out="$2"; shift 2 ;;
    --dsn) need_value "$@"; dsn="$2"; shift 2 ;;
    --build-dir) need_value "$@"; build_dir="$2"; shift 2 ;;
    --seed|--students|--schools|--year-start|--without)
      need_value "$@"; gen_args+=("$1" "$2"); shift 2 ;;
    --tiny) gen_args+=("$1"); shift ;;
    --no-dsn) register=0; shift ;;
    -h|--help) usage; exit 0 ;;
    *) die "unknown option: $1 (see --help)" ;;
  esac
done

case "$dsn" in
  ""|*[][=\;]*|*$'\n'*) die "not a usable data source name: '$dsn'" ;;
esac

build_dir="$(mkdir -p "$build_dir" && cd "$build_dir" && pwd)"
[ -n "$out" ] || out="$build_dir/demo/meridane-demo.db"
mkdir -p "$(dirname "$out")"
out="$(cd "$(dirname "$out")" && pwd)/$(basename "$out")"

generator="$build_dir/tools/demosis/qv_demosis"
extension="$build_dir/tools/demosis/libqv_sisdqs.so"
if [ ! -x "$generator" ] || [ ! -f "$extension" ]; then
  echo "demo-sis: building qv_demosis and qv_sisdqs in $build_dir"
  if [ ! -f "$build_dir/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  fi
  cmake --build "$build_dir" -j2 --target qv_demosis qv_sisdqs
fi

echo "demo-sis: writing $out"
"$generator" --out "$out" "${gen_args[@]}"

if [ "$register" = 0 ]; then
  echo "demo-sis: no data source registered (--no-dsn)"
  exit 0
fi

# The file unixODBC reads user data sources from: $ODBCINI when set, else the home folder's.
ini="$(odbcinst -j 2>/dev/null | sed -n 's/^USER DATA SOURCES\.*: *//p')"
[ -n "$ini" ] || ini="${ODBCINI:-$HOME/.odbc.ini}"
mkdir -p "$(dirname "$ini")"
touch "$ini"

tmp="$(mktemp "$(dirname "$ini")/.odbc.ini.XXXXXX")"
trap 'rm -f "$tmp"' EXIT
chmod --reference="$ini" "$tmp"
# Copy every line outside the section of this name (section names compare without regard to
# case, as unixODBC looks them up), then append the new section.
awk -v name="$dsn" '
  /^[ \t]*\[/ {
    header = $0
    sub(/^[ \t]*\[/, "", header); sub(/\][ \t\r]*$/, "", header)
    skipping = (tolower(header) == tolower(name))
  }
  !skipping { print }
' "$ini" >"$tmp"
# A blank line between the kept sections and the new one.
if [ -s "$tmp" ] && [ -n "$(tail -n 1 "$tmp")" ]; then echo >>"$tmp"; fi
cat >>"$tmp" <<EOF
[$dsn]
Description=Meridane demo SIS
Driver=SQLite3
Database=$out
StepAPI=1
LoadExt=$extension
EOF
mv -f "$tmp" "$ini"
trap - EXIT

echo "demo-sis: data source [$dsn] written to $ini"
echo "  Driver=SQLite3"
echo "  Database=$out"
echo "  StepAPI=1"
echo "  LoadExt=$extension"
