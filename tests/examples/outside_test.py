#!/usr/bin/env python3
"""The framework as an outside project uses it.

`run` (under X):
1. The tarvik component installs into a scratch prefix, which then moves to
   another folder: the package must work wherever it lands, and no installed
   file but the static libraries (whose debug information, in debug builds,
   names their sources) may name the source or the build tree. Every installed
   header compiles together with the rest; tarvik.h and the key names are
   there, the host's GLFW 2.7 layer is not.
2. A program linked with Tarvik::runtime alone builds and runs; the
   smallest program of the installed guide, cut from the page, builds,
   shows its text and ends on Escape; examples/ configures and builds out of
   tree against the moved prefix.
3. Every example opens a window that shows more than one colour, and ends
   with status 0 on Escape or on a close request (WM_DELETE_WINDOW); hello's
   window carries the title it chose.
4. bounce plays sound (openal-soft's wave backend records what it mixes);
   state_record keeps its record across two runs in its working folder;
   http_get reports the answer of a server on 127.0.0.1.
5. A newcomer's game (tests/sdk/newcomer, catch the falling stars) builds
   as a project of its own against the moved prefix, names its window in
   UTF-8, plays a round by itself (the stars that fall onto the paddle where
   it rests score) and saves its record (the game's name as written, the
   best score, the rounds); run again in the same folder it reads that
   record back and adds its round, and the close button saves and ends it
   with status 0.

`package`: the libtarvik-dev Debian package, unpacked, builds an example
from the copy of the examples it carries, so its libraries, headers and
CMake package are whole and usable where the package puts them.

Usage: outside_test.py run BUILD_DIR SOURCE_DIR CLOSE_REQUEST
       (starts its own Xvfb when DISPLAY is unset)
       outside_test.py package BUILD_DIR
"""
import atexit
import http.server
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time

MODE = sys.argv[1]
if MODE == "run" and not os.environ.get("DISPLAY"):
    os.execvp("xvfb-run", ["xvfb-run", "-a", "-s", "-screen 0 1280x1024x24 -noreset", sys.executable] + sys.argv)

BUILD = os.path.abspath(sys.argv[2])
WORK = tempfile.mkdtemp()
atexit.register(shutil.rmtree, WORK, True)

DEADLINE_SECONDS = 30    # every wait for an effect is bounded by this
POLL_SECONDS = 0.2
OTHER_PIXELS = 500       # pixels besides the most common colour that count as "shows something"
TEXT_PIXELS = 100        # what one short line of the default font lights, and a blank window does not
SERVER_BODY = b"Greetings from the loopback server\nsecond line\n"

running = []


def fail(message):
    print("FAIL:", message, flush=True)
    for proc in running:
        proc.kill()
    sys.exit(1)


def run(*args, **kwargs):
    result = subprocess.run(list(args), capture_output=True, text=True, **kwargs)
    if result.returncode != 0:
        fail(f"{' '.join(args)} failed:\n{result.stdout[-2000:]}{result.stderr[-2000:]}")
    return result.stdout


def wait_until(check, what):
    deadline = time.time() + DEADLINE_SECONDS
    while time.time() < deadline:
        value = check()
        if value:
            return value
        time.sleep(POLL_SECONDS)
    fail(what)


def xdo(*args):
    return subprocess.run(["xdotool", *args], capture_output=True, text=True).stdout.strip()


def install_and_move():
    staged = os.path.join(WORK, "staged")
    run("cmake", "--install", BUILD, "--component", "tarvik", "--prefix", staged)
    prefix = os.path.join(WORK, "elsewhere", "prefix")
    os.makedirs(os.path.dirname(prefix))
    shutil.move(staged, prefix)
    for folder, _, files in os.walk(prefix):
        for name in files:
            path = os.path.join(folder, name)
            if name.endswith(".a"):
                continue
            data = open(path, "rb").read()
            for tree in (SOURCE, BUILD, staged):
                if tree.encode() in data:
                    fail(f"{os.path.relpath(path, prefix)} names {tree}")
    for header in ("tarvik.h", "host/app.h", "input/keys.h", "runtime/gc.h", "net/http.h"):
        if not os.path.exists(os.path.join(prefix, "include/tarvik", header)):
            fail(f"include/tarvik/{header} was not installed")
    if os.path.exists(os.path.join(prefix, "include/tarvik/host/glfw27.h")):
        fail("the host's GLFW 2.7 layer was installed: its key codes are not the framework's")
    compile_every_header(prefix)
    return prefix


