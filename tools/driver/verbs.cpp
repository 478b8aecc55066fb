// The verbs. Each looks at or acts on the program's windows and writes one
// JSON object; acting verbs refuse what an operator could not do.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

#include "driver.h"

namespace {

// ---- small helpers -------------------------------------------------------

int Fail(Json& out, int code, const std::string& message)
{
    out.Key("ok").Bool(false).Key("error").Str(message);
    return code;
}

bool ParseInt(const std::string& text, long long* value)
{
    if (text.empty()) return false;
    char* end = nullptr;
    long long v = std::strtoll(text.c_str(), &end, 0);
    if (!end || *end) return false;
    *value = v;
    return true;
}

// Polls `done` every kPollMs until it holds or `ms` pass; checks once more at
// the end so a zero limit still answers.
bool PollUntil(int ms, const std::function<bool()>& done)
{
    DWORD start = GetTickCount();
    for (;;) {
        if (done()) return true;
        if (static_cast<int>(GetTickCount() - start) >= ms) return done();
        Sleep(kPollMs);
    }
}

// Waits until `window` is destroyed or hidden.
bool WaitGone(HWND window, int ms)
{
    return PollUntil(ms, [&] { return !IsWindow(window) || !IsWindowVisible(window); });
}

// Real mouse input at a screen point: moves the cursor there, lets the
// system see it arrive, then presses and releases. True when both went in.
bool RealClick(POINT screen, bool right)
{
    SetCursorPos(screen.x, screen.y);
    Sleep(kPollMs);
    INPUT input[2] = {};
    input[0].type = input[1].type = INPUT_MOUSE;
    input[0].mi.dwFlags = right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN;
    input[1].mi.dwFlags = right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP;
    return SendInput(2, input, sizeof(INPUT)) == 2;
}

std::string Arg(const Options& o, size_t i) { return i < o.args.size() ? o.args[i] : ""; }

// A positional time limit overrides --timeout.
int TimeLimit(const Options& o, size_t i)
{
    long long v = 0;
    if (ParseInt(Arg(o, i), &v) && v >= 0) return static_cast<int>(v);
    return o.timeoutMs;
}

bool IsTopmost(HWND w) { return (GetWindowLongW(w, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }

void WindowBasics(Json& out, HWND w)
{
    std::string title;
    ReadWindowText(w, &title);
    RECT r{};
    GetWindowRect(w, &r);
    out.Key("hwnd").Hex(reinterpret_cast<ULONG_PTR>(w));
    out.Key("class").Str(ClassOf(w));
    out.Text("title", title);
    out.Rect("rect", r);
    out.Key("style").Hex(static_cast<DWORD>(GetWindowLongW(w, GWL_STYLE)));
    out.Key("exstyle").Hex(static_cast<DWORD>(GetWindowLongW(w, GWL_EXSTYLE)));
    out.Key("visible").Bool(IsWindowVisible(w));
    out.Key("enabled").Bool(IsWindowEnabled(w));
}

// The client area: its screen origin and its size.
void ClientArea(Json& out, HWND w)
{
    RECT client{};
    GetClientRect(w, &client);
    POINT origin = ClientOrigin(w);
    out.Key("client").BeginObject()
        .Key("x").Int(origin.x).Key("y").Int(origin.y)
        .Key("w").Int(client.right).Key("h").Int(client.bottom)
        .EndObject();
}

void MainInfo(Json& out, HWND main, int count)
{
    out.Key("ok").Bool(true);
    WindowBasics(out, main);
    ClientArea(out, main);
    out.Key("topmost").Bool(IsTopmost(main));
    out.Key("iconic").Bool(IsIconic(main));
    out.Key("foreground").Bool(GetForegroundWindow() == main);
    out.Key("count").Int(count);
    out.Key("process").Int(ProcessOf(main));
}

// The main window, or an error in `out`.
HWND NeedMain(Json& out, int* code)
{
    HWND main = FindMainWindow();
    if (!main) *code = Fail(out, ExitFailed, "no window of class \"my Window\"");
    return main;
}

HWND FindControl(HWND main, int id)
{
    for (HWND child : DirectChildren(main))
        if (GetDlgCtrlID(child) == id) return child;
    return nullptr;
}

// Why an operator could not use `control` now, or "" when they could.
std::string Unusable(HWND main, HWND control)
{
    if (!IsWindowVisible(main)) return "main window hidden";
    if (IsIconic(main)) return "main window minimised";
    if (!IsWindowEnabled(main)) return "main window disabled";
    if (control && !IsWindowVisible(control)) return "control hidden";
    if (control && !IsWindowEnabled(control)) return "control disabled";
    return "";
}

int Refuse(Json& out, const std::string& why)
{
    out.Key("refused").Str(why);
    return Fail(out, ExitRefused, "refused: " + why);
}

// Sends an operator's action and waits until the program has handled it, or
// until the handling has opened a modal window (a message box or dialog runs
// its own loop, so the send would not return before someone answers it).
struct SendJob {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    int timeoutMs;
    volatile LONG done;
};

DWORD WINAPI SendWorker(LPVOID param)
{
    auto* job = static_cast<SendJob*>(param);
    SendTimed(job->window, job->message, job->wParam, job->lParam, nullptr, job->timeoutMs);
    InterlockedExchange(&job->done, 1);
    return 0;
}

void SendAction(Json& out, HWND window, UINT message, WPARAM wParam, LPARAM lParam, int timeoutMs)
{
    DWORD process = ProcessOf(window);
    size_t boxesBefore = MessageBoxes(process).size();
    // Leaked on purpose when a modal window stays open: the process ends
    // with the worker still blocked, which is harmless.
    auto* job = new SendJob{window, message, wParam, lParam, timeoutMs, 0};
    HANDLE thread = CreateThread(nullptr, 0, SendWorker, job, 0, nullptr);
    if (!thread) SendWorker(job);
    bool modal = false;
    DWORD start = GetTickCount();
    while (thread && !job->done && static_cast<int>(GetTickCount() - start) < timeoutMs) {
        if (WaitForSingleObject(thread, 20) == WAIT_OBJECT_0) break;
        if ((modal = MessageBoxes(process).size() > boxesBefore)) break;
    }
    if (thread) CloseHandle(thread);
    out.Key("completed").Bool(job->done != 0);
    out.Key("modal_opened").Bool(modal);
    if (job->done) delete job;
}

// ---- looking -------------------------------------------------------------

void ComboEntries(Json& out, HWND combo)
{
    DWORD_PTR count = 0, selected = 0;
    SendTimed(combo, CB_GETCOUNT, 0, 0, &count);
    SendTimed(combo, CB_GETCURSEL, 0, 0, &selected);
    out.Key("selected").Int(static_cast<int>(selected));
    out.Key("entries").BeginArray();
    for (int i = 0; i < static_cast<int>(count); ++i) {
        DWORD_PTR length = 0;
        SendTimed(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0, &length);
        if (static_cast<LRESULT>(length) < 0) length = 0;
        std::vector<wchar_t> buffer(length + 2, L'\0');
        SendTimed(combo, CB_GETLBTEXT, static_cast<WPARAM>(i),
                  reinterpret_cast<LPARAM>(buffer.data()), nullptr);
        out.BeginObject().Text("text", Narrow(buffer.data())).EndObject();
    }
    out.EndArray();
    DWORD_PTR dropped = 0;
    SendTimed(combo, CB_GETDROPPEDSTATE, 0, 0, &dropped);
    out.Key("dropped").Bool(dropped != 0);
}

void TabInfo(Json& out, HWND tab)
{
    DWORD_PTR selected = 0, count = 0;
    SendTimed(tab, TCM_GETCURSEL, 0, 0, &selected);
    SendTimed(tab, TCM_GETITEMCOUNT, 0, 0, &count);
    out.Key("selected").Int(static_cast<int>(selected));
    if (!MemoryReachable(tab)) out.Key("unreadable").Str("item texts and places of a 32-bit program");
    out.Key("items").BeginArray();
    for (int i = 0; i < static_cast<int>(count); ++i) {
        out.BeginObject();
        std::wstring text;
        if (TabItemText(tab, i, &text)) out.Text("text", Narrow(text));
        else out.Key("text").Null();
        RECT r{};
        if (TabItemRect(tab, i, &r)) out.Rect("rect", r);
        out.EndObject();
    }
    out.EndArray();
}

// Colours on screen inside a control's client area: the centre, a point at
// the left edge (the background beside right-aligned text), and the darkest
// and lightest pixels (text and background). Slow: one pixel at a time.
void ScreenColours(Json& out, HWND control, HDC screen)
{
    RECT client{};
    GetClientRect(control, &client);
    POINT o = ClientOrigin(control);
    COLORREF dark = CLR_INVALID, light = CLR_INVALID;
    int darkSum = 1000, lightSum = -1;
    for (int y = 1; y < client.bottom - 1; ++y)
        for (int x = 1; x < client.right - 1; ++x) {
            COLORREF p = GetPixel(screen, o.x + x, o.y + y);
            if (p == CLR_INVALID) continue;
            int sum = GetRValue(p) + GetGValue(p) + GetBValue(p);
            if (sum < darkSum) { darkSum = sum; dark = p; }
            if (sum > lightSum) { lightSum = sum; light = p; }
        }
    out.Key("centre").Hex(GetPixel(screen, o.x + client.right / 2, o.y + client.bottom / 2));
    out.Key("left").Hex(GetPixel(screen, o.x + 2, o.y + client.bottom / 2));
    out.Key("darkest").Hex(dark);
    out.Key("lightest").Hex(light);
}

// One child of `parent`, its rectangle in `parent`'s client coordinates;
// with `screen`, also its colours on screen.
void ControlInfo(Json& out, HWND parent, HWND control, int index, HDC screen = nullptr)
{
    std::string cls = ClassOf(control);
    std::string text;
    bool readable = ReadWindowText(control, &text);
    DWORD style = static_cast<DWORD>(GetWindowLongW(control, GWL_STYLE));
    out.BeginObject();
    out.Key("index").Int(index);
    out.Key("hwnd").Hex(reinterpret_cast<ULONG_PTR>(control));
    out.Key("class").Str(cls);
    out.Key("id").Int(GetDlgCtrlID(control));
    if (readable) out.Text("text", text);
    else out.Key("text").Null();
    out.Rect("rect", RectIn(parent, control));
    out.Key("style").Hex(style);
    out.Key("exstyle").Hex(static_cast<DWORD>(GetWindowLongW(control, GWL_EXSTYLE)));
    out.Key("visible").Bool(IsWindowVisible(control));
    out.Key("enabled").Bool(IsWindowEnabled(control));
    if (_stricmp(cls.c_str(), "Button") == 0) {
        DWORD kind = style & BS_TYPEMASK;
        if (kind != BS_GROUPBOX && kind != BS_PUSHBUTTON && kind != BS_DEFPUSHBUTTON) {
            DWORD_PTR check = 0;
            SendTimed(control, BM_GETCHECK, 0, 0, &check);
            out.Key("checked").Bool(check == BST_CHECKED);
        }
    } else if (_stricmp(cls.c_str(), "ComboBox") == 0) {
        ComboEntries(out, control);
    } else if (cls == "SysTabControl32") {
        TabInfo(out, control);
    }
    if (screen) ScreenColours(out, control, screen);
    out.EndObject();
}

int VerbMain(const Options&, Json& out)
{
    int count = 0;
    HWND main = FindMainWindow(&count);
    if (!main) return Fail(out, ExitFailed, "no window of class \"my Window\"");
    MainInfo(out, main, count);
    return ExitOk;
}

int VerbWaitMain(const Options& o, Json& out)
{
    HWND main = nullptr;
    int count = 0;
    if (!PollUntil(TimeLimit(o, 1), [&] {
            main = FindMainWindow(&count);
            return main && IsWindowVisible(main);
        }))
        return Fail(out, ExitTimeout, "no visible main window in time");
    MainInfo(out, main, count);
    return ExitOk;
}

int VerbWaitWindow(const Options& o, Json& out)
{
    if (o.args.size() < 2) return Fail(out, ExitUsage, "usage: wait-window TITLE [ms]");
    std::string wanted = ArgumentBytes(o.args[1]);
    HWND found = nullptr;
    if (!PollUntil(TimeLimit(o, 2), [&] {
            for (HWND w : TopLevelWindows(0, nullptr)) {
                std::string title;
                if (IsWindowVisible(w) && ReadWindowText(w, &title) && title == wanted) {
                    found = w;
                    return true;
                }
            }
            return false;
        }))
        return Fail(out, ExitTimeout, "no window titled \"" + o.args[1] + "\" in time");
    out.Key("ok").Bool(true);
    WindowBasics(out, found);
    out.Key("process").Int(ProcessOf(found));
    return ExitOk;
}

int VerbWaitGone(const Options& o, Json& out)
{
    DWORD start = GetTickCount();
    if (!PollUntil(TimeLimit(o, 1), [] { return FindMainWindow() == nullptr; }))
        return Fail(out, ExitTimeout, "the main window is still there");
    out.Key("ok").Bool(true).Key("waited_ms").Int(GetTickCount() - start);
    return ExitOk;
}

void ProgressInfo(Json& out, HWND progress)
{
    DWORD_PTR low = 0, high = 0, position = 0;
    // A window that goes away while it is read answers zeros: it counts as
    // closed, not as a bar that ran back to 0.
    if (progress && !(SendTimed(progress, PBM_GETRANGE, TRUE, 0, &low) &&
                      SendTimed(progress, PBM_GETRANGE, FALSE, 0, &high) &&
                      SendTimed(progress, PBM_GETPOS, 0, 0, &position) && IsWindow(progress)))
        progress = nullptr;
    out.Key("open").Bool(progress != nullptr);
    if (!progress) return;
    WindowBasics(out, progress);
    out.Key("range").BeginArray().Int(static_cast<int>(low)).Int(static_cast<int>(high)).EndArray();
    out.Key("position").Int(static_cast<int>(position));
    HWND owner = GetWindow(progress, GW_OWNER);
    out.Key("owner_is_main").Bool(owner && owner == FindMainWindow());
    out.Key("main_enabled").Bool(owner && IsWindowEnabled(owner));
}

int VerbProgress(const Options&, Json& out)
{
    int code = ExitOk;
    HWND main = NeedMain(out, &code);
    if (!main) return code;
    out.Key("ok").Bool(true);
    HWND progress = FindProgressWindow(main);
    ProgressInfo(out, progress);
    if (!progress) out.Key("main_enabled").Bool(IsWindowEnabled(main));
    return ExitOk;
}

int VerbWaitProgress(const Options& o, Json& out)
{
    HWND progress = nullptr;
    if (!PollUntil(TimeLimit(o, 1), [&] {
            HWND main = FindMainWindow();
            progress = main ? FindProgressWindow(main) : nullptr;
            return progress != nullptr;
        }))
        return Fail(out, ExitTimeout, "no progress window in time");
    out.Key("ok").Bool(true);
    ProgressInfo(out, progress);
    return ExitOk;
}

// Idle: the main window enabled, no progress, no message box.
int VerbWaitIdle(const Options& o, Json& out)
{
    DWORD start = GetTickCount();
    std::string state;
    bool idle = PollUntil(TimeLimit(o, 1), [&] {
        HWND main = FindMainWindow();
        if (!main) { state = "no main window"; return false; }
        if (FindProgressWindow(main)) { state = "progress window open"; return false; }
        if (!MessageBoxes(ProcessOf(main)).empty()) { state = "message box open"; return false; }
        if (!IsWindowEnabled(main)) { state = "main window disabled"; return false; }
        return true;
    });
    if (!idle) return Fail(out, ExitTimeout, "not idle in time: " + state);
    out.Key("ok").Bool(true).Key("waited_ms").Int(GetTickCount() - start);
    return ExitOk;
}

int VerbControls(const Options&, Json& out)
{
    int code = ExitOk;
    HWND main = NeedMain(out, &code);
    if (!main) return code;
    out.Key("ok").Bool(true);
    out.Key("main_enabled").Bool(IsWindowEnabled(main));
    out.Key("controls").BeginArray();
    int index = 0;
    for (HWND child : DirectChildren(main)) ControlInfo(out, main, child, index++);
    out.EndArray();
    return ExitOk;
}

// Check marks only: the quick look a test takes around every click.
int VerbRadios(const Options&, Json& out)
{
    int code = ExitOk;
    HWND main = NeedMain(out, &code);
    if (!main) return code;
    out.Key("ok").Bool(true).Key("radios").BeginArray();
    for (HWND child : DirectChildren(main)) {
        DWORD kind = static_cast<DWORD>(GetWindowLongW(child, GWL_STYLE)) & BS_TYPEMASK;
        if (_stricmp(ClassOf(child).c_str(), "Button") != 0 ||
            (kind != BS_AUTORADIOBUTTON && kind != BS_RADIOBUTTON && kind != BS_AUTOCHECKBOX &&
             kind != BS_CHECKBOX))
            continue;
        DWORD_PTR check = 0;
        SendTimed(child, BM_GETCHECK, 0, 0, &check);
        out.BeginObject()
            .Key("id").Int(GetDlgCtrlID(child))
            .Key("checked").Bool(check == BST_CHECKED)
            .Key("visible").Bool(IsWindowVisible(child))
            .Key("enabled").Bool(IsWindowEnabled(child))
            .EndObject();
    }
    out.EndArray();
    return ExitOk;
}

// ---- message boxes -------------------------------------------------------

void BoxInfo(Json& out, HWND box, const Options& o)
{
    out.BeginObject();
    WindowBasics(out, box);
    HWND owner = GetWindow(box, GW_OWNER);
    out.Key("owner_is_main").Bool(owner && owner == FindMainWindow());
    // The text is the first static with id 0xFFFF that shows text: in a
    // dialog such as About, a group box and an icon share that id.
    HWND textControl = nullptr;
    for (HWND child : DirectChildren(box)) {
        DWORD type = static_cast<DWORD>(GetWindowLongW(child, GWL_STYLE)) & SS_TYPEMASK;
        if (GetDlgCtrlID(child) == 0xFFFF && _stricmp(ClassOf(child).c_str(), "Static") == 0 &&
            type != SS_ICON && type != SS_BITMAP) {
            textControl = child;
            break;
        }
    }
    std::string text;
    if (textControl && ReadWindowText(textControl, &text)) out.Text("text", text);
    else out.Key("text").Null();
    // The icon static of a message box has a fixed id: 0x440 under Wine, 0x14
    // under Windows. A dialog's IDC_STATIC texts also have id 0xFFFF.
    HWND boxIcon = GetDlgItem(box, 0x440);
    if (!boxIcon) boxIcon = GetDlgItem(box, 0x14);
    out.Key("is_message_box").Bool(textControl && boxIcon &&
                                   _stricmp(ClassOf(boxIcon).c_str(), "Static") == 0);

    HWND iconControl = nullptr;
    out.Key("buttons").BeginArray();
    for (HWND child : DirectChildren(box)) {
        std::string cls = ClassOf(child);
        DWORD style = static_cast<DWORD>(GetWindowLongW(child, GWL_STYLE));
        if (_stricmp(cls.c_str(), "Static") == 0 && (style & SS_TYPEMASK) == SS_ICON)
            iconControl = child;
        if (_stricmp(cls.c_str(), "Button") == 0 && IsWindowVisible(child)) {
            std::string label;
            ReadWindowText(child, &label);
            out.BeginObject().Key("id").Int(GetDlgCtrlID(child)).Text("text", label).EndObject();
        }
    }
    out.EndArray();

    out.Key("icon").BeginObject();
    if (!iconControl) {
        out.Key("name").Str("none");
    } else {
        std::wstring exe = o.exePath.empty() ? ProcessImagePath(ProcessOf(box)) : o.exePath;
        IconMatch match;
        std::string error;
        // The box may still be painting: look again for a moment.
        bool ok = false;
        for (int attempt = 0; attempt < 10; ++attempt) {
            ok = IdentifyIcon(iconControl, exe, &match, &error);
            if (!ok || match.name != "unknown") break;
            Sleep(kPollMs);
        }
        if (ok) {
            out.Key("name").Str(match.name).Key("resource").Int(match.resource);
            out.Key("distance").Int(static_cast<long long>(match.distance + 0.5));
            out.Key("runner_up").Int(static_cast<long long>(match.runnerUp + 0.5));
        } else {
            out.Key("name").Str("unknown").Key("error").Str(error);
        }
        out.Rect("rect", RectIn(box, iconControl));
    }
    out.EndObject();
    out.EndObject();
}

DWORD ProgramProcess()
{
    HWND main = FindMainWindow();
    return main ? ProcessOf(main) : 0;
}

int VerbBoxes(const Options& o, Json& out)
{
    DWORD process = ProgramProcess();
    if (!process) return Fail(out, ExitFailed, "no window of class \"my Window\"");
    out.Key("ok").Bool(true).Key("boxes").BeginArray();
    for (HWND box : MessageBoxes(process)) BoxInfo(out, box, o);
    out.EndArray();
    return ExitOk;
}

int VerbWaitBox(const Options& o, Json& out)
{
    std::vector<HWND> boxes;
    if (!PollUntil(TimeLimit(o, 1), [&] {
            DWORD process = ProgramProcess();
            boxes = process ? MessageBoxes(process) : std::vector<HWND>{};
            return !boxes.empty();
        }))
        return Fail(out, ExitTimeout, "no message box in time");
    out.Key("ok").Bool(true).Key("boxes").BeginArray();
    for (HWND box : boxes) BoxInfo(out, box, o);
    out.EndArray();
    return ExitOk;
}

// Presses a button of the first (topmost) box and waits until it is gone.
// Reports the box as it was, so a test can check and answer it in one call.
int VerbPressBox(const Options& o, Json& out)
{
    long long button = IDOK;
    if (o.args.size() > 1 && !ParseInt(o.args[1], &button))
        return Fail(out, ExitUsage, "usage: press-box [BUTTON_ID] [ms]");
    DWORD process = ProgramProcess();
    std::vector<HWND> boxes = process ? MessageBoxes(process) : std::vector<HWND>{};
    if (boxes.empty()) return Fail(out, ExitFailed, "no message box open");
    HWND box = boxes.front();
    out.Key("box");
    BoxInfo(out, box, o);
    // A posted WM_COMMAND is what the box's own button sends; it crosses
    // processes under Wine, where a sent one to a modal box may not return.
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(button), BN_CLICKED), 0);
    if (!WaitGone(box, TimeLimit(o, 2)))
        return Fail(out, ExitTimeout, "the box did not close");
    out.Key("ok").Bool(true);
    return ExitOk;
}

// ---- acting --------------------------------------------------------------

int VerbClick(const Options& o, Json& out)
{
    long long id = 0;
    if (o.args.size() < 2 || !ParseInt(o.args[1], &id))
        return Fail(out, ExitUsage, "usage: click ID");
    int code = ExitOk;
    HWND main = NeedMain(out, &code);
    if (!main) return code;
    HWND control = FindControl(main, static_cast<int>(id));
    if (!control) return Fail(out, ExitFailed, "no control with id " + std::to_string(id));
    std::string why = Unusable(main, control);
    if (!why.empty()) return Refuse(out, why);

    RECT r{};
    GetClientRect(control, &r);
    LPARAM centre = MAKELPARAM(r.right / 2, r.bottom / 2);
    out.Key("ok").Bool(true);
    if (o.post) {
        PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, centre);
        PostMessageW(control, WM_LBUTTONUP, 0, centre);
    } else {
        // BM_CLICK runs the button's own press and release, and with them
        // the program's handling of the command.
        SendAction(out, control, BM_CLICK, 0, 0, o.timeoutMs);
    }
    DWORD_PTR check = 0;
    if (SendTimed(control, BM_GETCHECK, 0, 0, &check, 500)) out.Key("checked").Bool(check == BST_CHECKED);
    return ExitOk;
}

