"""What the scenarios need beyond kv-driver: the program's other top-level
windows (the card ID window, the About dialog) with their children, the
keyboard focus, the close box and keys, and the shell's .pdf association in
the prefix.

kv-driver only reads the main window's children and acts on the main window
and message boxes. For other windows the build makes a small helper beside it,
kv-peek.exe (tools/driver/peek.c). Like the driver it reads texts with the W
messages (the ANSI ones stall or come back as UTF-16 across processes under
Wine) and prints one JSON object per call.
"""
import json
import os
import subprocess
import tempfile
import time

from .wine import WINE64

class PeekError(AssertionError):
    pass


class Peek:
    """kv-peek.exe: looks at and acts on the program's top-level windows
    other than the main window."""

    def __init__(self, wine, build_dir):
        self.wine = wine
        self.exe = os.path.join(build_dir, "tools", "driver", "kv-peek.exe")
        self.locale = None
        if not os.path.exists(self.exe):
            raise PeekError(f"{self.exe} is missing: build the win64 preset first")

    def call(self, *args, allow=(0,), timeout_s=30):
        with tempfile.TemporaryFile() as out:
            try:
                code = subprocess.call([WINE64, self.exe] + [str(a) for a in args], stdout=out,
                                       stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL,
                                       timeout=timeout_s, env=self.wine.environ(self.locale))
            except subprocess.TimeoutExpired:
                raise PeekError(f"kv-peek {' '.join(map(str, args))}: no answer within {timeout_s} s")
            out.seek(0)
            raw = out.read().decode("ascii", "replace").strip()
        try:
            answer = json.loads(raw.splitlines()[-1]) if raw else {}
        except ValueError:
            answer = {}
        if code not in allow:
            raise PeekError(f"kv-peek {' '.join(map(str, args))} -> exit {code}: {raw[:400]}")
        answer["_exit"] = code
        return answer

    def window(self, cls, colours=False):
        """The visible top-level window of that class, or None. colours: also
        the screen colours inside each child (centre, left edge, darkest,
        lightest)."""
        a = self.call("window", cls, *(["colours"] if colours else []), allow=(0, 1))
        return a if a.get("found") else None

    def wait_window(self, cls, timeout_s=5.0, colours=False):
        end = time.monotonic() + timeout_s
        while True:
            w = self.window(cls, colours)
            if w or time.monotonic() > end:
                return w
            time.sleep(0.05)

    def focus(self):
        return self.call("focus")

    def close_box(self, cls):
        return self.call("closebox", cls, allow=(0, 1, 4))

    def sys_close(self, cls):
        return self.call("sysclose", cls, allow=(0, 1, 4))

    def key(self, cls, vk, posted=False):
        return self.call("key", cls, vk, *(["post"] if posted else []), allow=(0, 1, 4))


# ---- the shell's association of .pdf files in the prefix ----

PDF_KEYS = [r"HKCR\.pdf", r"HKCU\Software\Classes\.pdf", r"HKLM\Software\Classes\.pdf"]


class RegSnapshot:
    """Exports registry keys before a scenario changes them and puts them
    back afterwards (deleting what was not there)."""

    def __init__(self, wine, workdir):
        self.wine = wine
        self.dir = os.path.join(workdir, "reg-saved")
        os.makedirs(self.dir, exist_ok=True)
        self.saved = []

    def save(self, key):
        path = os.path.join(self.dir, f"{len(self.saved)}.reg")
        rc = self.wine.reg_quiet("export", key, path, "/y")
        self.saved.append((key, path if rc == 0 and os.path.exists(path) else None))

    def restore(self):
        for key, path in reversed(self.saved):
            self.wine.reg_quiet("delete", key, "/f")
            if path:
                self.wine.reg_quiet("import", path)
        self.saved = []


# ---- the reader emulator at run time ----

class EmulatorControl:
    """The emulator's control file: each change is written atomically and
    waited for in the emulator's log (`CTL <line>`) before the test goes on."""

    def __init__(self, path, log):
        self.path = path
        self.log = log

    def _log_text(self):
        if not os.path.exists(self.log):
            return ""
        with open(self.log, "rb") as f:
            return f.read().decode("latin-1")

    def set(self, *lines, timeout_s=5.0):
        start = len(self._log_text())
        tmp = self.path + ".tmp"
        with open(tmp, "w") as f:
            f.write("\n".join(lines) + "\n")
        os.replace(tmp, self.path)
        end = time.monotonic() + timeout_s
        while True:
            tail = self._log_text()[start:]
            if "CTL-ERR" in tail:
                raise AssertionError(f"the emulator rejected a control line: {tail.strip()}")
            # The log writes a backslash as "\\".
            if all(f"CTL {line}" in tail or f"CTL {line.replace(chr(92), chr(92) * 2)}" in tail
                   for line in lines):
                return
            if time.monotonic() > end:
                raise AssertionError(f"the emulator did not apply {lines} within {timeout_s} s")
            time.sleep(0.02)


def received(log):
    """The frames the emulator received, in order: (kind, printable bytes)."""
    frames = []
    if not os.path.exists(log):
        return frames
    with open(log, "rb") as f:
        for line in f.read().decode("latin-1").splitlines():
            if not line.startswith("RX "):
                continue
            fields = line.split("\t")
            kind = next((x[5:] for x in fields if x.startswith("kind=")), "")
            frames.append((kind, fields[0][3:]))
    return frames