def compile_every_header(prefix):
    """One file including every installed header compiles: none of them needs a header left out."""
    include = os.path.join(prefix, "include")
    headers = sorted(os.path.relpath(os.path.join(folder, name), include)
                     for folder, _, names in os.walk(os.path.join(include, "tarvik")) for name in names
                     if name.endswith(".h"))
    source = os.path.join(WORK, "every_header.cpp")
    with open(source, "w") as f:
        f.writelines(f"#include <{header}>\n" for header in headers)
    run("c++", "-std=c++20", "-fsyntax-only", "-I" + include, "-I" + os.path.join(include, "tarvik"), source)


def build_examples(prefix):
    out = os.path.join(WORK, "e")
    run("cmake", "-S", os.path.join(SOURCE, "examples"), "-B", out, "-DCMAKE_BUILD_TYPE=Release",
        "-DCMAKE_PREFIX_PATH=" + prefix)
    run("cmake", "--build", out, "-j2")
    return out


RUNTIME_ONLY_CMAKE = """cmake_minimum_required(VERSION 3.25)
project(RuntimeOnly CXX)
find_package(Tarvik 1 REQUIRED)
add_executable(runtime_only main.cpp)
target_link_libraries(runtime_only PRIVATE Tarvik::runtime)
"""
RUNTIME_ONLY_MAIN = """#include "runtime/errors.h"
struct c_Node : Object {
  c_Node* m_next = nullptr;
  void mark() override { gc_enqueue_ref(m_next); }
};
int main() {
  gc_init();
  c_Node* head = gc_new<c_Node>();
  gc_assign(head->m_next, gc_new<c_Node>());
  Array<String> words = String("objects,and,strings").Split(String(","));
  vxPrint(String(" ").Join(words) + String(" alone: ") + String(words.Length()));
  return head->m_next ? 0 : 1;
}
"""


def build_runtime_only(prefix):
    """A program on the object runtime alone links without any device library."""
    source = os.path.join(WORK, "runtime_only")
    os.makedirs(source)
    open(os.path.join(source, "CMakeLists.txt"), "w").write(RUNTIME_ONLY_CMAKE)
    open(os.path.join(source, "main.cpp"), "w").write(RUNTIME_ONLY_MAIN)
    out = os.path.join(source, "build")
    run("cmake", "-S", source, "-B", out, "-DCMAKE_PREFIX_PATH=" + prefix)
    run("cmake", "--build", out)
    printed = run(os.path.join(out, "runtime_only"))
    if printed.strip() != "objects and strings alone: 3":
        fail(f"the runtime-only program printed {printed!r}")


def build_guide_program(prefix):
    """The smallest program of the installed guide, its two files cut from the page as they stand."""
    guide = open(os.path.join(prefix, "share/doc/libtarvik-dev/framework.md")).read()
    section = guide.split("### The smallest program", 1)[-1]
    blocks = {}
    for language in ("cpp", "cmake"):
        start = section.find("```" + language + "\n")
        if start < 0:
            fail(f"the guide's smallest program has no {language} block")
        body = section[start + len(language) + 4:]
        blocks[language] = body[:body.find("```")]
    source = os.path.join(WORK, "guide_program")
    os.makedirs(source)
    open(os.path.join(source, "main.cpp"), "w").write(blocks["cpp"])
    open(os.path.join(source, "CMakeLists.txt"), "w").write(blocks["cmake"])
    out = os.path.join(source, "build")
    run("cmake", "-S", source, "-B", out, "-DCMAKE_PREFIX_PATH=" + prefix)
    run("cmake", "--build", out)
    return os.path.join(out, "mygame")


