// "Read ID": asks the reader for the held card's identifiers and shows them
// in a small read-only window.
#include <windows.h>

#include "card_id_format.h"
#include "flows.h"
#include "reader_core.h"
#include "ui.h"

namespace {

constexpr char IdWindowClass[] = "my Child Window";
constexpr int IdWindowWidth = 302;
constexpr int IdWindowHeight = 160;
constexpr int FieldWidth = 125;
constexpr int FieldHeight = 20;

HWND BarcodeDecEdit = nullptr;
HWND BarcodeHexEdit = nullptr;
HWND CipherDecEdit = nullptr;
HWND CipherDottedEdit = nullptr;

enum FieldContent { CardDecimal, CardHex, CipherDecimal, CipherDotted, LabelOnly };
constexpr TextKey NoLabel = TextKeyCount;

struct IdWindowItem {
    int left;
    int top;
    TextKey label;          // labels only
    FieldContent content;   // edit fields only
    HWND* edit;             // where an edit field's handle is kept; nullptr for labels
};

constexpr IdWindowItem IdWindowItems[] = {
    {10, 15, LblBarcode, LabelOnly, nullptr},
    {160, 15, LblBarcodeHex, LabelOnly, nullptr},
    {10, 37, NoLabel, CardDecimal, &BarcodeDecEdit},
    {160, 37, NoLabel, CardHex, &BarcodeHexEdit},
    {10, 67, LblCipherId, LabelOnly, nullptr},
    {160, 67, LblCipherIdDotted, LabelOnly, nullptr},
    {10, 89, NoLabel, CipherDecimal, &CipherDecEdit},
    {160, 89, NoLabel, CipherDotted, &CipherDottedEdit},
};

void FormatField(FieldContent content, char* out, size_t size)
{
    switch (content) {
    case CardDecimal: FormatDecimal10(AppState.cardNumber, out, size); break;
    case CardHex: FormatHex8(AppState.cardNumber, out, size); break;
    case CipherDecimal: FormatDecimal10(AppState.cipherId, out, size); break;
    case CipherDotted: FormatDottedBytes(AppState.cipherId, out, size); break;
    case LabelOnly: out[0] = '\0'; break;
    }
}

bool IsResultField(HWND control)
{
    return control != nullptr && (control == BarcodeDecEdit || control == BarcodeHexEdit ||
                                  control == CipherDecEdit || control == CipherDottedEdit);
}

}  // namespace

void ReadIdCommand()
{
    if (!AllowsCardReadout(AppState.firmwareVersion)) {
        Report(MsgCommandNotSupported, IconError);
        return;
    }
    ReadCardId();
}

void ReadCardId()
{
    AppState.cardNumber = 0;
    AppState.cipherId = 0;
    unsigned char buffer[ReplyBufferSize] = {};
    if (!WriteCommand(ReadIdsCommand, CommandLength)) {
        ResetLink();
        return;
    }
    Sleep(CardReplyWaitMs);
    int received = 0;
    if (!ReadReply(buffer, ReplyBufferSize, &received)) {
        Report(MsgNoReply, IconRetry);
        return;
    }
    switch (ParseCardReply(buffer, ReplyBufferSize, &AppState.cardNumber, &AppState.cipherId)) {
    case CardReplyCheck::BadPrefix: Report(MsgInvalidCommand, IconError); break;
    case CardReplyCheck::BadEnd: Report(MsgReplyUnrecognized, IconError); break;
    case CardReplyCheck::Ok: ShowIdWindow(); break;
    }
}

void ShowIdWindow()
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA wc = {};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = IdWindowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IconHandshake));
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    wc.lpszClassName = IdWindowClass;
    RegisterClassA(&wc);  // already registered after the first readout: fine

    char title[64];
    FormatIdWindowTitle(AppState.modelCode, AppState.firmwareVersion, title, sizeof title);
    const int left = GetSystemMetrics(SM_CXSCREEN) / 2 - IdWindowWidth / 2;
    const int top = GetSystemMetrics(SM_CYSCREEN) / 2 - IdWindowHeight / 2;
    IdWindow = CreateWindowExA(0, IdWindowClass, title, WS_OVERLAPPED | WS_SYSMENU, left, top,
                               IdWindowWidth, IdWindowHeight, MainWindow, nullptr, instance, nullptr);
    if (IdWindow == nullptr) return;
    EnableWindow(MainWindow, FALSE);
    FillIdWindow();
    ShowWindow(IdWindow, SW_SHOWNORMAL);
    UpdateWindow(IdWindow);
}

void FillIdWindow()
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    for (const IdWindowItem& item : IdWindowItems) {
        if (item.edit == nullptr) {
            CreateWindowExA(0, "Static", Text(item.label), WS_CHILD | WS_VISIBLE, item.left, item.top,
                            FieldWidth, FieldHeight, IdWindow, nullptr, instance, nullptr);
            continue;
        }
        *item.edit = CreateWindowExA(WS_EX_CLIENTEDGE, "Edit", "",
                                     WS_CHILD | WS_VISIBLE | WS_BORDER | ES_READONLY | ES_RIGHT,
                                     item.left, item.top, FieldWidth, FieldHeight, IdWindow, nullptr,
                                     instance, nullptr);
        char text[32];
        FormatField(item.content, text, sizeof text);
        SetWindowTextA(*item.edit, text);
    }
}

LRESULT CALLBACK IdWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_DESTROY: {
        HWND main = FindWindowA(nullptr, Text(AppTitle));
        EnableWindow(main, TRUE);
        SetFocus(main);
        if (IdWindow == window) IdWindow = nullptr;
        return 0;
    }
    case WM_CTLCOLORSTATIC:
        if (!IsResultField(reinterpret_cast<HWND>(lParam))) break;
        if (AppState.labelBrush != nullptr) DeleteObject(AppState.labelBrush);
        SetTextColor(reinterpret_cast<HDC>(wParam), RGB(0, 0, 0));
        SetBkColor(reinterpret_cast<HDC>(wParam), RGB(255, 255, 255));
        AppState.labelBrush = CreateSolidBrush(RGB(255, 255, 255));
        return reinterpret_cast<LRESULT>(AppState.labelBrush);
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
