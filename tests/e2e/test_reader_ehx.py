"""Finding, reading and writing a Varko-7EHU/EHM reader over pty-backed COM
ports: the port scan with silent ports and an unsupported firmware before
the reader, READ with its progress, records with bad letters, and WRITE with
the letters of the panel."""
import panel  # noqa: F401  (puts tools/harness on the path)
from kvharness import Suite
from kvharness.reader import (BLUE, CYAN, EHX_NOT_FOUND, EN_EHX, FIRMWARE, GREEN, HINT_BOX,
                              MAGENTA, READ, READ_EHX, RED, SEARCH, SETTINGS_READ,
                              WHITE, WRITE, YELLOW, Reader, answer_boxes, bad,
                              check_boxes, expect_boxes, check_panel, found, note, timed_exchange,
                              write_defaults_then_clicks)

suite = Suite()


@suite.scenario
def scan_skips_silent_ports(s):
    """COM1 and COM3 are probed and stay silent; the EHU reader on COM4 is
    found and its settings fill the panel."""
    silent = [Reader(s, s.ports.add(n), "--fault", "silent") for n in (1, 3)]
    reader = Reader(s, s.ports.add(4), "--model", "U", "--firmware", "1.10", "--settings", "W440SO")
    s.start(config=EN_EHX)
    expect_boxes(s, [SETTINGS_READ, found("U", "COM4")], "first search")
    for r in silent + [reader]:
        s.equal(r.received(), [READ_EHX], f"commands received on COM{r.port.number}")
    check_panel(s, "ehx", "after the search", checked=[5, 8, 10, 12], greyed=[6], version="1.10",
                ports=["COM1", "COM3", "COM4"], selected=2, combo_enabled=False,
                dots=[CYAN, BLUE, GREEN, RED, WHITE])
    s.equal(s.driver.main()["enabled"], True, "main window enabled after the search")
    t = [r.events("RX")[0][2] for r in silent + [reader]]
    note(s, f"one silent port, from its probe to the next port's probe: COM1 {1000 * (t[1] - t[0]):.0f} ms, "
            f"COM3 {1000 * (t[2] - t[1]):.0f} ms (paced minimum 200 ms)")
    s.shot()


@suite.scenario
def scan_skips_unsupported_firmware(s):
    """A reader with firmware 1.20 answers but is passed over; the next port's
    EHX reader is taken. With 1.20 on both, the search ends in not-found."""
    old = Reader(s, s.ports.add(1), "--model", "U", "--firmware", "1.20", "--settings", "W261DO")
    good = Reader(s, s.ports.add(2), "--model", "X", "--firmware", "1.00", "--settings", "TMX0DO")
    s.start(config=EN_EHX)
    expect_boxes(s, [SETTINGS_READ, FIRMWARE, SETTINGS_READ, found("X", "COM2")], "first search")
    s.equal(old.received(), [READ_EHX], "commands received on COM1")
    check_panel(s, "ehx", "reader with firmware 1.00 found", checked=[3, 8, 9, 12], greyed=[6],
                version="1.00", selected=1, combo_enabled=False, dots=[RED, BLUE, RED, RED, WHITE])
    s.shot()

    good.control("firmware 1.20")
    s.driver.click(SEARCH)
    expect_boxes(s, [SETTINGS_READ, FIRMWARE, SETTINGS_READ, FIRMWARE, EHX_NOT_FOUND, HINT_BOX],
                "search with firmware 1.20 on both ports")
    check_panel(s, "ehx", "nothing found", version="x.xx", combo_enabled=True, selected=0)
    s.equal(good.received(), [READ_EHX] * 2, "commands received on COM2")


@suite.scenario
def read_shows_progress_and_record(s):
    """READ with the port open: the read progress, then the record, for an
    EHM reader on 1.10 (Wiegand 58 offered) and on 1.00 (withdrawn)."""
    reader = Reader(s, s.ports.add(2), "--model", "M", "--firmware", "1.10")
    s.start(config=EN_EHX)
    expect_boxes(s, [SETTINGS_READ, found("M", "COM2")], "first search")
    check_panel(s, "ehx", "defaults from the reader", checked=[3, 7, 11, 13], greyed=[],
                dots=[RED, RED, MAGENTA, YELLOW, WHITE])

    reader.control("settings W581DO")
    boxes, sent = timed_exchange(s, reader, READ)
    s.equal(sent, [READ_EHX], "command sent by READ")
    check_boxes(s, boxes, [SETTINGS_READ], "READ")
    check_panel(s, "ehx", "W581DO from an EHM on 1.10", checked=[6, 7, 9, 12], greyed=[], version="1.10",
                combo_enabled=False, dots=[MAGENTA, RED, RED, RED, WHITE])
    s.shot()

    reader.control("firmware 1.00", "settings W260AF")
    boxes, sent = timed_exchange(s, reader, READ)
    check_boxes(s, boxes, [SETTINGS_READ], "READ of a 1.00 record")
    check_panel(s, "ehx", "W260AF on 1.00", checked=[4, 8, 11, 13], greyed=[6], version="1.00",
                combo_enabled=False, dots=[GREEN, BLUE, MAGENTA, YELLOW, WHITE])


