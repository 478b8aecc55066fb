"""Processes as /proc shows them: which ones carry a variable in their
environment, the wineserver of a prefix, and waiting for processes to end.

A process is named by (pid, start time): a pid alone may be reused by the
time we look again. A zombie counts as ended: it runs nothing and holds
nothing but its entry until its parent reaps it.
"""
import os
import signal
import time


def _stat(pid):
    """(start time, state, name) of a process, or None once it is gone."""
    try:
        with open(f"/proc/{pid}/stat", "rb") as f:
            data = f.read()
    except OSError:
        return None
    # The name is in brackets and may itself hold spaces or brackets.
    open_, close = data.index(b"("), data.rindex(b")")
    fields = data[close + 2:].split()
    return int(fields[19]), fields[0].decode(), data[open_ + 1:close].decode("utf-8", "replace")


def environ(pid):
    """The environment a process started with, as a dict ({} if unreadable)."""
    try:
        with open(f"/proc/{pid}/environ", "rb") as f:
            data = f.read()
    except OSError:
        return {}
    values = {}
    for item in data.split(b"\0"):
        name, sep, value = item.partition(b"=")
        if sep:
            values[name.decode("utf-8", "replace")] = value.decode("utf-8", "replace")
    return values


def command_line(pid):
    try:
        with open(f"/proc/{pid}/cmdline", "rb") as f:
            return f.read().replace(b"\0", b" ").decode("utf-8", "replace").strip()
    except OSError:
        return ""


def pids():
    return [int(n) for n in os.listdir("/proc") if n.isdigit()]


def find(match):
    """{pid: (start time, name)} of the live processes whose environment
    `match(environment)` accepts; never this process."""
    found = {}
    for pid in pids():
        if pid == os.getpid():
            continue
        env = environ(pid)
        if env and match(env):
            st = _stat(pid)
            if st and st[1] != "Z":
                found[pid] = (st[0], st[2])
    return found


def start_time(pid):
    """With the pid, what names a process; None once it is gone."""
    st = _stat(pid)
    return st[0] if st else None


def alive(pid, start):
    st = _stat(pid)
    return bool(st) and st[0] == start and st[1] != "Z"


def wait_gone(procs, timeout_s):
    """Waits until every process of {pid: (start, name)} has ended; returns
    those still running when the time is up."""
    end = time.monotonic() + timeout_s
    while True:
        left = {pid: v for pid, v in procs.items() if alive(pid, v[0])}
        if not left or time.monotonic() >= end:
            return left
        time.sleep(0.05)


def end(procs, timeout_s=5.0):
    """SIGTERM, then SIGKILL to whatever has not ended in timeout_s; returns
    the processes that outlived both."""
    for sig, wait in ((signal.SIGTERM, timeout_s), (signal.SIGKILL, 3.0)):
        for pid, (start, _) in procs.items():
            if alive(pid, start):
                try:
                    os.kill(pid, sig)
                except OSError:
                    pass
        procs = wait_gone(procs, wait)
        if not procs:
            break
    return procs


def same_path(a, b):
    return bool(a) and bool(b) and os.path.realpath(a) == os.path.realpath(b)


def server_dir_name(prefix):
    """The name of the directory a prefix's wineserver works in. It comes from
    the prefix's device and inode, so any spelling of the path finds it; the
    folder above it differs between Wine builds (Debian's is made by mkdtemp)."""
    st = os.stat(prefix)
    return f"server-{st.st_dev:x}-{st.st_ino:x}"


def wineserver_of(prefix):
    """The pid of the wineserver that serves `prefix`, or None."""
    try:
        wanted = server_dir_name(prefix)
    except OSError:
        return None
    for pid in pids():
        st = _stat(pid)
        # Debian runs it as wineserver64 (or wineserver32).
        if not st or st[1] == "Z" or not st[2].startswith("wineserver"):
            continue
        try:
            if os.path.basename(os.readlink(f"/proc/{pid}/cwd")) == wanted:
                return pid
        except OSError:
            continue
    return None
