"""The packages operators get. Each MSI is installed with msiexec into a
fresh copy of the test prefix; the installed program is started as its
shortcut starts it, finds a reader, opens the installed manual and keeps its
settings in the install folder; the package is then removed. Also: a later version replaces
this one, the x86 MSI holds the x86 program, the rights the MSI gives the install folder, and
the zip's layout. With KV_RELEASE_SIGNED=1 (tools/run-tests after tools/check-signing) the
packages installed must carry a signature."""
import argparse
import glob
import os
import re
import subprocess
import time
import zipfile

from panel import CONFIG_FILE
from kvharness import Suite, exe_name, manual_name, winpath
from kvharness.fresh import FreshPrefix
from kvharness.reader import Reader, check_panel, note
from kvharness.viewer import viewer_records
from kvharness.x86 import LOADER, pe_machine, x86_environment

REPO = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
HELP, ENGLISH = 20, 18
X86, X64 = 0x14C, 0x8664
# msiexec must not let Wine write desktop entries for the host's menus.
MSI_ENV = {"WINEDLLOVERRIDES": "mscoree,mshtml=;winemenubuilder.exe=d"}
UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall"
ENVIRONMENT_KEY = r"HKLM\System\CurrentControlSet\Control\Session Manager\Environment"

options = argparse.ArgumentParser(add_help=False)
options.add_argument("--x86-build", default=None, help="the win32 build tree (default: beside --build)")
mine, rest = options.parse_known_args()
suite = Suite(rest)


def build_of(arch):
    if arch == "x64":
        return suite.build
    return os.path.abspath(mine.x86_build or os.path.join(os.path.dirname(suite.build), "win32"))


def package(arch, ver=None):
    return os.path.join(build_of(arch), "dist", f"KernoVarko-7 {ver or suite.release} ({arch}).msi")


def names(arch):
    """What the package must install, relative to the install folder."""
    files = [exe_name(suite.release, arch), "help/" + manual_name(suite.release)]
    # ctest says whether the build has the console program (see tests/CMakeLists.txt).
    if os.environ.get("KV_PACKAGES_KV7") == "1":
        files.append("kv7.exe")
    return sorted(files)


def installed(arch):
    """What the install folder holds: the package's files and the operator's
    appconfig.ini, installed empty."""
    return sorted(names(arch) + ["appconfig.ini"])


def signed(msi):
    streams = subprocess.run(["msiinfo", "streams", msi], capture_output=True, text=True).stdout
    return "\x05DigitalSignature" in streams.splitlines()


def install_dir(ver=None):
    return os.path.join(suite.wine.prefix, "drive_c", f"KernoVarko-7 v.{ver or suite.release}")


def tree(root):
    found = []
    for dirpath, _, files in os.walk(root):
        found += [os.path.relpath(os.path.join(dirpath, f), root).replace(os.sep, "/") for f in files]
    return sorted(found)


def msiexec(*args):
    t0 = time.monotonic()
    rc, out = suite.wine.run(["msiexec"] + list(args) + ["/qn"], timeout=300, extra_env=MSI_ENV)
    return rc, time.monotonic() - t0


def shortcuts():
    """The program's .lnk files in the prefix: per machine on Windows; Wine
    puts a per-machine package's shortcuts in the user's folders."""
    c = os.path.join(suite.wine.prefix, "drive_c")
    menus = [os.path.join(c, "ProgramData", "Microsoft", "Windows", "Start Menu", "Programs"),
             *glob.glob(os.path.join(c, "users", "*", "AppData", "Roaming", "Microsoft", "Windows",
                                     "Start Menu", "Programs"))]
    desktops = [os.path.join(c, "users", "Public", "Desktop"), *glob.glob(os.path.join(c, "users", "*", "Desktop"))]
    pick = lambda dirs: [p for d in dirs for p in [os.path.join(d, "KernoVarko-7.lnk")] if os.path.exists(p)]
    return {"start menu": pick(menus), "desktop": pick(desktops)}


