"""Start-up: title and language from the configuration file, the file the
first start creates, where the window stands, every control of both tabs,
the single-instance rule and the right-click Quit."""
import time

from panel import (CAPTION, CONFIG_FILE, FREE_POINT, NO_PORTS, TAB_LABELS, WARNING_ICON,
                   check_tab_labels, panel_mismatches, text_of, title)
from kvharness import Suite

suite = Suite()

WS_MAXIMIZEBOX, WS_THICKFRAME = 0x00010000, 0x00040000
WS_SYSMENU, WS_MINIMIZEBOX, WS_EX_TOPMOST = 0x00080000, 0x00020000, 0x00000008


def check_no_ports_box(s, boxes, language):
    """The first search finds no COM port: one warning box, in the interface
    language, owned by the main window."""
    s.equal([text_of(b) for b in boxes], [NO_PORTS[language]], "boxes of the first search")
    for b in boxes:
        s.equal(text_of(b, "title"), CAPTION[language], "box caption")
        s.equal(b["icon"]["name"], WARNING_ICON, "box icon")
        s.equal([x["id"] for x in b["buttons"]], [1], "box buttons (IDOK alone)")
        s.check(b["owner_is_main"], "the box is not owned by the main window")


@suite.scenario
def english_title(s):
    _, boxes = s.start_idle(config=b"Language = EN;\r\n")
    main = s.driver.main()
    s.equal(text_of(main, "title"), title(s.suite)["en"], "title")
    check_no_ports_box(s, boxes, "en")
    s.equal(s.read_config(), b"Language = EN;\r\n", "a one-line file is left as it was")
    s.shot()


@suite.scenario
def first_start_russian(s):
    """No file: Russian, first tab, the file created with its 36 bytes."""
    s.start(config=None)
    # Created before the window exists, so it is there as soon as the window is.
    s.equal(s.read_config(), CONFIG_FILE[("ru", "ehx")], "appconfig.ini after the first start")
    progress = s.driver.wait_progress(5000)
    s.shot("search")
    s.equal(text_of(progress, "title"), "Поиск считывателя Varko-7EHU_7EHM", "first search title")
    r = progress["rect"]
    s.equal((r["x"], r["y"], r["w"], r["h"]), (364, 359, 291, 50), "progress window rectangle")
    s.equal(progress["range"], [0, 100], "progress range")
    style = int(progress["style"], 16)
    s.check(style & 0x10000001 == 0x10000001 and not style & 0x40000000,
            f"a visible smooth top-level bar expected, style 0x{style:08X}")
    s.check(progress["owner_is_main"], "the progress window is not owned by the main window")
    boxes = s.settle()
    check_no_ports_box(s, boxes, "ru")
    main = s.driver.main()
    s.equal(text_of(main, "title"), title(s.suite)["ru"], "title")
    tabs = [c for c in s.driver.controls() if c["class"] == "SysTabControl32"]
    s.require(len(tabs) == 1, f"one tab control expected, saw {len(tabs)}")
    s.equal(tabs[0]["selected"], 0, "selected tab")
    s.equal(len(s.read_config()), 36, "file size")
    s.shot()


@suite.scenario
def window_place_and_style(s):
    s.start_idle(config=CONFIG_FILE[("en", "ehx")])
    main = s.driver.main()
    r = main["rect"]
    s.equal((r["x"], r["y"], r["w"], r["h"]), (315, 39, 395, 690), "window rectangle on 1024x768")
    style, exstyle = int(main["style"], 16), int(main["exstyle"], 16)
    s.check(style & WS_SYSMENU and style & WS_MINIMIZEBOX,
            f"system menu and minimise box expected, style 0x{style:08X}")
    s.check(not style & (WS_MAXIMIZEBOX | WS_THICKFRAME),
            f"no maximise box and no sizing border expected, style 0x{style:08X}")
    s.check(exstyle & WS_EX_TOPMOST, f"topmost expected, extended style 0x{exstyle:08X}")
    s.equal(main["topmost"], True, "topmost")
    s.equal(main["count"], 1, "main windows")
    s.equal(main["enabled"], True, "enabled once the search has ended")
    s.shot()


