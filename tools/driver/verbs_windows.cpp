// Verbs for the program's other top-level windows (the card ID window, the
// About dialog): find, inspect, focus and close them as the operator does.
//
// The card ID window, the About dialog: found by class among the visible
// top-level windows of the program's process.
#include "verbs.h"

namespace {

HWND FindProgramWindow(const std::string& className)
{
    DWORD process = ProgramProcess();
    if (!process) return nullptr;
    for (HWND w : TopLevelWindows(process, className.c_str()))
        if (IsWindowVisible(w)) return w;
    return nullptr;
}

// The window, or an error in `out`.
HWND NeedProgramWindow(const Options& o, Json& out, int* code)
{
    if (o.args.size() < 2) {
        *code = Fail(out, ExitUsage, "usage: " + o.args[0] + " CLASS");
        return nullptr;
    }
    HWND w = FindProgramWindow(o.args[1]);
    if (!w) *code = Fail(out, ExitFailed, "no visible window of class \"" + o.args[1] + "\"");
    return w;
}

// The window an acting verb works on, or an error or refusal in `out`.
HWND NeedUsableProgramWindow(const Options& o, Json& out, int* code)
{
    HWND w = NeedProgramWindow(o, out, code);
    if (w && !IsWindowEnabled(w)) {
        *code = Refuse(out, "window disabled");
        return nullptr;
    }
    return w;
}

// An acting verb's end: it succeeded when the window has gone.
int EndWhenGone(const Options& o, Json& out, HWND w, const std::string& action)
{
    if (!WaitGone(w, o.timeoutMs)) return Fail(out, ExitTimeout, "still open after " + action);
    out.Key("ok").Bool(true);
    return ExitOk;
}

void TopWindowInfo(Json& out, HWND w, bool colours)
{
    HWND main = FindMainWindow();
    out.Key("ok").Bool(true);
    WindowBasics(out, w);
    ClientArea(out, w);
    out.Key("owner_is_main").Bool(main && GetWindow(w, GW_OWNER) == main);
    out.Key("main_enabled").Bool(main && IsWindowEnabled(main));
    out.Key("foreground").Bool(GetForegroundWindow() == w);
    HDC screen = colours ? GetDC(nullptr) : nullptr;
    out.Key("children").BeginArray();
    int index = 0;
    for (HWND child : DirectChildren(w)) ControlInfo(out, w, child, index++, screen);
    out.EndArray();
    if (screen) ReleaseDC(nullptr, screen);
}

}  // namespace

int VerbWindow(const Options& o, Json& out)
{
    int code = ExitOk;
    HWND w = NeedProgramWindow(o, out, &code);
    if (!w) return code;
    TopWindowInfo(out, w, o.colours);
    return ExitOk;
}

int VerbWaitClass(const Options& o, Json& out)
{
    if (o.args.size() < 2) return Fail(out, ExitUsage, "usage: wait-class CLASS [ms]");
    HWND w = nullptr;
    if (!PollUntil(TimeLimit(o, 2), [&] { return (w = FindProgramWindow(o.args[1])) != nullptr; }))
        return Fail(out, ExitTimeout, "no visible window of class \"" + o.args[1] + "\" in time");
    TopWindowInfo(out, w, o.colours);
    return ExitOk;
}

// Where the keyboard focus of the program's thread is.
int VerbFocus(const Options&, Json& out)
{
    int code = ExitOk;
    HWND main = NeedMain(out, &code);
    if (!main) return code;
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(main, nullptr), &info))
        return Fail(out, ExitFailed, "GetGUIThreadInfo failed: " + std::to_string(GetLastError()));
    out.Key("ok").Bool(true);
    out.Key("focus_is_main").Bool(info.hwndFocus == main);
    out.Key("active_is_main").Bool(info.hwndActive == main);
    out.Key("foreground_is_main").Bool(GetForegroundWindow() == main);
    out.Key("main_enabled").Bool(IsWindowEnabled(main));
    out.Key("focus_class").Str(info.hwndFocus ? ClassOf(info.hwndFocus) : "");
    return ExitOk;
}

// Real mouse input on the close box. The point is found by asking the
// window itself (WM_NCHITTEST) along its caption, so it holds for any frame.
int VerbCloseBox(const Options& o, Json& out)
{
    int code = ExitOk;
    HWND w = NeedUsableProgramWindow(o, out, &code);
    if (!w) return code;
    RECT r{};
    GetWindowRect(w, &r);
    POINT at{-1, -1};
    for (LONG y = r.top + 2; y < r.top + 40 && at.x < 0; ++y)
        for (LONG x = r.right - 2; x > r.right - 80; --x) {
            DWORD_PTR hit = 0;
            SendTimed(w, WM_NCHITTEST, 0, MAKELPARAM(x, y), &hit);
            if (hit == HTCLOSE) {
                at = {x - 4, y + 4};  // inside the box, off its edge
                break;
            }
        }
    if (at.x < 0) return Fail(out, ExitFailed, "no close box found on the caption");
    out.Key("at").BeginArray().Int(at.x).Int(at.y).EndArray();
    if (!RealClick(at, false)) return Fail(out, ExitFailed, "SendInput failed");
    return EndWhenGone(o, out, w, "a click on its close box");
}

// The system menu's Close, as the close box sends it.
int VerbSysClose(const Options& o, Json& out)
{
    int code = ExitOk;
    HWND w = NeedUsableProgramWindow(o, out, &code);
    if (!w) return code;
    PostMessageW(w, WM_SYSCOMMAND, SC_CLOSE, 0);
    return EndWhenGone(o, out, w, "SC_CLOSE");
}

// A key for the window, which is expected to close on it: real input when
// the window can be brought to the front, otherwise (or with --post) posted
// to its focused control as the thread's queue would receive it.
int VerbKey(const Options& o, Json& out)
{
    long long vk = 0;
    if (o.args.size() < 3 || !ParseInt(o.args[2], &vk) || vk <= 0 || vk > 0xFE)
        return Fail(out, ExitUsage, "usage: key CLASS VK");
    int code = ExitOk;
    HWND w = NeedUsableProgramWindow(o, out, &code);
    if (!w) return code;
    bool real = false;
    if (!o.post) {
        SetForegroundWindow(w);
        Sleep(kPollMs);
        real = GetForegroundWindow() == w;
    }
    if (real) {
        INPUT input[2] = {};
        input[0].type = input[1].type = INPUT_KEYBOARD;
        input[0].ki.wVk = input[1].ki.wVk = static_cast<WORD>(vk);
        input[1].ki.dwFlags = KEYEVENTF_KEYUP;
        SendInput(2, input, sizeof(INPUT));
    } else {
        HWND target = w;
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        if (GetGUIThreadInfo(GetWindowThreadProcessId(w, nullptr), &info) && info.hwndFocus)
            target = info.hwndFocus;
        PostMessageW(target, WM_KEYDOWN, static_cast<WPARAM>(vk), 1);
        PostMessageW(target, WM_KEYUP, static_cast<WPARAM>(vk), static_cast<LPARAM>(0xC0000001u));
    }
    out.Key("real_input").Bool(real);
    return EndWhenGone(o, out, w, "the key");
}