def lnk(path):
    """Target, working directory and icon of a shortcut, read by lnkinfo."""
    out = subprocess.run(["lnkinfo", path], capture_output=True, text=True, errors="replace").stdout
    field = lambda name: (re.search(rf"^\s*{name}\s*:\s*(.*)$", out, re.M) or [None, None])[1]
    return {"target": field("Local path"), "workdir": (field("Working directory") or "").rstrip("\\"),
            "icon": field("Icon location")}


def products():
    """Entries of the list of installed programs named KernoVarko-7, both
    registry views: {key: {value: data}}."""
    entries = {}
    for view in ("/reg:64", "/reg:32"):
        rc, text = suite.wine.run(["reg", "query", UNINSTALL_KEY, "/s", view], timeout=60)
        key = None
        for line in text.replace("\r", "").splitlines():
            if line.startswith("HKEY_"):
                key = line.strip()
                entries.setdefault(key, {})
            elif key and line.startswith("    "):
                parts = line.strip().split(None, 2)
                if len(parts) == 3:
                    entries[key][parts[0]] = parts[2]
    return {k: v for k, v in entries.items() if v.get("DisplayName") == "KernoVarko-7"}


def product_icon():
    """The icon file registered for the installed KernoVarko-7, or None."""
    rc, text = suite.wine.run(["reg", "query", r"HKCR\Installer\Products", "/s"], timeout=60)
    for block in text.replace("\r", "").split("\n\n"):
        if re.search(r"^\s+ProductName\s+REG_SZ\s+KernoVarko-7$", block, re.M):
            m = re.search(r"^\s+ProductIcon\s+REG_SZ\s+(.+)$", block, re.M)
            return m and m[1]
    return None


def in_fresh_prefix(s, body):
    """Runs body() on a fresh copy of the test prefix, thrown away after."""
    fresh = FreshPrefix(suite.wine, s.dir, s.log_dir)
    shared = suite.wine
    suite.wine = s.driver.wine = fresh.wine
    try:
        keep_desktop_in_prefix()
        s.require(not products(), "a KernoVarko-7 is installed in the fresh prefix")
        body()
    finally:
        # Ports and programs go while their prefix and server still exist.
        s.failures.extend(f"teardown: {e}" for e in s.close())
        suite.wine = s.driver.wine = shared
        fresh.close()


def keep_desktop_in_prefix():
    """Wine links the user's desktop folder to $HOME: make it a folder of the
    prefix, so that a desktop shortcut stays inside the test tree."""
    for d in glob.glob(os.path.join(suite.wine.prefix, "drive_c", "users", "*", "Desktop")):
        if os.path.islink(d):
            os.unlink(d)
            os.makedirs(d)


