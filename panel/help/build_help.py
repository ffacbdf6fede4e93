#!/usr/bin/env python3
"""Builds the help file Tamsel.chm from the HTML sources beside this script.

    build_help.py OUTPUT.chm WORK_DIR [PICTURE...]

The sources are UTF-8. The project file, the contents tree and the index
are read by the help compiler and the viewer in the help file's code page
(932, Japanese), so they are written to WORK_DIR in that code page; the
topics keep UTF-8 and say so in their <meta charset>. Pictures drawn by
the build (the test label) are given as PICTURE and join images/. chmcmd
(Debian package fp-utils) compiles WORK_DIR into the help file; a topic or
picture it cannot find fails the build.
"""
import glob
import os
import shutil
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
PROJECT = "Tamsel.hhp"
CODE_PAGE_FILES = ("Tamsel.hhp", "toc.hhc", "index.hhk")


def main():
    if len(sys.argv) < 3:
        sys.exit("usage: build_help.py OUTPUT.chm WORK_DIR [PICTURE...]")
    output, work, pictures = sys.argv[1], sys.argv[2], sys.argv[3:]
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(os.path.join(work, "images"))
    for path in glob.glob(os.path.join(HERE, "*.html")) + glob.glob(os.path.join(HERE, "*.css")):
        shutil.copy(path, work)
    for path in glob.glob(os.path.join(HERE, "images", "*.png")) + pictures:
        shutil.copy(path, os.path.join(work, "images"))
    for name in CODE_PAGE_FILES:
        with open(os.path.join(HERE, name), encoding="utf-8") as f:
            text = f.read()
        with open(os.path.join(work, name), "w", encoding="cp932", newline="\r\n") as f:
            f.write(text)
    tool = shutil.which("chmcmd") or sys.exit("build_help.py: chmcmd is missing (Debian package fp-utils)")
    result = subprocess.run([tool, PROJECT], cwd=work, capture_output=True, text=True, errors="replace")
    built = os.path.join(work, "Tamsel.chm")
    if result.returncode != 0 or not os.path.exists(built):
        sys.exit("build_help.py: chmcmd failed:\n" + result.stdout + result.stderr)
    # chmcmd only warns about missing topics and pictures: they fail the build.
    report = (result.stdout + result.stderr).lower()
    if "not found" in report or "couldn't find" in report:
        sys.exit("build_help.py: chmcmd could not find a file:\n" + result.stdout + result.stderr)
    shutil.copy(built, output + ".part")
    os.replace(output + ".part", output)


if __name__ == "__main__":
    main()