int VerbSelectPort(const Options& o, Json& out)
{
    if (o.args.size() < 2) return Fail(out, ExitUsage, "usage: select-port INDEX|TEXT");
    int code = ExitOk;
    HWND main = NeedMain(out, &code);
    if (!main) return code;
    HWND combo = FindControl(main, 1);
    if (!combo || _stricmp(ClassOf(combo).c_str(), "ComboBox") != 0)
        return Fail(out, ExitFailed, "no combo box with id 1");
    std::string why = Unusable(main, combo);
    if (!why.empty()) return Refuse(out, why);

    long long index = -1;
    if (!ParseInt(o.args[1], &index)) {
        std::string wanted = ArgumentBytes(o.args[1]);
        DWORD_PTR count = 0;
        SendTimed(combo, CB_GETCOUNT, 0, 0, &count);
        for (int i = 0; i < static_cast<int>(count) && index < 0; ++i) {
            wchar_t buffer[256] = {};
            SendTimed(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buffer),
                      nullptr);
            if (Narrow(buffer) == wanted) index = i;
        }
        if (index < 0) return Fail(out, ExitFailed, "no entry \"" + o.args[1] + "\"");
    }
    DWORD_PTR set = 0;
    if (!SendTimed(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0, &set) ||
        static_cast<LRESULT>(set) != index)
        return Fail(out, ExitFailed, "CB_SETCURSEL refused index " + std::to_string(index));
    // What a choice in the drop-down list sends to the parent.
    WPARAM command = MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE);
    out.Key("ok").Bool(true).Key("index").Int(index);
    if (o.post) PostMessageW(main, WM_COMMAND, command, reinterpret_cast<LPARAM>(combo));
    else SendAction(out, main, WM_COMMAND, command, reinterpret_cast<LPARAM>(combo), o.timeoutMs);
    return ExitOk;
}

