#include "app.h"
#include "config_format.h"

namespace {
constexpr char kConfigPath[] = "appconfig.ini";
}

void LoadConfig()
{
    int language = Ru;
    int family = Ehx;
    LoadOrCreateConfig(kConfigPath, &language, &family);
    AppState.language = language;
    AppState.family = family;
}

void SaveConfig()
{
    if (!WriteConfigFile(kConfigPath, AppState.language, AppState.family))
        ShowMessage(MainWindow, Text(MsgConfigSaveFailed), Text(CapMessage), MB_OK, IconWarning);
}
