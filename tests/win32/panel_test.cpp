// The panel as the operator gets it: every control where it belongs, the
// defaults of both tabs, radio groups, dot colours and the enable rules.
#include "fixture.h"
#include "flows.h"
#include "common_controls.h"

#include <cstring>
#include <vector>

#include "check.h"

namespace {

struct ExpectedControl {
    Control control;
    const char* className;
    int id;
    int x, y, width, height;  // a combo box's height is its dropped height, not compared
    DWORD style;              // as created
    const char* tab;          // "both", "ehx", "usb", or "cards" (shown on both)
};

// The tests' own account of the panel (tests/data/panel_layout.tsv), written
// apart from the program's table.
const ExpectedControl kExpected[] = {
#include "panel_layout.inc"
};

// The controls that only one tab shows.
std::vector<Control> OnlyOn(const char* tab)
{
    std::vector<Control> out;
    for (const ExpectedControl& e : kExpected)
        if (std::strcmp(e.tab, tab) == 0) out.push_back(e.control);
    return out;
}

const std::vector<Control> kEhxOnly = OnlyOn("ehx");
const std::vector<Control> kUsbOnly = OnlyOn("usb");

RECT ClientRect(HWND control)
{
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, MainWindow, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

bool Visible(Control c) { return (GetWindowLongA(Ctl(c), GWL_STYLE) & WS_VISIBLE) != 0; }

// Clicks a radio as the mouse would: the control checks itself and notifies.
void Click(Control c) { SendMessageA(Ctl(c), BM_CLICK, 0, 0); }

void CheckColours(const COLORREF (&expected)[5], int line)
{
    for (int i = 0; i < 5; ++i)
        if (AppState.indicatorColors[i] != expected[i])
            check::fail(__FILE__, line, "dot " + std::to_string(i + 1) + " is " +
                        std::to_string(AppState.indicatorColors[i]) + ", expected " + std::to_string(expected[i]));
}

}  // namespace

TEST_CASE("every control has its class, id, place, size and style")
{
    OpenTestMainWindow(Ehx, En);
    // As many direct children as rows: a row lost from the layout file shows here.
    int children = 0;
    for (HWND w = GetWindow(MainWindow, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) ++children;
    CHECK_EQ(children, int(std::size(kExpected)));
    for (const ExpectedControl& e : kExpected) {
        HWND w = Ctl(e.control);
        std::string name = "control #" + std::to_string(int(e.control));
        if (!w) {
            check::fail(__FILE__, __LINE__, name + " missing");
            continue;
        }
        char cls[64] = {};
        GetClassNameA(w, cls, sizeof cls);
        if (lstrcmpiA(cls, e.className) != 0) check::fail(__FILE__, __LINE__, name + " class " + cls);
        CHECK_EQ(GetDlgCtrlID(w), e.id);
        CHECK(GetParent(w) == MainWindow);
        RECT r = ClientRect(w);
        if (r.left != e.x || r.top != e.y || r.right - r.left != e.width ||
            (lstrcmpiA(e.className, "ComboBox") != 0 && r.bottom - r.top != e.height))
            check::fail(__FILE__, __LINE__, name + " at " + std::to_string(r.left) + "," + std::to_string(r.top) +
                        " size " + std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top));
        // The words that matter: kind, group start, child; visibility per tab below.
        DWORD style = static_cast<DWORD>(GetWindowLongA(w, GWL_STYLE));
        const DWORD mask = WS_CHILD | WS_GROUP | WS_CLIPSIBLINGS | 0xFFFF;
        if ((style & mask) != (e.style & mask))
            check::fail(__FILE__, __LINE__, name + " style " + std::to_string(style));
        CHECK_EQ(GetWindowLongA(w, GWL_EXSTYLE) & ~WS_EX_NOPARENTNOTIFY, 0L);
    }
    CloseTestMainWindow();
}

TEST_CASE("the first tab shows the EHU/EHM groups with their defaults")
{
    OpenTestMainWindow(Ehx, En);
    CHECK_EQ(SendMessageA(Ctl(FamilyTabs), TCM_GETCURSEL, 0, 0), 0L);
    CHECK_EQ(SendMessageA(Ctl(FamilyTabs), TCM_GETITEMCOUNT, 0, 0), 2L);
    for (Control c : kEhxOnly) CHECK(Visible(c));
    for (Control c : kUsbOnly) CHECK(!Visible(c));
    for (Control c : {TouchMemoryRadio, DirectRadio, StandbyOffRadio, PollOffRadio, CardsAllRadio}) CHECK(IsChecked(c));
    for (Control c : {Wiegand26Radio, Wiegand44Radio, Wiegand58Radio, InverseRadio, DynamicRadio, StaticRadio,
                      PollOnRadio, CardsHidEmRadio, CardsMifareRadio})
        CHECK(!IsChecked(c));
    CHECK(!IsEnabled(Wiegand58Radio));
    for (Control c : {CardsToReadGroup, CardsAllRadio, CardsHidEmRadio, CardsMifareRadio}) {
        CHECK(Visible(c));
        CHECK(!IsEnabled(c));
    }
    CHECK_EQ(WindowText(Ctl(VersionValue)), "x.xx");
    CheckColours({DotRed, DotRed, DotMagenta, DotYellow, DotWhite}, __LINE__);
    CloseTestMainWindow();
}

TEST_CASE("the second tab shows the USB groups with their defaults")
{
    OpenTestMainWindow(Usb, En);
    CHECK_EQ(SendMessageA(Ctl(FamilyTabs), TCM_GETCURSEL, 0, 0), 1L);
    for (Control c : kUsbOnly) CHECK(Visible(c));
    for (Control c : kEhxOnly) CHECK(!Visible(c));
    for (Control c : {WindowsModeRadio, HexOrDecRadio, HexRadio, Bytes5Radio, CardsAllRadio}) CHECK(IsChecked(c));
    CHECK(!IsEnabled(Bytes7Radio));
    for (Control c : {HexRadio, DecRadio, CardsToReadGroup, CardsAllRadio, CardsHidEmRadio, CardsMifareRadio})
        CHECK(IsEnabled(c));
    CheckColours({DotCyan, DotWhite, DotWhite, DotWhite, DotWhite}, __LINE__);
    char label[32] = {};
    TCITEMA item = {};
    item.mask = TCIF_TEXT;
    item.pszText = label;
    item.cchTextMax = sizeof label;
    SendMessageA(Ctl(FamilyTabs), TCM_GETITEMA, 1, reinterpret_cast<LPARAM>(&item));
    CHECK_EQ(std::string(label), "  Varko-7-USB   ");
    CloseTestMainWindow();
}

TEST_CASE("a radio click changes its own group and its dot only")
{
    OpenTestMainWindow(Ehx, En);
    std::vector<bool> usbBefore;
    for (Control c : kUsbOnly) usbBefore.push_back(IsChecked(c));
    Click(Wiegand26Radio);
    CHECK(IsChecked(Wiegand26Radio));
    CHECK(!IsChecked(TouchMemoryRadio));
    CHECK(IsChecked(DirectRadio));
    CHECK(IsChecked(StandbyOffRadio));
    CHECK(IsChecked(CardsAllRadio));
    for (size_t i = 0; i < kUsbOnly.size(); ++i) CHECK_EQ(IsChecked(kUsbOnly[i]), bool(usbBefore[i]));
    CheckColours({DotGreen, DotRed, DotMagenta, DotYellow, DotWhite}, __LINE__);

    struct Row {
        Control radio;
        int dot;
        COLORREF colour;
    };
    const Row rows[] = {
        {Wiegand44Radio, 1, DotCyan}, {TouchMemoryRadio, 1, DotRed}, {InverseRadio, 2, DotBlue},
        {DirectRadio, 2, DotRed},     {DynamicRadio, 3, DotRed},     {StaticRadio, 3, DotGreen},
        {StandbyOffRadio, 3, DotMagenta}, {PollOnRadio, 4, DotRed},  {PollOffRadio, 4, DotYellow},
    };
    for (const Row& r : rows) {
        Click(r.radio);
        CHECK(IsChecked(r.radio));
        CHECK_EQ(AppState.indicatorColors[r.dot - 1], r.colour);
    }
    CHECK_EQ(AppState.indicatorColors[4], COLORREF(DotWhite));
    CloseTestMainWindow();

    OpenTestMainWindow(Usb, En);
    Click(MultiOsModeRadio);
    CHECK_EQ(AppState.indicatorColors[0], COLORREF(DotMagenta));
    Click(CardsHidEmRadio);
    CHECK(IsChecked(CardsHidEmRadio));
    CHECK(!IsChecked(CardsAllRadio));
    CHECK(IsChecked(Bytes5Radio));
    CheckColours({DotMagenta, DotWhite, DotWhite, DotWhite, DotWhite}, __LINE__);
    CloseTestMainWindow();
}

TEST_CASE("USB output format clicks enable and disable HEX, DEC and 7 bytes")
{
    OpenTestMainWindow(Usb, En);
    // No reader: HEX or DEC brings back HEX and DEC but never 7 bytes.
    Click(TouchMemoryOutRadio);
    CHECK(!IsEnabled(HexRadio));
    CHECK(!IsEnabled(DecRadio));
    CHECK(!IsEnabled(Bytes7Radio));
    Click(HexOrDecRadio);
    CHECK(IsEnabled(HexRadio));
    CHECK(IsEnabled(DecRadio));
    CHECK(!IsEnabled(Bytes7Radio));

    // A USB reader on 1.10 whose last record asked for 7 bytes.
    AppState.modelCode = ModelUsb;
    AppState.firmwareVersion = 110;
    lstrcpyA(AppState.lastSettings, "1.10WHDH7EM");
    EnableWindow(Ctl(Bytes7Radio), TRUE);
    CheckRadioButton(MainWindow, IdBytes7Radio, IdBytes2Radio, IdBytes7Radio);
    Click(TouchMemoryOutRadio);
    CHECK(IsChecked(Bytes5Radio));  // 7 bytes are not possible with Touch Memory output
    CHECK(!IsEnabled(Bytes7Radio));
    Click(HexOrDecRadio);
    CHECK(IsEnabled(Bytes7Radio));
    CHECK(IsChecked(Bytes7Radio));
    CHECK(!IsChecked(Bytes5Radio));

    // Touch Memory output with 4 bytes keeps 4 bytes.
    CheckRadioButton(MainWindow, IdBytes7Radio, IdBytes2Radio, IdBytes4Radio);
    Click(TouchMemoryOutRadio);
    CHECK(IsChecked(Bytes4Radio));

    // A record letter that names no radio changes no check mark.
    lstrcpyA(AppState.lastSettings, "1.10WHDH6EM");
    Click(HexOrDecRadio);
    CHECK(IsChecked(Bytes4Radio));
    // Firmware 1.09 or another model leaves 7 bytes disabled.
    Click(TouchMemoryOutRadio);
    AppState.firmwareVersion = 109;
    Click(HexOrDecRadio);
    CHECK(!IsEnabled(Bytes7Radio));
    AppState.firmwareVersion = 110;
    AppState.modelCode = ModelEhm;
    Click(HexOrDecRadio);
    CHECK(!IsEnabled(Bytes7Radio));
    CloseTestMainWindow();
}

TEST_CASE("one progress at a time, counted from the start, ending in its follow-up")
{
    OpenTestMainWindow(Ehx, En);
    StartProgress(TimerSearch, 10000);  // slow: nothing completes during the checks
    HWND first = ProgressWindow;
    CHECK(first != nullptr);
    CHECK(ProgressRunning());
    CHECK(!IsWindowEnabled(MainWindow));
    CHECK_EQ(WindowText(first), "Search for Varko-7EHU_7EHM reader");
    CHECK(GetWindow(first, GW_OWNER) == MainWindow);
    CHECK_EQ(SendMessageA(first, PBM_GETRANGE, FALSE, 0), 100L);
    AppState.progressTicks = 37;

    // A second start replaces the first window and counts from 0.
    StartProgress(TimerRead, 10000);
    CHECK(!IsWindow(first));
    CHECK(IsWindow(ProgressWindow));
    CHECK_EQ(AppState.progressTicks, 0);
    CHECK_EQ(WindowText(ProgressWindow), "Reading Varko-7EHU_7EHM settings");
    CHECK_EQ(SendMessageA(ProgressWindow, PBM_GETRANGE, FALSE, 0), 2L);

    // A tick of the replaced timer is ignored.
    AdvanceProgress(TimerSearch);
    CHECK_EQ(AppState.progressTicks, 0);
    AdvanceProgress(TimerRead);
    CHECK_EQ(AppState.progressTicks, 1);
    CHECK_EQ(SendMessageA(ProgressWindow, PBM_GETPOS, 0, 0), 1L);

    // An unknown timer changes nothing.
    HWND current = ProgressWindow;
    StartProgress(5, 10);
    CHECK(ProgressWindow == current);
    CHECK_EQ(AppState.progressTicks, 1);
    CloseTestMainWindow();

    // A whole search with no COM port: 100 ticks, then the report, then the
    // window is enabled again.
    OpenTestMainWindow(Usb, En);
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) == ERROR_SUCCESS) {
        RegCloseKey(key);
        std::printf("  SKIPPED: the prefix lists COM ports\n");
    } else {
        StartProgress(TimerSearch, 10);
        CHECK_EQ(WindowText(ProgressWindow), "Search for Varko-7-USB reader");
        CHECK(PumpUntil([] { return !ProgressRunning() && IsWindowEnabled(MainWindow); }, 10000));
        CHECK_EQ(AppState.progressTicks, 0);
        CHECK(ProgressWindow == nullptr);
        CHECK_EQ(Boxes().size(), size_t(1));
        if (!Boxes().empty()) {
            CHECK_EQ(Boxes()[0].text, "No COM ports found in the system!");
            CHECK_EQ(Boxes()[0].icon, int(IconWarning));
        }
    }
    CloseTestMainWindow();
}

