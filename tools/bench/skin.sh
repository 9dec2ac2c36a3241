#!/usr/bin/env bash
# Skin file benchmark in the build's Wine prefix: LZHUF decoding of 3 MiB of mixed data,
# unpacking and reading our skin, its whole load into skin objects, and a hostile 1 MiB
# description parsed, read and loaded into skin objects (bound 100 ms).
set -euo pipefail
# shellcheck source=tools/bench/lib.sh
. "$(dirname "$0")/lib.sh"
bench_build skin_bench
bench_display
wine_run "$build/win32/skin/skin_bench.exe" "$(win "$build/win32/skin/bench-mixed.lzh")" \
  "$(win "$build/win32/skin/bench-mixed.raw")" "$(win "$build/win32/resources/skin/ludora.skin")"
