#!/usr/bin/env bash
# Builds the benchmarks in an optimised tree (no sanitizers) and runs them; the
# arguments go to the benchmark program, e.g. --benchmark_filter='Open/10000$'.
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD_DIR=${BUILD_DIR:-build-bench}
cmake -S . -B "$BUILD_DIR" -G Ninja \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
  -DQEL_SANITIZE=OFF -DQEL_BUILD_BENCH=ON -DQEL_BUILD_TESTS=OFF >/dev/null
cmake --build "$BUILD_DIR" --parallel "$(nproc)" --target bench_database

exec "$BUILD_DIR/bench/bench_database" "$@"
