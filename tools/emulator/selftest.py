#!/usr/bin/env python3
"""End-to-end check of kv-emulator over real pseudo-terminals.

Usage: selftest.py PATH/TO/kv-emulator

Plays the configurator's side of the line: writes a command in one piece,
then reads the way the program does (one reply ends at the first ~60 ms of
silence) and checks bytes and timing. The last part needs socat and is
skipped without it. Standard library only.
"""
import os
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time

GAP = 0.060
failures = []
passes = 0


def check(ok, what):
    global passes
    if ok:
        passes += 1
    else:
        failures.append(what)
        print("FAIL:", what, flush=True)


def read_reply(fd, first_wait=0.5, gap=GAP):
    """Bytes of one reply and the delay until its first byte (None if silent)."""
    start = time.monotonic()
    data = b""
    first = None
    wait = first_wait
    while True:
        r, _, _ = select.select([fd], [], [], wait)
        if not r:
            return data, first
        try:
            chunk = os.read(fd, 256)
        except OSError:
            return data, first
        if not chunk:
            return data, first
        if first is None:
            first = time.monotonic() - start
        data += chunk
        wait = gap


def exchange(fd, cmd, first_wait=0.5):
    os.write(fd, cmd)
    return read_reply(fd, first_wait)


def wait_for(pred, timeout=3.0):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        if pred():
            return True
        time.sleep(0.01)
    return False


class Emulator:
    def __init__(self, exe, port, workdir, *args):
        self.log = os.path.join(workdir, "emu.log")
        self.control = os.path.join(workdir, "control")
        open(self.control, "w").close()
        self.proc = subprocess.Popen(
            [exe, "--log", self.log, "--control", self.control, *args, port],
            stdout=subprocess.PIPE, text=True)
        line = self.proc.stdout.readline()
        check(line.startswith("ready"), "ready line, got %r" % line)

    def log_text(self):
        with open(self.log, "rb") as f:
            return f.read().decode("latin-1")

    def control_lines(self, *lines):
        """Replaces the control file atomically and waits until it is applied."""
        before = self.log_text().count("\nCTL")
        tmp = self.control + ".tmp"
        with open(tmp, "w") as f:
            f.write("\n".join(lines) + "\n")
        os.replace(tmp, self.control)
        ok = wait_for(lambda: ("\n" + self.log_text()).count("\nCTL") >= before + len(lines))
        check(ok and "CTL-ERR" not in self.log_text(), "control applied: %s" % (lines,))

    def stop(self):
        self.proc.send_signal(signal.SIGTERM)
        try:
            rc = self.proc.wait(2)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            rc = None
        check(rc == 0, "clean exit on SIGTERM, rc=%r" % rc)