int VerbCommand(const Options& o, Json& out)
{
    long long id = 0;
    if (o.args.size() < 2 || !ParseInt(o.args[1], &id))
        return Fail(out, ExitUsage, "usage: command ID");
    int code = ExitOk;
    HWND main = NeedMain(out, &code);
    if (!main) return code;
    std::string why = Unusable(main, nullptr);
    if (!why.empty()) return Refuse(out, why);
    // A menu choice arrives as a posted WM_COMMAND with notification 0.
    WPARAM command = MAKEWPARAM(static_cast<WORD>(id), 0);
    out.Key("ok").Bool(true);
    if (o.post) PostMessageW(main, WM_COMMAND, command, 0);
    else SendAction(out, main, WM_COMMAND, command, 0, o.timeoutMs);
    return ExitOk;
}

int VerbTab(const Options& o, Json& out)
{
    long long index = 0;
    if (o.args.size() < 2 || !ParseInt(o.args[1], &index))
        return Fail(out, ExitUsage, "usage: tab INDEX");
    int code = ExitOk;
    HWND main = NeedMain(out, &code);
    if (!main) return code;
    HWND tab = nullptr;
    for (HWND child : DirectChildren(main))
        if (ClassOf(child) == "SysTabControl32") tab = child;
    if (!tab) return Fail(out, ExitFailed, "no tab control");
    std::string why = Unusable(main, tab);
    if (!why.empty()) return Refuse(out, why);
    DWORD_PTR count = 0, before = 0;
    SendTimed(tab, TCM_GETITEMCOUNT, 0, 0, &count);
    if (index < 0 || index >= static_cast<long long>(count))
        return Fail(out, ExitFailed, "no tab item " + std::to_string(index));
    SendTimed(tab, TCM_GETCURSEL, 0, 0, &before);
    RECT item{};
    if (MemoryReachable(tab)) {
        if (!TabItemRect(tab, static_cast<int>(index), &item))
            return Fail(out, ExitFailed, "cannot get the item rectangle");
        // A click on the item: the control itself sends TCN_SELCHANGE to the
        // program, which a WM_NOTIFY from here could not do under Wine.
        LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
        PostMessageW(tab, WM_LBUTTONDOWN, MK_LBUTTON, at);
        PostMessageW(tab, WM_LBUTTONUP, 0, at);
    } else {
        // No item rectangle to click: the arrow keys an operator may use
        // on a focused tab control, which notify the program the same way.
        long long step = index > static_cast<long long>(before) ? 1 : -1;
        WPARAM key = step > 0 ? VK_RIGHT : VK_LEFT;
        for (long long at = static_cast<long long>(before); at != index; at += step) {
            PostMessageW(tab, WM_KEYDOWN, key, 1);
            PostMessageW(tab, WM_KEYUP, key, 0xC0000001);
        }
        out.Key("by").Str("keys");
    }
    DWORD_PTR after = before;
    bool changed = PollUntil(static_cast<LRESULT>(before) == index ? 0 : o.timeoutMs, [&] {
        return SendTimed(tab, TCM_GETCURSEL, 0, 0, &after, 500) &&
               static_cast<long long>(after) == index;
    });
    out.Key("before").Int(static_cast<int>(before)).Key("selected").Int(static_cast<int>(after));
    out.Rect("item", item);
    if (!changed) return Fail(out, ExitFailed, "the selection did not change");
    out.Key("ok").Bool(true);
    return ExitOk;
}

