#!/bin/bash
# Runs inside the test machine: starts the X screens (one for what runs outside CTest's
# desks, one per desk) and runs the Windows tree's CTest with the arguments the host left
# in BUILD/vm/run/args. CTest's output goes to the second serial port (the host follows it
# live); its exit code goes to BUILD/vm/run/rc.
build=$1
run=$build/vm/run
winedir=$build/win32/wine
export HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin
out=/dev/ttyS1
stty -F "$out" raw -echo 2>/dev/null
exec >"$out" 2>&1

args=() jobs=1
# shellcheck source=/dev/null
. "$run/args"
# shellcheck source=tools/desks.sh
. "$(dirname "$0")/../desks.sh"
fail() {
  echo "ludora-vm: $*"
  echo 1 > "$run/rc"
  desks_stop "$winedir"
  exit 1
}

xvfb_start "$run/xvfb.display" || fail "Xvfb did not start"
export DISPLAY=":$(cat "$run/xvfb.display")"
desks_start "$winedir" "$jobs" || fail "the desks' Xvfb did not start"

# The Wine prefix first, and each desk's copy, server and desktop: making them here takes
# minutes, longer than CTest gives a test program to list its cases.
t0=$(date +%s)
if ! "$(dirname "$0")/../wine-run.sh" "$winedir" cmd /c exit </dev/null >"$run/prefix.log" 2>&1; then
  fail "the Wine prefix could not be made:
$(cat "$run/prefix.log")"
fi
pids=()
for ((i = 0; i < jobs; i++)); do
  CTEST_RESOURCE_GROUP_COUNT=1 CTEST_RESOURCE_GROUP_0=desk CTEST_RESOURCE_GROUP_0_DESK="id:$i,slots:1" \
    "$(dirname "$0")/../wine-run.sh" "$winedir" cmd /c exit </dev/null >"$run/desk$i.log" 2>&1 &
  pids+=($!)
done
for i in "${!pids[@]}"; do
  wait "${pids[$i]}" || fail "desk $i did not start:
$(cat "$run/desk$i.log")"
done
# Each program runs once to list its cases before CTest starts; CTest, which would run
# them one after another, then reads the lists.
t1=$(date +%s)
find "$build/win32" -name '*_include.cmake' -print0 |
  xargs -0 -r -n 1 -P "$jobs" cmake -P "$(dirname "$0")/../list-tests.cmake" >"$run/list.log" 2>&1
echo "ludora-vm: test programs listed in $(( $(date +%s) - t1 )) s"
# The shares cache writes in this machine: the new prefixes reach the host's disk now, so
# that a machine stopped later cannot leave them half written.
sync
echo "ludora-vm: Wine ready in $(( $(date +%s) - t0 )) s, $jobs desks"
echo "ludora-vm: $(nproc) processors, $(free -g | awk '/^Mem:/ {print $2}') GiB; running the Windows tests"
# Through a pipe, so that CTest writes no colours.
ctest --test-dir "$build/win32" -j "$jobs" --resource-spec-file "$winedir/desks.json" \
  --output-on-failure --timeout 900 "${args[@]}" 2>&1 | cat
echo "${PIPESTATUS[0]}" > "$run/rc"
desks_stop "$winedir"
echo "ludora-vm: tests done"