@suite.scenario
def read_bad_letters_one_box_each(s):
    """A record with letters outside the table: one box per bad field in
    field order; the good fields are applied and the link stays open. A
    record of an unsupported version changes nothing and keeps the link."""
    reader = Reader(s, s.ports.add(3), "--model", "U", "--settings", "W261SO")
    s.start(config=EN_EHX)
    expect_boxes(s, [SETTINGS_READ, found("U", "COM3")], "first search")

    reader.control("settings TMX1AF", "bad-field indication=2", "bad-field poll=Q")
    s.driver.click(READ)
    expect_boxes(s, [SETTINGS_READ, bad("indication"), bad("poll")],
                "READ of TMX2AQ")
    # Interface and standby taken from the record; the other two as before.
    check_panel(s, "ehx", "after TMX2AQ", checked=[3, 7, 11, 12], version="1.10",
                combo_enabled=False, dots=[RED, RED, MAGENTA, RED, WHITE])

    reader.control("bad-field none", "bad-field interface=W27", "bad-field indication=5",
                   "bad-field standby=X", "bad-field poll=Z", "settings W440DF")
    s.driver.click(READ)
    expect_boxes(s, [SETTINGS_READ] + [bad(f) for f in ("interface", "indication", "standby", "poll")],
                "READ of W275XZ")
    check_panel(s, "ehx", "after W275XZ: nothing changed", checked=[3, 7, 11, 12], version="1.10",
                combo_enabled=False, dots=[RED, RED, MAGENTA, RED, WHITE])
    s.shot()

    reader.control("bad-field none", "bad-field interface=T26")
    s.driver.click(READ)
    expect_boxes(s, [SETTINGS_READ, bad("interface")], "READ of T260DF")
    check_panel(s, "ehx", "after T260DF", checked=[3, 8, 9, 13], dots=[RED, BLUE, RED, YELLOW, WHITE])

    # An unsupported version leaves panel and link as they were.
    reader.control("bad-field none", "firmware 1.20", "settings W581SO")
    s.driver.click(READ)
    expect_boxes(s, [SETTINGS_READ, FIRMWARE], "READ of a 1.20 record")
    check_panel(s, "ehx", "after the 1.20 record", checked=[3, 8, 9, 13], version="1.10",
                combo_enabled=False, dots=[RED, BLUE, RED, YELLOW, WHITE])
    reader.control("firmware 1.00")
    s.driver.click(READ)
    expect_boxes(s, [SETTINGS_READ], "READ on the same link")
    check_panel(s, "ehx", "after W581SO on 1.00", checked=[6, 7, 10, 12], greyed=[6], version="1.00",
                combo_enabled=False)
    s.equal(reader.received(), [READ_EHX] * 6, "commands received")


@suite.scenario
def write_sends_panel_letters(s):
    """WRITE sends "AT+" and the six letters of the panel: the defaults as a
    reader holding them reports them, then the choices clicked."""
    reader = Reader(s, s.ports.add(5), "--model", "U")
    s.start(config=EN_EHX)
    expect_boxes(s, [SETTINGS_READ, found("U", "COM5")], "first search")
    check_panel(s, "ehx", "defaults", checked=[3, 7, 11, 13])

    write_defaults_then_clicks(s, reader, "ehx", b"AT+TMX1AF", (5, 8, 10, 12))
    s.equal(reader.received()[2:], [b"AT+W440SO"], "command sent by WRITE after clicking 5, 8, 10, 12")
    s.shot()

    for radio in (4, 7, 9, 13):
        s.driver.click(radio)
    s.driver.click(WRITE)
    answer_boxes(s, count=1)
    # The reader keeps what was written: a READ brings it back.
    s.driver.click(READ)
    expect_boxes(s, [SETTINGS_READ], "READ after the writes")
    s.equal(reader.received()[3:], [b"AT+W261DF", READ_EHX], "commands after clicking 4, 7, 9, 13")
    check_panel(s, "ehx", "read back", checked=[4, 7, 9, 13], version="1.10", combo_enabled=False,
                dots=[GREEN, RED, RED, YELLOW, WHITE])


suite.run()
