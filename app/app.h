// The application state record, the window handles and the operations of the
// application shell (start-up, dispatch, texts, message boxes, configuration,
// menus, help and About).
#pragma once

#include <windows.h>

#include "texts.h"
#include "types.h"

// ---- The one record of application state --------------------------------
struct AppStateRecord {
    int language = Ru;             // UiLanguage
    int family = Ehx;              // ReaderFamily
    // PortLink
    HANDLE portHandle = nullptr;
    unsigned char portOpen = 0;
    char portName[8] = {};         // "COM1" .. "COM255"
    int portIndex = 0;
    // What the last reply said about the reader
    char modelCode = ModelNone;    // ModelCode
    int firmwareVersion = 0;       // hundredths: 110 is 1.10
    unsigned char versionOk = 0;
    char lastSettings[12] = {};    // 11 record characters and a NUL
    // Steering flags
    unsigned char searching = 0;
    unsigned char linkConfirmed = 0;
    unsigned char deviceChangePending = 0;
    COLORREF indicatorColors[5] = {};
    unsigned cardNumber = 0;
    unsigned cipherId = 0;
    int progressTicks = 0;
    HBRUSH labelBrush = nullptr;
};
extern AppStateRecord AppState;
// Port names run to "COM255"; the port scan and USB lookup cut longer ones.
static_assert(sizeof AppState.portName >= sizeof "COM255", "portName holds every port the program lists");

// ---- Window handles ------------------------------------------------------
// Controls of MainWindow in creation order; the panel table follows this order.
enum Control : int {
    PortCombo, SearchButton, VersionLabel, VersionValue, FamilyTabs,
    InterfaceGroup, TouchMemoryRadio, Wiegand26Radio, Wiegand44Radio, Wiegand58Radio,
    OperatingModeGroup, WindowsModeRadio, MultiOsModeRadio,
    IndicationControlGroup, DirectRadio, InverseRadio,
    IdOutputFormatGroup, HexOrDecRadio, TouchMemoryOutRadio,
    StandbyIndicationGroup, DynamicRadio, StaticRadio, StandbyOffRadio,
    IdOutputTypeGroup, HexRadio, DecRadio,
    TouchPollGroup, PollOnRadio, PollOffRadio,
    IdByteCountGroup, Bytes7Radio, Bytes5Radio, Bytes4Radio, Bytes3Radio, Bytes2Radio,
    CardsToReadGroup, CardsAllRadio, CardsHidEmRadio, CardsMifareRadio,
    ReadButton, WriteButton, IndicatorGroup,
    ControlCount
};

extern HWND MainWindow;
extern HWND ProgressWindow;
extern HWND IdWindow;
extern HMENU LanguageMenu;
extern HWND Controls[ControlCount];

inline HWND Ctl(Control c) { return Controls[c]; }

// ---- Texts and message boxes ---------------------------------------------
// Points the text table at AppState.language.
void SelectLanguageTexts();

// The program's message box: MB_USERICON with one of the program's icons.
int ShowMessage(HWND owner, const char* text, const char* caption, UINT style, int icon);

// The two serial I/O failure boxes use the system error icon instead.
int ShowSystemMessage(HWND owner, const char* text, const char* caption, UINT style);

#ifdef KV_TEST_HOOKS
// Test programs that run the program's code in-process set this to see and
// answer every box (icon is 0 for the system-icon boxes). Test builds only.
using MessageBoxHook = int (*)(HWND owner, const char* text, const char* caption,
                               UINT style, int icon);
extern MessageBoxHook ShowMessageHook;
#endif

// ---- Configuration file --------------------------------------------------
void LoadConfig();
void SaveConfig();

// ---- Menus and language --------------------------------------------------
void BuildMenuBar();
void RebuildMenuBar();
void ApplyLanguage();
void SwitchLanguage(int language);          // commands 17 and 18
void ShowRightClickMenu(LPARAM pointInClient);

// ---- Help and About ------------------------------------------------------
void OpenHelpFile();                        // command 20
void ShowAboutDialog();                     // command 21
INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// ---- Main window ---------------------------------------------------------
LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Start-up steps after the configuration is read: single-instance test,
// window class, MainWindow, panel, first search. False when another copy
// was brought to the front instead.
bool CreateMainWindow();
