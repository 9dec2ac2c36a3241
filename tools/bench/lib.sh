# shellcheck shell=bash
# Shared by the benchmark scripts (sourced): root and build folders, building the programs,
# a private screen and Wine.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=${LUDORA_BUILD:-$root/build}

# Builds the named targets of the Windows tree, unless the caller built them already (the
# emulated machine runs programs the host built).
bench_build() {
  [ -n "${LUDORA_BENCH_BUILT:-}" ] || cmake --build "$build/win32" --target "$@" >/dev/null
}

# Starts Xvfb on a free display and exports DISPLAY; Xvfb and Wine's server end with the script.
bench_display() {
  exec 3>"$build/bench.display"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  bench_xvfb=$!
  exec 3>&-
  trap 'kill $bench_xvfb 2>/dev/null; WINEPREFIX="$build/win32/wine/desks/shared/prefix" wineserver -k 2>/dev/null || true' EXIT
  for _ in $(seq 100); do [ -s "$build/bench.display" ] && break; sleep 0.1; done
  DISPLAY=":$(cat "$build/bench.display")"
  export DISPLAY
}

# A Unix path as Wine's Z: drive path.
win() { echo "Z:${1//\//\\}"; }

wine_run() { "$root/tools/wine-run.sh" "$build/win32/wine" "$@"; }
