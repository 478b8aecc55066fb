// The application shell: menus and the language switch, the configuration
// warning, the message box parameters, help and About, and dispatch.
#include "fixture.h"
#include "flows.h"
#include "common_controls.h"

#include <tuple>

#include "check.h"
#include "message_box.h"
#include "version.h"

namespace {

const char* const kConfig = "appconfig.ini";

void WriteConfig(const char* bytes) { check::writeFile(kConfig, bytes); }

std::string ReadConfig() { return check::readFile(kConfig); }

std::string MenuText(HMENU menu, UINT position)
{
    char text[128] = {};
    GetMenuStringA(menu, position, text, sizeof text, MF_BYPOSITION);
    return text;
}

bool MenuChecked(UINT id) { return (GetMenuState(LanguageMenu, id, MF_BYCOMMAND) & MF_CHECKED) != 0; }

// Closes the next modal window that appears (About), pressing `button`.
UINT_PTR closeTimer = 0;
WPARAM closeButton = IDOK;
std::wstring closedTitle;
void CALLBACK CloseDialog(HWND, UINT, UINT_PTR, DWORD)
{
    HWND dialog = FindWindowA("#32770", nullptr);
    if (!dialog || GetWindowThreadProcessId(dialog, nullptr) != GetCurrentThreadId()) return;
    wchar_t title[64] = {};
    GetWindowTextW(dialog, title, 64);  // the template's text is UTF-16 whatever the code page
    closedTitle = title;
    KillTimer(nullptr, closeTimer);
    PostMessageA(dialog, WM_COMMAND, closeButton, 0);
}

}  // namespace

TEST_CASE("the menu bar follows the language")
{
    OpenTestMainWindow(Ehx, En);
    HMENU bar = GetMenu(MainWindow);
    CHECK_EQ(GetMenuItemCount(bar), 3);
    CHECK_EQ(MenuText(bar, 0), "File");
    CHECK_EQ(MenuText(bar, 1), "Tools");
    CHECK_EQ(MenuText(bar, 2), "Help");
    HMENU file = GetSubMenu(bar, 0), tools = GetSubMenu(bar, 1), help = GetSubMenu(bar, 2);
    CHECK_EQ(GetMenuItemID(file, 0), UINT(IdMenuQuit));
    CHECK_EQ(MenuText(file, 0), "Quit");
    CHECK(GetSubMenu(tools, 0) == LanguageMenu);
    CHECK_EQ(MenuText(tools, 0), "Language");
    CHECK((GetMenuState(tools, 1, MF_BYPOSITION) & MF_SEPARATOR) != 0);
    CHECK_EQ(GetMenuItemID(tools, 2), UINT(IdMenuReadId));
    CHECK_EQ(MenuText(tools, 2), "Read ID");
    CHECK_EQ(MenuText(help, 0), "Help");
    CHECK_EQ(GetMenuItemID(help, 0), UINT(IdMenuHelp));
    CHECK_EQ(GetMenuItemID(help, 2), UINT(IdMenuAbout));
    CHECK_EQ(MenuText(help, 2), "About...");
    CHECK_EQ(MenuText(LanguageMenu, 0), "\xD0\xF3\xF1\xF1\xEA\xE8\xE9");
    CHECK_EQ(MenuText(LanguageMenu, 1), "English");
    CHECK(!MenuChecked(IdMenuRussian));
    CHECK(MenuChecked(IdMenuEnglish));
    CloseTestMainWindow();

    OpenTestMainWindow(Ehx, Ru);
    bar = GetMenu(MainWindow);
    CHECK_EQ(MenuText(bar, 2), TextIn(Ru, MenuHelp));
    CHECK_EQ(MenuText(GetSubMenu(bar, 2), 0), TextIn(Ru, MenuHelpItem));
    CHECK(MenuText(bar, 2) != MenuText(GetSubMenu(bar, 2), 0));
    CHECK(MenuChecked(IdMenuRussian));
    CHECK(!MenuChecked(IdMenuEnglish));
    CloseTestMainWindow();
}

