
#include <cstdio>

#include "app.h"
#include "version.h"
#include <shellapi.h>

namespace {
constexpr char kHelpFile[] = "help\\" KV_MANUAL_NAME;
constexpr int kAboutRussian = IDD_ABOUT_RU;
constexpr int kAboutEnglish = IDD_ABOUT_EN;
}  // namespace

void OpenHelpFile()
{
    // The manual is looked for in the working directory. The shell would try
    // a relative name beside the exe first, so hand it the full path.
    char path[MAX_PATH + sizeof kHelpFile + 1];
    DWORD length = GetCurrentDirectoryA(MAX_PATH, path);
    const char* file = kHelpFile;
    if (length > 0 && length < MAX_PATH) {
        std::snprintf(path + length, sizeof path - length, "%s%s", path[length - 1] == '\\' ? "" : "\\",
                      kHelpFile);
        file = path;
    }
    HINSTANCE result = ShellExecuteA(MainWindow, "open", file, nullptr, nullptr, SW_RESTORE);
    // The result is an error code below 33 or a value above 32 for success,
    // compared as a signed number.
    INT_PTR code = reinterpret_cast<INT_PTR>(result);
    if (code > 32) return;
    if (code == SE_ERR_FNF || code == SE_ERR_PNF) {
        Report(MsgHelpFileNotFound, IconError);
        Report(MsgHelpFolderHint, IconHint);
    } else if (code == SE_ERR_NOASSOC) {
        Report(MsgHelpCannotOpen, IconWarning);
        Report(MsgInstallPdfViewer, IconHint);
    } else {
        char text[160];
        std::snprintf(text, sizeof text, "%s\n\r[%s: %u]", Text(MsgHelpOpenFailed), Text(LblErrorCode),
                      static_cast<unsigned>(code));
        ReportText(text, IconError);
    }
}

void ShowAboutDialog()
{
    int dialog = AppState.language == Ru ? kAboutRussian : AppState.language == En ? kAboutEnglish : 0;
    if (!dialog) return;
    DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(dialog), MainWindow, AboutDialogProc, 0);
}

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        return TRUE;  // the system puts the focus on OK, the first tab stop
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) EndDialog(dialog, LOWORD(wParam));
        return TRUE;
    default:
        return FALSE;
    }
}
