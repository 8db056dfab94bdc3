#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (fuzz/CMakeLists.txt tells how to run them).
# Usage: scripts/build-fuzz.sh [BUILD_DIR]   (default: build-fuzz)
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/install-deps.sh

BUILD_DIR=${1:-build-fuzz}
launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DQEL_FUZZ=ON -DQEL_WERROR=ON -DQEL_BUILD_TESTS=OFF "${launcher[@]}" >/dev/null
targets=$(sed -n 's/^qel_add_fuzz_target(\([a-z0-9_]*\))$/\1_fuzz/p' fuzz/CMakeLists.txt)
# shellcheck disable=SC2086
cmake --build "$BUILD_DIR" --parallel "$(nproc)" --target $targets
echo "build-fuzz: built $(echo $targets | wc -w) fuzz targets in $BUILD_DIR/fuzz"
