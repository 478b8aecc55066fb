// Reader protocol on the Win32 side: sending commands and judging replies,
// applying settings records to the panel, searching for and connecting to
// the reader, and the card identifier readout.
#pragma once

#include <windows.h>

#include "reply_format.h"

// ---- Commands and replies ------------------------------------------------
void SendReadCommand();
void SendWriteCommand(const char* bytes, int length);
ReplyKind ClassifyReply(unsigned char* buffer, int length);
int CheckFirmwareVersion(const char* text);
ReplyKind HandleReply();

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
