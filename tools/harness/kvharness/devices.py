"""COM ports (pty pairs), the reader emulator and a simulated USB reader, all
inside the build tree's Wine prefix and all removed again at teardown; the
emulator's control file at run time and the frames its log says it received."""
import os
import signal
import subprocess
import time

SERIALCOMM = r"HKLM\HARDWARE\DEVICEMAP\SERIALCOMM"
USB_ROOT = r"HKLM\System\CurrentControlSet\Enum\USB"
USB_DEVICE = r"VID_2E3C&PID_5750&REV_0200"
PORTS_CLASS = "{4d36e978-e325-11ce-bfc1-08002be10318}"


def _stop(proc, sig=signal.SIGTERM):
    if proc is None or proc.poll() is not None:
        return
    try:
        proc.send_signal(sig)
        proc.wait(timeout=5)
    except subprocess.TimeoutExpired:
        proc.kill()
        proc.wait(timeout=5)
    except ProcessLookupError:
        pass


class Port:
    def __init__(self, number, value_name, program_end, far_end, socat):
        self.number = number
        self.name = f"COM{number}"
        self.value_name = value_name
        self.program_end = program_end   # what dosdevices/comN points at
        self.far_end = far_end           # where the emulator sits
        self.socat = socat


class ComPorts:
    """Pty pairs mapped as COM ports. The SERIALCOMM value names decide the
    order in which the program lists the ports (Wine enumerates them sorted
    by name, case-insensitive)."""

    def __init__(self, wine, workdir, log_dir):
        self.wine = wine
        self.dir = os.path.join(workdir, "ports")
        self.log_dir = log_dir
        self.ports = []
        self.dosdevices = os.path.join(wine.prefix, "dosdevices")

    def remove_defaults(self):
        """Wine's own COM1 points at this machine's serial console."""
        for name in os.listdir(self.dosdevices):
            if name.lower().startswith("com") and name[3:].isdigit():
                os.unlink(os.path.join(self.dosdevices, name))
        # Values only: the key is volatile, and once deleted `reg add` cannot
        # make it again until the server restarts.
        self.wine.reg_quiet("delete", SERIALCOMM, "/va", "/f")

    def add(self, number, value_name=None):
        os.makedirs(self.dir, exist_ok=True)
        value_name = value_name or f"\\Device\\Serial{number}"
        a = os.path.join(self.dir, f"com{number}-program")
        b = os.path.join(self.dir, f"com{number}-far")
        for p in (a, b):
            if os.path.lexists(p):
                os.unlink(p)
        log = open(os.path.join(self.log_dir, f"socat-com{number}.log"), "ab")
        socat = subprocess.Popen(["socat", "-d", "-d", f"pty,raw,echo=0,link={a}",
                                  f"pty,raw,echo=0,link={b}"],
                                 stdout=log, stderr=log, stdin=subprocess.DEVNULL,
                                 start_new_session=True)
        log.close()
        end = time.monotonic() + 5
        while not (os.path.exists(a) and os.path.exists(b)):
            if socat.poll() is not None or time.monotonic() > end:
                _stop(socat)
                raise RuntimeError(f"socat did not make the pty pair for COM{number}")
            time.sleep(0.02)
        port = Port(number, value_name, a, b, socat)
        self.ports.append(port)
        link = os.path.join(self.dosdevices, f"com{number}")
        if os.path.lexists(link):
            os.unlink(link)
        os.symlink(os.path.realpath(a), link)
        self.wine.reg("add", SERIALCOMM, "/v", value_name, "/t", "REG_SZ", "/d", port.name, "/f")
        return port

    def remove(self, port):
        """Takes the port away as if unplugged: registry value, device link,
        then the pty pair."""
        self.wine.reg_quiet("delete", SERIALCOMM, "/v", port.value_name, "/f")
        link = os.path.join(self.dosdevices, f"com{port.number}")
        if os.path.lexists(link):
            os.unlink(link)
        _stop(port.socat)
        self.ports.remove(port)

    def clear(self):
        for port in list(self.ports):
            try:
                self.remove(port)
            except Exception:  # keep tearing down the rest
                _stop(port.socat)
        self.ports = []


