// Reaction to devices coming and going: debounce the system's notices, then
// look for a new port (no port open) or check that the open port survived.
#include <cstdio>
#include <cstring>

#include "flows.h"
#include "reader_core.h"
#include "serial.h"
#include "ui.h"

#include <dbt.h>

namespace {

constexpr UINT kDebounceMs = 2000;
// While another operation runs, the check waits for it in short steps.
constexpr UINT kDeferMs = 250;
constexpr DWORD kSettleMs = 1000;

// A progress or a modal box of another operation (they all disable
// MainWindow) must not see its port closed or a second search started.
bool OperationUnderWay()
{
    return !IsWindowEnabled(MainWindow) || ProgressRunning();
}

void CheckForNewEhxPort()
{
    HWND list = Ctl(PortCombo);
    // An empty list reads as an empty first text.
    char firstBefore[10];
    char firstAfter[10];
    LRESULT countBefore = SendMessageA(list, CB_GETCOUNT, 0, 0);
    ReadListEntry(list, 0, firstBefore, sizeof firstBefore);
    RefreshPortList();
    LRESULT countAfter = SendMessageA(list, CB_GETCOUNT, 0, 0);
    ReadListEntry(list, 0, firstAfter, sizeof firstAfter);

    bool grew = countAfter > countBefore;
    bool firstArrived = firstBefore[0] == '\0' && std::strcmp(firstAfter, firstBefore) != 0;
    if (grew || firstArrived) StartProgress(TimerSearch, 10);
}

void CheckForUsbReader()
{
    RefreshPortList();
    if (FindReaderUsbPort()) StartProgress(TimerSearch, 10);
}

void CheckOpenPort()
{
    // The port stays "open" in the state while the handle is away, so the
    // reopen below leaves the link as it was.
    ClosePortHandle();
    Sleep(kSettleMs);

    char text[256];
    if (IsPortPresent(AppState.portName)) {
        if (OpenPort(AppState.portName, LineSpeed)) return;
        std::snprintf(text, sizeof text, "%s [%s]!", Text(MsgErrorOpening), AppState.portName);
        ReportText(text, IconError);
        DropLink();
        return;
    }
    if (AppState.family == Ehx) {
        std::snprintf(text, sizeof text, "%s\n\r(%s %s)", Text(MsgConnectionBroken), AppState.portName,
                      Text(LblDisabled));
        ReportText(text, IconError);
    } else if (AppState.family == Usb) {
        Report(MsgUsbDisconnected, IconError);
    }
    DropLink();
}

}  // namespace

void OnDeviceChange(WPARAM event)
{
    if (event != DBT_DEVNODES_CHANGED || AppState.deviceChangePending) return;
    AppState.deviceChangePending = 1;
    SetTimer(MainWindow, TimerHotplug, kDebounceMs, nullptr);
}

void OnHotplugTimer()
{
    KillTimer(MainWindow, TimerHotplug);
    if (OperationUnderWay()) {
        // Still pending, so further notices add nothing until the check runs.
        AppState.deviceChangePending = 1;
        SetTimer(MainWindow, TimerHotplug, kDeferMs, nullptr);
        return;
    }
    AppState.deviceChangePending = 0;

    if (AppState.portOpen) {
        CheckOpenPort();
        return;
    }
    if (AppState.family == Ehx) {
        CheckForNewEhxPort();
    } else if (AppState.family == Usb) {
        CheckForUsbReader();
    }
}
