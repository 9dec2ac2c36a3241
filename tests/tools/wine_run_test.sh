#!/usr/bin/env bash
# The Wine runner's run ends when its program ends, even while a process the program left
# behind still holds the program's output: wine_run_test.sh RUNNER WINEDIR HOLDER.EXE
set -euo pipefail
runner=$1 winedir=$2 holder=$3

dir=$(mktemp -d)
trap '"$runner" "$winedir" "$holder" release >/dev/null 2>&1 || true; rm -rf "$dir"' EXIT
# The holder's copy waits until released: the pipe ends only if the copy does not hold it.
# The bound fails the test.
mkfifo "$dir/out"
"$runner" "$winedir" "$holder" hold >"$dir/out" 2>&1 &
if ! output=$(timeout 60 cat "$dir/out" | tr -d '\r'); then
  echo "FAIL: the run's output did not end with its program (a process it left holds it)"
  exit 1
fi
if ! grep -qx "holder started" <<<"$output"; then
  echo "FAIL: the program's output was '$output', without 'holder started'"
  exit 1
fi
echo "the run ended with its program"