class Example:
    """One example running in a scratch folder of its own (its state file lands there)."""

    def __init__(self, binary, folder, args=(), env=None):
        self.name = os.path.basename(binary)
        self.folder = folder
        os.makedirs(folder, exist_ok=True)
        self.out_path = os.path.join(folder, "out.txt")
        self.proc = subprocess.Popen([binary, *args], cwd=folder, stdin=subprocess.DEVNULL,
                                     stdout=open(self.out_path, "w"), stderr=subprocess.STDOUT,
                                     env=dict(os.environ, **(env or {})))
        running.append(self.proc)
        self.win = wait_until(self.find_window, f"{self.name} opened no window: {self.output()}")
        # Without a window manager a window gets the keyboard only when given it.
        xdo("windowfocus", "--sync", self.win)

    def find_window(self):
        if self.proc.poll() is not None:
            fail(f"{self.name} ended with status {self.proc.returncode} before its window showed: {self.output()}")
        return xdo("search", "--all", "--onlyvisible", "--pid", str(self.proc.pid)).split("\n")[0]

    def output(self):
        return open(self.out_path, errors="replace").read()[-1000:]

    def other_pixels(self):
        """Pixels of the window that are not its most common colour."""
        geometry = dict(line.split("=") for line in xdo("getwindowgeometry", "--shell", self.win).split("\n")
                        if "=" in line)
        if "WIDTH" not in geometry:
            return 0
        shot = os.path.join(self.folder, "shot.png")
        subprocess.run(["import", "-window", "root", "-crop",
                        f"{geometry['WIDTH']}x{geometry['HEIGHT']}+{geometry['X']}+{geometry['Y']}", "+repage", shot],
                       capture_output=True)
        histogram = subprocess.run(["convert", shot, "-format", "%c", "histogram:info:-"],
                                   capture_output=True, text=True).stdout
        counts = sorted(int(line.split(":")[0]) for line in histogram.split("\n") if ":" in line)
        return sum(counts[:-1])

    def wait_shows_something(self, at_least=OTHER_PIXELS):
        wait_until(lambda: self.other_pixels() >= at_least, f"{self.name}'s window shows a single colour")

    def wait_output(self, text):
        wait_until(lambda: text in self.output(), f"{self.name} never printed {text!r}: {self.output()}")

    def hold_key_until(self, key, effect, what):
        """Holds a key, pressing it again now and then, until the effect shows."""
        deadline = time.time() + DEADLINE_SECONDS
        try:
            while time.time() < deadline:
                xdo("windowfocus", "--sync", self.win)
                xdo("keydown", key)
                for _ in range(5):
                    if effect():
                        return
                    time.sleep(POLL_SECONDS)
                xdo("keyup", key)
        finally:
            xdo("keyup", key)
        fail(what)

    def end(self, how):
        if how == "Escape":
            self.hold_key_until("Escape", lambda: self.proc.poll() is not None, f"Escape did not end {self.name}")
        else:
            run(CLOSE_REQUEST, self.win)
            try:
                self.proc.wait(DEADLINE_SECONDS)
            except subprocess.TimeoutExpired:
                fail(f"the close request did not end {self.name}")
        running.remove(self.proc)
        if self.proc.returncode != 0:
            fail(f"{how} ended {self.name} with status {self.proc.returncode}: {self.output()}")


