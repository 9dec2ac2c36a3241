#!/bin/bash
# Runs inside the emulated machine (tools/vm/run.sh with LUDORA_VM_SCRIPT): starts Xvfb,
# makes the Wine prefix and takes the pictures of tools/screens/shoot.sh into the folder the
# host named in BUILD/vm/run/args. The output goes to the second serial port; the exit code
# to BUILD/vm/run/rc.
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

exec 3>"$run/xvfb.display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
exec 3>&-
for _ in $(seq 300); do [ -s "$run/xvfb.display" ] && break; sleep 0.1; done
if [ ! -s "$run/xvfb.display" ]; then
  echo "ludora-vm: Xvfb did not start"
  echo 1 > "$run/rc"
  exit 1
fi
export DISPLAY=":$(cat "$run/xvfb.display")"

if ! "$root/tools/wine-run.sh" "$build/win32/wine" cmd /c exit </dev/null >"$run/prefix.log" 2>&1; then
  echo "ludora-vm: the Wine prefix could not be made:"; cat "$run/prefix.log"
  echo 1 > "$run/rc"
  exit 1
fi
sync
bash "$root/tools/screens/shoot.sh" "$build" "${args[0]}" </dev/null 2>&1 | cat
echo "${PIPESTATUS[0]}" > "$run/rc"
kill "$xvfb_pid" 2>/dev/null
sync
echo "ludora-vm: pictures done"