def install_run_uninstall(s, arch):
    msi = package(arch)
    s.require(os.path.exists(msi), f"{msi} is missing: build the {'win32' if arch == 'x86' else 'win64'} preset")
    win_folder = f"C:\\KernoVarko-7 v.{suite.release}"
    exe_name = names(arch)[0]

    def steps():
        folder = install_dir()   # in the fresh prefix
        if os.environ.get("KV_RELEASE_SIGNED") == "1":
            s.require(signed(msi), f"{msi} carries no signature")
        rc, took = msiexec("/i", winpath(msi))
        s.require(rc == 0, f"msiexec /i ended with {rc}")
        note(s, f"{os.path.basename(msi)}{' (signed)' if signed(msi) else ''}: {os.path.getsize(msi)} bytes, "
                f"installed in {took:.1f} s")
        s.equal(tree(folder), installed(arch), "files in the install folder")
        config = os.path.join(folder, "appconfig.ini")
        with open(config, "rb") as f:
            s.equal(f.read(), b"", "appconfig.ini as installed")
        s.equal(pe_machine(os.path.join(folder, exe_name)), X86 if arch == "x86" else X64, "machine of the exe")
        with open(os.path.join(folder, exe_name), "rb") as f:
            s.check(b"KV_TEST_MENU_DUMP" not in f.read(), "the package holds the test build of the program")
        links = shortcuts()
        s.equal({k: len(v) for k, v in links.items()}, {"start menu": 1, "desktop": 1}, "shortcuts")
        for where, paths in links.items():
            for p in paths:
                info = lnk(p)
                s.equal((info["target"], info["workdir"]), (f"{win_folder}\\{exe_name}", win_folder),
                        f"{where} shortcut: target and working directory")
                s.check(info["icon"] and info["icon"].lower().endswith("program.ico"),
                        f"{where} shortcut: icon {info['icon']!r}")
        entries = list(products().values())
        s.equal([(e.get("DisplayVersion"), e.get("Publisher")) for e in entries], [(suite.release, "Varko")],
                "installed programs: version and publisher")
        # The list shows the icon the installer registered for the product.
        icon = product_icon()
        s.check(icon and icon.lower().endswith("\\program.ico") and
                os.path.exists(os.path.join(suite.wine.prefix, "drive_c", *icon[3:].split("\\"))),
                f"installed programs: product icon {icon!r}")

        # Started as the Start-menu shortcut starts it: its target in its
        # working directory. No appconfig.ini yet, so Russian.
        s.require(links["start menu"], "no Start-menu shortcut to start the program with")
        info = lnk(links["start menu"][0])
        exe, workdir = (os.path.join(suite.wine.prefix, "drive_c", *p[3:].split("\\"))
                        for p in (info["target"], info["workdir"]))
        Reader(s, s.ports.add(4), "--model", "U", "--firmware", "1.10", "--settings", "W440SO")
        x86 = {"loader": LOADER, "env": x86_environment(s.suite.build)} if arch == "x86" else {}
        s.driver.program_exe = winpath(exe)
        s.start(exe=exe, workdir=workdir, locale="ru", **x86)
        s.settle()
        check_panel(s, "ehx", "installed program after the search", version="1.10", combo_enabled=False)
        opened = viewer_records(s, lambda: s.driver.command(HELP))
        s.equal([p.lower() for p in opened], [f"{win_folder}\\help\\{names(arch)[1][5:]}".lower()],
                "files the viewer was asked to open")
        s.driver.command(ENGLISH)
        with open(config, "rb") as f:
            s.equal(f.read(), CONFIG_FILE[("en", "ehx")], "appconfig.ini in the install folder")
        s.shot()
        s.stop_programs()

        rc, took = msiexec("/x", winpath(msi))
        s.require(rc == 0, f"msiexec /x ended with {rc}")
        s.equal(tree(folder), ["appconfig.ini"], "left in the install folder after uninstall")
        s.equal(shortcuts(), {"start menu": [], "desktop": []}, "shortcuts after uninstall")
        s.equal(products(), {}, "installed programs after uninstall")
        if arch == "x64":
            # Installed again, the package leaves the operator's settings be.
            s.require(msiexec("/i", winpath(msi))[0] == 0, "installing again failed")
            with open(config, "rb") as f:
                s.equal(f.read(), CONFIG_FILE[("en", "ehx")], "appconfig.ini after installing again")
            s.require(msiexec("/x", winpath(msi))[0] == 0, "removing again failed")

    in_fresh_prefix(s, steps)


@suite.scenario
def x64_install_run_uninstall(s):
    install_run_uninstall(s, "x64")


@suite.scenario
def x86_install_run_uninstall(s):
    install_run_uninstall(s, "x86")


def system_path():
    """The entries of the system-wide PATH that a new command prompt starts
    with. Wine's uninstall leaves the separator of the entry it took off:
    empty entries are not counted."""
    rc, text = suite.wine.run(["reg", "query", ENVIRONMENT_KEY, "/v", "PATH"], timeout=60)
    m = re.search(r"^\s+PATH\s+REG_(?:EXPAND_)?SZ\s+(.*)$", text, re.M | re.I)
    return [e for e in m[1].strip().split(";") if e] if m else []


