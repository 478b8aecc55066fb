#include "app_state.h"
#include "config_format.h"
#include "message_box.h"
#include "ui.h"

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
        Report(MsgConfigSaveFailed, IconWarning);
}
