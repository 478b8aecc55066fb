// Finding the reader: the EHU/EHM port scan, the USB reader's port lookup,
// and connecting to a port chosen by the operator.
#include <windows.h>

#include <cstdio>

#include "flows.h"
#include "reader_core.h"
#include "search_format.h"
#include "ui.h"

namespace {

constexpr int MaxProbedPorts = 50;

void ReportFound(TextKey key)
{
    char text[256];
    std::snprintf(text, sizeof text, "%s\n\r->[%s]", Text(key), AppState.portName);
    ReportText(text, IconSuccess);
}

void ReportNotFound(TextKey key)
{
    Report(key, IconError);
    Report(MsgSelectPortHint, IconHint);
}

// Port names are at most "COM255"; anything longer is cut to fit the record.
void SetPortName(const char* name)
{
    std::snprintf(AppState.portName, sizeof AppState.portName, "%s", name);
}

}  // namespace

void SearchReader()
{
    HWND combo = Ctl(PortCombo);
    EnableWindow(combo, TRUE);
    if (!ListComPorts(combo)) {
        SendMessageA(combo, CB_RESETCONTENT, 0, 0);
        SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(""));
        SendMessageA(combo, CB_SETCURSEL, 0, 0);
        Report(MsgNoComPorts, IconWarning);
        return;
    }
    SortPortList(combo);
    if (AppState.family == Ehx) {
        ScanEhxPorts(combo);
    } else if (AppState.family == Usb) {
        FindUsbReader();
    }
}

void ScanEhxPorts(HWND list)
{
    EnableWindow(MainWindow, FALSE);
    const LRESULT count = SendMessageA(list, CB_GETCOUNT, 0, 0);
    for (int i = 0; i < count && i < MaxProbedPorts; ++i) {
        char name[64];
        ReadListEntry(list, i, name, sizeof name);
        SetPortName(name);
        AppState.portIndex = i;
        if (!OpenPort(AppState.portName, LineSpeed)) continue;
        EnableWindow(list, FALSE);
        AppState.searching = 1;
        if (!WriteCommand(ReadEhxCommand, CommandLength)) {
            ResetLink();
            continue;
        }
        Sleep(ProbeReplyWaitMs);
        const bool found = HandleReply() == ReplyKind::ReadData && AppState.versionOk == 1;
        // A box closed inside HandleReply may have given the window back;
        // no click may reach it before the scan is over.
        EnableWindow(MainWindow, FALSE);
        if (found) {
            AppState.linkConfirmed = 1;
            AppState.searching = 0;
            ReportFound(EhxFoundText(AppState.modelCode));
            SelectPortByName(list, AppState.portName, &AppState.portIndex);
            EnableWindow(MainWindow, TRUE);
            return;
        }
        ResetLink();
    }
    EnableWindow(list, TRUE);
    ReportNotFound(MsgEhxNotFound);
    EnableWindow(MainWindow, TRUE);
}

void FindUsbReader()
{
    if (!FindReaderUsbPort()) {
        ReportNotFound(MsgUsbNotFound);
        return;
    }
    ReportFound(MsgUsbFound);
    SelectPortByName(Ctl(PortCombo), AppState.portName, &AppState.portIndex);
    if (AppState.portOpen == 0) ConnectSelectedPort();
}

void ConnectSelectedPort()
{
    if (OpenPort(AppState.portName, LineSpeed)) {
        EnableWindow(Ctl(PortCombo), FALSE);
        SendReadCommand();
        return;
    }
    char text[256];
    std::snprintf(text, sizeof text, "%s [%s]!", Text(MsgErrorOpening), AppState.portName);
    ReportText(text, IconError);
    RefreshPortList();
}

void OnPortComboSelection()
{
    HWND combo = Ctl(PortCombo);
    const LRESULT index = SendMessageA(combo, CB_GETCURSEL, 0, 0);
    char name[64];
    ReadListEntry(combo, static_cast<int>(index), name, sizeof name);
    if (name[0] == '\0') {
        Report(MsgNoComPorts, IconWarning);
        return;
    }
    SetPortName(name);
    AppState.portIndex = static_cast<int>(index);
    ConnectSelectedPort();
    // Choosing a port is the operator's word that a reader is there.
    AppState.linkConfirmed = 1;
}