void PopupInfo(Json& out, HWND popup)
{
    out.Key("open").Bool(popup != nullptr);
    if (!popup) return;
    RECT r{};
    GetWindowRect(popup, &r);
    out.Key("hwnd").Hex(reinterpret_cast<ULONG_PTR>(popup));
    out.Rect("rect", r);
    DWORD_PTR menu = 0;
    SendTimed(popup, 0x01E1 /* MN_GETHMENU */, 0, 0, &menu, 500);
    out.Key("menu_handle").Hex(menu);
    // Menus of another process cannot be read under Wine; say so rather than
    // guess. -1 means not readable.
    int items = menu ? GetMenuItemCount(reinterpret_cast<HMENU>(menu)) : -1;
    out.Key("item_count").Int(items);
    if (items > 0) {
        out.Key("items").BeginArray();
        for (int i = 0; i < items; ++i) {
            wchar_t text[256] = {};
            GetMenuStringW(reinterpret_cast<HMENU>(menu), static_cast<UINT>(i), text, 255,
                           MF_BYPOSITION);
            out.BeginObject()
                .Key("id").Int(static_cast<int>(GetMenuItemID(reinterpret_cast<HMENU>(menu), i)))
                .Text("text", Narrow(text))
                .EndObject();
        }
        out.EndArray();
    }
}

