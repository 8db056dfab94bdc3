#!/usr/bin/env bash
# Installs what is missing, builds with AddressSanitizer and UndefinedBehaviorSanitizer,
# and runs every test.
set -euo pipefail
cd "$(dirname "$0")"

./scripts/install-deps.sh

BUILD_DIR=${BUILD_DIR:-build-test}
WERROR=OFF
if [ "${CI:-}" = "true" ]; then WERROR=ON; fi

cmake -S . -B "$BUILD_DIR" -G Ninja \
  -DCMAKE_BUILD_TYPE=Debug -DQEL_SANITIZE=ON -DQEL_WERROR=$WERROR -DQEL_BUILD_TESTS=ON
cmake --build "$BUILD_DIR" --parallel "$(nproc)"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$BUILD_DIR" --output-on-failure --parallel "$(nproc)" --timeout 600
