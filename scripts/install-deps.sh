#!/usr/bin/env bash
# Installs every Debian package the project builds, tests or benchmarks with.
# Idempotent: when everything is present it returns without touching apt.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config git
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-image-formats-plugins
  libgl-dev
  libcdio-dev libjpeg62-turbo-dev libsqlite3-dev libicu-dev
  libgtest-dev libgmock-dev libbenchmark-dev libtag1-dev
  libdiscid-dev qt6-charts-dev libqt6opengl6-dev
  poppler-utils lame python3-mutagen sqlite3
  clang clang-format libclang-rt-14-dev
  adwaita-icon-theme oxygen-icon-theme
)

# The encoders and taggers that made the committed audio fixtures: needed only to make
# them again (scripts/make-audio-fixtures.sh), so installed only when asked for.
if [ "${1:-}" = "--fixtures" ]; then
  PACKAGES+=(flac vorbis-tools opus-tools ffmpeg wavpack sox python3-taglib)
fi

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
