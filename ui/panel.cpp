
#include <array>

#include "common_controls.h"
#include "ui.h"

namespace {

// Styles as the controls are created. Option controls start hidden: the tab
// shows its own.
constexpr DWORD kVisible = WS_CHILD | WS_VISIBLE;
constexpr DWORD kCombo = kVisible | CBS_DROPDOWNLIST;
constexpr DWORD kTabs = kVisible | WS_CLIPSIBLINGS;
constexpr DWORD kHiddenGroup = WS_CHILD | WS_GROUP | BS_GROUPBOX;
constexpr DWORD kHiddenRadio = WS_CHILD | BS_AUTORADIOBUTTON;
constexpr DWORD kVisibleGroup = kHiddenGroup | WS_VISIBLE;
constexpr DWORD kVisibleRadio = kHiddenRadio | WS_VISIBLE;
constexpr DWORD kGroupStart = kVisible | WS_GROUP | BS_PUSHBUTTON;  // closes the last radio group

constexpr int kNoKey = -1;

struct ControlSpec {
    Control control;
    const char* className;
    int textKey;        // TextKey, or kNoKey for a fixed label
    const char* fixed;  // the fixed label
    int x, y, width, height;
    DWORD style;
};

// Every control of MainWindow, in creation order. The order matters: a radio
// group runs from a WS_GROUP control to the next one.
constexpr std::array<ControlSpec, ControlCount> kControls = {{
    {PortCombo, "Combobox", kNoKey, "", 10, 10, 150, 200, kCombo},
    {SearchButton, "Button", BtnSearch, nullptr, 180, 10, 140, 40, kVisible},
    {VersionLabel, "Static", LblVersion, nullptr, 10, 39, 60, 20, kVisible},
    {VersionValue, "Static", kNoKey, "x.xx", 70, 39, 40, 20, kVisible},
    {FamilyTabs, WC_TABCONTROLA, kNoKey, nullptr, 10, 60, 310, 520, kTabs},
    {InterfaceGroup, "Button", GrpInterfaces, nullptr, 20, 100, 290, 110, kHiddenGroup},
    {TouchMemoryRadio, "Button", kNoKey, "Touch Memory", 30, 120, 120, 20, kHiddenRadio},
    {Wiegand26Radio, "Button", kNoKey, "Wiegand 26", 30, 141, 120, 20, kHiddenRadio},
    {Wiegand44Radio, "Button", kNoKey, "Wiegand 44", 30, 162, 120, 20, kHiddenRadio},
    {Wiegand58Radio, "Button", kNoKey, "Wiegand 58", 30, 183, 120, 20, kHiddenRadio},
    {OperatingModeGroup, "Button", GrpOperatingMode, nullptr, 20, 100, 290, 70, kHiddenGroup},
    {WindowsModeRadio, "Button", kNoKey, "WINDOWS", 30, 120, 95, 20, kHiddenRadio},
    {MultiOsModeRadio, "Button", kNoKey, "Windows, Linux, MacOS", 30, 141, 180, 20, kHiddenRadio},
    {IndicationControlGroup, "Button", GrpIndicationControl, nullptr, 20, 220, 290, 70, kHiddenGroup},
    {DirectRadio, "Button", OptDirect, nullptr, 30, 240, 190, 20, kHiddenRadio},
    {InverseRadio, "Button", OptInverse, nullptr, 30, 261, 190, 20, kHiddenRadio},
    {IdOutputFormatGroup, "Button", GrpIdOutputFormat, nullptr, 20, 180, 290, 70, kHiddenGroup},
    {HexOrDecRadio, "Button", OptHexOrDec, nullptr, 30, 200, 120, 20, kHiddenRadio},
    {TouchMemoryOutRadio, "Button", kNoKey, "Touch Memory", 30, 221, 120, 20, kHiddenRadio},
    {StandbyIndicationGroup, "Button", GrpStandbyIndication, nullptr, 20, 300, 290, 90, kHiddenGroup},
    {DynamicRadio, "Button", OptDynamic, nullptr, 30, 320, 120, 20, kHiddenRadio},
    {StaticRadio, "Button", OptStatic, nullptr, 30, 341, 120, 20, kHiddenRadio},
    {StandbyOffRadio, "Button", OptStandbyOff, nullptr, 30, 362, 60, 20, kHiddenRadio},
    {IdOutputTypeGroup, "Button", GrpIdOutputType, nullptr, 20, 260, 290, 70, kHiddenGroup},
    {HexRadio, "Button", kNoKey, "HEX", 30, 280, 70, 20, kHiddenRadio},
    {DecRadio, "Button", kNoKey, "DEC", 30, 301, 70, 20, kHiddenRadio},
    {TouchPollGroup, "Button", GrpTouchButtonPoll, nullptr, 20, 400, 290, 70, kHiddenGroup},
    {PollOnRadio, "Button", OptPollOn, nullptr, 30, 420, 60, 20, kHiddenRadio},
    {PollOffRadio, "Button", OptPollOff, nullptr, 30, 441, 60, 20, kHiddenRadio},
    {IdByteCountGroup, "Button", GrpIdByteCount, nullptr, 20, 340, 290, 130, kHiddenGroup},
    {Bytes7Radio, "Button", kNoKey, "7", 30, 360, 60, 20, kHiddenRadio},
    {Bytes5Radio, "Button", kNoKey, "5", 30, 381, 60, 20, kHiddenRadio},
    {Bytes4Radio, "Button", kNoKey, "4", 30, 402, 60, 20, kHiddenRadio},
    {Bytes3Radio, "Button", kNoKey, "3", 30, 423, 60, 20, kHiddenRadio},
    {Bytes2Radio, "Button", kNoKey, "2", 30, 444, 60, 20, kHiddenRadio},
    {CardsToReadGroup, "Button", GrpCardsToRead, nullptr, 20, 480, 290, 90, kVisibleGroup},
    {CardsAllRadio, "Button", kNoKey, "HID, EM-Marine + MIFARE, Pay", 30, 500, 240, 20, kVisibleRadio},
    {CardsHidEmRadio, "Button", kNoKey, "HID, EM-Marine", 30, 521, 120, 20, kVisibleRadio},
    {CardsMifareRadio, "Button", kNoKey, "MIFARE, Pay", 30, 542, 120, 20, kVisibleRadio},
    {ReadButton, "Button", BtnRead, nullptr, 10, 590, 140, 40, kGroupStart},
    {WriteButton, "Button", BtnWrite, nullptr, 180, 590, 140, 40, kVisible},
    {IndicatorGroup, "Button", GrpIndicator, nullptr, 330, 60, 50, 520, kVisibleGroup},
}};

constexpr bool RowsInControlOrder()
{
    for (size_t i = 0; i < kControls.size(); ++i)
        if (kControls[i].control != static_cast<Control>(i)) return false;
    return true;
}
static_assert(RowsInControlOrder(), "the panel rows follow the Control list");

constexpr std::array<Control, 15> kEhxControls = {
    InterfaceGroup, TouchMemoryRadio, Wiegand26Radio, Wiegand44Radio, Wiegand58Radio,
    IndicationControlGroup, DirectRadio, InverseRadio,
    StandbyIndicationGroup, DynamicRadio, StaticRadio, StandbyOffRadio,
    TouchPollGroup, PollOnRadio, PollOffRadio,
};

constexpr std::array<Control, 15> kUsbControls = {
    OperatingModeGroup, WindowsModeRadio, MultiOsModeRadio,
    IdOutputFormatGroup, HexOrDecRadio, TouchMemoryOutRadio,
    IdOutputTypeGroup, HexRadio, DecRadio,
    IdByteCountGroup, Bytes7Radio, Bytes5Radio, Bytes4Radio, Bytes3Radio, Bytes2Radio,
};

constexpr std::array<Control, 4> kCardsControls = {CardsToReadGroup, CardsAllRadio, CardsHidEmRadio, CardsMifareRadio};

// The choice each tab starts with; the groups and the dot colours come from
// the settings tables.
constexpr std::array<SettingChoice, 5> kEhxDefaults = {ChoiceTouchMemory, ChoiceDirect, ChoiceStandbyOff,
                                                       ChoicePollOff, ChoiceCardsAll};
constexpr std::array<SettingChoice, 5> kUsbDefaults = {ChoiceWindowsMode, ChoiceHexOrDec, ChoiceHex, ChoiceBytes5,
                                                       ChoiceCardsAll};

void CreateControl(const ControlSpec& row)
{
    const char* text = row.textKey == kNoKey ? row.fixed : Text(static_cast<TextKey>(row.textKey));
    Controls[row.control] = CreateWindowExA(0, row.className, text, row.style, row.x, row.y, row.width,
                                             row.height, MainWindow,
                                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(ControlIds[row.control])),
                                             GetModuleHandleA(nullptr), nullptr);
}

