// The Windows side of the serial transport: the system's serial port map and
// the USB device registry. Results only; the window and kv7 present them.
#pragma once

#include <windows.h>

#include <cstddef>

// ---- Serial port map (HKLM\HARDWARE\DEVICEMAP\SERIALCOMM) ----------------
using PortMapVisitor = void (*)(const wchar_t* text, void* context);
// Calls `visit` for each text value of the map, in the system's value order.
// False when the map cannot be opened; *valueCount gets its number of values
// (texts and others alike).
bool VisitPortMap(PortMapVisitor visit, void* context, DWORD* valueCount);
bool IsPortPresent(const char* name);

// ---- USB devices ---------------------------------------------------------
bool FindUsbPort(char* output, size_t outputSize,
                 const char* vendor1, const char* product1, const char* revision1,
                 const char* vendor2, const char* product2, const char* revision2);
using UsbPortVisitor = void (*)(const char* portName, const char* hardwareId, void* context);
// Calls `visit` for each USB device that has a PortName, with its first
// hardware identifier.
void VisitUsbPorts(UsbPortVisitor visit, void* context);
