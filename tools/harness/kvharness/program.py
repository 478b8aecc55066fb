"""One run of a Windows program under Wine, output to files."""
import os
import signal
import subprocess
import time

from .wine import WINE64


class Program:
    def __init__(self, wine, exe, workdir, log_dir, locale=None, env=None, name="program", loader=None):
        self.wine = wine
        self.exe = exe
        # The command that runs a Windows program: wine64 unless told
        # otherwise (the x86 program's loader, kvharness.x86).
        self.loader = list(loader or [WINE64])
        self.workdir = workdir
        self.locale = locale
        self.env = env or {}
        os.makedirs(log_dir, exist_ok=True)
        self.log_path = os.path.join(log_dir, f"{name}.log")
        self.proc = None

    def start(self):
        with open(self.log_path, "ab") as log:
            self.proc = subprocess.Popen(self.loader + [self.exe], cwd=self.workdir, stdout=log,
                                         stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL,
                                         env=self.wine.environ(self.locale, self.env),
                                         start_new_session=True)
        return self

    def running(self):
        return self.proc is not None and self.proc.poll() is None

    def wait_exit(self, timeout_s=10.0):
        """The exit code; raises AssertionError if it is still running."""
        try:
            return self.proc.wait(timeout=timeout_s)
        except subprocess.TimeoutExpired:
            raise AssertionError(f"{os.path.basename(self.exe)} still running after {timeout_s} s")

    def kill(self):
        if not self.running():
            return
        try:
            os.kill(self.proc.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        try:
            self.proc.wait(timeout=10)
        except subprocess.TimeoutExpired:
            pass
        # Give the server a moment to drop the dead process's windows.
        time.sleep(0.1)
