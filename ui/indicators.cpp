#include <array>

#include "app.h"
#include "ui.h"

const RECT IndicatorRect = {330, 60, 380, 580};

namespace {

using DotRects = std::array<RECT, 5>;

// Each dot stands beside the group box of its option, 5 pixels below its centre.
constexpr DotRects kEhxDots = {{
    {345, 150, 365, 170},
    {345, 250, 365, 270},
    {345, 340, 365, 360},
    {345, 430, 365, 450},
    {345, 520, 365, 540},
}};
constexpr DotRects kUsbDots = {{
    {345, 130, 365, 150},
    {345, 210, 365, 230},
    {345, 290, 365, 310},
    {345, 400, 365, 420},
    {345, 520, 365, 540},
}};

struct OptionColour {
    int id;
    int dot;  // 1 to 5
    COLORREF colour;
};

constexpr std::array<OptionColour, 13> kOptionColours = {{
    {IdTouchMemoryRadio, 1, DotRed},
    {IdWiegand26Radio, 1, DotGreen},
    {IdWiegand44Radio, 1, DotCyan},
    {IdWiegand58Radio, 1, DotMagenta},
    {IdDirectRadio, 2, DotRed},
    {IdInverseRadio, 2, DotBlue},
    {IdDynamicRadio, 3, DotRed},
    {IdStaticRadio, 3, DotGreen},
    {IdStandbyOffRadio, 3, DotMagenta},
    {IdPollOnRadio, 4, DotRed},
    {IdPollOffRadio, 4, DotYellow},
    {IdWindowsModeRadio, 1, DotCyan},
    {IdMultiOsModeRadio, 1, DotMagenta},
}};

const DotRects* DotsOf(int family)
{
    if (family == Ehx) return &kEhxDots;
    if (family == Usb) return &kUsbDots;
    return nullptr;
}

const DotRects* OtherDotsOf(int family)
{
    if (family == Ehx) return &kUsbDots;
    if (family == Usb) return &kEhxDots;
    return nullptr;
}

bool Checked(Control c)
{
    return SendMessageA(Ctl(c), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void HexOrDecChosen()
{
    EnableWindow(Ctl(HexRadio), TRUE);
    EnableWindow(Ctl(DecRadio), TRUE);
    if (AppState.firmwareVersion > 109 && AppState.modelCode == ModelUsb) {
        EnableWindow(Ctl(Bytes7Radio), TRUE);
        // Bring back the byte count of the last record, which Touch Memory
        // output may have moved from 7 to 5.
        if (AppState.lastSettings[0] != '\0') {
            static constexpr struct { char letter; int id; } kByteCounts[] = {
                {'2', IdBytes2Radio}, {'3', IdBytes3Radio}, {'4', IdBytes4Radio},
                {'5', IdBytes5Radio}, {'7', IdBytes7Radio},
            };
            for (const auto& b : kByteCounts)
                if (AppState.lastSettings[8] == b.letter) CheckRadioButton(MainWindow, IdBytes7Radio, IdBytes2Radio, b.id);
        }
    }
}

void TouchMemoryOutChosen()
{
    EnableWindow(Ctl(HexRadio), FALSE);
    EnableWindow(Ctl(DecRadio), FALSE);
    EnableWindow(Ctl(Bytes7Radio), FALSE);
    if (Checked(Bytes7Radio)) CheckRadioButton(MainWindow, IdBytes7Radio, IdBytes2Radio, IdBytes5Radio);
}

}  // namespace

void PaintIndicators()
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(MainWindow, &ps);
    HPEN pen = CreatePen(PS_SOLID, 2, DotBlack);
    HGDIOBJ oldPen = SelectObject(dc, pen);
    HBRUSH brushes[5];
    for (int i = 0; i < 5; ++i) brushes[i] = CreateSolidBrush(AppState.indicatorColors[i]);
    HGDIOBJ oldBrush = SelectObject(dc, brushes[0]);
    if (const DotRects* dots = DotsOf(AppState.family)) {
        for (int i = 0; i < 5; ++i) {
            SelectObject(dc, brushes[i]);
            const RECT& r = (*dots)[i];
            Ellipse(dc, r.left, r.top, r.right, r.bottom);
        }
    }
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    DeleteObject(pen);
    for (HBRUSH b : brushes) DeleteObject(b);
    EndPaint(MainWindow, &ps);
}

void EraseIndicators()
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(MainWindow, &ps);
    HPEN pen = CreatePen(PS_SOLID, 2, GetSysColor(COLOR_BTNFACE));
    HGDIOBJ oldPen = SelectObject(dc, pen);
    HGDIOBJ oldBrush = SelectObject(dc, GetSysColorBrush(COLOR_BTNFACE));
    if (const DotRects* dots = OtherDotsOf(AppState.family)) {
        for (const RECT& r : *dots) Ellipse(dc, r.left, r.top, r.right, r.bottom);
    }
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    DeleteObject(pen);
    EndPaint(MainWindow, &ps);
}

void InvalidateIndicators()
{
    InvalidateRect(MainWindow, &IndicatorRect, FALSE);
}

void ApplyOptionClick(int commandId)
{
    if (commandId == IdHexOrDecRadio) {
        HexOrDecChosen();
        return;
    }
    if (commandId == IdTouchMemoryOutRadio) {
        TouchMemoryOutChosen();
        return;
    }
    for (const OptionColour& o : kOptionColours) {
        if (o.id == commandId) {
            AppState.indicatorColors[o.dot - 1] = o.colour;
            InvalidateIndicators();
            return;
        }
    }
}
