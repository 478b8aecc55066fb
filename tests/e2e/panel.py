"""What the operator's window should hold: the controls in creation order,
the texts in both languages, the dot colours. Shared by the e2e scripts."""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "harness"))


def title(suite):
    """The main window's title of the program under test, by language."""
    return {"en": f"KernoVarko-7 ver.{suite.release} ({suite.arch})",
            "ru": f"KernoVarko-7 вер.{suite.release} ({suite.arch})"}


CAPTION = {"en": "Message", "ru": "Сообщение"}
NO_PORTS = {"en": "No COM ports found in the system!", "ru": "Не найдены COM-порты в системе!"}
SEARCH_TITLE = {
    ("en", "ehx"): "Search for Varko-7EHU_7EHM reader",
    ("ru", "ehx"): "Поиск считывателя Varko-7EHU_7EHM",
    ("en", "usb"): "Search for Varko-7-USB reader",
    ("ru", "usb"): "Поиск считывателя Varko-7-USB",
}
CONFIG_FILE = {
    ("ru", "ehx"): b"Language = RU;\r\nTabCtrl = EHU_EHM;\r\n",
    ("en", "ehx"): b"Language = EN;\r\nTabCtrl = EHU_EHM;\r\n",
    ("ru", "usb"): b"Language = RU;\r\nTabCtrl = USB_USB;\r\n",
    ("en", "usb"): b"Language = EN;\r\nTabCtrl = USB_USB;\r\n",
}
TAB_LABELS = ["Varko-7EHU_M", "  Varko-7-USB   "]
WARNING_ICON = "program:4"

# Texts that follow the language, by control name.
LABELS = {
    "SearchButton": ("SEARCH", "ПОИСК"),
    "VersionLabel": ("Version: ", "Версия: "),
    "InterfaceGroup": (" 1) INTERFACES: ", " 1) ИНТЕРФЕЙСЫ: "),
    "OperatingModeGroup": (" 1) READER OPERATING MODE: ", " 1) РЕЖИМ РАБОТЫ СЧИТЫВАТЕЛЯ: "),
    "IndicationControlGroup": (" 2) INDICATION CONTROL: ", " 2) УПРАВЛЕНИЕ ИНДИКАЦИЕЙ: "),
    "DirectRadio": ("Direct (active '1')", "Прямая (активная '1')"),
    "InverseRadio": ("Inverse (active '0')", "Инверсная (активный '0')"),
    "IdOutputFormatGroup": (" 2) ID CARD OUTPUT FORMAT: ", " 2) ФОРМАТ ВЫВОДА ID КАРТЫ: "),
    "HexOrDecRadio": ("HEX or DEC", "HEX или DEC"),
    "StandbyIndicationGroup": (" 3) INDICATION IN STANDBY MODE: ", " 3) ИНДИКАЦИЯ В ДЕЖУР. РЕЖИМЕ: "),
    "DynamicRadio": ("Dynamic", "Динамическая"),
    "StaticRadio": ("Static", "Статическая"),
    "StandbyOffRadio": ("Off", "Выкл."),
    "IdOutputTypeGroup": (" 3) ID CARD OUTPUT TYPE: ", " 3) ТИП ВЫВОДА ID КАРТЫ: "),
    "TouchPollGroup": (" 4) TOUCH BUTTON POLL: ", " 4) ОПРОС СЕНСОРНОЙ КНОПКИ: "),
    "PollOnRadio": ("On", "Вкл."),
    "PollOffRadio": ("Off", "Выкл."),
    "IdByteCountGroup": (" 4) NUMBER OF BYTE ID CARD: ", " 4) КОЛИЧЕСТВО БАЙТ ID КАРТЫ: "),
    "CardsToReadGroup": (" 5) CARD FOR READ: ", " 5) ЧИТАТЬ КАРТЫ: "),
    "ReadButton": ("READ", "СЧИТАТЬ"),
    "WriteButton": ("WRITE", "ЗАПИСАТЬ"),
    "IndicatorGroup": ("Indic.", "Инд."),
}


def label(name, language):
    en, ru = LABELS[name]
    return en if language == "en" else ru


LAYOUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data", "panel_layout.tsv")


def read_layout(path=LAYOUT):
    """The rows of tests/data/panel_layout.tsv as (name, class, fixed text
    (None: from LABELS), id, x, y, w, h, style at creation, family)."""
    rows = []
    with open(path, encoding="utf-8") as f:
        for line in f:
            if line.startswith("#") or not line.strip():
                continue
            name, cls, cid, x, y, w, h, style, family, text = line.rstrip("\n").split("\t")
            rows.append((name, cls, None if text == "*" else text, int(cid), int(x), int(y), int(w), int(h),
                         int(style, 16), family))
    return rows


ROWS = read_layout()
NAMES = [r[0] for r in ROWS]
ID_OF = {r[0]: r[3] for r in ROWS if r[3]}

# Bits that change at run time and are checked on their own: visibility, the
# enabled state, and WS_TABSTOP, which a checked auto radio gains.
WS_VISIBLE, WS_DISABLED, WS_TABSTOP = 0x10000000, 0x08000000, 0x00010000
STYLE_MASK = 0xFFFFFFFF & ~(WS_VISIBLE | WS_DISABLED | WS_TABSTOP)

