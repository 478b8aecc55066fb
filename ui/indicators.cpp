#include <array>

#include "reader_core.h"
#include "ui.h"

namespace {

using DotGroups = std::array<Control, 5>;

// The group box each dot stands beside, dot 1 first.
constexpr DotGroups kEhxDots = {InterfaceGroup, IndicationControlGroup, StandbyIndicationGroup, TouchPollGroup,
                                CardsToReadGroup};
constexpr DotGroups kUsbDots = {OperatingModeGroup, IdOutputFormatGroup, IdOutputTypeGroup, IdByteCountGroup,
                                CardsToReadGroup};
constexpr int kDotSize = 20;
constexpr int kDotInset = 15;     // from the column's left edge
constexpr int kDotDrop = 5;       // below the group box's centre

const DotGroups* DotsOf(int family)
{
    if (family == Ehx) return &kEhxDots;
    if (family == Usb) return &kUsbDots;
    return nullptr;
}

const DotGroups* OtherDotsOf(int family)
{
    if (family == Ehx) return &kUsbDots;
    if (family == Usb) return &kEhxDots;
    return nullptr;
}

RECT DotRect(Control group)
{
    const RECT box = ControlRect(group);
    const int left = ControlRect(IndicatorGroup).left + kDotInset;
    const int top = (box.top + box.bottom) / 2 + kDotDrop - kDotSize / 2;
    return {left, top, left + kDotSize, top + kDotSize};
}

void DrawDot(HDC dc, Control group)
{
    const RECT r = DotRect(group);
    Ellipse(dc, r.left, r.top, r.right, r.bottom);
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
    if (const DotGroups* dots = DotsOf(AppState.family)) {
        for (int i = 0; i < 5; ++i) {
            SelectObject(dc, brushes[i]);
            DrawDot(dc, (*dots)[i]);
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
    if (const DotGroups* dots = OtherDotsOf(AppState.family)) {
        for (Control group : *dots) DrawDot(dc, group);
    }
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    DeleteObject(pen);
    EndPaint(MainWindow, &ps);
}

void InvalidateIndicators()
{
    const RECT column = ControlRect(IndicatorGroup);
    InvalidateRect(MainWindow, &column, FALSE);
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
