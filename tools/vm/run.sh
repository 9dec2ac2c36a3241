#!/usr/bin/env bash
# Runs the Windows tree's CTest inside an x86-64 virtual machine, for hosts that cannot run
# 32-bit x86 programs: run.sh ROOT BUILD [CTEST ARGS...]
# The machine (qemu) boots Debian's kernel with the host's root shared read-only and ROOT
# and BUILD shared writable at the same paths, runs tools/vm/guest-run.sh and powers off.
# Where /dev/kvm opens it runs with KVM, at about the hardware's speed; a guest that does not
# come up within LUDORA_VM_KVM_BOOT seconds (nested KVM does not run every kernel) is
# stopped and the machine starts again in emulation without help (TCG). BUILD/vm/accel
# then says "kvm" or "tcg". CTest's output is printed as it comes; the exit code is CTest's.
# The console log is BUILD/vm/serial.log. LUDORA_JOBS (CTest's jobs), LUDORA_VM_CPUS,
# LUDORA_VM_MEMORY and LUDORA_VM_TIMEOUT (seconds) tune it, LUDORA_VM_ACCEL=tcg skips KVM
# and =kvm tries it even where /dev/kvm does not open; LUDORA_VM_SCRIPT names another guest
# script to run in place of guest-run.sh (tools/bench/vm-guest.sh runs the benchmarks).
# LUDORA_VM_FORWARD (a qemu hostfwd rule, tcp:127.0.0.1:PORT-:GUESTPORT) gives the machine a
# network card on qemu's user networking, closed to the outside but for that one port.
set -euo pipefail
root=$1 build=$2
shift 2
here=$(cd "$(dirname "$0")" && pwd)
vm=$build/vm
run=$vm/run
cpus=${LUDORA_VM_CPUS:-$(nproc)}
memory=${LUDORA_VM_MEMORY:-8G}
limit=${LUDORA_VM_TIMEOUT:-4500}
kvm_boot=${LUDORA_VM_KVM_BOOT:-60}
jobs=${LUDORA_JOBS:-$cpus}

for p in "$root" "$build"; do
  if [[ $p =~ [[:space:],] ]]; then
    echo "tools/vm: the path '$p' holds a space or a comma, which the machine's shares cannot take" >&2
    exit 1
  fi
done

rm -f "$vm/accel"
t0=$(date +%s)
bash "$here/image.sh" "$vm"
t1=$(date +%s)
echo "tools/vm: boot files ready in $((t1 - t0)) s"

rm -rf "$run"
mkdir -p "$run"
{
  printf 'jobs=%q\n' "$jobs"
  printf 'args=('; [ $# -eq 0 ] || printf '%q ' "$@"; printf ')\n'
} > "$run/args"
: > "$run/ctest.out"

shares=("$root")
case "$build/" in "$root"/*) ;; *) shares+=("$build") ;; esac
virtfs=()
for i in "${!shares[@]}"; do
  virtfs+=(-virtfs "local,path=${shares[$i]},mount_tag=share$i,security_model=none,multidevs=remap")
done
list=$(IFS=,; echo "${shares[*]}")

# The time-stamp counter is steady: clock reads then stay in user space.
qemu=(qemu-system-x86_64 -nodefaults -no-user-config -display none -no-reboot
  -machine q35 -smp "$cpus" -m "$memory"
  -kernel "$vm/vmlinuz" -initrd "$vm/initrd"
  -append "console=ttyS0 panic=-1 loglevel=6 clocksource=tsc tsc=reliable ludora.shares=$list ludora.build=$build ludora.script=${LUDORA_VM_SCRIPT:-$here/guest-run.sh}"
  -serial "file:$vm/serial.log" -serial "file:$run/ctest.out"
  -virtfs "local,path=/,mount_tag=hostroot,security_model=none,readonly=on,multidevs=remap"
  "${virtfs[@]}")
if [ -n "${LUDORA_VM_FORWARD:-}" ]; then
  qemu+=(-netdev "user,id=net0,restrict=on,hostfwd=$LUDORA_VM_FORWARD" -device virtio-net-pci,netdev=net0)
fi
# No SMAP under TCG: this qemu's emulation faults on a 32-bit iret in user mode with it,
# which the guest kernel takes for its own fault and kills the Wine process.
kvm=(-accel kvm -cpu host)
tcg=(-accel tcg,thread=multi -cpu max,-smap)

start_machine() { # ACCEL ARGS...: starts the machine in the background (qpid)
  : > "$vm/serial.log"
  : > "$run/ctest.out"
  timeout --kill-after=20 "$limit" "${qemu[@]}" "$@" </dev/null >"$vm/qemu.log" 2>&1 &
  qpid=$!
}
came_up() { # true once the guest's first process has mounted the shares, within kvm_boot s
  local end=$((SECONDS + kvm_boot))
  while [ "$SECONDS" -lt "$end" ]; do
    grep -q 'ludora-vm: shares mounted' "$vm/serial.log" && return 0
    kill -0 "$qpid" 2>/dev/null || { grep -q 'ludora-vm: shares mounted' "$vm/serial.log"; return; }
    sleep 0.5
  done
  return 1
}

accel=${LUDORA_VM_ACCEL:-}
if [ -z "$accel" ]; then
  accel=tcg
  [ -c /dev/kvm ] && [ -r /dev/kvm ] && [ -w /dev/kvm ] && accel=kvm
fi
trap 'kill "$qpid" 2>/dev/null || true' EXIT
trap 'exit 143' TERM INT
if [ "$accel" = kvm ]; then
  start_machine "${kvm[@]}"
  if came_up; then
    echo "tools/vm: the machine runs with KVM"
  else
    if kill "$qpid" 2>/dev/null; then
      echo "tools/vm: the machine with KVM did not come up within $kvm_boot s"
    else
      echo "tools/vm: the machine with KVM ended before it came up: $(tail -c 300 "$vm/qemu.log" | tr '\n' ' ')"
    fi
    wait "$qpid" 2>/dev/null || true
    accel=tcg
  fi
fi
if [ "$accel" = tcg ]; then
  echo "tools/vm: the machine runs in emulation without help (TCG)"
  start_machine "${tcg[@]}"
fi
echo "$accel" > "$vm/accel"
tail -n +1 -F --pid="$qpid" "$run/ctest.out" 2>/dev/null &
tpid=$!
set +e
wait "$qpid"
qrc=$?
set -e
wait "$tpid" 2>/dev/null || true
echo "tools/vm: the machine ran $(( $(date +%s) - t1 )) s"

if [ "$qrc" -eq 124 ] || [ "$qrc" -eq 137 ]; then
  echo "tools/vm: the machine did not finish within $limit s and was stopped (console: $vm/serial.log)" >&2
  exit 1
fi
if [ "$qrc" -ne 0 ]; then
  echo "tools/vm: qemu failed ($qrc): $(tail -5 "$vm/qemu.log")" >&2
  exit 1
fi
if [ ! -s "$run/rc" ]; then
  echo "tools/vm: the tests did not report an exit code (console: $vm/serial.log)" >&2
  tail -20 "$vm/serial.log" >&2
  exit 1
fi
exit "$(cat "$run/rc")"
