#!/usr/bin/env bash
# Pictures of the running main window (its caption menu open), of its about window and of a
# player window under Wine on a private Xvfb screen: screenshot.sh [FOLDER] writes
# FOLDER/main-window.png, FOLDER/about-window.png and FOLDER/player-window.png (default
# docs/). On a machine that cannot execute 32-bit x86
# programs the programs run in the emulated machine of tools/vm/, as the tests do.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${LUDORA_BUILD:-$root/build}
out=$(realpath -m "${1:-$root/docs}")

bash "$root/tools/setup-packages.sh"
"$root/tools/build-deps.sh" "$build/deps"
cmake -S "$root" -B "$build/win32" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" -DLUDORA_DEPS_PREFIX="$build/deps" >/dev/null
cmake --build "$build/win32" -j "${LUDORA_JOBS:-3}" --target Ludora Tessel WaitWindow ShowPlayer UserInput

if "$root/tools/can-run-x86.sh"; then
  xvfb=
  trap '[ -z "$xvfb" ] || kill "$xvfb" 2>/dev/null || true' EXIT
  exec 3>"$build/screens.display"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  exec 3>&-
  for _ in $(seq 50); do [ -s "$build/screens.display" ] && break; sleep 0.1; done
  DISPLAY=":$(cat "$build/screens.display")" bash "$root/tools/screens/shoot.sh" "$build" "$out"
else
  echo "This machine cannot run 32-bit x86 programs: the pictures are taken in an emulated machine"
  # The machine writes only into the work tree and the build folder.
  shots=$build/vm/screens
  rm -rf "$shots"
  mkdir -p "$shots"
  LUDORA_VM_TIMEOUT=${LUDORA_VM_TIMEOUT:-1800} LUDORA_VM_SCRIPT="$root/tools/vm/screenshot-guest.sh" \
    bash "$root/tools/vm/run.sh" "$root" "$build" "$shots"
  mkdir -p "$out"
  cp "$shots"/*.png "$out/"
  echo "copied the pictures into $out"
fi