int VerbRclick(const Options& o, Json& out)
{
    long long x = 0, y = 0;
    if (o.args.size() < 3 || !ParseInt(o.args[1], &x) || !ParseInt(o.args[2], &y))
        return Fail(out, ExitUsage, "usage: rclick X Y (client coordinates)");
    int code = ExitOk;
    HWND main = NeedMain(out, &code);
    if (!main) return code;
    std::string why = Unusable(main, nullptr);
    if (!why.empty()) return Refuse(out, why);
    POINT p{static_cast<LONG>(x), static_cast<LONG>(y)};
    HWND hit = ChildWindowFromPointEx(main, p, CWP_SKIPINVISIBLE);
    out.Key("hit_main").Bool(hit == main);
    LPARAM at = MAKELPARAM(x, y);
    // Posted, not sent: the program stays inside TrackPopupMenu until the
    // menu closes.
    PostMessageW(main, WM_RBUTTONDOWN, MK_RBUTTON, at);
    PostMessageW(main, WM_RBUTTONUP, 0, at);
    DWORD process = ProcessOf(main);
    HWND popup = nullptr;
    PollUntil(o.timeoutMs, [&] { return (popup = FindPopupMenu(process)) != nullptr; });
    out.Key("ok").Bool(true);
    PopupInfo(out, popup);
    return ExitOk;
}

