"""Searches that find nothing and readers that fail: no COM port at all,
ports with no reader (Russian interface), a reader that falls silent or
answers garbage after it was found, a port chosen by hand, and ports that
are listed but cannot be opened."""
from panel import text_of  # noqa: F401  (puts tools/harness on the path)
from kvharness import Suite
from kvharness.reader import (EHX_NOT_FOUND, EN_EHX, ERROR, GREEN, HINT, HINT_BOX, NO_PORTS, NO_REPLY,
                              PROGRESS, READ, READ_EHX, RED, RU_EHX, SEARCH, SETTINGS_READ,
                              UNRECOGNIZED, WHITE, YELLOW, CYAN, Reader, Watch, answer_boxes,
                              expect_boxes, check_panel, found, note, opening_error, unopenable_port)

suite = Suite()


def select_port(s, entry):
    """Chooses an entry of the port list as the operator does."""
    return s.driver.call("select-port", entry)


@suite.scenario
def no_com_port_at_all(s):
    """No port in the system: a warning and one empty entry; choosing that
    entry warns again and opens nothing."""
    s.start(config=EN_EHX)
    expect_boxes(s, [NO_PORTS], "first search")
    check_panel(s, "ehx", "no ports", ports=[""], selected=0, combo_enabled=True, version="x.xx")
    s.shot()
    select_port(s, 0)
    expect_boxes(s, [NO_PORTS], "choosing the empty entry")
    s.equal(s.driver.progress()["open"], False, "a progress window after choosing the empty entry")
    check_panel(s, "ehx", "after choosing the empty entry", ports=[""], combo_enabled=True)


@suite.scenario
def ports_without_reader_russian(s):
    """Two silent ports: each probed once, then not-found and the hint, in
    Russian (the bytes of code page 1251). The same search with one of the
    ports gone gives the cost of one silent probe for the notes."""
    readers = [Reader(s, s.ports.add(n), "--fault", "silent") for n in (2, 6)]
    s.start(config=RU_EHX, locale="ru")
    expect_boxes(s, [("Varko-7EHU_7EHM не найден!", ERROR),
                           ("Если Вы уверены, что считыватель подключен к ПК,\n"
                            "то выберите COM-порт из списка!", HINT)],
                "first search", caption="Сообщение")
    for r in readers:
        s.equal(r.received(), [READ_EHX], f"commands received on COM{r.port.number}")
    check_panel(s, "ehx", "nothing found", ports=["COM2", "COM6"], selected=0, combo_enabled=True,
                version="x.xx")
    s.shot()

    def search_time():
        """First probe of the scan to the not-found box."""
        counts = [len(r.received()) for r in readers]
        s.driver.click(SEARCH)
        s.driver.wait_progress(3000)
        watch = Watch(s, "wait-box", 8000)
        watch.result()
        first = min(r.events("RX")[n][2] for r, n in zip(readers, counts) if len(r.received()) > n)
        answer_boxes(s, count=2)
        return 1000 * (watch.stamp - first)

    def probe_gap():
        """From the probe of COM2 to the probe of COM6 in the last scan."""
        return 1000 * (readers[1].events("RX")[-1][2] - readers[0].events("RX")[-1][2])

    two, gaps = [], []
    for _ in range(2):
        two.append(search_time())
        gaps.append(probe_gap())
    readers[1].emulator.stop()
    s.ports.remove(readers[1].port)
    readers.pop()
    one = [search_time() for _ in range(2)]
    note(s, f"first probe to the not-found box: two silent ports {[round(t) for t in two]} ms, "
            f"one {[round(t) for t in one]} ms; difference of the means {(sum(two) - sum(one)) / 2:.0f} ms; "
            f"COM2 probe to COM6 probe {[round(g) for g in gaps]} ms (paced minimum 200 ms)")


