#!/usr/bin/env python3
"""The real Windows game under wine on the test's X server, held against the
Linux build: the replayer plays the same timelines to the same exit status
and a byte-identical state file, and draws the same title frame; skarnel.exe
shows its title, keeps its state in %LOCALAPPDATA%\\Skarnel of the wine
prefix (never in the working directory), and a second save replaces the
first; what it prints is kept in skarnel.log there, and from a folder whose
data lacks the font it names the file in a message box and in its log, and
ends with status 1 once the box is closed. Every run works in a scratch folder of its own; every wait ends as
soon as the awaited effect shows, within a generous deadline.

Usage: run.py WINDOWS_BUILD LINUX_BUILD SOURCE_DIR
Needs DISPLAY and WINEPREFIX (scripts/windows test sets both).
"""
import atexit
import glob
import os
import shutil
import subprocess
import sys
import tempfile
import time

WINDOWS, LINUX, SOURCE = (os.path.abspath(a) for a in sys.argv[1:4])
TIMELINES = os.path.join(SOURCE, "tests", "replay", "timelines")
PREFIX = os.environ["WINEPREFIX"]
# Wine makes file names outside ASCII only under a UTF-8 locale.
os.environ["LC_ALL"] = "C.UTF-8"
DEADLINE = 120           # seconds: wine starts a program slowly on a loaded machine
POLL = 0.2
RETRY_SECONDS = 5        # a focus change that met no update is made again
STATE = ".tarvikstate"
TITLE_FRAME = 90         # updates: the title has slid in and settled
TOLERANCE = 48           # per channel, between two renderings of one frame
failures = []


def check(ok, what):
    print(("ok   " if ok else "FAIL ") + what, flush=True)
    if not ok:
        failures.append(what)
    return ok


def wait_until(test, deadline=DEADLINE):
    end = time.monotonic() + deadline
    while time.monotonic() < end:
        if test():
            return True
        time.sleep(POLL)
    return test()


def read(path):
    try:
        with open(path, "rb") as f:
            return f.read()
    except OSError:
        return None


def pixels(image):
    """(width, height, RGB bytes) of any image ImageMagick reads."""
    size = subprocess.run(["identify", "-format", "%w %h", image], capture_output=True, text=True, check=True)
    width, height = map(int, size.stdout.split())
    data = subprocess.run(["convert", image, "-depth", "8", "rgb:-"], capture_output=True, check=True).stdout
    return width, height, data


def matching(a, b, x0=0, y0=0):
    """Share of a's pixels that b (read from (x0, y0) on) matches within TOLERANCE."""
    aw, ah, ad = a
    bw, bh, bd = b
    if x0 + aw > bw or y0 + ah > bh:
        return 0.0
    same = 0
    for y in range(ah):
        ra = ad[y * aw * 3:(y + 1) * aw * 3]
        start = ((y0 + y) * bw + x0) * 3
        rb = bd[start:start + aw * 3]
        for x in range(0, aw * 3, 3):
            if (abs(ra[x] - rb[x]) <= TOLERANCE and abs(ra[x + 1] - rb[x + 1]) <= TOLERANCE
                    and abs(ra[x + 2] - rb[x + 2]) <= TOLERANCE):
                same += 1
    return same / (aw * ah)


def replay(program, folder, timeline_text, *args):
    """Runs a replayer with a timeline in a folder of its own; (status, output)."""
    os.makedirs(folder)
    with open(os.path.join(folder, "timeline.txt"), "w") as f:
        f.write(timeline_text)
    command = (["wine", program] if program.endswith(".exe") else [program]) + ["--fast", *args, "timeline.txt"]
    with open(os.path.join(folder, "out.txt"), "w") as out:
        status = subprocess.run(command, cwd=folder, stdout=out, stderr=subprocess.STDOUT, timeout=600).returncode
    return status, open(os.path.join(folder, "out.txt"), errors="replace").read()


def xdo(*args):
    return subprocess.run(["xdotool", *args], capture_output=True, text=True).stdout.strip()


scratch = tempfile.mkdtemp(prefix="windows_test_")
atexit.register(shutil.rmtree, scratch, True)
linux_replay = os.path.join(LINUX, "skarnel-replay")
windows_replay = os.path.join(WINDOWS, "skarnel-replay.exe")

