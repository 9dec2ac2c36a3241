#!/usr/bin/env bash
# The whole test run from a fresh clone: installs what is missing, builds the Windows
# (cross) and the native configurations, and runs every test under one CTest.
# While working on one part: LUDORA_TARGETS="a b" builds only those targets, and any
# arguments go to CTest (for example -R skin).
set -euo pipefail
start=$(date +%s)
root=$(cd "$(dirname "$0")/.." && pwd)
build=${LUDORA_BUILD:-$root/build}
jobs=${LUDORA_JOBS:-$(nproc)}

bash "$root/tools/setup-packages.sh"
"$root/tools/build-deps.sh" "$build/deps"

# A compiler cache, where one is installed, serves every work tree under one base folder.
launcher=()
if command -v ccache >/dev/null; then
  export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$(dirname "$root")}
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
# A virtual machine (emulated, or KVM that falls back) can run the Windows tests many times
# slower: their time limit grows.
win_timeout=120
"$root/tools/can-run-x86.sh" || win_timeout=900
cmake -S "$root" -B "$build/win32" -G Ninja "${launcher[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DLUDORA_TEST_TIMEOUT=$win_timeout \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" -DLUDORA_DEPS_PREFIX="$build/deps" >/dev/null
cmake -S "$root" -B "$build/native" -G Ninja "${launcher[@]}" -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null

# shellcheck source=tools/desks.sh
. "$root/tools/desks.sh"
vm_pid=
cleanup() {
  [ -n "$vm_pid" ] && kill "$vm_pid" 2>/dev/null || true
  desks_stop "$build/win32/wine"
}
trap cleanup EXIT
xvfb_start "$build/xvfb.display" || exit 1
export DISPLAY=":$(cat "$build/xvfb.display")"

build_tree() { # dir: builds all, or the named targets that this tree has
  local args=() t
  if [ -n "${LUDORA_TARGETS:-}" ]; then
    local have; have=$(ninja -C "$1" -t targets all | cut -d: -f1)
    for t in $LUDORA_TARGETS; do grep -qx "$t" <<<"$have" && args+=(--target "$t"); done
    [ ${#args[@]} -eq 0 ] && return 0
  fi
  cmake --build "$1" -j "$jobs" "${args[@]}"
}
build_tree "$build/native"
build_tree "$build/win32"
built=$(date +%s)
echo "set-up and build took $((built - start)) s"

# Wine runs 32-bit x86 code; some virtual machines cannot execute it at all. There the
# Windows tree's tests run inside an x86-64 virtual machine (tools/vm/): with KVM where it
# comes up, else in emulation without help.
summary() { # CTest log: "passed failed"
  local line
  line=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests failed out of [0-9]+' "$1" 2>/dev/null | tail -1 || true)
  if [[ $line =~ ([0-9]+)\ tests\ failed\ out\ of\ ([0-9]+) ]]; then
    echo "$(( BASH_REMATCH[2] - BASH_REMATCH[1] )) ${BASH_REMATCH[1]}"
  else
    echo "0 0"
  fi
}
vm_pid= way="directly (32-bit x86 programs run here)" desks=()
if "$root/tools/can-run-x86.sh"; then
  echo "This machine runs 32-bit x86 programs: the Windows tests run directly"
  printf 'subdirs("native" "win32")\n' > "$build/CTestTestfile.cmake"
  # One desk per CTest job.
  desks_start "$build/win32/wine" "$jobs" || exit 1
  desks=(--resource-spec-file "$build/win32/wine/desks.json")
else
  echo "This machine cannot run 32-bit x86 programs: the Windows tests run in a virtual machine"
  printf 'subdirs("native")\n' > "$build/CTestTestfile.cmake"
  # It boots and makes its Wine prefix while the native tests run; its output follows theirs.
  mkdir -p "$build/vm"
  LUDORA_JOBS=${LUDORA_VM_JOBS:-} bash "$root/tools/vm/run.sh" "$root" "$build" "$@" >"$build/vm/ctest.log" 2>&1 &
  vm_pid=$!
fi
set +e
ctest --test-dir "$build" -j "$jobs" "${desks[@]}" --output-on-failure --timeout 900 "$@" | tee "$build/ctest.log"
rc=${PIPESTATUS[0]}
set -e
read -r passed failed < <(summary "$build/ctest.log")
if [ -n "$vm_pid" ]; then
  echo "native tests took $(( $(date +%s) - built )) s; the Windows tests in the emulated machine:"
  tail -n +1 -f --pid="$vm_pid" "$build/vm/ctest.log"
  set +e
  wait "$vm_pid"
  vm_rc=$?
  set -e
  vm_pid=
  read -r p f < <(summary "$build/vm/ctest.log")
  case $(cat "$build/vm/accel" 2>/dev/null) in
    kvm) way="in the machine with KVM" ;;
    tcg) way="in emulation without help" ;;
    *) way="in a machine that did not start" ;;
  esac
  passed=$((passed + p)) failed=$((failed + f))
  if [ "$vm_rc" -ne 0 ]; then
    rc=$vm_rc
    [ "$f" -gt 0 ] || echo "THE WINDOWS TESTS DID NOT RUN TO THE END in the virtual machine" >&2
  fi
fi
echo "whole run took $(( $(date +%s) - start )) s; the Windows tests ran $way"
echo "$passed passed, $failed failed"
exit "$rc"
