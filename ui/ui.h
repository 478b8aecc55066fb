// The configuration panel: controls and tab defaults, indicator column,
// progress window with its timers, the family tab switch, and the window's
// side of the serial line: its port link, PortCombo and the hot-plug monitor.
#pragma once

#include <windows.h>

#include <cstddef>

// ---- Panel ---------------------------------------------------------------
void CreatePanel();
void CreateFamilyTabs();
void ShowEhxControls(int cmdShow);
void ShowUsbControls(int cmdShow);
void ApplyEhxDefaults();
void ApplyUsbDefaults();


// ---- Indicator column ----------------------------------------------------
extern const RECT IndicatorRect;
void PaintIndicators();
void EraseIndicators();
void InvalidateIndicators();
void ApplyOptionClick(int commandId);

// ---- Progress window and timers -----------------------------------------
void StartProgress(int timerId, int periodMs);
void AdvanceProgress(int timerId);
bool ProgressRunning();

// ---- The window's port link (AppState's port over the serial transport) --
bool OpenPort(const char* name, DWORD baudRate);
bool ReadReply(unsigned char* buffer, int capacity, int* received);
bool WriteCommand(const void* bytes, int count);
void ClosePortHandle();
void ResetLink();

// ---- PortCombo and the system's port map ---------------------------------
bool ListComPorts(HWND list);
void SortPortList(HWND list);
void RefreshPortList();
void SelectPortByName(HWND list, const char* name, int* index);
// Text of entry `index` of a list, cut to fit `size` bytes; empty (and false)
// when the entry does not exist.
bool ReadListEntry(HWND list, int index, char* text, size_t size);

// ---- Hot-plug monitor ----------------------------------------------------
void OnDeviceChange(WPARAM event);
void OnHotplugTimer();

// ---- Tab switch ----------------------------------------------------------
void SwitchFamily();
