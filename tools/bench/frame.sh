#!/usr/bin/env bash
# Skin engine benchmark in the build's Wine prefix on a private screen: skin load from the
# main window's "SkinStream" value, frame paint time, and live GDI objects around 10,000
# frame paints and 1,000 skinned forms made and freed (FramePaintBench.cpp says how they
# are counted), with the time of each step of one frame paint.
#   frame.sh [PAINTS [FORMS]]   (10000 paints, 1000 forms)
set -euo pipefail
# shellcheck source=tools/bench/lib.sh
. "$(dirname "$0")/lib.sh"
bench_build FramePaintBench skin_stream
bench_display
wine_run "$build/win32/tools/bench/FramePaintBench.exe" "$(win "$build/win32/resources/skin/ludora.skinstream")" "$@"
