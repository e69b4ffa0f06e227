#!/usr/bin/env python3
"""The installed game, from a build folder that is already built.

tree      installs into a scratch prefix: the game finds its data through the
          link beside it, the desktop entry, metadata and manual page pass
          their validators, one application id names them all, and the icon
          exists at every hicolor size, legible at 16 px.
package   builds the Debian package, lists it with dpkg-deb (the launcher in
          /usr/games, where Debian keeps games) and checks it with lintian (no
          errors, no missing hardening) and its shared-library dependencies;
          both packages and the metadata carry the zlib licence.
launcher  starts the installed launcher under X from an unrelated folder with
          a scratch HOME: a focus loss saves the state file in the state
          folder and nowhere else, F4 ends the game with status 0; the same
          with XDG_STATE_HOME unset; an unusable state location (a file, a
          symbolic link that leads nowhere, a folder it may not write) is
          refused with a clear message and a non-zero status before any
          window opens.

Usage: install_test.py tree|package|launcher BUILD_DIR
"""
import configparser
import ctypes
import glob
import os
import shutil
import stat
import subprocess
import sys
import tempfile
import time

MODE, BUILD = sys.argv[1], os.path.abspath(sys.argv[2])
if MODE == "launcher" and not os.environ.get("DISPLAY"):
    os.execvp("xvfb-run", ["xvfb-run", "-a", "-s", "-screen 0 1280x1024x24 -noreset", sys.executable] + sys.argv)

APP_ID = "org.skarnel.Skarnel"
ICON_SIZES = (16, 24, 32, 48, 64, 128, 256)
WAIT_SECONDS = 30            # every wait for the game is bounded by this
STATE_FILE = ".tarvikstate"
# At 16 px the ship must stand out from the tile: this many pixels of its
# bright rim against the dark field.
LEGIBLE_BRIGHT_PIXELS = 12
BRIGHT, DARK = 150, 60       # channel levels of rim and field
RIM_PIXELS = 2               # the tile's border at 16 px

WORK = tempfile.mkdtemp(prefix="skarnel-install-")
failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
        print("FAIL:", what, flush=True)


def finish():
    shutil.rmtree(WORK, ignore_errors=True)
    if failures:
        sys.exit(1)
    print("PASS")
    sys.exit(0)


def run(*args, **kw):
    return subprocess.run(args, capture_output=True, text=True, **kw)


def install(prefix):
    result = run("cmake", "--install", BUILD, "--prefix", prefix, "--component", "game")
    if result.returncode != 0:
        print(result.stdout, result.stderr)
        check(False, "cmake --install failed")
        finish()


def wait_until(test, seconds=WAIT_SECONDS):
    deadline = time.time() + seconds
    while time.time() < deadline:
        if test():
            return True
        time.sleep(0.2)
    return False


def rgba_pixels(png):
    raw = subprocess.run(["convert", png, "-depth", "8", "rgba:-"], capture_output=True, check=True).stdout
    return [raw[i:i + 4] for i in range(0, len(raw), 4)]