def serve_once():
    class Handler(http.server.BaseHTTPRequestHandler):
        def do_GET(self):
            self.send_response(200)
            self.send_header("Content-Length", str(len(SERVER_BODY)))
            self.end_headers()
            self.wfile.write(SERVER_BODY)

        def log_message(self, *args):
            pass

    server = http.server.HTTPServer(("127.0.0.1", 0), Handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return f"http://127.0.0.1:{server.server_port}/greeting"


def wav_has_sound(path):
    data = open(path, "rb").read() if os.path.exists(path) else b""
    return any(data[44:])


def package():
    out = os.path.join(WORK, "packages")
    run("cpack", "-G", "DEB", "-B", out, "--config", os.path.join(BUILD, "CPackConfig.cmake"))
    debs = [name for name in os.listdir(out) if name.startswith("libtarvik-dev_") and name.endswith(".deb")]
    if len(debs) != 1:
        fail(f"cpack made {os.listdir(out)}, not one libtarvik-dev package")
    root = os.path.join(WORK, "root")
    run("dpkg-deb", "-x", os.path.join(out, debs[0]), root)
    depends = run("dpkg-deb", "-f", os.path.join(out, debs[0]), "Depends")
    for package in ("libglfw3-dev", "libopenal-dev"):
        if package not in depends:
            fail(f"libtarvik-dev does not depend on {package}: {depends}")
    built = os.path.join(WORK, "e")
    run("cmake", "-S", os.path.join(root, "usr/share/doc/libtarvik-dev/examples"), "-B", built,
        "-DCMAKE_PREFIX_PATH=" + os.path.join(root, "usr"))
    run("cmake", "--build", built, "--target", "hello")
    if not os.path.exists(os.path.join(built, "data", "kelvo_font.png")):
        fail("the examples built from the package have no default font")
    print("ok", flush=True)


if MODE == "package":
    package()
    sys.exit(0)

SOURCE = os.path.abspath(sys.argv[3])
CLOSE_REQUEST = os.path.abspath(sys.argv[4])

print("install into a prefix that then moves", flush=True)
prefix = install_and_move()
print("a program on the object runtime alone", flush=True)
build_runtime_only(prefix)
print("the guide's smallest program", flush=True)
guide_program = Example(build_guide_program(prefix), os.path.join(WORK, "run", "guide_program"))
guide_program.wait_shows_something(TEXT_PIXELS)
guide_program.end("Escape")
print("build the examples against it", flush=True)
examples = build_examples(prefix)
scratch = os.path.join(WORK, "run")

print("hello", flush=True)
hello = Example(os.path.join(examples, "hello"), os.path.join(scratch, "hello"))
hello.wait_shows_something()
wait_until(lambda: xdo("getwindowname", hello.win) == "Hello, Tarvik",
           f"hello's window is titled {xdo('getwindowname', hello.win)!r}")
hello.end("Escape")

print("bounce, recorded by openal-soft's wave backend", flush=True)
folder = os.path.join(scratch, "bounce")
os.makedirs(folder)
wav = os.path.join(folder, "mix.wav")
with open(os.path.join(folder, "alsoft.conf"), "w") as conf:
    conf.write(f"[general]\ndrivers=wave\nsample-type=int16\n[wave]\nfile={wav}\n")
bounce = Example(os.path.join(examples, "bounce"), folder, env={"ALSOFT_CONF": os.path.join(folder, "alsoft.conf")})
bounce.wait_shows_something()
wait_until(lambda: wav_has_sound(wav), "bounce played nothing")
bounce.end("close")

print("input_show", flush=True)
shown = Example(os.path.join(examples, "input_show"), os.path.join(scratch, "input_show"))
shown.wait_shows_something()
shown.end("close")

print("state_record, twice in one folder", flush=True)
folder = os.path.join(scratch, "state_record")
state_file = os.path.join(folder, ".tarvikstate")


def state():
    return open(state_file, errors="replace").read() if os.path.exists(state_file) else ""


record = Example(os.path.join(examples, "state_record"), folder)
record.wait_shows_something()
wait_until(lambda: "runs=1;points=0" in state(), f"the first run saved {state()!r}")
record.hold_key_until("space", lambda: "points=0" not in state(), f"Space saved nothing: {state()!r}")
record.end("close")
record = Example(os.path.join(examples, "state_record"), folder)
wait_until(lambda: "runs=2;" in state() and "points=0" not in state(), f"the second run saved {state()!r}")
record.wait_shows_something()
record.end("Escape")

print("http_get against a loopback server", flush=True)
get = Example(os.path.join(examples, "http_get"), os.path.join(scratch, "http_get"), args=[serve_once()])
get.wait_output(f"status 200, {len(SERVER_BODY)} characters")
get.wait_shows_something()
get.end("Escape")

print("a newcomer's game built against the prefix, twice in one folder", flush=True)
stars_build = os.path.join(WORK, "stars-build")
run("cmake", "-S", os.path.join(SOURCE, "tests", "sdk", "newcomer"), "-B", stars_build,
    "-DCMAKE_BUILD_TYPE=Release", "-DCMAKE_PREFIX_PATH=" + prefix)
run("cmake", "--build", stars_build, "-j2")
folder = os.path.join(scratch, "stars")
stars_file = os.path.join(folder, ".tarvikstate")
STARS_TITLE = "Sternenfänger"


def stars_record():
    """The game's record as fields, read as the UTF-8 it must be."""
    if not os.path.exists(stars_file):
        return {}
    text = open(stars_file, "rb").read().decode("utf-8")
    return dict(f.split("=", 1) for f in text.split(";") if "=" in f)


stars = Example(os.path.join(stars_build, "stars"), folder)
wait_until(lambda: xdo("getwindowname", stars.win) == STARS_TITLE,
           f"the game's window is titled {xdo('getwindowname', stars.win)!r}")
wait_until(lambda: stars_record().get("rounds") == "1", f"the first round saved {stars_record()}")
first = stars_record()
# The stars that fall onto the paddle where it rests score.
if first.get("game") != STARS_TITLE or not first.get("best", "").isdigit() or int(first["best"]) < 1:
    fail(f"the first round saved {first}")
stars.wait_shows_something()
stars.end("Escape")
stars = Example(os.path.join(stars_build, "stars"), folder)
wait_until(lambda: stars_record().get("rounds") == "2", f"the second run saved {stars_record()}")
if stars_record().get("best") != first["best"]:
    fail(f"the same stars fall alike, yet the best changed: {first} then {stars_record()}")
stars.end("close")

print("ok", flush=True)