int VerbPopup(const Options&, Json& out)
{
    DWORD process = ProgramProcess();
    if (!process) return Fail(out, ExitFailed, "no window of class \"my Window\"");
    out.Key("ok").Bool(true);
    PopupInfo(out, FindPopupMenu(process));
    return ExitOk;
}

// Chooses item INDEX of the open popup menu by keyboard, as an operator can:
// the menu loop takes every key message of the program's thread.
int VerbPopupChoose(const Options& o, Json& out)
{
    long long index = 0;
    if (o.args.size() < 2 || !ParseInt(o.args[1], &index) || index < 0)
        return Fail(out, ExitUsage, "usage: popup-choose INDEX");
    DWORD process = ProgramProcess();
    HWND popup = process ? FindPopupMenu(process) : nullptr;
    if (!popup) return Fail(out, ExitFailed, "no popup menu open");
    for (long long i = 0; i <= index; ++i) {
        PostMessageW(popup, WM_KEYDOWN, VK_DOWN, 0x00500001);
        PostMessageW(popup, WM_KEYUP, VK_DOWN, static_cast<LPARAM>(0xC0500001u));
    }
    PostMessageW(popup, WM_KEYDOWN, VK_RETURN, 0x001C0001);
    PostMessageW(popup, WM_KEYUP, VK_RETURN, static_cast<LPARAM>(0xC01C0001u));
    if (!WaitGone(popup, o.timeoutMs))
        return Fail(out, ExitTimeout, "the popup menu did not close");
    out.Key("ok").Bool(true);
    return ExitOk;
}

