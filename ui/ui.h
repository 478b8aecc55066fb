// The window's widgets and services: the panel's controls and tab defaults,
// the indicator column, the progress window with its timers, PortCombo and
// the port link, message boxes, texts, the configuration file and AppState.
// Nothing here starts a flow: a finished progress or a device notice is
// handed up through the window procedure.
#pragma once

#include <windows.h>

#include <cstddef>

#include "app_state.h"
#include "message_box.h"
#include "settings_format.h"

// ---- Panel ---------------------------------------------------------------
// Every control of MainWindow with the tab's defaults (the menu bar is the
// shell's).
void CreateControls();
void CreateFamilyTabs();
void ShowEhxControls(int cmdShow);
void ShowUsbControls(int cmdShow);
void ApplyEhxDefaults();
void ApplyUsbDefaults();
// Enables or disables the radios of a NoChoice-terminated list of choices.
void EnableRadios(const SettingChoice* choices, BOOL enable);

// The rectangle a control is created with, in MainWindow's client area.
RECT ControlRect(Control control);

// ---- Indicator column (each dot beside its option's group box) -----------
void PaintIndicators();
void EraseIndicators();
void InvalidateIndicators();
void ApplyOptionClick(int commandId);

// ---- Progress window and timers -----------------------------------------
void StartProgress(int timerId, int periodMs);
// One tick. True when the progress has just ended: the caller runs what
// follows it, then calls ReleaseAfterProgress.
bool AdvanceProgress(int timerId);
// Gives MainWindow back unless what followed started the next progress.
void ReleaseAfterProgress();
bool ProgressRunning();

// ---- The window's port link (AppState's port over the serial transport) --
// Opens the port and marks the link open.
bool OpenPort(const char* name, DWORD baudRate);
bool ReadReply(unsigned char* buffer, int capacity, int* received);
bool WriteCommand(const void* bytes, int count);
void ClosePortHandle();
void ResetLink();
// The port's handle went with its device: forget it, then reset the link.
void DropLink();

// ---- PortCombo and the system's port map ---------------------------------
bool ListComPorts(HWND list);
void SortPortList(HWND list);
void RefreshPortList();
void SelectPortByName(HWND list, const char* name, int* index);
// Text of entry `index` of a list, cut to fit `size` bytes; empty (and false)
// when the entry does not exist.
bool ReadListEntry(HWND list, int index, char* text, size_t size);

// ---- Configuration file --------------------------------------------------
void LoadConfig();
void SaveConfig();
