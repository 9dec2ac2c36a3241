#!/usr/bin/env bash
# Start-up profile of the client, in the build's Wine prefix on a private screen:
# startup-steps.sh [runs] [other-steps-build.exe...]. Runs the benchmark build
# LudoraSteps.exe (the program with its start-up steps noted) and prints, step by step, the
# median time each step takes and its median share of the whole start (process start to
# the main window painted). Other benchmark builds (earlier ones, copied into bin/ beside
# it) run in the same rounds, each profiled on its own.
set -euo pipefail
# shellcheck source=tools/bench/lib.sh
. "$(dirname "$0")/lib.sh"
runs=${1:-7}
shift $(($# < 1 ? $# : 1))
programs=()
for exe in LudoraSteps.exe "$@"; do
  programs+=(TMainForm "$(win "$build/win32/bin/$exe")" "$(win "$build/startup-steps-${exe%.exe}.txt")")
done
bench_build LudoraSteps StartupBench
bench_display
wine_run "$build/win32/tools/bench/StartupBench.exe" steps "$runs" "${programs[@]}"
