#!/usr/bin/env python3
"""A release bump is one line in CMakeLists.txt: no test or tool spells the
program's release number or architecture label in a name or text of its
own. They take both from the build (version.h, --release and --arch, or
kvharness.release). The readers' firmware version, which also reads 1.10,
is another fact and is not looked at.

Usage: release_literals_check.py --release 1.10"""
import argparse
import os
import re
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
FOLDERS = ("tests", "tools")
TEXT_ENDINGS = (".py", ".cpp", ".h", ".c", ".cmake", ".txt", ".sh", "")


def forms(release):
    """The ways the program, its files and its packages write the number."""
    r, f = re.escape(release), re.escape(release.replace(".", "_"))
    return re.compile("|".join([
        rf"KernoVarko-7 (ver|вер)\.{r}",         # window title
        rf"KernoVarko-7 ver_{f}",                # exe and manual names
        rf"KernoVarko-7 v\.{r}",                 # install folder, zip
        rf"KernoVarko-7 {r} \(",                 # MSI name
        rf"(Version|Версия):   {r}",             # About text
        r"KernoVarko-7 (ver|вер)\.[^\"'{]*\(x(86|64)\)",  # a title with its label spelled out
    ]))


def tracked_files():
    out = subprocess.run(["git", "-C", ROOT, "ls-files", "--", *FOLDERS], capture_output=True, text=True)
    if out.returncode == 0 and out.stdout.strip():
        return out.stdout.split()
    return [os.path.relpath(os.path.join(d, n), ROOT)
            for folder in FOLDERS for d, _, names in os.walk(os.path.join(ROOT, folder)) for n in names]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--release", required=True)
    args = parser.parse_args()
    pattern = forms(args.release)
    checked = failures = 0
    for rel in tracked_files():
        if os.path.splitext(rel)[1] not in TEXT_ENDINGS or rel == "tests/unit/release_literals_check.py":
            continue
        try:
            with open(os.path.join(ROOT, rel), encoding="utf-8") as f:
                lines = f.read().splitlines()
        except (UnicodeDecodeError, OSError):
            continue
        checked += 1
        for number, line in enumerate(lines, 1):
            if pattern.search(line):
                failures += 1
                print(f"FAIL {rel}:{number}: {line.strip()}")
    print(f"{checked} files read, {failures} failed")
    return 1 if failures or checked == 0 else 0


if __name__ == "__main__":
    sys.exit(main())