TEST_CASE("a tab change saves the tab, applies its defaults, drops the link and searches")
{
    DeleteFileA("appconfig.ini");
    OpenTestMainWindow(Ehx, En);
    HANDLE file = CreateFileA("appconfig.ini", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written;
    WriteFile(file, "Language = EN;\r\nTabCtrl = EHU_EHM;\r\n", 36, &written, nullptr);
    CloseHandle(file);
    Click(Wiegand44Radio);
    AppState.modelCode = ModelEhu;
    AppState.firmwareVersion = 110;
    SetWindowTextA(Ctl(VersionValue), "1.10");

    SendMessageA(Ctl(FamilyTabs), TCM_SETCURSEL, 1, 0);
    SwitchFamily();
    CHECK_EQ(AppState.family, int(Usb));
    char bytes[64] = {};
    file = CreateFileA("appconfig.ini", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ReadFile(file, bytes, sizeof bytes - 1, &written, nullptr);
    CloseHandle(file);
    CHECK_EQ(std::string(bytes), "Language = EN;\r\nTabCtrl = USB_USB;\r\n");
    CHECK(Visible(WindowsModeRadio));
    CHECK(!Visible(Wiegand44Radio));
    CHECK(IsChecked(Bytes5Radio));
    CHECK_EQ(AppState.indicatorColors[0], COLORREF(DotCyan));
    CHECK_EQ(WindowText(Ctl(VersionValue)), "x.xx");
    CHECK_EQ(int(AppState.modelCode), int('X'));
    CHECK_EQ(AppState.firmwareVersion, 0);
    CHECK(ProgressRunning());
    CHECK_EQ(WindowText(ProgressWindow), "Search for Varko-7-USB reader");
    CHECK(!IsWindowEnabled(MainWindow));

    // Back to the first tab: its defaults again, not what was clicked before.
    SendMessageA(Ctl(FamilyTabs), TCM_SETCURSEL, 0, 0);
    SwitchFamily();
    CHECK(IsChecked(TouchMemoryRadio));
    CHECK(!IsChecked(Wiegand44Radio));
    CHECK_EQ(AppState.indicatorColors[0], COLORREF(DotRed));
    CHECK_EQ(WindowText(ProgressWindow), "Search for Varko-7EHU_7EHM reader");
    CloseTestMainWindow();
    DeleteFileA("appconfig.ini");
}

TEST_MAIN()
