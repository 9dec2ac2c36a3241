#!/usr/bin/env bash
# Builds the client and starts it under Wine from the installed tree (build/win32/bin),
# against the local portal (tools/portal/box_site.py) on 127.0.0.1:8631, the address the
# client is built with. Without a DISPLAY it runs on a private Xvfb screen.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${LUDORA_BUILD:-$root/build}

bash "$root/tools/setup-packages.sh"
"$root/tools/build-deps.sh" "$build/deps"
cmake -S "$root" -B "$build/win32" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" -DLUDORA_DEPS_PREFIX="$build/deps" >/dev/null
cmake --build "$build/win32" --target Ludora Tessel

pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  WINEPREFIX="$build/win32/wine/desks/shared/prefix" wineserver -k 2>/dev/null || true
}
trap cleanup EXIT
if [ -z "${DISPLAY:-}" ]; then
  exec 3>"$build/run.display"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  pids+=($!)
  exec 3>&-
  for _ in $(seq 50); do [ -s "$build/run.display" ] && break; sleep 0.1; done
  export DISPLAY=":$(cat "$build/run.display")"
  echo "running on the private screen $DISPLAY"
fi

python3 "$root/tools/portal/box_site.py" --port 8631 >/dev/null &
pids+=($!)
echo "local portal on http://127.0.0.1:8631/box/"

cd "$build/win32/bin"
"$root/tools/wine-run.sh" "$build/win32/wine" Ludora.exe "$@"
