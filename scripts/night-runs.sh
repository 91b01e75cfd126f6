# Sourced by the scripts that run the native program night after night on a small demo school
# and check what the runs leave in an import folder (crash-test.sh, fault-walk.sh,
# fault-fs-test.sh). The sourcing script defines `fail <message>`.

# night_environment <work>: the data sources, hives and application data of the runs live in
# <work>, so that no setting of the person running the script is read or changed.
night_environment() {
  export ODBCINI="$1/odbc.ini"
  export XDG_CONFIG_HOME="$1/config"
  export XDG_DATA_HOME="$1/data"
  export QV_MACHINE_HIVE_DIR="$1/machine"
  mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$QV_MACHINE_HIVE_DIR"
  touch "$ODBCINI"
  unset QV_CRASH_AFTER_WRITES QV_FAULT
}

# night_school <sis> <dsn> <seed> <students> <school name>: writes the demo SIS and its data
# source, and a site configuration whose school 101 reads it; sets bridge_data and run_log.
night_school() {
  local script
  script="$(basename "$0" .sh)"
  bash scripts/demo-sis.sh --out "$1" --dsn "$2" --seed "$3" --students "$4" \
    --year-start 2026-08-20 --build-dir build/native >"$(dirname "$1")/demo-sis.log" 2>&1 ||
    { echo "$script: the demo SIS could not be written (see $(dirname "$1")/demo-sis.log)" >&2; exit 1; }
  bridge_data="$XDG_DATA_HOME/Quorvane/QvMeridane"
  run_log="$bridge_data/QvMeridaneRunLog.txt"
  mkdir -p "$bridge_data"
  cat > "$bridge_data/QvConfig.xml" <<XML
<?xml version="1.0" encoding="UTF-8"?>
<QvSchoolConfFile>
	<QvSchoolConf Import="1" SISName="Meridane_DE" SISImportFolder="" SchoolNumber="101" SISSchoolName="$5" SISSchoolDistrict="" SISDSN="$2" />
</QvSchoolConfFile>
XML
}

# check_whole <folder> <what> [marker]: every package file of the folder (with a marker, only
# those newer than it) is whole: update files and the header end with a table's terminator,
# update files hold one per table they announce; table files end with a line end.
check_whole() {
  local file
  for file in "$1"/*.QDU "$1"/*.QDE; do
    [ -e "$file" ] || continue
    [ -z "${3:-}" ] || [ "$file" -nt "$3" ] || continue
    if [ "$(tail -c 5 "$file" | od -An -c | tr -d ' \n')" != '*\r\n\r\n' ]; then
      fail "$2: torn file $(basename "$file")"
      continue
    fi
    case "$file" in
      *.QDU)
        local tables terminators
        tables="$(grep -c '^// Cached ' "$file" || true)"
        terminators="$(grep -c $'^\\*\r$' "$file" || true)"
        [ "$tables" = "$terminators" ] || fail "$2: $(basename "$file") announces $tables tables, ends $terminators" ;;
    esac
  done
  for file in "$1"/*.qef; do
    [ -e "$file" ] && [ -s "$file" ] || continue
    [ "$(tail -c 2 "$file" | od -An -c | tr -d ' \n')" = '\r\n' ] || fail "$2: torn table file $(basename "$file")"
  done
}

# attendance_lines <folder>: the attendance lines of every update file of the folder, as a
# sorted set (table, field list and line).
attendance_lines() {
  cat "$1"/*.QDU 2>/dev/null | tr -d '\r' | awk '
    /^\/\/ Cached / { table = $0; header = 1; next }
    header { header = 0; fields = $0; next }
    table != "" && $0 == "*" { table = ""; next }
    table != "" { print table "|" fields "|" $0 }' | sort -u
}

# compare_with_reference <reference> <chain> <work>: the union of the chain's update files
# holds the reference's attendance lines, no fewer and no more, and its last table files are
# the reference's byte for byte. Sets lost and extra.
compare_with_reference() {
  attendance_lines "$1" >"$3/reference.lines"
  attendance_lines "$2" >"$3/chain.lines"
  lost="$(comm -23 "$3/reference.lines" "$3/chain.lines" | wc -l)"
  extra="$(comm -13 "$3/reference.lines" "$3/chain.lines" | wc -l)"
  [ "$lost" = 0 ] || fail "$lost attendance lines of the reference never reached an update file (see $3/*.lines)"
  [ "$extra" = 0 ] || fail "$extra attendance lines were sent that the reference never sent"
  local file
  for file in "$1"/*.qef "$1"/*.QDE; do
    cmp -s "$file" "$2/$(basename "$file")" || fail "the last $(basename "$file") differs from the reference's"
  done
}

# import_state <folder>: the attendance the import tool holds after reading every update file
# of the folder in name order: per table and row key (student, date, time frame or period) the
# last line sent, a line with an empty code removing the row; sorted.
import_state() {
  local file
  for file in "$1"/*.QDU; do
    [ -e "$file" ] && tr -d '\r' <"$file"
  done | awk -F'\t' '
    /^\/\/ Cached / { table = $0; header = 1; next }
    header { header = 0; fields = $0; next }
    table != "" && $0 == "*" { table = ""; next }
    table != "" {
      key = table "|" fields "|" $1 "\t" $2 "\t" $3
      if ($4 == "") delete state[key]; else state[key] = $0
    }
    END { for (key in state) print key "|" state[key] }' | LC_ALL=C sort
}
