#!/usr/bin/env python3
"""What a Windows player and a Windows developer are handed (the files
scripts/windows-package writes into WINDOWS_BUILD/dist/), used as they would
use them, under wine on an X server of the test's own:

1. The player's zip holds Skarnel/ with skarnel.exe, README.txt, LICENSE.txt
   and every file of the build's data/; skarnel.exe carries the game's icon
   (every size, named so GLFW gives it to the window too) and the project's
   version.
2. The installer, run silently in a fresh wine prefix, puts the same files in
   %LOCALAPPDATA%\\Programs\\Skarnel, a Start-menu shortcut to the game and the
   "Apps & features" entry (HKCU Uninstall key) with the values Windows reads.
   The game, started through that shortcut, shows its window; a silent
   install or uninstall meanwhile fails with status 2 and touches nothing;
   the game ends on F4.
3. The uninstaller named by the entry's QuietUninstallString, run silently,
   removes the program's files, the shortcut and the entry, and leaves the
   player's scores in %LOCALAPPDATA%\\Skarnel as they were.
4. The SDK zip, unpacked and moved elsewhere, names no folder of the build
   machine; the examples it carries cross-build against it with the mingw
   toolchain file it carries (find_package(Tarvik)), and hello.exe opens its
   window under wine and ends on Escape with status 0.
5. A newcomer's game (tests/sdk/newcomer, catch the falling stars), a
   project of its own, cross-builds against the same SDK; under wine it
   names its window in UTF-8, plays a round by itself, saves its record (the
   game's name as written, the best score, the rounds) as a UTF-8 file in
   its working folder, and ends on Escape with status 0.

Every wait ends as soon as its effect shows, within a generous deadline.
Usage: package_test.py WINDOWS_BUILD SOURCE_DIR (starts its own Xvfb when
DISPLAY is unset; the wine prefix is WINDOWS_BUILD/package-test/wine-prefix,
made afresh on every run and left behind only when a check fails).
"""
import atexit
import glob
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import zipfile

if not os.environ.get("DISPLAY"):
    os.execvp("xvfb-run", ["xvfb-run", "-a", "-s", "-screen 0 1280x1024x24 -noreset", sys.executable] + sys.argv)

WINDOWS, SOURCE = (os.path.abspath(a) for a in sys.argv[1:3])
# Wine makes file names outside ASCII only under a UTF-8 locale.
os.environ["LC_ALL"] = "C.UTF-8"
DEADLINE = 120           # seconds: wine starts a program slowly on a loaded machine
POLL = 0.2
UNINSTALL_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Skarnel"
STATE = ".tarvikstate"
GAME_RUNNING = 2         # the installer's and uninstaller's status when the game is running
failures = []


def check(ok, what):
    print(("ok   " if ok else "FAIL ") + what, flush=True)
    if not ok:
        failures.append(what)
    return ok


def stop(what):
    """A failure the later checks cannot go on from."""
    check(False, what)
    sys.exit(1)


def wait_until(test, deadline=DEADLINE):
    end = time.monotonic() + deadline
    while time.monotonic() < end:
        if test():
            return True
        time.sleep(POLL)
    return test()


# A PE image's subsystem: 2 is a windowed program, 3 a console one.
WINDOWS_GUI = 2
PE_HEADER_OFFSET_AT = 0x3C
SUBSYSTEM_IN_PE_HEADER = 4 + 20 + 68    # signature, file header, then the optional header's field


def pe_subsystem(path):
    with open(path, "rb") as f:
        image = f.read(4096)
    header = int.from_bytes(image[PE_HEADER_OFFSET_AT:PE_HEADER_OFFSET_AT + 4], "little")
    at = header + SUBSYSTEM_IN_PE_HEADER
    return int.from_bytes(image[at:at + 2], "little")


def run(*args, **kwargs):
    result = subprocess.run(list(args), capture_output=True, text=True, errors="replace", **kwargs)
    if result.returncode != 0:
        stop(f"{' '.join(args)} failed:\n{result.stdout[-2000:]}{result.stderr[-2000:]}")
    return result.stdout


def xdo(*args):
    return subprocess.run(["xdotool", *args], capture_output=True, text=True).stdout.strip()


def files_under(folder):
    return {os.path.relpath(os.path.join(d, n), folder) for d, _, names in os.walk(folder) for n in names}


version = re.search(r"^CMAKE_PROJECT_VERSION:STATIC=(.*)$", open(os.path.join(WINDOWS, "CMakeCache.txt")).read(),
                    re.M).group(1)
