"""Reader-side helpers of the search, read and write scenarios: emulators with
a control file and a parsed log, COM ports that cannot be opened, the boxes of
one operation answered in order (with the main window's state while each was
open), and timestamps of driver answers for the timing notes."""
import json
import os
import subprocess
import time

from .devices import SERIALCOMM, Port
from .driver import FAILED, OK, TIMEOUT, DriverError
from .wine import WINE64


class Reader:
    """kv-emulator on the far end of one port, with a control file for
    run-time changes. `t0` is the monotonic time of its start, so the `ms=`
    stamps of its log can be set against our own clock."""

    def __init__(self, scenario, port, *options):
        self.port = port
        self.control_path = scenario.path(f"control-com{port.number}")
        with open(self.control_path, "w") as f:
            f.write("")
        # The emulator appends to its log: start from an empty one, so a
        # scenario run again sees only its own traffic.
        stale = os.path.join(scenario.log_dir, f"emulator-com{port.number}.log")
        if os.path.exists(stale):
            os.unlink(stale)
        self.t0 = time.monotonic()
        self.emulator = scenario.emulator(port, "--control", self.control_path, *options)
        self.log = self.emulator.log
        self.generation = 0

    def lines(self):
        if not os.path.exists(self.log):
            return []
        with open(self.log, encoding="utf-8", errors="replace") as f:
            return [line.rstrip("\n") for line in f]

    def events(self, tag):
        """(printable text, bytes, monotonic time, fields) of every `tag` line."""
        out = []
        for line in self.lines():
            head, _, rest = line.partition("\t")
            if head.split(" ", 1)[0] != tag:
                continue
            fields = dict(p.split("=", 1) for p in rest.split("\t") if "=" in p)
            data = bytes.fromhex(fields.get("hex", ""))
            ms = int(fields.get("ms", "0"))
            out.append((head[len(tag) + 1:], data, self.t0 + ms / 1000.0, fields))
        return out

    def received(self):
        """Every command frame the reader got, as bytes, in order."""
        return [e[1] for e in self.events("RX")]

    def wait_received(self, count, timeout_s=5.0):
        end = time.monotonic() + timeout_s
        while len(self.received()) < count and time.monotonic() < end:
            time.sleep(0.02)
        return self.received()

    def control(self, *lines):
        """Applies option lines at run time and waits until the reader has
        taken every one of them (its log shows them as CTL lines)."""
        self.generation += 1
        # A comment line makes every write a change, so the same lines can be
        # applied again.
        text = f"# {self.generation}\n" + "".join(line + "\n" for line in lines)
        before = len(self.events("CTL"))
        errors_before = len(self.events("CTL-ERR"))
        tmp = self.control_path + ".tmp"
        with open(tmp, "w") as f:
            f.write(text)
        os.replace(tmp, self.control_path)
        end = time.monotonic() + 5
        while time.monotonic() < end:
            errors = self.events("CTL-ERR")[errors_before:]
            if errors:
                raise AssertionError(f"the emulator refused a control line: {errors[0][0]}")
            if len(self.events("CTL")) - before >= len(lines):
                return
            time.sleep(0.02)
        raise AssertionError(f"the emulator did not apply {lines!r} within 5 s")


def unopenable_port(scenario, number, link_target=None):
    """A COM port that the system lists but that cannot be opened: a
    SERIALCOMM value with no device link, or with a link to a missing path.
    Handed to the scenario's port list, so teardown removes it."""
    ports = scenario.ports
    value_name = f"\\Device\\Serial{number}"
    link = os.path.join(ports.dosdevices, f"com{number}")
    if os.path.lexists(link):
        os.unlink(link)
    if link_target:
        os.symlink(link_target, link)
    ports.wine.reg("add", SERIALCOMM, "/v", value_name, "/t", "REG_SZ", "/d", f"COM{number}", "/f")
    port = Port(number, value_name, None, None, None)
    ports.ports.append(port)
    return port


