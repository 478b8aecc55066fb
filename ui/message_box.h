// The program's message boxes.
#pragma once

#include <windows.h>

#include "texts.h"

// The program's message box: MB_USERICON with one of the program's icons.
int ShowMessage(HWND owner, const char* text, const char* caption, UINT style, int icon);

// The two serial I/O failure boxes use the system error icon instead.
int ShowSystemMessage(HWND owner, const char* text, const char* caption, UINT style);

// A box over MainWindow with OK, the "Message" caption and one of the
// program's icons: a text of the table, or one made up of several.
void Report(TextKey key, int icon);
void ReportText(const char* text, int icon);

// The parameter block behind ShowMessage, for the tests that check it.
MSGBOXPARAMSA MessageBoxParams(HWND owner, const char* text, const char* caption, UINT style, int icon);

#ifdef KV_TEST_HOOKS
// Test programs that run the program's code in-process set this to see and
// answer every box (icon is 0 for the system-icon boxes). Test builds only.
using MessageBoxHook = int (*)(HWND owner, const char* text, const char* caption,
                               UINT style, int icon);
extern MessageBoxHook ShowMessageHook;
#endif
