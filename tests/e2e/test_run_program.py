"""tools/run-program leaves nothing running behind it: not when its time is
up, not when it is terminated, not when its start-up fails half-way; and it
leaves running a Wine environment that it found running. It runs on a build
tree of this test's own (links to the real build outputs), without a display,
so the environment the other scenarios share is not touched. Every process
it starts inherits a variable of ours: that is how the test sees them all."""
import os
import signal
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "harness"))
from kvharness import Suite, exe_name, manual_name  # noqa: E402
from kvharness import processes  # noqa: E402
from kvharness.prefix import copy_prefix, remove_prefix  # noqa: E402
from kvharness.scenario import REPO, ScenarioFailed  # noqa: E402

suite = Suite()

RUN_PROGRAM = os.path.join(REPO, "tools", "run-program")
WINE_ENV = os.path.join(REPO, "tools", "harness", "wine-env")
EXE = exe_name(suite.release, suite.arch)
MANUAL = os.path.join("help", manual_name(suite.release))
# run-program takes the names above from here.
VERSION_HEADER = os.path.join("generated", "version.h")
EMULATOR = os.path.join("host", "emulator", "kv-emulator")
MARK = "KV_TEST_RUN_MARK"
# What a whole run starts, by process name (the kernel cuts names to 15 bytes).
WHOLE_RUN = ("KernoVarko-7", "kv-emulator", "socat", "Xvfb", "wineserver", "services.exe",
             "winedevice.exe")


def no_display():
    env = dict(os.environ)
    env.pop("DISPLAY", None)
    return env


def tree(s, exe=True, emulator=None):
    """The test's build tree, its Wine environment stopped. emulator: another
    binary to put in place of the reader emulator."""
    root = os.path.join(s.suite.work_root, "tree")
    outputs = ((EXE, s.suite.exe if exe else None),
               (MANUAL, os.path.join(s.suite.build, MANUAL)),
               (VERSION_HEADER, os.path.join(s.suite.build, VERSION_HEADER)),
               (EMULATOR, emulator or s.suite.emulator))
    for rel, source in outputs:
        path = os.path.join(root, rel)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        if os.path.lexists(path):
            os.unlink(path)
        if source:
            os.symlink(source, path)
    subprocess.run([WINE_ENV, "stop", root], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, env=no_display(), check=True)
    # A copy of the build's prefix (a second and a few MB) rather than a new
    # one of 700 MB; gone when the script ends.
    prefix = os.path.join(root, "wine", "prefix")
    if not os.path.exists(os.path.join(prefix, ".kv-ready")):
        remove_prefix(prefix)
        copy_prefix(os.path.join(s.suite.build, "wine", "prefix"), prefix)
    if not s.suite.exit_steps:
        s.suite.at_exit(lambda: remove_prefix(prefix))
    return root


def run_program(s, root, *args, terminate_when=None):
    """Runs run-program on the tree until it returns. Returns its exit code,
    its output and {pid: (start time, name)} of every process seen with our
    mark, those still running at its return included."""
    mark = f"{s.name}.{time.time_ns()}"
    env = no_display()
    env[MARK] = mark

    def ours(environ):
        return environ.get(MARK) == mark

    out_path = s.path("run-program.out")
    with open(out_path, "wb") as out:
        proc = subprocess.Popen([RUN_PROGRAM, "--no-build", "--build", root] + list(args), env=env,
                                stdout=out, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL)
    seen = {}
    try:
        end = time.monotonic() + 180
        while proc.poll() is None:
            seen.update(processes.find(ours))
            if terminate_when and terminate_when(seen):
                proc.send_signal(signal.SIGTERM)
                terminate_when = None
            if time.monotonic() > end:
                raise ScenarioFailed("run-program did not return within 180 s")
            time.sleep(0.1)
        seen.update(processes.find(ours))
        left = {pid: v for pid, v in seen.items() if processes.alive(pid, v[0])}
    finally:
        # Whatever happens to the checks, this test leaves nothing either.
        if proc.poll() is None:
            proc.kill()
            proc.wait()
        processes.end(processes.find(ours))
    with open(out_path, encoding="utf-8", errors="replace") as f:
        output = f.read()
    s.equal(sorted(f"{pid} {name}" for pid, (_, name) in left.items()), [],
            "processes run-program started, still running after it returned")
    return proc.returncode, output, seen


