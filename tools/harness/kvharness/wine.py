"""The Wine environment of one build tree, as `wine-env start BUILD` left it.

Every Wine process started from here writes to files, never to a pipe of
ours: services that a Wine call starts inherit its output and would hold a
pipe open for as long as the server lives.
"""
import os
import re
import shlex
import subprocess
import tempfile
import time

def _wine_paths():
    """The paths of tools/harness/wine-paths, the one place they are written."""
    paths = {}
    with open(os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "wine-paths")) as f:
        for line in f:
            name, sep, value = line.strip().partition("=")
            if sep and not name.startswith("#"):
                paths[name] = value
    return paths


WINE_PATHS = _wine_paths()
WINE64 = WINE_PATHS["WINE64"]
HARNESS_DIR = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


class WineError(RuntimeError):
    pass


def winpath(path):
    """A Linux path as the program sees it through Wine's Z: drive."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def read_env_file(path):
    """The `export NAME='value'` lines of build/wine/env as a dict."""
    values = {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            m = re.match(r"\s*export\s+([A-Za-z_][A-Za-z0-9_]*)=(.*)$", line.rstrip("\n"))
            if m:
                parts = shlex.split(m.group(2))
                values[m.group(1)] = parts[0] if parts else ""
    return values


class Wine:
    def __init__(self, build_dir, start_if_missing=True):
        self.build_dir = os.path.abspath(build_dir)
        self.env_file = os.path.join(self.build_dir, "wine", "env")
        if not os.path.exists(self.env_file) and start_if_missing:
            self._start_env()
        if not os.path.exists(self.env_file):
            raise WineError(f"no {self.env_file}: run tools/harness/wine-env start {self.build_dir}")
        self.values = read_env_file(self.env_file)
        self.prefix = self.values["WINEPREFIX"]
        self.display = self.values.get("DISPLAY", "")

    def _start_env(self):
        log = os.path.join(self.build_dir, "wine-env-start.log")
        with open(log, "wb") as out:
            rc = subprocess.call([os.path.join(HARNESS_DIR, "wine-env"), "start", self.build_dir],
                                 stdout=out, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL)
        if rc != 0:
            raise WineError(f"wine-env start failed ({rc}); see {log}")

    def in_prefix(self, *parts):
        """The Linux path of a file under the prefix's C: drive."""
        return os.path.join(self.prefix, "drive_c", *parts)

    def dospath(self, path):
        """A path under the prefix's C: drive as the program sees it: short,
        whatever the checkout's path. Anything else is refused."""
        drive = os.path.realpath(os.path.join(self.prefix, "drive_c"))
        rel = os.path.relpath(os.path.realpath(path), drive)
        if rel.startswith(".."):
            raise WineError(f"{path} is not on the prefix's C: drive")
        return "C:\\" + ("" if rel == "." else rel.replace("/", "\\"))

    def environ(self, locale=None, extra=None):
        """The environment for a Wine process. locale "ru" gives code page 1251."""
        env = dict(os.environ)
        env.update(self.values)
        env["WINELOADER"] = WINE64
        if locale == "ru":
            env["LC_ALL"] = "ru_RU.UTF-8"
        elif locale in (None, "en"):
            env.pop("LC_ALL", None)
        else:
            env["LC_ALL"] = locale
        if extra:
            env.update(extra)
        return env

    def run(self, args, timeout=60, locale=None, cwd=None, extra_env=None):
        """Runs a Wine program to its end; returns (exit code, output text)."""
        with tempfile.TemporaryFile() as out:
            try:
                rc = subprocess.call([WINE64] + list(args), stdout=out, stderr=subprocess.STDOUT,
                                     stdin=subprocess.DEVNULL, cwd=cwd, timeout=timeout,
                                     env=self.environ(locale, extra_env))
            except subprocess.TimeoutExpired:
                raise WineError(f"{args[0]} did not end within {timeout} s")
            out.seek(0)
            return rc, out.read().decode("utf-8", "replace")

    def reg(self, *args):
        """`reg` inside the prefix; raises on failure. Once in a long run Wine
        fails to start reg.exe itself ("Application could not be started");
        that start is tried again, a failure of reg itself is not."""
        for attempt in range(3):
            rc, text = self.run(["reg"] + list(args), timeout=60)
            if rc == 0 or "Application could not be started" not in text:
                break
            time.sleep(0.5)
        if rc != 0:
            raise WineError(f"wine reg {' '.join(args)} failed ({rc}): {text.strip()}")
        return text

    def reg_quiet(self, *args):
        """`reg` whose failure is expected at times (deleting what may be absent)."""
        return self.run(["reg"] + list(args), timeout=60)[0]


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