def panel_scenario(s, config, tab, language):
    s.start_idle(config=config)
    controls = s.driver.controls()
    for p in panel_mismatches(controls, tab, language):
        s.check(False, p)
    tabs = [c for c in controls if c["class"] == "SysTabControl32"]
    if s.check(len(tabs) == 1, "one tab control expected"):
        check_tab_labels(s, tabs[0], TAB_LABELS, "tab labels")
        s.equal(tabs[0]["selected"], 0 if tab == "ehx" else 1, "selected tab")
    s.shot()


@suite.scenario
def panel_ehx_tab(s):
    panel_scenario(s, CONFIG_FILE[("ru", "ehx")], "ehx", "ru")


@suite.scenario
def panel_usb_tab(s):
    panel_scenario(s, CONFIG_FILE[("en", "usb")], "usb", "en")


@suite.scenario
def second_start_raises_first(s):
    """A second copy in the same directory restores the first window, brings
    it to the front and ends with 0 without a window of its own."""
    first, _ = s.start_idle(config=CONFIG_FILE[("en", "ehx")])
    s.driver.call("minimize")
    s.require(s.driver.main()["iconic"], "the first window did not minimise")
    second = s.start(keep_config=True, wait=False, name="second")
    counts = set()
    deadline = time.monotonic() + 10
    while second.running() and time.monotonic() < deadline:
        counts.add(s.driver.main()["count"])
    code = second.wait_exit(1)
    s.equal(code, 0, "exit code of the second copy")
    s.equal(counts - {1}, set(), "main windows seen while the second copy ran (beyond one)")
    main = s.driver.wait_until(lambda: (lambda m: m if not m["iconic"] else None)(s.driver.main()),
                               "the first window to be restored", 5)
    s.equal(main["foreground"], True, "first window in the foreground")
    s.equal(main["count"], 1, "main windows after the second start")
    s.check(first.running(), "the first copy ended")
    s.equal(s.driver.call("windows")["process"], main["process"], "the window belongs to the first copy")
    s.shot()


@suite.scenario
def quit_and_close_end_with_zero(s):
    program, _ = s.start_idle(config=CONFIG_FILE[("en", "ehx")])
    s.shot()
    s.driver.command(16)
    s.equal(program.wait_exit(10), 0, "exit code after File, Quit")
    program, _ = s.start_idle(config=CONFIG_FILE[("en", "ehx")])
    s.driver.call("close")
    s.equal(program.wait_exit(10), 0, "exit code after the close box")
    s.equal(s.read_config(), CONFIG_FILE[("en", "ehx")], "appconfig.ini is not written at exit")


@suite.scenario
def right_click_quit(s):
    """The right-click menu holds Quit alone; choosing it ends the program."""
    program, _ = s.start_idle(config=CONFIG_FILE[("en", "ehx")])
    popup = s.driver.call("rclick", *FREE_POINT)
    s.require(popup["open"], "no popup menu after a right click on a free part of the window")
    s.check(popup["hit_main"], "the point is covered by a control")
    main = s.driver.main()
    # The top left corner of the menu stands at the cursor.
    s.equal((popup["rect"]["x"], popup["rect"]["y"]),
            (main["client"]["x"] + FREE_POINT[0], main["client"]["y"] + FREE_POINT[1]),
            "popup menu position")
    # Menus of another process cannot be read under Wine: one item of the
    # default font is about 20 pixels high, two would be about 40.
    s.check(popup["rect"]["h"] < 32, f"a one-item menu expected, the popup is {popup['rect']['h']} px high")
    s.shot()
    s.driver.call("popup-choose", 0)
    s.equal(program.wait_exit(10), 0, "exit code after Quit")
    s.equal(s.driver.main_or_none(), None, "main window after Quit")


suite.run()
