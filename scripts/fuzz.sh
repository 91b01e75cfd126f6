#!/usr/bin/env bash
# Runs every fuzz target of fuzz/ for SECONDS each (default 60), one after the other, from the
# seed corpus in fuzz/corpus/<name> and the inputs found so far in build/fuzz/corpus/<name>
# (kept between runs, never committed). Builds the targets first in build/sanitize (clang,
# ASan + UBSan, QV_FUZZ=ON). Prints the executions of each target; an input that breaks a
# property or trips a sanitizer is left in build/fuzz/artifacts/ and makes the script fail.
#   scripts/fuzz.sh [SECONDS] [TARGET...]     e.g. scripts/fuzz.sh 600 date_pattern
#   --brief       keeps no new input: the seeds and SECONDS of fuzzing from a scratch folder
#                 (scripts/test.sh runs --brief 3, so the targets keep compiling and passing).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

brief=0
seconds=60
targets=()
for arg in "$@"; do
  case "$arg" in
    --brief) brief=1 ;;
    -h|--help) sed -n '2,10p' "$0"; exit 0 ;;
    [0-9]*) seconds="$arg" ;;
    *) targets+=("$arg") ;;
  esac
done
if [ ${#targets[@]} -eq 0 ]; then
  for source in fuzz/fuzz_*.cpp; do
    name="$(basename "$source" .cpp)"
    targets+=("${name#fuzz_}")
  done
fi

build=build/sanitize
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Sanitize \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DQV_SANITIZE=address,undefined -DQV_FUZZ=ON >/dev/null
fi
cmake --build "$build" --target fuzz_targets

source scripts/sanitize-env.sh
# Leaks are checked once the program ends, not after every input (which would be slow).
export ASAN_OPTIONS="$ASAN_OPTIONS:detect_leaks=0"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
# The targets write their few files into a scratch folder; memory is quicker than a disk.
[ -d /dev/shm ] && [ -w /dev/shm ] && export TMPDIR=/dev/shm

status=0
mkdir -p build/fuzz/artifacts
for name in "${targets[@]}"; do
  program="$build/fuzz/fuzz_$name"
  seeds="fuzz/corpus/$name"
  found="build/fuzz/corpus/$name"
  [ "$brief" = 1 ] && found="$scratch/corpus-$name"
  mkdir -p "$found"
  args=(-max_total_time="$seconds" -print_final_stats=1 "$found" "$seeds")
  log="$scratch/$name.log"
  if "$program" -artifact_prefix="build/fuzz/artifacts/${name}-" -timeout=10 -rss_limit_mb=2048 \
      "${args[@]}" >"$log" 2>&1; then
    runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)"
    echo "fuzz $name: ok${runs:+, $runs executions}"
  else
    echo "fuzz $name: FAILED" >&2
    tail -40 "$log" >&2
    status=1
  fi
done
exit $status
