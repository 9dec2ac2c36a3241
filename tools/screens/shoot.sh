#!/usr/bin/env bash
# Takes the pictures of the main window, the about window and a player window:
# shoot.sh BUILD OUTDIR
# Runs where Wine runs (x86 hardware, or inside the emulated machine of tools/vm/), on the
# X screen in DISPLAY, with programs already built in BUILD/win32/bin. Starts the local
# portal, starts the client, waits for its main window, opens its caption menu and saves
# OUTDIR/main-window.png; picks "about" in the menu and saves OUTDIR/about-window.png; then
# plays a game of the portal through the player library (ShowPlayer) and saves
# OUTDIR/player-window.png. Each picture is cropped to its window.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$1 out=$2
bin=$build/win32/bin
settle=${LUDORA_SCREENSHOT_SETTLE:-3}
mkdir -p "$out"

pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  WINEPREFIX="$build/win32/wine/desks/shared/prefix" wineserver -k 2>/dev/null || true
}
trap cleanup EXIT

wine_run() { "$root/tools/wine-run.sh" "$build/win32/wine" "$@"; }

# Saves the window of the class $1 as $2, once it is shown.
shoot() {
  local class=$1 file=$2 dx=0 dy=0 desktop
  # Wine's output goes to a file: a capture of it can hang on Wine's background services.
  if ! wine_run "$bin/WaitWindow.exe" "$class" 180 "$settle" >"$build/screens.rect" 2>/dev/null; then
    echo "screens: $(tr -d '\r' <"$build/screens.rect")" >&2
    return 1
  fi
  # The rectangle, then the window region's rectangles if it has one. No process
  # substitution: the emulated machine has no /dev/fd.
  tr -d '\r' <"$build/screens.rect" | head -1 >"$build/screens.window"
  tr -d '\r' <"$build/screens.rect" | tail -n +2 >"$build/screens.region"
  read -r x y w h <"$build/screens.window"
  local draw=() l t r b
  while read -r l t r b; do
    draw+=(-draw "rectangle $l,$t,$((r - 1)),$((b - 1))")
  done <"$build/screens.region"
  # Windows sit on Wine's virtual desktop, itself an X window.
  desktop=$(xwininfo -root -children | grep 'Wine desktop' | head -1 || true)
  if [[ $desktop =~ \ ([+-][0-9]+)([+-][0-9]+)$ ]]; then
    dx=${BASH_REMATCH[1]} dy=${BASH_REMATCH[2]}
  fi
  # Painting reaches the X server a little after the window's thread is idle.
  sleep 1
  import -window root -crop "$(printf '%dx%d%+d%+d' "$w" "$h" $((x + dx)) $((y + dy)))" +repage "$file"
  # Outside the window region the desktop shows through: make it transparent.
  if [ ${#draw[@]} -gt 0 ]; then
    convert -size "${w}x${h}" xc:black +antialias -fill white "${draw[@]}" "$build/screens.mask.png"
    convert "$file" "$build/screens.mask.png" -alpha off -compose CopyOpacity -composite "$file"
  fi
  echo "screens: saved $file (${w}x${h} at $x,$y)"
}

python3 "$root/tools/portal/box_site.py" --port 8631 --time-limit 1800 >/dev/null 2>&1 &
pids+=($!)

cd "$bin"
wine_run Ludora.exe >/dev/null 2>&1 &
main=$!
pids+=("$main")
# The bundled skin's caption-menu button: 25 by 15 pixels, 108 left of the right edge, 7
# below the top. Its menu lies inside the window; picking its second item opens the about
# window.
wine_run "$bin/WaitWindow.exe" TMainForm 180 "$settle" >/dev/null 2>&1 || { echo "screens: no main window" >&2; exit 1; }
wine_run "$bin/UserInput.exe" click TMainForm -96 15 >"$build/screens.input" 2>/dev/null || true
echo "screens: $(tr -d '\r' <"$build/screens.input")"
if ! wine_run "$bin/WaitWindow.exe" '#32768' 60 1 >/dev/null 2>&1; then
  echo "screens: the caption menu did not open" >&2
  exit 1
fi
shoot TMainForm "$out/main-window.png"
wine_run "$bin/UserInput.exe" keys down down return >/dev/null 2>&1
shoot TAboutForm "$out/about-window.png"
kill "$main" 2>/dev/null || true

wine_run ShowPlayer.exe "http://127.0.0.1:8631/flash/1001" 600 >/dev/null 2>&1 &
pids+=($!)
shoot TPlayForm "$out/player-window.png"
