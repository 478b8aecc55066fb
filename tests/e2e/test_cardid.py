"""Read ID on a reader found at start-up: the card ID window with its four
fields, the disabled main window around it, and what each kind of bad or
missing reply shows instead."""
import os

from panel import CONFIG_FILE, text_of
from kvharness import EmulatorControl, Suite, received

suite = Suite()

ID_CLASS = "my Child Window"
READ_ID = 19
PORT_COMBO, VERSION_VALUE = 1, 34
ERROR_ICON, RETRY_ICON = "program:5", "program:7"
BLACK, WHITE = "0x00000000", "0x00FFFFFF"
CARD = "255,168496141"   # the cipher id's bytes are 10, 11, 12, 13

LABELS = {
    "en": ["Barcode", "Barcode (hex)", "ID cipher", "ID cipher (x.x.x.x)"],
    "ru": ["Штрих-код", "Штрих-код (hex)", "ID шифра", "ID шифра (x.x.x.x)"],
}
FIELDS = ["0000000255", "000000FF", "0168496141", "10.11.12.13"]
ES_READONLY, ES_RIGHT, WS_EX_CLIENTEDGE = 0x0800, 0x0002, 0x0200
WS_CAPTION, WS_SYSMENU, WS_THICKFRAME = 0x00C00000, 0x00080000, 0x00040000


def ehu_linked(s, *emulator_options, firmware="1.10", locale=None, language="en"):
    """An EHU reader on COM3, found by the first search; returns the
    emulator's control and log."""
    port = s.ports.add(3)
    ctl = os.path.join(s.dir, "emulator.ctl")
    open(ctl, "w").close()
    stale = os.path.join(s.log_dir, f"emulator-com{port.number}.log")  # the log is appended to
    if os.path.exists(stale):
        os.unlink(stale)
    emu = s.emulator(port, "--model", "U", "--firmware", firmware, "--card", CARD, "--control", ctl,
                     *emulator_options)
    _, boxes = s.start_idle(config=CONFIG_FILE[(language, "ehx")], locale=locale)
    controls = s.driver.controls_by_id()
    s.require(text_of(controls[VERSION_VALUE]) == firmware,
              f"the first search did not link the reader: version {text_of(controls[VERSION_VALUE])!r}, "
              f"boxes {[text_of(b) for b in boxes]}")
    s.require(not controls[PORT_COMBO]["enabled"], "PortCombo enabled although a port is open")
    return EmulatorControl(ctl, emu.log), emu.log


def link_kept(s, firmware, what):
    controls = s.driver.controls_by_id()
    s.equal(text_of(controls[VERSION_VALUE]), firmware, f"{what}: VersionValue")
    s.equal(controls[PORT_COMBO]["enabled"], False, f"{what}: PortCombo enabled (the link must stay)")


def read_id_box(s, text, icon, what):
    """Read ID ends in one box with this text and icon, and no card ID window."""
    s.driver.command(READ_ID)
    boxes = s.driver.wait_box(5000)
    s.equal([text_of(b) for b in boxes], [text], f"{what}: boxes")
    if boxes:
        s.equal(boxes[0]["icon"]["name"], icon, f"{what}: icon")
        s.check(boxes[0]["owner_is_main"], f"{what}: the box is not owned by the main window")
    s.check(s.driver.window(ID_CLASS) is None, f"{what}: a card ID window opened")
    s.driver.press_box()
    s.driver.wait_idle(5000)
    s.check(s.driver.window(ID_CLASS) is None, f"{what}: a card ID window opened after the box")


def check_id_window(s, w, language, title):
    """Title, place, frame and the eight children of the card ID window."""
    s.equal(w["title"], title, "card ID window title")
    r = w["rect"]
    # Centred on the 1024x768 screen: (512 - 151, 384 - 80).
    s.equal((r["x"], r["y"], r["w"], r["h"]), (361, 304, 302, 160), "card ID window rectangle")
    style = int(w["style"], 16)
    s.check(style & WS_CAPTION and style & WS_SYSMENU and not style & WS_THICKFRAME,
            f"caption and close box without a sizing border expected, style 0x{style:08X}")
    s.check(w["owner_is_main"], "the card ID window is not owned by the main window")
    kids = w["children"]
    s.equal([(c["class"].lower(), c["text"]) for c in kids],
            [("static", LABELS[language][0]), ("static", LABELS[language][1]),
             ("edit", FIELDS[0]), ("edit", FIELDS[1]),
             ("static", LABELS[language][2]), ("static", LABELS[language][3]),
             ("edit", FIELDS[2]), ("edit", FIELDS[3])],
            "card ID window children (class, text) in creation order")
    places = [(c["rect"]["x"], c["rect"]["y"], c["rect"]["w"], c["rect"]["h"]) for c in kids]
    s.equal(places, [(10, 15, 125, 20), (160, 15, 125, 20), (10, 37, 125, 20), (160, 37, 125, 20),
                     (10, 67, 125, 20), (160, 67, 125, 20), (10, 89, 125, 20), (160, 89, 125, 20)],
            "children's rectangles in the client area")
    for c in kids:
        if c["class"].lower() != "edit":
            continue
        style, ex = int(c["style"], 16), int(c["exstyle"], 16)
        s.check(style & ES_READONLY and style & ES_RIGHT and ex & WS_EX_CLIENTEDGE,
                f"field {c['text']!r}: read-only, right-aligned, sunken expected; "
                f"style 0x{style:08X} exstyle 0x{ex:08X}")
        # The digits stand right-aligned: the left edge shows the background.
        s.equal((c["left"], c["lightest"], c["darkest"]), (WHITE, WHITE, BLACK),
                f"field {c['text']!r}: colours on screen (background, lightest, darkest)")
    for c in kids:
        if c["class"].lower() == "static":
            s.check(c["lightest"] != WHITE,
                    f"label {c['text']!r} has a white background; only the fields should")


