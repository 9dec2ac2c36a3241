#!/usr/bin/env bash
# The Wine runner's run ends when its program ends, even while a process the program left
# behind still holds the program's output: wine_run_test.sh RUNNER WINEDIR HOLDER.EXE
set -euo pipefail
runner=$1 winedir=$2 holder=$3

trap '"$runner" "$winedir" "$holder" release >/dev/null 2>&1 || true' EXIT
# The holder's copy waits until released: the pipe below ends only if the copy does not
# hold it. The bound fails the test.
exec {pipe}< <("$runner" "$winedir" "$holder" hold)
if ! output=$(timeout 60 cat <&"$pipe" | tr -d '\r'); then
  echo "FAIL: the run's output did not end with its program (a process it left holds it)"
  exit 1
fi
if [ "$output" != "holder started" ]; then
  echo "FAIL: the program's output was '$output', not 'holder started'"
  exit 1
fi
echo "the run ended with its program"
