#!/usr/bin/env python3
"""The framework's guide leads somewhere wherever it is read.

Every relative link in docs/framework.md names a file or folder of the
repository, and every relative link in the guide the tarvik component
installs (share/doc/libtarvik-dev/, where the Debian package puts it too)
names one installed beside it. Links with a scheme (https:, mailto:) and
links within the page (#...) are left alone.

Usage: guide_links_test.py BUILD_DIR SOURCE_DIR
"""
import glob
import os
import re
import shutil
import subprocess
import sys
import tempfile

BUILD, SOURCE = (os.path.abspath(arg) for arg in sys.argv[1:3])
DOC_DIR = os.path.join("share", "doc", "libtarvik-dev")
LINK = re.compile(r"\]\(([^)\s]+)\)")


def broken_links(page):
    """The relative links of a Markdown page that lead nowhere."""
    broken = []
    with open(page, encoding="utf-8") as f:
        for target in LINK.findall(f.read()):
            path = target.split("#")[0]
            if not path or re.match(r"^[a-z][a-z0-9+.-]*:", path):
                continue
            if not os.path.exists(os.path.join(os.path.dirname(page), path)):
                broken.append(target)
    return broken


def main():
    failures = []
    repository_guide = os.path.join(SOURCE, "docs", "framework.md")
    failures += [f"docs/framework.md links to {t}" for t in broken_links(repository_guide)]

    prefix = tempfile.mkdtemp(prefix="tarvik-guide-")
    try:
        result = subprocess.run(["cmake", "--install", BUILD, "--component", "tarvik", "--prefix", prefix],
                                capture_output=True, text=True)
        if result.returncode != 0:
            print(result.stdout, result.stderr)
            failures.append("cmake --install of the tarvik component failed")
        pages = glob.glob(os.path.join(prefix, DOC_DIR, "*.md"))
        if not any(os.path.basename(p) == "framework.md" for p in pages):
            failures.append(f"no guide installed in {DOC_DIR}")
        for page in pages:
            failures += [f"the installed {os.path.basename(page)} links to {t}" for t in broken_links(page)]
    finally:
        shutil.rmtree(prefix, ignore_errors=True)

    for failure in failures:
        print("FAIL:", failure)
    if failures:
        sys.exit(1)
    print("PASS")


main()
