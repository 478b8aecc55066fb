
#include "common_controls.h"
#include "flows.h"
#include "ui.h"

void SwitchFamily()
{
    LRESULT item = SendMessageA(Ctl(FamilyTabs), TCM_GETCURSEL, 0, 0);
    if (item == 0) {
        AppState.family = Ehx;
        SaveConfig();
        ApplyEhxDefaults();
    } else if (item == 1) {
        AppState.family = Usb;
        SaveConfig();
        ApplyUsbDefaults();
    } else {
        return;
    }
    InvalidateIndicators();
    ResetLink();
    StartProgress(TimerSearch, 10);
}