int VerbPopupCancel(const Options& o, Json& out)
{
    DWORD process = ProgramProcess();
    HWND popup = process ? FindPopupMenu(process) : nullptr;
    if (!popup) return Fail(out, ExitFailed, "no popup menu open");
    PostMessageW(popup, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    if (!WaitGone(popup, o.timeoutMs))
        return Fail(out, ExitTimeout, "the popup menu did not close");
    out.Key("ok").Bool(true);
    return ExitOk;
}

// ---- the screen ----------------------------------------------------------

struct DotRect { int left, top, right, bottom; };
constexpr DotRect kEhxDots[5] = {{345, 150, 365, 170}, {345, 250, 365, 270}, {345, 340, 365, 360},
                                 {345, 430, 365, 450}, {345, 520, 365, 540}};
constexpr DotRect kUsbDots[5] = {{345, 130, 365, 150}, {345, 210, 365, 230}, {345, 290, 365, 310},
                                 {345, 400, 365, 420}, {345, 520, 365, 540}};

std::string Colour(COLORREF c)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08lX", static_cast<unsigned long>(c));
    return buf;
}

int VerbDots(const Options&, Json& out)
{
    int code = ExitOk;
    HWND main = NeedMain(out, &code);
    if (!main) return code;
    POINT origin = ClientOrigin(main);
    HDC screen = GetDC(nullptr);
    auto family = [&](const char* key, const DotRect (&dots)[5]) {
        out.Key(key).BeginArray();
        for (const DotRect& d : dots)
            out.Str(Colour(GetPixel(screen, origin.x + (d.left + d.right) / 2,
                                    origin.y + (d.top + d.bottom) / 2)));
        out.EndArray();
    };
    out.Key("ok").Bool(true);
    family("ehx", kEhxDots);
    family("usb", kUsbDots);
    ReleaseDC(nullptr, screen);
    return ExitOk;
}

int VerbPixel(const Options& o, Json& out)
{
    long long x = 0, y = 0;
    if (o.args.size() < 3 || !ParseInt(o.args[1], &x) || !ParseInt(o.args[2], &y))
        return Fail(out, ExitUsage, "usage: pixel X Y (client coordinates)");
    int code = ExitOk;
    HWND main = NeedMain(out, &code);
    if (!main) return code;
    POINT origin = ClientOrigin(main);
    HDC screen = GetDC(nullptr);
    COLORREF c = GetPixel(screen, origin.x + static_cast<int>(x), origin.y + static_cast<int>(y));
    ReleaseDC(nullptr, screen);
    out.Key("ok").Bool(true).Key("colour").Str(Colour(c));
    return ExitOk;
}

// Real input through the system, for what posted messages cannot prove (a
// disabled window must ignore the mouse).
int VerbMouse(const Options& o, Json& out)
{
    long long x = 0, y = 0;
    if (o.args.size() < 3 || !ParseInt(o.args[1], &x) || !ParseInt(o.args[2], &y))
        return Fail(out, ExitUsage, "usage: mouse X Y [left|right] (client coordinates)");
    bool right = Arg(o, 3) == "right";
    int code = ExitOk;
    HWND main = NeedMain(out, &code);
    if (!main) return code;
    POINT p{static_cast<LONG>(x), static_cast<LONG>(y)};
    ClientToScreen(main, &p);
    bool enabledBefore = IsWindowEnabled(main);
    bool sent = RealClick(p, right);
    // Long enough for the program to take the click off its queue: whether
    // the window was enabled across that moment says what the click met.
    Sleep(2 * kPollMs);
    out.Key("main_enabled_before").Bool(enabledBefore);
    out.Key("main_enabled_after").Bool(IsWindowEnabled(main));
    HWND hit = WindowFromPoint(p);
    out.Key("ok").Bool(sent).Key("screen").BeginArray().Int(p.x).Int(p.y).EndArray();
    out.Key("window_at_point").Hex(reinterpret_cast<ULONG_PTR>(hit));
    out.Key("id_at_point").Int(hit ? GetDlgCtrlID(hit) : 0);
    return sent ? ExitOk : ExitFailed;
}

// ---- other messages ------------------------------------------------------