TEST_CASE("a language switch saves, re-labels 23 windows and rebuilds the menu")
{
    WriteConfig("Language = RU;\r\nTabCtrl = EHU_EHM;\r\n");
    OpenTestMainWindow(Ehx, Ru);
    SendMessageA(MainWindow, WM_COMMAND, IdMenuEnglish, 0);
    CHECK_EQ(AppState.language, int(En));
    CHECK_EQ(ReadConfig(), "Language = EN;\r\nTabCtrl = EHU_EHM;\r\n");
    CHECK_EQ(WindowText(MainWindow), "KernoVarko-7 ver." KV_VERSION " (" KV_ARCH_LABEL ")");
    const struct {
        Control control;
        const char* text;
    } relabelled[] = {
        {SearchButton, "SEARCH"}, {VersionLabel, "Version: "}, {InterfaceGroup, " 1) INTERFACES: "},
        {OperatingModeGroup, " 1) READER OPERATING MODE: "}, {IndicationControlGroup, " 2) INDICATION CONTROL: "},
        {DirectRadio, "Direct (active '1')"}, {InverseRadio, "Inverse (active '0')"},
        {IdOutputFormatGroup, " 2) ID CARD OUTPUT FORMAT: "}, {HexOrDecRadio, "HEX or DEC"},
        {StandbyIndicationGroup, " 3) INDICATION IN STANDBY MODE: "}, {DynamicRadio, "Dynamic"},
        {StaticRadio, "Static"}, {StandbyOffRadio, "Off"}, {IdOutputTypeGroup, " 3) ID CARD OUTPUT TYPE: "},
        {TouchPollGroup, " 4) TOUCH BUTTON POLL: "}, {PollOnRadio, "On"}, {PollOffRadio, "Off"},
        {IdByteCountGroup, " 4) NUMBER OF BYTE ID CARD: "}, {CardsToReadGroup, " 5) CARD FOR READ: "},
        {ReadButton, "READ"}, {WriteButton, "WRITE"}, {IndicatorGroup, "Indic."},
    };
    for (const auto& r : relabelled) CHECK_EQ(WindowText(Ctl(r.control)), r.text);
    for (const auto& fixed : {std::pair{TouchMemoryRadio, "Touch Memory"}, std::pair{WindowsModeRadio, "WINDOWS"},
                              std::pair{HexRadio, "HEX"}, std::pair{Bytes7Radio, "7"}, std::pair{VersionValue, "x.xx"}})
        CHECK_EQ(WindowText(Ctl(fixed.first)), fixed.second);
    CHECK(MenuChecked(IdMenuEnglish));
    CHECK(!MenuChecked(IdMenuRussian));
    CHECK_EQ(MenuText(GetMenu(MainWindow), 0), "File");
    // Radios keep their state through a switch.
    CHECK(IsChecked(StandbyOffRadio));
    CHECK(!IsEnabled(Wiegand58Radio));

    // Choosing the current language again still rewrites the file.
    WriteConfig("Language = RU;\r\nTabCtrl = USB_USB;\r\n");
    SendMessageA(MainWindow, WM_COMMAND, IdMenuEnglish, 0);
    CHECK_EQ(ReadConfig(), "Language = EN;\r\nTabCtrl = EHU_EHM;\r\n");
    CHECK(Boxes().empty());
    CloseTestMainWindow();
}

TEST_CASE("a save that fails warns in the language before the switch, and the switch holds")
{
    WriteConfig("Language = RU;\r\nTabCtrl = EHU_EHM;\r\n");
    OpenTestMainWindow(Ehx, Ru);
    // Another program holding the file open without sharing makes it unwritable.
    HANDLE lock = CreateFileA(kConfig, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    CHECK(lock != INVALID_HANDLE_VALUE);
    SendMessageA(MainWindow, WM_COMMAND, IdMenuEnglish, 0);
    CloseHandle(lock);
    CHECK_EQ(Boxes().size(), size_t(1));
    if (!Boxes().empty()) {
        CHECK_EQ(Boxes()[0].text, TextIn(Ru, MsgConfigSaveFailed));
        CHECK_EQ(Boxes()[0].caption, TextIn(Ru, CapMessage));
        CHECK_EQ(Boxes()[0].icon, int(IconWarning));
        CHECK(Boxes()[0].owner == MainWindow);
    }
    CHECK_EQ(AppState.language, int(En));
    CHECK_EQ(WindowText(MainWindow), "KernoVarko-7 ver." KV_VERSION " (" KV_ARCH_LABEL ")");
    CHECK_EQ(ReadConfig(), "Language = RU;\r\nTabCtrl = EHU_EHM;\r\n");

    // With the file gone a tab change warns too, and still switches and searches.
    DeleteFileA(kConfig);
    Boxes().clear();
    SendMessageA(Ctl(FamilyTabs), TCM_SETCURSEL, 1, 0);
    SwitchFamily();
    CHECK_EQ(Boxes().size(), size_t(1));
    if (!Boxes().empty()) CHECK_EQ(Boxes()[0].text, "Failed to save settings!\nRestart the program.");
    CHECK_EQ(AppState.family, int(Usb));
    CHECK(ProgressRunning());
    CHECK_EQ(ReadConfig(), "(missing)");
    CloseTestMainWindow();
}

TEST_CASE("message boxes carry the program's icon from its own module")
{
    MSGBOXPARAMSA p = MessageBoxParams(reinterpret_cast<HWND>(0x1234), "text", "caption", MB_OK, IconRetry);
    CHECK_EQ(p.cbSize, UINT(sizeof(MSGBOXPARAMSA)));
    CHECK_EQ(p.cbSize, UINT(sizeof(void*) == 8 ? 80 : 40));
    CHECK(p.hwndOwner == reinterpret_cast<HWND>(0x1234));
    CHECK(p.hInstance == GetModuleHandleA(nullptr));
    CHECK_EQ(p.dwStyle, DWORD(MB_OK | MB_USERICON));
    CHECK(p.lpszIcon == MAKEINTRESOURCEA(IconRetry));
    CHECK_EQ(p.dwLanguageId, DWORD(0x0400));
    CHECK_EQ(p.dwContextHelpId, DWORD_PTR(0));
    CHECK(p.lpfnMsgBoxCallback == nullptr);
    // Every message box picture is in the program's resources.
    for (int icon = IconProgram; icon <= IconRetry; ++icon)
        CHECK(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(icon)) != nullptr);
}

