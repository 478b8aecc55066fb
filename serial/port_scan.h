// The machine's serial ports as kv7 lists them, on Windows and POSIX alike.
#pragma once

#include <cstddef>

constexpr int MaxScannedPorts = 64;

struct ScannedPort {
    char name[64];      // "COM4" or "/dev/ttyUSB0"
    char usbId[10];     // "2E3C:5750" for a port of a USB device, else empty
};

// The ports in the window's order (by COM number on Windows, by path on
// POSIX). Returns how many were stored.
int ScanSerialPorts(ScannedPort* ports, int capacity);

// The port of the Varko-7-USB reader (by its USB identity), when present.
bool FindReaderPort(char* name, size_t size);

// Whether `name` (a COM name or a device path) is present now.
bool SerialPortPresent(const char* name);
