// Verbs for the program's message boxes: list them, wait for one, answer it.
#include "verbs.h"

namespace {

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

}  // namespace

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
