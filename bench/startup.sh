#!/usr/bin/env bash
# Time from start to the first painted main window of the desktop program on a
# generated collection, next to the command-line tool reading the same file (the
# load alone). Usage: bench/startup.sh [ALBUMS] (default 100000).
set -euo pipefail
cd "$(dirname "$0")/.."
albums=${1:-100000}
runs=${RUNS:-5}

BUILD_DIR=${BUILD_DIR:-build-bench}
cmake -S . -B "$BUILD_DIR" -G Ninja \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
  -DQEL_SANITIZE=OFF -DQEL_BUILD_BENCH=ON -DQEL_BUILD_TESTS=OFF >/dev/null
cmake --build "$BUILD_DIR" --parallel "$(nproc)" --target qelmusic qel >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
collection="$work/bench-$albums.qel"
"$BUILD_DIR/src/cli/qel" generate --albums "$albums" --seed 1 "$collection" >/dev/null
mkdir -p "$work/config/Qelmusic3" "$work/data"
printf '[Databases]\nCurrentDatabase=%s\n' "$collection" >"$work/config/Qelmusic3/Qelmusic3.ini"
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" QT_QPA_PLATFORM=offscreen

now_ms() { echo $(($(date +%s%N) / 1000000)); }
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

inside=() ; whole=() ; peer=()
for _ in $(seq "$runs"); do
  start=$(now_ms)
  line=$("$BUILD_DIR/src/app/qelmusic" --quit-after-paint 2>/dev/null | grep 'first paint')
  whole+=($(($(now_ms) - start)))
  inside+=("$(echo "$line" | awk '{print $4}')")
  start=$(now_ms)
  "$BUILD_DIR/src/cli/qel" info "$collection" >/dev/null
  peer+=($(($(now_ms) - start)))
done
m_inside=$(printf '%s\n' "${inside[@]}" | median)
m_whole=$(printf '%s\n' "${whole[@]}" | median)
m_peer=$(printf '%s\n' "${peer[@]}" | median)
echo "collection: $albums albums, $(stat -c %s "$collection") bytes; medians of $runs runs"
echo "qelmusic: first painted main window ${m_inside} ms after main() (process start to exit ${m_whole} ms)"
echo "peer, qel info (load and count, no window): ${m_peer} ms"
awk -v a="$m_inside" -v b="$m_peer" 'BEGIN {printf "ratio first paint / load alone: %.2f\n", a / b}'
