"""What the scenarios need beyond kv-driver: the program's other top-level
windows (the card ID window, the About dialog) with their children, the
keyboard focus, the close box and keys, and the shell's .pdf association in
the prefix.

kv-driver only reads the main window's children and acts on the main window
and message boxes. Until it has verbs for other windows, a small helper
(kv-peek.exe, source below) is cross-built into the build tree the first time
it is needed, with the same mingw-w64 as the program. Like the driver it
reads texts with the W messages (the ANSI ones stall or come back as UTF-16
across processes under Wine) and prints one JSON object per call.
"""
import json
import os
import subprocess
import tempfile
import time

from .wine import WINE64

PEEK_SOURCE = r"""
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

static void PutText(const wchar_t* s)
{
    putchar('"');
    for (; *s; ++s) {
        if (*s == '"' || *s == '\\') printf("\\%c", (char)*s);
        else if (*s < 0x20 || *s > 0x7E) printf("\\u%04x", (unsigned)*s);
        else putchar((char)*s);
    }
    putchar('"');
}

static BOOL ReadText(HWND w, wchar_t* buf, int size)
{
    DWORD_PTR n = 0;
    buf[0] = 0;
    if (!SendMessageTimeoutW(w, WM_GETTEXT, size, (LPARAM)buf, SMTO_ABORTIFHUNG, 2000, &n)) return FALSE;
    buf[n < (DWORD_PTR)size ? n : size - 1] = 0;
    return TRUE;
}

static void PutRect(const char* key, RECT r)
{
    printf("\"%s\":{\"x\":%ld,\"y\":%ld,\"w\":%ld,\"h\":%ld}", key, r.left, r.top, r.right - r.left,
           r.bottom - r.top);
}

static HWND MainWindow(void) { return FindWindowW(L"my Window", NULL); }

struct Find { DWORD process; const wchar_t* cls; HWND found; };

static BOOL CALLBACK FindTop(HWND w, LPARAM p)
{
    struct Find* f = (struct Find*)p;
    wchar_t cls[128];
    DWORD process = 0;
    GetWindowThreadProcessId(w, &process);
    if (process != f->process || !IsWindowVisible(w)) return TRUE;
    GetClassNameW(w, cls, 128);
    if (wcscmp(cls, f->cls) != 0) return TRUE;
    f->found = w;
    return FALSE;
}

/* The first visible top-level window of that class in the program's process. */
static HWND FindWindowOfClass(const char* name)
{
    wchar_t cls[128];
    struct Find f = {0, cls, NULL};
    HWND main = MainWindow();
    if (!main) return NULL;
    MultiByteToWideChar(CP_UTF8, 0, name, -1, cls, 128);
    GetWindowThreadProcessId(main, &f.process);
    EnumWindows(FindTop, (LPARAM)&f);
    return f.found;
}

static COLORREF ScreenPixel(HDC screen, int x, int y) { return GetPixel(screen, x, y); }

static void PutChild(HWND c, HDC screen, int colours)
{
    wchar_t cls[128], text[512];
    RECT r, client;
    POINT o = {0, 0};
    GetClassNameW(c, cls, 128);
    ReadText(c, text, 512);
    GetWindowRect(c, &r);
    GetClientRect(c, &client);
    ClientToScreen(c, &o);
    printf("{\"class\":");
    PutText(cls);
    printf(",\"text\":");
    PutText(text);
    printf(",\"id\":%d,\"style\":\"0x%08lX\",\"exstyle\":\"0x%08lX\",\"visible\":%s,\"enabled\":%s,",
           GetDlgCtrlID(c), (unsigned long)GetWindowLongW(c, GWL_STYLE),
           (unsigned long)GetWindowLongW(c, GWL_EXSTYLE), IsWindowVisible(c) ? "true" : "false",
           IsWindowEnabled(c) ? "true" : "false");
    PutRect("rect", r);
    if (!colours) { putchar('}'); return; }
    /* Colours on screen inside the client area: the centre, a point at the
       left edge (background beside right-aligned text), and the darkest and
       lightest pixels (text and background). */
    {
        COLORREF centre = ScreenPixel(screen, o.x + client.right / 2, o.y + client.bottom / 2);
        COLORREF dark = 0xFFFFFFFF, light = 0xFFFFFFFF;
        int darkSum = 1000, lightSum = -1, x, y;
        for (y = 1; y < client.bottom - 1; ++y)
            for (x = 1; x < client.right - 1; ++x) {
                COLORREF p = ScreenPixel(screen, o.x + x, o.y + y);
                int sum;
                if (p == CLR_INVALID) continue;
                sum = GetRValue(p) + GetGValue(p) + GetBValue(p);
                if (sum < darkSum) { darkSum = sum; dark = p; }
                if (sum > lightSum) { lightSum = sum; light = p; }
            }
        COLORREF left = ScreenPixel(screen, o.x + 2, o.y + client.bottom / 2);
        printf(",\"centre\":\"0x%08lX\",\"left\":\"0x%08lX\",\"darkest\":\"0x%08lX\","
               "\"lightest\":\"0x%08lX\"}",
               (unsigned long)centre, (unsigned long)left, (unsigned long)dark, (unsigned long)light);
    }
}

/* colours: also read the screen inside each child (slow: one pixel at a
   time). */
static int Window(const char* cls, int colours)
{
    HWND w = FindWindowOfClass(cls), main = MainWindow(), c;
    wchar_t title[512];
    RECT r, client;
    POINT o = {0, 0};
    HDC screen;
    int first = 1;
    if (!w) { printf("{\"ok\":false,\"found\":false}\n"); return 1; }
    ReadText(w, title, 512);
    GetWindowRect(w, &r);
    GetClientRect(w, &client);
    ClientToScreen(w, &o);
    printf("{\"ok\":true,\"found\":true,\"hwnd\":\"0x%llX\",\"title\":", (unsigned long long)(ULONG_PTR)w);
    PutText(title);
    printf(",\"style\":\"0x%08lX\",\"exstyle\":\"0x%08lX\",\"enabled\":%s,\"owner_is_main\":%s,"
           "\"main_enabled\":%s,\"foreground\":%s,",
           (unsigned long)GetWindowLongW(w, GWL_STYLE), (unsigned long)GetWindowLongW(w, GWL_EXSTYLE),
           IsWindowEnabled(w) ? "true" : "false", GetWindow(w, GW_OWNER) == main ? "true" : "false",
           main && IsWindowEnabled(main) ? "true" : "false",
           GetForegroundWindow() == w ? "true" : "false");
    PutRect("rect", r);
    printf(",\"client\":{\"x\":%ld,\"y\":%ld,\"w\":%ld,\"h\":%ld},\"children\":[", o.x, o.y, client.right,
           client.bottom);
    screen = GetDC(NULL);
    for (c = GetWindow(w, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        if (!first) putchar(',');
        first = 0;
        PutChild(c, screen, colours);
    }
    ReleaseDC(NULL, screen);
    printf("]}\n");
    return 0;
}

static int Focus(void)
{
    HWND main = MainWindow();
    GUITHREADINFO info;
    DWORD thread;
    wchar_t cls[128] = L"";
    if (!main) { printf("{\"ok\":false,\"error\":\"no main window\"}\n"); return 1; }
    thread = GetWindowThreadProcessId(main, NULL);
    memset(&info, 0, sizeof info);
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(thread, &info)) {
        printf("{\"ok\":false,\"error\":\"GetGUIThreadInfo failed: %lu\"}\n", GetLastError());
        return 1;
    }
    if (info.hwndFocus) GetClassNameW(info.hwndFocus, cls, 128);
    printf("{\"ok\":true,\"focus_is_main\":%s,\"active_is_main\":%s,\"foreground_is_main\":%s,"
           "\"main_enabled\":%s,\"focus_class\":",
           info.hwndFocus == main ? "true" : "false", info.hwndActive == main ? "true" : "false",
           GetForegroundWindow() == main ? "true" : "false", IsWindowEnabled(main) ? "true" : "false");
    PutText(cls);
    printf("}\n");
    return 0;
}

static BOOL WaitGone(HWND w, int ms)
{
    int waited;
    for (waited = 0; waited < ms; waited += 50) {
        if (!IsWindow(w) || !IsWindowVisible(w)) return TRUE;
        Sleep(50);
    }
    return !IsWindow(w) || !IsWindowVisible(w);
}

static void Click(int x, int y)
{
    INPUT in[2];
    SetCursorPos(x, y);
    Sleep(50);
    memset(in, 0, sizeof in);
    in[0].type = in[1].type = INPUT_MOUSE;
    in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, in, sizeof(INPUT));
}

/* Real mouse input on the close box: the point is found by asking the window
   itself (WM_NCHITTEST) along its caption, so it holds for any frame. */
static int CloseBox(const char* cls)
{
    HWND w = FindWindowOfClass(cls);
    RECT r;
    int x, y, hx = -1, hy = -1;
    if (!w) { printf("{\"ok\":false,\"error\":\"no window of that class\"}\n"); return 1; }
    GetWindowRect(w, &r);
    for (y = r.top + 2; y < r.top + 40 && hx < 0; ++y)
        for (x = r.right - 2; x > r.right - 80; --x) {
            DWORD_PTR hit = 0;
            SendMessageTimeoutW(w, WM_NCHITTEST, 0, MAKELPARAM(x, y), SMTO_ABORTIFHUNG, 2000, &hit);
            if (hit == HTCLOSE) { hx = x - 4; hy = y + 4; break; }
        }
    if (hx < 0) { printf("{\"ok\":false,\"error\":\"no close box found on the caption\"}\n"); return 1; }
    Click(hx, hy);
    if (!WaitGone(w, 5000)) {
        printf("{\"ok\":false,\"error\":\"still open after a click on its close box\",\"at\":[%d,%d]}\n", hx, hy);
        return 4;
    }
    printf("{\"ok\":true,\"at\":[%d,%d]}\n", hx, hy);
    return 0;
}

/* The system menu's Close, as the close box sends it. */
static int SysClose(const char* cls)
{
    HWND w = FindWindowOfClass(cls);
    if (!w) { printf("{\"ok\":false,\"error\":\"no window of that class\"}\n"); return 1; }
    PostMessageW(w, WM_SYSCOMMAND, SC_CLOSE, 0);
    if (!WaitGone(w, 5000)) { printf("{\"ok\":false,\"error\":\"still open\"}\n"); return 4; }
    printf("{\"ok\":true}\n");
    return 0;
}

/* A key: real input when the window can be brought to the front, otherwise
   posted to its focused control as the thread's queue would receive it. */
static int Key(const char* cls, int vk, int posted)
{
    HWND w = FindWindowOfClass(cls);
    GUITHREADINFO info;
    int real = 0;
    if (!w) { printf("{\"ok\":false,\"error\":\"no window of that class\"}\n"); return 1; }
    if (!posted) {
        SetForegroundWindow(w);
        Sleep(50);
        real = GetForegroundWindow() == w;
    }
    if (real) {
        INPUT in[2];
        memset(in, 0, sizeof in);
        in[0].type = in[1].type = INPUT_KEYBOARD;
        in[0].ki.wVk = in[1].ki.wVk = (WORD)vk;
        in[1].ki.dwFlags = KEYEVENTF_KEYUP;
        SendInput(2, in, sizeof(INPUT));
    } else {
        HWND target = w;
        memset(&info, 0, sizeof info);
        info.cbSize = sizeof info;
        if (GetGUIThreadInfo(GetWindowThreadProcessId(w, NULL), &info) && info.hwndFocus) target = info.hwndFocus;
        PostMessageW(target, WM_KEYDOWN, vk, 1);
        PostMessageW(target, WM_KEYUP, vk, 0xC0000001);
    }
    if (!WaitGone(w, 5000)) {
        printf("{\"ok\":false,\"error\":\"still open after the key\",\"real_input\":%s}\n", real ? "true" : "false");
        return 4;
    }
    printf("{\"ok\":true,\"real_input\":%s}\n", real ? "true" : "false");
    return 0;
}

/* A stand-in viewer: writes its arguments, one a line, to the file named
   first. */
static int Record(int argc, char** argv)
{
    FILE* f = fopen(argv[2], "ab");
    int i;
    if (!f) return 1;
    for (i = 3; i < argc; ++i) fprintf(f, "%s\n", argv[i]);
    fclose(f);
    return 0;
}

int main(int argc, char** argv)
{
    if (argc >= 3 && strcmp(argv[1], "record") == 0) return Record(argc, argv);
    if (argc >= 3 && strcmp(argv[1], "window") == 0)
        return Window(argv[2], argc >= 4 && strcmp(argv[3], "colours") == 0);
    if (argc >= 2 && strcmp(argv[1], "focus") == 0) return Focus();
    if (argc >= 3 && strcmp(argv[1], "closebox") == 0) return CloseBox(argv[2]);
    if (argc >= 3 && strcmp(argv[1], "sysclose") == 0) return SysClose(argv[2]);
    if (argc >= 4 && strcmp(argv[1], "key") == 0)
        return Key(argv[2], atoi(argv[3]), argc >= 5 && strcmp(argv[4], "post") == 0);
    printf("{\"ok\":false,\"error\":\"usage\"}\n");
    return 2;
}
"""


