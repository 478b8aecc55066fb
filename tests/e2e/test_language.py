"""The language switch from the menu: the 23 re-labelled windows, the menu
bar rebuilt with its check mark, the configuration file rewritten, and the
labels that never change."""
import os
import subprocess

from panel import (CONFIG_FILE, DOTS, TAB_LABELS, check_tab_labels, panel_mismatches, radio_states,
                   text_of, title)
from kvharness import Suite

suite = Suite()

MENU = {
    "en": ["File", "Quit", "Tools", "Language", "Русский", "English", "", "Read ID",
           "Help", "Help", "", "About..."],
    "ru": ["Файл", "Выход", "Инструменты", "Язык", "Русский", "English", "", "Считать ID",
           "Помощь", "Справка", "", "О программе..."],
}
# depth, command id (None for menu titles), separator
MENU_SHAPE = [(0, None, False), (1, 16, False), (0, None, False), (1, None, False),
              (2, 17, False), (2, 18, False), (1, 0, True), (1, 19, False),
              (0, None, False), (1, 20, False), (1, 0, True), (1, 21, False)]


def check_menu(s, language, what):
    items = s.driver.wait_until(lambda: s.driver.call("menu", allow=(0, 1)).get("items"),
                                f"{what}: the menu dump", 5)
    shape = [(i["depth"], None if m[1] is None else i["id"], i["separator"])
             for i, m in zip(items, MENU_SHAPE)]
    s.equal(shape, MENU_SHAPE[:len(items)], f"{what}: menu items (depth, id, separator)")
    s.equal(len(items), len(MENU_SHAPE), f"{what}: number of menu items")
    s.equal([text_of(i) for i in items], MENU[language], f"{what}: menu texts")
    checked = [i["id"] for i in items if i["checked"]]
    s.equal(checked, [17 if language == "ru" else 18], f"{what}: checked menu items")


def check_window(s, tab, language, what):
    main = s.driver.main()
    s.equal(text_of(main, "title"), title(s.suite)[language], f"{what}: title")
    controls = s.driver.controls()
    for p in panel_mismatches(controls, tab, language):
        s.check(False, f"{what}: {p}")
    tabs = [c for c in controls if c["class"] == "SysTabControl32"]
    if tabs:
        check_tab_labels(s, tabs[0], TAB_LABELS, f"{what}: tab labels")
    return controls


def switch(s, language):
    """Chooses a language item; the switch is done when the command returns."""
    r = s.driver.command(17 if language == "ru" else 18)
    s.require(r["completed"], "the language command did not return in time")


def switch_and_check(s, tab, to, what):
    """Switches to language `to` on `tab`; the window, the menu and the saved file follow."""
    switch(s, to)
    check_window(s, tab, to, what)
    check_menu(s, to, what)
    s.equal(s.read_config(), CONFIG_FILE[(to, tab)], f"appconfig.ini {what}")
    s.shot()


@suite.scenario
def russian_to_english(s):
    s.start_idle(config=None)
    check_menu(s, "ru", "at start")
    check_window(s, "ehx", "ru", "at start")
    switch_and_check(s, "ehx", "en", "after English")


@suite.scenario
def english_to_russian(s):
    s.start_idle(config=CONFIG_FILE[("en", "usb")], locale="ru")
    check_menu(s, "en", "at start")
    switch_and_check(s, "usb", "ru", "after Russian")


@suite.scenario
def same_language_again(s):
    """Choosing the active language still saves, rebuilds the menu and leaves
    the window as it was."""
    s.start_idle(config=None)
    before = s.driver.controls()
    # Bytes the save must overwrite (its first 36) and leave (the rest).
    s.write_config(b"#" * 36 + b"tail")
    s.driver.call("menu")
    os.unlink(s.menu_file)
    switch(s, "ru")
    s.equal(s.read_config(), CONFIG_FILE[("ru", "ehx")] + b"tail", "appconfig.ini after choosing Russian again")
    s.check(os.path.exists(s.menu_file), "the menu bar was not rebuilt (no new menu dump)")
    check_menu(s, "ru", "after Russian again")
    after = check_window(s, "ehx", "ru", "after Russian again")
    keys = ("text_hex", "visible", "enabled", "checked", "style")
    s.equal([{k: c.get(k) for k in keys} for c in after], [{k: c.get(k) for k in keys} for c in before],
            "controls after choosing the active language")
    s.shot()


@suite.scenario
def switch_keeps_choices(s):
    """A switch re-labels only: check marks, greyed radios and dots stay."""
    s.start_idle(config=CONFIG_FILE[("ru", "usb")])
    s.driver.click(23)
    s.driver.click(25)
    s.driver.click(32)
    dots = list(DOTS["usb"])
    dots[0] = "0x00FF00FF"
    s.driver.wait_value(lambda: s.driver.dots("usb"), dots, "dots before the switch")
    radios = radio_states(s.driver.radios())
    enabled = {c["id"]: c["enabled"] for c in s.driver.controls()}
    switch(s, "en")
    check_window(s, "usb", "en", "after English")
    s.equal(radio_states(s.driver.radios()), radios, "check marks after the switch")
    s.equal({c["id"]: c["enabled"] for c in s.driver.controls()}, enabled, "enabled states after the switch")
    s.driver.wait_value(lambda: s.driver.dots("usb"), dots, "dots after the switch")
    s.shot()


@suite.scenario
def unwritable_file_warns_and_the_choice_holds(s):
    """A file that cannot be written: each save warns in the language of the
    moment, and the new language and tab still take effect."""
    s.start_idle(config=CONFIG_FILE[("ru", "ehx")])
    path = s.path("appconfig.ini")
    # As root a read-only mode does not stop writing: make the file immutable.
    subprocess.run(["chattr", "+i", path], check=True)
    try:
        s.driver.command(18)
        boxes = s.driver.wait_box(5000)
        s.equal([(text_of(b), b["icon"]["name"]) for b in boxes],
                [("Не удалось сохранить настройки!\nПерезапустите программу.", "program:4")],
                "the warning, in Russian (the language before the switch)")
        s.driver.press_box()
        s.driver.wait_idle(5000)
        s.equal(text_of(s.driver.main(), "title"), title(s.suite)["en"], "title after the switch")
        s.shot("language")

        s.driver.tab(1)
        boxes = s.driver.wait_box(5000)
        s.equal([text_of(b) for b in boxes], ["Failed to save settings!\nRestart the program."],
                "the warning of the tab change, now in English")
        s.driver.press_box()
        s.settle()
    finally:
        subprocess.run(["chattr", "-i", path], check=False)
    s.equal(s.read_config(), CONFIG_FILE[("ru", "ehx")], "the file is unchanged")
    tabs = [c for c in s.driver.controls() if c["class"] == "SysTabControl32"]
    s.equal(tabs[0].get("selected") if tabs else None, 1, "the second tab is selected")
    s.shot("tab")


suite.run()
