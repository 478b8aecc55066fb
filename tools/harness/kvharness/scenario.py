"""Runs the scenarios of one e2e test script.

    suite = Suite()

    @suite.scenario
    def english_title(s):
        s.start(config=b"Language = EN;\\r\\n")
        ...

    suite.run()

Each scenario gets a fresh working directory and its own checks; it prints
"PASS name" or "FAIL name" with what was expected and what the driver saw,
and the script ends with "N passed, N failed" and a non-zero exit code on any
failure. Whatever a scenario started (the program, socat, emulators, COM
ports, USB keys) is taken down after it, also when the script is killed.
"""
import argparse
import atexit
import os
import shutil
import signal
import sys
import time
import traceback

from .devices import ComPorts, Emulator, UsbReader
from .driver import OK, TIMEOUT, VIEWER_DIR, Driver
from .prefix import Slot
from .program import Program
from .release import build_facts, exe_name
from .screen import screenshot
from .wine import Wine, winpath

REPO = os.path.dirname(os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__)))))
DEFAULT_BUILD = os.path.join(REPO, "build", "win64")
CONFIG = "appconfig.ini"


class ScenarioFailed(AssertionError):
    pass



def _fmt(value):
    return repr(value)


class Scenario:
    """What one scenario works with: a working directory, the program, the
    driver, ports and devices, and soft checks that collect every mismatch."""

    def __init__(self, suite, name):
        self.suite = suite
        self.name = name
        self.dir = os.path.join(suite.work_root, name)
        if os.path.exists(self.dir):
            shutil.rmtree(self.dir)
        os.makedirs(self.dir)
        self.log_dir = os.path.join(suite.artifacts, "logs", name)
        os.makedirs(self.log_dir, exist_ok=True)
        self.menu_file = os.path.join(self.dir, "menu-dump.txt")
        self.driver = Driver(suite.wine, suite.driver_exe, program_exe=winpath(suite.exe),
                             menu_file=winpath(self.menu_file))
        self.failures = []
        self.programs = []
        self.emulators = []
        self._ports = None
        self._usb = None
        self.records = []
        self.shots = 0

    # ---- checks ----
    def check(self, condition, message):
        """A soft check: the scenario goes on and fails at its end."""
        if not condition:
            self.failures.append(message)
        return bool(condition)

    def equal(self, actual, expected, what):
        if actual != expected:
            self.failures.append(f"{what}: expected {_fmt(expected)}, saw {_fmt(actual)}")
            return False
        return True

    def require(self, condition, message):
        """A check the rest of the scenario depends on: stops it at once."""
        if not condition:
            raise ScenarioFailed(message)

    # ---- files ----
    def path(self, name):
        return os.path.join(self.dir, name)

    def viewer_record(self, name="opened.txt"):
        """Where the recording viewer (Driver.viewer_command) writes the
        files it is handed: in the prefix, so the registered command stays
        short; removed when the scenario ends."""
        path = self.suite.wine.in_prefix(VIEWER_DIR, f"{self.name[:20]}-{name}")
        os.makedirs(os.path.dirname(path), exist_ok=True)
        if os.path.exists(path):
            os.unlink(path)
        self.records.append(path)
        return path

    def write_config(self, content):
        with open(self.path(CONFIG), "wb") as f:
            f.write(content)

    def read_config(self):
        p = self.path(CONFIG)
        if not os.path.exists(p):
            return None
        with open(p, "rb") as f:
            return f.read()

    # ---- the program ----
    def start(self, config=None, locale=None, keep_config=False, wait=True, name=None, exe=None,
              loader=None, env=None, workdir=None):
        """Starts the program (or `exe`, through `loader` with `env` added) in
        this scenario's directory or in `workdir`. config: the bytes of
        appconfig.ini, or None for no file (unless keep_config); only for the
        scenario's own directory."""
        if workdir is not None:
            keep_config = True
        if loader is None and exe is None and self.suite.x86:
            from .x86 import LOADER, x86_environment
            loader, env = LOADER, {**x86_environment(self.suite.build), **(env or {})}
        if not keep_config:
            if config is None:
                if os.path.exists(self.path(CONFIG)):
                    os.unlink(self.path(CONFIG))
            else:
                self.write_config(config)
        program = Program(self.suite.wine, exe or self.suite.exe, workdir or self.dir, self.log_dir,
                          locale=locale, env={"KV_TEST_MENU_DUMP": winpath(self.menu_file), **(env or {})},
                          name=name or f"program{len(self.programs) + 1}", loader=loader)
        self.programs.append(program)
        self.driver.locale = locale
        program.start()
        if wait:
            self.driver.wait_main(int(15000 * self.suite.slowness))
        return program

    def settle(self, timeout_s=20.0):
        """Lets the program finish what it is doing, answering every message
        box with OK on the way. Returns the boxes seen, in order."""
        seen = []
        timeout_s *= self.suite.slowness
        end = time.monotonic() + timeout_s
        while True:
            a = self.driver.call("wait-idle", 250, allow=(OK, TIMEOUT))
            if a["_exit"] == OK:
                return seen
            if self.driver.boxes():
                seen.append(self.driver.press_box())
            if time.monotonic() > end:
                raise ScenarioFailed(f"the program did not become idle within {timeout_s} s "
                                     f"({a.get('error')}); boxes answered: "
                                     f"{[b.get('text') for b in seen]}")

    def start_idle(self, config=None, locale=None, **kw):
        """Starts the program and lets its first search end; returns the boxes."""
        program = self.start(config=config, locale=locale, **kw)
        return program, self.settle()

    def stop_programs(self):
        for program in self.programs:
            program.kill()

    # ---- devices ----
    @property
    def ports(self):
        if self._ports is None:
            self._ports = ComPorts(self.suite.wine, self.dir, self.log_dir)
        return self._ports

    def usb(self, port_name="COM7"):
        if self._usb is None:
            self._usb = UsbReader(self.suite.wine, port_name)
        return self._usb

    def emulator(self, port, *options):
        e = Emulator(self.suite.emulator, port, self.log_dir, *options)
        self.emulators.append(e)
        return e

    # ---- pictures ----
    def shot(self, label=None, crop=None):
        """artifacts/<test>/<scenario>[-label].png"""
        name = self.name + (f"-{label}" if label else "")
        self.shots += 1
        return screenshot(self.suite.wine.display, os.path.join(self.suite.artifacts, name + ".png"),
                          crop)

    def close(self):
        """Takes down everything this scenario started, whatever happened."""
        errors = []
        for step in (self.stop_programs,
                     lambda: [e.stop() for e in self.emulators],
                     lambda: self._ports and self._ports.clear(),
                     lambda: self._usb and self._usb.present and self._usb.unplug(),
                     lambda: [os.unlink(p) for p in self.records if os.path.exists(p)]):
            try:
                step()
            except Exception as e:  # go on: the rest must still be cleaned
                errors.append(str(e))
        return errors


