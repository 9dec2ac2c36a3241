#!/usr/bin/env bash
# The run command's decisions (tools/run.sh), with no display, build or machine: the script
# runs in a scratch tree whose tools, build steps, Wine runner, emulated machine, Xvfb and
# display probe are stand-ins that record how they were called. run_script_test.sh RUN.SH
set -uo pipefail
script=$(realpath "$1")

t=$(mktemp -d)
listener=
trap '[ -z "$listener" ] || kill "$listener" 2>/dev/null; rm -rf "$t"' EXIT
root=$t/root build=$t/build logs=$t/logs bin=$t/bin
mkdir -p "$root/tools/vm" "$root/tools/portal" "$build/win32/bin" "$logs" "$bin"
cp "$script" "$root/tools/run.sh"
stub() { # PATH BODY: an executable stand-in
  printf '#!/usr/bin/env bash\n%s\n' "$2" > "$1"
  chmod +x "$1"
}
stub "$root/tools/can-run-x86.sh" 'exit "$FAKE_X86"'
stub "$root/tools/setup-packages.sh" 'echo setup >> "$FAKE_LOGS/steps"'
stub "$root/tools/build-deps.sh" 'exit 0'
stub "$root/tools/wine-run.sh" 'echo "DISPLAY=${DISPLAY:-} ${*:2}" >> "$FAKE_LOGS/wine"; exit "$FAKE_WINE_RC"'
stub "$root/tools/vm/run.sh" '
trap "echo stopped >> \"\$FAKE_LOGS/vm\"; exit 143" TERM
echo "$* | script=$LUDORA_VM_SCRIPT forward=$LUDORA_VM_FORWARD timeout=$LUDORA_VM_TIMEOUT" >> "$FAKE_LOGS/vm"
mkdir -p "$2/vm"
echo "ludora-vm: shares mounted" > "$2/vm/serial.log"
echo tcg > "$2/vm/accel"
[ "$FAKE_VM_RC" != wait ] || { echo waiting >> "$FAKE_LOGS/vm"; while :; do sleep 0.1; done; }
exit "$FAKE_VM_RC"'
echo 'import time; time.sleep(30)' > "$root/tools/portal/box_site.py"
stub "$bin/cmake" 'exit 0'
stub "$bin/wineserver" 'exit 0'
stub "$bin/xdpyinfo" 'exit "$FAKE_XDPY_RC"'
stub "$bin/Xvfb" '[ "$FAKE_XVFB" = ok ] || exit 1; echo 99 >&3; exec sleep 30'

free_port() { python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }
port=$(free_port)
busy=$(free_port)
python3 -c 'import socket, sys, time
s = socket.socket(); s.bind(("127.0.0.1", int(sys.argv[1]))); s.listen(); print("listening", flush=True); time.sleep(120)' \
  "$busy" > "$t/listener" &
listener=$!
for _ in $(seq 100); do grep -q listening "$t/listener" && break; sleep 0.1; done

failures=0
check() { # NAME CONDITION-TEXT: reports a failed expectation
  echo "FAIL [$1]: $2"
  failures=$((failures + 1))
}

# NAME | 32-bit | DISPLAY | Xvfb | display probe | machine | Wine | VNC port | status | output line | called
cases=(
  "emulated|1|:77|ok|0|0|0|$port|0|This machine cannot run 32-bit x86 programs: the client runs in an emulated machine (tools/vm/)|vm"
  "emulated machine fails|1||ok|0|3|0|$port|1|tools/run.sh: the run in the emulated machine failed with status 3 (console: $build/vm/serial.log)|vm"
  "emulated, port in use|1||ok|0|0|0|$busy|1|tools/run.sh: the VNC port 127.0.0.1:$busy is in use; set LUDORA_VNC_PORT to a free one|none"
  "emulated, port not a number|1||ok|0|0|0|59x1|1|tools/run.sh: LUDORA_VNC_PORT '59x1' is not a port number|none"
  "emulated, port out of range|1||ok|0|0|0|65536|1|tools/run.sh: LUDORA_VNC_PORT '65536' is not a port number|none"
  "Wine on the display|0|:77|ok|0|0|0|$busy|0|local portal on http://127.0.0.1:8631/box/|wine"
  "display cannot be opened|0|:77|ok|1|0|0|$port|1|tools/run.sh: the display ':77' cannot be opened|setup"
  "no display, private screen|0||ok|0|0|0|$port|0|running on the private screen :99|wine"
  "no display, no Xvfb|0||fail|0|0|0|$port|1|tools/run.sh: no display: DISPLAY is not set and Xvfb did not start|setup"
  "Wine cannot start|0|:77|ok|0|0|126|$port|1|tools/run.sh: Wine cannot start Ludora.exe here (status 126)|wine"
  "client fails under Wine|0|:77|ok|0|0|3|$port|1|tools/run.sh: Ludora.exe under Wine ended with status 3|wine"
)

