#!/usr/bin/env python3
"""Checks the resources linked into a KernoVarko-7 exe.

Usage: resources_check.py --release 1.10 --arch x86|x64 EXE

The release number and the architecture label are the build's: they are
what the About texts, the version numbers and the original file name say.

Reads the PE resource directory and checks the seven icons, the two About
dialog templates, the version resource and the application manifest.
Prints one line per check and a final "N passed, M failed"; exits 1 on any
failure. Python 3 standard library only.
"""

import argparse
import struct
import sys
import xml.etree.ElementTree as ET

RT_ICON = 3
RT_DIALOG = 5
RT_GROUP_ICON = 14
RT_VERSION = 16
RT_MANIFEST = 24

ABOUT_STYLE = 0x80C800C0          # WS_POPUP|WS_CAPTION|WS_SYSMENU|DS_MODALFRAME|DS_SETFONT
DS_SETFONT = 0x40


def about_texts(release, arch):
    return {
        1: f"Конфигуратор считывателя:\n\rKernoVarko-7.\n\n\rВерсия:   {release} ({arch})\n\n\r",
        2: f"Reader configurator:\n\rKernoVarko-7.\n\n\rVersion:   {release} ({arch})\n\n\r",
    }


ABOUT_TITLE = {1: "О программе...", 2: "About..."}

# Standard dialog items: (class atom, style, x, y, cx, cy, id). Sizes of the
# icon item are left to the icon, so they are not compared.
ABOUT_ITEMS = [
    (0x80, 0x50000007, 10, 5, 150, 115, 0xFFFF),    # group box
    (0x82, 0x50000003, 20, 15, None, None, 0xFFFF),  # icon
    (0x82, 0x50020000, 50, 15, 100, 100, 0xFFFF),   # program text
    (0x80, 0x50010001, 60, 125, 50, 15, 1),         # OK, default button
]
CLASS_NAMES = {"button": 0x80, "static": 0x82}



def version_digits(release):
    """1.10 -> (1, 1, 0, 0): the version resource has one number per digit."""
    return tuple(int(d) for d in release.replace(".", "")) + (0,)


def version_strings(release, arch):
    dotted = ".".join(str(n) for n in version_digits(release))
    return {
        "FileVersion": dotted,
        "ProductVersion": dotted,
        "ProductName": "KernoVarko-7",
        "OriginalFilename": f"KernoVarko-7 ver_{release.replace('.', '_')} ({arch}).exe",
        "FileDescription": "Программа конфигурирования считывателей Varko-7",
    }


SUPPORTED_OS = {
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}": "Windows 7",
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}": "Windows 8",
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}": "Windows 8.1",
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}": "Windows 10/11",
}


class Failed(Exception):
    pass


def need(cond, message):
    if not cond:
        raise Failed(message)


# ---- PE image ---------------------------------------------------------------

class Image:
    def __init__(self, data):
        self.data = data
        need(data[:2] == b"MZ", "no MZ header")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        need(data[pe:pe + 4] == b"PE\0\0", "no PE signature")
        _, nsect, _, _, _, optsize, _ = struct.unpack_from("<HHIIIHH", data, pe + 4)
        opt = pe + 24
        magic = struct.unpack_from("<H", data, opt)[0]
        need(magic in (0x10B, 0x20B), "unknown optional header 0x%X" % magic)
        dirs = opt + (96 if magic == 0x10B else 112)
        ndirs = struct.unpack_from("<I", data, dirs - 4)[0]
        need(ndirs > 2, "no resource data directory")
        self.rsrc_rva, self.rsrc_size = struct.unpack_from("<II", data, dirs + 2 * 8)
        need(self.rsrc_rva != 0, "no resource section")
        self.sections = []
        sect = opt + optsize
        for i in range(nsect):
            vsize, va, rawsize, rawptr = struct.unpack_from("<IIII", data, sect + 40 * i + 8)
            self.sections.append((va, max(vsize, rawsize), rawptr, rawsize))

    def offset(self, rva):
        for va, size, rawptr, rawsize in self.sections:
            if va <= rva < va + size:
                need(rva - va < rawsize, "RVA 0x%X lies outside the file" % rva)
                return rawptr + rva - va
        raise Failed("RVA 0x%X in no section" % rva)

    def resources(self):
        """Returns {type: [(name, lang, bytes), ...]} in directory order.

        Names and types are ints for numbered entries, strings for named ones."""
        base = self.offset(self.rsrc_rva)
        data = self.data

        def entries(off):
            named, ids = struct.unpack_from("<HH", data, base + off + 12)
            for i in range(named + ids):
                name, target = struct.unpack_from("<II", data, base + off + 16 + 8 * i)
                if name & 0x80000000:
                    p = base + (name & 0x7FFFFFFF)
                    n = struct.unpack_from("<H", data, p)[0]
                    name = data[p + 2:p + 2 + 2 * n].decode("utf-16-le")
                yield name, target

        out = {}
        for rtype, t in entries(0):
            need(t & 0x80000000, "resource type without subdirectory")
            for name, n in entries(t & 0x7FFFFFFF):
                need(n & 0x80000000, "resource name without subdirectory")
                for lang, leaf in entries(n & 0x7FFFFFFF):
                    need(not leaf & 0x80000000, "resource language entry is a directory")
                    rva, size = struct.unpack_from("<II", data, base + leaf)
                    off = self.offset(rva)
                    out.setdefault(rtype, []).append((name, lang, data[off:off + size]))
        return out