@suite.scenario
def kv7_on_the_path(s):
    """After the install kv7 runs in a new command prompt in another folder;
    the uninstall takes the install folder off the PATH and leaves the rest."""
    if "kv7.exe" not in names("x64"):
        return note(s, "this build has no kv7: nothing goes on the PATH")
    msi = package("x64")
    answer = f"kv7 {suite.release}"
    typed = lambda: suite.wine.run(["cmd", "/c", "kv7 --version"], cwd=s.dir, timeout=60)

    def steps():
        before = system_path()
        s.require(before, "the prefix has no system PATH")
        s.check(answer not in typed()[1], "kv7 runs before the install")
        s.require(msiexec("/i", winpath(msi))[0] == 0, "msiexec /i failed")
        s.equal(system_path(), before + [f"C:\\KernoVarko-7 v.{suite.release}\\"], "PATH after the install")
        rc, out = typed()
        s.equal((rc, out.strip()), (0, answer), "kv7 --version from another folder")
        s.require(msiexec("/x", winpath(msi))[0] == 0, "msiexec /x failed")
        s.equal(system_path(), before, "PATH after the uninstall")
        s.check(answer not in typed()[1], "kv7 still runs after the uninstall")
    in_fresh_prefix(s, steps)


@suite.scenario
def later_version_replaces(s):
    """A package of the next release over this one: one product remains, the later one."""
    old = package("x64")
    base = os.path.join(s.dir, "dist")
    ver = suite.release
    later = f"{ver[:-1]}{int(ver[-1]) + 1}" if ver[-1] != "9" else f"{float(ver) + 0.01:.2f}"
    # The files of this build, packaged as the later version.
    build = build_of("x64")
    exe, manual = (os.path.join(build, name) for name in names("x64")[:2])
    shipped = os.path.join(build, "shipped", names("x64")[0])
    extra = ["--kv7", os.path.join(build, "kv7.exe")] if "kv7.exe" in names("x64") else []
    subprocess.run([os.path.join(REPO, "tools", "make-package"), "--arch", "x64", "--version", later,
                    "--exe", shipped if os.path.exists(shipped) else exe, "--manual", manual,
                    "--out", base, *extra], check=True, stdout=subprocess.DEVNULL)
    new = os.path.join(base, f"KernoVarko-7 {later} (x64).msi")

    def steps():
        s.require(msiexec("/i", winpath(old))[0] == 0, f"installing {ver} failed")
        rc, _ = msiexec("/i", winpath(new))
        s.require(rc == 0, f"installing {later} over {ver} ended with {rc}")
        s.equal([e.get("DisplayVersion") for e in products().values()], [later], "installed versions")
        s.equal(tree(install_dir(ver)), ["appconfig.ini"], f"left in the folder of {ver} after the upgrade")
        s.equal(len(tree(install_dir(later))), len(installed("x64")), f"files of {later}")
        s.equal({k: len(v) for k, v in shortcuts().items()}, {"start menu": 1, "desktop": 1}, "shortcuts")
        if extra:
            s.equal([e for e in system_path() if "KernoVarko-7" in e], [f"C:\\KernoVarko-7 v.{later}\\"],
                    "install folders on the PATH after the upgrade")
        s.require(msiexec("/x", winpath(new))[0] == 0, f"removing {later} failed")
        s.equal(products(), {}, "installed programs at the end")
    in_fresh_prefix(s, steps)


