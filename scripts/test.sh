#!/usr/bin/env bash
# Builds both builds and runs their tests: natively with CTest, and the Windows build under
# Wine. With both sides, it also checks that the two builds write the same package bytes for
# the same extraction. Then it makes and tests the installers (scripts/package-test.sh).
# --native or --windows runs one side. --sanitize runs only the sanitizer build instead
# (build/sanitize: clang with AddressSanitizer and UndefinedBehaviorSanitizer): the native
# tests under it, then every fuzz target briefly over its seed corpus (scripts/fuzz.sh).
# Exits non-zero when anything fails.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

run_native=1
run_windows=1
run_sanitize=0
for arg in "$@"; do
  case "$arg" in
    --native) run_windows=0 ;;
    --windows) run_native=0 ;;
    --sanitize) run_sanitize=1; run_native=0; run_windows=0 ;;
    -h|--help) echo "usage: scripts/test.sh [--native|--windows|--sanitize]"; exit 0 ;;
    *) echo "unknown option: $arg" >&2; exit 2 ;;
  esac
done

echo "== layers"
bash scripts/check-layers.sh
scripts/setup-deps.sh
generator=(-G Ninja)
jobs="$(nproc)"

cleanup() {
  [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null
  /usr/lib/wine/wineserver -k 2>/dev/null || true
  # The PostgreSQL server of the tests never outlives them.
  [ "${pg_started:-0}" = 1 ] && scripts/pg-server.sh stop >/dev/null 2>&1
  true
}
trap cleanup EXIT

if [ "$run_native" = 1 ]; then
  echo "== native build (build/native)"
  cmake -S . -B build/native "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build build/native -j"$jobs"
fi
if [ "$run_windows" = 1 ]; then
  echo "== Windows build (build/windows)"
  cmake -S . -B build/windows "${generator[@]}" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-w64-x86_64.cmake >/dev/null
  cmake --build build/windows -j"$jobs"
  # One Xvfb display serves the window tests of the Windows build.
  if [ -z "${DISPLAY:-}" ] && command -v Xvfb >/dev/null; then
    Xvfb :97 -screen 0 1280x1024x24 >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY=:97
  fi
fi

status=0
# A throwaway PostgreSQL server: the data-layer tests of both builds run against it too, and the
# whole extraction from it is compared with the one from SQLite.
if [ "$run_sanitize" = 0 ]; then
  echo "== PostgreSQL server for the tests (build/pg)"
  scripts/pg-server.sh start
  pg_started=1
fi
if [ "$run_sanitize" = 1 ]; then
  echo "== sanitizer build (build/sanitize)"
  cmake -S . -B build/sanitize "${generator[@]}" -DCMAKE_BUILD_TYPE=Sanitize \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DQV_SANITIZE=address,undefined -DQV_FUZZ=ON >/dev/null
  cmake --build build/sanitize -j"$jobs"
  echo "== native tests under the sanitizers"
  (source scripts/sanitize-env.sh && cd build/sanitize && ctest --output-on-failure -j"$jobs") || status=1
  echo "== fuzz targets, briefly"
  bash scripts/fuzz.sh --brief 3 || status=1
  exit $status
fi
if [ "$run_native" = 1 ] && [ "$run_windows" = 1 ]; then
  echo "== the same extraction with both builds"
  scripts/compare-builds.sh || status=1
  echo "== the same extraction from PostgreSQL and from SQLite, Windows build"
  scripts/pg-compare.sh --windows || status=1
fi
if [ "$run_native" = 1 ]; then
  # The native runs are unattended ones: without a display, a failed run opens no viewer that
  # would outlive it and cover the window tests' screen.
  display="${DISPLAY:-}"
  unset DISPLAY
  echo "== the same extraction from PostgreSQL and from SQLite"
  scripts/pg-compare.sh || status=1
  echo "== native tests"
  (cd build/native && ctest --output-on-failure -j"$jobs") || status=1
  echo "== the program killed at 40 points of its runs"
  bash scripts/crash-test.sh || status=1
  echo "== an attendance store damaged between two nights"
  bash scripts/store-damage-test.sh || status=1
  echo "== one write, sync, move or delete failing at every point of a run, an ODBC call at sampled ones"
  bash scripts/fault-walk.sh || status=1
  echo "== the attendance store on a full or read-only file system"
  bash scripts/fault-fs-test.sh || status=1
  echo "== the district schedule in a throwaway user's crontab"
  bash scripts/schedule-test.sh build/native || status=1
  [ -z "$display" ] || export DISPLAY="$display"
fi
if [ "$run_windows" = 1 ]; then
  echo "== Windows tests under Wine"
  (cd build/windows && ctest --output-on-failure -j"$jobs") || status=1
  # Sampled: every Wine run costs seconds, and the native walk covers every point.
  echo "== every 6th write, every 2nd sync and move, every delete, every 997th ODBC call failing, under Wine"
  bash scripts/fault-walk.sh --windows --steps "write=6 sync=2 rename=2 odbc=997" || status=1
fi
# The installers: the .deb in a throwaway root, the MSI in a throwaway Wine prefix.
echo "== installers"
package_sides=()
[ "$run_windows" = 1 ] || package_sides=(--native)
[ "$run_native" = 1 ] || package_sides=(--windows)
scripts/package-test.sh "${package_sides[@]}" || status=1
exit $status
