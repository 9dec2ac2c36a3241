#!/usr/bin/env bash
# Runs a Windows program of the build under Wine: wine-run.sh WINEDIR PROGRAM [ARGS...]
# WINEDIR/prefix is the tree's prefix, made once with a pinned Windows version, a virtual
# desktop (destroying windows is slow without a window manager) and no crash dialog, and
# made again only when Wine's version or those settings change; programs never run in it.
# They run on a desk (tools/desks.sh): under CTest the one its resource group names
# (CTEST_RESOURCE_GROUP_0_DESK), with that desk's X screen, else the desk "shared" on
# $DISPLAY. Each desk has a copy of the prefix, one persistent wineserver and a program
# that keeps its desktop standing for the whole run. A program marked LUDORA_ALONE (a
# test) outside CTest's desks waits until no other such program runs on "shared".
set -euo pipefail
winedir=$1; shift

export WINEDEBUG=-all
# ANSI code page 936; passed to Wine only (no Linux locale of that name need exist).
locale=(LC_ALL=zh_CN.UTF-8 LANG=zh_CN.UTF-8)
export TZ=Asia/Shanghai
export WINEARCH=win32

settings='REGEDIT4

[HKEY_CURRENT_USER\Software\Wine]
"Version"="win7"

[HKEY_CURRENT_USER\Software\Wine\Explorer]
"Desktop"="Default"

[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]
"Default"="1024x768"

[HKEY_CURRENT_USER\Software\Wine\WineDbg]
"ShowCrashDialog"=dword:00000000
'
overrides="mscoree=;mshtml="
# What the prefix depends on: a change makes it, and every desk's copy, again. A Wine that
# does not run here must not cost the prefix.
if ! version=$(wine --version 2>/dev/null) || [ -z "$version" ]; then
  echo "wine-run.sh: Wine does not run on this machine ('wine --version' fails)" >&2
  exit 1
fi
key="$version $WINEARCH $overrides $(printf '%s' "$settings" | sha1sum | cut -c1-16)"

desk=shared
if [ "${CTEST_RESOURCE_GROUP_COUNT:-0}" -gt 0 ]; then
  if ! [[ ${CTEST_RESOURCE_GROUP_0_DESK:-} =~ ^id:([0-9]+), ]]; then
    echo "wine-run.sh: CTest gave no desk (CTEST_RESOURCE_GROUP_0_DESK='${CTEST_RESOURCE_GROUP_0_DESK:-}')" >&2
    exit 1
  fi
  desk=${BASH_REMATCH[1]}
  if [ ! -s "$winedir/desks/$desk/display" ]; then
    echo "wine-run.sh: desk $desk has no X screen ($winedir/desks/$desk/display); tools/desks.sh starts them" >&2
    exit 1
  fi
  export DISPLAY=":$(cat "$winedir/desks/$desk/display")"
fi
deskdir=$winedir/desks/$desk
export WINEPREFIX="$deskdir/prefix"

make_prefix() { # PREFIX: a new prefix with the settings above
  local prefix=$1
  rm -rf "$prefix"
  # No Gecko or Mono installer during the boot. The launcher gives the boot five minutes,
  # which a loaded emulated machine can outlast; the boot goes on, so wait for its end.
  WINEPREFIX=$prefix env "${locale[@]}" WINEDLLOVERRIDES="$overrides" DISPLAY= wineboot -i >/dev/null 2>&1 || true
  WINEPREFIX=$prefix wineserver -w
  printf '%s' "$settings" > "$winedir/settings.reg"
  WINEPREFIX=$prefix env "${locale[@]}" DISPLAY= wine regedit /S "$(WINEPREFIX=$prefix winepath -w "$winedir/settings.reg")" >/dev/null 2>&1
  WINEPREFIX=$prefix wineserver -k || true; WINEPREFIX=$prefix wineserver -w
  if ! WINEPREFIX=$prefix env "${locale[@]}" DISPLAY= wine cmd /c exit </dev/null >/dev/null 2>&1; then
    echo "wine-run.sh: the new prefix $prefix does not start a program" >&2
    exit 1
  fi
  WINEPREFIX=$prefix wineserver -k || true; WINEPREFIX=$prefix wineserver -w
}

# The system's program files, which Wine only reads, are linked from the tree's prefix;
# everything else (registry, ini files, users' folders) is copied, so that no desk writes
# into another's file.
linked=(-name '*.dll' -o -name '*.exe' -o -name '*.drv' -o -name '*.sys' -o -name '*.ocx'
  -o -name '*.cpl' -o -name '*.acm' -o -name '*.ax' -o -name '*.tlb' -o -name '*.nls'
  -o -name '*.ttf' -o -name '*.ttc' -o -name '*.fon' -o -name '*.mui' -o -name '*.com'
  -o -name '*.ds' -o -name '*.tsp' -o -name '*.vxd' -o -name '*16')
copy_prefix() { # FROM TO
  rm -rf "$2"
  mkdir -p "$2"
  (cd "$1" && find . \( -type f -path './drive_c/windows/*' \( "${linked[@]}" \) \) -prune -o -print0 |
    tar --null --no-recursion -T - -cf -) | tar -C "$2" -xf -
  (cd "$1" && find . -type f -path './drive_c/windows/*' \( "${linked[@]}" \) -print0 |
    xargs -0 -r cp -l --parents -t "$2")
}

