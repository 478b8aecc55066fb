// Verbs that look: the main window, its controls, the progress window, and
// waiting for the program to reach a state.
#include "verbs.h"

namespace {

// Writes the selected index of a combo box or tab control and returns how
// many items it has.
int Selection(Json& out, HWND control, UINT countMessage, UINT selectionMessage)
{
    DWORD_PTR count = 0, selected = 0;
    SendTimed(control, countMessage, 0, 0, &count);
    SendTimed(control, selectionMessage, 0, 0, &selected);
    out.Key("selected").Int(static_cast<int>(selected));
    return static_cast<int>(count);
}

void ComboEntries(Json& out, HWND combo)
{
    int count = Selection(out, combo, CB_GETCOUNT, CB_GETCURSEL);
    out.Key("entries").BeginArray();
    for (int i = 0; i < count; ++i) {
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
    int count = Selection(out, tab, TCM_GETITEMCOUNT, TCM_GETCURSEL);
    if (!MemoryReachable(tab)) out.Key("unreadable").Str("item texts and places of a 32-bit program");
    out.Key("items").BeginArray();
    for (int i = 0; i < count; ++i) {
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

}  // namespace

// One child of `parent`, its rectangle in `parent`'s client coordinates;
// with `screen`, also its colours on screen.
void ControlInfo(Json& out, HWND parent, HWND control, int index, HDC screen)
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

namespace {

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

}  // namespace

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