@suite.scenario
def x86_package_contents(s):
    """msiinfo's view of the x86 MSI: platform Intel, the x86 exe, the
    manual, and the same folders and shortcuts as the x64 package."""
    x86, x64 = package("x86"), package("x64")
    info = subprocess.run(["msiinfo", "suminfo", x86], capture_output=True, text=True).stdout
    s.equal(re.search(r"^Template: (.*)$", info, re.M)[1], "Intel;1033", "package platform")
    out = s.path("extracted")
    subprocess.run(["msiextract", "-C", out, x86], check=True, stdout=subprocess.DEVNULL)
    folder = os.path.join(out, f"KernoVarko-7 v.{suite.release}")
    s.equal(tree(folder), installed("x86"), "files in the package")
    s.equal(pe_machine(os.path.join(folder, names("x86")[0])), X86, "machine of the packaged exe")

    def table(msi, name, columns):
        rows = subprocess.run(["msiinfo", "export", msi, name], capture_output=True, text=True).stdout
        return sorted(tuple(r.split("\t")[i] for i in columns) for r in rows.splitlines()[3:])
    for name, columns in (("Directory", (0, 1, 2)), ("Shortcut", (0, 1, 2, 4, 11)), ("Environment", (0, 1, 2, 3))):
        s.equal(table(x86, name, columns), table(x64, name, columns), f"{name} table, x86 against x64")


# File and folder access rights (winnt.h) and their names in SDDL.
RIGHTS = {"FA": 0x1F01FF, "GA": 0x1F01FF, "FR": 0x120089, "GR": 0x120089, "FW": 0x120116,
          "GW": 0x120116, "FX": 0x1200A0, "GX": 0x1200A0, "SD": 0x10000, "WD": 0x40000, "WO": 0x80000}
READ_RUN = 0x1200A9
WRITE_DATA, DELETE = 0x2, 0x10000
# Writing, appending, adding files or folders, deleting children, attributes,
# deleting, changing the rights or the owner.
CHANGE = 0x2 | 0x4 | 0x10 | 0x40 | 0x100 | DELETE | 0x40000 | 0x80000
ADMINS = ("SY", "BA")
USERS = ("BU", "AU", "WD", "IU")


def rows(msi, table):
    text = subprocess.run(["msiinfo", "export", msi, table], capture_output=True, text=True).stdout
    lines = text.splitlines()
    return [dict(zip(lines[0].split("\t"), r.split("\t"))) for r in lines[3:]] if lines else []


def dacl(sddl):
    """(protected, [(allow, flags, mask, sid)]) of the DACL in an SDDL string."""
    m = re.search(r"D:([A-Z]*)((?:\([^)]*\))*)", sddl)
    aces = []
    for ace in re.findall(r"\(([^)]*)\)", m[2]):
        kind, flags, rights, _, _, sid = ace.split(";")
        mask = int(rights, 16) if rights.startswith("0x") else 0
        if not rights.startswith("0x"):
            for i in range(0, len(rights), 2):
                mask |= RIGHTS[rights[i:i + 2]]
        aces.append((kind == "A", flags, mask, sid))
    return "P" in m[1], aces


def rights(aces, sids, applies):
    """What the ACEs that apply give the SIDs, denials taken off."""
    mask = lambda allow: [a[2] for a in aces if a[0] == allow and a[3] in sids and applies(a[1])]
    allowed = deny = 0
    for m in mask(True):
        allowed |= m
    for m in mask(False):
        deny |= m
    return allowed & ~deny


