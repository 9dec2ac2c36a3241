#!/usr/bin/env bash
# Runs a Windows program of the build under Wine: wine-run.sh WINEDIR PROGRAM [ARGS...]
# The prefix (WINEDIR/prefix) is made once per build tree, with a pinned Windows version,
# a virtual desktop (destroying windows is slow without a window manager) and no crash
# dialog; one persistent wineserver then serves every run.
set -euo pipefail
winedir=$1; shift

export WINEPREFIX="$winedir/prefix"
export WINEDEBUG=-all
# ANSI code page 936; passed to Wine only (no Linux locale of that name need exist).
locale=(LC_ALL=zh_CN.UTF-8 LANG=zh_CN.UTF-8)
export TZ=Asia/Shanghai
export WINEARCH=win32

mkdir -p "$winedir"
exec 9>"$winedir/lock"
flock 9
if [ ! -f "$winedir/ready" ]; then
  rm -rf "$WINEPREFIX"
  # No Gecko or Mono installer during the boot. The launcher gives the boot five minutes,
  # which a loaded emulated machine can outlast; the boot goes on, so wait for its end.
  env "${locale[@]}" WINEDLLOVERRIDES="mscoree=;mshtml=" DISPLAY= wineboot -i >/dev/null 2>&1 || true
  wineserver -w
  cat > "$winedir/settings.reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine]
"Version"="win7"

[HKEY_CURRENT_USER\Software\Wine\Explorer]
"Desktop"="Default"

[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]
"Default"="1024x768"

[HKEY_CURRENT_USER\Software\Wine\WineDbg]
"ShowCrashDialog"=dword:00000000
REG
  env "${locale[@]}" DISPLAY= wine regedit /S "$(winepath -w "$winedir/settings.reg")" >/dev/null 2>&1
  wineserver -k || true; wineserver -w
  if ! env "${locale[@]}" DISPLAY= wine cmd /c exit </dev/null >/dev/null 2>&1; then
    echo "wine-run.sh: the new prefix $WINEPREFIX does not start a program" >&2
    exit 1
  fi
  wineserver -k || true; wineserver -w
  touch "$winedir/ready"
fi
# One server for the whole run, started with no inherited descriptors: whoever reads our
# output (CTest) must see it end when the program ends. A first trivial program brings up
# the prefix's resident processes the same way.
if ! wineserver -k0 2>/dev/null; then
  wineserver -p </dev/null >/dev/null 2>&1
  env "${locale[@]}" wine cmd /c exit </dev/null >/dev/null 2>&1 || true
fi
# The virtual desktop comes up with the first window and goes a moment after its last
# program ends; programs started in parallel before it stands can fail to create theirs.
# Bring it up whenever it is not there.
if [ -n "${DISPLAY:-}" ] && ! xwininfo -root -children 2>/dev/null | grep -q 'Wine desktop'; then
  env "${locale[@]}" wine explorer.exe /desktop=Default,1024x768 </dev/null >/dev/null 2>&1 9>&- &
  # Bounded generously: an emulated or loaded machine takes many seconds to show it.
  for _ in $(seq 3000); do
    xwininfo -root -children 2>/dev/null | grep -q 'Wine desktop' && break
    sleep 0.1
  done
fi
flock -u 9
exec 9>&-

# A test may ask for another system language (LUDORA_WINE_LOCALE, for example en_US.UTF-8).
if [ -n "${LUDORA_WINE_LOCALE:-}" ]; then
  locale=(LC_ALL="$LUDORA_WINE_LOCALE" LANG="$LUDORA_WINE_LOCALE")
fi
# A process Wine starts for the program (the desktop's explorer, when the program's first
# window brings the desktop up) inherits the program's output and can outlive it: it must
# not hold our reader's pipe. The program writes to a file, which is followed until the
# program ends.
out=$(mktemp "$winedir/output.XXXXXX")
env "${locale[@]}" wine "$@" >"$out" 2>&1 &
pid=$!
tail -n +1 -s 0.1 -f --pid="$pid" "$out" &
follower=$!
trap 'kill "$pid" 2>/dev/null' TERM INT HUP
set +e
while wait "$pid"; rc=$?; kill -0 "$pid" 2>/dev/null; do :; done
wait "$follower"
rm -f "$out"
exit "$rc"
