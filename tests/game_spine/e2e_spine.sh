#!/usr/bin/env bash
# End to end: the real game under X with XTEST key events. The title shows,
# a held confirm key starts a round, F11 switches to the desktop size and
# back, a resized window keeps running, and F4 ends with status 0.
# Usage: e2e_spine.sh GAME_BINARY   (runs under Xvfb itself without DISPLAY)
set -euo pipefail
GAME=$1
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi
WORK=$(mktemp -d)
trap 'kill "$PID" 2>/dev/null || true; rm -rf "$WORK"' EXIT
cd "$WORK"
fail() { echo "FAIL: $*"; exit 1; }

# Mean brightness (0..1) of a region of the window, from a root screenshot.
brightness() {  # x y w h
  local geo x0 y0
  geo=$(xdotool getwindowgeometry "$WIN" | awk '/Position/ {print $2}')
  x0=${geo%,*}; y0=${geo#*,}
  import -window root shot.png
  convert shot.png -crop "$3x$4+$((x0 + $1))+$((y0 + $2))" +repage -colorspace gray -format '%[fx:mean]' info:
}
size() { xdotool getwindowgeometry "$WIN" | awk '/Geometry/ {print $2}'; }

"$GAME" > out.txt 2>&1 &
PID=$!
for _ in $(seq 50); do
  WIN=$(xdotool search --onlyvisible --name 'Skarnel|GLFW' 2>/dev/null | head -1 || true)
  [ -n "$WIN" ] && break
  sleep 0.1
done
[ -n "$WIN" ] || fail "no window"
sleep 1.5

[ "$(size)" = "640x480" ] || fail "window is $(size), not 640x480"
prompt=$(brightness 200 310 240 50)
awk -v b="$prompt" 'BEGIN { exit !(b > 0.05) }' || fail "no title prompt ($prompt)"

# A held confirm key starts a round: the prompt goes, the ship appears at the left.
xdotool keydown space; sleep 0.3; xdotool keyup space; sleep 0.5
ship=$(brightness 12 220 40 40)
awk -v b="$ship" 'BEGIN { exit !(b > 0.02) }' || fail "no ship after confirm ($ship)"

# A re-created window has no focus without a window manager: give it back.
xdotool key F11; sleep 1.5
WIN=$(xdotool search --onlyvisible --name 'Skarnel|GLFW' | head -1)
xdotool windowfocus "$WIN"; sleep 0.3
[ "$(size)" = "1280x1024" ] || fail "full screen is $(size)"
xdotool key F11; sleep 1.5
WIN=$(xdotool search --onlyvisible --name 'Skarnel|GLFW' | head -1)
xdotool windowfocus "$WIN"; sleep 0.3
[ "$(size)" = "640x480" ] || fail "back from full screen is $(size)"

xdotool windowsize "$WIN" 900 700; sleep 1.5
kill -0 "$PID" || fail "game ended after resize"
[ "$(size)" = "900x700" ] || fail "resized window is $(size)"

xdotool key F4
status=0
wait "$PID" || status=$?
[ "$status" = 0 ] || fail "F4 exit status $status"
echo "PASS"
