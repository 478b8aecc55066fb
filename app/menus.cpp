
#include <array>
#include <cstdio>
#include <cstdlib>

#include "app.h"
#include "ui.h"
#include <windowsx.h>

namespace {

struct Relabel {
    Control control;  // ControlCount stands for MainWindow itself
    TextKey key;
};

// Order in which a language switch re-labels the windows.
constexpr std::array<Relabel, 23> kRelabels = {{
    {ControlCount, AppTitle},
    {SearchButton, BtnSearch},
    {VersionLabel, LblVersion},
    {InterfaceGroup, GrpInterfaces},
    {OperatingModeGroup, GrpOperatingMode},
    {IndicationControlGroup, GrpIndicationControl},
    {DirectRadio, OptDirect},
    {InverseRadio, OptInverse},
    {IdOutputFormatGroup, GrpIdOutputFormat},
    {HexOrDecRadio, OptHexOrDec},
    {StandbyIndicationGroup, GrpStandbyIndication},
    {DynamicRadio, OptDynamic},
    {StaticRadio, OptStatic},
    {StandbyOffRadio, OptStandbyOff},
    {IdOutputTypeGroup, GrpIdOutputType},
    {TouchPollGroup, GrpTouchButtonPoll},
    {PollOnRadio, OptPollOn},
    {PollOffRadio, OptPollOff},
    {IdByteCountGroup, GrpIdByteCount},
    {CardsToReadGroup, GrpCardsToRead},
    {ReadButton, BtnRead},
    {WriteButton, BtnWrite},
    {IndicatorGroup, GrpIndicator},
}};

// UTF-8 source, CP1251 in the program: these two labels never change.
constexpr char kRussianItem[] = "Русский";
constexpr char kEnglishItem[] = "English";

#ifdef KV_TEST_HOOKS
// Test build only: menus cannot be read from another process under Wine, so
// the end-to-end tests get the menu bar as a file whenever it is built.
void DumpMenu(std::FILE* out, HMENU menu, int depth)
{
    int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        char text[128] = {};
        MENUITEMINFOA info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_ID | MIIM_STATE | MIIM_FTYPE | MIIM_SUBMENU | MIIM_STRING;
        info.dwTypeData = text;
        info.cch = sizeof text - 1;
        if (!GetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &info)) continue;
        std::fprintf(out, "%d %u %d %d ", depth, info.wID, (info.fState & MFS_CHECKED) ? 1 : 0,
                     (info.fType & MFT_SEPARATOR) ? 1 : 0);
        for (const char* p = text; *p; ++p) std::fprintf(out, "%02X", static_cast<unsigned char>(*p));
        std::fprintf(out, "\n");
        if (info.hSubMenu) DumpMenu(out, info.hSubMenu, depth + 1);
    }
}

void DumpMenuBar(HMENU bar)
{
    const char* path = std::getenv("KV_TEST_MENU_DUMP");
    if (!path || !*path) return;
    std::FILE* out = std::fopen(path, "w");
    if (!out) return;
    DumpMenu(out, bar, 0);
    std::fclose(out);
}
#endif

}  // namespace

void BuildMenuBar()
{
    HMENU bar = CreateMenu();
    HMENU file = CreatePopupMenu();
    HMENU tools = CreatePopupMenu();
    HMENU help = CreatePopupMenu();
    LanguageMenu = CreatePopupMenu();

    AppendMenuA(file, MF_STRING, IdMenuQuit, Text(MenuQuit));

    AppendMenuA(LanguageMenu, MF_STRING, IdMenuRussian, kRussianItem);
    AppendMenuA(LanguageMenu, MF_STRING, IdMenuEnglish, kEnglishItem);
    if (AppState.language == Ru) CheckMenuItem(LanguageMenu, IdMenuRussian, MF_BYCOMMAND | MF_CHECKED);
    if (AppState.language == En) CheckMenuItem(LanguageMenu, IdMenuEnglish, MF_BYCOMMAND | MF_CHECKED);

    AppendMenuA(tools, MF_POPUP, reinterpret_cast<UINT_PTR>(LanguageMenu), Text(MenuLanguage));
    AppendMenuA(tools, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(tools, MF_STRING, IdMenuReadId, Text(MenuReadId));

    AppendMenuA(help, MF_STRING, IdMenuHelp, Text(MenuHelpItem));
    AppendMenuA(help, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(help, MF_STRING, IdMenuAbout, Text(MenuAbout));

    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), Text(MenuFile));
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(tools), Text(MenuTools));
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(help), Text(MenuHelp));

    SetMenu(MainWindow, bar);
#ifdef KV_TEST_HOOKS
    DumpMenuBar(bar);
#endif
}

void RebuildMenuBar()
{
    // Destroying the bar destroys its submenus, LanguageMenu among them.
    DestroyMenu(GetMenu(MainWindow));
    BuildMenuBar();
}

void ApplyLanguage()
{
    SelectLanguageTexts();
    for (const Relabel& r : kRelabels) {
        HWND window = r.control == ControlCount ? MainWindow : Ctl(r.control);
        SendMessageA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Text(r.key)));
    }
}

void SwitchLanguage(int language)
{
    CheckMenuItem(LanguageMenu, IdMenuRussian, MF_BYCOMMAND | (language == Ru ? MF_CHECKED : MF_UNCHECKED));
    CheckMenuItem(LanguageMenu, IdMenuEnglish, MF_BYCOMMAND | (language == En ? MF_CHECKED : MF_UNCHECKED));
    AppState.language = language;
    // Saved before the texts change, so a failure is reported in the old language.
    SaveConfig();
    ApplyLanguage();
    RebuildMenuBar();
}

void ShowRightClickMenu(LPARAM pointInClient)
{
    POINT point = {GET_X_LPARAM(pointInClient), GET_Y_LPARAM(pointInClient)};
    ClientToScreen(MainWindow, &point);
    HMENU popup = CreatePopupMenu();
    AppendMenuA(popup, MF_STRING, IdMenuQuit, Text(MenuQuit));
    TrackPopupMenu(popup, TPM_RIGHTBUTTON, point.x, point.y, 0, MainWindow, nullptr);
    DestroyMenu(popup);
}
