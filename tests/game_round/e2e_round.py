#!/usr/bin/env python3
"""End to end: the real game under X with XTEST key events.

1. A round started from the title is flown with thrust to the pickup, which
   moves to the other side once collected; the ship then turns and fires, and
   Escape pauses the round (the satellites stop). The process's CPU share
   while the round runs at 60 updates per second is printed.
2. Random game keys for a while never end the game, and F4 still ends it with
   status 0.

Usage: e2e_round.py GAME_BINARY [random-key seconds]  (starts its own Xvfb
without DISPLAY). The satellites sweep the field on the game clock: their
phase is read from a screenshot, and the flight starts at the moment that
lets the ship pass both places where their path crosses its line while they
are away. A knocked ship makes the attempt start over (at most four times).
"""
import atexit
import math
import os
import random
import subprocess
import sys
import tempfile
import time

GAME = os.path.abspath(sys.argv[1])
RANDOM_SECONDS = float(sys.argv[2]) if len(sys.argv) > 2 else float(os.environ.get("ROUND_RANDOM_SECONDS", "180"))


def own_display():
    """Starts an Xvfb on a display number the server picks itself, so runs
    that start at the same moment never share or fight over one."""
    read_end, write_end = os.pipe()
    server = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x1024x24", "-noreset",
                               "-nolisten", "tcp"], pass_fds=[write_end], stderr=subprocess.DEVNULL)
    os.close(write_end)
    number = b""
    while not number.endswith(b"\n"):           # the number and its newline may come apart
        chunk = os.read(read_end, 16)
        if not chunk:
            break
        number += chunk
    number = number.decode().strip()
    os.close(read_end)
    if not number:
        print("FAIL: Xvfb did not start")
        sys.exit(1)
    os.environ["DISPLAY"] = ":" + number
    atexit.register(server.terminate)


if not os.environ.get("DISPLAY"):
    own_display()

WORK = tempfile.mkdtemp()
os.chdir(WORK)

SAT_DEGREES_PER_SECOND = 1000 / 30   # satellite phase on the game clock (Normal speed 1)
SAT_SPACING = 90                     # four satellites on Normal
# Under thrust the ship moves 1.15 units per update (its top speed plus one
# thrust step), so it meets the satellites' path at x 192 after 2.38 s and at
# x 448 3.72 s (124 degrees of phase) later. Passing the first point 28
# degrees after a satellite leaves it also passes the second in a gap.
FIRST_CROSSING = 2.38
SAFE_PHASE = 28
FLIGHT_SECONDS = 10                  # thrust long enough to reach x 560 after 7.7 s


def fail(message):
    print("FAIL:", message)
    # End every game this script started, so no window outlives a failed run.
    subprocess.run(["pkill", "-P", str(os.getpid())])
    sys.exit(1)


def xdo(*args):
    return subprocess.run(["xdotool", *args], capture_output=True, text=True).stdout.strip()


class Game:
    def __init__(self):
        self.out = open("out.txt", "w")
        self.started = time.monotonic()
        self.proc = subprocess.Popen([GAME], stdout=self.out, stderr=subprocess.STDOUT)
        self.win = ""
        for _ in range(200):                       # a loaded machine starts slowly
            self.win = xdo("search", "--all", "--onlyvisible", "--pid", str(self.proc.pid), "--name", "Skarnel").split("\n")[0]
            if self.win:
                break
            time.sleep(0.1)
        if not self.win:
            self.out.flush()
            fail(f"no window (game status {self.proc.poll()}): {open('out.txt').read()[-600:]}")
        time.sleep(2.5)   # the asset loader's 15 updates and the title

    def origin(self):
        geo = xdo("getwindowgeometry", self.win)
        pos = [l for l in geo.split("\n") if "Position" in l][0].split()[1]
        x, y = pos.split(",")
        return int(x), int(y)

    # The window's 640 x 480 pixels as rows of (r, g, b), and when they were taken.
    def timed_shot(self):
        x, y = self.origin()
        before = time.monotonic()
        subprocess.run(["import", "-window", "root", "shot.png"], check=True)
        taken = (before + time.monotonic()) / 2
        ppm = subprocess.run(["convert", "shot.png", "-crop", f"640x480+{x}+{y}", "+repage", "ppm:-"],
                             capture_output=True, check=True).stdout
        parts = ppm.split(b"\n", 3)
        w, h = map(int, parts[1].split())
        data = parts[3]
        return [[tuple(data[(r * w + c) * 3:(r * w + c) * 3 + 3]) for c in range(w)] for r in range(h)], taken

    def shot(self):
        return self.timed_shot()[0]

    def cpu_ticks(self):
        fields = open(f"/proc/{self.proc.pid}/stat").read().rsplit(")", 1)[1].split()
        return int(fields[11]) + int(fields[12])

    def alive(self):
        return self.proc.poll() is None

    def quit(self):
        # Keys may have switched to full screen and back through the option
        # box; without a window manager the new window has no focus until
        # someone gives it, as a window manager would.
        win = xdo("search", "--all", "--onlyvisible", "--pid", str(self.proc.pid), "--name", "Skarnel").split("\n")[0]
        if win:
            self.win = win
            xdo("windowfocus", "--sync", win)
        xdo("key", "F4")
        try:
            return self.proc.wait(10)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            return "hung"


