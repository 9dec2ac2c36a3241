#!/bin/bash
# Runs inside the emulated machine (tools/vm/run.sh with LUDORA_VM_SCRIPT, from tools/run.sh):
# starts Xvfb, a VNC server on it (port 5900, which the host forwards from 127.0.0.1:PORT),
# a picture of the screen every few seconds, the local portal and the client. BUILD/vm/run/args
# holds PORT, the picture's path and the client's arguments. The machine powers off when the
# client ends; the output goes to the second serial port, the exit code to BUILD/vm/run/rc.
build=$1
run=$build/vm/run
root=$(cd "$(dirname "$0")/../.." && pwd)
export HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin
out=/dev/ttyS1
stty -F "$out" raw -echo 2>/dev/null
exec >"$out" 2>&1

args=()
# shellcheck source=/dev/null
. "$run/args"
port=${args[0]} shot=${args[1]}
client=("${args[@]:2}")
every=5

pids=()
finish() { # RC [REASON]: stops what was started and reports
  [ -z "${2:-}" ] || echo "ludora-vm: $2"
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
  WINEPREFIX="$build/win32/wine/desks/shared/prefix" wineserver -k 2>/dev/null
  echo "$1" > "$run/rc"
  sync
  exit "$1"
}

exec 3>"$run/xvfb.display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
exec 3>&-
for _ in $(seq 300); do [ -s "$run/xvfb.display" ] && break; sleep 0.1; done
[ -s "$run/xvfb.display" ] || finish 1 "no display: Xvfb did not start"
export DISPLAY=":$(cat "$run/xvfb.display")"

# qemu's user networking answers at 10.0.2.2 and forwards to 10.0.2.15.
if ! { ip link set eth0 up && ip addr add 10.0.2.15/24 dev eth0; } 2>"$run/net.log"; then
  finish 1 "the machine has no network card for the VNC server: $(cat "$run/net.log")"
fi
x11vnc -display "$DISPLAY" -rfbport 5900 -forever -shared -nopw -quiet >"$run/x11vnc.log" 2>&1 &
pids+=($!)
for _ in $(seq 600); do (exec 4<>/dev/tcp/127.0.0.1/5900) 2>/dev/null && break; sleep 0.1; done
(exec 4<>/dev/tcp/127.0.0.1/5900) 2>/dev/null || finish 1 "the VNC server did not start: $(tail -3 "$run/x11vnc.log")"
echo "ludora-vm: the machine's screen: VNC on 127.0.0.1:$port (for example vncviewer 127.0.0.1::$port)," \
  "and a picture every $every s in $shot"

# Written aside, synced (the share caches writes in here) and moved: the host never sees
# half a picture.
while sleep "$every"; do
  import -display "$DISPLAY" -window root "$shot.part.png" 2>/dev/null && sync "$shot.part.png" &&
    mv -f "$shot.part.png" "$shot"
done &
pids+=($!)

[ -f "$build/win32/wine/ready" ] || echo "ludora-vm: making the Wine prefix (minutes, once per build folder)"
if ! "$root/tools/wine-run.sh" "$build/win32/wine" cmd /c exit </dev/null >"$run/prefix.log" 2>&1; then
  finish 1 "Wine cannot start a program: $(tail -5 "$run/prefix.log")"
fi
sync

python3 "$root/tools/portal/box_site.py" --port 8631 >/dev/null 2>&1 &
pids+=($!)
echo "ludora-vm: the client starts"
cd "$build/win32/bin" || finish 1 "no $build/win32/bin"
"$root/tools/wine-run.sh" "$build/win32/wine" Ludora.exe "${client[@]}" </dev/null
rc=$?
echo "ludora-vm: the client ended with status $rc"
finish "$rc"
