"""The driver itself, checked against kv-driver-probe, a window whose state
is known: if these fail, the other scenarios' verdicts mean nothing."""
import os

from panel import text_of
from kvharness import FAILED, REFUSED, Suite, winpath

suite = Suite()
PROBE = os.path.join(os.path.dirname(suite.driver_exe), "kv-driver-probe.exe")
CYRILLIC = "Поиск"   # what the probe shows in its button, box and progress


def start_probe(s, locale=None):
    s.require(os.path.exists(PROBE), f"{PROBE} is not built")
    s.driver.program_exe = winpath(PROBE)
    s.start(exe=PROBE, locale=locale)


def title(s):
    return text_of(s.driver.main(), "title")


@suite.scenario
def reads_texts_and_lists(s):
    """Cyrillic 8-bit texts come back byte for byte in both locales; combo
    entries, tab items and menu dump lines are read whole."""
    for locale in (None, "ru"):
        start_probe(s, locale)
        controls = s.driver.controls()
        by_id = {c["id"]: c for c in controls}
        s.equal(bytes.fromhex(by_id[2]["text_hex"]), CYRILLIC.encode("cp1251"),
                f"button bytes ({locale or 'default'} locale)")
        s.equal(by_id[2]["text"], CYRILLIC, "button text as Unicode")
        s.equal([text_of(e) for e in by_id[1]["entries"]], ["COM3", "Порт 5"], "combo entries")
        tab = next(c for c in controls if c["class"] == "SysTabControl32")
        s.equal([text_of(i) for i in tab["items"]], ["Varko-7EHU_M", "  Varko-7-USB   "], "tab labels")
        s.check(all(i["rect"]["w"] > 0 for i in tab["items"]), "tab item rectangles")
        s.equal([(c["id"], c["visible"], c["enabled"], c.get("checked")) for c in controls if c["id"] in (3, 4, 5)],
                [(3, True, True, True), (4, True, False, False), (5, False, True, False)],
                "radio states")
        menu = s.driver.menu()
        s.equal([(i["depth"], i["id"], i["checked"], i["separator"], text_of(i)) for i in menu],
                [(0, 0, False, False, "File"), (1, 16, False, False, "Quit"),
                 (1, 17, True, False, "Русский"), (1, 18, False, False, "English"),
                 (1, 0, False, True, "")], "menu dump")
        s.stop_programs()


@suite.scenario
def acts_like_an_operator(s):
    """Each acting verb reaches the window procedure as the operator's action
    would (the probe writes what it got into its title)."""
    start_probe(s)
    s.driver.click(3)
    s.equal(title(s), "cmd 3", "after click 3")
    s.driver.tab(1)
    s.equal(title(s), "tab 1", "after clicking tab 1 (TCN_SELCHANGE)")
    s.driver.call("select-port", "hex:" + "Порт 5".encode("cp1251").hex())
    s.equal(title(s), "port 1", "after choosing the second port by its text")
    s.driver.call("devicechange")
    s.equal(title(s), "device 7", "after devicechange")
    popup = s.driver.call("rclick", 200, 640)
    s.require(popup["open"], "no popup after rclick")
    s.driver.call("popup-choose", 1)
    s.equal(title(s), "cmd 30", "after choosing the second popup item")
    m = s.driver.mouse(90, 130)
    s.check(m["main_enabled_before"], "main window disabled before the mouse click")
    s.driver.wait_value(lambda: title(s), "cmd 3", "title after a real mouse click on radio 3")
    s.shot()


