"""kv7.exe under Wine: the port list from the system's serial port map, a
search over COM ports, a write checked by reading it back, and the USB
reader found through the device registry."""
import os
import subprocess

import panel  # noqa: F401  (puts tools/harness/ on the path)
from kvharness import Suite
from kvharness.reader import READ_EHX, READ_USB, Reader
from kvharness.wine import WINE64
from kvharness.x86 import LOADER, x86_environment

suite = Suite()


def kv7(s, *args, timeout=60):
    """Runs kv7.exe to its end: (exit code, stdout lines, stderr text). With
    --arch x86 it is the win32 build's kv7.exe (beside the test/ folder of
    the x86 test exe), through the 32-bit loader."""
    if suite.x86:
        command = LOADER + [os.path.join(os.path.dirname(os.path.dirname(suite.exe)), "kv7.exe")]
        env = suite.wine.environ(extra=x86_environment(suite.build))
    else:
        command = [WINE64, os.path.join(os.path.dirname(suite.exe), "kv7.exe")]
        env = suite.wine.environ()
    out_path, err_path = s.path("kv7.out"), s.path("kv7.err")
    # Output to files: Wine's services would hold a pipe open.
    with open(out_path, "wb") as out, open(err_path, "wb") as err:
        rc = subprocess.call(command + list(args), stdout=out, stderr=err, stdin=subprocess.DEVNULL,
                             cwd=s.dir, env=env, timeout=timeout * (3 if suite.x86 else 1))
    with open(out_path, "rb") as out, open(err_path, "rb") as err:
        return rc, out.read().decode("ascii", "replace").splitlines(), err.read().decode("ascii", "replace")


@suite.scenario
def com_ports_find_and_verified_write(s):
    """A silent line and an EHU: ports lists both in order, find probes each
    with the EHU/EHM read and names the reader, and a write changes only the
    named key and is read back."""
    silent = Reader(s, s.ports.add(2), "--fault", "silent")
    reader = Reader(s, s.ports.add(4), "--model", "U", "--settings", "TMX1AF")

    rc, lines, err = kv7(s, "ports")
    s.equal((rc, lines), (0, ["COM2", "COM4"]), f"kv7 ports ({err.strip()})")

    rc, lines, err = kv7(s, "find", "--family", "ehx")
    s.equal((rc, lines), (0, ["COM4 Varko-7EHU 1.10"]), f"kv7 find ({err.strip()})")
    s.equal(silent.received(), [READ_EHX], "probes on COM2")

    rc, lines, err = kv7(s, "write", "--port", "COM4", "interface=wiegand44", "--log", "traffic.log")
    s.equal(rc, 0, f"kv7 write exit code ({err.strip()})")
    s.check("interface = wiegand44" in lines and "indication = direct" in lines,
            f"settings as read back: {lines}")
    s.equal(reader.received()[-3:], [READ_EHX, b"AT+W441AF", READ_EHX], "read, write, read-back on COM4")
    with open(s.path("traffic.log"), "rb") as f:
        log = f.read().decode("ascii", "replace")
    s.check(" TX COM4 \"AT+W441AF\" hex=41542B57343431414" in log, f"the write in the traffic log:\n{log}")


@suite.scenario
def usb_reader_through_the_device_registry(s):
    """The USB reader's port is taken from its device key, not probed: ports
    marks it with its vendor and product, find --family usb asks only it."""
    other = Reader(s, s.ports.add(2), "--fault", "silent")
    reader = Reader(s, s.ports.add(6), "--model", "B", "--firmware", "1.10")
    s.usb("COM6").plug()

    rc, lines, err = kv7(s, "ports")
    s.equal((rc, lines), (0, ["COM2", "COM6 usb 2E3C:5750"]), f"kv7 ports ({err.strip()})")
    rc, lines, err = kv7(s, "find", "--family", "usb")
    s.equal((rc, lines), (0, ["COM6 Varko-7-USB 1.10"]), f"kv7 find --family usb ({err.strip()})")
    s.equal(reader.received(), [READ_USB], "commands on COM6")
    s.equal(other.received(), [], "commands on COM2")

    s.usb("COM6").unplug()
    rc, lines, err = kv7(s, "find", "--family", "usb")
    s.equal((rc, lines), (2, []), "kv7 find --family usb with the reader unplugged")
    s.check("no reader found" in err, f"message: {err!r}")


suite.run()
