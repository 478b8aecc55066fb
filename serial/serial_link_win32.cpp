// The serial transport on Windows: the COM device with byte-wise reads that
// end when a one-byte read times out.
#include <windows.h>

#include <cstdio>

#include "serial_link.h"

namespace {

// "\\.\" + the name: COM10 and beyond need the device namespace.
constexpr char kDevicePrefix[] = "\\\\.\\";
constexpr size_t kDevicePathSize = 64;

constexpr COMMTIMEOUTS kTimeouts = {
    50,  // ReadIntervalTimeout
    10,  // ReadTotalTimeoutMultiplier
    50,  // ReadTotalTimeoutConstant: a one-byte read gives up after ~60 ms
    10,  // WriteTotalTimeoutMultiplier
    50,  // WriteTotalTimeoutConstant
};

HANDLE HandleOf(const SerialLink* link)
{
    return reinterpret_cast<HANDLE>(link->handle);
}

void SetError(int* systemError, DWORD error)
{
    if (systemError) *systemError = static_cast<int>(error);
}

void Trace(const SerialLink* link, bool sent, const void* bytes, int count)
{
    if (link->trace && count > 0)
        link->trace(link->traceContext, link->name, sent, static_cast<const unsigned char*>(bytes), count);
}

}  // namespace

bool SerialOpen(SerialLink* link, const char* name, unsigned baudRate, int* systemError)
{
    link->handle = -1;
    SetError(systemError, 0);
    char path[kDevicePathSize];
    int length = std::snprintf(path, sizeof path, "%s%s", kDevicePrefix, name ? name : "");
    if (!name || !name[0] || length < 0 || static_cast<size_t>(length) >= sizeof path) {
        SetError(systemError, ERROR_INVALID_NAME);
        return false;
    }

    HANDLE handle = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        SetError(systemError, GetLastError());
        return false;
    }

    COMMTIMEOUTS timeouts = kTimeouts;
    DCB dcb = {};
    dcb.DCBlength = sizeof dcb;
    bool ok = SetCommTimeouts(handle, &timeouts) && GetCommState(handle, &dcb);
    if (ok) {
        // Only the line format changes; flow control stays as the driver has it.
        dcb.BaudRate = baudRate;
        dcb.ByteSize = 8;
        dcb.Parity = NOPARITY;
        dcb.StopBits = ONESTOPBIT;
        ok = SetCommState(handle, &dcb);
    }
    if (!ok) {
        SetError(systemError, GetLastError());
        CloseHandle(handle);
        return false;
    }
    link->handle = reinterpret_cast<intptr_t>(handle);
    return true;
}

bool SerialRead(SerialLink* link, unsigned char* buffer, int capacity, int firstByteWaitMs, int* received,
                int* systemError)
{
    if (!ReadRoomGiven(buffer, capacity, received, systemError)) return true;

    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(firstByteWaitMs > 0 ? firstByteWaitMs : 0);
    int count = 0;
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(HandleOf(link), buffer + count, 1, &got, nullptr)) {
            SetError(systemError, GetLastError());
            Trace(link, false, buffer, count);
            return false;
        }
        if (got == 0) {
            // Before the first byte, a time-out only ends the wait at its deadline.
            if (count == 0 && GetTickCount64() < deadline) continue;
            break;
        }
        if (++count == capacity) break;
    }
    Trace(link, false, buffer, count);
    if (received) *received = count;
    return true;
}

bool SerialWrite(SerialLink* link, const void* bytes, int count, int* systemError)
{
    SetError(systemError, 0);
    if (!bytes || count < 0) return false;
    DWORD written = 0;
    if (!WriteFile(HandleOf(link), bytes, static_cast<DWORD>(count), &written, nullptr)) {
        SetError(systemError, GetLastError());
        return false;
    }
    Trace(link, true, bytes, static_cast<int>(written));
    return written == static_cast<DWORD>(count);
}

void SerialClose(SerialLink* link)
{
    if (link->handle != -1) CloseHandle(HandleOf(link));
    link->handle = -1;
}

void SerialErrorText(int systemError, char* text, size_t size)
{
    if (!text || size == 0) return;
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             static_cast<DWORD>(systemError), MAKELANGID(LANG_ENGLISH, SUBLANG_DEFAULT), text,
                             static_cast<DWORD>(size), nullptr);
    if (n == 0) n = static_cast<DWORD>(std::snprintf(text, size, "system error %d", systemError));
    // FormatMessage ends its texts with CR LF.
    while (n > 0 && n < size && (text[n - 1] == '\n' || text[n - 1] == '\r' || text[n - 1] == ' ')) text[--n] = '\0';
}
