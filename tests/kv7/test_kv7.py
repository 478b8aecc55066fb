#!/usr/bin/env python3
"""kv7 against the reader emulator on pseudo-terminals.

Usage: test_kv7.py PATH/TO/kv7 PATH/TO/kv-emulator

Each emulated reader sits on one end of a socat pty pair and kv7 opens the
other end. What the reader received is taken from the emulator's log, so a
refusal can be shown to have sent nothing. Needs socat. Standard library only.
"""
import csv
import fcntl
import json
import os
import re
import select
import signal
import subprocess
import sys
import tempfile
import time

KV7 = EMU = WORK = None
passes = 0
failures = []
running = []   # every process started here, stopped at the end whatever happens


def check(ok, what):
    global passes
    if ok:
        passes += 1
    else:
        failures.append(what)
        print("FAIL:", what, flush=True)


def wait_for(pred, timeout=5.0):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        if pred():
            return True
        time.sleep(0.02)
    return False


def start(args, **kw):
    proc = subprocess.Popen(args, **kw)
    running.append(proc)
    return proc


def stop(proc):
    if proc.poll() is None:
        proc.terminate()
        try:
            proc.wait(3)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()
    for stream in (proc.stdout, proc.stderr):
        if stream:
            stream.close()
    running.remove(proc)


def kv7(*args, env=None, timeout=20):
    """Exit code, stdout, stderr and seconds of one kv7 run."""
    t0 = time.monotonic()
    try:
        p = subprocess.run([KV7, *args], capture_output=True, text=True, timeout=timeout, env=env)
    except subprocess.TimeoutExpired:
        return None, "", "timed out", timeout
    return p.returncode, p.stdout, p.stderr, time.monotonic() - t0


def write_file(name, text):
    path = os.path.join(WORK, name)
    with open(path, "w", newline="", encoding="utf-8") as f:
        f.write(text)
    return path


class Reader:
    """An emulated reader; kv7 talks to it on .port."""
    count = 0

    def __init__(self, *args):
        Reader.count += 1
        base = os.path.join(WORK, "r%d" % Reader.count)
        self.port, far = base, base + ".far"
        self.log, self.control = base + ".emu.log", base + ".ctl"
        open(self.control, "w").close()
        self.socat = start(["socat", "pty,raw,echo=0,link=" + far, "pty,raw,echo=0,link=" + self.port],
                           stderr=subprocess.DEVNULL)
        wait_for(lambda: os.path.exists(far) and os.path.exists(self.port))
        self.emu = start([EMU, "--log", self.log, "--control", self.control, *args, far],
                         stdout=subprocess.PIPE, text=True)
        check(self.emu.stdout.readline().startswith("ready"), "emulator %s ready" % (args,))
        self.mark()

    def log_lines(self):
        with open(self.log, "rb") as f:
            return f.read().decode("latin-1").splitlines()

    def mark(self):
        self.seen = len(self.log_lines())

    def received(self):
        """Kinds of the frames received since the last mark."""
        return [re.search(r"kind=(\w+)", l).group(1) for l in self.log_lines()[self.seen:] if l.startswith("RX ")]

    def letters(self):
        """The settings letters of its last settings reply."""
        replies = [l for l in self.log_lines() if l.startswith("TX ") and "READS_" in l and " >> " in l]
        return replies[-1].split("\t")[0].split(" >> ")[1][4:] if replies else None

    def set(self, *lines):
        """Changes the emulator at run time and waits until it took the lines."""
        before = sum(l.startswith("CTL") for l in self.log_lines())
        with open(self.control + ".tmp", "w") as f:
            f.write("\n".join(lines) + "\n")
        os.replace(self.control + ".tmp", self.control)
        check(wait_for(lambda: sum(l.startswith("CTL ") for l in self.log_lines()) >= before + len(lines)),
              "control %s applied" % (lines,))
        self.mark()

    def stop(self):
        stop(self.emu)
        stop(self.socat)


