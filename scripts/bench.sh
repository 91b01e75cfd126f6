#!/usr/bin/env bash
# Builds the native benchmarks (RelWithDebInfo, in build/bench) and runs them. Benchmarks
# report figures and ratios against baselines measured in the same run; nothing here passes or
# fails on speed. The machine's other load moves the figures: run on a quiet machine.
#
#   scripts/bench.sh             every benchmark (each executable named *_bench), as it prints
#   scripts/bench.sh --scale     the command-line run at 1,000 / 5,000 / 20,000 / 50,000
#                                students: wall, CPU and peak of a first and a second run
#                                (medians of QV_SCALE_ROUNDS rounds, 3 by default)
#   scripts/bench.sh --windows   the Windows build's program under Wine against the native one
#                                on the same runs (builds build/windows; prefix in build/bench)
#   scripts/bench.sh --profile   one first run at 1,000 students under callgrind: the ten
#                                functions with the most instructions of their own
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

mode=all
case "${1:-}" in
  "") ;;
  --scale) mode=scale ;;
  --windows) mode=windows ;;
  --profile) mode=profile ;;
  -h|--help) sed -n '2,13p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
  *) echo "bench: unknown option: $1 (see --help)" >&2; exit 2 ;;
esac

scripts/setup-deps.sh
launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" >/dev/null
engine=build/bench/bench/engine_bench

case "$mode" in
  scale)
    cmake --build build/bench -j2 --target engine_bench
    rounds="${QV_SCALE_ROUNDS:-3}"
    echo "== the command-line run by school size (medians of $rounds rounds; seconds, MiB)"
    printf '%9s  %9s %9s %8s  %9s %9s %8s\n' students "first" cpu peak "second" cpu peak
    for students in 1000 5000 20000 50000; do
      row="$("$engine" --students "$students" --rounds "$rounds" --only-program --row)"
      # shellcheck disable=SC2086
      printf '%9s  %9s %9s %8s  %9s %9s %8s\n' $row
    done
    ;;
  windows)
    cmake --build build/bench -j2 --target engine_bench
    cmake -S . -B build/windows -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-w64-x86_64.cmake "${launcher[@]}" >/dev/null
    cmake --build build/windows -j2 --target QvMeridane
    echo "== engine_bench --windows"
    "$engine" --windows "$root/build/windows/app/QvMeridane.exe" --wine-prefix "$root/build/bench/wineprefix" \
      --students "${QV_WINDOWS_STUDENTS:-5000}" --rounds "${QV_WINDOWS_ROUNDS:-5}"
    ;;
  profile)
    cmake --build build/bench -j2 --target engine_bench
    "$engine" --students 1000 --profile
    ;;
  all)
    targets=$(cmake --build build/bench --target help | sed -n 's/^\([A-Za-z0-9_]*_bench\):.*/\1/p' | sort -u)
    if [ -z "$targets" ]; then
      echo "no benchmarks"
      exit 0
    fi
    # shellcheck disable=SC2086
    cmake --build build/bench -j2 --target $targets
    pg_started=0
    stop_pg() { [ "$pg_started" = 1 ] && scripts/pg-server.sh stop >/dev/null; true; }
    trap stop_pg EXIT
    for target in $targets; do
      exe=$(find build/bench -type f -name "$target" -perm -u+x | head -n1)
      echo "== $target"
      "$exe"
      if [ "$target" = data_bench ]; then
        # The same tables read from a PostgreSQL server (a throwaway one unless one runs).
        echo "== $target --postgres"
        if ! scripts/pg-server.sh status >/dev/null 2>&1; then
          scripts/pg-server.sh start >/dev/null
          pg_started=1
        fi
        "$exe" --postgres build/pg/server.env
      fi
    done
    ;;
esac