@suite.scenario
def read_id_shows_card(s):
    """The card with number 255 and cipher id 10.11.12.13: the window, the
    main window disabled while it is open, enabled and focused after it."""
    _, log = ehu_linked(s)
    s.driver.command(READ_ID)
    w = s.driver.wait_window(ID_CLASS, 5, colours=True)
    s.require(w, f"no card ID window after Read ID; boxes: {[text_of(b) for b in s.driver.boxes()]}")
    s.shot()
    check_id_window(s, w, "en", "Varko-7EHU ver.1.10")
    s.equal(s.driver.main()["enabled"], False, "main window enabled while the card ID window is open")
    r = s.driver.command(READ_ID, allow=(0, 3))
    s.equal(r.get("refused"), "main window disabled", "a menu command while the card ID window is open")
    s.equal([f for f in received(log) if f[0] == "ids"], [("ids", "AT+READS_IDS")],
            "card commands the reader received")

    closed = s.driver.close_box(ID_CLASS)
    s.require(closed["ok"], f"the close box did not close the card ID window: {closed}")
    main = s.driver.main()
    s.equal(main["enabled"], True, "main window enabled after the card ID window closed")
    focus = s.driver.focus()
    s.equal((focus["focus_is_main"], focus["active_is_main"]), (True, True),
            f"focus and activation on the main window after closing (focus on {focus['focus_class']!r})")

    # Again: the class is registered a second time (that fails, harmlessly)
    # and the window comes back with the same numbers.
    s.driver.command(READ_ID)
    w = s.driver.wait_window(ID_CLASS, 5)
    if s.check(w, "no card ID window on the second Read ID"):
        s.equal([c["text"] for c in w["children"] if c["class"].lower() == "edit"], FIELDS,
                "fields on the second Read ID")
        s.require(s.driver.sys_close(ID_CLASS)["ok"], "the card ID window did not close on SC_CLOSE")
        s.equal(s.driver.main()["enabled"], True, "main window enabled after the second window closed")
    link_kept(s, "1.10", "after two readouts")


@suite.scenario
def old_firmware_sends_nothing(s):
    _, log = ehu_linked(s, firmware="1.00")
    read_id_box(s, "The reader version does not support the command.", ERROR_ICON, "firmware 1.00")
    s.shot()
    s.equal([f for f in received(log) if f[0] == "ids" or "IDS" in f[1]], [],
            "card commands sent to a 1.00 reader")
    link_kept(s, "1.00", "after the refusal")


@suite.scenario
def rejected_replies_keep_link(s):
    """A reply with a leading byte fails the prefix; a reply with anything but
    '.' at offset 39 is not recognised; neither opens the window or drops the
    link, and a good reply afterwards shows the card."""
    ctl, log = ehu_linked(s)
    ctl.set("ids-prefix X")
    read_id_box(s, "Invalid command!", ERROR_ICON, "leading byte")
    link_kept(s, "1.10", "after a leading byte")
    ctl.set("reset", "ids-end ,")
    read_id_box(s, "The answer could not be recognized!", ERROR_ICON, "',' at offset 39")
    link_kept(s, "1.10", "after a bad byte 39")
    ctl.set("reset", "ids-end \\x00")
    read_id_box(s, "The answer could not be recognized!", ERROR_ICON, "NUL at offset 39")
    ctl.set("reset", "card 4294967296,4294967295")
    s.driver.command(READ_ID)
    w = s.driver.wait_window(ID_CLASS, 5)
    if s.check(w, "no card ID window for a good reply after the rejected ones"):
        s.shot()
        # Ten digits above 2^32 - 1 read as 4294967295.
        s.equal([c["text"] for c in w["children"] if c["class"].lower() == "edit"],
                ["4294967295", "FFFFFFFF", "4294967295", "255.255.255.255"], "fields of the largest numbers")
        s.driver.sys_close(ID_CLASS)
    s.equal(len([f for f in received(log) if f[0] == "ids"]), 4, "card commands the reader received")


@suite.scenario
def silent_reader_keeps_link(s):
    ctl, log = ehu_linked(s)
    ctl.set("fault silent")
    read_id_box(s, "The reader did not respond!\n(Try again or a different COM port).", RETRY_ICON,
                "silent reader")
    s.shot()
    link_kept(s, "1.10", "after no reply")
    # The link goes on: the reader answers again and the card shows.
    ctl.set("reset")
    s.driver.command(READ_ID)
    w = s.driver.wait_window(ID_CLASS, 5)
    if s.check(w, "no card ID window once the reader answers again"):
        s.equal([c["text"] for c in w["children"] if c["class"].lower() == "edit"], FIELDS,
                "fields once the reader answers again")
        s.driver.sys_close(ID_CLASS)


def manual_picture(s, locale, language, title):
    """The card ID window alone, for the manual: ARTIFACTS/<test>/readid-<language>.png."""
    ehu_linked(s, locale=locale, language=language)
    s.driver.command(READ_ID)
    w = s.driver.wait_window(ID_CLASS, 5, colours=True)
    s.require(w, "no card ID window")
    check_id_window(s, w, language, title)
    r = w["rect"]
    s.shot(crop=(r["x"], r["y"], r["w"], r["h"]))
    s.driver.sys_close(ID_CLASS)


@suite.scenario
def readid_en(s):
    manual_picture(s, None, "en", "Varko-7EHU ver.1.10")


@suite.scenario
def readid_ru(s):
    # Code page 1251, so the Cyrillic labels show on screen.
    manual_picture(s, "ru", "ru", "Varko-7EHU ver.1.10")


suite.run()
