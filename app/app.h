// The application shell: start-up, the window procedure, menus and
// language, help and About. Everything below it is reached through the
// window's flows and widgets.
#pragma once

#include <windows.h>

#include "app_state.h"
#include "message_box.h"
#include "texts.h"
#include "types.h"

// ---- Menus and language --------------------------------------------------
void BuildMenuBar();
void RebuildMenuBar();
void ApplyLanguage();
void SwitchLanguage(int language);          // commands 17 and 18
void ShowRightClickMenu(LPARAM pointInClient);

// ---- Help and About ------------------------------------------------------
void OpenHelpFile();                        // command 20
void ShowAboutDialog();                     // command 21
INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// ---- Main window ---------------------------------------------------------
LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The menu bar and every control of the panel, with the tab's defaults.
void CreatePanel();

// Start-up steps after the configuration is read: single-instance test,
// window class, MainWindow, panel, first search. False when another copy
// was brought to the front instead.
bool CreateMainWindow();
