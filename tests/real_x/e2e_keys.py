#!/usr/bin/env python3
"""The real game under X with real key events, for what only the window
system shows: keys translated into the game (Space, F1, a held arrow key),
F11 to full screen and back, focus lost (the game suspends and saves) and
regained (it runs again), the close button and F4 (each ends it with status 0).

Usage: e2e_keys.py GAME_BINARY X_PROBE  (starts its own Xvfb without DISPLAY)
"""
import os
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
print("PASS")
