"""A recording stand-in for the PDF viewer: kv-driver.exe registered as the
prefix's .pdf open command writes each file the shell hands it to a list. It
is a 64-bit program outside system32, so the x86 program can start it too."""
import os
import time

from .wine import RegSnapshot

PDF_EXTENSION, PDF_CLASS = r"HKCR\.pdf", r"HKCR\pdffile"


def viewer_records(s, action, timeout_s=15.0):
    """Runs action() with the recording viewer registered and returns the
    files it was asked to open. The prefix's .pdf keys are put back after."""
    record = s.viewer_record("viewer-opened.txt")
    saved = RegSnapshot(s.suite.wine, s.dir)
    saved.save(PDF_EXTENSION)
    saved.save(PDF_CLASS)
    try:
        s.suite.wine.reg("add", PDF_EXTENSION, "/ve", "/d", "pdffile", "/f")
        s.suite.wine.reg("add", PDF_CLASS + r"\shell\open\command", "/ve", "/d",
                         s.driver.viewer_command(record), "/f")
        action()
        end = time.monotonic() + timeout_s
        while not os.path.exists(record) and time.monotonic() < end:
            time.sleep(0.1)
        time.sleep(0.3)
    finally:
        saved.restore()
    if not os.path.exists(record):
        return []
    with open(record, encoding="latin-1") as f:
        return f.read().splitlines()
