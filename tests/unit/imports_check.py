#!/usr/bin/env python3
"""Checks that a Windows exe is one self-contained file: a GUI program (a
console one after --console) whose imports are all DLLs that Windows itself
ships. After --shipped, also that it carries no test hook."""
import struct
import sys

# What every supported Windows has; anything else would have to be shipped.
SYSTEM_DLLS = {
    "kernel32.dll", "user32.dll", "gdi32.dll", "comctl32.dll", "advapi32.dll",
    "setupapi.dll", "shell32.dll", "msvcrt.dll",
}


def read_pe(path):
    data = open(path, "rb").read()
    if data[:2] != b"MZ":
        raise ValueError("not an MZ file")
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise ValueError("no PE signature")
    machine, nsections = struct.unpack_from("<HH", data, pe + 4)
    opt_size = struct.unpack_from("<H", data, pe + 20)[0]
    opt = pe + 24
    magic = struct.unpack_from("<H", data, opt)[0]
    subsystem = struct.unpack_from("<H", data, opt + 68)[0]
    dirs = opt + (96 if magic == 0x10B else 112)
    export_rva, export_size = struct.unpack_from("<II", data, dirs)
    import_rva = struct.unpack_from("<I", data, dirs + 8)[0]
    sections = []
    sec = opt + opt_size
    for i in range(nsections):
        vsize, vaddr, rsize, raddr = struct.unpack_from("<IIII", data, sec + 40 * i + 8)
        sections.append((vaddr, max(vsize, rsize), raddr))

    def off(rva):
        for vaddr, size, raddr in sections:
            if vaddr <= rva < vaddr + size:
                return rva - vaddr + raddr
        raise ValueError("rva %#x outside the sections" % rva)

    names = []
    pos = off(import_rva)
    while True:
        name_rva = struct.unpack_from("<I", data, pos + 12)[0]
        if name_rva == 0:
            break
        start = off(name_rva)
        names.append(data[start:data.index(b"\0", start)].decode("ascii"))
        pos += 20
    return machine, subsystem, names, export_size, data


def main():
    passed = failed = 0

    def check(ok, what):
        nonlocal passed, failed
        print(("PASS " if ok else "FAIL ") + what)
        passed += ok
        failed += not ok

    args = sys.argv[1:]
    console = "--console" in args
    shipped = "--shipped" in args
    for path in [a for a in args if not a.startswith("--")]:
        machine, subsystem, names, exports, data = read_pe(path)
        if shipped:
            # What operators get has no way in for tests: nothing exported,
            # no test switch read from the environment.
            check(exports == 0, "%s: exports nothing (export directory of %d bytes)" % (path, exports))
            check(b"KV_TEST" not in data, "%s: no KV_TEST switch in the file" % path)
        wanted = 3 if console else 2
        check(subsystem == wanted, "%s: %s subsystem (got %d)" % (path, "console" if console else "GUI", subsystem))
        foreign = [n for n in names if n.lower() not in SYSTEM_DLLS]
        check(not foreign, "%s: imports only system DLLs %s (foreign: %s)" % (path, names, foreign))
        check(machine in (0x14C, 0x8664), "%s: machine %#x" % (path, machine))
    print("%d passed, %d failed" % (passed, failed))
    return 1 if failed or not passed else 0


if __name__ == "__main__":
    sys.exit(main())
