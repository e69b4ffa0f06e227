#!/usr/bin/env python3
"""The real game under X with real key events, for what only the window
system shows: keys translated into the game (Space, F1, a held arrow key),
F11 to full screen and back, focus lost (the game suspends and saves) and
regained (it runs again), the close button and F4 (each ends it with status 0).
Then the game from a copy of its folder whose data lacks the font: it shows
a screen that names the missing file, and the close button or a key ends it
with status 1.

Usage: e2e_keys.py GAME_BINARY X_PROBE  (starts its own Xvfb without DISPLAY)
"""
import os
import shutil
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import xgame  # noqa: E402
from xgame import DEADLINE, DESKTOP, WINDOW, Game, fail, wait_until, xdo  # noqa: E402

GAME, PROBE = (os.path.abspath(a) for a in sys.argv[1:3])
xgame.own_display()
xgame.scratch()

# The statistics overlay's steering mark for a held turn key: (0, 180, 250)
# at half alpha over the play field.
STEERING = "005f87"
STEERING_SHOWN = 300
RETRY_SECONDS = 3        # a key that met no update of the wanted screen is pressed again
STATE = ".tarvikstate"
# The failure screen: its background, and its text in white, at least this
# many pixels of it (each of its four lines a few thousand at any scale).
FAILURE_BACKGROUND = "281018"
FAILURE_TEXT = "ffffff"
FAILURE_TEXT_SHOWN = 2000
MISSING_FONT = "data/fonts/shadow_editundo-hd.png"
STATUS_FAILED = 1


def steering(game):
    return game.count(STEERING)[0] >= STEERING_SHOWN


def hold_right_until_steering(game, before, what):
    """Does `before` and holds Right until the steering mark shows, again
    while a few seconds pass without it (the screen was not a running round)."""
    end = time.monotonic() + DEADLINE
    while True:
        before()
        xdo("keydown", "Right")
        retry = time.monotonic() + RETRY_SECONDS
        while time.monotonic() < retry and not steering(game):
            time.sleep(xgame.POLL)
        if steering(game):
            break
        xdo("keyup", "Right")
        if time.monotonic() > end:
            fail(what)
    xdo("keyup", "Right")
    wait_until(lambda: not steering(game), "the released turn key still reads held")


def tap(key, hold=xgame.POLL):
    xdo("keydown", key)
    time.sleep(hold)
    xdo("keyup", key)


def start_round():
    # The wheel turned by Right comes to rest before Space confirms it.
    time.sleep(1)
    tap("space", hold=0.5)


game = Game([GAME], PROBE)
game.ensure_focus()

print("keys reach the game: Space starts a round, F1 the statistics, Right turns", flush=True)
xdo("key", "F1")
hold_right_until_steering(game, start_round, "no steering mark: the keys never started a round")

print("F11 to full screen at the desktop size and back", flush=True)
for size in (DESKTOP, WINDOW):
    xdo("key", "F11")
    wait_until(lambda: game.find_window() and game.size() == size, f"F11 gave {game.size()}, not {size}")
    game.ensure_focus()

print("focus lost suspends the game, which saves; focus regained runs it again", flush=True)
if os.path.exists(STATE):
    os.remove(STATE)
xgame.subprocess.run([PROBE, "unfocus"], check=True)
wait_until(lambda: os.path.exists(STATE), "losing the focus did not suspend the game (nothing saved)")
xdo("windowfocus", "--sync", game.win)
game.ensure_focus()
# The round paused when the focus went; Escape resumes it.
hold_right_until_steering(game, lambda: tap("Escape"), "the game does not run again after the focus came back")

print("the close button ends the game", flush=True)
xgame.subprocess.run([PROBE, "close", game.win], check=True)
game.wait_exit("the close button")

print("F4 ends the game", flush=True)
game = Game([GAME], PROBE)
game.ensure_focus()
xdo("key", "F4")
game.wait_exit("F4")


def broken_copy():
    """The game in a folder of its own whose data/ holds everything but the
    fonts (each entry a link to the build's own)."""
    folder = os.path.abspath("broken")
    os.makedirs(os.path.join(folder, "data"))
    shutil.copy2(GAME, folder)
    data = os.path.join(os.path.dirname(GAME), "data")
    for entry in os.listdir(data):
        if entry != "fonts":
            os.symlink(os.path.join(data, entry), os.path.join(folder, "data", entry))
    return os.path.join(folder, os.path.basename(GAME))


def failure_shown(game):
    background, text = game.count(FAILURE_BACKGROUND, FAILURE_TEXT)
    return background > WINDOW[0] * WINDOW[1] // 2 and text >= FAILURE_TEXT_SHOWN


print("without its font the game names the missing file on screen; the close button ends it with 1", flush=True)
broken = broken_copy()
game = Game([broken], PROBE)
wait_until(lambda: failure_shown(game), "no failure screen: " + game.output()[-300:])
for line in ("Skarnel cannot run without the file", MISSING_FONT, "Reinstall Skarnel"):
    if line not in game.output():
        fail(f"the output does not say \"{line}\": " + game.output()[-300:])
xgame.subprocess.run([PROBE, "close", game.win], check=True)
game.wait_exit("the close button on the failure screen", STATUS_FAILED)

print("and a key ends it with 1 too", flush=True)
game = Game([broken], PROBE)
game.ensure_focus()
wait_until(lambda: failure_shown(game), "no failure screen the second time")
# The first keys after the screen comes are not taken: a key held then was
# not pressed to close it. The key is pressed again until the game ends.
end = time.monotonic() + DEADLINE
while game.proc.poll() is None and time.monotonic() < end:
    tap("space")
    time.sleep(xgame.POLL)
game.wait_exit("a key on the failure screen", STATUS_FAILED)
print("PASS")
