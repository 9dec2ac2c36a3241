#!/usr/bin/env bash
# Start-up and idle benchmark of the client, in the build's Wine prefix on a private
# screen: startup.sh [runs] [idle-seconds] [other-client.exe...]. Prints the median time
# from process start to the program's own window painted for the client, for a bare window
# program and for a window hosting one web-browser control by plain COM, the client's ratio
# to each, and the CPU time the
# client's process uses while idle with its window shown (read from the kernel's accounting
# of the Wine process). The client runs as shipped: its panes go to its built-in portal.
set -euo pipefail
# shellcheck source=tools/bench/lib.sh
. "$(dirname "$0")/lib.sh"
runs=${1:-7}
idle=${2:-60}
shift $(($# < 2 ? $# : 2))
# Other builds of the client (earlier ones, copied into bin/ beside it) run in the same rounds.
others=()
for exe in "$@"; do others+=(TMainForm "$(win "$build/win32/bin/$exe")"); done
bench_build Ludora BareWindow BrowserWindow StartupBench
bench_display

wine_run "$build/win32/tools/bench/StartupBench.exe" "$runs" \
  TMainForm "$(win "$build/win32/bin/Ludora.exe")" BareWindow "$(win "$build/win32/tools/bench/BareWindow.exe")" \
  BrowserWindow "$(win "$build/win32/tools/bench/BrowserWindow.exe")" "${others[@]}"

wine_run "$build/win32/bin/Ludora.exe" >/dev/null 2>&1 &
# The window is shown within seconds (StartupBench above); wait for the process (not the
# runner, whose command line names it too) and a bit more.
client() { for p in $(pgrep -f 'bin.Ludora.exe'); do tr '\0' ' ' <"/proc/$p/cmdline" 2>/dev/null | grep -q wine-run.sh || echo "$p"; done; }
for _ in $(seq 100); do pid=$(client | tail -1); [ -n "$pid" ] && break; sleep 0.2; done
sleep 10
ticks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
before=$(ticks)
sleep "$idle"
after=$(ticks)
hz=$(getconf CLK_TCK)
awk -v t=$((after - before)) -v hz="$hz" -v s="$idle" \
  'BEGIN { printf "idle with the window shown: %.2f s CPU in %d s (%.3f s per minute)\n", t / hz, s, t / hz * 60 / s }'
kill "$pid" 2>/dev/null || true
