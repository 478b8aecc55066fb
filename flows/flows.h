// The window's flows: searching for and connecting to the reader, READ and
// WRITE with their boxes and pacing, settings on the panel, the card ID
// window, and the reaction to devices coming and going. The window
// procedure starts them; they work through the widgets and the shared core.
#pragma once

#include <windows.h>

#include "reply_format.h"

// ---- Commands and replies ------------------------------------------------
void SendReadCommand();
void SendWriteCommand(const char* bytes, int length);
ReplyKind ClassifyReply(unsigned char* buffer, int length);
int CheckFirmwareVersion(const char* text);
ReplyKind HandleReply();

// What follows a progress that has run out: the search, or the reply.
void FollowUpProgress(int timerId);

// ---- Settings records ----------------------------------------------------
void DecodeSettings(const unsigned char* payload);
void EncodeSettings(char* command, int* length);

// ---- Search and connect --------------------------------------------------
void SearchReader();
void ScanEhxPorts(HWND list);
void FindUsbReader();
void ConnectSelectedPort();
void OnPortComboSelection();                // command 1, CBN_SELCHANGE
// The USB reader's port by its hardware identifier, into AppState.portName.
bool FindReaderUsbPort();

// ---- Card identifier readout ---------------------------------------------
void ReadIdCommand();                       // command 19 with a port open
void ReadCardId();
void ShowIdWindow();
void FillIdWindow();
LRESULT CALLBACK IdWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// ---- Hot-plug monitor ----------------------------------------------------
void OnDeviceChange(WPARAM event);
void OnHotplugTimer();

// ---- Tab switch ----------------------------------------------------------
void SwitchFamily();
