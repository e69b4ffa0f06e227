#!/usr/bin/env python3
"""End to end: the real game under X with XTEST key events.

The game runs from a copy in a scratch folder whose data/ links to the built
assets, except that the logos are solid marker colours, one per resolution
level; x_probe (beside this script) counts marker pixels on screen.

1. The loading screen (the maker logo) shows before the title (the game logo).
2. The title shows the logo at the level the window asks for: a resize to
   600x450 reloads it at the plain level, to 1260x1000 at the "-hd2" level.
3. F11 opens a full-screen window at the desktop size, titled Skarnel, and F11
   again a 640x480 one; both reload the logo at their level.
4. A turn key held in a round shows the steering indicator of the statistics
   overlay. Across F11 the host releases the held key, so the key reads up
   afterwards (nothing stays stuck down) until it is pressed again, when the
   game sees it held once more.
5. The close button (WM_DELETE_WINDOW) and F4 each end the game with status 0.

Usage: e2e_spine.py GAME_BINARY X_PROBE  (starts its own Xvfb without DISPLAY)
"""
import atexit
import glob
import os
import shutil
import subprocess
import sys
import tempfile
import time

GAME_BUILT = os.path.abspath(sys.argv[1])
PROBE = os.path.abspath(sys.argv[2])
if not os.environ.get("DISPLAY"):
    os.execvp("xvfb-run", ["xvfb-run", "-a", "-s", "-screen 0 1280x1024x24 -noreset", sys.executable] + sys.argv)

WORK = tempfile.mkdtemp()
atexit.register(shutil.rmtree, WORK, True)
os.chdir(WORK)

DESKTOP = (1280, 1024)
WAIT_SECONDS = 15            # every wait for the game is bounded by this
LOADING_WATCH_SECONDS = 20

# Marker colours of the replaced pictures.
MAKER = "8000ff"                                         # common/ZUNDLogo, every level
LOGO = {"": "ff00ff", "-hd": "00ff80", "-hd2": "ffff80"}  # logo, per level
# The steering indicator: (0, 180, 250) at half alpha over the play field.
INDICATOR = "005f87"

LOGO_SHOWN = 10000       # pixels: the title logo covers over 25000 at any size
LOADING_MAKER = 50000    # the loading screen's maker logo is drawn at twice size
INDICATOR_SHOWN = 300


def fail(message):
    print("FAIL:", message, flush=True)
    # End every game this script started, so no window outlives a failed run.
    subprocess.run(["pkill", "-P", str(os.getpid())])
    sys.exit(1)


def xdo(*args):
    return subprocess.run(["xdotool", *args], capture_output=True, text=True).stdout.strip()


def press(key, hold=0.15, after=0.3):
    xdo("keydown", key)
    time.sleep(hold)
    xdo("keyup", key)
    time.sleep(after)


def make_game_copy():
    """The game beside a data/ of links to the built assets, logos replaced."""
    built_data = os.path.join(os.path.dirname(GAME_BUILT), "data")
    os.makedirs("game/data/common")
    shutil.copy2(GAME_BUILT, "game/skarnel")
    for folder in ("", "common"):
        for path in glob.glob(os.path.join(built_data, folder, "*")):
            if not os.path.isdir(path):
                os.symlink(path, os.path.join("game/data", folder, os.path.basename(path)))

    def paint(name, colour):
        path = os.path.join("game/data", name)
        size = subprocess.run(["identify", "-format", "%wx%h", path], capture_output=True, text=True,
                              check=True).stdout
        os.remove(path)
        subprocess.run(["convert", "-size", size, "xc:#" + colour, "PNG32:" + path], check=True)

    for level, colour in LOGO.items():
        paint(f"logo{level}.png", colour)
        paint(f"common/ZUNDLogo{level}.png", MAKER)
    return os.path.abspath("game/skarnel")


def counts(win, *colours):
    out = subprocess.run([PROBE, "count", win, *colours], capture_output=True, text=True).stdout.split()
    return [int(n) for n in out[1:]] if out[:1] == ["counts"] else [0] * len(colours)


def wait_until(check, what):
    deadline = time.time() + WAIT_SECONDS
    while time.time() < deadline:
        if check():
            return
        time.sleep(0.2)
    fail(what)


