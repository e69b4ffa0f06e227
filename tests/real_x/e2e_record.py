#!/usr/bin/env python3
"""A live session recorded with real key events over an older recording it
was told to replace, and replayed: the replay draws the same frames and
leaves the same state file, and ends the same way.

Usage: e2e_record.py REPLAY_BINARY X_PROBE  (starts its own Xvfb without DISPLAY)
"""
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import xgame  # noqa: E402
from xgame import DESKTOP, WINDOW, Game, fail, wait_until, xdo  # noqa: E402

REPLAY, PROBE = (os.path.abspath(a) for a in sys.argv[1:3])
xgame.own_display()
WORK = xgame.scratch()

FRAME_EVERY = 60         # updates between compared frames: a few MiB of pictures in all
FRAME_LAST = 1800
FRAMES = [arg for n in range(0, FRAME_LAST + 1, FRAME_EVERY) for arg in ("--frame", str(n))]
SESSION = os.path.join(WORK, "session.txt")
MIN_FRAMES_COMPARED = 5

os.mkdir("live")
os.mkdir("again")

print("a recording is refused over an old one unless told to replace it", flush=True)
os.chdir(os.path.join(WORK, "live"))
OLD = "# an older session\n100 key-down 32\n"
with open(SESSION, "w") as old:
    old.write(OLD)
refused = subprocess.run([REPLAY, "--record", SESSION], capture_output=True, text=True)
if refused.returncode != 64 or "--replace records over it" not in refused.stderr:
    fail(f"an existing file was not refused: status {refused.returncode}: {refused.stderr[:300]}")
if open(SESSION).read() != OLD:
    fail("a refused recording changed the file it was refused")

print("a live session over the old one: a round, full screen and back, F4", flush=True)
game = Game([REPLAY, "--record", SESSION, "--replace", *FRAMES], PROBE)
game.ensure_focus()
xdo("keydown", "space")
wait_until(lambda: os.path.exists("frame-240.png"), "the live session does not run")
xdo("keyup", "space")
xdo("keydown", "x")
wait_until(lambda: os.path.exists("frame-480.png"), "the live session stopped running")
xdo("keyup", "x")
for size in (DESKTOP, WINDOW):
    xdo("key", "F11")
    wait_until(lambda: game.find_window() and game.size() == size, f"F11 gave {game.size()}, not {size}")
    game.ensure_focus()
xdo("key", "F4")
game.wait_exit("F4 while recording")

session = open(SESSION).read()
if OLD in session or [n for n in os.listdir(WORK) if n.startswith("session.txt.")]:
    fail("the old session was not replaced whole")
for line in ("key-down 32", "key-down 88", "key-down 122", "key-down 115"):
    if line not in session:
        fail(f"the recording lacks '{line}': {session[-400:]}")

print("the recording replayed", flush=True)
os.chdir(os.path.join(WORK, "again"))
# Only the frames the session reached: one the replay cannot reach fails it.
reached = [arg for name in os.listdir(os.path.join(WORK, "live")) if name.startswith("frame-")
           for arg in ("--frame", name[len("frame-"):-len(".png")])]
status = subprocess.run([REPLAY, "--fast", *reached, SESSION], stdout=subprocess.DEVNULL,
                        stderr=subprocess.DEVNULL).returncode
if status != 0:
    fail(f"the replay ended with status {status}, the session with 0")
live_state = os.path.join(WORK, "live", ".tarvikstate")
again_state = os.path.join(WORK, "again", ".tarvikstate")
if os.path.exists(live_state) != os.path.exists(again_state) or (
        os.path.exists(live_state) and open(live_state, "rb").read() != open(again_state, "rb").read()):
    fail("the replay left another state file than the session")
live_frames = sorted(f for f in os.listdir(os.path.join(WORK, "live")) if f.startswith("frame-"))
compared = 0
for name in live_frames:
    replayed = os.path.join(WORK, "again", name)
    if not os.path.exists(replayed):
        fail(f"the replay drew no {name}")
    if open(os.path.join(WORK, "live", name), "rb").read() != open(replayed, "rb").read():
        fail(f"{name} differs between the session and its replay")
    compared += 1
if compared < MIN_FRAMES_COMPARED:
    fail(f"only {compared} frames to compare")
print(f"{compared} frames and the state file alike")
print("PASS")
