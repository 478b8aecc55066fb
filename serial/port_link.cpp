// The one serial link: open and configure a COM port, read a reply byte by
// byte until the line falls silent, write a command in one piece, and drop
// the link with every piece of per-reader state.
#include <cstdio>
#include <cstring>

#include "app.h"
#include "serial.h"

namespace {

// "\\.\" + the longest name AppState.portName holds (COM255 and beyond need
// the device namespace; without it only COM1..COM9 open).
constexpr char kDevicePrefix[] = "\\\\.\\";
constexpr size_t kDevicePathSize = sizeof kDevicePrefix - 1 + sizeof AppState.portName;

constexpr COMMTIMEOUTS kTimeouts = {
    50,  // ReadIntervalTimeout
    10,  // ReadTotalTimeoutMultiplier
    50,  // ReadTotalTimeoutConstant: a one-byte read gives up after ~60 ms
    10,  // WriteTotalTimeoutMultiplier
    50,  // WriteTotalTimeoutConstant
};

// The write-failure box keeps its Russian caption in both languages.
constexpr char kWriteFailureCaption[] = "Сообщение";

void ShowIoFailure(TextKey what, DWORD error, const char* caption)
{
    char text[256];
    std::snprintf(text, sizeof text, "%s [%d] %s", Text(LblError), static_cast<int>(error), Text(what));
    ShowSystemMessage(MainWindow, text, caption, MB_ICONERROR);
}

}  // namespace

bool OpenPort(const char* name, DWORD baudRate)
{
    char path[kDevicePathSize];
    int length = std::snprintf(path, sizeof path, "%s%s", kDevicePrefix, name ? name : "");
    if (!name || !name[0] || length < 0 || static_cast<size_t>(length) >= sizeof path) {
        AppState.portHandle = INVALID_HANDLE_VALUE;
        return false;
    }

    AppState.portHandle = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (AppState.portHandle == INVALID_HANDLE_VALUE) return false;

    COMMTIMEOUTS timeouts = kTimeouts;
    DCB dcb = {};
    dcb.DCBlength = sizeof dcb;
    bool ok = SetCommTimeouts(AppState.portHandle, &timeouts) && GetCommState(AppState.portHandle, &dcb);
    if (ok) {
        // Only the line format changes; flow control stays as the driver has it.
        dcb.BaudRate = baudRate;
        dcb.ByteSize = 8;
        dcb.Parity = NOPARITY;
        dcb.StopBits = ONESTOPBIT;
        ok = SetCommState(AppState.portHandle, &dcb);
    }
    if (!ok) {
        CloseHandle(AppState.portHandle);
        AppState.portHandle = INVALID_HANDLE_VALUE;
    }
    return ok;
}

bool ReadReply(unsigned char* buffer, int capacity, int* received)
{
    // After a reset the handle is closed (or reused by now): never touch it.
    if (!AppState.portOpen || !buffer || capacity <= 0) return false;

    int count = 0;
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(AppState.portHandle, buffer + count, 1, &got, nullptr)) {
            ShowIoFailure(MsgReadPortFailed, GetLastError(), Text(CapMessage));
            return false;
        }
        if (got == 0) break;  // the line fell silent
        if (++count == capacity) break;
    }
    if (count == 0) return false;
    if (received) *received = count;
    return true;
}

bool WriteCommand(const void* bytes, int count)
{
    if (!AppState.portOpen || !bytes || count < 0) return false;

    DWORD written = 0;
    if (!WriteFile(AppState.portHandle, bytes, static_cast<DWORD>(count), &written, nullptr)) {
        ShowIoFailure(MsgWritePortFailed, GetLastError(), kWriteFailureCaption);
        return false;
    }
    return written == static_cast<DWORD>(count);
}

void ResetLink()
{
    if (AppState.portOpen) {
        AppState.portOpen = 0;
        CloseHandle(AppState.portHandle);
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