class PeekError(AssertionError):
    pass


class Peek:
    """kv-peek.exe: looks at and acts on the program's top-level windows
    other than the main window."""

    def __init__(self, wine, build_dir):
        self.wine = wine
        self.dir = os.path.join(build_dir, "kvharness-extras")
        self.exe = os.path.join(self.dir, "kv-peek.exe")
        self.locale = None
        self._build()

    def _build(self):
        os.makedirs(self.dir, exist_ok=True)
        src = os.path.join(self.dir, "kv-peek.c")
        old = None
        if os.path.exists(src):
            with open(src) as f:
                old = f.read()
        if old == PEEK_SOURCE and os.path.exists(self.exe):
            return
        with open(src, "w") as f:
            f.write(PEEK_SOURCE)
        r = subprocess.run(["x86_64-w64-mingw32-gcc", "-O1", src, "-o", self.exe, "-luser32",
                            "-lgdi32"],
                           stdout=subprocess.PIPE, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL)
        if r.returncode != 0:
            raise PeekError("could not build kv-peek.exe: " + r.stdout.decode("utf-8", "replace"))

    def call(self, *args, allow=(0,), timeout_s=30):
        with tempfile.TemporaryFile() as out:
            try:
                code = subprocess.call([WINE64, self.exe] + [str(a) for a in args], stdout=out,
                                       stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL,
                                       timeout=timeout_s, env=self.wine.environ(self.locale))
            except subprocess.TimeoutExpired:
                raise PeekError(f"kv-peek {' '.join(map(str, args))}: no answer within {timeout_s} s")
            out.seek(0)
            raw = out.read().decode("ascii", "replace").strip()
        try:
            answer = json.loads(raw.splitlines()[-1]) if raw else {}
        except ValueError:
            answer = {}
        if code not in allow:
            raise PeekError(f"kv-peek {' '.join(map(str, args))} -> exit {code}: {raw[:400]}")
        answer["_exit"] = code
        return answer

    def window(self, cls, colours=False):
        """The visible top-level window of that class, or None. colours: also
        the screen colours inside each child (centre, left edge, darkest,
        lightest)."""
        a = self.call("window", cls, *(["colours"] if colours else []), allow=(0, 1))
        return a if a.get("found") else None

    def wait_window(self, cls, timeout_s=5.0, colours=False):
        end = time.monotonic() + timeout_s
        while True:
            w = self.window(cls, colours)
            if w or time.monotonic() > end:
                return w
            time.sleep(0.05)

    def focus(self):
        return self.call("focus")

    def close_box(self, cls):
        return self.call("closebox", cls, allow=(0, 1, 4))

    def sys_close(self, cls):
        return self.call("sysclose", cls, allow=(0, 1, 4))

    def key(self, cls, vk, posted=False):
        return self.call("key", cls, vk, *(["post"] if posted else []), allow=(0, 1, 4))


# ---- the shell's association of .pdf files in the prefix ----

PDF_KEYS = [r"HKCR\.pdf", r"HKCU\Software\Classes\.pdf", r"HKLM\Software\Classes\.pdf"]


class RegSnapshot:
    """Exports registry keys before a scenario changes them and puts them
    back afterwards (deleting what was not there)."""

    def __init__(self, wine, workdir):
        self.wine = wine
        self.dir = os.path.join(workdir, "reg-saved")
        os.makedirs(self.dir, exist_ok=True)
        self.saved = []

    def save(self, key):
        path = os.path.join(self.dir, f"{len(self.saved)}.reg")
        rc = self.wine.reg_quiet("export", key, path, "/y")
        self.saved.append((key, path if rc == 0 and os.path.exists(path) else None))

    def restore(self):
        for key, path in reversed(self.saved):
            self.wine.reg_quiet("delete", key, "/f")
            if path:
                self.wine.reg_quiet("import", path)
        self.saved = []


# ---- the reader emulator at run time ----

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