def refused(reader, code, err, *words, sent=("read",)):
    """A refusal: its exit code, the words its message must hold, and only the settings read sent."""
    check(code == 1, "exit 1 for %s, got %r: %s" % (words, code, err))
    check(all(w in err for w in words), "message holds %s: %r" % (words, err))
    check(reader.received() in ([], list(sent)), "nothing but the settings read sent: %s" % reader.received())
    reader.mark()


def test_commands():
    r = Reader("--model", "M", "--card", "255,168496141", "--settings", "TMX1AF")
    for cmd in ("ports", "find", "read", "write", "save", "apply", "card"):
        code, out, _, _ = kv7(cmd, "--help")
        check(code == 0 and out.startswith("usage: kv7 " + cmd), "%s --help: %r %r" % (cmd, code, out[:40]))
    code, out, _, _ = kv7("--version")
    check(code == 0 and re.fullmatch(r"kv7 \d\.\d\d\n", out), "kv7 --version: %r" % out)
    code, out, _, _ = kv7("--help")
    check(code == 0 and all(c in out for c in ("kv7 find", "kv7 apply FILE --each")), "kv7 --help")
    for bad in ([], ["frob"], ["read", "--frob"], ["read", "--port", r.port, "extra"], ["card", "--count", "2"],
                ["write", "--port", r.port], ["find", "--family", "rs485"]):
        code, _, err, _ = kv7(*bad)
        check(code == 1 and "usage:" in err, "usage error %s: %r %r" % (bad, code, err))
    check(r.received() == [], "usage errors send nothing")

    code, out, _, _ = kv7("find", "--port", r.port)
    check(code == 0 and out == "%s Varko-7EHM 1.10\n" % r.port, "find: %r %r" % (code, out))
    code, out, _, _ = kv7("read", "--port", r.port)
    check(code == 0 and out.startswith("# Varko-7EHM 1.10 on %s\nfamily = ehx\n" % r.port)
          and "interface = touch-memory\n" in out, "read: %r %r" % (code, out))
    code, out, _, _ = kv7("read", "--json", "--port", r.port)
    try:
        obj = json.loads(out)
    except ValueError:
        obj = {}
    check(code == 0 and obj.get("port") == r.port and obj.get("model") == "Varko-7EHM" and obj.get("family") == "ehx"
          and obj.get("record") == "TMX1AF" and obj.get("settings", {}).get("touch-poll") == "off",
          "read --json: %r %r" % (code, out))

    # Input is case-insensitive; the traffic log records the whole exchange.
    log = os.path.join(WORK, "traffic.log")
    r.mark()
    code, out, err, _ = kv7("write", "--port", r.port, "--log", log, "Interface=WIEGAND44", "standby=Static")
    check(code == 0 and "interface = wiegand44\n" in out and "standby = static\n" in out, "write: %r %r %r" % (code, out, err))
    check(r.received() == ["read", "write", "read"] and r.letters() == "W441SF", "write with read-back: %s %s"
          % (r.received(), r.letters()))
    check_traffic_log(log, r)

    code, out, _, _ = kv7("card", "--port", r.port)
    check(code == 0 and out == "card 0000000255 000000FF cipher 0168496141 10.11.12.13\n", "card: %r %r" % (code, out))
    code, out, _, _ = kv7("card", "--json", "--port", r.port)
    obj = json.loads(out) if code == 0 else {}
    check(obj.get("card") == "0000000255" and obj.get("cipher_dotted") == "10.11.12.13", "card --json: %r" % out)

    # The port cannot be opened: missing, or held by another program.
    code, _, err, _ = kv7("read", "--port", os.path.join(WORK, "nothing"))
    check(code == 2 and "nothing" in err and "No such file" in err, "missing port: %r %r" % (code, err))
    fd = os.open(r.port, os.O_RDWR | os.O_NOCTTY | os.O_NONBLOCK)
    fcntl.flock(fd, fcntl.LOCK_EX)
    code, _, err, _ = kv7("read", "--port", r.port)
    os.close(fd)
    check(code == 2 and "busy" in err, "busy port: %r %r" % (code, err))
    r.stop()