class Emulator:
    """The reader emulator on the far end of a port (tools/emulator/README.md)."""

    def __init__(self, binary, port, log_dir, *options):
        self.ready_file = os.path.join(log_dir, f"emulator-com{port.number}.ready")
        if os.path.exists(self.ready_file):
            os.unlink(self.ready_file)
        self.log = os.path.join(log_dir, f"emulator-com{port.number}.log")
        # A fresh log per emulator: a test reads what this run received.
        if os.path.exists(self.log):
            os.unlink(self.log)
        out = open(os.path.join(log_dir, f"emulator-com{port.number}.out"), "ab")
        self.proc = subprocess.Popen([binary, "--log", self.log, "--ready-file", self.ready_file]
                                     + [str(o) for o in options] + [port.far_end],
                                     stdout=out, stderr=out, stdin=subprocess.DEVNULL,
                                     start_new_session=True)
        out.close()
        end = time.monotonic() + 5
        while not os.path.exists(self.ready_file):
            if self.proc.poll() is not None or time.monotonic() > end:
                self.stop()
                raise RuntimeError(f"emulator on COM{port.number} did not get ready")
            time.sleep(0.02)

    def stop(self):
        _stop(self.proc)


class UsbReader:
    """A Varko-7-USB reader as SetupAPI under Wine sees it: a key under
    Enum\\USB with its hardware ids, the Ports class and its COM port name."""

    def __init__(self, wine, port_name="COM7", instance="SIM0001"):
        self.wine = wine
        self.port_name = port_name
        self.key = f"{USB_ROOT}\\{USB_DEVICE}\\{instance}"
        self.present = False

    def plug(self):
        # Leave the prefix as it was: remember whether Enum\USB was there.
        if not self.present:
            self.root_existed = self.wine.reg_quiet("query", USB_ROOT) == 0
        ids = r"USB\VID_2E3C&PID_5750&REV_0200\0USB\VID_2E3C&PID_5750"
        self.wine.reg("add", self.key, "/v", "HardwareID", "/t", "REG_MULTI_SZ", "/d", ids, "/f")
        self.wine.reg("add", self.key, "/v", "ClassGUID", "/t", "REG_SZ", "/d", PORTS_CLASS, "/f")
        self.wine.reg("add", self.key + r"\Device Parameters", "/v", "PortName", "/t", "REG_SZ",
                      "/d", self.port_name, "/f")
        self.present = True

    def unplug(self):
        self.wine.reg_quiet("delete", f"{USB_ROOT}\\{USB_DEVICE}", "/f")
        if not getattr(self, "root_existed", True):
            self.wine.reg_quiet("delete", USB_ROOT, "/f")
        self.present = False


class EmulatorControl:
    """The emulator's control file: each change is written atomically and
    waited for in the emulator's log (`CTL <line>`) before the test goes on."""

    def __init__(self, path, log):
        self.path = path
        self.log = log

    def _log_text(self):
        if not os.path.exists(self.log):
            return ""
        with open(self.log, "rb") as f:
            return f.read().decode("latin-1")

    def set(self, *lines, timeout_s=5.0):
        start = len(self._log_text())
        tmp = self.path + ".tmp"
        with open(tmp, "w") as f:
            f.write("\n".join(lines) + "\n")
        os.replace(tmp, self.path)
        end = time.monotonic() + timeout_s
        while True:
            tail = self._log_text()[start:]
            if "CTL-ERR" in tail:
                raise AssertionError(f"the emulator rejected a control line: {tail.strip()}")
            # The log writes a backslash as "\\".
            if all(f"CTL {line}" in tail or f"CTL {line.replace(chr(92), chr(92) * 2)}" in tail
                   for line in lines):
                return
            if time.monotonic() > end:
                raise AssertionError(f"the emulator did not apply {lines} within {timeout_s} s")
            time.sleep(0.02)


def received(log):
    """The frames the emulator received, in order: (kind, printable bytes)."""
    frames = []
    if not os.path.exists(log):
        return frames
    with open(log, "rb") as f:
        for line in f.read().decode("latin-1").splitlines():
            if not line.startswith("RX "):
                continue
            fields = line.split("\t")
            kind = next((x[5:] for x in fields if x.startswith("kind=")), "")
            frames.append((kind, fields[0][3:]))
    return frames
