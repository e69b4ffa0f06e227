#!/bin/sh
# The browser build against the desktop build $1, when "web" matches $2 (or
# $2 is empty): the timedemo's time per frame in headless chromium and
# natively, and the bytes the game page downloads before its title shows;
# then the game page on a phone (phone.mjs).
# Runs under its own Xvfb without DISPLAY (the native replay needs one).
set -eu
HERE=$(cd "$(dirname "$0")" && pwd)
case "web" in
  *${2:-}*)
    if [ -z "${DISPLAY:-}" ]; then
      BUILD_DIR="$1" xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" node "$HERE/timedemo.mjs"
    else
      BUILD_DIR="$1" node "$HERE/timedemo.mjs"
    fi
    node "$HERE/phone.mjs" ;;
esac
