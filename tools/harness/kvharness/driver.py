"""Calls kv-driver.exe under Wine and hands back its JSON answer. The same
exe is the stand-in PDF viewer a scenario registers (`viewer_command`)."""
import json
import os
import shutil
import subprocess
import tempfile
import time

from .wine import WINE64, winpath

OK, FAILED, USAGE, REFUSED, TIMEOUT = 0, 1, 2, 3, 4
# Where the stand-in viewer and its records live in the prefix: C:\\kvtest.
VIEWER_DIR = "kvtest"


class DriverError(AssertionError):
    """A driver call that did not end as the caller required."""

    def __init__(self, args, code, answer, raw):
        self.code = code
        self.answer = answer
        what = answer.get("error") if isinstance(answer, dict) else None
        super().__init__(f"kv-driver {' '.join(args)} -> exit {code}: {what or raw.strip()[:400]}")


class Driver:
    def __init__(self, wine, exe, program_exe=None, menu_file=None):
        self.wine = wine
        self.exe = exe
        self.program_exe = program_exe
        self.menu_file = menu_file
        # The driver narrows texts with its own ANSI code page: it must run in
        # the same locale as the program it looks at.
        self.locale = None
        self.calls = 0

    # Verbs that only look, or wait for something to be seen: safe to run again.
    LOOKING = {"main", "controls", "radios", "menu", "progress", "boxes", "dots", "pixel",
               "windows", "popup", "window", "focus",
               "wait-main", "wait-window", "wait-gone", "wait-exit", "wait-idle", "wait-progress",
               "wait-box", "wait-class"}

    def call(self, *args, allow=(OK,), timeout_s=60):
        """Runs one verb; returns its JSON object. Raises DriverError when the
        exit code is not in `allow`."""
        try:
            return self._call(args, allow, timeout_s)
        except DriverError as e:
            # Once seen: a Wine start that printed nothing at all. A looking
            # verb is asked again; an acting one must not act twice.
            if e.answer or str(args[0]) not in self.LOOKING:
                raise
            return self._call(args, allow, timeout_s)

    def _call(self, args, allow, timeout_s):
        argv = [str(a) for a in args]
        cmd = [WINE64, self.exe] + argv
        if self.menu_file:
            cmd += ["--menu-file", self.menu_file]
        if self.program_exe:
            cmd += ["--exe", self.program_exe]
        self.calls += 1
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            try:
                code = subprocess.call(cmd, stdout=out, stderr=err,
                                       stdin=subprocess.DEVNULL, timeout=timeout_s,
                                       env=self.wine.environ(self.locale))
            except subprocess.TimeoutExpired:
                raise DriverError(argv, -1, {}, f"no answer within {timeout_s} s")
            out.seek(0)
            raw = out.read().decode("ascii", "replace")
            if not raw.strip():
                # No JSON at all: the driver did not run or crashed; say what
                # Wine said instead.
                err.seek(0)
                raw = "no output; stderr: " + err.read().decode("utf-8", "replace")
        try:
            answer = json.loads(raw.strip().splitlines()[-1]) if raw.strip() else {}
        except ValueError:
            answer = {}
        if code not in allow:
            raise DriverError(argv, code, answer, raw)
        if not isinstance(answer, dict):
            raise DriverError(argv, code, {}, "not a JSON object: " + raw)
        answer["_exit"] = code
        return answer

    # ---- looking ----
    def main(self):
        return self.call("main")

    def main_or_none(self):
        a = self.call("main", allow=(OK, FAILED))
        return a if a["_exit"] == OK else None

    def controls(self):
        return self.call("controls")["controls"]

    def controls_by_id(self):
        """Controls with an id of their own, by id."""
        return {c["id"]: c for c in self.controls() if c["id"] != 0}

    def radios(self):
        """Radio buttons (and check boxes) with their check marks: the quick
        look around a click."""
        return self.call("radios")["radios"]

    def progress(self):
        return self.call("progress")

    def boxes(self):
        return self.call("boxes")["boxes"]

    def dots(self, family):
        return self.call("dots")[family]

    def pixel(self, x, y):
        return self.call("pixel", x, y)["colour"]

    def menu(self):
        return self.call("menu")["items"]

    def window(self, cls, colours=False):
        """The program's visible top-level window of that class (the card ID
        window, the About dialog) with its children, or None. colours: also
        each child's colours on screen (centre, left edge, darkest,
        lightest)."""
        a = self.call("window", cls, *(["--colours"] if colours else []), allow=(OK, FAILED))
        return a if a["_exit"] == OK else None

    def focus(self):
        """Where the keyboard focus and activation of the program are."""
        return self.call("focus")

    # ---- waiting ----
    def wait_main(self, ms=10000):
        return self.call("wait-main", ms)

    def wait_progress(self, ms=5000):
        return self.call("wait-progress", ms)

    def wait_box(self, ms=10000):
        return self.call("wait-box", ms)["boxes"]

    def wait_idle(self, ms=15000):
        return self.call("wait-idle", ms)

    def wait_gone(self, ms=10000):
        return self.call("wait-gone", ms)

    def wait_window(self, cls, timeout_s=5.0, colours=False):
        """As window(), once one is open; None when none opened in time."""
        a = self.call("wait-class", cls, int(timeout_s * 1000), *(["--colours"] if colours else []),
                      allow=(OK, TIMEOUT))
        return a if a["_exit"] == OK else None

    def wait_until(self, probe, what, timeout_s=5.0, interval_s=0.05):
        """Polls probe() until it returns a true value; raises with the last
        value seen so the failure says what the screen showed."""
        end = time.monotonic() + timeout_s
        last = None
        while True:
            last = probe()
            if last:
                return last
            if time.monotonic() >= end:
                raise AssertionError(f"timed out after {timeout_s} s waiting for {what}")
            time.sleep(interval_s)

    def wait_value(self, probe, expected, what, timeout_s=5.0):
        """Polls probe() until it equals expected; the failure shows both."""
        seen = [None]

        def check():
            seen[0] = probe()
            return seen[0] == expected
        try:
            self.wait_until(check, what, timeout_s)
        except AssertionError:
            raise AssertionError(f"{what}: expected {expected!r}, saw {seen[0]!r} "
                                 f"(waited {timeout_s} s)")
        return seen[0]

    # ---- acting ----
    def click(self, control_id, allow=(OK,)):
        return self.call("click", control_id, allow=allow)

    def command(self, command_id, allow=(OK,)):
        return self.call("command", command_id, allow=allow)

    def tab(self, index):
        return self.call("tab", index)

    def press_box(self, button=1):
        return self.call("press-box", button)["box"]

    def mouse(self, x, y, button="left"):
        return self.call("mouse", x, y, button)

    # Acting on another top-level window: the answer's "ok" says whether it
    # closed, so a scenario can report what the driver saw.
    def close_box(self, cls):
        """Real mouse input on the window's close box; waits until it is gone."""
        return self.call("close-box", cls, allow=(OK, FAILED, REFUSED, TIMEOUT))

    def sys_close(self, cls):
        """WM_SYSCOMMAND SC_CLOSE to the window; waits until it is gone."""
        return self.call("sys-close", cls, allow=(OK, FAILED, REFUSED, TIMEOUT))

    def key(self, cls, vk, posted=False):
        """A key for the window (real input when it can come to the front,
        else posted; posted=True always posts); waits until it is gone.
        "real_input" says which."""
        return self.call("key", cls, vk, *(["--post"] if posted else []),
                         allow=(OK, FAILED, REFUSED, TIMEOUT))

    # ---- the stand-in PDF viewer ----
    def viewer_command(self, record):
        """The shell's open command for a .pdf class that makes kv-driver.exe
        append each file it is asked to open to `record`, one a line. Wine's
        ShellExecute answers "no association" when the command is long, as
        it is with paths in a deep checkout: the command names a copy of the
        driver inside the prefix, and `record` must lie there too
        (Scenario.viewer_record)."""
        viewer = self.wine.in_prefix(VIEWER_DIR, os.path.basename(self.exe))
        if not os.path.exists(viewer) or os.path.getmtime(viewer) != os.path.getmtime(self.exe):
            os.makedirs(os.path.dirname(viewer), exist_ok=True)
            # Replaced, never written into: a prefix copy may share the file.
            shutil.copy2(self.exe, viewer + ".new")
            os.replace(viewer + ".new", viewer)
        return f'"{self.wine.dospath(viewer)}" record "{self.wine.dospath(record)}" "%1"'
