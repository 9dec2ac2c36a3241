#!/usr/bin/env bash
# Builds the client and starts it under Wine from the installed tree (build/win32/bin),
# against the local portal (tools/portal/box_site.py) on 127.0.0.1:8631, the address the
# client is built with. Without a DISPLAY it runs on a private Xvfb screen.
# On a machine that cannot execute 32-bit x86 programs the client and the portal run in the
# emulated machine of tools/vm/ (tools/vm/client-guest.sh): its screen is served by a VNC
# server on 127.0.0.1:LUDORA_VNC_PORT (5931 unless set), forwarded into the machine, and
# pictured every few seconds into BUILD/run/screen.png. Ctrl+C or closing the client ends
# the machine. Every failure says why and ends with a non-zero status.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${LUDORA_BUILD:-$root/build}

fail() { echo "tools/run.sh: $*" >&2; exit 1; }

emulated=
"$root/tools/can-run-x86.sh" || emulated=1
port=${LUDORA_VNC_PORT:-5931}
port_free() { # true when nothing listens on 127.0.0.1:port
  ! (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null
}
if [ -n "$emulated" ]; then
  [[ $port =~ ^[0-9]{1,5}$ ]] && [ "$port" -ge 1 ] && [ "$port" -le 65535 ] ||
    fail "LUDORA_VNC_PORT '$port' is not a port number"
  port_free || fail "the VNC port 127.0.0.1:$port is in use; set LUDORA_VNC_PORT to a free one"
fi

bash "$root/tools/setup-packages.sh"
"$root/tools/build-deps.sh" "$build/deps"
cmake -S "$root" -B "$build/win32" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" -DLUDORA_DEPS_PREFIX="$build/deps" >/dev/null
cmake --build "$build/win32" --target Ludora Tessel

if [ -n "$emulated" ]; then
  echo "This machine cannot run 32-bit x86 programs: the client runs in an emulated machine (tools/vm/)"
  port_free || fail "the VNC port 127.0.0.1:$port is in use; set LUDORA_VNC_PORT to a free one"
  mkdir -p "$build/run"
  shot=$build/run/screen.png
  rm -f "$shot"
  rm -f "$build/vm/accel" "$build/run/no-boot"
  # The machine runs until the client ends (no time limit); its guest script says what
  # fails in there. A background job ignores Ctrl+C: it is handed on as a TERM, on which the
  # machine's runner stops the machine.
  LUDORA_VM_TIMEOUT=0 LUDORA_VM_SCRIPT="$root/tools/vm/client-guest.sh" \
    LUDORA_VM_FORWARD="tcp:127.0.0.1:$port-:5900" \
    bash "$root/tools/vm/run.sh" "$root" "$build" "$port" "$shot" "$@" &
  machine=$!
  # Up once the machine that is kept (vm/accel written) has mounted its shares; an
  # emulated boot takes well under a minute.
  boot=300
  (
    while [ ! -f "$build/vm/accel" ]; do kill -0 "$machine" 2>/dev/null || exit 0; sleep 0.5; done
    end=$((SECONDS + boot))
    while [ "$SECONDS" -lt "$end" ]; do
      grep -qs 'ludora-vm: shares mounted' "$build/vm/serial.log" && exit 0
      kill -0 "$machine" 2>/dev/null || exit 0
      sleep 0.5
    done
    touch "$build/run/no-boot"
    kill "$machine" 2>/dev/null
  ) &
  watchdog=$!
  stopped=
  trap 'kill "$machine" "$watchdog" 2>/dev/null || true' EXIT
  trap 'stopped=1; kill "$machine" 2>/dev/null || true' INT TERM
  set +e
  while wait "$machine"; rc=$?; kill -0 "$machine" 2>/dev/null; do :; done
  set -e
  [ -z "$stopped" ] || { echo "tools/run.sh: stopped; the emulated machine has ended"; exit 130; }
  [ ! -f "$build/run/no-boot" ] ||
    fail "the emulated machine did not come up within $boot s (console: $build/vm/serial.log)"
  [ "$rc" -eq 0 ] || fail "the run in the emulated machine failed with status $rc (console: $build/vm/serial.log)"
  exit 0
fi

pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  WINEPREFIX="$build/win32/wine/desks/shared/prefix" wineserver -k 2>/dev/null || true
}
trap cleanup EXIT
if [ -z "${DISPLAY:-}" ]; then
  rm -f "$build/run.display"
  exec 3>"$build/run.display"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  pids+=($!)
  exec 3>&-
  for _ in $(seq 50); do [ -s "$build/run.display" ] && break; sleep 0.1; done
  [ -s "$build/run.display" ] || fail "no display: DISPLAY is not set and Xvfb did not start"
  export DISPLAY=":$(cat "$build/run.display")"
  echo "running on the private screen $DISPLAY"
elif ! xdpyinfo >/dev/null 2>&1; then
  fail "the display '$DISPLAY' cannot be opened"
fi

python3 "$root/tools/portal/box_site.py" --port 8631 >/dev/null &
pids+=($!)
echo "local portal on http://127.0.0.1:8631/box/"

cd "$build/win32/bin"
set +e
"$root/tools/wine-run.sh" "$build/win32/wine" Ludora.exe "$@"
rc=$?
set -e
case $rc in
0) ;;
126 | 127) fail "Wine cannot start Ludora.exe here (status $rc)" ;;
*) fail "Ludora.exe under Wine ended with status $rc" ;;
esac
