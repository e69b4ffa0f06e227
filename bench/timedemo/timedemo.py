#!/usr/bin/env python3
"""Runs one replay of a timeline as fast as it goes, in a scratch folder, and
prints the CPU time the replaying process used (all its threads, the
software renderer's included) per frame and per update.

Usage: timedemo.py REPLAY_BINARY TIMELINE
"""
import os
import re
import resource
import shutil
import subprocess
import sys
import tempfile

replay, timeline = (os.path.abspath(a) for a in sys.argv[1:3])
work = tempfile.mkdtemp(prefix="timedemo_")
try:
    run = subprocess.run([replay, "--fast", timeline], cwd=work, capture_output=True, text=True)
finally:
    shutil.rmtree(work, True)
usage = resource.getrusage(resource.RUSAGE_CHILDREN)
cpu = usage.ru_utime + usage.ru_stime
counts = re.search(r"after (\d+) updates and (\d+) frames", run.stdout)
if not counts:
    print(f"timedemo: the replay did not run to its end (status {run.returncode})", file=sys.stderr)
    print(run.stdout[-500:] + run.stderr[-500:], file=sys.stderr)
    sys.exit(1)
updates, frames = (int(n) for n in counts.groups())
print(f"TIMEDEMO updates {updates} frames {frames} cpu_seconds {cpu:.2f}")
print(f"TIMEDEMO ms_cpu_per_frame {cpu * 1000 / frames:.3f}")
print(f"TIMEDEMO ms_cpu_per_update {cpu * 1000 / updates:.3f}")
print(f"TIMEDEMO frames_per_cpu_second {frames / cpu:.0f}")
