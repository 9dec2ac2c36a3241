#!/usr/bin/env bash
# Executions of each libFuzzer harness of the native build in a fixed time, as CI runs them
# (optimised, with the address and undefined-behaviour sanitizers), each from its seed
# corpus and a fresh work folder:
#   fuzz_rate.sh [seconds] [runs] [parallel] [name-regex]   (defaults 30 3 2 .)
# Prints, per harness, the executions of every run, their median and the coverage reached,
# and the machine's load average before and after the runs (the figures depend on it).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${LUDORA_BUILD:-$root/build}/native
seconds=${1:-30} runs=${2:-3} parallel=${3:-2} filter=${4:-.}

# Harness names and seed corpora, from the CTest list of the native build.
mapfile -t harnesses < <(ctest --test-dir "$build" -N -L fuzz | sed -n 's/^ *Test *#[0-9]*: //p' | grep -E "$filter")
targets=()
for h in "${harnesses[@]}"; do targets+=(--target "$h"); done
cmake --build "$build" -j "${LUDORA_JOBS:-3}" "${targets[@]}" >/dev/null

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
one() { # harness run
  local h=$1 r=$2 exe corpus
  exe=$(find "$build/tests" -type f -name "$h" -perm -u+x | head -1)
  corpus=$(sed -n "s|.*'$build/tests/[^']*/$h-corpus' '\([^']*\)'.*|\1|p" "$(dirname "$exe")/CTestTestfile.cmake" | head -1)
  mkdir -p "$out/$h.$r"
  ASAN_OPTIONS=detect_leaks=1 "$exe" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 "$out/$h.$r" ${corpus:+"$corpus"} >"$out/$h.$r.log" 2>&1 || true
}
export -f one
export build seconds out
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
for r in $(seq "$runs"); do for h in "${harnesses[@]}"; do echo "$h $r"; done; done |
  xargs -P "$parallel" -n 2 bash -c 'one "$0" "$1"'
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"

printf '%-28s %10s  %s\n' harness median "runs (executions in ${seconds} s; coverage)"
for h in "${harnesses[@]}"; do
  execs=() cov=
  for r in $(seq "$runs"); do
    execs+=("$(sed -n 's/^stat::number_of_executed_units: *//p' "$out/$h.$r.log")")
    cov=$(grep -o 'cov: [0-9]*' "$out/$h.$r.log" | tail -1 | cut -d' ' -f2)
    grep -q 'ERROR: libFuzzer\|==ERROR\|runtime error' "$out/$h.$r.log" && echo "$h run $r found a fault:" &&
      grep -m3 'ERROR\|runtime error' "$out/$h.$r.log"
  done
  median=$(printf '%s\n' "${execs[@]}" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}')
  printf '%-28s %10s  %s; cov %s\n' "$h" "$median" "${execs[*]}" "$cov"
done