def by_name(res, rtype):
    table = {}
    for name, _, blob in res.get(rtype, []):
        table.setdefault(name, blob)
    return table


# ---- icons ------------------------------------------------------------------

def check_icon_image(blob, what):
    """A 32x32 image with 32 bits per pixel whose alpha channel is in use."""
    if blob[:8] == b"\x89PNG\r\n\x1a\n":
        w, h, depth, ctype = struct.unpack_from(">IIBB", blob, 16)
        need((w, h) == (32, 32), "%s: PNG image is %dx%d" % (what, w, h))
        need(depth == 8 and ctype == 6, "%s: PNG image is not 8-bit RGBA" % what)
        return
    need(len(blob) >= 40, "%s: image too short" % what)
    hsize, w, h, planes, bpp, comp = struct.unpack_from("<IiiHHI", blob, 0)
    need(hsize == 40, "%s: bitmap header size %d" % (what, hsize))
    need((w, h) == (32, 64), "%s: bitmap %dx%d, want 32x64 (colour and mask)" % (what, w, h))
    need(planes == 1 and bpp == 32 and comp == 0,
         "%s: %d planes, %d bits, compression %d" % (what, planes, bpp, comp))
    need(len(blob) >= 40 + 32 * 32 * 4 + 32 * 4, "%s: pixel or mask data cut short" % what)
    alpha = blob[40 + 3:40 + 32 * 32 * 4:4]
    # All-zero alpha makes Windows fall back to the mask and draw the colour
    # pixels opaque; a picture with no transparent pixel has no shape at all.
    need(max(alpha) == 255, "%s: no opaque pixel" % what)
    need(min(alpha) == 0, "%s: no transparent pixel" % what)


def check_icon_groups(res):
    groups = res.get(RT_GROUP_ICON, [])
    need(groups, "no icon groups")
    names = [name for name, _, _ in groups]
    # The shell takes the first group as the file's icon; named entries sort first.
    need(names[0] == 1, "first icon group is %r, not 1" % (names[0],))
    need(names == list(range(1, 8)), "icon groups are %r, want 1..7" % (names,))


def check_icon(res, number):
    what = "icon group %d" % number
    groups = by_name(res, RT_GROUP_ICON)
    need(number in groups, "%s missing" % what)
    blob = groups[number]
    reserved, kind, count = struct.unpack_from("<HHH", blob, 0)
    need(reserved == 0 and kind == 1, "%s: bad header" % what)
    need(count == 1, "%s: %d images, want 1" % (what, count))
    w, h, _, _, _, bpp, nbytes, icon_id = struct.unpack_from("<BBBBHHIH", blob, 6)
    need((w, h) == (32, 32), "%s: entry %dx%d" % (what, w or 256, h or 256))
    need(bpp == 32, "%s: entry has %d bits per pixel" % (what, bpp))
    icons = by_name(res, RT_ICON)
    need(icon_id in icons, "%s: image %d missing" % (what, icon_id))
    need(len(icons[icon_id]) == nbytes,
         "%s: entry says %d bytes, image has %d" % (what, nbytes, len(icons[icon_id])))
    check_icon_image(icons[icon_id], what)


# ---- dialogs ----------------------------------------------------------------

class Reader:
    def __init__(self, blob):
        self.blob = blob
        self.pos = 0

    def take(self, fmt):
        vals = struct.unpack_from("<" + fmt, self.blob, self.pos)
        self.pos += struct.calcsize("<" + fmt)
        return vals if len(vals) > 1 else vals[0]

    def string(self):
        end = self.pos
        while self.blob[end:end + 2] != b"\0\0":
            end += 2
            need(end < len(self.blob), "unterminated string")
        s = self.blob[self.pos:end].decode("utf-16-le")
        self.pos = end + 2
        return s

    def sz_or_ord(self):
        first = struct.unpack_from("<H", self.blob, self.pos)[0]
        if first == 0xFFFF:
            self.pos += 2
            return self.take("H")
        return self.string()

    def align(self, n=4):
        self.pos = (self.pos + n - 1) & ~(n - 1)


