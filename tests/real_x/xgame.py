"""Helpers shared by the real-X tests: the game started in a scratch folder
under the test's own X server, its window found and given the keyboard when
nothing else gives it, real key events through XTEST (xdotool), pixels
counted by x_probe, and every wait bounded by a generous deadline that ends
as soon as the awaited effect shows. A fixed sleep is never proof of anything.
"""
import atexit
import os
import shutil
import subprocess
import sys
import tempfile
import time

DEADLINE = 30            # seconds any one effect may take on a loaded machine
POLL = 0.1
DESKTOP = (1280, 1024)
WINDOW = (640, 480)
START_TRIES = 3          # a busy X server now and then refuses a new client


def own_display():
    """Gives this process an Xvfb of its own unless DISPLAY is set; the server
    picks a free display number itself."""
    if os.environ.get("DISPLAY"):
        return
    read_end, write_end = os.pipe()
    server = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x1024x24", "-noreset",
                               "-nolisten", "tcp"], pass_fds=[write_end], stderr=subprocess.DEVNULL)
    os.close(write_end)
    number = b""
    while not number.endswith(b"\n"):
        chunk = os.read(read_end, 16)
        if not chunk:
            break
        number += chunk
    os.close(read_end)
    if not number.strip():
        fail("Xvfb did not start")
    os.environ["DISPLAY"] = ":" + number.decode().strip()
    atexit.register(server.terminate)


def scratch():
    """A folder of this test's own, removed at exit; made the working directory."""
    folder = tempfile.mkdtemp(prefix="real_x_")
    atexit.register(shutil.rmtree, folder, True)
    os.chdir(folder)
    return folder


_games = []


def fail(message):
    print("FAIL:", message, flush=True)
    for game in _games:
        if game.proc.poll() is None:
            game.proc.kill()
    sys.exit(1)


def xdo(*args):
    return subprocess.run(["xdotool", *args], capture_output=True, text=True).stdout.strip()


def wait_until(check, what, deadline=DEADLINE):
    end = time.monotonic() + deadline
    while time.monotonic() < end:
        if check():
            return
        time.sleep(POLL)
    fail(what)


class Game:
    """The game binary (with its arguments) running in the working directory."""

    def __init__(self, command, probe):
        self.probe = probe
        self.win = ""
        for _ in range(START_TRIES):
            self.out = open("out.txt", "w")
            self.proc = subprocess.Popen(command, stdout=self.out, stderr=subprocess.STDOUT)
            _games.append(self)
            end = time.monotonic() + DEADLINE
            while time.monotonic() < end and not self.find_window() and self.proc.poll() is None:
                time.sleep(POLL)
            if self.win or "glfwInit failed" not in self.output():
                break
            time.sleep(1)
        if not self.win:
            fail("no window titled Skarnel: " + self.output()[-300:])

    def output(self):
        self.out.flush()
        return open("out.txt").read()

    def find_window(self):
        found = xdo("search", "--all", "--onlyvisible", "--pid", str(self.proc.pid), "--name", "^Skarnel$")
        self.win = found.split("\n")[0] if found else ""
        return self.win

    def focused(self):
        return self.win != "" and xdo("getwindowfocus") == self.win

    def ensure_focus(self):
        """Waits for a window to take the keyboard by itself: the host focuses
        every window it opens, as there may be no window manager to do it."""
        wait_until(self.find_window, "no window titled Skarnel")
        wait_until(self.focused, "the window does not take the keyboard")

    def size(self):
        geo = xdo("getwindowgeometry", self.win)
        line = [l for l in geo.split("\n") if "Geometry" in l]
        return tuple(map(int, line[0].split()[1].split("x"))) if line else None

    def count(self, *colours):
        out = subprocess.run([self.probe, "count", self.win, *colours], capture_output=True, text=True).stdout.split()
        return [int(n) for n in out[1:]] if out[:1] == ["counts"] else [0] * len(colours)

    def hold_until(self, key, check, what):
        """Holds `key` down until `check` holds, then lets it go: a game key
        read as held is seen however late the next update comes."""
        xdo("keydown", key)
        wait_until(check, what)
        xdo("keyup", key)

    def wait_exit(self, what, expected=0):
        try:
            status = self.proc.wait(DEADLINE)
        except subprocess.TimeoutExpired:
            fail(f"{what} did not end the game: " + self.output()[-300:])
        if status != expected:
            fail(f"{what}: exit status {status}, not {expected}: " + self.output()[-300:])
