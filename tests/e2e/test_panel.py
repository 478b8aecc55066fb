"""The option panel as the operator sees it: the defaults of each tab, the
indicator dots read from the screen, radio clicks, the tab change with its
search, and READ, WRITE and Read ID without an open port."""
from panel import (CONFIG_FILE, DOTS, ID_OF, NO_PORTS, RADIO_SETS, SEARCH_TITLE, WHITE,
                   defaults_mismatches, radio_states, text_of)
from kvharness import REFUSED, Suite

suite = Suite()

# Client points of the screen background beside the dots: the same colour
# as an erased dot position.
BACKGROUND_POINT = (355, 585)
ERASED = {"ehx": [0, 1, 2, 3], "usb": [0, 1, 2, 3]}  # dots of the other family


def set_of(radio_id):
    return next(range(lo, hi + 1) for lo, hi in RADIO_SETS if lo <= radio_id <= hi)


def check_tab_defaults(s, tab, what):
    # Given a moment to settle, as after a click (click_radio).
    problems = []

    def settled():
        problems[:] = defaults_mismatches(s.driver.controls(), tab)
        return not problems
    try:
        s.driver.wait_until(settled, f"{what}: the defaults", 3.0, 0.2)
    except AssertionError:
        pass
    for p in problems:
        s.check(False, f"{what}: {p}")
    s.driver.wait_value(lambda: s.driver.dots(tab), DOTS[tab], f"{what}: dots of the {tab} tab")
    other = "usb" if tab == "ehx" else "ehx"
    background = s.driver.pixel(*BACKGROUND_POINT)
    seen = s.driver.dots(other)
    s.equal([seen[i] for i in ERASED[other]], [background] * 4,
            f"{what}: the {other} dot positions must show the background")


def click_radio(s, radio_id, dot, colour, tab):
    """Clicks one radio and checks what the operator sees change: its own set
    and its dot, and nothing else."""
    before = radio_states(s.driver.radios())
    dots_before = s.driver.dots(tab)
    s.driver.click(radio_id)
    expected = dict(before)
    for i in set_of(radio_id):
        expected[i] = i == radio_id
    # The program may still be redrawing the panel (the x86 one under QEMU
    # on a busy machine takes its time): the marks must settle as expected.
    after = {}

    def settled():
        after.update(radio_states(s.driver.radios()))
        return after == expected
    try:
        s.driver.wait_until(settled, f"the check marks after clicking {radio_id}", 3.0, 0.1)
    except AssertionError:
        pass
    changed = {i: (expected[i], after.get(i)) for i in expected if expected[i] != after.get(i)}
    s.check(not changed, f"after clicking {radio_id}: check marks (expected, seen) differ: {changed}")
    want_dots = list(dots_before)
    if dot is not None:
        want_dots[dot - 1] = colour
    s.driver.wait_value(lambda: s.driver.dots(tab), want_dots, f"dots after clicking {radio_id}")


@suite.scenario
def ehx_defaults(s):
    s.start_idle(config=None)
    check_tab_defaults(s, "ehx", "first tab at start")
    s.shot()


@suite.scenario
def usb_defaults(s):
    s.start_idle(config=CONFIG_FILE[("ru", "usb")])
    tabs = [c for c in s.driver.controls() if c["class"] == "SysTabControl32"]
    s.equal(tabs[0]["selected"], 1, "selected tab")
    check_tab_defaults(s, "usb", "second tab at start")
    s.shot()


@suite.scenario
def ehx_radio_clicks(s):
    s.start_idle(config=CONFIG_FILE[("en", "ehx")])
    red, green, blue = "0x000000FF", "0x0000FF00", "0x00FF0000"
    cyan, magenta, yellow = "0x00FFFF00", "0x00FF00FF", "0x0000FFFF"
    for radio_id, dot, colour in [(4, 1, green), (5, 1, cyan), (3, 1, red), (8, 2, blue),
                                  (7, 2, red), (10, 3, green), (9, 3, red), (11, 3, magenta),
                                  (12, 4, red), (13, 4, yellow), (4, 1, green), (4, 1, green)]:
        click_radio(s, radio_id, dot, colour, "ehx")
    s.shot()
    # Greyed radios: the driver refuses them, and real mouse clicks on them
    # change nothing.
    for name in ("Wiegand58Radio", "CardsHidEmRadio"):
        r = s.driver.click(ID_OF[name], allow=(REFUSED,))
        s.equal(r.get("refused"), "control disabled", f"driver click on greyed {name}")
    before = radio_states(s.driver.radios())
    dots = s.driver.dots("ehx")
    for name in ("Wiegand58Radio", "CardsHidEmRadio"):
        c = next(c for c in s.driver.controls() if c["id"] == ID_OF[name])
        s.driver.mouse(c["rect"]["x"] + 8, c["rect"]["y"] + 10)
    s.equal(radio_states(s.driver.radios()), before, "check marks after mouse clicks on greyed radios")
    s.equal(s.driver.dots("ehx"), dots, "dots after mouse clicks on greyed radios")