def box_text(box, key="text"):
    h = box.get(key + "_hex")
    return None if h is None else bytes.fromhex(h).decode("cp1251")


def answer_boxes(scenario, count=0, timeout_s=20.0):
    """Answers every box with OK until at least `count` boxes are answered
    and the program is idle; returns the boxes in order. Idle must hold for a
    moment: under Wine the main window is enabled again whenever a box
    closes, even in the middle of a port scan, so one idle look between two
    boxes of the scan proves nothing."""
    d = scenario.driver
    seen = []
    end = time.monotonic() + timeout_s
    while True:
        a = d.call("wait-idle", 250, allow=(OK, TIMEOUT))
        if a["_exit"] == OK and len(seen) >= count:
            time.sleep(0.4)
            if d.call("wait-idle", 50, allow=(OK, TIMEOUT))["_exit"] == OK:
                return seen
        # press-box says which box it answered, or fails when none is open.
        a = d.call("press-box", 1, allow=(OK, FAILED))
        if a["_exit"] == OK:
            seen.append(a["box"])
        if time.monotonic() > end:
            raise AssertionError(f"the program did not become idle within {timeout_s} s; boxes "
                                 f"answered: {[box_text(b) for b in seen]}")


def summary(boxes):
    """(text, icon) of each box: what the operator read and the picture beside it."""
    return [(box_text(b), b["icon"]["name"]) for b in boxes]


class Watch:
    """One waiting driver verb run in the background; `stamp` is the moment
    its answer was written, which a scenario sets against the emulator's log
    for the timing notes (the driver polls every 50 ms)."""

    def __init__(self, scenario, *args):
        d = scenario.driver
        self.path = scenario.path(f"watch-{time.monotonic_ns()}.json")
        self.out = open(self.path, "wb")
        cmd = [WINE64, d.exe] + [str(a) for a in args]
        if d.program_exe:
            cmd += ["--exe", d.program_exe]
        self.proc = subprocess.Popen(cmd, stdout=self.out, stderr=subprocess.DEVNULL,
                                     stdin=subprocess.DEVNULL, env=d.wine.environ(d.locale))
        self.args = args
        self.stamp = None

    def result(self, timeout_s=15.0):
        end = time.monotonic() + timeout_s
        while time.monotonic() < end:
            with open(self.path, "rb") as f:
                raw = f.read()
            if raw.strip().endswith(b"}"):
                if self.stamp is None:
                    self.stamp = time.monotonic()
                break
            if self.proc.poll() is not None and not raw.strip():
                break
            time.sleep(0.005)
        try:
            self.proc.wait(timeout=max(1.0, end - time.monotonic()))
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()
        self.out.close()
        with open(self.path, "rb") as f:
            raw = f.read().decode("ascii", "replace").strip()
        os.unlink(self.path)
        if self.proc.returncode != OK or not raw:
            raise DriverError([str(a) for a in self.args], self.proc.returncode, {}, raw or "no output")
        return json.loads(raw.splitlines()[-1])


def note(scenario, text):
    """A measured time: printed and kept with the artifacts, never judged."""
    line = f"NOTE {scenario.name}: {text}"
    print(line, flush=True)
    with open(os.path.join(scenario.suite.artifacts, "timings.txt"), "a") as f:
        f.write(line + "\n")


# ---- what the operator reads (English interface) ----
EN_EHX = b"Language = EN;\r\nTabCtrl = EHU_EHM;\r\n"
EN_USB = b"Language = EN;\r\nTabCtrl = USB_USB;\r\n"
RU_EHX = b"Language = RU;\r\nTabCtrl = EHU_EHM;\r\n"

