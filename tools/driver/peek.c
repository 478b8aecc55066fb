/* kv-peek: looks at and acts on the program's top-level windows other than
   the main window (the card ID window, the About dialog), for the scenarios
   that kv-driver does not cover. One JSON object per call, like kv-driver. */
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
    buf[n < (DWORD_PTR)size ? n : (DWORD_PTR)size - 1] = 0;
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