def unescape(text):
    """The bytes of the log's printable form: \\n, \\r, \\xNN, and \\ before a quoted character."""
    def one(m):
        e = m.group(1)
        return b"\n" if e == b"n" else b"\r" if e == b"r" else bytes.fromhex(e[1:].decode()) if len(e) == 3 else e
    return re.sub(rb"\\(x[0-9A-F]{2}|.)", one, text.encode("latin-1"))


def check_traffic_log(path, reader):
    with open(path, encoding="latin-1") as f:
        lines = f.read().splitlines()
    pattern = re.compile(r'^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} (TX|RX) (\S+) "(.*)" hex=([0-9A-F]+)$')
    parsed = [pattern.match(l) for l in lines]
    check(len(lines) == 6 and all(parsed), "six log lines of the set form: %r" % lines)
    parsed = [m for m in parsed if m]
    check([m.group(1) for m in parsed] == ["TX", "RX"] * 3 and all(m.group(2) == reader.port for m in parsed),
          "directions and port in the log")
    check(all(unescape(m.group(3)) == bytes.fromhex(m.group(4)) for m in parsed), "printable text matches the hex")
    emu_tx = [re.search(r"hex=(\w+)", l).group(1) for l in reader.log_lines() if l.startswith("TX ")][-3:]
    check([m.group(4) for m in parsed if m.group(1) == "RX"] == emu_tx, "the log holds the bytes the reader sent")


def test_round_trip():
    source = Reader("--model", "M", "--settings", "W440SO")
    target = Reader("--model", "M", "--settings", "TMX1AF")
    profile = os.path.join(WORK, "saved.profile")
    code, _, _, _ = kv7("save", profile, "--port", source.port)
    check(code == 0 and open(profile).read().startswith("# Varko-7EHM 1.10 on"), "save: %r" % code)
    code, out, err, _ = kv7("apply", profile, "--port", target.port)
    check(code == 0 and target.letters() == "W440SO", "apply ends with the saved settings: %r %r %s"
          % (code, err, target.letters()))
    # Keys left out keep the reader's values; a byte-order mark, comments and
    # CR LF lines are fine.
    partial = write_file("partial.profile", "\ufeffFamily = EHX\r\n# from the office\r\n  Interface=Wiegand26  # site B\r\n")
    code, _, err, _ = kv7("apply", partial, "--port", target.port)
    check(code == 0 and target.letters() == "W260SO", "partial profile: %r %r %s" % (code, err, target.letters()))
    source.stop()
    target.stop()


def test_refusals():
    ehu = Reader("--model", "U")
    for text, line, words in (
            ("family = ehx\ncolour = red\n", 2, ["colour", "interface"]),
            ("family = ehx\ninterface = wiegand99\n", 2, ["wiegand99", "wiegand26"]),
            ("family = ehx\nstandby = static\n\nstandby = off\n", 4, ["standby"]),
            ("family = ehx\ninterface wiegand26\n", 2, ["key = value"])):
        path = write_file("bad.profile", text)
        code, _, err, _ = kv7("apply", path, "--port", ehu.port)
        refused(ehu, code, err, "%s:%d" % (path, line), *words)
    code, _, err, _ = kv7("write", "--port", ehu.port, "colour=red")
    refused(ehu, code, err, "colour")
    code, _, err, _ = kv7("apply", write_file("usb.profile", "family = usb\ncards = all\n"), "--port", ehu.port)
    refused(ehu, code, err, "usb", "ehx")
    w58 = write_file("w58.profile", "family = ehx\ninterface = wiegand58\n")
    code, _, err, _ = kv7("apply", w58, "--port", ehu.port)
    refused(ehu, code, err, "wiegand58", "EHU")
    ehu.stop()

    old_ehm = Reader("--model", "M", "--firmware", "1.00")
    code, _, err, _ = kv7("apply", w58, "--port", old_ehm.port)
    refused(old_ehm, code, err, "wiegand58", "1.00")
    code, _, err, _ = kv7("card", "--port", old_ehm.port)
    check(code == 3 and old_ehm.received() == ["read"], "card on 1.00 refused: %r %r %s" % (code, err, old_ehm.received()))
    old_ehm.stop()

    old_usb = Reader("--model", "B", "--firmware", "1.00")
    code, _, err, _ = kv7("write", "--port", old_usb.port, "id-bytes=7")
    refused(old_usb, code, err, "id-bytes", "1.00", sent=("unknown", "read"))
    old_usb.stop()

    # Firmware the window refuses: shown with a warning, never written.
    new = Reader("--model", "U", "--firmware", "1.20")
    code, out, err, _ = kv7("read", "--port", new.port)
    check(code == 3 and "family = ehx" in out and "1.20" in err, "1.20 read: %r %r %r" % (code, out, err))
    code, _, err, _ = kv7("write", "--port", new.port, "standby=static")
    code2, _, _, _ = kv7("apply", w58, "--port", new.port)
    check(code == 3 and code2 == 3 and "write" not in new.received(), "1.20 never written: %r %r %s"
          % (code, code2, new.received()))
    new.stop()