def tree():
    prefix = os.path.join(WORK, "prefix")
    install(prefix)
    p = lambda *parts: os.path.join(prefix, *parts)

    check(os.access(p("bin", "skarnel"), os.X_OK), "no runnable launcher bin/skarnel")
    check(os.access(p("libexec", "skarnel", "skarnel"), os.X_OK), "no game executable in libexec/skarnel")
    check(os.path.isfile(p("libexec", "skarnel", "data", "kelvo_font.png")),
          "the data folder next to the game does not reach the installed data")
    check(not glob.glob(p("share", "skarnel", "data", ".assetgen-stamp")), "the build stamp was installed")

    desktop = p("share", "applications", APP_ID + ".desktop")
    metainfo = p("share", "metainfo", APP_ID + ".metainfo.xml")
    result = run("desktop-file-validate", desktop)
    check(result.returncode == 0 and not result.stdout.strip(), "desktop-file-validate: " + result.stdout + result.stderr)
    result = run("appstreamcli", "validate", "--no-net", "--pedantic", metainfo)
    check(result.returncode == 0, "appstreamcli validate: " + result.stdout + result.stderr)
    man = p("share", "man", "man6", "skarnel.6.gz")
    result = run("man", "--warnings", "-E", "UTF-8", "-l", man)
    check(result.returncode == 0 and "SKARNEL" in result.stdout and not result.stderr.strip(),
          "the manual page does not render cleanly: " + result.stderr)

    entry = configparser.ConfigParser(interpolation=None)
    entry.optionxform = str
    entry.read(desktop)
    section = entry["Desktop Entry"]
    check(section.get("Icon") == APP_ID, "the desktop entry names another icon: " + str(section.get("Icon")))
    check(os.access(p("bin", section.get("Exec", "").split()[0]), os.X_OK),
          "the desktop entry does not start the installed launcher")
    with open(metainfo) as f:
        meta = f.read()
    check(f"<id>{APP_ID}</id>" in meta and f">{APP_ID}.desktop</launchable>" in meta,
          "the metadata names another application id")

    for size in ICON_SIZES:
        icon = p("share", "icons", "hicolor", f"{size}x{size}", "apps", APP_ID + ".png")
        if not os.path.isfile(icon):
            check(False, f"no {size} px icon")
            continue
        dims = run("identify", "-format", "%w %h", icon).stdout.split()
        check(dims == [str(size)] * 2, f"the {size} px icon is {dims}")
    small = p("share", "icons", "hicolor", "16x16", "apps", APP_ID + ".png")
    if os.path.isfile(small):
        # Inside the tile's rim: the ship's own pixels against the field.
        pixels = [px for i, px in enumerate(rgba_pixels(small))
                  if RIM_PIXELS <= i % 16 < 16 - RIM_PIXELS and RIM_PIXELS <= i // 16 < 16 - RIM_PIXELS]
        bright = sum(1 for r, g, b, a in pixels if a > 200 and max(r, g, b) >= BRIGHT)
        dark = sum(1 for r, g, b, a in pixels if a > 200 and max(r, g, b) <= DARK)
        check(bright >= LEGIBLE_BRIGHT_PIXELS and dark >= bright,
              f"the 16 px icon shows no clear ship on its tile ({bright} bright, {dark} dark pixels)")
    finish()


def package():
    out = os.path.join(WORK, "packages")
    result = run("cpack", "-G", "DEB", "-B", out, "--config", os.path.join(BUILD, "CPackConfig.cmake"))
    debs = glob.glob(os.path.join(out, "skarnel_*.deb"))
    if result.returncode != 0 or len(debs) != 1:
        print(result.stdout, result.stderr)
        check(False, f"cpack made {[os.path.basename(d) for d in debs]}, not one skarnel package")
        finish()
    deb = debs[0]
    listing = run("dpkg-deb", "-c", deb).stdout
    entries = {line.split()[5].split(" -> ")[0]: line for line in listing.splitlines()}
    wanted = ["./usr/games/skarnel", "./usr/libexec/skarnel/skarnel", "./usr/libexec/skarnel/data",
              "./usr/share/skarnel/data/kelvo_font.png", "./usr/share/skarnel/data/sfx/satellites.ogg",
              f"./usr/share/applications/{APP_ID}.desktop", f"./usr/share/metainfo/{APP_ID}.metainfo.xml",
              "./usr/share/man/man6/skarnel.6.gz", "./usr/share/doc/skarnel/copyright"]
    wanted += [f"./usr/share/icons/hicolor/{n}x{n}/apps/{APP_ID}.png" for n in ICON_SIZES]
    for path in wanted:
        check(path in entries, "the package lacks " + path)
    if failures:
        print(listing)
    check(entries.get("./usr/games/skarnel", "").startswith("-rwxr-xr-x"), "the launcher is not executable in /usr/games")
    check("-> ../../share/skarnel/data" in listing, "the game's data link is missing or absolute")

    depends = run("dpkg-deb", "-f", deb, "Depends").stdout
    for library in ("libglfw3", "libopenal1", "libc6"):
        check(library in depends, f"the package does not depend on {library}: {depends}")
    result = run("lintian", "--fail-on", "error", "--display-info", "--tag-display-limit", "0", deb)
    print(result.stdout, result.stderr)
    check(result.returncode == 0, "lintian reports errors")
    check("hardening-no-" not in result.stdout, "the game is not built with Debian's hardening flags")

    framework = glob.glob(os.path.join(out, "libtarvik-dev_*.deb"))
    check(len(framework) == 1, "cpack made no libtarvik-dev package")
    for package_file, name in [(deb, "skarnel")] + [(f, "libtarvik-dev") for f in framework]:
        unpacked = os.path.join(WORK, "unpacked-" + name)
        run("dpkg-deb", "-x", package_file, unpacked)
        with open(os.path.join(unpacked, "usr", "share", "doc", name, "copyright")) as f:
            copyright = f.read()
        check("License: Zlib" in copyright and "Copyright: 2026 The Skarnel authors" in copyright,
              name + "'s copyright file does not give the zlib licence of the Skarnel authors")
    with open(os.path.join(WORK, "unpacked-skarnel", "usr", "share", "metainfo", APP_ID + ".metainfo.xml")) as f:
        check("<project_license>Zlib</project_license>" in f.read(), "the metadata does not name the zlib licence")
    finish()


class XFocus:
    """Takes the keyboard focus from every window, as a window manager does."""

    def __init__(self):
        self.x = ctypes.CDLL("libX11.so.6")
        self.x.XOpenDisplay.restype = ctypes.c_void_p
        self.x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.x.XSetInputFocus.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_ulong]
        self.x.XFlush.argtypes = [ctypes.c_void_p]
        self.display = self.x.XOpenDisplay(None)

    def take_away(self):
        none, revert_to_none, current_time = 0, 0, 0
        self.x.XSetInputFocus(self.display, none, revert_to_none, current_time)
        self.x.XFlush(self.display)


def xdo(*args):
    return run("xdotool", *args).stdout.strip()


