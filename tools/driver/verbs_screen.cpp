// Verbs about the screen and the window system: the indicator dots, pixels,
// real mouse input, device notices, closing, the menu bar the test build dumps.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "verbs.h"

namespace {

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

}  // namespace

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
    HWND main = nullptr;
    int code = ExitOk;
    if (!StartVerb(o, out, {&x, &y}, "usage: pixel X Y (client coordinates)", &main, &code)) return code;
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
    HWND main = nullptr;
    int code = ExitOk;
    if (!StartVerb(o, out, {&x, &y}, "usage: mouse X Y [left|right] (client coordinates)", &main, &code))
        return code;
    bool right = Arg(o, 3) == "right";
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

namespace {

// ---- other messages ------------------------------------------------------

}  // namespace

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
