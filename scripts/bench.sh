#!/usr/bin/env bash
# Builds the native benchmarks (RelWithDebInfo, in build/bench) and runs every one of them
# (each executable named *_bench), printing their lines. Benchmarks report ratios against a
# baseline measured in the same run; nothing here passes or fails on speed.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

scripts/setup-deps.sh
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
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
    # The same table read from a PostgreSQL server (a throwaway one unless one runs).
    echo "== $target --postgres"
    if ! scripts/pg-server.sh status; then
      scripts/pg-server.sh start >/dev/null
      pg_started=1
    fi
    "$exe" --postgres build/pg/server.env
  fi
done
