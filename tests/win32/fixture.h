// In-process fixture for the Win32 tests: the program's MainWindow with its
// panel (no search started), every message box recorded and answered, and a
// message pump with a time limit.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "app.h"
#include "check.h"
#include "ui.h"

struct BoxRecord {
    HWND owner;
    std::string text;
    std::string caption;
    UINT style;
    int icon;  // 0 for the boxes with a system icon
};

inline std::vector<BoxRecord>& Boxes()
{
    static std::vector<BoxRecord> boxes;
    return boxes;
}

inline int RecordBox(HWND owner, const char* text, const char* caption, UINT style, int icon)
{
    Boxes().push_back({owner, text ? text : "", caption ? caption : "", style, icon});
    return IDOK;
}

// Dispatches whatever arrives for `ms` milliseconds.
inline void PumpMessages(int ms)
{
    DWORD end = GetTickCount() + static_cast<DWORD>(ms);
    do {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        Sleep(5);
    } while (static_cast<int>(end - GetTickCount()) > 0);
}

// Pumps until `done()` holds or `ms` pass; true when it held.
template <typename Pred>
bool PumpUntil(Pred done, int ms)
{
    DWORD end = GetTickCount() + static_cast<DWORD>(ms);
    while (!done()) {
        if (static_cast<int>(end - GetTickCount()) <= 0) return false;
        PumpMessages(10);
    }
    return true;
}

// Fresh state, texts of `language`, MainWindow and panel of `family`.
inline void OpenTestMainWindow(int family = Ehx, int language = En)
{
    AppState = AppStateRecord{};
    AppState.family = family;
    AppState.language = language;
    SelectLanguageTexts();
    ShowMessageHook = RecordBox;
    Boxes().clear();

    WNDCLASSA wc = {};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = MainWindowProc;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    wc.lpszClassName = "my Window";
    RegisterClassA(&wc);
    MainWindow = CreateWindowExA(0, "my Window", Text(AppTitle),
                                 WS_OVERLAPPED | WS_SYSMENU | WS_MINIMIZEBOX,
                                 0, 0, 395, 690, nullptr, nullptr, nullptr, nullptr);
    CreatePanel();
    ShowWindow(MainWindow, SW_SHOWNORMAL);
    UpdateWindow(MainWindow);
}

inline void CloseTestMainWindow()
{
    if (MainWindow) DestroyWindow(MainWindow);
    MainWindow = nullptr;
    // WM_DESTROY posted a quit message; drain it so the next case starts clean.
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {}
}

inline bool IsChecked(Control c) { return SendMessageA(Ctl(c), BM_GETCHECK, 0, 0) == BST_CHECKED; }
inline bool IsEnabled(Control c) { return IsWindowEnabled(Ctl(c)) != FALSE; }
inline std::string WindowText(HWND w)
{
    char buf[256] = {};
    GetWindowTextA(w, buf, sizeof buf);
    return buf;
}

// ---- a file standing in for the serial port --------------------------------
// The port handle is a temporary file holding what the reader will answer:
// the program reads it to its end, and what it writes lands at the front.
// Opened as the program leaves a linked port: the port list disabled.
inline std::string OpenFilePort(const std::string& content)
{
    char dir[MAX_PATH], path[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    GetTempFileNameA(dir, "kvp", 0, path);
    HANDLE file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_TEMPORARY, nullptr);
    DWORD written = 0;
    WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    SetFilePointer(file, 0, nullptr, FILE_BEGIN);
    AppState.portHandle = file;
    AppState.portOpen = 1;
    EnableWindow(Ctl(PortCombo), FALSE);
    return path;
}

// Closes the stand-in port (unless the program did) and deletes it; returns
// its first `bytes` bytes: what the program wrote, then the rest of the reply.
inline std::string ClosePortFile(const std::string& path, size_t bytes = 128)
{
    if (AppState.portOpen) CloseHandle(AppState.portHandle);
    AppState.portOpen = 0;
    std::string content(bytes, '\0');
    DWORD got = 0;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ReadFile(file, content.data(), static_cast<DWORD>(bytes), &got, nullptr);
    CloseHandle(file);
    DeleteFileA(path.c_str());
    content.resize(got);
    return content;
}

// ---- the port list ------------------------------------------------------------
inline std::vector<std::string> ListEntries(HWND list)
{
    std::vector<std::string> out;
    int count = static_cast<int>(SendMessageA(list, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        char text[256] = {};
        if (SendMessageA(list, CB_GETLBTEXTLEN, i, 0) < static_cast<LRESULT>(sizeof text))
            SendMessageA(list, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        out.push_back(text);
    }
    return out;
}

// "[COM1][COM3]": a list in one comparable text.
inline std::string Joined(const std::vector<std::string>& entries)
{
    std::string s;
    for (const std::string& e : entries) s += "[" + e + "]";
    return s;
}

// Puts `entries` in the list with `selected` chosen (-1: none).
inline void FillList(HWND list, const std::vector<std::string>& entries, int selected)
{
    SendMessageA(list, CB_RESETCONTENT, 0, 0);
    for (const std::string& e : entries) SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(e.c_str()));
    SendMessageA(list, CB_SETCURSEL, selected, 0);
}

// The boxes a case expects, in order: every one owned by MainWindow with the
// current caption and style 0.
struct Box {
    TextKey text;
    int icon;
};

inline void CheckBoxes(const std::vector<Box>& want)
{
    CHECK_EQ(Boxes().size(), want.size());
    for (size_t n = 0; n < want.size() && n < Boxes().size(); ++n) {
        CHECK_EQ(Boxes()[n].text, Text(want[n].text));
        CHECK_EQ(Boxes()[n].caption, Text(CapMessage));
        CHECK_EQ(Boxes()[n].icon, want[n].icon);
        CHECK(Boxes()[n].owner == MainWindow);
        CHECK_EQ(Boxes()[n].style, 0u);
    }
}
