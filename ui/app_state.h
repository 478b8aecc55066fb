// The one record of application state and the window handles.
#pragma once

#include <windows.h>

#include "texts.h"
#include "types.h"

struct AppStateRecord {
    int language = Ru;             // UiLanguage
    int family = Ehx;              // ReaderFamily
    // The port link (only port_link.cpp opens, closes and marks it open)
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

extern HWND MainWindow;
extern HWND ProgressWindow;
extern HWND IdWindow;
extern HMENU LanguageMenu;
extern HWND Controls[ControlCount];

inline HWND Ctl(Control c) { return Controls[c]; }

// Points the text table at AppState.language.
void SelectLanguageTexts();
