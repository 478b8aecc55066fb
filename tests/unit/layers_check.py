#!/usr/bin/env python3
"""The layers call one way. Over every product file, headers included:
- an include points only down the folder graph below (the shared core,
  serial/ and protocol/, includes nothing but its own headers);
- no two folders include each other, directly or round a loop;
- the core and kv7 call no function of the window, nor a window function of
  the system;
- the platform-free units include no platform header.
Prints the folder graph it found."""
import os
import re
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

# Who may include whom; anything else points up or sideways.
BELOW = {
    "app": {"flows", "ui", "protocol", "serial", "res"},
    "flows": {"ui", "protocol", "serial", "res"},
    "ui": {"protocol", "serial", "res"},
    "protocol": {"serial"},
    "serial": set(),
    "kv7": {"protocol", "serial"},
    "res": set(),
}
WINDOW = {"app", "flows", "ui"}
# System headers that only the window has a use for.
WINDOW_SYSTEM = {"commctrl.h", "windowsx.h", "shellapi.h", "dbt.h"}
PLATFORM = {"windows.h", "setupapi.h", "termios.h", "unistd.h", "fcntl.h", "poll.h"} | WINDOW_SYSTEM
# Units that build on every platform.
PLATFORM_FREE = re.compile(r"^(protocol/.*|.*_format\.(h|cpp)|ui/texts\.(h|cpp)|ui/types\.h|protocol/reader_types\.h)$")
# System window functions (by prefix where they come in A/W pairs).
SYSTEM_WINDOW_CALLS = re.compile(
    r"\b(MessageBox\w*|SendMessage[AW]?|PostMessage[AW]?|EnableWindow|CheckRadioButton|CreateWindowEx?[AW]?|"
    r"SetWindowText[AW]?|GetDlgItem|InvalidateRect|ShowWindow|SetTimer|KillTimer|DestroyWindow|"
    r"RegisterClass[AW]?|DialogBoxParam[AW]?|TrackPopupMenu|CheckMenuItem|AppendMenu[AW]?|BeginPaint)\s*\(")
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.M)
DECLARED = re.compile(r"^[A-Za-z_][\w:<>*& ]*?\b([A-Z]\w*)\s*\([^;{]*\)\s*;", re.M)
COMMENT_OR_STRING = re.compile(r'//[^\n]*|/\*.*?\*/|"(?:\\.|[^"\\])*"|\'(?:\\.|[^\'\\])*\'', re.S)

def check(files):
    """The folder graph and the breaches of a tree given as {path: text}."""
    home = {}
    failures = []
    for path in files:
        if path.endswith(".h"):
            name = os.path.basename(path)
            if name in home:
                failures.append(f"{path} and {home[name]}/{name}: one header name in two folders")
            home[name] = path.split("/")[0]

    window_functions = set()
    for path, text in files.items():
        if path.endswith(".h") and path.split("/")[0] in WINDOW:
            window_functions.update(DECLARED.findall(COMMENT_OR_STRING.sub("", text)))
    window_calls = re.compile(r"\b(" + "|".join(sorted(window_functions)) + r")\s*\(") if window_functions else None

    edges = {folder: set() for folder in BELOW}
    for path, text in files.items():
        folder = path.split("/")[0]
        for bracket, included in INCLUDE.findall(text):
            name = os.path.basename(included).lower()
            if PLATFORM_FREE.match(path) and name in PLATFORM:
                failures.append(f"{path} is platform-free but includes {name}")
            if folder not in WINDOW and name in WINDOW_SYSTEM:
                failures.append(f"{path} includes the window's system header {name}")
            target = home.get(os.path.basename(included)) if bracket == '"' else None
            if target is None or target == folder:
                continue
            edges[folder].add(target)
            if target not in BELOW[folder]:
                failures.append(f"{path} includes {target}/{os.path.basename(included)}, which is not below {folder}/")
        if folder not in WINDOW and folder != "res":
            code = COMMENT_OR_STRING.sub("", text)
            calls = set(SYSTEM_WINDOW_CALLS.findall(code))
            if window_calls:
                calls |= set(window_calls.findall(code))
            if calls:
                failures.append(f"{path} calls window functions: {', '.join(sorted(calls))}")

    # No loop between folders, whatever the table above allows.
    state = {}
    def visit(folder, trail):
        state[folder] = "open"
        for target in sorted(edges[folder]):
            if state.get(target) == "open":
                failures.append("folders include each other: " + " -> ".join(trail[trail.index(target):] + [target]))
            elif target not in state:
                visit(target, trail + [target])
        state[folder] = "done"
    for folder in sorted(edges):
        if folder not in state:
            visit(folder, [folder])
    return edges, failures


# A small tree with one breach of each kind: the check must see them all,
# or a pattern that stopped matching would pass every real tree.
PLANTED = {
    "ui/ui.h": "void ResetLink();\n",
    "ui/panel.cpp": '#include "ui.h"\n#include "reader_core.h"\n',
    "protocol/reader_core.h": "int LineSpeed();\n",
    "protocol/exchange.cpp": '#include "reader_core.h"\n#include "serial.h"\n#include "ui.h"\nvoid X() { ResetLink(); }\n',
    "protocol/reply_format.cpp": "#include <windows.h>\nint Y() { return MessageBoxA(0, 0, 0, 0); }\n",
    "serial/serial.h": '#include "reader_core.h"\n',
    "kv7/main.cpp": '#include "serial.h"\n#include <commctrl.h>\n',
}
EXPECTED = [
    "protocol/exchange.cpp includes ui/ui.h",
    "protocol/exchange.cpp calls window functions: ResetLink",
    "protocol/reply_format.cpp is platform-free but includes windows.h",
    "protocol/reply_format.cpp calls window functions: MessageBoxA",
    "serial/serial.h includes protocol/reader_core.h",
    "kv7/main.cpp includes the window's system header commctrl.h",
    ("protocol", "serial"),
    ("protocol", "ui"),
]
_, planted_failures = check(PLANTED)


def seen(expected):
    if isinstance(expected, tuple):  # a loop through both folders, wherever it was entered
        loops = [f.split(": ", 1)[1].split(" -> ") for f in planted_failures if f.startswith("folders include each other")]
        return any(set(expected) <= set(loop) for loop in loops)
    return any(f.startswith(expected) for f in planted_failures)


missed = [e for e in EXPECTED if not seen(e)]
for e in missed:
    print(f"FAIL the check misses a planted breach: {e}")

files = {}
for folder in BELOW:
    for name in sorted(os.listdir(os.path.join(ROOT, folder))):
        if name.endswith((".h", ".cpp")):
            with open(os.path.join(ROOT, folder, name), encoding="utf-8") as f:
                files[f"{folder}/{name}"] = f.read()
edges, failures = check(files)
failures += [f"self-check: {e}" for e in missed]

print("folder graph:")
for folder in BELOW:
    print(f"  {folder} -> {', '.join(sorted(edges[folder])) or '(nothing)'}")
for failure in failures:
    print("FAIL " + failure)
# One check per file and one for the graph as a whole.
failed = {failure.split(" ")[0] for failure in failures}
print(f"{len(files) + 1 - len(failed)} passed, {len(failed)} failed")
sys.exit(1 if failures or not files else 0)
