// The configuration panel: controls and tab defaults, indicator column,
// progress window with its timers, and the family tab switch.
#pragma once

#include <windows.h>

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

// ---- Tab switch ----------------------------------------------------------
void SwitchFamily();
