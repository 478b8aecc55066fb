
#include <array>

#include "common_controls.h"
#include "ui.h"

namespace {

struct ProgressKind {
    int timerId;
    int ticks;          // ticks until done; also the bar's maximum
    TextKey ehxTitle;
    TextKey usbTitle;
};

constexpr std::array<ProgressKind, 3> kProgressKinds = {{
    {TimerSearch, 100, PrgSearchEhx, PrgSearchUsb},
    {TimerRead, 2, PrgReadEhx, PrgReadUsb},
    {TimerWrite, 2, PrgWriteEhx, PrgWriteUsb},
}};

// The timer of the progress that is running, 0 when none runs.
int runningTimer = 0;

const ProgressKind* KindOf(int timerId)
{
    for (const ProgressKind& k : kProgressKinds)
        if (k.timerId == timerId) return &k;
    return nullptr;
}

// Ends the running progress: timer, window and count.
void StopProgress()
{
    if (runningTimer) KillTimer(MainWindow, runningTimer);
    if (ProgressWindow) DestroyWindow(ProgressWindow);
    ProgressWindow = nullptr;
    runningTimer = 0;
    AppState.progressTicks = 0;
}

}  // namespace

bool ProgressRunning()
{
    return runningTimer != 0;
}

void StartProgress(int timerId, int periodMs)
{
    int x = GetSystemMetrics(SM_CXSCREEN) / 2 - 148;
    int y = GetSystemMetrics(SM_CYSCREEN) / 2 - 25;
    const ProgressKind* kind = KindOf(timerId);
    if (!kind) return;
    const char* title = nullptr;
    if (AppState.family == Ehx) title = Text(kind->ehxTitle);
    if (AppState.family == Usb) title = Text(kind->usbTitle);
    if (!title) return;

    // Only one progress at a time: a new one replaces a running one rather
    // than leaving its window behind, and counts from the start.
    StopProgress();

    ProgressWindow = CreateWindowExA(0, PROGRESS_CLASSA, title, WS_VISIBLE | PBS_SMOOTH, x, y, 291, 50,
                                     MainWindow, nullptr, nullptr, nullptr);
    SendMessageA(ProgressWindow, PBM_SETRANGE, 0, MAKELPARAM(0, kind->ticks));
    SendMessageA(ProgressWindow, PBM_SETSTEP, 1, 0);
    SendMessageA(ProgressWindow, PBM_SETPOS, 0, 0);
    EnableWindow(MainWindow, FALSE);
    if (!SetTimer(MainWindow, static_cast<UINT_PTR>(timerId), static_cast<UINT>(periodMs), nullptr)) {
        // No tick would ever come to enable the window again.
        StopProgress();
        EnableWindow(MainWindow, TRUE);
        return;
    }
    runningTimer = timerId;
}

bool AdvanceProgress(int timerId)
{
    const ProgressKind* kind = KindOf(timerId);
    if (!kind || timerId != runningTimer) return false;  // a tick of a progress that was replaced
    SendMessageA(ProgressWindow, PBM_STEPIT, 0, 0);
    int n = AppState.progressTicks + 1;
    if (n < kind->ticks) {
        AppState.progressTicks = n;
        return false;
    }
    StopProgress();
    return true;
}

void ReleaseAfterProgress()
{
    // A follow-up that started the next progress keeps the window disabled.
    if (!ProgressRunning()) EnableWindow(MainWindow, TRUE);
}
