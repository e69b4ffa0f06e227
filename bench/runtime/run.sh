#!/bin/sh
# Runs the runtime benchmarks in build dir $1 whose comparison names match the
# regular expression $2 (all when empty), contenders interleaved over several
# rounds, and prints one "RATIO <name> <peer time / our time>" line for each
# comparison from the median of the rounds.
set -eu
BUILD_DIR=$1 FILTER=${2:-} ROUNDS=${BENCH_ROUNDS:-5} exec python3 - <<'PY'
import json, os, re, statistics, subprocess, sys

build, pattern, rounds = os.environ["BUILD_DIR"], os.environ["FILTER"], int(os.environ["ROUNDS"])
MIN_TIME = "0.3"  # seconds per benchmark run; the rounds give the repetitions
# Times are the measuring thread's CPU time (every contender, Boehm included,
# runs on that one thread), which holds on a loaded machine; pauses are the thread's CPU time too.

# name: (our executable, our benchmark, peer executable, peer benchmark, metric)
COMPARISONS = {
    "gc.churn.vs_boehm": ("bench_gc", "BM_gc_churn_ours", "bench_gc_boehm", "BM_gc_churn_boehm", "cpu_time"),
    "gc.churn.vs_malloc": ("bench_gc", "BM_gc_churn_ours", "bench_gc", "BM_gc_churn_malloc", "cpu_time"),
    "gc.pause_p99.vs_boehm": ("bench_gc", "BM_gc_pause_ours", "bench_gc_boehm", "BM_gc_pause_boehm", "p99_us"),
}
for op in ("copy", "concat", "split", "join", "replace"):
    COMPARISONS[f"string.{op}.vs_std"] = (
        "bench_string", f"BM_string_{op}_ours", "bench_string", f"BM_string_{op}_std", "cpu_time")

chosen = {n: c for n, c in COMPARISONS.items() if re.search(pattern, n)}
runs = []
for ours_exe, ours, peer_exe, peer, _ in chosen.values():
    for run in ((ours_exe, ours), (peer_exe, peer)):
        if run not in runs:
            runs.append(run)

results = {run: [] for run in runs}
for _ in range(rounds):
    for exe, bench in runs:
        out = subprocess.run([os.path.join(build, exe), f"--benchmark_filter=^{bench}(/|$)",
                              "--benchmark_format=json", f"--benchmark_min_time={MIN_TIME}"],
                             check=True, capture_output=True, text=True).stdout
        results[(exe, bench)].append(json.loads(out)["benchmarks"][0])

def median(run, key):
    return statistics.median(b[key] for b in results[run])

for name, (ours_exe, ours, peer_exe, peer, metric) in chosen.items():
    ratio = median((peer_exe, peer), metric) / median((ours_exe, ours), metric)
    print(f"RATIO {name} {ratio:.3f}", flush=True)
    if metric == "p99_us":
        for who, run in (("ours", (ours_exe, ours)), ("boehm", (peer_exe, peer))):
            longest = max(results[run], key=lambda b: b["longest_step_us"])
            print(f"gc.pause {who}: p99 {median(run, 'p99_us'):.0f} us, worst frame "
                  f"{max(b['max_us'] for b in results[run]):.0f} us, longest single step "
                  f"{longest['longest_step_us']:.0f} us at heap {longest['longest_step_heap_mib']:.1f} MiB")
PY
