#!/usr/bin/env bash
# Start-up profile of the client, in the build's Wine prefix on a private screen:
# startup-steps.sh [runs]. Runs the benchmark build LudoraSteps.exe (the program with its
# start-up steps noted) and prints, step by step, the median time each step takes and its
# median share of the whole start (process start to visible window).
set -euo pipefail
# shellcheck source=tools/bench/lib.sh
. "$(dirname "$0")/lib.sh"
runs=${1:-7}
bench_build LudoraSteps StartupBench
bench_display
wine_run "$build/win32/tools/bench/StartupBench.exe" steps "$runs" \
  "$(win "$build/win32/bin/LudoraSteps.exe")" "$(win "$build/startup-steps.txt")"