dist = os.path.join(WINDOWS, "dist")
game_zip = os.path.join(dist, f"skarnel-{version}-windows-x64.zip")
setup = os.path.join(dist, f"skarnel-{version}-windows-x64-setup.exe")
sdk_zip = os.path.join(dist, f"tarvik-{version}-windows-x64.zip")
for made in (game_zip, setup, sdk_zip):
    if not os.path.exists(made):
        stop(f"{os.path.basename(made)} is in {dist} (run scripts/windows-package first)")

scratch = tempfile.mkdtemp(prefix="windows_package_test_")
atexit.register(shutil.rmtree, scratch, True)

# 1. The player's zip.
data_files = {os.path.join("data", f) for f in files_under(os.path.join(WINDOWS, "data"))}
with zipfile.ZipFile(game_zip) as z:
    z.extractall(os.path.join(scratch, "zip"))
player_files = files_under(os.path.join(scratch, "zip", "Skarnel"))
expected = data_files | {"skarnel.exe", "README.txt", "LICENSE.txt"}
check(player_files == expected, "the player's zip holds Skarnel/ with skarnel.exe, README.txt, LICENSE.txt and data/"
      + "".join(f"\n       missing {f}" for f in sorted(expected - player_files))
      + "".join(f"\n       extra {f}" for f in sorted(player_files - expected)))
# windres reads the resources back out of the program.
resources = run("x86_64-w64-mingw32-windres", "-J", "coff", "-O", "rc", "-i",
                os.path.join(scratch, "zip", "Skarnel", "skarnel.exe"))
check(re.search(r'"GLFW_ICON" 14 /\* RT_GROUP_ICON \*/\s*BEGIN\s*0, 1, 7,', resources) is not None,
      "skarnel.exe carries the icon in its seven sizes, named for GLFW's window icon")
check(f'VALUE "ProductVersion", "{version}"' in resources and 'VALUE "ProductName", "Skarnel"' in resources,
      f"skarnel.exe's version information names Skarnel {version}")

