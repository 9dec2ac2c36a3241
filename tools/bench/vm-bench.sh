#!/usr/bin/env bash
# Runs the Windows benchmarks inside the emulated x86 machine of tools/vm/, for hosts that
# cannot run 32-bit x86 code: vm-bench.sh [startup] [startup-steps] [player] [download]
# [frame] [skin] (default: all, in that order; player-movie, player-play, player-windows and
# player-catalogue run one part of the player benchmark, download-small takes 16 MB twice).
# Everything is built here first; the machine only runs.
# Its output is printed as it comes. Figures taken this way are many times slower than on
# x86 hardware: compare the ratios, not the absolute times.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${LUDORA_BUILD:-$root/build}
cmake --build "$build/win32" -j "${LUDORA_JOBS:-3}" --target Ludora Tessel BareWindow BrowserWindow StartupBench LudoraSteps \
  PlayerBench CatalogueBench FramePaintBench upgrade_http_bench skin_bench >/dev/null
[ $# -gt 0 ] || set -- startup startup-steps player download frame skin
mkdir -p "$build/vm"
LUDORA_JOBS=1 LUDORA_VM_TIMEOUT=${LUDORA_VM_TIMEOUT:-3600} LUDORA_VM_SCRIPT="$root/tools/bench/vm-guest.sh" \
  exec bash "$root/tools/vm/run.sh" "$root" "$build" "$@"