int VerbDeviceChange(const Options& o, Json& out)
{
    long long event = 7;  // DBT_DEVNODES_CHANGED
    if (o.args.size() > 1 && !ParseInt(o.args[1], &event))
        return Fail(out, ExitUsage, "usage: devicechange [EVENT]");
    int code = ExitOk;
    HWND main = NeedMain(out, &code);
    if (!main) return code;
    DWORD_PTR result = 0;
    if (!SendTimed(main, WM_DEVICECHANGE, static_cast<WPARAM>(event), 0, &result))
        return Fail(out, ExitTimeout, "WM_DEVICECHANGE not answered in time");
    out.Key("ok").Bool(true).Key("result").Int(static_cast<long long>(result));
    return ExitOk;
}

int VerbClose(const Options&, Json& out)
{
    int code = ExitOk;
    HWND main = NeedMain(out, &code);
    if (!main) return code;
    PostMessageW(main, WM_CLOSE, 0, 0);
    out.Key("ok").Bool(true);
    return ExitOk;
}

int VerbMinimize(const Options& o, Json& out)
{
    int code = ExitOk;
    HWND main = NeedMain(out, &code);
    if (!main) return code;
    PostMessageW(main, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    if (!PollUntil(o.timeoutMs, [&] { return IsIconic(main) != FALSE; }))
        return Fail(out, ExitTimeout, "the main window did not minimise");
    out.Key("ok").Bool(true);
    return ExitOk;
}

int VerbWindows(const Options&, Json& out)
{
    DWORD process = ProgramProcess();
    out.Key("ok").Bool(true).Key("process").Int(process).Key("windows").BeginArray();
    for (HWND w : TopLevelWindows(process, nullptr)) {
        out.BeginObject();
        WindowBasics(out, w);
        out.Key("owner").Hex(reinterpret_cast<ULONG_PTR>(GetWindow(w, GW_OWNER)));
        out.EndObject();
    }
    out.EndArray();
    return ExitOk;
}

// The test build writes its menu bar to a file whenever it builds it, one
// line per item: "<depth> <id> <checked> <separator> <text hex>".
int VerbMenu(const Options& o, Json& out)
{
    std::string path = o.args.size() > 1 ? o.args[1] : o.menuFile;
    if (path.empty()) {
        const char* env = std::getenv("KV_TEST_MENU_DUMP");
        if (env) path = env;
    }
    if (path.empty()) return Fail(out, ExitUsage, "no menu file: give PATH, --menu-file or KV_TEST_MENU_DUMP");
    std::ifstream file(path, std::ios::binary);
    if (!file) return Fail(out, ExitFailed, "cannot open the menu file " + path);
    std::stringstream content;
    content << file.rdbuf();
    std::string all = content.str();
    if (!all.empty() && all.back() != '\n')
        return Fail(out, ExitFailed, "the menu file is incomplete (no final line end)");
    out.Key("ok").Bool(true).Key("items").BeginArray();
    std::istringstream lines(all);
    std::string line;
    int number = 0;
    while (std::getline(lines, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        std::istringstream fields(line);
        long long depth = -1, id = -1, checked = -1, separator = -1;
        std::string hex, bytes;
        if (!(fields >> depth >> id >> checked >> separator))
            return Fail(out, ExitFailed, "bad menu line " + std::to_string(number) + ": " + line);
        fields >> hex;  // absent for a separator or an empty text
        if (!ParseHexBytes(hex, &bytes))
            return Fail(out, ExitFailed, "bad text hex on menu line " + std::to_string(number));
        out.BeginObject()
            .Key("depth").Int(depth).Key("id").Int(id)
            .Key("checked").Bool(checked == 1).Key("separator").Bool(separator == 1)
            .Text("text", bytes)
            .EndObject();
    }
    out.EndArray();
    return ExitOk;
}

// ---- the program's other top-level windows -------------------------------
// The card ID window, the About dialog: found by class among the visible
// top-level windows of the program's process.

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

}  // namespace

int RunVerb(const Options& o, Json& out)
{
    static const std::map<std::string, int (*)(const Options&, Json&)> verbs = {
        {"main", VerbMain},
        {"wait-main", VerbWaitMain},
        {"wait-window", VerbWaitWindow},
        {"wait-gone", VerbWaitGone},
        {"wait-exit", VerbWaitGone},
        {"wait-idle", VerbWaitIdle},
        {"controls", VerbControls},
        {"radios", VerbRadios},
        {"menu", VerbMenu},
        {"progress", VerbProgress},
        {"wait-progress", VerbWaitProgress},
        {"boxes", VerbBoxes},
        {"wait-box", VerbWaitBox},
        {"press-box", VerbPressBox},
        {"click", VerbClick},
        {"select-port", VerbSelectPort},
        {"command", VerbCommand},
        {"tab", VerbTab},
        {"rclick", VerbRclick},
        {"popup", VerbPopup},
        {"popup-choose", VerbPopupChoose},
        {"popup-cancel", VerbPopupCancel},
        {"dots", VerbDots},
        {"pixel", VerbPixel},
        {"mouse", VerbMouse},
        {"devicechange", VerbDeviceChange},
        {"close", VerbClose},
        {"minimize", VerbMinimize},
        {"windows", VerbWindows},
        {"window", VerbWindow},
        {"wait-class", VerbWaitClass},
        {"focus", VerbFocus},
        {"close-box", VerbCloseBox},
        {"sys-close", VerbSysClose},
        {"key", VerbKey},
    };
    if (o.args.empty()) return Fail(out, ExitUsage, "no verb; see tools/driver/README.md");
    auto verb = verbs.find(o.args[0]);
    if (verb == verbs.end()) return Fail(out, ExitUsage, "unknown verb " + o.args[0]);
    return verb->second(o, out);
}