mkdir -p "$deskdir"
exec 9>"$winedir/lock"
flock 9
if [ "$(cat "$winedir/ready" 2>/dev/null)" != "$key" ]; then
  rm -f "$winedir/ready"
  for p in "$winedir"/desks/*/prefix; do
    if [ -d "$p" ]; then WINEPREFIX=$p wineserver -k 2>/dev/null || true; rm -rf "$p" "${p%/prefix}/ready"; fi
  done
  make_prefix "$winedir/prefix"
  printf '%s' "$key" > "$winedir/ready"
fi
if [ "$(cat "$deskdir/ready" 2>/dev/null)" != "$key" ] || [ ! -d "$WINEPREFIX" ]; then
  rm -f "$deskdir/ready"
  copy_prefix "$winedir/prefix" "$WINEPREFIX"
  printf '%s' "$key" > "$deskdir/ready"
fi
flock -u 9

# The desk's own start, one run at a time.
exec 9>"$deskdir/lock"
flock 9
# One server for the whole run, started with no inherited descriptors: whoever reads our
# output (CTest) must see it end when the program ends. The first program (on a screen,
# the desktop's explorer) brings up the prefix's resident processes the same way.
# The virtual desktop goes a moment after the last program on it ends, and a program
# started then can fail to make its windows: the holder, attached to the desktop for the
# whole run, keeps it standing. A desk runs with both, or is started again from nothing.
holder=$winedir/DeskHolder.exe
# Whole reads: a reader that stops at the first match can end the writer with SIGPIPE,
# which pipefail takes for a failure.
desktop_up() { xwininfo -root -children 2>/dev/null | grep 'Wine desktop' >/dev/null; }
holder_up() { tr '\0' ' ' 2>/dev/null <"/proc/$(cat "$deskdir/holder.pid" 2>/dev/null)/cmdline" | grep DeskHolder.exe >/dev/null; }
wait_for() { # WHAT SECONDS COMMAND...: waits until COMMAND holds, failing loudly after SECONDS
  local what=$1 limit=$2 end=$((SECONDS + $2))
  shift 2
  until "$@"; do
    if [ "$SECONDS" -ge "$end" ]; then
      echo "wine-run.sh: $what on desk $desk did not come within $limit s" >&2
      exit 1
    fi
    sleep 0.1
  done
}
if ! wineserver -k0 2>/dev/null || { [ -n "${DISPLAY:-}" ] && ! holder_up; }; then
  wineserver -k 2>/dev/null || true
  wineserver -w
  wineserver -p </dev/null >/dev/null 2>&1 8>&- 9>&-
  if [ -n "${DISPLAY:-}" ]; then
    if [ ! -f "$holder" ]; then
      echo "wine-run.sh: $holder is missing (the target desk_holder builds it)" >&2
      exit 1
    fi
    env "${locale[@]}" wine explorer.exe /desktop=Default,1024x768 </dev/null >/dev/null 2>&1 8>&- 9>&- &
    # Bounded generously: an emulated or loaded machine takes minutes to show it.
    wait_for "the desktop" 600 desktop_up
    rm -f "$deskdir/holder.out"
    setsid env "${locale[@]}" wine "$holder" </dev/null >"$deskdir/holder.out" 2>&1 8>&- 9>&- &
    echo $! > "$deskdir/holder.pid"
    wait_for "the desktop's holder" 600 grep -q attached "$deskdir/holder.out"
  else
    env "${locale[@]}" wine cmd /c exit </dev/null >/dev/null 2>&1 8>&- 9>&- || true
  fi
fi
if [ -n "${DISPLAY:-}" ] && ! desktop_up; then
  echo "wine-run.sh: the desktop of desk $desk is gone from $DISPLAY although its holder runs" >&2
  exit 1
fi
flock -u 9
exec 9>&-

# A test outside CTest's desks runs alone on the shared desk.
if [ "$desk" = shared ] && [ -n "${LUDORA_ALONE:-}" ]; then
  exec 8>"$deskdir/alone"
  flock 8
fi

# A test may ask for another system language (LUDORA_WINE_LOCALE, for example en_US.UTF-8).
if [ -n "${LUDORA_WINE_LOCALE:-}" ]; then
  locale=(LC_ALL="$LUDORA_WINE_LOCALE" LANG="$LUDORA_WINE_LOCALE")
fi
# A process Wine starts for the program inherits the program's output and can outlive it:
# it must not hold our reader's pipe. The program writes to a file, which is followed
# until the program ends.
out=$(mktemp "$deskdir/output.XXXXXX")
env "${locale[@]}" wine "$@" >"$out" 2>&1 8>&- &
pid=$!
tail -n +1 -s 0.1 -f --pid="$pid" "$out" 8>&- &
follower=$!
trap 'kill "$pid" 2>/dev/null' TERM INT HUP
set +e
while wait "$pid"; rc=$?; kill -0 "$pid" 2>/dev/null; do :; done
wait "$follower"
# A program Wine ends on a fault can leave status 0: a GoogleTest case passed only if its
# program got as far as saying so.
if [ "$rc" -eq 0 ] && [[ " $* " == *" --gtest_filter="* ]] && ! grep -q '^\[  PASSED  \]' "$out"; then
  echo "wine-run.sh: $1 ended with status 0 before GoogleTest's closing line (a fault?)" >&2
  rc=1
fi
rm -f "$out"
exit "$rc"
