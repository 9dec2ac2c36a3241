#!/usr/bin/env bash
# Player benchmark in the build's Wine prefix on a private screen:
#   player.sh [runs [parts]]   (parts: any of "movie play windows catalogue", default all)
#  - the movie copy of a 64 MB URL-cache entry against cp of the same file into the same
#    folder and against CopyFileA, medians of RUNS copies each;
#  - Play (load Tessel.dll by name, ShowForm) to a visible player window, first and second
#    call of a process, medians of RUNS processes, against the main window's own start-up
#    (process start to visible window, median of RUNS starts);
#  - handles and private bytes around 100 player windows opened and closed;
#  - handles and private bytes around 100 catalogue navigations to a recorded game.
set -euo pipefail
# shellcheck source=tools/bench/lib.sh
. "$(dirname "$0")/lib.sh"
runs=${1:-5}
parts=${2:-movie play windows catalogue}
bench_build PlayerBench CatalogueBench Tessel Ludora StartupBench
bench_display
bench=$build/win32/tools/bench
median() { sort -g | awk '{a[NR] = $1} END {print a[int((NR + 1) / 2)]}'; }

movie() {
  # The movie copy writes beside the program: Data/swf/ of PlayerBench's folder.
  entry=$(wine_run "$bench/PlayerBench.exe" entry | tr -d '\r')
  [[ $entry == [A-Za-z]:* ]] || { echo "no cache entry: $entry"; exit 1; }
  drive=$(tr '[:upper:]' '[:lower:]' <<<"${entry:0:1}")
  file=$build/win32/wine/desks/shared/prefix/drive_$drive$(tr '\\' / <<<"${entry:2}")
  mkdir -p "$bench/Data/swf"
  cp_times=$(for _ in $(seq "$runs"); do
    start=$(date +%s.%N); cp "$file" "$bench/Data/swf/cp-copy.swf"; end=$(date +%s.%N)
    awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f\n", b - a }'
  done | median)
  rm -f "$bench/Data/swf/cp-copy.swf"
  movie=$(wine_run "$bench/PlayerBench.exe" movie "$runs" | tr -d '\r')
  echo "$movie"
  echo "cp of the same file into the same folder: median $cp_times s ($runs runs)"
  movie_s=$(sed -n 's/.*median \([0-9.]*\) s,.*/\1/p' <<<"$movie")
  awk -v c="$cp_times" -v m="$movie_s" 'BEGIN { printf "movie copy speed as a share of cp: %.2f\n", c / m }'
}

play() {
  plays=$(for _ in $(seq "$runs"); do wine_run "$bench/PlayerBench.exe" play "$(win "$build/win32/bin/Tessel.dll")"; done | tr -d '\r')
  first=$(sed -n 's/.*first \([0-9.]*\) ms.*/\1/p' <<<"$plays" | median)
  second=$(sed -n 's/.*second \([0-9.]*\) ms.*/\1/p' <<<"$plays" | median)
  start=$(wine_run "$bench/StartupBench.exe" "$runs" "$(win "$build/win32/bin/Ludora.exe")" | tr -d '\r')
  main=$(sed -n 's/.*median of [0-9]*: \([0-9.]*\) ms.*/\1/p' <<<"$start")
  echo "play to a visible player window, median of $runs processes: first $first ms, second $second ms"
  echo "main window start-up (process start to visible window), median of $runs: $main ms"
  awk -v f="$first" -v s="$second" -v m="$main" \
    'BEGIN { printf "play as a share of the main window start-up: first %.2f, second %.2f\n", f / m, s / m }'
}

windows() {
  wine_run "$bench/PlayerBench.exe" windows "$(win "$build/win32/bin/Tessel.dll")" 100 | tr -d '\r'
}

catalogue() {
  wine_run "$bench/CatalogueBench.exe" 100 | tr -d '\r'
}

for part in $parts; do "$part"; done
