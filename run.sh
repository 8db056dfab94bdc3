#!/usr/bin/env bash
# Installs what is missing, builds, and starts the desktop program. On its first start
# it puts the demo collection in place and opens it. Without a display it draws the
# main window offscreen, writes it to a PNG file, prints the file's path and ends.
set -euo pipefail
cd "$(dirname "$0")"

./scripts/install-deps.sh

BUILD_DIR=${BUILD_DIR:-build-run}
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQEL_BUILD_TESTS=OFF >/dev/null
cmake --build "$BUILD_DIR" --parallel "$(nproc)"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  picture=${QEL_PICTURE:-${TMPDIR:-/tmp}/qelmusic-main-window.png}
  QT_QPA_PLATFORM=offscreen exec "$BUILD_DIR/src/app/qelmusic" --picture "$picture" "$@"
fi
exec "$BUILD_DIR/src/app/qelmusic" "$@"
