#!/usr/bin/env bash
# Start-up and idle benchmark of the client, in the build's Wine prefix on a private
# screen: startup.sh [runs] [idle-seconds]. Prints the median time from process start to a
# visible window for the client, for a bare window program and for a window hosting one
# web-browser control by plain COM, the client's ratio to each, and the CPU time the
# client's process uses while idle with its window shown (read from the kernel's accounting
# of the Wine process). The client runs as shipped: its panes go to its built-in portal.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${LUDORA_BUILD:-$root/build}
runs=${1:-7}
idle=${2:-60}
cmake --build "$build/win32" --target Ludora BareWindow BrowserWindow StartupBench >/dev/null
exec 3>"$build/bench.display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
exec 3>&-
trap 'kill $xvfb 2>/dev/null; WINEPREFIX="$build/win32/wine/prefix" wineserver -k 2>/dev/null || true' EXIT
for _ in $(seq 50); do [ -s "$build/bench.display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$build/bench.display")"
win() { echo "Z:${1//\//\\}"; }
run=("$root/tools/wine-run.sh" "$build/win32/wine")

"${run[@]}" "$build/win32/tools/bench/StartupBench.exe" \
  "$(win "$build/win32/bin/Ludora.exe")" "$(win "$build/win32/tools/bench/BareWindow.exe")" \
  "$(win "$build/win32/tools/bench/BrowserWindow.exe")" "$runs"

"${run[@]}" "$build/win32/bin/Ludora.exe" >/dev/null 2>&1 &
sleep 5 # start-up done, window shown
pid=$(pgrep -n -f 'Ludora.exe')
ticks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
before=$(ticks)
sleep "$idle"
after=$(ticks)
hz=$(getconf CLK_TCK)
awk -v t=$((after - before)) -v hz="$hz" -v s="$idle" \
  'BEGIN { printf "idle with the window shown: %.2f s CPU in %d s (%.3f s per minute)\n", t / hz, s, t / hz * 60 / s }'
kill "$pid" 2>/dev/null || true