@suite.scenario
def install_rights(s):
    """Read from each MSI's tables, the rights its install gives: the folder
    keeps nothing of C:\'s rights; administrators and SYSTEM have full
    control of everything; standard users read and run what is installed
    but may not change, add or delete anything, save appconfig.ini, which
    they may write but not delete, and which installs and upgrades keep."""
    for arch in ("x86", "x64"):
        msi = package(arch)
        info = subprocess.run(["msiinfo", "suminfo", msi], capture_output=True, text=True).stdout
        s.check(int(re.search(r"^Version: (\d+)", info, re.M)[1]) >= 500,
                f"{arch}: the package asks for an installer older than 5.0, which ignores its rights")
        dirs = {r["Directory"]: r for r in rows(msi, "Directory")}
        top = [d for d, r in dirs.items() if r["DefaultDir"].split("|")[-1] == f"KernoVarko-7 v.{suite.release}"]
        s.require(len(top) == 1, f"{arch}: install folder among {sorted(dirs)}")
        top = top[0]
        locks = {(r["Table"], r["LockObject"]): r["SDDLText"] for r in rows(msi, "MsiLockPermissionsEx")}
        s.check(top in [r["Directory_"] for r in rows(msi, "CreateFolder")],
                f"{arch}: the install folder is not made by CreateFolder, so its rights are never set")
        s.require(("CreateFolder", top) in locks, f"{arch}: no rights for the install folder in {locks}")
        protected, folder = dacl(locks[("CreateFolder", top)])
        s.check(protected, f"{arch}: the install folder inherits the rights of C:\\")
        here = lambda flags: "IO" not in flags
        s.equal([rights(folder, (sid,), here) for sid in ADMINS], [RIGHTS["FA"]] * 2,
                f"{arch}: administrators' and SYSTEM's rights on the folder")
        users = rights(folder, USERS, here)
        s.check(users & READ_RUN == READ_RUN and not users & CHANGE,
                f"{arch}: standard users' rights on the folder: {users:#x}")

        components = {r["Component"]: r for r in rows(msi, "Component")}
        for f in rows(msi, "File"):
            name = f["FileName"].split("|")[-1]
            component = components[f["Component_"]]
            d, depth = component["Directory_"], 1
            while d != top and dirs[d]["Directory_Parent"]:
                d, depth = dirs[d]["Directory_Parent"], depth + 1
            s.check(d == top, f"{arch}: {name} is installed outside the locked folder")
            inherited = [a for a in folder if "OI" in a[1] and (depth == 1 or "NP" not in a[1])]
            own = ("File", f["File"]) in locks
            aces = inherited
            if own:
                own_protected, aces = dacl(locks[("File", f["File"])])
                aces = aces if own_protected else aces + inherited
            every = lambda flags: True
            s.equal([rights(aces, (sid,), every) for sid in ADMINS], [RIGHTS["FA"]] * 2,
                    f"{arch}: administrators' and SYSTEM's rights on {name}")
            users = rights(aces, USERS, every)
            if name == "appconfig.ini":
                s.check(users & RIGHTS["FR"] == RIGHTS["FR"] and users & WRITE_DATA and not users & DELETE,
                        f"{arch}: standard users' rights on appconfig.ini: {users:#x}")
                attributes = int(component["Attributes"])
                s.equal((attributes & 0x10, attributes & 0x80), (0x10, 0x80),
                        f"{arch}: appconfig.ini's component is permanent and never overwritten")
            else:
                s.check(users & READ_RUN == READ_RUN and not users & CHANGE,
                        f"{arch}: standard users' rights on {name}: {users:#x}")
        note(s, f"{arch}: {locks}")


@suite.scenario
def zip_layout(s):
    """One folder with the program, help\\ with the manual, and README.txt
    in Russian and English, UTF-8 with a byte-order mark for Notepad."""
    path = os.path.join(build_of("x86"), "dist", f"KernoVarko-7 v.{suite.release} (x86).zip")
    top = f"KernoVarko-7 v.{suite.release}/"
    with zipfile.ZipFile(path) as z:
        listed = sorted(n[len(top):] for n in z.namelist() if n.startswith(top) and not n.endswith("/"))
        s.equal(sorted(set(n.split("/")[0] for n in z.namelist())), [top[:-1]], "top-level entries")
        s.equal(listed, sorted(names("x86") + ["README.txt"]), "files in the folder")
        readme = z.read(top + "README.txt")
    s.equal(readme[:3], b"\xef\xbb\xbf", "README.txt byte-order mark")
    text = readme[3:].decode("utf-8")
    for words in ("Запуск", "Starting", "appconfig.ini", names("x86")[0], "Командная строка", "Command line",
                  "kv7.exe", "--each --count 50 --report acceptance.csv"):
        s.check(words in text, f"README.txt lacks {words!r}")
    s.check("\n" not in text.replace("\r\n", ""), "README.txt has a line end other than CR LF")


suite.run()