SUCCESS, WARNING, ERROR, HINT, RETRY = (f"program:{n}" for n in range(3, 8))
SETTINGS_READ = ("Settings read!", SUCCESS)
SETTINGS_WRITTEN = ("Settings recorded!", SUCCESS)
FIRMWARE = ("Firmware version not supported!", ERROR)
NO_PORTS = ("No COM ports found in the system!", WARNING)
EHX_NOT_FOUND = ("Varko-7EHU_7EHM not found!", ERROR)
USB_NOT_FOUND = ("Varko-7-USB not found!", ERROR)
HINT_BOX = ("If you are sure that the reader is connected to the PC,\nselect a COM port from the list!",
            HINT)
NO_REPLY = ("The reader did not respond!\n(Try again or a different COM port).", RETRY)
UNRECOGNIZED = ("The answer could not be recognized!", ERROR)
INVALID_COMMAND = ("Invalid command!", ERROR)
FOUND = {"U": "Varko-7EHU reader found!", "M": "Varko-7EHM reader found!",
         "X": "Varko-7EHU_7EHM reader found!", "B": "Varko-7-USB reader found!"}
BAD_FIELD = {
    "interface": "READER INTERFACE - NOT RECOGNIZED!",
    "indication": "INDICATION CONTROL - NOT RECOGNIZED!",
    "standby": "INDICATION IN STANDBY MODE - NOT RECOGNIZED!",
    "poll": "TOUCH BUTTON POLL - NOT RECOGNIZED!",
    "mode": "READER OPERATING MODE - NOT RECOGNIZED!",
    "format": "ID CARD OUTPUT FORMAT - NOT RECOGNIZED!",
    "type": "ID CARD OUTPUT TYPE - NOT RECOGNIZED!",
    "bytes": "NUMBER OF BYTE ID CARD - NOT RECOGNIZED!",
    "cards": "CARD FOR READ - NOT RECOGNIZED!",
}
PROGRESS = {("read", "ehx"): "Reading Varko-7EHU_7EHM settings",
            ("read", "usb"): "Reading Varko-7-USB settings",
            ("write", "ehx"): "Writing Varko-7EHU_7EHM settings",
            ("write", "usb"): "Writing Varko-7-USB settings",
            ("search", "ehx"): "Search for Varko-7EHU_7EHM reader",
            ("search", "usb"): "Search for Varko-7-USB reader"}


def found(model, port):
    return (f"{FOUND[model]}\n\r->[{port}]", SUCCESS)


def opening_error(port):
    return (f"Error opening [{port}]!", ERROR)


def bad(field):
    return (BAD_FIELD[field], ERROR)


READ_EHX, READ_USB = b"AT+READS_EHX", b"AT+READS_USB"
PORT_COMBO, SEARCH, READ, WRITE, VERSION = 1, 2, 14, 15, 34
RED, GREEN, BLUE = "0x000000FF", "0x0000FF00", "0x00FF0000"
CYAN, MAGENTA, YELLOW, WHITE = "0x00FFFF00", "0x00FF00FF", "0x0000FFFF", "0x00FFFFFF"
RADIO_SETS = {"ehx": [(3, 6), (7, 8), (9, 11), (12, 13)],
              "usb": [(22, 23), (24, 25), (26, 27), (28, 32), (35, 37)]}


def panel_state(scenario, family):
    """What the panel shows of a reader: the checked radio of each group,
    the greyed radios, the version text, the port list, and the dots."""
    d = scenario.driver
    controls = {c["id"]: c for c in d.controls() if c["id"]}
    ids = [i for lo, hi in RADIO_SETS[family] for i in range(lo, hi + 1)]
    combo = controls[PORT_COMBO]
    return {
        "checked": sorted(i for i in ids if controls[i].get("checked")),
        "greyed": sorted(i for i in ids if not controls[i]["enabled"]),
        "version": box_text(controls[VERSION]),
        "ports": [box_text(e) for e in combo["entries"]],
        "selected": combo["selected"],
        "combo_enabled": combo["enabled"],
        "dots": d.dots(family),
    }