// Checks each default in its group and colours its dot; dots no default
// colours stay white.
void CheckDefaults(const std::array<SettingChoice, 5>& defaults)
{
    for (COLORREF& colour : AppState.indicatorColors) colour = DotWhite;
    for (SettingChoice id : defaults) {
        const SettingsChoice* choice = nullptr;
        const SettingsField* field = FieldOfRadio(id, &choice);
        if (field == nullptr) continue;
        CheckRadioButton(MainWindow, field->firstRadio, field->lastRadio, id);
        if (choice->dot > 0) AppState.indicatorColors[choice->dot - 1] = choice->colour;
    }
}

void EnableAll(const std::array<Control, 4>& controls, BOOL enable)
{
    for (Control c : controls) EnableWindow(Ctl(c), enable);
}

}  // namespace

void CreateControls()
{
    for (const ControlSpec& row : kControls) {
        if (row.control == FamilyTabs) {
            CreateFamilyTabs();
            continue;
        }
        // The defaults go in once every option radio exists, before the buttons.
        if (row.control == ReadButton) {
            if (AppState.family == Ehx) ApplyEhxDefaults();
            if (AppState.family == Usb) ApplyUsbDefaults();
        }
        CreateControl(row);
    }
}

RECT ControlRect(Control control)
{
    const ControlSpec& row = kControls[control];
    return {row.x, row.y, row.x + row.width, row.y + row.height};
}

