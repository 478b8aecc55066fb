// Verbs that act as the operator does: clicks, the port list, menu commands,
// the tabs and the right-click menu. They refuse what the operator could not do.
#include "verbs.h"

int VerbClick(const Options& o, Json& out)
{
    long long id = 0;
    HWND main = nullptr;
    int code = ExitOk;
    if (!StartVerb(o, out, {&id}, "usage: click ID", &main, &code)) return code;
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
    HWND main = nullptr;
    int code = ExitOk;
    if (!StartVerb(o, out, {&id}, "usage: command ID", &main, &code, true)) return code;
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
    HWND main = nullptr;
    int code = ExitOk;
    if (!StartVerb(o, out, {&index}, "usage: tab INDEX", &main, &code)) return code;
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

namespace {

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

}  // namespace

int VerbRclick(const Options& o, Json& out)
{
    long long x = 0, y = 0;
    HWND main = nullptr;
    int code = ExitOk;
    if (!StartVerb(o, out, {&x, &y}, "usage: rclick X Y (client coordinates)", &main, &code, true)) return code;
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
    if (!IntArgs(o, {&index}) || index < 0)
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
