# shellcheck shell=bash
# Desks for the Windows tests, sourced by tools/test.sh and tools/vm/guest-run.sh. A desk
# is an X screen (Xvfb) and a Wine prefix of its own (tools/wine-run.sh copies it from the
# tree's prefix on first use); CTest hands each Windows test one desk through its resource
# groups, so tests that take the foreground, the pointer or the desktop run side by side,
# each alone on its desktop.
#   xvfb_start FILE: an X screen whose number goes to FILE; fails loudly if none comes up.
#   desks_start WINEDIR COUNT: COUNT screens, their numbers in WINEDIR/desks/N/display, and
#     the resource spec WINEDIR/desks.json that CTest takes with --resource-spec-file.
#   desks_stop WINEDIR: ends every desk's Wine server (and the tree's shared one) and the
#     screens started here.
xvfb_pids=()

xvfb_start() {
  local file=$1 pid
  rm -f "$file"
  exec 3>"$file"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  pid=$!
  exec 3>&-
  xvfb_pids+=("$pid")
  # An emulated machine under load can take many seconds to start one.
  local end=$((SECONDS + 120))
  until [ -s "$file" ]; do
    if ! kill -0 "$pid" 2>/dev/null; then
      echo "Xvfb ended before it opened a screen (for $file)" >&2
      return 1
    fi
    if [ "$SECONDS" -ge "$end" ]; then
      echo "Xvfb opened no screen within 120 s (for $file)" >&2
      return 1
    fi
    sleep 0.1
  done
}

desks_start() {
  local winedir=$1 count=$2 i sep=
  [ "$count" -ge 1 ] || count=1
  rm -rf "$winedir/desks.json"
  mkdir -p "$winedir/desks"
  for ((i = 0; i < count; i++)); do
    mkdir -p "$winedir/desks/$i"
    rm -f "$winedir/desks/$i/holder.pid"
    xvfb_start "$winedir/desks/$i/display" || return 1
  done
  {
    printf '{"version": {"major": 1, "minor": 0}, "local": [{"desk": ['
    for ((i = 0; i < count; i++)); do
      printf '%s{"id": "%d", "slots": 1}' "$sep" "$i"
      sep=', '
    done
    printf ']}]}\n'
  } >"$winedir/desks.json"
}

desks_stop() {
  local winedir=$1 p
  for p in "$winedir"/desks/*/prefix; do
    if [ -d "$p" ]; then WINEPREFIX=$p wineserver -k 2>/dev/null || true; fi
  done
  [ ${#xvfb_pids[@]} -eq 0 ] || kill "${xvfb_pids[@]}" 2>/dev/null || true
  xvfb_pids=()
  return 0
}