void CreateFamilyTabs()
{
    INITCOMMONCONTROLSEX init = {sizeof init, ICC_TAB_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&init);
    CreateControl(kControls[FamilyTabs]);

    static char ehxLabel[] = "Varko-7EHU_M";
    static char usbLabel[] = "  Varko-7-USB   ";
    TCITEMA item = {};
    item.mask = TCIF_TEXT | TCIF_IMAGE;
    item.iImage = -1;
    item.pszText = ehxLabel;
    SendMessageA(Ctl(FamilyTabs), TCM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    item.pszText = usbLabel;
    SendMessageA(Ctl(FamilyTabs), TCM_INSERTITEMA, 1, reinterpret_cast<LPARAM>(&item));
    if (AppState.family == Ehx || AppState.family == Usb)
        SendMessageA(Ctl(FamilyTabs), TCM_SETCURSEL, AppState.family, 0);
}

void ShowEhxControls(int cmdShow)
{
    for (Control c : kEhxControls) {
        ShowWindow(Ctl(c), cmdShow);
        if (c == Wiegand58Radio) EnableWindow(Ctl(c), FALSE);  // only a 1.10 EHM reader allows it
    }
}

void ShowUsbControls(int cmdShow)
{
    for (Control c : kUsbControls) {
        ShowWindow(Ctl(c), cmdShow);
        if (c == Bytes7Radio) EnableWindow(Ctl(c), FALSE);  // only a 1.10 USB reader allows it
    }
}

void ApplyEhxDefaults()
{
    ShowUsbControls(SW_HIDE);
    ShowEhxControls(SW_SHOW);
    CheckDefaults(kEhxDefaults);
    EnableAll(kCardsControls, FALSE);
}

void ApplyUsbDefaults()
{
    ShowEhxControls(SW_HIDE);
    ShowUsbControls(SW_SHOW);
    CheckDefaults(kUsbDefaults);
    EnableWindow(Ctl(HexRadio), TRUE);
    EnableWindow(Ctl(DecRadio), TRUE);
    EnableAll(kCardsControls, TRUE);
}
