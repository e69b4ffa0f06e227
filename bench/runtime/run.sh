#!/bin/sh
# Runs the runtime benchmarks in build dir $1 whose comparison names match the
# regular expression $2 (all when empty) over several rounds, and prints one
# "RATIO <name> <peer / ours>" line per comparison from the median of the
# rounds, "COUNT <name>.peak_kib <KiB>" lines for each contender's peak
# resident memory, and a readable line of frame statistics per contender.
set -eu
BUILD_DIR=$1 FILTER=${2:-} ROUNDS=${BENCH_ROUNDS:-3} exec python3 - <<'PY'
import json, os, re, statistics, subprocess

build, pattern, rounds = os.environ["BUILD_DIR"], os.environ["FILTER"], int(os.environ["ROUNDS"])
MIN_TIME = "0.3"  # seconds per micro-benchmark run; the rounds give the repetitions

# Frame workloads: each contender runs alone in a fresh process, so its peak
# resident memory is its own; frames are timed whole in the thread's CPU time.
# (prefix, workload): {contender: executable}
GC = {"ours": "bench_gc", "malloc": "bench_gc", "boehm": "bench_gc_boehm", "boehm_inc": "bench_gc_boehm"}
STR = {"ours": "bench_string_split", "std": "bench_string_split"}
FRAME_RUNS = {("gc", w): GC for w in ("churn", "pause", "large_heap", "big_array")}
FRAME_RUNS.update({("string", w): STR for w in ("split_short", "split_long")})
FIELDS = ("total_ms", "median_us", "p99_us", "p999_us", "worst_us", "peak_kib")

# name: (prefix, workload, peer, field). Boehm's default mode is the
# throughput peer, its incremental mode the pause peer.
FRAME_COMPARISONS = {}
for w in ("churn", "pause", "large_heap", "big_array"):
    FRAME_COMPARISONS[f"gc.{w}.vs_boehm"] = ("gc", w, "boehm", "total_ms")
    FRAME_COMPARISONS[f"gc.{w}.vs_malloc"] = ("gc", w, "malloc", "total_ms")
    FRAME_COMPARISONS[f"gc.{w}.p99.vs_boehm_incremental"] = ("gc", w, "boehm_inc", "p99_us")
for w in ("split_short", "split_long"):
    FRAME_COMPARISONS[f"string.{w}.vs_std"] = ("string", w, "std", "total_ms")

# Micro-benchmarks (Google Benchmark): name: (executable, ours, peer)
MICRO = {f"string.{op}.vs_std": ("bench_string", f"BM_string_{op}_ours", f"BM_string_{op}_std")
         for op in ("copy", "concat", "split", "join", "replace")}

frame_chosen = {n: c for n, c in FRAME_COMPARISONS.items() if re.search(pattern, n)}
micro_chosen = {n: c for n, c in MICRO.items() if re.search(pattern, n)}
workloads = []
for prefix, w, _, _ in frame_chosen.values():
    if (prefix, w) not in workloads:
        workloads.append((prefix, w))

frames = {}  # (prefix, workload, contender): [result per round]
micro = {}   # (executable, benchmark): [cpu_time per round]
for _ in range(rounds):
    for prefix, w in workloads:
        for contender, exe in FRAME_RUNS[(prefix, w)].items():
            out = subprocess.run([os.path.join(build, exe), w, contender],
                                 check=True, capture_output=True, text=True).stdout
            line = next(l for l in out.splitlines() if l.startswith("RESULT "))
            values = dict(zip(FIELDS, map(float, line.split()[3:])))
            frames.setdefault((prefix, w, contender), []).append(values)
    for exe, ours, peer in micro_chosen.values():
        for bench in (ours, peer):
            out = subprocess.run([os.path.join(build, exe), f"--benchmark_filter=^{bench}(/|$)",
                                  "--benchmark_format=json", f"--benchmark_min_time={MIN_TIME}"],
                                 check=True, capture_output=True, text=True).stdout
            micro.setdefault((exe, bench), []).append(json.loads(out)["benchmarks"][0]["cpu_time"])

def med(prefix, w, contender, field):
    return statistics.median(r[field] for r in frames[(prefix, w, contender)])

for name, (prefix, w, peer, field) in frame_chosen.items():
    print(f"RATIO {name} {med(prefix, w, peer, field) / med(prefix, w, 'ours', field):.3f}", flush=True)
for name, (exe, ours, peer) in micro_chosen.items():
    print(f"RATIO {name} {statistics.median(micro[(exe, peer)]) / statistics.median(micro[(exe, ours)]):.3f}", flush=True)
for prefix, w in workloads:
    for contender in FRAME_RUNS[(prefix, w)]:
        print(f"COUNT {prefix}.{w}.{contender}.peak_kib {med(prefix, w, contender, 'peak_kib'):.0f}")
for prefix, w in workloads:
    for contender in FRAME_RUNS[(prefix, w)]:
        m = {f: med(prefix, w, contender, f) for f in FIELDS}
        print(f"{prefix}.{w} {contender}: total {m['total_ms']:.0f} ms, frame median {m['median_us']:.0f} us, "
              f"p99 {m['p99_us']:.0f} us, p99.9 {m['p999_us']:.0f} us, worst {m['worst_us']:.0f} us, "
              f"peak {m['peak_kib'] / 1024:.1f} MiB")
PY
