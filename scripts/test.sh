#!/usr/bin/env bash
# Builds both builds and runs their tests: natively with CTest, and the Windows build under
# Wine. --native or --windows runs one side. Exits non-zero when anything fails.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

run_native=1
run_windows=1
for arg in "$@"; do
  case "$arg" in
    --native) run_windows=0 ;;
    --windows) run_native=0 ;;
    -h|--help) echo "usage: scripts/test.sh [--native|--windows]"; exit 0 ;;
    *) echo "unknown option: $arg" >&2; exit 2 ;;
  esac
done

scripts/setup-deps.sh
generator=(-G Ninja)
jobs="$(nproc)"

status=0
if [ "$run_native" = 1 ]; then
  echo "== native build (build/native)"
  cmake -S . -B build/native "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build build/native -j"$jobs"
  echo "== native tests"
  (cd build/native && ctest --output-on-failure -j"$jobs") || status=1
fi
if [ "$run_windows" = 1 ]; then
  echo "== Windows build (build/windows)"
  cmake -S . -B build/windows "${generator[@]}" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-w64-x86_64.cmake >/dev/null
  cmake --build build/windows -j"$jobs"
  echo "== Windows tests under Wine"
  # One Xvfb display serves the window tests of the Windows build.
  if [ -z "${DISPLAY:-}" ] && command -v Xvfb >/dev/null; then
    Xvfb :97 -screen 0 1280x1024x24 >/dev/null 2>&1 &
    xvfb_pid=$!
    trap 'kill $xvfb_pid 2>/dev/null || true; /usr/lib/wine/wineserver -k 2>/dev/null || true' EXIT
    export DISPLAY=:97
  fi
  (cd build/windows && ctest --output-on-failure -j"$jobs") || status=1
fi
exit $status
