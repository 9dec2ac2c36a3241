#!/usr/bin/env bash
# The Wine runner's run ends when its program ends, even while a process the program left
# behind still holds the program's output, and a GoogleTest case passes only if its program
# said so: wine_run_test.sh RUNNER WINEDIR HOLDER.EXE
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

# Status 0 without GoogleTest's closing line is what a case Wine ended on a fault can leave.
if "$runner" "$winedir" "$holder" quiet --gtest_filter=A.B >"$dir/quiet" 2>&1; then
  echo "FAIL: a case that ended without GoogleTest's closing line counted as passed"
  exit 1
fi
if ! "$runner" "$winedir" "$holder" passed --gtest_filter=A.B >"$dir/passed" 2>&1; then
  echo "FAIL: a case that said it passed counted as failed: $(cat "$dir/passed")"
  exit 1
fi
echo "a case passes only with GoogleTest's closing line"