def saw(s, seen, names):
    running = sorted({name for _, name in seen.values()})
    for name in names:
        s.check(any(n.startswith(name[:15]) for n in running), f"{name} never seen running; saw {running}")


def prefix_clean(s, root, usb=False):
    """No COM port link (nor, after a USB run, the device entry) left in the
    tree's prefix; its environment gone."""
    prefix = os.path.join(root, "wine", "prefix")
    links = sorted(n for n in os.listdir(os.path.join(prefix, "dosdevices")) if n.startswith("com"))
    s.equal(links, [], "COM port links left in the prefix")
    if usb:
        with open(os.path.join(prefix, "system.reg"), encoding="utf-8", errors="replace") as f:
            s.check("VID_2E3C" not in f.read(), "the USB device entry was saved in the registry")
    s.check(not os.path.exists(os.path.join(root, "wine", "env")), "wine/env left behind")


@suite.scenario
def seconds_run_leaves_nothing(s):
    root = tree(s)
    rc, output, seen = run_program(s, root, "--seconds", "5")
    s.equal(rc, 0, f"exit code; output:\n{output}")
    s.check(os.path.exists(os.path.join(root, "run", "screenshot.png")), "no screenshot")
    saw(s, seen, WHOLE_RUN)
    prefix_clean(s, root)


@suite.scenario
def terminated_usb_run_leaves_nothing(s):
    """SIGTERM while the program runs with a USB reader plugged."""
    root = tree(s)
    rc, output, seen = run_program(s, root, "--usb", terminate_when=lambda seen: any(
        name.startswith("KernoVarko") for _, name in seen.values()))
    s.equal(rc, 128 + signal.SIGTERM, f"exit code; output:\n{output}")
    saw(s, seen, WHOLE_RUN)
    prefix_clean(s, root, usb=True)


@suite.scenario
def failed_start_leaves_nothing(s):
    """A missing build output stops it before it starts anything; an
    emulator that fails stops it with the display, the server and the port
    lines already up."""
    rc, output, seen = run_program(s, tree(s, exe=False), "--seconds", "5")
    s.equal(rc, 1, "exit code with the exe missing")
    s.check("missing build output: " in output and f"tree/{EXE}" in output,
            f"the missing exe is not named: {output!r}")
    broken = s.path("broken-emulator")
    with open(broken, "w") as f:
        f.write("#!/bin/sh\nexit 3\n")
    os.chmod(broken, 0o755)
    root = tree(s, emulator=broken)
    rc, output, seen = run_program(s, root, "--seconds", "5")
    s.equal(rc, 1, "exit code with a failing emulator")
    s.check("emulator on COM4 did not get ready" in output, f"the failure is not named: {output!r}")
    saw(s, seen, ("Xvfb", "wineserver", "socat"))
    prefix_clean(s, root)


@suite.scenario
def running_environment_stays(s):
    """The tree's environment already runs (as when a test run holds it):
    run-program uses it and leaves its server and display running."""
    root = tree(s)
    env = no_display()
    try:
        with open(s.path("wine-env.out"), "wb") as out:
            subprocess.run([WINE_ENV, "start", root], stdin=subprocess.DEVNULL, stdout=out,
                           stderr=subprocess.STDOUT, env=env, check=True)
        server = processes.wineserver_of(os.path.join(root, "wine", "prefix"))
        s.require(server, "wine-env start left no wineserver for the tree")
        with open(os.path.join(root, "wine", "xvfb.pid")) as f:
            xvfb = int(f.read())
        before = {pid: processes.start_time(pid) for pid in (server, xvfb)}
        rc, output, seen = run_program(s, root, "--seconds", "5")
        s.equal(rc, 0, f"exit code; output:\n{output}")
        saw(s, seen, ("KernoVarko-7", "kv-emulator", "socat"))
        s.check(not any(name.startswith(("Xvfb", "wineserver")) for _, name in seen.values()),
                "run-program started a server or display of its own")
        s.equal({pid: processes.alive(pid, start) for pid, start in before.items()},
                {server: True, xvfb: True}, "the wineserver and Xvfb that were running")
    finally:
        subprocess.run([WINE_ENV, "stop", root], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, env=env)


suite.run()
