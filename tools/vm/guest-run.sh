#!/bin/bash
# Runs inside the test machine: starts Xvfb and runs the Windows tree's CTest with the
# arguments the host left in BUILD/vm/run/args. CTest's output goes to the second serial
# port (the host follows it live); its exit code goes to BUILD/vm/run/rc.
build=$1
run=$build/vm/run
export HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin
out=/dev/ttyS1
stty -F "$out" raw -echo 2>/dev/null
exec >"$out" 2>&1

args=() jobs=1
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

# The Wine prefix first: making it here takes minutes, longer than CTest gives a test
# program to list its cases.
t0=$(date +%s)
if ! "$(dirname "$0")/../wine-run.sh" "$build/win32/wine" cmd /c exit </dev/null >"$run/prefix.log" 2>&1; then
  echo "ludora-vm: the Wine prefix could not be made:"; cat "$run/prefix.log"
  echo 1 > "$run/rc"
  exit 1
fi
# The shares cache writes in this machine: the new prefix reaches the host's disk now, so
# that a machine stopped later cannot leave it half written.
sync
echo "ludora-vm: Wine ready in $(( $(date +%s) - t0 )) s"
echo "ludora-vm: $(nproc) processors, $(free -g | awk '/^Mem:/ {print $2}') GiB; running the Windows tests"
# Through a pipe, so that CTest writes no colours.
ctest --test-dir "$build/win32" -j "$jobs" --output-on-failure --timeout 900 "${args[@]}" 2>&1 | cat
echo "${PIPESTATUS[0]}" > "$run/rc"
WINEPREFIX="$build/win32/wine/prefix" wineserver -k 2>/dev/null
kill "$xvfb_pid" 2>/dev/null
echo "ludora-vm: tests done"
