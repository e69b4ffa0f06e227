#!/usr/bin/env bash
# Runs the render contenders side by side, each in its own process under one
# Xvfb server (swap interval 0), and prints "RATIO render.<scene>.vs_<peer>"
# with the peer's processor time divided by ours (above 1: we are faster). Each scene is
# measured in interleaved rounds and every contender keeps its best round, so
# load from other processes on the machine touches all of them alike.
# Usage: bench/render/run.sh BUILD_DIR [FILTER]
set -euo pipefail
BUILD=${1:?build directory}
FILTER=${2:-}
ROUNDS=${RENDER_BENCH_ROUNDS:-3}
SCENES="sprites_2500 submit_20000"
PEERS="rawgl sdl2 sfml"

wanted() {
  local name=render.$1
  [ -z "$FILTER" ] || [[ "$name" == *"$FILTER"* ]] || [[ "$FILTER" == "$name"* ]]
}

run_scene() {
  local scene=$1 best_ours="" who t
  declare -A best
  for ((r = 0; r < ROUNDS; r++)); do
    for who in ours $PEERS; do
      t=$("$BUILD/bench_render_$who" "$scene" 2>/dev/null | awk '/^TIME/ {print $2}')
      [ -n "$t" ] || { echo "render: $who failed on $scene" >&2; return 1; }
      if [ -z "${best[$who]:-}" ] || awk -v a="$t" -v b="${best[$who]}" 'BEGIN {exit !(a < b)}'; then
        best[$who]=$t
      fi
    done
  done
  for who in $PEERS; do
    awk -v p="${best[$who]}" -v o="${best[ours]}" -v n="render.$scene.vs_$who" \
      'BEGIN {printf "RATIO %s %.3f\n", n, p / o}'
  done
}

if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" bash "$0" "$@"
fi
for scene in $SCENES; do
  if wanted "$scene"; then run_scene "$scene"; fi
done
