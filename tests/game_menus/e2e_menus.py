#!/usr/bin/env python3
"""End to end: the real game under X with XTEST key events and its state file.

1. With earlier scores in the state file, a round quit from the pause menu
   enters the title's recent list: the file gains the round's score, and the
   list's first rows change on screen; both survive a restart.
2. A stick direction and the sound mode changed in the option box survive a
   restart (leaving the box again writes what was loaded).
3. Damaged state files (wrong checksum, text that is not numbers, binary
   noise) never stop the game: it starts, shows the menu and quits on F4
   with status 0.

Usage: e2e_menus.py GAME_BINARY  (starts its own Xvfb without DISPLAY)
"""
import os
import subprocess
import sys
import tempfile
import time

GAME = os.path.abspath(sys.argv[1])
if not os.environ.get("DISPLAY"):
    os.execvp("xvfb-run", ["xvfb-run", "-a", "-s", "-screen 0 1280x1024x24 -noreset", sys.executable] + sys.argv)

WORK = tempfile.mkdtemp()
os.chdir(WORK)
STATE = ".tarvikstate"
SETTING_SOUND = 5
SETTING_LEFT_STICK = 15
NORMAL_GROUP_START = 35 + 21   # items of the Normal best/recent pairs


def fail(message):
    print("FAIL:", message)
    # End every game this script started, so no window outlives a failed run.
    subprocess.run(["pkill", "-P", str(os.getpid())])
    sys.exit(1)


def xdo(*args):
    return subprocess.run(["xdotool", *args], capture_output=True, text=True).stdout.strip()


def press(key, hold=0.1, after=0.25):
    xdo("keydown", key)
    time.sleep(hold)
    xdo("keyup", key)
    time.sleep(after)


def record(scores):
    """A valid state record: default settings, no badges, the given score table."""
    settings = [0] * 25
    settings[SETTING_SOUND] = 1
    items = settings + [sum(j * v for j, v in enumerate(settings))]
    items += [0] * 9
    for g in range(8):
        check = 0
        for k in range(10):
            best, recent = scores[10 * g + k], scores[10 * g + 30 + k]
            items += [best, recent]
            check += (k + 4) * best + (k + 3 + g) * recent
        items.append(check)
    return "".join(f"{v}|" for v in items)


def items():
    return [int(v) for v in open(STATE).read().split("|")[:-1]]


QUIT_SECONDS = 20


class Game:
    def __init__(self):
        # The X server of this shared machine now and then refuses a new
        # client for a moment; a game that could not open its display is
        # started again.
        for _ in range(3):
            self.out = open("out.txt", "w")
            self.proc = subprocess.Popen([GAME], stdout=self.out, stderr=subprocess.STDOUT)
            self.win = ""
            for _ in range(80):
                self.win = xdo("search", "--all", "--onlyvisible", "--pid", str(self.proc.pid), "--name", "Skarnel").split("\n")[0]
                if self.win or self.proc.poll() is not None:
                    break
                time.sleep(0.1)
            if self.win or "glfwInit failed" not in open("out.txt").read():
                break
            time.sleep(1)
        if not self.win:
            fail("no window: " + open("out.txt").read()[-200:])
        time.sleep(1.5)   # the loader and the menu's intro

    # Mean brightness (0..1) of a region of the window.
    def brightness(self, x, y, w, h):
        geo = xdo("getwindowgeometry", self.win)
        pos = [l for l in geo.split("\n") if "Position" in l][0].split()[1]
        x0, y0 = map(int, pos.split(","))
        subprocess.run(["import", "-window", "root", "shot.png"], check=True)
        return float(subprocess.run(["convert", "shot.png", "-crop", f"{w}x{h}+{x0 + x}+{y0 + y}", "+repage",
                                     "-colorspace", "gray", "-format", "%[fx:mean]", "info:"],
                                    capture_output=True, text=True, check=True).stdout)

    def quit(self):
        # Give the window the keyboard, as a window manager would, in case
        # another client on this display took it.
        xdo("windowfocus", "--sync", self.win)
        xdo("key", "F4")
        try:
            status = self.proc.wait(QUIT_SECONDS)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            fail("F4 did not end the game: " + open("out.txt").read()[-300:])
        if status != 0:
            fail(f"exit status {status}")
        return open("out.txt").read()


