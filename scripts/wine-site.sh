# Sourced by the scripts that run the Windows program under Wine on a site of their own
# (demo.sh, pg-compare.sh, fault-walk.sh).

# wine_bridge_folder <folder/>: in the prefix QV_WINEPREFIX (made by wine-run.sh at its first
# start), points the program's preference "Database Folder" at the Linux folder given, so that
# the program reads the site configuration there and keeps its run log beside it.
wine_bridge_folder() {
  bash "$(dirname "${BASH_SOURCE[0]}")/wine-run.sh" reg add \
    'HKCU\Software\Velkstrom Software\Quorvane Connect\QvMeridane' /v "Database Folder" /t REG_SZ \
    /d "Z:$(printf '%s' "$1" | tr '/' '\\')" /f >/dev/null 2>&1
}
