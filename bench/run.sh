#!/usr/bin/env bash
# Builds the benchmarks in an optimised tree (no sanitizers) and runs them. The first
# argument may name the program (bench_database, bench_views, bench_thumbnail or
# bench_lookups); without one all run, one after the other. The other arguments go to
# the program(s), e.g.
#   bench/run.sh bench_views --benchmark_filter='/10000/'
set -euo pipefail
cd "$(dirname "$0")/.."

programs=(bench_database bench_views bench_thumbnail bench_lookups bench_lookupmerge bench_bulkchange bench_backups bench_reports bench_mp3 bench_mp3_process bench_audio bench_export bench_import bench_window)
if [[ $# -gt 0 && $1 != -* ]]; then
  programs=("$1")
  shift
fi

BUILD_DIR=${BUILD_DIR:-build-bench}
cmake -S . -B "$BUILD_DIR" -G Ninja \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
  -DQEL_SANITIZE=OFF -DQEL_BUILD_BENCH=ON -DQEL_BUILD_TESTS=OFF >/dev/null
cmake --build "$BUILD_DIR" --parallel "$(nproc)" --target "${programs[@]}"

for program in "${programs[@]}"; do
  "$BUILD_DIR/bench/$program" "$@"
done