# The same timelines, the same ends and the same records on both systems.
for name in ("round.txt", "options.txt", "touch.txt"):
    text = open(os.path.join(TIMELINES, name)).read()
    ls, lout = replay(linux_replay, os.path.join(scratch, "linux-" + name), text)
    ws, wout = replay(windows_replay, os.path.join(scratch, "windows-" + name), text)
    check(ls == 0 and ws == ls, f"{name}: exit status {ws} under wine, {ls} on Linux")
    lstate = read(os.path.join(scratch, "linux-" + name, STATE))
    wstate = read(os.path.join(scratch, "windows-" + name, STATE))
    check(lstate is not None and wstate == lstate,
          f"{name}: the state file is byte-identical to Linux's ({len(wstate or b'')} and {len(lstate or b'')} bytes)")

# The title drawn after the same number of updates matches Linux's frame.
title = f"{TITLE_FRAME + 10} key-down 115\n{TITLE_FRAME + 11} key-up 115\n"
replay(linux_replay, os.path.join(scratch, "linux-title"), title, "--frame", str(TITLE_FRAME))
replay(windows_replay, os.path.join(scratch, "windows-title"), title, "--frame", str(TITLE_FRAME))
frame_name = f"frame-{TITLE_FRAME}.png"
linux_title = pixels(os.path.join(scratch, "linux-title", frame_name))
windows_frame = os.path.join(scratch, "windows-title", frame_name)
share = matching(linux_title, pixels(windows_frame)) if os.path.exists(windows_frame) else 0.0
check(share > 0.99, f"the replayer's title frame matches Linux's ({share:.4f} of the pixels)")

# skarnel.exe itself: its title on the screen, its state in the player's
# local application data.
game_folder = os.path.join(scratch, "game")
os.makedirs(game_folder)
for old in glob.glob(os.path.join(PREFIX, "drive_c", "users", "*", "AppData", "Local", "Skarnel")):
    shutil.rmtree(old)
out = open(os.path.join(game_folder, "out.txt"), "w")
game = subprocess.Popen(["wine", os.path.join(WINDOWS, "skarnel.exe")], cwd=game_folder, stdout=out,
                        stderr=subprocess.STDOUT)
atexit.register(lambda: game.poll() is None and game.kill())
window = ""


def find_window():
    global window
    window = xdo("search", "--onlyvisible", "--name", "^Skarnel$").split("\n")[0]
    return window != ""


def title_share():
    """How much of the game's window shows the Linux title frame."""
    geometry = xdo("getwindowgeometry", "--shell", window)
    fields = dict(line.split("=") for line in geometry.split("\n") if "=" in line)
    if not fields or int(fields["WIDTH"]) != linux_title[0] or int(fields["HEIGHT"]) != linux_title[1]:
        return 0.0
    shot = os.path.join(scratch, "screen.png")
    subprocess.run(["import", "-window", "root", shot], capture_output=True)
    return matching(linux_title, pixels(shot), int(fields["X"]), int(fields["Y"])) if os.path.exists(shot) else 0.0


shown = 0.0


def title_shown():
    global shown
    shown = title_share()
    return shown > 0.9  # the stars twinkle and the ship circles: most pixels, not all


check(wait_until(find_window), "skarnel.exe opens a window titled Skarnel")
check(wait_until(title_shown), f"skarnel.exe shows the title Linux draws ({shown:.3f} of the window)")


def state_files():
    return glob.glob(os.path.join(PREFIX, "drive_c", "users", "*", "AppData", "Local", "Skarnel", STATE))


root = xdo("search", "--maxdepth", "0", "")


def save_by_focus(test):
    """Gives the game the keyboard and takes it away (it suspends and saves)
    until `test` holds. Without a window manager wine makes its window the
    active one again only on a click (the corner clicked holds nothing), and
    a focus that came and went before an update is not seen, so the pair is
    made again, a little slower each time, while no save comes."""
    end = time.monotonic() + DEADLINE
    pause = POLL
    while time.monotonic() < end:
        xdo("windowfocus", window)
        xdo("mousemove", "--window", window, "4", "4", "click", "1")
        wait_until(lambda: xdo("getwindowfocus") == window, RETRY_SECONDS)
        time.sleep(pause)
        xdo("windowfocus", root)
        if wait_until(test, RETRY_SECONDS):
            return True
        pause = min(pause * 2, RETRY_SECONDS)
    return test()


