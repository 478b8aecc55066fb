// KernoVarko-7: configurator of Varko-7 proximity card readers.
#include "app.h"
#include "ui.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    LoadConfig();
    SelectLanguageTexts();
    if (!CreateMainWindow()) return 0;

    // No TranslateMessage: keys make no character messages, as operators know it.
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    return 0;
}
