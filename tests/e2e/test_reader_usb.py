"""The Varko-7-USB reader: found through its USB hardware identifier and read
at once with the main window disabled throughout, not found, found on a port
that cannot be opened, and read, decoded and written through a port chosen
in the list, including records with bad letters and an unsupported firmware."""
import panel  # noqa: F401  (puts tools/harness on the path)
from kvharness import Suite
from kvharness.reader import (EN_USB, FIRMWARE, HINT_BOX, MAGENTA, PROGRESS, READ, READ_USB,
                              SETTINGS_READ, SETTINGS_WRITTEN, USB_NOT_FOUND, WHITE, WRITE, CYAN,
                              SEARCH, Reader, answer_boxes, bad, box_text, check_boxes, expect_boxes, check_panel,
                              found, opening_error, timed_exchange, write_defaults_then_clicks)

suite = Suite()


@suite.scenario
def usb_search_finds_and_reads(s):
    """The reader's port comes from its USB key, not from probing: the found
    box, then at once the read progress and the record, with the main window
    disabled from the search to the last box."""
    other = Reader(s, s.ports.add(2), "--fault", "silent")
    reader = Reader(s, s.ports.add(6), "--model", "B", "--firmware", "1.10", "--settings", "AHDD7EX")
    s.usb("COM6").plug()
    s.start(config=EN_USB)
    d = s.driver

    box = d.wait_box(10000)[-1]
    main_during_found = d.main()["enabled"]
    d.press_box()
    progress = d.wait_progress(3000)
    box2 = d.wait_box(5000)[-1]
    main_during_read = d.main()["enabled"]
    d.press_box()
    rest = answer_boxes(s)
    check_boxes(s, [box, box2] + rest, [found("B", "COM6"), SETTINGS_READ], "first search")
    s.equal(main_during_found, False, "main window enabled while the found box is open")
    s.equal(box_text(progress, "title"), PROGRESS[("read", "usb")], "progress after the found box")
    s.equal(progress["range"], [0, 2], "read progress range")
    s.equal(progress["main_enabled"], False, "main window enabled during the read progress")
    s.equal(main_during_read, False, "main window enabled while \"Settings read!\" is open")
    s.equal(d.main()["enabled"], True, "main window enabled at the end")
    s.equal(reader.received(), [READ_USB], "commands received on COM6")
    s.equal(other.received(), [], "commands received on COM2 (not probed)")
    check_panel(s, "usb", "record AHDD7EX", checked=[23, 24, 27, 28, 36], greyed=[], version="1.10",
                ports=["COM2", "COM6"], selected=1, combo_enabled=False,
                dots=[MAGENTA, WHITE, WHITE, WHITE, WHITE])
    s.shot()

    for radio in (22, 26, 30, 37):
        d.click(radio)
    boxes, sent = timed_exchange(s, reader, WRITE, family="usb", kind="write")
    s.equal(sent, [b"AT+WHDH4XM"], "command sent by WRITE after clicking 22, 26, 30, 37")
    check_boxes(s, boxes, [SETTINGS_WRITTEN], "WRITE")


@suite.scenario
def usb_not_found_or_not_openable(s):
    """No reader key: not-found and the hint, no port touched. A reader key
    whose port cannot be opened: found, then the opening error; the list
    keeps its selection."""
    other = Reader(s, s.ports.add(2), "--fault", "silent")
    s.start(config=EN_USB)
    expect_boxes(s, [USB_NOT_FOUND, HINT_BOX], "first search")
    s.equal(other.received(), [], "commands received on COM2")
    check_panel(s, "usb", "not found", ports=["COM2"], selected=0, combo_enabled=True, version="x.xx")
    s.shot()

    s.usb("COM9").plug()
    s.driver.click(SEARCH)
    expect_boxes(s, [found("B", "COM9"), opening_error("COM9")], "search with the reader on COM9")
    check_panel(s, "usb", "after the opening error", ports=["COM2"], selected=0, combo_enabled=True,
                version="x.xx")
    s.equal(s.driver.progress()["open"], False, "a progress window after the opening error")