# The defaults each tab applies: checked radios and greyed controls.
CHECKED = {
    "ehx": {3, 7, 11, 13, 35},
    "usb": {22, 24, 26, 29, 35},
}
DISABLED = {
    "ehx": {"Wiegand58Radio", "CardsToReadGroup", "CardsAllRadio", "CardsHidEmRadio", "CardsMifareRadio"},
    "usb": {"Bytes7Radio"},
}
RADIO_SETS = [(3, 6), (7, 8), (9, 11), (12, 13), (22, 23), (24, 25), (26, 27), (28, 32), (35, 37)]
RADIO_IDS = [i for lo, hi in RADIO_SETS for i in range(lo, hi + 1)]

RED, GREEN, BLUE = "0x000000FF", "0x0000FF00", "0x00FF0000"
CYAN, MAGENTA, YELLOW, WHITE = "0x00FFFF00", "0x00FF00FF", "0x0000FFFF", "0x00FFFFFF"
DOTS = {
    "ehx": [RED, RED, MAGENTA, YELLOW, WHITE],
    "usb": [CYAN, WHITE, WHITE, WHITE, WHITE],
}

# Free client points of the main window (no child window under them).
FREE_POINT = (355, 610)


def visible_in(family, tab):
    return family in ("both", "cards") or family == tab


def text_of(item, key="text"):
    """The program's own bytes of a text the driver reported, as str."""
    h = item.get(key + "_hex")
    return None if h is None else bytes.fromhex(h).decode("cp1251")


def check_tab_labels(s, tab, expected, what):
    """The tab control's item labels. The driver cannot read them from a
    32-bit program here (QEMU's memory is out of its reach): the script then
    says so and checks the number of items."""
    if tab.get("unreadable"):
        print(f"    note {s.name}: {what} not read ({tab['unreadable']}); item count checked", flush=True)
        s.equal(len(tab["items"]), len(expected), f"{what}: item count")
        return
    s.equal([text_of(i) for i in tab["items"]], expected, what)


def expected_text(row, language):
    name, _, fixed = row[0], row[1], row[2]
    return fixed if fixed is not None else label(name, language)


def panel_mismatches(controls, tab, language):
    """Every difference between the controls the driver saw and the table,
    for the given tab ("ehx" or "usb") and language, as readable lines."""
    problems = []
    if len(controls) != len(ROWS):
        problems.append(f"control count: expected {len(ROWS)}, saw {len(controls)}: "
                        f"{[(c['class'], c['id']) for c in controls]}")
    for i, row in enumerate(ROWS):
        name, cls, _, cid, x, y, w, h, style, family = row
        if i >= len(controls):
            problems.append(f"#{i + 1} {name}: missing")
            continue
        c = controls[i]
        where = f"#{i + 1} {name}"
        if c["class"].lower() != cls.lower() or c["id"] != cid:
            problems.append(f"{where}: expected {cls} id {cid} at this place in creation order, "
                            f"saw {c['class']} id {c['id']} text {text_of(c)!r}")
            continue
        r = c["rect"]
        # A drop-down list reads back its closed height.
        seen = (r["x"], r["y"], r["w"]) if cls == "ComboBox" else (r["x"], r["y"], r["w"], r["h"])
        want = (x, y, w) if cls == "ComboBox" else (x, y, w, h)
        if seen != want:
            problems.append(f"{where}: rectangle expected {want}, saw {seen}")
        actual_style = int(c["style"], 16)
        if actual_style & STYLE_MASK != style & STYLE_MASK:
            problems.append(f"{where}: style expected 0x{style:08X}, saw 0x{actual_style:08X} "
                            f"(differing bits 0x{(actual_style ^ style) & STYLE_MASK:08X})")
        if c["exstyle"] != "0x00000000":
            problems.append(f"{where}: extended style expected 0, saw {c['exstyle']}")
        if c["visible"] != visible_in(family, tab):
            problems.append(f"{where}: visible expected {visible_in(family, tab)}, saw {c['visible']}")
        want_text = expected_text(row, language)
        if cls != "SysTabControl32" and text_of(c) != want_text:
            problems.append(f"{where}: text expected {want_text!r}, saw {text_of(c)!r}")
    return problems


def defaults_mismatches(controls, tab):
    """The check marks and enabled states the tab's defaults must leave."""
    problems = []
    by_name = dict(zip(NAMES, controls))
    for name, c in by_name.items():
        row = ROWS[NAMES.index(name)]
        if not visible_in(row[9], tab):
            continue
        want_enabled = name not in DISABLED[tab]
        if c["enabled"] != want_enabled:
            problems.append(f"{name}: {'enabled' if want_enabled else 'greyed'} expected, "
                            f"saw {'enabled' if c['enabled'] else 'greyed'}")
        if c["id"] in RADIO_IDS:
            want = c["id"] in CHECKED[tab]
            if c.get("checked") != want:
                problems.append(f"{name} ({c['id']}): checked expected {want}, saw {c.get('checked')}")
    return problems


def radio_states(controls):
    return {c["id"]: c.get("checked") for c in controls if c["id"] in RADIO_IDS}
