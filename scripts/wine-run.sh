#!/usr/bin/env bash
# Runs a Windows executable of the cross build under Wine, in a throwaway prefix inside the
# build folder (QV_WINEPREFIX overrides), without Wine's first-start installers.
set -euo pipefail
exe="$1"; shift
build_dir="${QV_BINARY_DIR:-$(cd "$(dirname "$exe")" && pwd)}"
export WINEPREFIX="${QV_WINEPREFIX:-$build_dir/wineprefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
export WINEARCH=win64
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine="$(command -v wine64 || command -v wine)"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  # Serialise first starts of the same prefix: parallel tests would race to create it.
  ( flock 9; [ -f "$WINEPREFIX/system.reg" ] || { "$wine" wineboot -i >/dev/null 2>&1 || true; /usr/lib/wine/wineserver -w 2>/dev/null || true; } ) 9>"$WINEPREFIX.lock"
fi
exec "$wine" "$exe" "$@"