def check_dialog(res, dlg_id, about):
    dialogs = by_name(res, RT_DIALOG)
    need(dlg_id in dialogs, "dialog %d missing" % dlg_id)
    r = Reader(dialogs[dlg_id])
    need(r.blob[2:4] != b"\xff\xff", "dialog %d is an extended template" % dlg_id)
    style, exstyle, count, x, y, cx, cy = r.take("IIHhhhh")
    need(style == ABOUT_STYLE, "dialog %d style 0x%08X" % (dlg_id, style))
    need(exstyle == 0, "dialog %d extended style 0x%X" % (dlg_id, exstyle))
    need((x, y, cx, cy) == (40, 60, 170, 145),
         "dialog %d at %d,%d size %dx%d" % (dlg_id, x, y, cx, cy))
    need(count == 4, "dialog %d has %d items" % (dlg_id, count))
    menu, cls = r.sz_or_ord(), r.sz_or_ord()
    need(menu == "" and cls == "", "dialog %d has a menu or class" % dlg_id)
    title = r.string()
    need(title == ABOUT_TITLE[dlg_id], "dialog %d title %r" % (dlg_id, title))
    points = r.take("H")
    font = r.string()
    need((points, font) == (8, "Arial"), "dialog %d font %d %r" % (dlg_id, points, font))
    for i, (want_cls, want_style, wx, wy, wcx, wcy, want_id) in enumerate(ABOUT_ITEMS, 1):
        what = "dialog %d item %d" % (dlg_id, i)
        r.align()
        istyle, iex, ix, iy, icx, icy, iid = r.take("IIhhhhH")
        icls = r.sz_or_ord()
        if isinstance(icls, str):
            icls = CLASS_NAMES.get(icls.lower(), icls)
        text = r.sz_or_ord()
        extra = r.take("H")
        r.pos += extra
        need(icls == want_cls, "%s class %r" % (what, icls))
        need(istyle == want_style, "%s style 0x%08X, want 0x%08X" % (what, istyle, want_style))
        need(iex == 0, "%s extended style 0x%X" % (what, iex))
        need((ix, iy) == (wx, wy), "%s at %d,%d" % (what, ix, iy))
        need(wcx is None or (icx, icy) == (wcx, wcy), "%s size %dx%d" % (what, icx, icy))
        need(iid == want_id, "%s id 0x%X" % (what, iid))
        if i == 1:
            need(text == "", "%s has text %r" % (what, text))
        elif i == 2:
            need(text == 2, "%s shows %r, want icon 2" % (what, text))
        elif i == 3:
            prefix = about[dlg_id]
            need(isinstance(text, str) and text.startswith(prefix),
                 "%s text %r" % (what, text))
            need(text[len(prefix):].strip(), "%s lacks the maker's lines" % what)
        else:
            need(text == "OK", "%s text %r" % (what, text))


# ---- version ----------------------------------------------------------------

def version_nodes(blob, pos, end):
    """Yields (key, value bytes, wType, children start, node end) for sibling nodes."""
    while pos + 6 <= end:
        length, vlen, vtype = struct.unpack_from("<HHH", blob, pos)
        need(length >= 6 and pos + length <= end, "version node length %d" % length)
        r = Reader(blob)
        r.pos = pos + 6
        key = r.string()
        r.align()
        node_end = pos + length
        if vtype == 1:
            # Text: read up to the terminator; some compilers count wValueLength
            # in bytes, others in characters.
            vend = r.pos
            while vend + 1 < node_end and blob[vend:vend + 2] != b"\0\0":
                vend += 2
            value = blob[r.pos:vend]
            children = (vend + 2 + 3) & ~3 if vlen else r.pos
        else:
            value = blob[r.pos:r.pos + vlen]
            children = (r.pos + vlen + 3) & ~3
        yield key, value, vtype, min(children, node_end), node_end
        pos = (node_end + 3) & ~3