@suite.scenario
def usb_radio_clicks(s):
    s.start_idle(config=CONFIG_FILE[("en", "usb")])
    cyan, magenta = "0x00FFFF00", "0x00FF00FF"
    for radio_id, dot, colour in [(23, 1, magenta), (22, 1, cyan), (27, None, None),
                                  (31, None, None), (36, None, None), (37, None, None),
                                  (35, None, None)]:
        click_radio(s, radio_id, dot, colour, "usb")

    def enabled():
        by_id = {c["id"]: c["enabled"] for c in s.driver.controls()}
        return {n: by_id[ID_OF[n]] for n in ("HexRadio", "DecRadio", "Bytes7Radio")}
    click_radio(s, 25, None, None, "usb")
    s.equal(enabled(), {"HexRadio": False, "DecRadio": False, "Bytes7Radio": False},
            "enabled after Touch Memory output")
    click_radio(s, 24, None, None, "usb")
    s.equal(enabled(), {"HexRadio": True, "DecRadio": True, "Bytes7Radio": False},
            "enabled after HEX or DEC output with no reader found")
    s.equal(s.driver.dots("usb")[1:], [WHITE] * 4, "dots 2 to 5 stay white")
    s.shot()


def tab_change(s, language, to_tab, mouse_at=None, shot=None):
    """Clicks the other tab and checks the moment the search starts: the file,
    the new defaults, the progress title, the disabled window. mouse_at: a
    client point to click with the real mouse while the window is disabled."""
    s.driver.tab(0 if to_tab == "ehx" else 1)
    progress = s.driver.wait_progress(3000)
    if mouse_at:
        m = s.driver.mouse(*mouse_at)
        s.require(not m["main_enabled_before"] and not m["main_enabled_after"],
                  "the search ended before the mouse click could be checked")
    if shot:
        s.shot(shot)
    s.equal(text_of(progress, "title"), SEARCH_TITLE[(language, to_tab)], "search title after the tab change")
    s.equal(progress["range"], [0, 100], "search progress range")
    s.equal(progress["main_enabled"], False, "main window enabled while the search runs")
    s.check(progress["owner_is_main"], "the progress window is not owned by the main window")
    s.equal(s.read_config(), CONFIG_FILE[(language, to_tab)], f"appconfig.ini after switching to {to_tab}")
    for p in defaults_mismatches(s.driver.controls(), to_tab):
        s.check(False, f"after switching to {to_tab}: {p}")


@suite.scenario
def tab_change_searches(s):
    s.start_idle(config=None)
    click_radio(s, 5, 1, "0x00FFFF00", "ehx")   # a choice the switch must discard
    # While the search runs the window ignores the operator: a real click on
    # a radio changes nothing, and the driver refuses to click.
    tab_change(s, "ru", "usb", mouse_at=(40, 151), shot="search")
    r = s.driver.click(ID_OF["MultiOsModeRadio"], allow=(REFUSED,))
    s.equal(r.get("refused"), "main window disabled", "driver click during the search")
    boxes = s.settle()
    s.equal([text_of(b) for b in boxes], [NO_PORTS["ru"]], "boxes after the search")
    s.equal(radio_states(s.driver.radios())[ID_OF["MultiOsModeRadio"]], False,
            "MultiOsModeRadio after a mouse click while the window was disabled")
    check_tab_defaults(s, "usb", "after switching to the second tab")
    s.shot()
    tab_change(s, "ru", "ehx")
    s.settle()
    check_tab_defaults(s, "ehx", "after switching back")


@suite.scenario
def tab_change_english(s):
    s.start_idle(config=CONFIG_FILE[("en", "ehx")])
    tab_change(s, "en", "usb")
    s.shot()
    boxes = s.settle()
    s.equal([text_of(b) for b in boxes], [NO_PORTS["en"]], "boxes after the search")


@suite.scenario
def read_write_without_port(s):
    """With no port open, READ, WRITE and Read ID search instead."""
    for language, tab in (("ru", "ehx"), ("en", "usb")):
        s.start_idle(config=CONFIG_FILE[(language, tab)])
        for what, act in (("READ", lambda: s.driver.click(14)), ("WRITE", lambda: s.driver.click(15)),
                          ("Read ID", lambda: s.driver.command(19))):
            act()
            progress = s.driver.call("wait-progress", 3000, allow=(0, 4))
            if not s.check(progress.get("open"), f"{what} on the {tab} tab: no search progress"):
                continue
            s.equal(text_of(progress, "title"), SEARCH_TITLE[(language, tab)], f"{what}: progress title")
            s.equal(progress["range"], [0, 100], f"{what}: progress range")
            if language == "en" and what == "READ":
                s.shot()
            boxes = s.settle()
            s.equal([text_of(b) for b in boxes], [NO_PORTS[language]], f"{what}: boxes after the search")
        s.equal(s.read_config(), CONFIG_FILE[(language, tab)], "appconfig.ini is not written by a search")
        s.stop_programs()


suite.run()