def check_panel(scenario, family, what, **expected):
    """Soft-checks the named parts of panel_state; the dots are polled a
    moment, since they appear with the next paint."""
    state = panel_state(scenario, family)
    if "dots" in expected and state["dots"] != expected["dots"]:
        try:
            state["dots"] = scenario.driver.wait_value(lambda: scenario.driver.dots(family),
                                                       expected["dots"], f"{what}: dots", 2)
        except AssertionError:
            pass
    for key, want in expected.items():
        scenario.equal(state[key], want, f"{what}: {key}")
    return state


def check_boxes(scenario, boxes, expected, what, caption="Message"):
    """The boxes of one operation, in order, by text and icon; every one a
    program message box owned by the main window with the OK button alone."""
    scenario.equal(summary(boxes), expected, f"{what}: boxes (text, icon)")
    for b in boxes:
        scenario.check(b.get("owner_is_main") and b.get("is_message_box")
                       and [x["id"] for x in b["buttons"]] == [1],
                       f"{what}: box {box_text(b)!r} is not an OK box owned by the main window")
        scenario.equal(box_text(b, "title"), caption, f"{what}: caption of {box_text(b)!r}")


def expect_boxes(scenario, expected, what, caption="Message"):
    """Answers the boxes of one operation and checks them against `expected`."""
    boxes = answer_boxes(scenario, count=len(expected))
    check_boxes(scenario, boxes, expected, what, caption)
    return boxes


def timed_exchange(s, reader, button, family="ehx", kind="read"):
    """Clicks READ or WRITE with the port open and follows the exchange: the
    progress window while it runs (title, range, a disabled main window, a
    bar that only moves forward), the command the reader got, the boxes.
    Notes the time from the command on the line to the first box. Returns
    the boxes and the commands the click sent."""
    before = len(reader.received())
    watch = Watch(s, "wait-box", 8000)
    s.driver.click(button)
    samples = []
    while True:
        p = s.driver.progress()
        if not p.get("open"):
            break
        samples.append((time.monotonic(), p))
    first_box = watch.result()
    rx = reader.events("RX")
    s.require(len(rx) > before, f"the reader got no command after clicking {button}")
    sent_at = rx[before][2]
    boxes = answer_boxes(s, count=1)
    s.require(samples, f"no progress window seen after clicking {button}")
    p = samples[0][1]
    s.equal(box_text(p, "title"), PROGRESS[(kind, family)], "progress title")
    s.equal(p["range"], [0, 2], "progress range")
    s.equal([q["main_enabled"] for _, q in samples], [False] * len(samples),
            "main window enabled while the exchange runs")
    positions = [q["position"] for _, q in samples]
    s.check(positions == sorted(positions) and set(positions) <= {0, 1},
            f"progress positions while open: {positions}")
    halves = [round((t - sent_at) * 1000) for t, q in samples if q["position"] == 1]
    note(s, f"{kind}: command on the line to the first box {1000 * (watch.stamp - sent_at):.0f} ms "
            f"(paced minimum 1060 ms); bar at half first seen {halves[:1] or 'never'} ms after the "
            f"command; positions sampled {[(round((t - sent_at) * 1000), q['position']) for t, q in samples]}")
    s.check(first_box["boxes"], "no box after the exchange")
    return boxes, reader.received()[before:]


def write_defaults_then_clicks(s, reader, family, command, radios):
    """WRITE with the tab's defaults, followed through its progress (it must
    send `command`), then WRITE again after clicking `radios`."""
    boxes, sent = timed_exchange(s, reader, WRITE, family=family, kind="write")
    s.equal(sent, [command], "command sent by WRITE after the defaults")
    check_boxes(s, boxes, [SETTINGS_WRITTEN], "WRITE of the defaults")
    for radio in radios:
        s.driver.click(radio)
    s.driver.click(WRITE)
    expect_boxes(s, [SETTINGS_WRITTEN], "WRITE after clicks")
