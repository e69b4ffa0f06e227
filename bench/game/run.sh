#!/bin/sh
# Runs the play-update benchmark in build dir $1 when its name matches the
# regular expression $2 (or $2 is empty) and prints the time per update.
set -eu
case "round.update" in
  *${2:-}*) "$1/bench_round" --benchmark_min_time=0.5 ;;
esac