run() { # X86 DISPLAY XVFB XDPY VM WINE PORT: runs the script, output in $t/out, status in rc
  rm -rf "${logs:?}"/* "$build/vm" "$build/run"
  (
    export PATH="$bin:$PATH" FAKE_LOGS=$logs FAKE_X86=$1 FAKE_XVFB=$3 FAKE_XDPY_RC=$4 FAKE_VM_RC=$5 FAKE_WINE_RC=$6
    export LUDORA_BUILD=$build LUDORA_VNC_PORT=$7
    if [ -n "$2" ]; then export DISPLAY=$2; else unset DISPLAY; fi
    exec timeout 60 bash "$root/tools/run.sh" --first "two words" </dev/null >"$t/out" 2>&1
  )
  rc=$?
}

for c in "${cases[@]}"; do
  IFS='|' read -r name x86 display xvfb xdpy vm wine vport want line called <<<"$c"
  run "$x86" "$display" "$xvfb" "$xdpy" "$vm" "$wine" "$vport"
  if [ "$want" -eq 0 ] && [ "$rc" -ne 0 ]; then check "$name" "status $rc, expected 0"; fi
  if [ "$want" -ne 0 ] && [ "$rc" -eq 0 ]; then check "$name" "status 0, expected a failure"; fi
  [ "$rc" -ne 124 ] || check "$name" "did not end"
  grep -qxF -- "$line" "$t/out" || check "$name" "no line '$line' in: $(cat "$t/out")"
  case $called in
  vm)
    expected="$root $build $vport $build/run/screen.png --first two words | script=$root/tools/vm/client-guest.sh forward=tcp:127.0.0.1:$vport-:5900 timeout=0"
    [ "$(cat "$logs/vm" 2>/dev/null)" = "$expected" ] || check "$name" "machine called as '$(cat "$logs/vm" 2>/dev/null)'"
    [ ! -e "$logs/wine" ] || check "$name" "Wine was run on the host"
    ;;
  wine)
    want_display=${display:-:99}
    [ "$(cat "$logs/wine" 2>/dev/null)" = "DISPLAY=$want_display Ludora.exe --first two words" ] ||
      check "$name" "Wine called as '$(cat "$logs/wine" 2>/dev/null)'"
    [ ! -e "$logs/vm" ] || check "$name" "the machine was started"
    grep -qF "emulated machine" "$t/out" && check "$name" "the emulated way announced"
    ;;
  setup)
    [ -e "$logs/steps" ] || check "$name" "failed before the build"
    [ ! -e "$logs/wine" ] && [ ! -e "$logs/vm" ] || check "$name" "the client was started"
    ;;
  none)
    [ ! -e "$logs/steps" ] || check "$name" "the build ran before the port was found unusable"
    [ ! -e "$logs/vm" ] || check "$name" "the machine was started"
    ;;
  esac
done

# Ctrl+C while the machine runs: the machine's runner is told to stop and the command says so.
# With job control the command is its own job, which takes SIGINT as a terminal gives it.
rm -rf "${logs:?}"/* "$build/vm" "$build/run"
set -m
(
  export PATH="$bin:$PATH" FAKE_LOGS=$logs FAKE_X86=1 FAKE_VM_RC=wait LUDORA_BUILD=$build LUDORA_VNC_PORT=$port
  exec bash "$root/tools/run.sh" </dev/null >"$t/out" 2>&1
) &
command=$!
set +m
for _ in $(seq 300); do grep -qs waiting "$logs/vm" && break; sleep 0.1; done
kill -INT "$command"
for _ in $(seq 300); do kill -0 "$command" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$command" 2>/dev/null; then
  check "Ctrl+C" "the command goes on"
  kill -9 "$command"
fi
wait "$command"
rc=$?
[ "$rc" -eq 130 ] || check "Ctrl+C" "status $rc, expected 130"
grep -qx stopped "$logs/vm" || check "Ctrl+C" "the machine's runner was not stopped: $(cat "$logs/vm")"
grep -qxF "tools/run.sh: stopped; the emulated machine has ended" "$t/out" || check "Ctrl+C" "output: $(cat "$t/out")"

[ "$failures" -eq 0 ] || exit 1
echo "every way and failure as expected"
