#!/bin/sh
# Runs the display-list playback benchmark in build dir $1 when its name
# matches $2 (or $2 is empty), under its own Xvfb without DISPLAY, and prints
# the processor and wall time of one render of a full list and of the busy
# round frame, then that frame's draw calls and records as COUNT lines.
set -eu
case "game.draw_list" in
  *${2:-}*)
    if [ -z "${DISPLAY:-}" ]; then
      xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" "$1/bench_draw_list" --benchmark_min_time=1
    else
      "$1/bench_draw_list" --benchmark_min_time=1
    fi ;;
esac