check(save_by_focus(lambda: len(state_files()) == 1), "losing the focus saves into %LOCALAPPDATA%\\Skarnel")
check(not os.path.exists(os.path.join(game_folder, STATE)), "nothing is saved in the working directory")
if state_files():
    saved = state_files()[0]
    first = read(saved)
    with open(saved, "wb") as f:
        f.write(b"not a record")
    check(save_by_focus(lambda: read(saved) == first), "a second save replaces the first")
    left = set(os.listdir(os.path.dirname(saved))) - {STATE, "skarnel.log"}
    check(not left, f"no temporary file is left beside the record (there: {sorted(left)})")
    # The same record the Linux replayer writes when the title loses the focus.
    unfocused = "30 focus-lost\n40 focus-gained\n100 key-down 115\n101 key-up 115\n"
    replay(linux_replay, os.path.join(scratch, "linux-focus"), unfocused)
    check(read(os.path.join(scratch, "linux-focus", STATE)) == first,
          "the game's record is byte-identical to the Linux replayer's")
game.kill()
game.wait()
out.close()


def local_file(name):
    found = glob.glob(os.path.join(PREFIX, "drive_c", "users", "*", "AppData", "Local", "Skarnel", name))
    return read(found[0]) if found else None


# A windowed program's output goes nowhere: the game keeps it in its log.
first_log = local_file("skarnel.log")
check(first_log is not None and b"Highscores" in first_log,
      f"skarnel.exe keeps what it prints in skarnel.log beside its record ({first_log!r:.200})")

# Without its font the game names the file in a message box (a window of its
# own, smaller than the game's) and in its log, and ends with status 1 once
# the box is closed.
broken = os.path.join(scratch, "broken")
shutil.copytree(os.path.join(WINDOWS, "data"), os.path.join(broken, "data"), ignore=shutil.ignore_patterns("fonts"))
shutil.copy2(os.path.join(WINDOWS, "skarnel.exe"), broken)
failing = subprocess.Popen(["wine", os.path.join(broken, "skarnel.exe")], cwd=broken, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL)
atexit.register(lambda: failing.poll() is None and failing.kill())
box = ""


def find_box():
    global box
    for candidate in xdo("search", "--onlyvisible", "--name", "^Skarnel$").split():
        geometry = xdo("getwindowgeometry", "--shell", candidate)
        fields = dict(line.split("=") for line in geometry.split("\n") if "=" in line)
        if fields and int(fields["WIDTH"]) < linux_title[0] and int(fields["HEIGHT"]) < linux_title[1]:
            box = candidate
            return True
    return False


check(wait_until(find_box), "without its font skarnel.exe shows a message box")
failure_log = (local_file("skarnel.log") or b"").decode("utf-8", "replace")
for line in ("File not found: ", "Skarnel cannot run without the file", "data/fonts/shadow_editundo-hd.png",
             "Reinstall Skarnel to put it back."):
    check(line in failure_log, f"skarnel.log says \"{line}\"")
check(local_file("skarnel.log.old") == first_log, "the last run's log is kept as skarnel.log.old")


def box_answered():
    """Presses Enter in the box until the game ends: without a window manager
    the box may not hold the keyboard at the first try."""
    xdo("windowfocus", box)
    xdo("key", "Return")
    return wait_until(lambda: failing.poll() is not None, RETRY_SECONDS)


check(wait_until(box_answered), "Enter closes the box")
check(failing.poll() == 1, f"skarnel.exe ends with status 1 once the box is closed ({failing.poll()})")

if failures:
    print(f"{len(failures)} Windows check(s) failed; the game's output:", flush=True)
    print(open(os.path.join(game_folder, "out.txt"), errors="replace").read()[-2000:])
    sys.exit(1)
print("all Windows checks passed")
