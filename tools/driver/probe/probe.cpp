// kv-driver-probe: a small window of class "my Window" whose every state is
// known, so the driver's own verbs can be checked against the truth. Its
// title records what it received ("tab 1", "cmd 42", "port 1"), which is how
// a check sees that a click really reached the window procedure.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>

namespace {
HWND g_main, g_tab, g_combo, g_progress;
constexpr WPARAM kEndProgressEvent = 0x0BAD;
int g_ticks;
COLORREF g_dot = RGB(255, 0, 0);

// Texts as 1251 bytes, so they mean the same whatever the locale.
const char kCyrillic[] = "\xCF\xEE\xE8\xF1\xEA";  // "Poisk" in Cyrillic
const char kCombo0[] = "COM3";
const char kCombo1[] = "\xCF\xEE\xF0\xF2 5";       // "Port 5" in Cyrillic

void SetTitle(const char* format, int value)
{
    char title[64];
    std::snprintf(title, sizeof title, format, value);
    SetWindowTextA(g_main, title);
}

void WriteMenuDump(bool english)
{
    const char* path = std::getenv("KV_TEST_MENU_DUMP");
    if (!path) return;
    FILE* f = std::fopen(path, "wb");
    if (!f) return;
    std::fprintf(f, "0 0 0 0 46696C65\n1 16 0 0 51756974\n");
    std::fprintf(f, "1 17 %d 0 D0F3F1F1EAE8E9\n1 18 %d 0 456E676C697368\n1 0 0 1 \n",
                 english ? 0 : 1, english ? 1 : 0);
    std::fclose(f);
}

void Child(const char* cls, const char* text, DWORD style, int id, int x, int y, int w, int h)
{
    CreateWindowExA(0, cls, text, WS_CHILD | style, x, y, w, h, g_main,
                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
}

void StartProgress()
{
    g_progress = CreateWindowExA(0, PROGRESS_CLASSA, kCyrillic, WS_VISIBLE | PBS_SMOOTH, 364, 359,
                                 291, 50, g_main, nullptr, nullptr, nullptr);
    SendMessageA(g_progress, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    SendMessageA(g_progress, PBM_SETPOS, 0, 0);
    EnableWindow(g_main, FALSE);
    g_ticks = 0;
    SetTimer(g_main, 1, 10, nullptr);
}

LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    switch (m) {
    case WM_COMMAND: {
        int id = LOWORD(wp);
        if (id == 1 && HIWORD(wp) == CBN_SELCHANGE)
            SetTitle("port %d", static_cast<int>(SendMessageA(g_combo, CB_GETCURSEL, 0, 0)));
        else if (id == 2) StartProgress();
        else if (id == 3) { g_dot = RGB(0, 255, 0); InvalidateRect(w, nullptr, FALSE); SetTitle("cmd %d", id); }
        else if (id >= 40 && id <= 48) {
            // One box per picture: 40 + resource number, 48 the system error icon.
            MSGBOXPARAMSA p{};
            p.cbSize = sizeof p;
            p.hwndOwner = w;
            p.hInstance = GetModuleHandleA(nullptr);
            p.lpszText = kCyrillic;
            p.lpszCaption = "Message";
            p.dwStyle = id == 48 ? MB_ICONERROR : MB_USERICON;
            p.lpszIcon = MAKEINTRESOURCEA(id - 40);
            p.dwLanguageId = LANG_USER_DEFAULT;
            MessageBoxIndirectA(&p);
        } else if (id == 16) SendMessageA(w, WM_CLOSE, 0, 0);
        else if (id == 17 || id == 18) WriteMenuDump(id == 18);
        else SetTitle("cmd %d", id);
        break;
    }
    case WM_NOTIFY:
        if (reinterpret_cast<NMHDR*>(lp)->code == TCN_SELCHANGE)
            SetTitle("tab %d", static_cast<int>(SendMessageA(g_tab, TCM_GETCURSEL, 0, 0)));
        break;
    case WM_TIMER:
        // The bar fills but stays: a check must not race its end.
        if (g_ticks < 100) SendMessageA(g_progress, PBM_SETPOS, static_cast<WPARAM>(++g_ticks), 0);
        break;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(w, &ps);
        HBRUSH brush = CreateSolidBrush(g_dot);
        HGDIOBJ old = SelectObject(dc, brush);
        Ellipse(dc, 345, 150, 365, 170);
        SelectObject(dc, old);
        DeleteObject(brush);
        EndPaint(w, &ps);
        return 0;
    }
    case WM_RBUTTONUP: {
        POINT p{LOWORD(lp), HIWORD(lp)};
        ClientToScreen(w, &p);
        HMENU menu = CreatePopupMenu();
        AppendMenuA(menu, MF_STRING, 16, "Quit");
        AppendMenuA(menu, MF_STRING, 30, "Other");
        TrackPopupMenu(menu, TPM_RIGHTBUTTON, p.x, p.y, 0, w, nullptr);
        DestroyMenu(menu);
        break;
    }
    case WM_DEVICECHANGE:
        // Not input, so it arrives while the window is disabled: the test's
        // own event ends the progress. Wine broadcasts real device changes
        // on its own, which must not end it early.
        SetTitle("device %d", static_cast<int>(wp));
        if (g_progress && wp == kEndProgressEvent) {
            KillTimer(w, 1);
            DestroyWindow(g_progress);
            g_progress = nullptr;
            EnableWindow(w, TRUE);
        }
        break;
    case WM_DESTROY:
        PostQuitMessage(0);
        break;
    }
    return DefWindowProcA(w, m, wp, lp);
}
}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_TAB_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&icc);
    WNDCLASSA wc{};
    wc.lpfnWndProc = Proc;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    wc.lpszClassName = "my Window";
    RegisterClassA(&wc);
    g_main = CreateWindowExA(0, "my Window", "probe", WS_OVERLAPPED | WS_SYSMENU | WS_MINIMIZEBOX,
                             315, 39, 395, 690, nullptr, nullptr, nullptr, nullptr);
    g_combo = CreateWindowExA(0, "Combobox", "", WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST, 10, 10,
                              150, 200, g_main, reinterpret_cast<HMENU>(1), nullptr, nullptr);
    SendMessageA(g_combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kCombo0));
    SendMessageA(g_combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kCombo1));
    Child("Button", kCyrillic, WS_VISIBLE, 2, 180, 10, 140, 40);
    g_tab = CreateWindowExA(0, WC_TABCONTROLA, "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 10, 60,
                            310, 520, g_main, nullptr, nullptr, nullptr);
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<char*>("Varko-7EHU_M");
    SendMessageA(g_tab, TCM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    item.pszText = const_cast<char*>("  Varko-7-USB   ");
    SendMessageA(g_tab, TCM_INSERTITEMA, 1, reinterpret_cast<LPARAM>(&item));
    Child("Button", "group", WS_VISIBLE | WS_GROUP | BS_GROUPBOX, 0, 20, 100, 290, 110);
    Child("Button", "enabled radio", WS_VISIBLE | BS_AUTORADIOBUTTON, 3, 30, 120, 120, 20);
    Child("Button", "disabled radio", WS_VISIBLE | WS_DISABLED | BS_AUTORADIOBUTTON, 4, 30, 141, 120, 20);
    Child("Button", "hidden radio", BS_AUTORADIOBUTTON, 5, 30, 162, 120, 20);
    Child("Button", "close group", WS_VISIBLE | WS_GROUP, 14, 10, 590, 140, 40);
    CheckRadioButton(g_main, 3, 5, 3);
    WriteMenuDump(false);
    ShowWindow(g_main, SW_SHOWNORMAL);
    UpdateWindow(g_main);
    SetWindowPos(g_main, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    return 0;
}
