#include "app_state.h"

AppStateRecord AppState;

HWND MainWindow = nullptr;
HWND ProgressWindow = nullptr;
HWND IdWindow = nullptr;
HMENU LanguageMenu = nullptr;
HWND Controls[ControlCount] = {};

void SelectLanguageTexts()
{
    SelectTextsFor(AppState.language);
}
