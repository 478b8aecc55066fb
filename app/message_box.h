// The parameter block behind ShowMessage, for the tests that check it.
#pragma once

#include <windows.h>

MSGBOXPARAMSA MessageBoxParams(HWND owner, const char* text, const char* caption, UINT style, int icon);
