// The verbs. Each looks at or acts on the program's windows and writes one
// JSON object; acting verbs refuse what an operator could not do. This file
// holds the helpers the verb groups share and the table of verbs.
#include <cstdlib>
#include <functional>
#include <map>

#include "verbs.h"

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

bool IntArgs(const Options& o, std::initializer_list<long long*> values)
{
    size_t i = 1;
    for (long long* value : values)
        if (i >= o.args.size() || !ParseInt(o.args[i++], value)) return false;
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

namespace {

bool IsTopmost(HWND w) { return (GetWindowLongW(w, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }

}  // namespace

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

HWND NeedUsableMain(Json& out, int* code)
{
    HWND main = NeedMain(out, code);
    if (!main) return nullptr;
    std::string why = Unusable(main, nullptr);
    if (!why.empty()) {
        *code = Refuse(out, why);
        return nullptr;
    }
    return main;
}

bool StartVerb(const Options& o, Json& out, std::initializer_list<long long*> values, const char* usage,
               HWND* main, int* code, bool usable)
{
    if (!IntArgs(o, values)) {
        *code = Fail(out, ExitUsage, usage);
        return false;
    }
    *main = usable ? NeedUsableMain(out, code) : NeedMain(out, code);
    return *main != nullptr;
}

namespace {

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

}  // namespace

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
