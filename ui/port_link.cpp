// The window's port link: the serial transport on AppState's port, its two
// I/O failure boxes, and dropping the link with every piece of per-reader
// state.
#include <cstdio>
#include <cstring>

#include "serial.h"
#include "serial_link.h"
#include "ui.h"

namespace {

// The write-failure box keeps its Russian caption in both languages.
constexpr char kWriteFailureCaption[] = "Сообщение";

void ShowIoFailure(TextKey what, int error, const char* caption)
{
    char text[256];
    std::snprintf(text, sizeof text, "%s [%d] %s", Text(LblError), error, Text(what));
    ShowSystemMessage(MainWindow, text, caption, MB_ICONERROR);
}

SerialLink AppLink()
{
    SerialLink link;
    link.handle = reinterpret_cast<intptr_t>(AppState.portHandle);
    link.name = AppState.portName;
    return link;
}

}  // namespace

bool OpenPort(const char* name, DWORD baudRate)
{
    AppState.portHandle = INVALID_HANDLE_VALUE;
    // Only names that AppState.portName can hold are ports of this program.
    if (!name || std::strlen(name) >= sizeof AppState.portName) return false;
    SerialLink link;
    if (!SerialOpen(&link, name, baudRate, nullptr)) return false;
    AppState.portHandle = reinterpret_cast<HANDLE>(link.handle);
    AppState.portOpen = 1;
    return true;
}

bool ReadReply(unsigned char* buffer, int capacity, int* received)
{
    // After a reset the handle is closed (or reused by now): never touch it.
    if (!AppState.portOpen || !buffer || capacity <= 0) return false;

    SerialLink link = AppLink();
    int count = 0;
    int error = 0;
    if (!SerialRead(&link, buffer, capacity, 0, &count, &error)) {
        ShowIoFailure(MsgReadPortFailed, error, Text(CapMessage));
        return false;
    }
    if (count == 0) return false;
    if (received) *received = count;
    return true;
}

bool WriteCommand(const void* bytes, int count)
{
    if (!AppState.portOpen || !bytes || count < 0) return false;

    SerialLink link = AppLink();
    int error = 0;
    if (!SerialWrite(&link, bytes, count, &error)) {
        if (error != 0) ShowIoFailure(MsgWritePortFailed, error, kWriteFailureCaption);
        return false;
    }
    return true;
}

void ClosePortHandle()
{
    SerialLink link = AppLink();
    SerialClose(&link);
}

void ResetLink()
{
    if (AppState.portOpen) {
        AppState.portOpen = 0;
        ClosePortHandle();
    }
    RefreshPortList();

    AppState.linkConfirmed = 0;
    AppState.versionOk = 0;
    AppState.lastSettings[0] = '\0';
    AppState.searching = 0;
    AppState.modelCode = ModelNone;
    AppState.firmwareVersion = 0;

    EnableWindow(Ctl(Wiegand58Radio), FALSE);
    SendMessageA(Ctl(VersionValue), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("x.xx"));
}

void DropLink()
{
    AppState.portOpen = 0;  // the handle is closed already
    ResetLink();
}