@suite.scenario
def reader_stops_answering(s):
    """A found reader falls silent: READ reports it with the retry icon and
    the link is reset. Garbage after a fresh connection: unrecognised, then
    the same report. A search over the garbage reader stays quiet."""
    reader = Reader(s, s.ports.add(2), "--model", "U", "--settings", "W441DF")
    s.start(config=EN_EHX)
    expect_boxes(s, [SETTINGS_READ, found("U", "COM2")], "first search")
    check_panel(s, "ehx", "reader found", version="1.10", combo_enabled=False)

    reader.control("fault silent")
    s.driver.click(READ)
    expect_boxes(s, [NO_REPLY], "READ from the silent reader")
    s.equal(reader.received(), [READ_EHX] * 2, "commands received")
    check_panel(s, "ehx", "after no reply", version="x.xx", combo_enabled=True, ports=["COM2"],
                selected=0)
    s.shot()

    reader.control("fault none")
    select_port(s, "COM2")
    expect_boxes(s, [SETTINGS_READ], "choosing COM2 again")
    check_panel(s, "ehx", "connected again", version="1.10", combo_enabled=False)

    reader.control("fault garbage")
    s.driver.click(READ)
    expect_boxes(s, [UNRECOGNIZED, NO_REPLY], "READ answered with garbage")
    check_panel(s, "ehx", "after garbage", version="x.xx", combo_enabled=True)

    # With the port closed READ searches; garbage is silently passed over.
    s.driver.click(READ)
    expect_boxes(s, [EHX_NOT_FOUND, HINT_BOX], "READ (search) over the garbage reader")
    s.equal(reader.received(), [READ_EHX] * 5, "commands received in all")


@suite.scenario
def chosen_port_connects_and_reads(s):
    """The search misses a reader that is silent at that moment; choosing its
    port by hand connects and reads it."""
    reader = Reader(s, s.ports.add(3), "--model", "X", "--settings", "W441SF", "--fault", "silent")
    Reader(s, s.ports.add(1), "--fault", "silent")
    s.start(config=EN_EHX)
    expect_boxes(s, [EHX_NOT_FOUND, HINT_BOX], "first search")
    reader.control("fault none")
    select_port(s, "COM3")
    progress = s.driver.wait_progress(3000)
    s.equal(text_of(progress, "title"), PROGRESS[("read", "ehx")], "progress after choosing COM3")
    s.equal(progress["range"], [0, 2], "progress range")
    expect_boxes(s, [SETTINGS_READ], "choosing COM3")
    s.equal(reader.received(), [READ_EHX] * 2, "commands received on COM3")
    check_panel(s, "ehx", "after choosing COM3", checked=[5, 7, 10, 13], version="1.10",
                ports=["COM1", "COM3"], selected=1, combo_enabled=False,
                dots=[CYAN, RED, GREEN, YELLOW, WHITE])
    s.shot()


@suite.scenario
def listed_port_cannot_be_opened(s):
    """COM8 is listed without a device, COM9 points at a missing path: the
    scan skips both without a word; choosing one reports it. A search after
    that failed choice reports the first silent port as not responding."""
    silent = Reader(s, s.ports.add(2), "--fault", "silent")
    unopenable_port(s, 8)
    unopenable_port(s, 9, "/nonexistent/kv-no-such-tty")
    s.start(config=EN_EHX)
    expect_boxes(s, [EHX_NOT_FOUND, HINT_BOX], "first search")
    for port in ("COM8", "COM9"):
        select_port(s, port)
        expect_boxes(s, [opening_error(port)], f"choosing {port}")
        check_panel(s, "ehx", f"after choosing {port}", ports=["COM2", "COM8", "COM9"], selected=0,
                    combo_enabled=True, version="x.xx")
        if port == "COM8":
            s.shot()
    s.equal(s.driver.progress()["open"], False, "a progress window after the failed choices")
    s.driver.click(READ)
    expect_boxes(s, [NO_REPLY, EHX_NOT_FOUND, HINT_BOX],
                "READ (search) after a failed choice")
    s.equal(silent.received(), [READ_EHX] * 2, "commands received on COM2")


suite.run()
