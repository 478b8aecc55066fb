"""Help opens the PDF manual through the shell and reports each way that can
fail; About follows the interface language and closes by OK, Esc and its
close box."""
import os
import shutil
import time

from panel import CAPTION, CONFIG_FILE, text_of
from kvharness import TIMEOUT, RegSnapshot, Suite, manual_name, winpath

suite = Suite()

HELP, ABOUT, RUSSIAN, ENGLISH = 20, 21, 17, 18
MANUAL = manual_name(suite.release)
WARNING_ICON, ERROR_ICON, HINT_ICON = "program:4", "program:5", "program:6"
NOT_FOUND = [
    (f"File not found!\n\rCheck for the presence of the help file ({MANUAL}).", ERROR_ICON),
    ("Open the help folder where the application is installed.\n\rDefault: C:\\KernoVarko-7 v.x.x\\help",
     HINT_ICON),
]
NO_VIEWER = [("Help file cannot be opened!", WARNING_ICON), ("Install a PDF viewer on your PC.", HINT_ICON)]
FAILED = {
    "en": "Opening the help file failed!\n\r[Error code: 5]",
    "ru": "Открытие файла справки завершилось неудачей!\n\r[Код ошибки: 5]",
}
ABOUT_TITLE = {"ru": "О программе...", "en": "About..."}
ABOUT_TEXT = {
    "ru": f"Конфигуратор считывателя:\n\rKernoVarko-7.\n\n\rВерсия:   {suite.release} ({suite.arch})\n\n\r",
    "en": f"Reader configurator:\n\rKernoVarko-7.\n\n\rVersion:   {suite.release} ({suite.arch})\n\n\r",
}
# The shell's .pdf association in a fresh prefix: the class and its command.
PDF_EXTENSION, PDF_CLASS = r"HKCR\.pdf", r"HKCR\pdffile"


def manual_source(s):
    for p in (os.path.join(s.suite.build, "help", MANUAL),
              os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "help", MANUAL)):
        if os.path.exists(p):
            return p
    raise AssertionError(f"no built manual {MANUAL} in the build tree or the repository")


def add_manual(s):
    os.makedirs(s.path("help"), exist_ok=True)
    shutil.copy(manual_source(s), s.path(os.path.join("help", MANUAL)))


def help_boxes(s, expected, language, what, command=True):
    """Help (unless already chosen), then the boxes in order, each checked
    and answered with OK."""
    if command:
        s.driver.command(HELP)
    seen = []
    for _ in expected:
        boxes = s.driver.call("wait-box", 5000, allow=(0, 4)).get("boxes", [])
        if not boxes:
            break
        seen.append(s.driver.press_box())
    s.equal([(text_of(b), b["icon"]["name"]) for b in seen], expected, f"{what}: boxes (text, icon)")
    for b in seen:
        s.equal(text_of(b, "title"), CAPTION[language], f"{what}: box caption")
        s.check(b["owner_is_main"], f"{what}: a box not owned by the main window")
    s.driver.wait_idle(5000)
    s.equal(s.driver.boxes(), [], f"{what}: boxes after the last one")


def set_pdf_command(s, command):
    s.suite.wine.reg("add", PDF_EXTENSION, "/ve", "/d", "pdffile", "/f")
    s.suite.wine.reg("add", PDF_CLASS + r"\shell\open\command", "/ve", "/d", command, "/f")


def with_pdf_association(s, change):
    """Runs change() with the prefix's .pdf keys saved, and restores them
    whatever happens."""
    saved = RegSnapshot(s.suite.wine, s.dir)
    saved.save(PDF_EXTENSION)
    saved.save(PDF_CLASS)
    try:
        change()
    finally:
        saved.restore()


@suite.scenario
def help_without_folder(s):
    """No "help" folder in the working directory: the error, then the hint
    where the folder is, even though the manual stands beside the exe. A
    recording viewer is registered so that a wrongly found file shows up."""
    s.start_idle(config=CONFIG_FILE[("en", "ehx")])
    record = s.viewer_record()

    def opened():
        return open(record, encoding="latin-1").read().splitlines() if os.path.exists(record) else []

    def run():
        set_pdf_command(s, s.driver.viewer_command(record))
        s.driver.command(HELP)
        s.driver.call("wait-box", 5000, allow=(0, TIMEOUT))
        s.shot()
        help_boxes(s, NOT_FOUND, "en", "help without folder", command=False)
        # An empty folder is the same: the file is missing.
        os.makedirs(s.path("help"))
        help_boxes(s, NOT_FOUND, "en", "help with an empty folder")
        time.sleep(1)
        s.equal(opened(), [], "files the viewer was asked to open")
    with_pdf_association(s, run)


