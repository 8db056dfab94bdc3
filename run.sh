#!/usr/bin/env bash
# Installs what is missing, builds, and runs the program on the bundled demo collection.
set -euo pipefail
cd "$(dirname "$0")"

./scripts/install-deps.sh

BUILD_DIR=${BUILD_DIR:-build-run}
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQEL_BUILD_TESTS=OFF >/dev/null
cmake --build "$BUILD_DIR" --parallel "$(nproc)"

"$BUILD_DIR/src/cli/qel" info "$BUILD_DIR/resources/demo.qel" "$@"