def check_version(res, release, arch):
    versions = by_name(res, RT_VERSION)
    need(1 in versions, "version resource 1 missing")
    blob = versions[1]
    (key, fixed, _, kids, end), = list(version_nodes(blob, 0, len(blob)))[:1]
    need(key == "VS_VERSION_INFO", "root key %r" % key)
    need(len(fixed) >= 52, "no fixed file info")
    sig, _, fv_ms, fv_ls, pv_ms, pv_ls, _, _, _, ftype = struct.unpack_from("<10I", fixed)
    need(sig == 0xFEEF04BD, "fixed file info signature 0x%X" % sig)
    d = version_digits(release)
    fixed_version = (d[0] << 16 | d[1], d[2] << 16 | d[3])
    need((fv_ms, fv_ls) == fixed_version, "fixed file version 0x%08X 0x%08X" % (fv_ms, fv_ls))
    need((pv_ms, pv_ls) == fixed_version, "fixed product version 0x%08X 0x%08X" % (pv_ms, pv_ls))
    need(ftype == 1, "file type %d, want VFT_APP" % ftype)
    strings, translation, tables = {}, None, []
    for key, _, _, skids, send in version_nodes(blob, kids, end):
        if key == "StringFileInfo":
            for table, _, _, tkids, tend in version_nodes(blob, skids, send):
                tables.append(table)
                for name, value, vtype, _, _ in version_nodes(blob, tkids, tend):
                    need(vtype == 1, "version string %s is not text" % name)
                    strings[name] = value.decode("utf-16-le")
        elif key == "VarFileInfo":
            for name, value, _, _, _ in version_nodes(blob, skids, send):
                if name == "Translation":
                    translation = value
    need(tables == ["040904E4"], "string tables %r, want 040904E4" % tables)
    for name, want in version_strings(release, arch).items():
        need(strings.get(name) == want, "%s is %r, want %r" % (name, strings.get(name), want))
    for name in ("CompanyName", "LegalCopyright"):
        need(strings.get(name, "").strip(), "%s is empty" % name)
    need(translation == struct.pack("<HH", 0x0419, 0x04E3),
         "translation %r, want 0x0419 0x04E3" % translation)


# ---- manifest ---------------------------------------------------------------

def local(tag):
    return tag.rsplit("}", 1)[-1]


def check_manifest(res):
    manifests = by_name(res, RT_MANIFEST)
    need(list(manifests) == [1], "manifests %r, want only 1" % list(manifests))
    text = manifests[1]
    need(b"dpiaware" not in text.lower(), "manifest sets DPI awareness")
    root = ET.fromstring(text)
    need(local(root.tag) == "assembly", "manifest root <%s>" % local(root.tag))
    found_cc = False
    os_ids, levels = set(), []
    for el in root.iter():
        tag = local(el.tag)
        need(not tag.lower().startswith("dpiaware"), "manifest sets DPI awareness")
        if tag == "assemblyIdentity" and el.get("name") == "Microsoft.Windows.Common-Controls":
            need(el.get("version") == "6.0.0.0", "common controls version %r" % el.get("version"))
            need(el.get("publicKeyToken", "").lower() == "6595b64144ccf1df",
                 "common controls key token %r" % el.get("publicKeyToken"))
            need(el.get("processorArchitecture") == "*",
                 "common controls architecture %r" % el.get("processorArchitecture"))
            found_cc = True
        elif tag == "supportedOS":
            os_ids.add(el.get("Id", "").lower())
        elif tag == "requestedExecutionLevel":
            levels.append(el.get("level"))
    need(found_cc, "no Microsoft.Windows.Common-Controls dependency")
    missing = [v for k, v in SUPPORTED_OS.items() if k not in os_ids]
    need(not missing, "supportedOS missing for %s" % ", ".join(missing))
    need(levels == ["asInvoker"], "execution level %r" % levels)


# ---- driver -----------------------------------------------------------------

def main(argv):
    parser = argparse.ArgumentParser(description="checks the resources of a KernoVarko-7 exe")
    parser.add_argument("--release", required=True, help="the build's release number, as 1.10")
    parser.add_argument("--arch", required=True, choices=("x86", "x64"))
    parser.add_argument("exe")
    args = parser.parse_args(argv[1:])
    passed = failed = 0

    def run(name, fn, *args):
        nonlocal passed, failed
        try:
            fn(*args)
        except Failed as e:
            failed += 1
            print("FAIL %s: %s" % (name, e))
        except (struct.error, UnicodeDecodeError, ET.ParseError, IndexError, ValueError) as e:
            failed += 1
            print("FAIL %s: malformed data (%s)" % (name, e))
        else:
            passed += 1
            print("PASS %s" % name)

    res = {}

    def load():
        nonlocal res
        with open(args.exe, "rb") as f:
            res = Image(f.read()).resources()

    try:
        run("resource directory", load)
    except OSError as e:
        failed += 1
        print("FAIL resource directory: %s" % e)
    if failed == 0:
        run("icon groups 1..7", check_icon_groups, res)
        for number in range(1, 8):
            run("icon %d" % number, check_icon, res, number)
        about = about_texts(args.release, args.arch)
        run("dialog 1 (Russian)", check_dialog, res, 1, about)
        run("dialog 2 (English)", check_dialog, res, 2, about)
        run("version resource", check_version, res, args.release, args.arch)
        run("manifest", check_manifest, res)
    print("%d passed, %d failed" % (passed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
