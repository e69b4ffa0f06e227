#!/bin/sh
# The timedemo: replays busy.txt (the title, the option box, a Hard round
# with a full field, the game over) with skarnel-replay in build dir $1 as
# fast as the machine allows, when "timedemo" matches $2 (or $2 is empty).
# Runs under its own Xvfb without DISPLAY; prints the process CPU per frame
# and per update and the frames per CPU-second.
set -eu
HERE=$(cd "$(dirname "$0")" && pwd)
case "timedemo" in
  *${2:-}*)
    if [ -z "${DISPLAY:-}" ]; then
      xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" python3 "$HERE/timedemo.py" "$1/skarnel-replay" "$HERE/busy.txt"
    else
      python3 "$HERE/timedemo.py" "$1/skarnel-replay" "$HERE/busy.txt"
    fi ;;
esac
