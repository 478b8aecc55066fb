"""Copies of a build tree's Wine prefix, and the places that hold them.

A copy shares the prefix's program files (Wine's DLLs and exes, most of its
700 MB) as hard links: Wine replaces them only when it updates the prefix,
never while a test runs. Everything else (the registry, ini files, the
users' folders) is copied, because Wine rewrites those in place. A copy then
takes about a second and a few MB.

`Slot` is one parallel worker's place in BUILD/wine/pool/N: a lock, a copy
of the prefix made afresh for each script, its own wineserver and Xvfb
display (tools/harness/wine-env on the slot's folder). There are at most as
many slots as KV_TEST_JOBS says tests run at once.
"""
import fcntl
import os
import shutil
import subprocess
import time

from .wine import HARNESS_DIR

SHARED_SUFFIXES = (".dll", ".exe", ".drv", ".sys", ".acm", ".ocx", ".cpl", ".tlb", ".nls", ".ax",
                   ".ds", ".vxd", ".com", ".msstyles", ".ttf", ".fon")
READY = ".kv-ready"


def copy_prefix(src, dst):
    """dst becomes a copy of the prefix src (dst must not exist)."""
    for dirpath, dirnames, filenames in os.walk(src):
        rel = os.path.relpath(dirpath, src)
        target = os.path.normpath(os.path.join(dst, rel))
        os.makedirs(target, exist_ok=True)
        shutil.copystat(dirpath, target)
        for name in dirnames + filenames:
            s, d = os.path.join(dirpath, name), os.path.join(target, name)
            if os.path.islink(s):
                os.symlink(os.readlink(s), d)
                if name in dirnames:
                    dirnames.remove(name)   # not walked into: dosdevices/z: is /
            elif name in filenames:
                if name.lower().endswith(SHARED_SUFFIXES):
                    os.link(s, d)
                else:
                    shutil.copy2(s, d)
    # A half-made copy has no stamp and is never taken for a ready one.
    if not os.path.exists(os.path.join(dst, READY)):
        raise RuntimeError(f"{src} is not a ready prefix (no {READY})")


def remove_prefix(path):
    shutil.rmtree(path, ignore_errors=True)


def start_server(prefix, log):
    """A persistent wineserver for prefix, its output capped (tools/harness/wine-server)."""
    subprocess.run([os.path.join(HARNESS_DIR, "wine-server"), prefix, log], check=True,
                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def test_jobs():
    """How many tests run at once: the one knob, KV_TEST_JOBS (tools/run-tests)."""
    try:
        return max(1, int(os.environ.get("KV_TEST_JOBS", "3")))
    except ValueError:
        return 3


class Slot:
    """A parallel worker's own Wine environment, held until release()."""

    def __init__(self, build, timeout_s=3600):
        self.build = os.path.abspath(build)
        pool = os.path.join(self.build, "wine", "pool")
        os.makedirs(pool, exist_ok=True)
        template = os.path.join(self.build, "wine", "prefix")
        if not os.path.exists(os.path.join(template, READY)):
            raise RuntimeError(f"no ready prefix in {template}: run tools/harness/wine-env start {self.build}")
        self.lock = None
        end = time.monotonic() + timeout_s
        while self.lock is None:
            for n in range(test_jobs()):
                f = open(os.path.join(pool, f"{n}.lock"), "w")
                try:
                    fcntl.flock(f, fcntl.LOCK_EX | fcntl.LOCK_NB)
                except OSError:
                    f.close()
                    continue
                self.lock, self.number = f, n
                break
            else:
                if time.monotonic() > end:
                    raise RuntimeError(f"no free slot in {pool} within {timeout_s} s")
                time.sleep(0.5)
        # The slot's folder is a build tree to wine-env: its prefix in wine/prefix.
        self.root = os.path.join(pool, str(self.number))
        self.prefix = os.path.join(self.root, "wine", "prefix")
        self._env_tool("stop")
        remove_prefix(self.prefix)
        copy_prefix(template, self.prefix)
        if self._env_tool("start") != 0:
            self.release()
            raise RuntimeError(f"wine-env start failed for slot {self.number}; see {self.log}")

    @property
    def log(self):
        return os.path.join(self.root, "wine-env.log")

    def _env_tool(self, command):
        env = dict(os.environ)
        env.pop("DISPLAY", None)   # a display of the slot's own
        os.makedirs(self.root, exist_ok=True)
        with open(self.log, "ab") as out:
            return subprocess.call([os.path.join(HARNESS_DIR, "wine-env"), command, self.root], env=env,
                                   stdout=out, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL)

    def release(self):
        """Stops the slot's server and display; its prefix stays for the next script."""
        if self.lock is None:
            return
        self._env_tool("stop")
        self.lock.close()
        self.lock = None