def test_faults():
    r = Reader("--model", "M")
    log = os.path.join(WORK, "faults.log")
    for fault, on, args in (("silent", "all", ["read"]), ("garbage", "all", ["read"]), ("cut:20", "all", ["read"]),
                            ("long", "all", ["read"]), ("gap:20", "all", ["read"]),
                            ("cut:8", "write", ["write", "touch-poll=on"]), ("silent", "ids", ["card"])):
        r.set("reset", "fault " + fault, "fault-on " + on)
        code, _, err, took = kv7(*args, "--port", r.port, "--log", log)
        check(code == 3 and took < 5, "%s on %s: exit 3 in %.1f s, got %r %r" % (fault, on, took, code, err))
    # A reply after the wait is given up on; the next run must not take it for its own.
    r.set("reset", "delay 1200", "fault-on read")
    code, _, _, _ = kv7("read", "--port", r.port)
    time.sleep(0.4)
    r.set("reset")
    code2, out, err, _ = kv7("write", "--port", r.port, "standby=static")
    check(code == 3 and code2 == 0 and "standby = static" in out, "late reply dropped: %r %r %r" % (code, code2, err))
    code, _, err, _ = kv7("read", "--family", "usb", "--port", r.port)
    check(code == 3 and "does not know" in err, "a command the reader refuses: %r %r" % (code, err))
    # The garbage is in the log byte for byte.
    r.set("reset", "fault garbage", "seed 7")
    open(log, "w").close()
    kv7("read", "--port", r.port, "--log", log)
    sent = [re.search(r"hex=(\w+)", l).group(1) for l in r.log_lines() if l.startswith("TX ")][-1]
    check("RX %s" % r.port in open(log).read() and open(log).read().rstrip().endswith("hex=" + sent),
          "garbage reply in the log")
    r.stop()

    deaf = Reader("--model", "M", "--settings", "TMX1AF", "--ignore-writes", "1")
    code, out, err, _ = kv7("write", "--port", deaf.port, "interface=wiegand26", "standby=static", "indication=direct")
    check(code == 4 and "interface is touch-memory, wanted wiegand26" in err and "standby" in err
          and "indication" not in err and out == "", "a write that does not take: %r %r" % (code, err))
    deaf.stop()


def read_line(stream, timeout=10):
    ready, _, _ = select.select([stream], [], [], timeout)
    return stream.readline() if ready else "(nothing within %d s)" % timeout


def finish(proc, timeout=10):
    """The rest of a production line's output and its exit code, once it ends."""
    try:
        code = proc.wait(timeout)
    except subprocess.TimeoutExpired:
        code = None
    rest = proc.stdout.read() if code is not None else ""
    stop(proc)
    return rest, code


