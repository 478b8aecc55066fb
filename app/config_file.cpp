#include "app.h"
#include "config_format.h"

namespace {
constexpr char kConfigPath[] = "appconfig.ini";
}

void LoadConfig()
{
    int language = Ru;
    int family = Ehx;
    // A missing or unreadable file is recreated with the defaults; if even
    // that fails the program runs on the defaults without a word.
    if (!ReadConfigFile(kConfigPath, &language, &family)) {
        CreateDefaultConfigFile(kConfigPath);
        language = Ru;
        family = Ehx;
    }
    AppState.language = language;
    AppState.family = family;
}

void SaveConfig()
{
    if (!WriteConfigFile(kConfigPath, AppState.language, AppState.family))
        ShowMessage(MainWindow, Text(MsgConfigSaveFailed), Text(CapMessage), MB_OK, IconWarning);
}