def count(pixels, x0, y0, x1, y1, test):
    return sum(1 for r in range(y0, y1) for c in range(x0, x1) if test(*pixels[r][c]))


def yellow(r, g, b):
    return r > 180 and g > 160 and b < 110


def magenta_mask(pixels):
    return {(r, c) for r in range(0, 480, 2) for c in range(0, 640, 2)
            if pixels[r][c][0] > 170 and pixels[r][c][2] > 170 and pixels[r][c][1] < 130}


def satellite_phase(pixels):
    """Where the satellites stand on path 0, in degrees modulo their spacing."""
    sx = sy = 0.0
    for r, c in magenta_mask(pixels):
        a = math.degrees(math.atan2((c - 320) / 128, -(r - 240) / 240))
        sx += math.cos(math.radians(a * 360 / SAT_SPACING))
        sy += math.sin(math.radians(a * 360 / SAT_SPACING))
    if sx == sy == 0:
        fail("no satellites on the screen")
    return math.degrees(math.atan2(sy, sx)) * SAT_SPACING / 360 % SAT_SPACING


START_TRIES = 8


def fly_to_pickup(game):
    """Starts a round and thrusts along the ship's line; True once the pickup moved."""
    # A loaded machine may still be loading or showing the title: confirm
    # until the round's pickup shows, for a bounded number of tries.
    for _ in range(START_TRIES):
        xdo("keydown", "space")
        time.sleep(0.3)
        xdo("keyup", "space")
        time.sleep(0.5)
        pixels, taken = game.timed_shot()
        if count(pixels, 586, 222, 630, 258, yellow) >= 20:
            break
    else:
        fail("no pickup at the right after the round started")
    # Start the thrust when the satellites will be clear of both crossings.
    phase = satellite_phase(pixels)
    while True:
        angle = phase + (time.monotonic() - taken + FIRST_CROSSING) * SAT_DEGREES_PER_SECOND
        if abs((angle % SAT_SPACING) - SAFE_PHASE) < 2:
            break
        time.sleep(0.005)
    ticks = game.cpu_ticks()
    begun = time.monotonic()
    xdo("keydown", "x")
    time.sleep(FLIGHT_SECONDS)
    xdo("keyup", "x")
    share = (game.cpu_ticks() - ticks) / os.sysconf("SC_CLK_TCK") / (time.monotonic() - begun)
    print(f"CPU share while a round runs: {share * 100:.1f}%")
    pixels = game.shot()
    return count(pixels, 10, 222, 54, 258, yellow) >= 20 and count(pixels, 586, 222, 630, 258, yellow) < 20


def round_reaches_pickup_and_pauses():
    for attempt in range(1, 5):
        game = Game()
        if fly_to_pickup(game):
            break
        print(f"attempt {attempt}: the ship was knocked off its line")
        if game.quit() != 0:
            fail("F4 did not end the game with status 0")
    else:
        fail("the ship never reached the pickup")
    print("the pickup was collected and moved to the left")

    # Turn and fire for a while; the round keeps running.
    xdo("keydown", "Left")
    time.sleep(0.7)
    xdo("keyup", "Left")
    xdo("keydown", "z")
    time.sleep(1.0)
    xdo("keyup", "z")
    running_a = magenta_mask(game.shot())
    time.sleep(0.5)
    running_b = magenta_mask(game.shot())
    if not game.alive():
        fail("the game ended while flying")
    if running_a == running_b:
        fail("the satellites do not move while the round runs")

    # Game keys are read as held, so the key stays down for a few updates.
    xdo("keydown", "Escape")
    time.sleep(0.15)
    xdo("keyup", "Escape")
    time.sleep(0.5)
    paused_a = magenta_mask(game.shot())
    time.sleep(1.0)
    paused_b = magenta_mask(game.shot())
    if paused_a != paused_b:
        fail("the satellites still move after Escape")
    if not game.alive():
        fail("Escape ended the game instead of pausing it")
    status = game.quit()
    if status != 0:
        fail(f"F4 exit status {status}")
    print("paused with Escape; F4 ended it with status 0")


RANDOM_KEYS = ["Left", "Right", "Up", "Down", "w", "a", "s", "d", "z", "x", "c", "v", "b", "n",
               "i", "o", "j", "k", "l", "u", "space", "Return", "Control_L", "Shift_L", "F1", "F2"]


def random_keys_never_end_the_game():
    game = Game()
    rng = random.Random(int(os.environ.get("ROUND_RANDOM_SEED", "7")))
    held = set()
    end = time.monotonic() + RANDOM_SECONDS
    while time.monotonic() < end:
        key = rng.choice(RANDOM_KEYS)
        if key in held:
            xdo("keyup", key)
            held.discard(key)
        else:
            xdo("keydown", key)
            held.add(key)
        time.sleep(rng.uniform(0.0, 0.15))
        if not game.alive():
            fail(f"the game ended under random keys (status {game.proc.returncode})")
    for key in held:
        xdo("keyup", key)
    status = game.quit()
    if status != 0:
        fail(f"F4 after random keys: status {status}")
    print(f"{RANDOM_SECONDS:.0f} s of random keys; F4 ended it with status 0")


round_reaches_pickup_and_pauses()
random_keys_never_end_the_game()
print("PASS")