@suite.scenario
def refuses_what_an_operator_cannot_do(s):
    start_probe(s)
    s.equal(s.driver.click(4, allow=(REFUSED,))["refused"], "control disabled", "click on a greyed radio")
    s.equal(s.driver.click(5, allow=(REFUSED,))["refused"], "control hidden", "click on a hidden radio")
    s.equal(s.driver.call("click", 99, allow=(FAILED,))["_exit"], FAILED, "click on a missing control")
    s.driver.click(2)   # the probe's progress: its window disabled until a device change
    p = s.driver.wait_progress(2000)
    s.equal((p["range"], text_of(p, "title"), p["main_enabled"]), ([0, 100], CYRILLIC, False), "progress")
    s.driver.wait_value(lambda: s.driver.progress()["position"], 100, "progress position")
    for verb in (("click", 3), ("command", 42), ("rclick", 200, 640), ("tab", 0)):
        r = s.driver.call(*verb, allow=(REFUSED,))
        s.equal(r["refused"], "main window disabled", f"{verb[0]} while the window is disabled")
    s.driver.call("devicechange", "0x0BAD")  # the probe's own event: it ends the progress
    s.driver.wait_idle(5000)
    s.equal(s.driver.progress()["open"], False, "progress after the device change ended it")


@suite.scenario
def tells_the_box_icons_apart(s):
    """Every icon resource 1..7 and the system error icon, told apart on screen."""
    start_probe(s)
    for command, want in [(40 + i, f"program:{i}") for i in range(1, 8)] + [(48, "system:error")]:
        s.driver.command(command, allow=(0,))
        boxes = s.driver.wait_box(3000)
        s.equal([(text_of(b), text_of(b, "title"), b["is_message_box"], b["icon"]["name"]) for b in boxes],
                [(CYRILLIC, "Message", True, want)], f"box of command {command}")
        s.equal(s.driver.press_box()["buttons"][0]["id"], 1, "OK button id")
        s.driver.wait_idle(3000)


@suite.scenario
def looks_at_and_closes_other_windows(s):
    """The verbs for the program's other top-level windows, on the probe's
    box: it is found by class with its children and their colours, and each
    way of closing it closes it."""
    start_probe(s)
    s.equal(s.driver.window("#32770"), None, "a box before any was opened")
    closers = {"Esc": lambda: s.driver.key("#32770", 0x1B),
               "Esc posted": lambda: s.driver.key("#32770", 0x1B, posted=True),
               "SC_CLOSE": lambda: s.driver.sys_close("#32770"),
               "close box": lambda: s.driver.close_box("#32770")}
    for how, close in closers.items():
        s.driver.command(41)
        w = s.driver.wait_window("#32770", 3, colours=True)
        s.require(w, f"no box to close by {how}")
        s.equal((text_of(w, "title"), w["owner_is_main"], w["main_enabled"]), ("Message", True, False),
                f"box before {how}: title, owner, main window enabled")
        s.check(CYRILLIC in [text_of(c) for c in w["children"]], f"no child shows the box text: {w['children']}")
        s.check(all(c["lightest"].startswith("0x") for c in w["children"]), "colours of every child")
        r = close()
        s.check(r["ok"], f"{how} did not close the box: {r}")
        if how == "Esc posted":
            s.equal(r["real_input"], False, "a posted key reported as real input")
        s.equal(s.driver.window("#32770"), None, f"a box after {how}")
        s.driver.wait_idle(3000)
    f = s.driver.focus()
    s.equal((f["main_enabled"], f["active_is_main"]), (True, True), "main window enabled and active after the boxes")
    s.equal(s.driver.call("sys-close", "#32770", allow=(FAILED,))["_exit"], FAILED, "closing a box that is not there")


@suite.scenario
def records_as_a_viewer(s):
    """record appends its arguments, one a line, as the shell would pass a
    file to a viewer."""
    record = s.path("opened.txt")
    for name in ("C:\\help\\a b.pdf", "Z:\\x.pdf"):
        rc, _ = s.suite.wine.run([s.driver.exe, "record", winpath(record), name])
        s.equal(rc, 0, f"record {name}: exit code")
    lines = open(record, encoding="latin-1").read().splitlines() if os.path.exists(record) else []
    s.equal(lines, ["C:\\help\\a b.pdf", "Z:\\x.pdf"], "lines recorded")


suite.run()
