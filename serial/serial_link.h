// The serial transport shared by the window and kv7: open a line at 8N1 with
// the window's time-outs, read a reply until the line falls silent, write a
// command in one piece. Results and system error codes only: what the
// operator sees is up to the caller. Win32 and POSIX implementations.
#pragma once

#include <cstddef>
#include <cstdint>

// Called for every piece of traffic when set: sent is true for bytes written.
using SerialTrace = void (*)(void* context, const char* port, bool sent, const unsigned char* bytes,
                             int count);

struct SerialLink {
    intptr_t handle = -1;          // HANDLE on Windows, file descriptor on POSIX; -1 when closed
    const char* name = "";         // for the trace
    SerialTrace trace = nullptr;
    void* traceContext = nullptr;
};

// A read that returns nothing for this long means the line fell silent.
constexpr int LineSilenceMs = 60;

// Opens `name` (COMn on Windows, a device path on POSIX) at `baudRate`, 8N1.
// On failure the handle is -1 and *systemError (when given) holds the reason.
bool SerialOpen(SerialLink* link, const char* name, unsigned baudRate, int* systemError);

// Reads into `buffer` until the line has been silent for about LineSilenceMs
// or `capacity` bytes came. The first byte is awaited up to firstByteWaitMs
// (0: one silence period). True with *received (0 when nothing came); false
// on a read error, with *systemError.
bool SerialRead(SerialLink* link, unsigned char* buffer, int capacity, int firstByteWaitMs, int* received,
                int* systemError);

// The start every SerialRead shares: outputs cleared; false when there is
// no room to read into, which is a read of nothing.
inline bool ReadRoomGiven(unsigned char* buffer, int capacity, int* received, int* systemError)
{
    if (systemError) *systemError = 0;
    if (received) *received = 0;
    return buffer && capacity > 0;
}

// Writes `count` bytes in one piece. False when the system fails it or
// takes fewer bytes (*systemError 0 then).
bool SerialWrite(SerialLink* link, const void* bytes, int count, int* systemError);

void SerialClose(SerialLink* link);

// The system's text for an error code of the calls above, without a line end.
void SerialErrorText(int systemError, char* text, size_t size);
