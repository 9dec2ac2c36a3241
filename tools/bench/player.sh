#!/usr/bin/env bash
# Player benchmark in the build's Wine prefix on a private screen: the movie copy of a
# 64 MB cache entry against a plain copy and against cp of the same size, ShowForm to a
# visible window, and handles and private bytes around 100 player windows.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${LUDORA_BUILD:-$root/build}
cmake --build "$build/win32" --target PlayerBench Tessel >/dev/null
exec 3>"$build/bench.display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
exec 3>&-
trap 'kill $xvfb 2>/dev/null; WINEPREFIX="$build/win32/wine/prefix" wineserver -k 2>/dev/null || true' EXIT
for _ in $(seq 50); do [ -s "$build/bench.display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$build/bench.display")" LUDORA_PORTAL=http://127.0.0.1:9
tmp=$(mktemp -d)
head -c $((64 << 20)) /dev/zero | tr '\0' 'F' >"$tmp/movie.swf"
start=$(date +%s.%N); cp "$tmp/movie.swf" "$tmp/copy.swf"; end=$(date +%s.%N)
echo "cp of 64 MB: $(echo "$end - $start" | bc) s"
rm -rf "$tmp"
win() { echo "Z:${1//\//\\}"; }
"$root/tools/wine-run.sh" "$build/win32/wine" "$build/win32/tools/bench/PlayerBench.exe" \
  "$(win "$build/win32/bin/Tessel.dll")" >"$build/player-bench.txt" 2>&1 || true
cat "$build/player-bench.txt"
