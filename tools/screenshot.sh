#!/usr/bin/env bash
# A picture of the running main window under Xvfb: screenshot.sh [file.png]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${1:-$root/docs/main-window.png}")
env -u DISPLAY LUDORA_SCREENSHOT="$out" LUDORA_SCREENSHOT_DELAY="${LUDORA_SCREENSHOT_DELAY:-8}" bash "$root/tools/run.sh"