def basic(exe, workdir):
    master, slave = os.openpty()
    port = os.ttyname(slave)
    emu = Emulator(exe, port, workdir, "--model", "M", "--card", "255,168496141")
    os.close(slave)

    reply, first = exchange(master, b"AT+READS_EHX")
    check(reply == b"\n\rAT+READS_EHM - OK! >> 1.10TMX1AF", "settings reply %r" % reply)
    check(first is not None and first < 0.05, "settings reply within 50 ms: %r" % first)

    reply, _ = exchange(master, b"AT+W581DO")
    check(reply == b"\n\rAT+W581DO - OK!", "write ack %r" % reply)
    reply, _ = exchange(master, b"AT+READS_EHX")
    check(reply.endswith(b" >> 1.10W581DO"), "read back %r" % reply)

    # An invalid write is only a frame once the line falls silent.
    reply, first = exchange(master, b"AT+TMX1AX")
    check(reply == b"\n\rAT+TMX1AX - UNKNOWN CMD!", "rejected write %r" % reply)
    check(first is not None and 0.025 <= first < 0.1, "rejection after idle gap: %r" % first)

    reply, _ = exchange(master, b"AT+READS_IDS")
    check(reply == b"\n\rAT+IDS - OK! >> 0000000255 0168496141.", "card reply %r" % reply)

    # A gap of 150 ms at byte 20 splits the reply for a reader that stops at 60 ms.
    emu.control_lines("fault gap:20", "fault-on read")
    os.write(master, b"AT+READS_EHX")
    t0 = time.monotonic()
    head, _ = read_reply(master)
    tail, _ = read_reply(master)
    check(len(head) == 20 and head + tail == b"\n\rAT+READS_EHM - OK! >> 1.10W581DO",
          "gap split %r / %r" % (head, tail))
    check(time.monotonic() - t0 > 0.14, "gap lasted")
    reply, _ = exchange(master, b"AT+READS_IDS")
    check(reply.endswith(b"."), "fault-on read spares the card reply")

    emu.control_lines("fault silent", "fault-on all")
    reply, _ = exchange(master, b"AT+READS_EHX", first_wait=0.3)
    check(reply == b"", "silent %r" % reply)

    emu.control_lines("fault long", "delay 200")
    reply, first = exchange(master, b"AT+READS_IDS")
    check(len(reply) == 80 and reply[39:40] == b".", "long reply %r" % reply)
    check(first is not None and 0.19 <= first < 0.3, "delayed 200 ms: %r" % first)

    emu.control_lines("reset", "ids-prefix \\x07", "ids-end ?")
    reply, _ = exchange(master, b"AT+READS_IDS")
    check(reply[:3] == b"\x07\n\r" and reply[40:41] == b"?", "prefix and end %r" % reply)

    emu.control_lines("reset", "bad-field interface=W27")
    reply, _ = exchange(master, b"AT+READS_EHX")
    check(reply.endswith(b"1.10W271AF"), "reset and bad field %r" % reply)

    log = emu.log_text()
    check("RX AT+W581DO\thex=41542B57353831444F\t" in log, "RX line in log")
    check("TX \\n\\rAT+W581DO - OK!\thex=0A0D" in log, "TX line in log")
    emu.stop()
    os.close(master)


def reopen(exe, workdir):
    if not shutil.which("socat"):
        print("socat not found: reopen test skipped")
        return
    a = os.path.join(workdir, "a")
    b = os.path.join(workdir, "b")

    def start_socat():
        p = subprocess.Popen(["socat", "pty,raw,echo=0,link=" + a, "pty,raw,echo=0,link=" + b],
                             stderr=subprocess.DEVNULL)
        check(wait_for(lambda: os.path.exists(a) and os.path.exists(b)), "socat links")
        return p

    socat = start_socat()
    emu = Emulator(exe, a, workdir, "--model", "B")
    try:
        for round_ in range(2):
            fd = os.open(b, os.O_RDWR | os.O_NOCTTY)
            reply, _ = exchange(fd, b"AT+READS_USB")
            check(reply == b"\n\rAT+READS_USB - OK! >> 1.10WHDH5EM", "usb reply round %d" % round_)
            os.close(fd)
            time.sleep(0.2)
        # The emulator's own pty disappears and comes back.
        socat.terminate()
        socat.wait()
        time.sleep(0.3)
        check(emu.proc.poll() is None, "emulator survives a vanished line")
        socat = start_socat()
        check(wait_for(lambda: emu.log_text().count("INFO open") >= 2), "emulator reopened")
        fd = os.open(b, os.O_RDWR | os.O_NOCTTY)
        reply, _ = exchange(fd, b"AT+READS_USB")
        check(reply.endswith(b"1.10WHDH5EM"), "reply after reopen %r" % reply)
        os.close(fd)
    finally:
        emu.stop()
        socat.terminate()
        socat.wait()


def main():
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    exe = os.path.abspath(sys.argv[1])
    with tempfile.TemporaryDirectory() as workdir:
        basic(exe, workdir)
    with tempfile.TemporaryDirectory() as workdir:
        reopen(exe, workdir)
    print("%d passed, %d failed" % (passes, len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
