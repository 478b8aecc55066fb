#!/usr/bin/env python3
"""Pictures of the operator's window for the documentation: both tabs in
both languages, cropped to the main window.

    tools/harness/screenshots.py [--build build/win64] [--out docs]

Writes panel-ehx-ru.png, panel-ehx-en.png, panel-usb-ru.png and
panel-usb-en.png. The program runs with LC_ALL=ru_RU.UTF-8 so that Wine
draws its 1251 texts as Cyrillic.
"""
import argparse
import os
import shutil
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from kvharness import Driver, Program, Wine, build_facts, exe_name, screenshot, winpath  # noqa: E402
from kvharness.devices import ComPorts  # noqa: E402

REPO = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
CONFIG = {
    ("ehx", "ru"): b"Language = RU;\r\nTabCtrl = EHU_EHM;\r\n",
    ("ehx", "en"): b"Language = EN;\r\nTabCtrl = EHU_EHM;\r\n",
    ("usb", "ru"): b"Language = RU;\r\nTabCtrl = USB_USB;\r\n",
    ("usb", "en"): b"Language = EN;\r\nTabCtrl = USB_USB;\r\n",
}


def settle(driver, timeout_s=20):
    """Answers the boxes of the first search until the window is idle."""
    end = time.monotonic() + timeout_s
    while driver.call("wait-idle", 250, allow=(0, 4))["_exit"] != 0:
        if driver.boxes():
            driver.press_box()
        if time.monotonic() > end:
            raise RuntimeError("the program did not become idle")


def main():
    build_default = os.path.join(REPO, "build", "win64")
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("--build", default=build_default)
    p.add_argument("--exe", default=None, help="default: the build's own program")
    p.add_argument("--driver", default=os.path.join(build_default, "tools", "driver", "kv-driver.exe"))
    p.add_argument("--out", default=os.path.join(REPO, "docs"))
    args = p.parse_args()
    args.exe = args.exe or os.path.join(args.build, exe_name(*build_facts(args.build)))

    wine = Wine(args.build)
    work = os.path.join(os.path.abspath(args.build), "screenshots-work")
    logs = os.path.join(work, "logs")
    ComPorts(wine, work, logs).remove_defaults()
    driver = Driver(wine, os.path.abspath(args.driver), program_exe=winpath(os.path.abspath(args.exe)))
    driver.locale = "ru"
    if driver.main_or_none():
        sys.exit("a program window is already open; close it first")
    made = []
    for (tab, language), config in CONFIG.items():
        folder = os.path.join(work, f"{tab}-{language}")
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        with open(os.path.join(folder, "appconfig.ini"), "wb") as f:
            f.write(config)
        program = Program(wine, os.path.abspath(args.exe), folder, logs, locale="ru",
                          name=f"{tab}-{language}").start()
        try:
            driver.wait_main(15000)
            settle(driver)
            time.sleep(0.3)  # let the last paint reach the screen
            r = driver.main()["rect"]
            path = os.path.join(os.path.abspath(args.out), f"panel-{tab}-{language}.png")
            if not screenshot(wine.display, path, (r["x"], r["y"], r["w"], r["h"])):
                sys.exit(f"screenshot failed: {path}")
            made.append(path)
        finally:
            program.kill()
    for path in made:
        print(path)


if __name__ == "__main__":
    main()
