// Which picture does a message box show? Icon handles cannot be read across
// processes under Wine, but the picture is on screen: draw every candidate the
// way the static control draws it (on the same background, stretched to the
// control) and take the nearest.
#include <cmath>
#include <cstdio>

#include "driver.h"

namespace {
struct Pixels {
    int w = 0, h = 0;
    std::vector<unsigned> bgrx;  // top-down rows of 0x00RRGGBB
};

// A 32-bit top-down DIB selected into a memory DC.
struct Canvas {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr, old = nullptr;
    unsigned* bits = nullptr;
    int w, h;
    Canvas(int width, int height) : w(width), h(height)
    {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = w;
        info.bmiHeader.biHeight = -h;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        dc = CreateCompatibleDC(nullptr);
        void* raw = nullptr;
        bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &raw, nullptr, 0);
        bits = static_cast<unsigned*>(raw);
        if (bitmap) old = static_cast<HBITMAP>(SelectObject(dc, bitmap));
    }
    ~Canvas()
    {
        if (old) SelectObject(dc, old);
        if (bitmap) DeleteObject(bitmap);
        if (dc) DeleteDC(dc);
    }
    Pixels Take() const
    {
        GdiFlush();
        Pixels p;
        p.w = w;
        p.h = h;
        if (bits) p.bgrx.assign(bits, bits + static_cast<size_t>(w) * h);
        for (unsigned& v : p.bgrx) v &= 0x00FFFFFF;
        return p;
    }
};

bool CaptureScreen(const RECT& screenRect, Pixels* out)
{
    int w = screenRect.right - screenRect.left, h = screenRect.bottom - screenRect.top;
    if (w <= 0 || h <= 0) return false;
    Canvas canvas(w, h);
    if (!canvas.bits) return false;
    HDC screen = GetDC(nullptr);
    BOOL ok = BitBlt(canvas.dc, 0, 0, w, h, screen, screenRect.left, screenRect.top, SRCCOPY);
    ReleaseDC(nullptr, screen);
    if (!ok) return false;
    *out = canvas.Take();
    return true;
}

Pixels Render(HICON icon, int w, int h, COLORREF background)
{
    Canvas canvas(w, h);
    HBRUSH brush = CreateSolidBrush(background);
    RECT all{0, 0, w, h};
    FillRect(canvas.dc, &all, brush);
    DeleteObject(brush);
    DrawIconEx(canvas.dc, 0, 0, icon, w, h, 0, nullptr, DI_NORMAL);
    return canvas.Take();
}

double Distance(const Pixels& a, const Pixels& b)
{
    if (a.bgrx.size() != b.bgrx.size() || a.bgrx.empty()) return 1e9;
    double sum = 0;
    for (size_t i = 0; i < a.bgrx.size(); ++i)
        for (int shift = 0; shift < 24; shift += 8)
            sum += std::abs(static_cast<int>((a.bgrx[i] >> shift) & 255) -
                            static_cast<int>((b.bgrx[i] >> shift) & 255));
    return sum / (static_cast<double>(a.bgrx.size()) * 3);
}

struct Candidate {
    std::string name;
    int resource;
    HICON icon;
    bool owned;
};
}  // namespace

bool IdentifyIcon(HWND iconControl, const std::wstring& exePath, IconMatch* match,
                  std::string* error)
{
    RECT client{};
    GetClientRect(iconControl, &client);
    POINT origin{0, 0};
    ClientToScreen(iconControl, &origin);
    RECT onScreen{origin.x, origin.y, origin.x + client.right, origin.y + client.bottom};
    Pixels shown;
    if (!CaptureScreen(onScreen, &shown)) {
        *error = "cannot capture the icon control";
        return false;
    }
    // The control fills itself with its parent's background before drawing;
    // the pixel just left of it shows that background.
    HDC screen = GetDC(nullptr);
    COLORREF background = GetPixel(screen, onScreen.left - 2, onScreen.top + 1);
    ReleaseDC(nullptr, screen);

    std::vector<Candidate> candidates;
    HMODULE module = exePath.empty() ? nullptr
                                     : LoadLibraryExW(exePath.c_str(), nullptr,
                                                      LOAD_LIBRARY_AS_DATAFILE);
    if (module) {
        for (int id = 1; id <= 7; ++id) {
            HICON icon = static_cast<HICON>(
                LoadImageW(module, MAKEINTRESOURCEW(id), IMAGE_ICON, 32, 32, 0));
            if (icon) candidates.push_back({"program:" + std::to_string(id), id, icon, true});
        }
    }
    const struct { const char* name; LPCWSTR id; } system[] = {
        {"system:error", MAKEINTRESOURCEW(32513)},      // IDI_HAND
        {"system:question", MAKEINTRESOURCEW(32514)},   // IDI_QUESTION
        {"system:warning", MAKEINTRESOURCEW(32515)},    // IDI_EXCLAMATION
        {"system:information", MAKEINTRESOURCEW(32516)} // IDI_ASTERISK
    };
    for (const auto& s : system) {
        HICON icon = LoadIconW(nullptr, s.id);
        if (icon) candidates.push_back({s.name, 0, icon, false});
    }
    if (candidates.empty()) {
        *error = "no candidate icons could be loaded";
        if (module) FreeLibrary(module);
        return false;
    }

    match->name = "unknown";
    match->distance = match->runnerUp = 1e9;
    for (const Candidate& c : candidates) {
        double d = Distance(shown, Render(c.icon, shown.w, shown.h, background));
        if (d < match->distance) {
            match->runnerUp = match->distance;
            match->distance = d;
            match->name = c.name;
            match->resource = c.resource;
        } else if (d < match->runnerUp) {
            match->runnerUp = d;
        }
        if (c.owned) DestroyIcon(c.icon);
    }
    if (module) FreeLibrary(module);
    // Same picture drawn by the same code: near zero. Anything far from every
    // candidate (a box not yet painted, another window over it) is unknown.
    if (match->distance > 8.0) {
        match->name = "unknown";
        match->resource = 0;
    }
    return true;
}
