// Serial transport: the one port link, the system's COM port list, the USB
// reader's port lookup and the reaction to devices coming and going.
#pragma once

#include <windows.h>

// ---- Port link -----------------------------------------------------------
bool OpenPort(const char* name, DWORD baudRate);
bool ReadReply(unsigned char* buffer, int capacity, int* received);
bool WriteCommand(const void* bytes, int count);
void ResetLink();

// ---- COM port list -------------------------------------------------------
bool ListComPorts(HWND list);
void SortPortList(HWND list);
void RefreshPortList();
void SelectPortByName(HWND list, const char* name, int* index);
bool IsPortPresent(const char* name);
// Text of entry `index` of a list, cut to fit `size` bytes; empty (and false)
// when the entry does not exist.
bool ReadListEntry(HWND list, int index, char* text, size_t size);

// ---- USB reader port lookup ----------------------------------------------
bool FindUsbPort(char* output, size_t outputSize,
                 const char* vendor1, const char* product1, const char* revision1,
                 const char* vendor2, const char* product2, const char* revision2);
// FindUsbPort with the reader's identity, into AppState.portName.
bool FindReaderUsbPort();

// ---- Hot-plug monitor ----------------------------------------------------
void OnDeviceChange(WPARAM event);
void OnHotplugTimer();