class Suite:
    def __init__(self, argv=None):
        parser = argparse.ArgumentParser(description="end-to-end scenarios of the configurator")
        parser.add_argument("--exe", default=None, help="default: the build's own program")
        parser.add_argument("--driver", default=os.path.join(DEFAULT_BUILD, "tools", "driver", "kv-driver.exe"))
        parser.add_argument("--emulator", default=os.path.join(DEFAULT_BUILD, "host", "emulator", "kv-emulator"))
        parser.add_argument("--build", default=DEFAULT_BUILD)
        parser.add_argument("--artifacts", default=None)
        # What the program under test calls itself; CMake passes both, and
        # without them they come from the build tree. --arch x86 also runs
        # --exe through the 32-bit loader.
        parser.add_argument("--release", default=None, help="its release number, as 1.10")
        parser.add_argument("--arch", default=None, choices=("x86", "x64"), help="its architecture label")
        parser.add_argument("--x86", action="store_true",
                            help="--exe is the x86 program: run it through the 32-bit loader")
        parser.add_argument("--shared-env", action="store_true",
                            help="use the build tree's own Wine environment instead of a slot of the pool")
        parser.add_argument("--only", action="append", default=[],
                            help="run only this scenario (may be repeated)")
        parser.add_argument("--list", action="store_true", help="list the scenarios and exit")
        args = parser.parse_args(argv)
        self.test_name = os.path.splitext(os.path.basename(sys.argv[0]))[0]
        self.build = os.path.abspath(args.build)
        if args.release is None or args.arch is None:
            release, arch = build_facts(self.build)
            args.release, args.arch = args.release or release, args.arch or arch
        self.release, self.arch = args.release, args.arch
        self.exe = os.path.abspath(args.exe or os.path.join(self.build, exe_name(self.release, self.arch)))
        self.driver_exe = os.path.abspath(args.driver)
        self.emulator = os.path.abspath(args.emulator)
        self.artifacts = os.path.join(os.path.abspath(args.artifacts or os.path.join(self.build, "artifacts")),
                                      self.test_name)
        self.x86 = args.x86 or self.arch == "x86"
        # How much longer the program may take to start and to settle: the x86
        # one runs under QEMU, three times slower on a busy machine.
        self.slowness = 3.0 if self.x86 else 1.0
        self.shared_env = args.shared_env
        self.slot = None
        self.exit_steps = []
        self.only = args.only
        self.list_only = args.list
        self.work_root = os.getcwd()
        self.scenarios = []
        self.current = None
        self.wine = None

    def scenario(self, fn):
        self.scenarios.append(fn)
        return fn

    def at_exit(self, step):
        """step() runs once when the script ends, however it ends."""
        self.exit_steps.append(step)

    def _cleanup(self, *_):
        if self.current is not None:
            self.current.close()
            self.current = None
        while self.exit_steps:
            try:
                self.exit_steps.pop()()
            except Exception as e:  # the rest must still run
                print(f"teardown: {e}")
        if self.slot is not None:
            self.slot.release()
            self.slot = None

    def _on_signal(self, signum, _frame):
        self._cleanup()
        sys.exit(128 + signum)

    def run(self):
        if self.list_only:
            for fn in self.scenarios:
                print(fn.__name__)
            return
        atexit.register(self._cleanup)
        signal.signal(signal.SIGTERM, self._on_signal)
        signal.signal(signal.SIGINT, self._on_signal)
        os.makedirs(self.artifacts, exist_ok=True)
        for path, what in ((self.exe, "--exe"), (self.driver_exe, "--driver")):
            if not os.path.exists(path):
                print(f"FAIL setup\n    {what} {path} does not exist")
                print("0 passed, 1 failed")
                sys.exit(1)
        self.wine = Wine(self.build)
        if not self.shared_env:
            # Scripts run side by side: each one in a prefix, server and
            # display of its own.
            try:
                self.slot = Slot(self.build)
            except RuntimeError as e:
                print(f"FAIL setup\n    {e}")
                print("0 passed, 1 failed")
                sys.exit(1)
            self.wine = Wine(self.slot.root, start_if_missing=False)
        ComPorts(self.wine, self.work_root, self.artifacts).remove_defaults()
        stray = Driver(self.wine, self.driver_exe).main_or_none()
        if stray:
            print(f"FAIL setup\n    a program window is already open: {stray.get('title')!r} "
                  f"(process {stray.get('process')}); close it first")
            print("0 passed, 1 failed")
            sys.exit(1)

        passed = failed = 0
        chosen = [fn for fn in self.scenarios if not self.only or fn.__name__ in self.only]
        for fn in chosen:
            name = fn.__name__
            s = Scenario(self, name)
            self.current = s
            started = time.monotonic()
            problem = None
            try:
                fn(s)
            except AssertionError as e:
                problem = str(e)
            except Exception:
                problem = "error in the scenario:\n" + traceback.format_exc()
            if s.shots == 0 and any(p.running() for p in s.programs):
                s.shot()
            errors = s.close()
            self.current = None
            messages = list(s.failures) + ([problem] if problem else [])
            messages += [f"teardown: {e}" for e in errors]
            elapsed = time.monotonic() - started
            if messages:
                failed += 1
                print(f"FAIL {name} ({elapsed:.1f} s)")
                for m in messages:
                    for line in str(m).splitlines():
                        print(f"    {line}")
            else:
                passed += 1
                print(f"PASS {name} ({elapsed:.1f} s)")
            sys.stdout.flush()
        self._cleanup()
        print(f"{passed} passed, {failed} failed")
        sys.stdout.flush()
        sys.exit(1 if failed or not chosen else 0)