class Game:
    def __init__(self, binary):
        # The X server of this shared machine now and then refuses a new
        # client for a moment; a game that could not open its display is
        # started again.
        for _ in range(3):
            self.watch = subprocess.Popen([PROBE, "watch", str(LOADING_WATCH_SECONDS), MAKER, *LOGO.values()],
                                          stdout=subprocess.PIPE, text=True)
            if self.watch.stdout.readline().strip() != "ready":
                fail("the probe could not watch the display")
            self.out = open("out.txt", "w")
            self.proc = subprocess.Popen([binary], stdout=self.out, stderr=subprocess.STDOUT)
            self.win = ""
            for _ in range(WAIT_SECONDS * 10):
                self.win = xdo("search", "--all", "--onlyvisible", "--pid", str(self.proc.pid), "--name", "^Skarnel$").split("\n")[0]
                if self.win or self.proc.poll() is not None:
                    break
                time.sleep(0.1)
            if self.win or "glfwInit failed" not in open("out.txt").read():
                break
            self.watch.kill()
            self.watch.wait()
            time.sleep(1)
        if not self.win:
            fail("no window titled Skarnel: " + open("out.txt").read()[-200:])
        self.focus()

    def focus(self):
        # Without a window manager a new window gets no focus of its own.
        self.win = xdo("search", "--all", "--onlyvisible", "--pid", str(self.proc.pid), "--name", "^Skarnel$").split("\n")[0]
        if not self.win:
            fail("no window titled Skarnel")
        xdo("windowfocus", "--sync", self.win)
        time.sleep(0.3)

    def size(self):
        geo = xdo("getwindowgeometry", self.win)
        line = [l for l in geo.split("\n") if "Geometry" in l]
        return tuple(map(int, line[0].split()[1].split("x"))) if line else None

    def logo_level(self):
        """The level whose logo marker fills the screen, or None."""
        found = counts(self.win, *LOGO.values())
        shown = [level for level, n in zip(LOGO, found) if n >= LOGO_SHOWN]
        return shown[0] if len(shown) == 1 else None

    def indicator(self):
        return counts(self.win, INDICATOR)[0] >= INDICATOR_SHOWN

    def switch_screen(self, size):
        press("F11", after=0.5)
        wait_until(lambda: xdo("search", "--all", "--onlyvisible", "--pid", str(self.proc.pid), "--name", "^Skarnel$") != "", "no window after F11")
        self.focus()
        wait_until(lambda: self.size() == size, f"F11 gave {self.size()}, not {size}")

    def end(self, how):
        if how == "close":
            subprocess.run([PROBE, "close", self.win], check=True)
        else:
            xdo("key", "F4")
        try:
            status = self.proc.wait(WAIT_SECONDS)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            fail(f"{how} did not end the game")
        self.watch.kill()
        self.watch.wait()
        if status != 0:
            fail(f"{how}: exit status {status}")


game_binary = make_game_copy()

print("loading screen, then title", flush=True)
game = Game(game_binary)
wait_until(lambda: game.logo_level() == "-hd", "640x480 does not show the title at the -hd level")
game.watch.kill()
frames = [list(map(int, line.split()[1:])) for line in game.watch.stdout.read().split("\n")
          if line.startswith("frame")]
game.watch.wait()
loading = [i for i, f in enumerate(frames) if f[0] >= LOADING_MAKER and max(f[1:]) == 0]
title = [i for i, f in enumerate(frames) if max(f[1:]) > 0]
if not loading:
    fail(f"no loading screen among the first frames: {frames}")
if not title or title[0] < loading[0]:
    fail(f"the title did not follow the loading screen: {frames}")

print("a resize reloads the logo at the level of the new size", flush=True)
for size, level in (((600, 450), ""), ((1260, 1000), "-hd2"), ((640, 480), "-hd")):
    xdo("windowsize", game.win, str(size[0]), str(size[1]))
    wait_until(lambda: game.size() == size, f"window is {game.size()}, not {size}")
    wait_until(lambda: game.logo_level() == level, f"{size} does not show the logo at level '{level}'")

print("F11 to full screen at the desktop size and back", flush=True)
game.switch_screen(DESKTOP)
wait_until(lambda: game.logo_level() == "-hd2", "full screen does not show the logo at the -hd2 level")
game.switch_screen((640, 480))
wait_until(lambda: game.logo_level() == "-hd", "back from full screen, no logo at the -hd level")

print("the close button ends the game", flush=True)
game.end("close")

print("a key held across F11", flush=True)
game = Game(game_binary)
wait_until(lambda: game.logo_level() is not None, "no title")
press("space", hold=0.3, after=1.0)       # a round
press("F1")                               # the statistics overlay, with the steering indicator
if game.indicator():
    fail("the steering indicator shows with no key held")
xdo("keydown", "Right")
wait_until(game.indicator, "a held turn key shows no steering indicator")
game.switch_screen(DESKTOP)
# The new window had no focus at first, which pauses a round; Escape resumes
# it. Should the focus have come first, Escape pauses it instead, and a
# second Escape below resumes it.
press("Escape", hold=0.3, after=1.0)
if game.indicator():
    fail("the key held across F11 still reads down: it was not released")
xdo("keyup", "Right")
xdo("keydown", "Right")
deadline = time.time() + WAIT_SECONDS
while not game.indicator():
    if time.time() > deadline:
        fail("a turn key pressed again after F11 is not seen held")
    time.sleep(1.0)
    if not game.indicator():
        press("Escape", hold=0.3, after=1.0)
xdo("keyup", "Right")
wait_until(lambda: not game.indicator(), "the released turn key still reads held")
game.switch_screen((640, 480))

print("F4 ends the game", flush=True)
game.end("F4")
print("PASS")
