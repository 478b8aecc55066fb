#!/usr/bin/env python3
"""The Debian package of kv7 against what `cmake --install` staged.

Usage: deb_check.py PATH/TO/kv7_VERSION_ARCH.deb STAGE_DIR

The package must hold the staged files under /usr, install nothing else, pass
lintian without errors, and its pieces must work: the man page renders, the
completion offers the program's own profile keys and values, the udev rule
names the USB reader. Needs dpkg-deb, lintian, man and bash-completion.
"""
import gzip
import os
import subprocess
import sys
import tempfile

failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
        print("FAIL:", what, flush=True)


def run(*args, **kw):
    return subprocess.run(args, capture_output=True, text=True, **kw)


def files_under(root):
    return sorted(os.path.relpath(os.path.join(d, f), root) for d, _, fs in os.walk(root) for f in fs)


def complete(root, *words):
    """What bash completion offers for the last of `words` (kv7 from the package)."""
    script = ('source /usr/share/bash-completion/bash_completion; source "$1"; shift; '
              'COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}; '
              '_kv7; printf "%s\\n" "${COMPREPLY[@]}"')
    env = dict(os.environ, PATH=os.path.join(root, "usr/bin") + os.pathsep + os.environ["PATH"])
    out = run("bash", "-c", script, "complete",
              os.path.join(root, "usr/share/bash-completion/completions/kv7"), *words, env=env).stdout
    return sorted(out.split())


def main():
    if len(sys.argv) != 3:
        print(__doc__)
        return 2
    deb, stage = sys.argv[1:]
    with tempfile.TemporaryDirectory() as root:
        check(run("dpkg-deb", "-x", deb, root).returncode == 0, "dpkg-deb -x")
        packaged = files_under(os.path.join(root, "usr"))
        check(packaged == sorted(["bin/kv7", "share/man/man1/kv7.1.gz", "share/bash-completion/completions/kv7",
                                  "lib/udev/rules.d/70-kv7.rules", "share/doc/kv7/copyright",
                                  "share/doc/kv7/changelog.gz"]), "files in the package: %s" % packaged)
        check(files_under(stage) == packaged, "cmake --install stages the same files: %s" % files_under(stage))
        check(files_under(root) == ["usr/" + f for f in packaged], "nothing outside /usr: %s" % files_under(root))

        version = run(os.path.join(root, "usr/bin/kv7"), "--version").stdout.split()
        control = run("dpkg-deb", "-f", deb, "Package", "Version", "Depends").stdout
        check(len(version) == 2 and "Package: kv7\n" in control and "Version: %s\n" % version[1] in control
              and "libc6" in control, "control of kv7 %s: %r" % (version, control))

        # Compressed without a name or a time in the header, so builds compare.
        for name in ("share/man/man1/kv7.1.gz", "share/doc/kv7/changelog.gz"):
            with open(os.path.join(root, "usr", name), "rb") as f:
                head = f.read(10)
            check(head[3] & 0x08 == 0 and head[4:8] == b"\0\0\0\0", "%s: gzip header without name or time" % name)
        man = run("man", "--warnings", "-l", os.path.join(root, "usr/share/man/man1/kv7.1.gz"),
                  env=dict(os.environ, MANWIDTH="80", MAN_KEEP_FORMATTING="", PAGER="cat"))
        check(man.returncode == 0 and not man.stderr and "--report" in man.stdout and
              "kv7 %s" % version[1] in man.stdout, "man kv7 renders: %r" % man.stderr)

        with open(os.path.join(root, "usr/lib/udev/rules.d/70-kv7.rules")) as f:
            rule = [l for l in f.read().splitlines() if l and not l.startswith("#")]
        check(len(rule) == 1 and all(p in rule[0] for p in ('ATTRS{idVendor}=="2e3c"', 'ATTRS{idProduct}=="5750"',
                                                            'SUBSYSTEM=="tty"', 'TAG+="uaccess"')),
              "udev rule: %r" % rule)

        # Completion: commands, an option of one command, keys, then a key's values.
        check({"apply", "find", "--version"} <= set(complete(root, "kv7", "")), "completion of commands")
        check(complete(root, "kv7", "apply", "f", "--re") == ["--report"], "completion of apply's options")
        check(complete(root, "kv7", "find", "--re") == [], "find has no --report")
        check(complete(root, "kv7", "write", "inter") == ["interface="], "completion of a key")
        check(complete(root, "kv7", "write", "interface=wieg") == ["wiegand26", "wiegand44", "wiegand58"],
              "completion of a key's values")
        check(complete(root, "kv7", "write", "--port", "x", "--family", "") == ["ehx", "usb"], "completion of families")

    lintian = run("lintian", "--fail-on", "error", deb)
    check(lintian.returncode == 0 and "\nE: " not in "\n" + lintian.stdout, "lintian: %s" % lintian.stdout)
    print("%s: %s" % (os.path.basename(deb), "ok" if not failures else "%d failed" % len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