# The recent list's first two rows on a 640 x 480 window: right-aligned digits
# at x 520..640, rows 15 units apart under the heading at y 260.
ROW1 = (560, 268, 80, 14)
ROW2 = (560, 283, 80, 14)

print("lists across a restart", flush=True)
# --- 1. a finished round enters the lists and survives a restart --------------
scores = [0] * 150
scores[10] = 88888888          # Normal best
scores[40] = 88888888          # Normal recent, newest first
open(STATE, "w").write(record(scores))

game = Game()
row1_before, row2_before = game.brightness(*ROW1), game.brightness(*ROW2)
press("space", hold=0.3, after=1.0)       # Normal round
press("Escape", after=0.6)                # pause
press("Up", after=0.3)                    # end game
press("space", after=3.0)                 # quit the round; the game-over sequence returns to the menu
saved = items()
normal = saved[NORMAL_GROUP_START:NORMAL_GROUP_START + 20]
if normal[0] != 88888888 or normal[1] != 0 or normal[3] != 88888888:
    fail(f"the round is not the newest recent score: {normal[:4]}")
row1_after, row2_after = game.brightness(*ROW1), game.brightness(*ROW2)
if not (row1_after < row1_before - 0.02 and row2_after > row2_before + 0.02):
    fail(f"recent list did not move down on screen: {row1_before:.3f}->{row1_after:.3f}, "
         f"{row2_before:.3f}->{row2_after:.3f}")
game.quit()

game = Game()
if abs(game.brightness(*ROW1) - row1_after) > 0.01 or abs(game.brightness(*ROW2) - row2_after) > 0.01:
    fail("the recent list differs after a restart")
game.quit()
if items()[NORMAL_GROUP_START:NORMAL_GROUP_START + 4] != normal[:4]:
    fail("the lists changed across a restart")

print("option settings across a restart", flush=True)
# --- 2. option box settings survive a restart --------------------------------
game = Game()
press("Left")                             # focus the options gear
press("space", after=0.8)                 # open; the box slides in over 30 updates
press("Down")                             # sound row
press("space")                            # SFX + Music -> SFX
press("Down")
press("Down")                             # left stick row
press("space")                            # Flipped -> Normal
press("Escape", after=0.8)                # leave: saves
saved = items()
if saved[SETTING_SOUND] != 2 or saved[SETTING_LEFT_STICK] != 1:
    fail(f"option box saved sound {saved[SETTING_SOUND]}, stick {saved[SETTING_LEFT_STICK]}")
game.quit()

game = Game()
press("Left")
press("space", after=0.8)
press("Escape", after=0.8)                # leaving again writes the loaded settings
saved = items()
out = game.quit()
if "Settings Loaded" not in out:
    fail("settings were not loaded after the restart")
if saved[SETTING_SOUND] != 2 or saved[SETTING_LEFT_STICK] != 1:
    fail(f"after a restart sound {saved[SETTING_SOUND]}, stick {saved[SETTING_LEFT_STICK]}")

print("damaged state files", flush=True)
# --- 3. damaged state files never stop the game -------------------------------
good = record(scores)
cases = {
    "settings checksum off by one": good.replace("|5|", "|6|", 1),
    "text that is not numbers": "hello|world|" * 40,
    "binary noise": os.urandom(4096).decode("latin-1"),
    "a very long line": "7|" * 200000,
}
for name, text in cases.items():
    with open(STATE, "w", encoding="latin-1") as f:
        f.write(text)
    game = Game()
    if game.proc.poll() is not None:
        fail(f"{name}: the game ended at start-up")
    if game.brightness(80, 40, 360, 120) < 0.02:
        fail(f"{name}: no title on the menu")
    out = game.quit()
    if "Highscores Loaded" not in out:
        fail(f"{name}: the state was not read")
    if name.startswith("settings") and "Settings Checksum Invalid" not in out:
        fail("a wrong settings checksum went unnoticed")

print("PASS")