# 2. The installer, in a fresh prefix.
PREFIX = os.path.join(WINDOWS, "package-test", "wine-prefix")
shutil.rmtree(PREFIX, ignore_errors=True)
os.makedirs(PREFIX)
os.environ.update(WINEPREFIX=PREFIX, WINEDEBUG="-all",
                  # No Mono or Gecko prompt, and no menu entries of the test's
                  # shortcuts on the desktop of the machine running it.
                  WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d")
atexit.register(lambda: subprocess.run(["wineserver", "-k"], capture_output=True))
run("wineboot", "-i", timeout=600)
run("wineserver", "-w", timeout=600)
users = [u for u in glob.glob(os.path.join(PREFIX, "drive_c", "users", "*")) if not u.endswith("Public")]
if len(users) != 1:
    stop(f"the fresh prefix has one user folder ({users})")
user = users[0]
installed = os.path.join(user, "AppData", "Local", "Programs", "Skarnel")
shortcut = os.path.join(user, "AppData", "Roaming", "Microsoft", "Windows", "Start Menu", "Programs", "Skarnel.lnk")
scores = os.path.join(user, "AppData", "Local", "Skarnel")


def registry_entry():
    """The values of the uninstall key, or None when it is missing."""
    result = subprocess.run(["wine", "reg", "query", UNINSTALL_KEY], capture_output=True, text=True, errors="replace")
    if result.returncode != 0:
        return None
    values = {}
    for line in result.stdout.splitlines():
        fields = re.match(r"\s+(\S+)\s+(REG_\w+)\s+(.*)$", line)
        if fields:
            values[fields.group(1)] = fields.group(3).strip()
    return values


def windows_path(path):
    return run("winepath", "-w", path).strip()


run("wine", setup, "/S", timeout=600)
run("wineserver", "-w", timeout=600)
check(files_under(installed) == expected | {"uninstall.exe"},
      "the installer puts the player's files and uninstall.exe in %LOCALAPPDATA%\\Programs\\Skarnel")
link = open(shortcut, "rb").read() if os.path.exists(shortcut) else b""
exe_name = "skarnel.exe"
check(exe_name.encode() in link.lower() or exe_name.encode("utf-16-le") in link.lower(),
      "the Start-menu shortcut Skarnel.lnk leads to skarnel.exe")
entry = registry_entry() or {}
exe = windows_path(os.path.join(installed, "skarnel.exe"))
uninstaller = windows_path(os.path.join(installed, "uninstall.exe"))
size_kib = sum(os.path.getsize(os.path.join(installed, f)) for f in files_under(installed)) // 1024
estimated = int(entry.get("EstimatedSize", "0"), 0)
check(entry.get("DisplayName") == "Skarnel" and entry.get("DisplayVersion") == version
      and entry.get("Publisher", "") != "" and entry.get("DisplayIcon", "").lower() == exe.lower() + ",0"
      and entry.get("UninstallString", "").lower() == f'"{uninstaller}"'.lower()
      and entry.get("QuietUninstallString", "").lower() == f'"{uninstaller}" /s'.lower()
      and entry.get("NoModify") == "0x1" and entry.get("NoRepair") == "0x1"
      and abs(estimated - size_kib) <= size_kib // 10,
      f"the Apps & features entry names the game, its version, icon and uninstaller, and its size "
      f"({estimated} KiB for {size_kib} KiB): {entry}")

# The game as the player starts it: through the shortcut. `start` returns
# as soon as the shortcut has started the game (even with /wait), so the
# game's end shows as its window going and the prefix's last process ending.
# Its output goes nowhere: the game would hold a pipe open to its end.
started = subprocess.run(["wine", "start", windows_path(shortcut)], cwd=scratch, stdout=subprocess.DEVNULL,
                         stderr=subprocess.DEVNULL, timeout=600)
check(started.returncode == 0, f"the Start-menu shortcut starts ({started.returncode})")
window = ""


def find_window(title):
    global window
    window = xdo("search", "--onlyvisible", "--name", f"^{title}$").split("\n")[0]
    return window != ""


def press_until(key, ended):
    """Presses key in the window until `ended` holds (a key that meets a
    frame still loading is lost)."""
    def pressed():
        xdo("windowfocus", window)
        xdo("key", key)
        return ended()
    return wait_until(pressed)


def wine_ended():
    try:
        return subprocess.run(["wineserver", "-w"], capture_output=True, timeout=DEADLINE).returncode == 0
    except subprocess.TimeoutExpired:
        return False


if check(wait_until(lambda: find_window("Skarnel")), "the game started from the Start-menu shortcut opens its window"):
    # Installing or uninstalling silently over the running game fails and
    # touches nothing (the uninstaller run in place, so its status is its own).
    before = {f: open(os.path.join(installed, f), "rb").read() for f in files_under(installed)}
    over = subprocess.run(["wine", setup, "/S"], capture_output=True, timeout=600).returncode
    inplace = subprocess.run(["wine", uninstaller, "/S", "_?=" + windows_path(installed)], capture_output=True,
                             timeout=600).returncode
    after = {f: open(os.path.join(installed, f), "rb").read() for f in files_under(installed)}
    check(over == GAME_RUNNING and inplace == GAME_RUNNING and after == before and find_window("Skarnel"),
          f"a silent install ({over}) and uninstall ({inplace}) over the running game fail with status "
          f"{GAME_RUNNING} and leave every file as it was")
    check(press_until("F4", lambda: not find_window("Skarnel")) and wine_ended(),
          "F4 closes the installed game's window and the game ends")
subprocess.run(["wineserver", "-k"], capture_output=True)  # a game that did not end
run("wineserver", "-w", timeout=600)

# 3. The uninstaller, with scores to keep.
os.makedirs(scores, exist_ok=True)
for name in os.listdir(scores):
    os.remove(os.path.join(scores, name))
record = b"the player's scores\n"
with open(os.path.join(scores, STATE), "wb") as f:
    f.write(record)
quiet = re.match(r'"([^"]+)"\s+(.*)$', entry.get("QuietUninstallString", ""))
if not quiet:
    stop("the entry's QuietUninstallString names the uninstaller")
# The uninstaller copies itself to a temporary folder, starts the copy and
# returns at once: the copy's work is done when the install folder is gone
# and wine's last process has ended.
run("wine", run("winepath", "-u", quiet.group(1)).strip(), *quiet.group(2).split(), timeout=600)
check(wait_until(lambda: not os.path.exists(installed)), "the silent uninstaller removes the install folder")
run("wineserver", "-w", timeout=600)
check(not os.path.exists(shortcut), "the uninstaller removes the Start-menu shortcut")
check(registry_entry() is None, "the uninstaller removes the Apps & features entry")
kept = os.path.join(scores, STATE)
check(os.path.exists(kept) and open(kept, "rb").read() == record,
      "the player's scores in %LOCALAPPDATA%\\Skarnel are left as they were")

# 4. The SDK, unpacked, moved and used.
with zipfile.ZipFile(sdk_zip) as z:
    z.extractall(os.path.join(scratch, "unpacked"))
sdk = os.path.join(scratch, "elsewhere", "Tarvik")
os.makedirs(os.path.dirname(sdk))
shutil.move(os.path.join(scratch, "unpacked", "Tarvik"), sdk)
sdk_files = files_under(sdk)
missing = {"include/tarvik/tarvik.h", "include/tarvik/host/app.h", "include/GLFW/glfw3.h",
           "lib/libtarvik.a", "lib/libtarvik_runtime.a", "lib/libglfw3.a",
           "lib/cmake/Tarvik/TarvikConfig.cmake", "lib/cmake/Tarvik/TarvikConfigVersion.cmake",
           "lib/cmake/glfw3/glfw3Config.cmake", "share/tarvik/data/kelvo_font.png", "LICENSE.txt"} - sdk_files
check(not missing, f"the SDK holds the headers, the three static libraries, both CMake packages, the default "
      f"font and the licence (missing: {sorted(missing)})")
named = [f for f in sdk_files if not f.endswith(".a")
         and any(tree.encode() in open(os.path.join(sdk, f), "rb").read() for tree in (WINDOWS, SOURCE))]
check(not named, f"no file of the SDK names the build machine's folders {named}")

examples = os.path.join(scratch, "examples-build")
run("cmake", "-S", os.path.join(sdk, "share", "doc", "libtarvik-dev", "examples"), "-B", examples,
    "-DCMAKE_TOOLCHAIN_FILE=" + os.path.join(sdk, "share", "tarvik", "MinGW.cmake"), "-DCMAKE_BUILD_TYPE=Release",
    "-DCMAKE_PREFIX_PATH=" + sdk, timeout=600)
run("cmake", "--build", examples, "-j2", timeout=1200)
check(os.path.exists(os.path.join(examples, "hello.exe")), "the SDK's examples cross-build against it")
check(pe_subsystem(os.path.join(examples, "hello.exe")) == WINDOWS_GUI,
      "a program built against the SDK is a windowed program: no console window opens beside it")
hello_out = open(os.path.join(scratch, "hello.txt"), "w")
game = subprocess.Popen(["wine", os.path.join(examples, "hello.exe")], cwd=examples, stdout=hello_out,
                        stderr=subprocess.STDOUT)
atexit.register(lambda: game.poll() is None and game.kill())


if check(wait_until(lambda: find_window("Hello, Tarvik")), "hello.exe, built against the SDK, opens its window under wine"):
    check(press_until("Escape", lambda: game.poll() is not None) and game.returncode == 0,
          f"Escape ends hello.exe with status 0 ({game.returncode})")
game.kill()
game.wait()
hello_out.close()

# 5. The newcomer's game, built and played against the SDK.
STARS_TITLE = "Sternenfänger"
stars_build = os.path.join(scratch, "stars-build")
run("cmake", "-S", os.path.join(SOURCE, "tests", "sdk", "newcomer"), "-B", stars_build,
    "-DCMAKE_TOOLCHAIN_FILE=" + os.path.join(sdk, "share", "tarvik", "MinGW.cmake"), "-DCMAKE_BUILD_TYPE=Release",
    "-DCMAKE_PREFIX_PATH=" + sdk, timeout=600)
run("cmake", "--build", stars_build, "-j2", timeout=1200)
stars_file = os.path.join(stars_build, STATE)


def stars_record():
    """The game's record as fields, read as the UTF-8 it must be."""
    if not os.path.exists(stars_file):
        return {}
    text = open(stars_file, "rb").read().decode("utf-8")
    return dict(f.split("=", 1) for f in text.split(";") if "=" in f)


stars_out = open(os.path.join(scratch, "stars.txt"), "w")
stars = subprocess.Popen(["wine", os.path.join(stars_build, "stars.exe")], cwd=stars_build, stdout=stars_out,
                         stderr=subprocess.STDOUT)
atexit.register(lambda: stars.poll() is None and stars.kill())
if check(wait_until(lambda: find_window(STARS_TITLE)), "the newcomer's game, built against the SDK, opens its "
         "window under wine, titled in UTF-8"):
    played = wait_until(lambda: stars_record().get("rounds") == "1")
    record = stars_record()
    check(played and record.get("game") == STARS_TITLE and record.get("best", "0").isdigit()
          and int(record.get("best", "0")) >= 1,
          f"the newcomer's game plays a round by itself and saves its record in its working folder ({record})")
    check(press_until("Escape", lambda: stars.poll() is not None) and stars.returncode == 0,
          f"Escape ends the newcomer's game with status 0 ({stars.returncode})")
stars.kill()
stars.wait()
stars_out.close()

if failures:
    print(f"{len(failures)} package check(s) failed; hello's and the newcomer's game's output:", flush=True)
    for output in ("hello.txt", "stars.txt"):
        if os.path.exists(os.path.join(scratch, output)):
            print(open(os.path.join(scratch, output), errors="replace").read()[-2000:])
    sys.exit(1)
# The prefix (some 700 MB) is kept only to look into a failure.
subprocess.run(["wineserver", "-k"], capture_output=True)
subprocess.run(["wineserver", "-w"], capture_output=True, timeout=600)
shutil.rmtree(PREFIX, ignore_errors=True)
print("all Windows package checks passed")