def test_production_line():
    profile = write_file("line.profile", "family = ehx\ninterface = wiegand26\ntouch-poll = on\n")
    link = os.path.join(WORK, "reader-link")
    line = start([KV7, "apply", profile, "--each", "--port", link, "--count", "3"], stdout=subprocess.PIPE,
                 stderr=subprocess.DEVNULL, text=True)
    for args, model, wanted in ((["--model", "U", "--firmware", "1.00"], "Varko-7EHU 1.00", "W261AO"),
                                (["--model", "M", "--settings", "W440SF"], "Varko-7EHM 1.10", "W260SO"),
                                (["--model", "X", "--settings", "TMX0DF"], "Varko-7xxx 1.10", "W260DO")):
        r = Reader(*args)
        os.symlink(r.port, link)
        got = read_line(line.stdout)
        check(got == "%s %s ok\n" % (link, model) and r.letters() == wanted, "line: %r, reader has %s" % (got, r.letters()))
        os.unlink(link)
        r.stop()
        time.sleep(0.8)   # unplugged long enough for kv7 to see it gone
    check(finish(line) == ("3 ok, 0 failed\n", 0), "line summary")

    # A reader whose write does not take fails, and so does the line.
    line = start([KV7, "apply", profile, "--each", "--port", link, "--count", "1"], stdout=subprocess.PIPE,
                 stderr=subprocess.DEVNULL, text=True)
    r = Reader("--model", "U", "--ignore-writes", "1")
    os.symlink(r.port, link)
    got = read_line(line.stdout)
    check(got.startswith(link + " Varko-7EHU 1.10 FAILED: interface is touch-memory, wanted wiegand26"), got)
    rest = finish(line)
    check(rest == ("0 ok, 1 failed\n", 4), "failed line summary: %r" % (rest,))
    os.unlink(link)
    r.stop()

    # Ctrl+C ends a waiting line with its summary.
    line = start([KV7, "apply", profile, "--each", "--port", link], stdout=subprocess.PIPE, text=True,
                 stderr=subprocess.PIPE)
    check("waiting" in read_line(line.stderr), "the line waits")
    line.send_signal(signal.SIGINT)
    check(finish(line, 3) == ("0 ok, 0 failed\n", 0), "Ctrl+C ends the line")