@suite.scenario
def usb_chosen_port_reads_and_writes(s):
    """Without a reader key the operator picks the port: the record is read
    and shown, WRITE sends the defaults and then the clicked choices, and a
    READ brings back what was written."""
    reader = Reader(s, s.ports.add(3), "--model", "B", "--firmware", "1.00")
    s.start(config=EN_USB)
    expect_boxes(s, [USB_NOT_FOUND, HINT_BOX], "first search")
    s.driver.call("select-port", "COM3")
    expect_boxes(s, [SETTINGS_READ], "choosing COM3")
    check_panel(s, "usb", "defaults from a 1.00 reader", checked=[22, 24, 26, 29, 35], greyed=[28],
                version="1.00", selected=0, combo_enabled=False,
                dots=[CYAN, WHITE, WHITE, WHITE, WHITE])

    write_defaults_then_clicks(s, reader, "usb", b"AT+WHDH5EM", (23, 25, 31, 37))
    boxes, sent = timed_exchange(s, reader, READ, family="usb")
    check_boxes(s, boxes, [SETTINGS_READ], "READ after the writes")
    s.equal(reader.received(), [READ_USB, b"AT+WHDH5EM", b"AT+ATMX3XM", READ_USB], "commands received")
    # Touch Memory output greys the type and 7-byte choices; HEX stays checked.
    check_panel(s, "usb", "read back", checked=[23, 25, 26, 31, 37], greyed=[26, 27, 28],
                version="1.00", combo_enabled=False, dots=[MAGENTA, WHITE, WHITE, WHITE, WHITE])
    s.shot()


@suite.scenario
def usb_bad_records(s):
    """Bad letters: one box per field in field order, the rest applied. An
    unsupported firmware resets the link."""
    reader = Reader(s, s.ports.add(4), "--model", "B", "--firmware", "1.10", "--settings", "ATMX2XM")
    s.usb("COM4").plug()
    s.start(config=EN_USB)
    expect_boxes(s, [found("B", "COM4"), SETTINGS_READ], "first search")
    check_panel(s, "usb", "record ATMX2XM", checked=[23, 25, 26, 32, 37], greyed=[26, 27, 28])

    reader.control("settings WHDH5EX", "bad-field mode=Z", "bad-field type=Q", "bad-field bytes=6",
                   "bad-field cards=MM")
    s.driver.click(READ)
    expect_boxes(s, [SETTINGS_READ] + [bad(f) for f in ("mode", "type", "bytes", "cards")],
                "READ of ZHDQ6MM")
    # Only the output format was good: HEX or DEC checked, its type choices offered again.
    check_panel(s, "usb", "after ZHDQ6MM", checked=[23, 24, 26, 32, 37], greyed=[], version="1.10",
                combo_enabled=False, dots=[MAGENTA, WHITE, WHITE, WHITE, WHITE])
    s.shot()

    reader.control("bad-field none", "bad-field format=XY")
    s.driver.click(READ)
    expect_boxes(s, [SETTINGS_READ, bad("format")], "READ of WXYH5EX")
    check_panel(s, "usb", "after WXYH5EX", checked=[22, 24, 26, 29, 36], combo_enabled=False,
                dots=[CYAN, WHITE, WHITE, WHITE, WHITE])

    reader.control("bad-field none", "firmware 1.20")
    s.driver.click(READ)
    expect_boxes(s, [SETTINGS_READ, FIRMWARE], "READ of a 1.20 record")
    check_panel(s, "usb", "after firmware 1.20", version="x.xx", combo_enabled=True,
                checked=[22, 24, 26, 29, 36])
    s.equal(reader.received(), [READ_USB] * 4, "commands received")


suite.run()
