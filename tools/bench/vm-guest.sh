#!/bin/bash
# Runs inside the emulated machine (tools/vm/run.sh with LUDORA_VM_SCRIPT): makes the Wine
# prefix, then runs the benchmarks the host named in BUILD/vm/run/args, on programs the host
# has built. The output goes to the second serial port; the exit code to BUILD/vm/run/rc.
build=$1
run=$build/vm/run
root=$(cd "$(dirname "$0")/../.." && pwd)
export HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin LUDORA_BUILD=$build
export LUDORA_BENCH_BUILT=1 # the host built the programs
out=/dev/ttyS1
stty -F "$out" raw -echo 2>/dev/null
exec >"$out" 2>&1

args=()
# shellcheck source=/dev/null
. "$run/args"

if ! "$root/tools/wine-run.sh" "$build/win32/wine" cmd /c exit </dev/null >"$run/prefix.log" 2>&1; then
  echo "ludora-vm: the Wine prefix could not be made:"; cat "$run/prefix.log"
  echo 1 > "$run/rc"
  exit 1
fi
sync
echo "ludora-vm: $(nproc) processors, $(free -g | awk '/^Mem:/ {print $2}') GiB; running the benchmarks: ${args[*]}"
rc=0
for bench in "${args[@]}"; do
  echo "=== $bench"
  # Through a pipe: on a terminal Wine's console would write cursor controls.
  case $bench in
    # startup[:RUNS][=A.exe,B.exe] and the same for startup-steps: RUNS rounds (7 unless
    # given), with earlier builds in bin/ measured in the same rounds
    startup | startup[:=]* | startup-steps | startup-steps[:=]*)
      name=${bench%%=*} others=()
      [ "$name" = "$bench" ] || IFS=, read -ra others <<<"${bench#*=}"
      runs=7
      [ "${name#*:}" = "$name" ] || runs=${name#*:}
      if [ "${name%%:*}" = startup ]; then
        bash "$root/tools/bench/startup.sh" "$runs" 20 "${others[@]}"
      else
        bash "$root/tools/bench/startup-steps.sh" "$runs" "${others[@]}"
      fi ;;
    player) bash "$root/tools/bench/player.sh" 5 ;;
    player-movie | player-play | player-windows | player-catalogue) bash "$root/tools/bench/player.sh" 5 "${bench#player-}" ;;
    download) python3 "$root/tools/bench/download_bench.py" "$build" 3 ;;
    download-small) python3 "$root/tools/bench/download_bench.py" "$build" 2 16 ;;
    frame) bash "$root/tools/bench/frame.sh" ;;
    skin) bash "$root/tools/bench/skin.sh" ;;
    *) echo "unknown benchmark $bench"; false ;;
  esac 2>&1 | cat
  [ "${PIPESTATUS[0]}" -eq 0 ] || rc=1
done
echo "$rc" > "$run/rc"
WINEPREFIX="$build/win32/wine/desks/shared/prefix" wineserver -k 2>/dev/null
echo "ludora-vm: benchmarks done"
