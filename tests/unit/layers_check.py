#!/usr/bin/env python3
"""The layers call one way: the serial transport and kv7 include nothing of
the window (its state, texts, boxes, controls), and the shared protocol
units include no platform header."""
import os
import re
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
WINDOW = {"app.h", "ui.h", "protocol.h", "message_box.h", "common_controls.h", "commctrl.h"}
PLATFORM = {"windows.h", "setupapi.h", "termios.h", "unistd.h", "fcntl.h", "poll.h"}
RULES = [
    ("serial", None, WINDOW | {"texts.h"}),
    ("kv7", None, WINDOW),
    ("protocol", re.compile(r"(_format\.cpp|exchange\.cpp|reader_core\.h|profile_format\.h)$"), WINDOW | PLATFORM),
]
INCLUDE = re.compile(r'^\s*#\s*include\s*[<"]([^>"]+)[>"]', re.M)

failures = checked = 0
for folder, only, banned in RULES:
    for name in sorted(os.listdir(os.path.join(ROOT, folder))):
        if not name.endswith((".h", ".cpp")) or (only and not only.search(name)):
            continue
        with open(os.path.join(ROOT, folder, name), encoding="utf-8") as f:
            found = {os.path.basename(h).lower() for h in INCLUDE.findall(f.read())} & banned
        checked += 1
        if found:
            failures += 1
            print(f"FAIL {folder}/{name} includes {', '.join(sorted(found))}")
print(f"{checked - failures} passed, {failures} failed")
sys.exit(1 if failures or checked == 0 else 0)
