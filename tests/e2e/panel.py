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


# name, class, fixed text (None: from LABELS), id, x, y, w, h, style at
# creation, family ("both", "ehx", "usb", "cards").
ROWS = [
    ("PortCombo", "ComboBox", "", 1, 10, 10, 150, 200, 0x50000003, "both"),
    ("SearchButton", "Button", None, 2, 180, 10, 140, 40, 0x50000000, "both"),
    ("VersionLabel", "Static", None, 33, 10, 39, 60, 20, 0x50000000, "both"),
    ("VersionValue", "Static", "x.xx", 34, 70, 39, 40, 20, 0x50000000, "both"),
    ("FamilyTabs", "SysTabControl32", "", 0, 10, 60, 310, 520, 0x54000000, "both"),
    ("InterfaceGroup", "Button", None, 0, 20, 100, 290, 110, 0x40020007, "ehx"),
    ("TouchMemoryRadio", "Button", "Touch Memory", 3, 30, 120, 120, 20, 0x40000009, "ehx"),
    ("Wiegand26Radio", "Button", "Wiegand 26", 4, 30, 141, 120, 20, 0x40000009, "ehx"),
    ("Wiegand44Radio", "Button", "Wiegand 44", 5, 30, 162, 120, 20, 0x40000009, "ehx"),
    ("Wiegand58Radio", "Button", "Wiegand 58", 6, 30, 183, 120, 20, 0x40000009, "ehx"),
    ("OperatingModeGroup", "Button", None, 0, 20, 100, 290, 70, 0x40020007, "usb"),
    ("WindowsModeRadio", "Button", "WINDOWS", 22, 30, 120, 95, 20, 0x40000009, "usb"),
    ("MultiOsModeRadio", "Button", "Windows, Linux, MacOS", 23, 30, 141, 180, 20, 0x40000009, "usb"),
    ("IndicationControlGroup", "Button", None, 0, 20, 220, 290, 70, 0x40020007, "ehx"),
    ("DirectRadio", "Button", None, 7, 30, 240, 190, 20, 0x40000009, "ehx"),
    ("InverseRadio", "Button", None, 8, 30, 261, 190, 20, 0x40000009, "ehx"),
    ("IdOutputFormatGroup", "Button", None, 0, 20, 180, 290, 70, 0x40020007, "usb"),
    ("HexOrDecRadio", "Button", None, 24, 30, 200, 120, 20, 0x40000009, "usb"),
    ("TouchMemoryOutRadio", "Button", "Touch Memory", 25, 30, 221, 120, 20, 0x40000009, "usb"),
    ("StandbyIndicationGroup", "Button", None, 0, 20, 300, 290, 90, 0x40020007, "ehx"),
    ("DynamicRadio", "Button", None, 9, 30, 320, 120, 20, 0x40000009, "ehx"),
    ("StaticRadio", "Button", None, 10, 30, 341, 120, 20, 0x40000009, "ehx"),
    ("StandbyOffRadio", "Button", None, 11, 30, 362, 60, 20, 0x40000009, "ehx"),
    ("IdOutputTypeGroup", "Button", None, 0, 20, 260, 290, 70, 0x40020007, "usb"),
    ("HexRadio", "Button", "HEX", 26, 30, 280, 70, 20, 0x40000009, "usb"),
    ("DecRadio", "Button", "DEC", 27, 30, 301, 70, 20, 0x40000009, "usb"),
    ("TouchPollGroup", "Button", None, 0, 20, 400, 290, 70, 0x40020007, "ehx"),
    ("PollOnRadio", "Button", None, 12, 30, 420, 60, 20, 0x40000009, "ehx"),
    ("PollOffRadio", "Button", None, 13, 30, 441, 60, 20, 0x40000009, "ehx"),
    ("IdByteCountGroup", "Button", None, 0, 20, 340, 290, 130, 0x40020007, "usb"),
    ("Bytes7Radio", "Button", "7", 28, 30, 360, 60, 20, 0x40000009, "usb"),
    ("Bytes5Radio", "Button", "5", 29, 30, 381, 60, 20, 0x40000009, "usb"),
    ("Bytes4Radio", "Button", "4", 30, 30, 402, 60, 20, 0x40000009, "usb"),
    ("Bytes3Radio", "Button", "3", 31, 30, 423, 60, 20, 0x40000009, "usb"),
    ("Bytes2Radio", "Button", "2", 32, 30, 444, 60, 20, 0x40000009, "usb"),
    ("CardsToReadGroup", "Button", None, 0, 20, 480, 290, 90, 0x50020007, "cards"),
    ("CardsAllRadio", "Button", "HID, EM-Marine + MIFARE, Pay", 35, 30, 500, 240, 20, 0x50000009, "cards"),
    ("CardsHidEmRadio", "Button", "HID, EM-Marine", 36, 30, 521, 120, 20, 0x50000009, "cards"),
    ("CardsMifareRadio", "Button", "MIFARE, Pay", 37, 30, 542, 120, 20, 0x50000009, "cards"),
    ("ReadButton", "Button", None, 14, 10, 590, 140, 40, 0x50020000, "both"),
    ("WriteButton", "Button", None, 15, 180, 590, 140, 40, 0x50000000, "both"),
    ("IndicatorGroup", "Button", None, 0, 330, 60, 50, 520, 0x50020007, "both"),
]
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