@suite.scenario
def help_without_viewer(s):
    """The manual is there but no program opens .pdf files."""
    add_manual(s)
    s.start_idle(config=CONFIG_FILE[("en", "ehx")])

    def run():
        s.suite.wine.reg_quiet("delete", PDF_EXTENSION, "/f")
        s.suite.wine.reg_quiet("delete", PDF_CLASS, "/f")
        s.driver.command(HELP)
        s.driver.wait_box(5000)
        s.shot()
        s.settle()
        help_boxes(s, NO_VIEWER, "en", "no .pdf association")
        # An extension that names a class without an open command is the same.
        s.suite.wine.reg("add", PDF_EXTENSION, "/ve", "/d", "pdffile", "/f")
        help_boxes(s, NO_VIEWER, "en", ".pdf naming a missing class")
    with_pdf_association(s, run)


@suite.scenario
def help_opens_manual(s):
    """With a viewer registered the shell gets the manual of the working
    directory, and the program shows nothing."""
    add_manual(s)
    record = s.viewer_record()
    s.start_idle(config=CONFIG_FILE[("en", "ehx")])

    def run():
        set_pdf_command(s, s.driver.viewer_command(record))
        s.driver.command(HELP)
        end = time.monotonic() + 10
        while not os.path.exists(record) and time.monotonic() < end:
            time.sleep(0.1)
        s.driver.wait_idle(5000)
        s.shot()
        s.equal(s.driver.boxes(), [], "boxes after Help with a viewer")
        opened = open(record, encoding="latin-1").read().splitlines() if os.path.exists(record) else []
        want = winpath(s.path(os.path.join("help", MANUAL))).lower()
        s.equal([p.lower() for p in opened], [want], "files the viewer was asked to open")
    with_pdf_association(s, run)


@suite.scenario
def help_access_denied(s):
    """A viewer command the shell cannot start (a folder: error 5) gives one
    error box quoting the number, in the interface language."""
    add_manual(s)

    def run():
        set_pdf_command(s, r'"C:\windows" "%1"')
        for language, locale in (("en", None), ("ru", "ru")):
            s.start_idle(config=CONFIG_FILE[(language, "ehx")], locale=locale)
            if language == "en":
                s.driver.command(HELP)
                s.driver.wait_box(5000)
                s.shot()
                s.driver.press_box()
                s.driver.wait_idle(5000)
            help_boxes(s, [(FAILED[language], ERROR_ICON)], language, f"access denied ({language})")
            s.stop_programs()
    with_pdf_association(s, run)


def about_closes(s, language, how):
    """About in the current language, closed one way; the main window is
    disabled meanwhile and enabled after."""
    a = s.driver.command(ABOUT)
    s.check(a.get("modal_opened") or a.get("completed") is not None, f"About: driver answered {a}")
    d = s.driver.wait_window("#32770", 5)
    s.require(d, "no About dialog")
    s.equal(d["title"], ABOUT_TITLE[language], f"About title ({language})")
    texts = [c["text"] for c in d["children"]]
    s.check(any(t.startswith(ABOUT_TEXT[language]) for t in texts),
            f"About ({language}): no text starting {ABOUT_TEXT[language]!r}; texts {texts}")
    buttons = [(c["id"], c["text"]) for c in d["children"] if c["class"].lower() == "button" and c["id"] == 1]
    s.equal(buttons, [(1, "OK")], f"About ({language}): the OK button")
    s.check(d["owner_is_main"], "the About dialog is not owned by the main window")
    s.equal(d["main_enabled"], False, f"main window enabled while About is open ({how})")
    if how == "ok":
        s.driver.press_box(1)
    elif how == "esc":
        r = s.driver.key("#32770", 0x1B)
        s.check(r["ok"], f"Esc did not close About: {r}")
        print(f"    note {s.name}: Esc sent as {'real input' if r.get('real_input') else 'a posted key'}",
              flush=True)
    else:
        r = s.driver.close_box("#32770")
        s.check(r["ok"], f"the close box did not close About: {r}")
    s.check(s.driver.window("#32770") is None, f"About still open after {how}")
    s.equal(s.driver.main()["enabled"], True, f"main window enabled after About closed by {how}")


@suite.scenario
def about_follows_language(s):
    # Code page 1251 for the program and the driver, so the title reads
    # back as Cyrillic.
    s.start_idle(config=CONFIG_FILE[("ru", "ehx")], locale="ru")
    s.driver.command(ABOUT)
    s.driver.wait_box(5000)
    s.shot()
    s.driver.press_box(1)
    for how in ("ok", "esc", "close box"):
        about_closes(s, "ru", how)
    s.driver.command(ENGLISH)
    for how in ("ok", "esc", "close box"):
        about_closes(s, "en", how)
    s.driver.command(RUSSIAN)
    about_closes(s, "ru", "ok")


suite.run()