TEST_CASE("help without the help folder names the missing file and where to look")
{
    // A working directory without a "help" folder, whatever is beside the exe.
    char previous[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, previous);
    CreateDirectoryA("no-help-here", nullptr);
    SetCurrentDirectoryA("no-help-here");
    OpenTestMainWindow(Ehx, Ru);
    SendMessageA(MainWindow, WM_COMMAND, IdMenuHelp, 0);
    CHECK_EQ(Boxes().size(), size_t(2));
    if (Boxes().size() == 2) {
        CHECK_EQ(Boxes()[0].text, TextIn(Ru, MsgHelpFileNotFound));
        CHECK_EQ(Boxes()[0].icon, int(IconError));
        CHECK_EQ(Boxes()[1].text, TextIn(Ru, MsgHelpFolderHint));
        CHECK_EQ(Boxes()[1].icon, int(IconHint));
    }
    CloseTestMainWindow();
    SetCurrentDirectoryA(previous);
}

TEST_CASE("About follows the language and closes with OK or Esc")
{
    for (auto [language, button, title] :
         {std::tuple{En, IDOK, L"About..."}, std::tuple{Ru, IDCANCEL, L"\u041E \u043F\u0440\u043E\u0433\u0440\u0430\u043C\u043C\u0435..."}}) {
        OpenTestMainWindow(Ehx, language);
        closedTitle.clear();
        closeButton = static_cast<WPARAM>(button);
        closeTimer = SetTimer(nullptr, 0, 100, CloseDialog);
        SendMessageA(MainWindow, WM_COMMAND, IdMenuAbout, 0);  // returns once the dialog has ended
        if (closedTitle != title) {
            std::string hex;
            for (wchar_t c : closedTitle) hex += std::to_string(unsigned(c)) + " ";
            check::fail(__FILE__, __LINE__, "About title " + hex);
        }
        CHECK(IsWindowEnabled(MainWindow));
        CloseTestMainWindow();
    }
}

TEST_CASE("READ, WRITE and Read ID without a port search instead; Quit closes")
{
    for (int command : {IdReadButton, IdWriteButton, IdMenuReadId}) {
        OpenTestMainWindow(Ehx, En);
        AppState.linkConfirmed = 1;  // the state a search-instead keeps
        SendMessageA(MainWindow, WM_COMMAND, command, 0);
        CHECK(ProgressRunning());
        CHECK_EQ(WindowText(ProgressWindow), "Search for Varko-7EHU_7EHM reader");
        CHECK_EQ(int(AppState.linkConfirmed), 1);
        CloseTestMainWindow();
    }
    OpenTestMainWindow(Ehx, En);
    AppState.linkConfirmed = 1;
    SendMessageA(MainWindow, WM_COMMAND, IdSearchButton, 0);  // SEARCH drops the link first
    CHECK(ProgressRunning());
    CHECK_EQ(int(AppState.linkConfirmed), 0);
    HWND window = MainWindow;
    SendMessageA(MainWindow, WM_COMMAND, IdMenuQuit, 0);
    CHECK(!IsWindow(window));
    // The quit message ends the loop with exit code 0.
    MSG msg = {};
    CHECK(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    CHECK_EQ(msg.wParam, WPARAM(0));
    MainWindow = nullptr;
}

TEST_CASE("the combo acts on a selection change only; other notices do nothing")
{
    OpenTestMainWindow(Ehx, En);
    SendMessageA(MainWindow, WM_COMMAND, MAKEWPARAM(IdPortCombo, CBN_DROPDOWN), 0);
    CHECK(Boxes().empty());
    SendMessageA(Ctl(PortCombo), CB_RESETCONTENT, 0, 0);
    SendMessageA(Ctl(PortCombo), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(""));
    SendMessageA(Ctl(PortCombo), CB_SETCURSEL, 0, 0);
    SendMessageA(MainWindow, WM_COMMAND, MAKEWPARAM(IdPortCombo, CBN_SELCHANGE), 0);
    CHECK_EQ(Boxes().size(), size_t(1));
    if (!Boxes().empty()) {
        CHECK_EQ(Boxes()[0].text, "No COM ports found in the system!");
        CHECK_EQ(Boxes()[0].icon, int(IconWarning));
    }
    // A radio acts whatever notice comes with its id.
    SendMessageA(MainWindow, WM_COMMAND, MAKEWPARAM(IdInverseRadio, BN_DOUBLECLICKED), 0);
    CHECK_EQ(AppState.indicatorColors[1], COLORREF(DotBlue));
    CloseTestMainWindow();
}

TEST_MAIN()
