#include "message_box.h"

#include "app_state.h"

#ifdef KV_TEST_HOOKS
MessageBoxHook ShowMessageHook = nullptr;
#endif

MSGBOXPARAMSA MessageBoxParams(HWND owner, const char* text, const char* caption, UINT style, int icon)
{
    MSGBOXPARAMSA params = {};
    params.cbSize = sizeof params;
    params.hwndOwner = owner;
    // The icon is one of our own resources, so the box loads it from this module.
    params.hInstance = GetModuleHandleA(nullptr);
    params.lpszText = text;
    params.lpszCaption = caption;
    params.dwStyle = style | MB_USERICON;
    params.lpszIcon = MAKEINTRESOURCEA(icon);
    params.dwContextHelpId = 0;
    params.lpfnMsgBoxCallback = nullptr;
    // Buttons follow the user's language, not the interface language.
    params.dwLanguageId = LANG_USER_DEFAULT;
    return params;
}

int ShowMessage(HWND owner, const char* text, const char* caption, UINT style, int icon)
{
#ifdef KV_TEST_HOOKS
    if (ShowMessageHook) return ShowMessageHook(owner, text, caption, style, icon);
#endif
    MSGBOXPARAMSA params = MessageBoxParams(owner, text, caption, style, icon);
    return MessageBoxIndirectA(&params);
}

int ShowSystemMessage(HWND owner, const char* text, const char* caption, UINT style)
{
#ifdef KV_TEST_HOOKS
    if (ShowMessageHook) return ShowMessageHook(owner, text, caption, style, 0);
#endif
    return MessageBoxA(owner, text, caption, style);
}

void ReportText(const char* text, int icon)
{
    ShowMessage(MainWindow, text, Text(CapMessage), MB_OK, icon);
}

void Report(TextKey key, int icon)
{
    ReportText(Text(key), icon);
}