def state_files():
    found = []
    for folder, _, names in os.walk(WORK):
        found += [os.path.join(folder, n) for n in names if n == STATE_FILE]
    return found


def play_and_save(launcher, env, state_dir, focus):
    """Runs the installed launcher from an unrelated folder until a focus loss saved."""
    elsewhere = tempfile.mkdtemp(dir=WORK, prefix="elsewhere-")
    log_path = os.path.join(WORK, "game.log")
    with open(log_path, "w") as log:
        game = subprocess.Popen([launcher], cwd=elsewhere, env=env, stdout=log, stderr=subprocess.STDOUT)
    log_tail = lambda: open(log_path).read()[-400:]
    window = []

    def window_shown():
        window[:] = xdo("search", "--all", "--onlyvisible", "--pid", str(game.pid), "--name", "^Skarnel$").split()
        return bool(window) or game.poll() is not None

    if not wait_until(window_shown) or not window:
        game.kill()
        check(False, "no Skarnel window from the installed launcher: " + log_tail())
        return
    state_file = os.path.join(state_dir, STATE_FILE)
    xdo("windowfocus", "--sync", window[0])
    check(state_files() == [], f"state files before any save: {state_files()}")
    focus.take_away()
    check(wait_until(lambda: os.path.isfile(state_file)), "a focus loss did not save the state file in " + state_dir)
    check(state_files() == [state_file], f"state files outside the state folder: {state_files()}")
    for made in (state_dir, os.path.dirname(state_dir)):
        check(stat.S_IMODE(os.stat(made).st_mode) == 0o700, made + " is not private (mode 700)")

    # F4 reaches the game once it has the focus again.
    def ended():
        xdo("windowfocus", "--sync", window[0])
        xdo("key", "F4")
        try:
            game.wait(3)
        except subprocess.TimeoutExpired:
            return False
        return True

    if not wait_until(ended):
        game.kill()
        game.wait()
        check(False, "F4 did not end the game: " + log_tail())
        return
    check(game.returncode == 0, f"F4 ended the game with status {game.returncode}: " + log_tail())


def refused(launcher, env, what, says="state folder"):
    result = subprocess.run([launcher], cwd=WORK, env=env, capture_output=True, text=True, timeout=WAIT_SECONDS)
    check(result.returncode != 0, what + ": the launcher did not fail")
    check("state folder" in result.stderr and says in result.stderr,
          what + ": no clear message, stderr was: " + result.stderr)
    print(what + ":", result.stderr.strip(), flush=True)


def launcher():
    prefix = os.path.join(WORK, "prefix")
    install(prefix)
    runner = os.path.join(prefix, "bin", "skarnel")
    focus = XFocus()
    if not focus.display:
        check(False, "cannot open the X display")
        finish()
    base = {k: v for k, v in os.environ.items() if k != "XDG_STATE_HOME"}

    print("XDG_STATE_HOME set", flush=True)
    home = tempfile.mkdtemp(dir=WORK, prefix="home-")
    state_home = tempfile.mkdtemp(dir=WORK, prefix="state-")
    play_and_save(runner, dict(base, HOME=home, XDG_STATE_HOME=state_home), os.path.join(state_home, "skarnel"), focus)
    shutil.rmtree(state_home)

    print("XDG_STATE_HOME unset", flush=True)
    home = tempfile.mkdtemp(dir=WORK, prefix="home-")
    play_and_save(runner, dict(base, HOME=home), os.path.join(home, ".local", "state", "skarnel"), focus)
    shutil.rmtree(home)

    print("unusable state locations", flush=True)
    blocker = os.path.join(WORK, "a-file")
    open(blocker, "w").close()
    refused(runner, dict(base, HOME=WORK, XDG_STATE_HOME=blocker), "XDG_STATE_HOME is a file")
    refused(runner, dict(base, HOME=blocker), "HOME is a file and XDG_STATE_HOME unset")
    refused(runner, {k: v for k, v in base.items() if k != "HOME"}, "neither HOME nor XDG_STATE_HOME")
    nowhere = os.path.join(WORK, "nowhere")
    dangling = os.path.join(WORK, "dangling")
    os.symlink(nowhere, dangling)
    refused(runner, dict(base, HOME=WORK, XDG_STATE_HOME=dangling), "XDG_STATE_HOME a link that leads nowhere",
            dangling + " is a symbolic link to " + nowhere + ", which does not exist")
    state_home = tempfile.mkdtemp(dir=WORK, prefix="state-")
    os.symlink(nowhere, os.path.join(state_home, "skarnel"))
    refused(runner, dict(base, HOME=WORK, XDG_STATE_HOME=state_home), "the state folder a link that leads nowhere",
            "skarnel is a symbolic link to " + nowhere)
    if os.geteuid() != 0:  # permissions bind everyone but root
        locked = tempfile.mkdtemp(dir=WORK, prefix="locked-")
        os.chmod(locked, 0o500)
        refused(runner, dict(base, HOME=WORK, XDG_STATE_HOME=locked), "read-only XDG_STATE_HOME")
    finish()


{"tree": tree, "package": package, "launcher": launcher}[MODE]()
