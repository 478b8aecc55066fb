#include <array>

#include "reader_core.h"
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

void CheckChoice(const SettingsField& field, SettingChoice choice)
{
    CheckRadioButton(MainWindow, field.firstRadio, field.lastRadio, choice);
}

void HexOrDecChosen()
{
    if (!AllowsSevenByteIds(AppState.firmwareVersion) || AppState.modelCode != ModelUsb) return;
    EnableWindow(Ctl(Bytes7Radio), TRUE);
    // Bring back the byte count of the last record, which Touch Memory
    // output may have moved from 7 to 5.
    const SettingsField* bytes = FieldOfRadio(ChoiceBytes7, nullptr);
    if (AppState.lastSettings[0] == '\0' || bytes == nullptr) return;
    const int match = MatchSettingsField(*bytes, reinterpret_cast<const unsigned char*>(AppState.lastSettings));
    if (match >= 0) CheckChoice(*bytes, bytes->choices[match].radioId);
}

void TouchMemoryOutChosen()
{
    // Touch Memory output has no 7-byte form: the next smaller count stands in.
    const SettingsField* bytes = FieldOfRadio(ChoiceBytes7, nullptr);
    if (bytes && Checked(Bytes7Radio)) CheckChoice(*bytes, ChoiceBytes5);
}

}  // namespace

void EnableRadios(const SettingChoice* choices, BOOL enable)
{
    for (; choices != nullptr && *choices != NoChoice; ++choices)
        EnableWindow(GetDlgItem(MainWindow, *choices), enable);
}

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
    const SettingsChoice* choice = nullptr;
    if (FieldOfRadio(commandId, &choice) == nullptr) return;
    EnableRadios(choice->enables, TRUE);
    EnableRadios(choice->disables, FALSE);
    if (commandId == IdHexOrDecRadio) HexOrDecChosen();
    if (commandId == IdTouchMemoryOutRadio) TouchMemoryOutChosen();
    if (choice->dot > 0) {
        AppState.indicatorColors[choice->dot - 1] = choice->colour;
        InvalidateIndicators();
    }
}
