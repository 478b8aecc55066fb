
#include "app.h"
#include "common_controls.h"
#include "flows.h"
#include "ui.h"

namespace {

constexpr int kWindowWidth = 395;
constexpr int kWindowHeight = 690;

// READ, WRITE and Read ID need a reader; without an open port they search.
bool SearchInsteadWithoutPort()
{
    if (AppState.portOpen) return false;
    StartProgress(TimerSearch, 10);
    return true;
}

void OnCommand(int id, int notification)
{
    switch (id) {
    case IdPortCombo:
        if (notification == CBN_SELCHANGE) OnPortComboSelection();
        break;
    case IdSearchButton:
        ResetLink();
        StartProgress(TimerSearch, 10);
        break;
    case IdReadButton:
        if (!SearchInsteadWithoutPort()) SendReadCommand();
        break;
    case IdWriteButton:
        if (!SearchInsteadWithoutPort()) {
            char command[16] = {};
            int length = 0;
            EncodeSettings(command, &length);
            SendWriteCommand(command, length);
        }
        break;
    case IdMenuQuit:
        SendMessageA(MainWindow, WM_CLOSE, 0, 0);
        break;
    case IdMenuRussian:
        SwitchLanguage(Ru);
        break;
    case IdMenuEnglish:
        SwitchLanguage(En);
        break;
    case IdMenuReadId:
        if (!SearchInsteadWithoutPort()) ReadIdCommand();
        break;
    case IdMenuHelp:
        OpenHelpFile();
        break;
    case IdMenuAbout:
        ShowAboutDialog();
        break;
    default:
        if ((id >= IdTouchMemoryRadio && id <= IdPollOffRadio) ||
            (id >= IdWindowsModeRadio && id <= IdTouchMemoryOutRadio))
            ApplyOptionClick(id);
        break;
    }
}

}  // namespace

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam));
        break;
    case WM_TIMER:
        if (LOWORD(wParam) >= TimerSearch && LOWORD(wParam) <= TimerWrite) {
            if (AdvanceProgress(LOWORD(wParam))) {
                FollowUpProgress(LOWORD(wParam));
                ReleaseAfterProgress();
            }
        } else if (LOWORD(wParam) == TimerHotplug)
            OnHotplugTimer();
        break;
    case WM_NOTIFY:
        if (reinterpret_cast<const NMHDR*>(lParam)->code == static_cast<UINT>(TCN_SELCHANGE)) SwitchFamily();
        break;
    case WM_PAINT:
        EraseIndicators();
        InvalidateIndicators();
        PaintIndicators();
        break;
    case WM_DEVICECHANGE:
        OnDeviceChange(wParam);
        break;
    case WM_RBUTTONUP:
        ShowRightClickMenu(lParam);
        break;
    case WM_DESTROY:
        for (int timer = TimerSearch; timer <= TimerHotplug; ++timer) KillTimer(window, timer);
        ResetLink();
        PostQuitMessage(0);
        break;
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void CreatePanel()
{
    BuildMenuBar();
    CreateControls();
}

bool CreateMainWindow()
{
    // One copy per title: a second start brings the first one to the front.
    if (HWND running = FindWindowA(nullptr, Text(AppTitle))) {
        if (IsIconic(running)) ShowWindow(running, SW_RESTORE);
        SetForegroundWindow(running);
        return false;
    }

    WNDCLASSA wc = {};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = MainWindowProc;
    wc.hIcon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IconHandshake));
    wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    wc.lpszClassName = "my Window";
    RegisterClassA(&wc);

    int x = GetSystemMetrics(SM_CXSCREEN) / 2 - 197;
    int y = GetSystemMetrics(SM_CYSCREEN) / 2 - 345;
    MainWindow = CreateWindowExA(0, "my Window", Text(AppTitle), WS_OVERLAPPED | WS_SYSMENU | WS_MINIMIZEBOX,
                                 x, y, kWindowWidth, kWindowHeight, nullptr, nullptr, nullptr, nullptr);
    // Without a window there is nothing to run: end instead of looping unseen.
    if (!MainWindow) return false;

    CreatePanel();
    ShowWindow(MainWindow, SW_SHOWNORMAL);
    UpdateWindow(MainWindow);
    SetWindowPos(MainWindow, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    StartProgress(TimerSearch, 10);
    return true;
}