def test_report():
    """The record of a production run: a row per reader, appended run after run."""
    profile = write_file("line.profile", "family = ehx\ninterface = wiegand26\n")
    # A port path with a comma and a quote must come out quoted.
    link = os.path.join(WORK, 'bench "A", slot')
    report = os.path.join(WORK, "acceptance.csv")

    def run(*readers):
        line = start([KV7, "apply", profile, "--each", "--port", link, "--count", str(len(readers)),
                      "--report", report], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        for args in readers:
            r = Reader(*args)
            os.symlink(r.port, link)
            read_line(line.stdout)
            os.unlink(link)
            r.stop()
            time.sleep(0.8)
        return finish(line)

    check(run(["--model", "M"], ["--model", "U", "--ignore-writes", "1"])[1] == 4, "the line fails with its reader")
    with open(report, newline="", encoding="utf-8") as f:
        raw = f.read()
    rows = list(csv.reader(raw.splitlines()))
    check(raw.startswith("time,port,model,firmware,result,exit,detail\r\n") and len(rows) == 3,
          "header and two rows: %r" % raw)
    stamp = re.compile(r"^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d[+-]\d\d:\d\d$")
    check(len(rows) == 3 and all(stamp.match(r[0]) for r in rows[1:]) and
          rows[1][1:] == [link, "Varko-7EHM", "1.10", "ok", "0", ""] and
          rows[2][1:6] == [link, "Varko-7EHU", "1.10", "failed", "4"] and "interface" in rows[2][6],
          "the rows: %r" % rows)
    check(run(["--model", "M"])[1] == 0, "second run")
    with open(report, newline="", encoding="utf-8") as f:
        lines = f.read().split("\r\n")
    check(len(lines) == 5 and lines[-1] == "" and sum(l.startswith("time,") for l in lines) == 1,
          "a second run appends without a second header: %r" % lines)

    # A record that cannot be written: refused before any byte reaches the reader.
    r = Reader("--model", "M")
    for bad in (os.path.join(WORK, "no-such-dir", "x.csv"), WORK):
        code, _, err, _ = kv7("apply", profile, "--each", "--port", r.port, "--report", bad, timeout=5)
        check(code == 1 and "report" in err and r.received() == [], "unwritable report %s: %r %r %s"
              % (bad, code, err, r.received()))
    r.stop()


def test_usb_identity():
    dev, sysfs = os.path.join(WORK, "dev"), os.path.join(WORK, "sys")
    usb = Reader("--model", "B", "--settings", "AHDD3XM")
    ehx = Reader("--model", "U")
    device = os.path.join(sysfs, "devices/pci0000:00/usb1/1-2")
    os.makedirs(os.path.join(device, "1-2:1.0/ttyUSB0"))
    for name, value in (("idVendor", "2e3c"), ("idProduct", "5750"), ("bcdDevice", "0200")):
        write_file(os.path.join(device, name), value + "\n")
    os.makedirs(os.path.join(sysfs, "class/tty/ttyUSB0"))
    os.symlink(os.path.join(device, "1-2:1.0/ttyUSB0"), os.path.join(sysfs, "class/tty/ttyUSB0/device"))
    os.makedirs(dev)
    os.symlink(usb.port, os.path.join(dev, "ttyUSB0"))
    os.symlink(ehx.port, os.path.join(dev, "ttyACM0"))
    open(os.path.join(dev, "ttyS0"), "w").close()   # no hardware behind it
    env = dict(os.environ, KV_DEV_ROOT=dev, KV_SYSFS_ROOT=sysfs)

    code, out, _, _ = kv7("ports", env=env)
    check(code == 0 and out == "%s/ttyUSB0 usb 2E3C:5750\n%s/ttyACM0\n" % (dev, dev), "ports: %r" % out)
    code, out, _, _ = kv7("ports", "--json", env=env)
    check(code == 0 and json.loads(out) == [{"port": dev + "/ttyUSB0", "usb": {"vid": "2E3C", "pid": "5750"}},
                                            {"port": dev + "/ttyACM0"}], "ports --json: %r" % out)
    code, out, _, _ = kv7("find", "--json", env=env)
    check(code == 0 and sorted((f["port"], f["model"], f["firmware"], f["family"]) for f in json.loads(out)) ==
          [(dev + "/ttyACM0", "Varko-7EHU", "1.10", "ehx"), (dev + "/ttyUSB0", "Varko-7-USB", "1.10", "usb")],
          "find --json: %r" % out)
    ehx.mark()
    code, out, _, _ = kv7("find", "--family", "usb", env=env)
    check(code == 0 and out == "%s/ttyUSB0 Varko-7-USB 1.10\n" % dev and ehx.received() == [],
          "find --family usb takes the device's port alone: %r %s" % (out, ehx.received()))
    code, out, _, _ = kv7("find", env=env)
    check(code == 0 and out.count("\n") == 2 and "ttyACM0 Varko-7EHU 1.10" in out, "find both: %r" % out)
    code, _, err, _ = kv7("read", env=env)
    check(code == 1 and "ttyUSB0" in err and "ttyACM0" in err, "several readers named: %r %r" % (code, err))
    code, out, _, _ = kv7("read", "--family", "usb", env=env)
    check(code == 0 and "mode = multi-os\n" in out and "cards = mifare\n" in out, "read by identity: %r" % out)
    usb.stop()
    ehx.stop()
    empty = dict(env, KV_DEV_ROOT=os.path.join(WORK, "sys"))
    code, _, err, _ = kv7("find", env=empty)
    check(code == 2 and "no reader" in err, "nothing found: %r %r" % (code, err))
    listings = [kv7(*args, env=empty)[:2] for args in (("find", "--json"), ("ports", "--json"))]
    check(listings == [(2, "[]\n"), (0, "[]\n")], "empty JSON listings: %r" % listings)


def main():
    global KV7, EMU, WORK
    if len(sys.argv) != 3:
        print(__doc__)
        return 2
    KV7, EMU = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    try:
        for group in (test_commands, test_round_trip, test_refusals, test_faults, test_production_line,
                      test_report, test_usb_identity):
            with tempfile.TemporaryDirectory() as WORK:
                try:
                    group()
                except Exception as e:  # one broken group must not hide the others
                    check(False, "%s raised %r" % (group.__name__, e))
                finally:
                    for proc in list(running):
                        stop(proc)
    finally:
        for proc in list(running):
            stop(proc)
    print("%d passed, %d failed" % (passes, len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
