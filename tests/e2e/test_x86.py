"""The x86 program operators get, run under 32-bit Wine through user-mode
QEMU: it finds an EHU reader, writes its settings, shows a card, hands the
manual to the viewer and stays a single instance. Also its start time
against the x64 build in the same run."""
import argparse
import os
import shutil
import time

from panel import CONFIG_FILE, text_of
from kvharness import Suite, exe_name, manual_name, winpath
from kvharness.viewer import viewer_records
from kvharness.reader import (SETTINGS_READ, SETTINGS_WRITTEN, WRITE, Reader, check_panel,
                              expect_boxes, found, note)
from kvharness.x86 import LOADER, pe_machine, x86_environment

HELP, READ_ID = 20, 19
ID_CLASS = "my Child Window"

options = argparse.ArgumentParser(add_help=False)
options.add_argument("--x86-exe", default=None, help="default: the win32 build beside --build")
mine, rest = options.parse_known_args()
suite = Suite(rest)
MANUAL = manual_name(suite.release)


def x86_exe():
    if mine.x86_exe:
        return os.path.abspath(mine.x86_exe)
    return os.path.join(os.path.dirname(suite.build), "win32", exe_name(suite.release, "x86"))


def start_x86(s, **kw):
    exe = x86_exe()
    s.require(pe_machine(exe) == 0x14C, f"{exe} is not an x86 program")
    s.driver.program_exe = winpath(exe)
    return s.start(exe=exe, loader=LOADER, env=x86_environment(s.suite.build), **kw)


@suite.scenario
def x86_smoke(s):
    """One pass through the operator's main path on the shipped exe."""
    reader = Reader(s, s.ports.add(4), "--model", "U", "--firmware", "1.10", "--settings", "W440SO",
                    "--card", "255,168496141")
    os.makedirs(s.path("help"))
    shutil.copy(os.path.join(s.suite.build, "help", MANUAL), s.path(os.path.join("help", MANUAL)))
    first = start_x86(s, config=CONFIG_FILE[("en", "ehx")])
    expect_boxes(s, [SETTINGS_READ, found("U", "COM4")], "first search")
    check_panel(s, "ehx", "after the search", checked=[5, 8, 10, 12], version="1.10", combo_enabled=False)

    s.driver.click(WRITE)
    expect_boxes(s, [SETTINGS_WRITTEN], "WRITE")
    s.equal(reader.received()[-1:], [b"AT+W440SO"], "command sent by WRITE")

    s.driver.command(READ_ID)
    w = s.driver.wait_window(ID_CLASS, 10)
    s.require(w, f"no card ID window after Read ID; boxes: {[text_of(b) for b in s.driver.boxes()]}")
    s.equal([c["text"] for c in w["children"] if c["class"].lower() == "edit"],
            ["0000000255", "000000FF", "0168496141", "10.11.12.13"], "card ID fields")
    s.shot("card")
    s.driver.sys_close(ID_CLASS)
    s.driver.wait_idle(5000)

    # A 32-bit program can start only a 64-bit one here: the recording viewer
    # (kv-driver.exe) is one, outside system32.
    opened = viewer_records(s, lambda: s.driver.command(HELP))
    s.equal([p.lower() for p in opened], [winpath(s.path(os.path.join("help", MANUAL))).lower()],
            "files the viewer was asked to open")
    s.equal(s.driver.boxes(), [], "boxes after Help")

    s.driver.call("minimize")
    second = start_x86(s, keep_config=True, wait=False, name="second")
    s.equal(second.wait_exit(30), 0, "exit code of the second copy")
    main = s.driver.wait_until(lambda: (lambda m: m if not m["iconic"] else None)(s.driver.main()),
                               "the first window to be restored", 10)
    s.equal((main["count"], main["foreground"]), (1, True), "main windows, first one in front")
    s.check(first.running(), "the first copy ended")


@suite.scenario
def x86_start_time(s):
    """From the start to the main window, x64 then x86, twice each; measured,
    not judged."""
    times = {"x64": [], "x86": []}
    for _ in range(2):
        for arch in ("x64", "x86"):
            t0 = time.monotonic()
            program = start_x86(s, config=CONFIG_FILE[("en", "ehx")]) if arch == "x86" else \
                s.start(config=CONFIG_FILE[("en", "ehx")])
            times[arch].append(time.monotonic() - t0)
            program.kill()
            s.driver.wait_until(lambda: s.driver.main_or_none() is None, "the window to go", 10)
    note(s, "main window after start: " + ", ".join(
        f"{arch} {' / '.join(f'{t:.2f}' for t in ts)} s" for arch, ts in times.items()))


suite.run()
