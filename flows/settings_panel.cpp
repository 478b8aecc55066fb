// Settings records on the panel: a record read from the reader checks the
// radios, colours the indicator dots and shows the version; the checked
// radios are turned back into a write command. Both walk the record tables.
#include <windows.h>

#include <cstring>

#include "flows.h"
#include "reader_core.h"
#include "ui.h"

namespace {

// The box for letters a field does not know, by the field's first choice.
struct FieldText {
    SettingChoice firstChoice;
    TextKey badText;
};

constexpr FieldText FieldTexts[] = {
    {ChoiceTouchMemory, MsgBadInterface},
    {ChoiceDirect, MsgBadIndicationControl},
    {ChoiceDynamic, MsgBadStandbyIndication},
    {ChoicePollOn, MsgBadTouchPoll},
    {ChoiceWindowsMode, MsgBadOperatingMode},
    {ChoiceHexOrDec, MsgBadIdOutputFormat},
    {ChoiceHex, MsgBadIdOutputType},
    {ChoiceBytes7, MsgBadIdByteCount},
    {ChoiceCardsAll, MsgBadCardsToRead},
};

void ReportBadField(const SettingsField& field)
{
    for (const FieldText& row : FieldTexts) {
        if (row.firstChoice == field.firstRadio) Report(row.badText, IconError);
    }
}

void ApplyEhxAvailability()
{
    if (RefusesWiegand58(AppState.firmwareVersion)) {
        EnableWindow(Ctl(Wiegand58Radio), FALSE);
    } else if (AllowsWiegand58(AppState.modelCode, AppState.firmwareVersion)) {
        EnableWindow(Ctl(Wiegand58Radio), TRUE);
    }
}

// Only a supported version reaches here, so the record's text decides.
void ApplyUsbAvailability(const char* version)
{
    EnableWindow(Ctl(Bytes7Radio), AllowsSevenByteIds(FirmwareVersionOf(reinterpret_cast<const unsigned char*>(version))));
}

void ApplyChoice(const SettingsField& field, const SettingsChoice& choice)
{
    CheckRadioButton(MainWindow, field.firstRadio, field.lastRadio, choice.radioId);
    EnableRadios(choice.enables, TRUE);
    EnableRadios(choice.disables, FALSE);
    if (choice.dot > 0) {
        AppState.indicatorColors[choice.dot - 1] = choice.colour;
        InvalidateIndicators();
    }
}

// Copies `count` characters, stopping at a NUL and padding with NULs; no
// terminator is added (the record's twelfth byte always stays NUL).
void StoreRecord(const unsigned char* record, int count)
{
    int k = 0;
    for (; k < count && record[k] != '\0'; ++k) AppState.lastSettings[k] = static_cast<char>(record[k]);
    for (; k < count; ++k) AppState.lastSettings[k] = '\0';
}

}  // namespace

void DecodeSettings(const unsigned char* payload)
{
    const SettingsLayout* layout = SettingsLayoutFor(AppState.family);
    if (layout == nullptr) return;
    const char* version = reinterpret_cast<const char*>(payload);
    if (CheckFirmwareVersion(version) != 0) {
        Report(MsgFirmwareUnsupported, IconError);
        // The EHU/EHM scan goes on to the next port; a USB reader is the one
        // device it can be, so its link is dropped.
        if (layout->family == Usb) {
            ResetLink();
        } else {
            AppState.versionOk = 0;
        }
        return;
    }
    AppState.versionOk = 1;
    char shown[VersionLength + 1] = {};
    std::memcpy(shown, version, VersionLength);
    SetWindowTextA(Ctl(VersionValue), shown);
    if (layout->family == Ehx) {
        ApplyEhxAvailability();
    } else {
        ApplyUsbAvailability(version);
    }

    int matched[MaxSettingsFields] = {};
    MatchSettingsRecord(*layout, payload, matched);
    for (int f = 0; f < layout->fieldCount; ++f) {
        const SettingsField& field = layout->fields[f];
        if (matched[f] == FieldSkipped) continue;
        if (matched[f] < 0) {
            ReportBadField(field);
            continue;
        }
        ApplyChoice(field, field.choices[matched[f]]);
    }
    StoreRecord(payload, layout->recordLength);
    if (layout->family == Ehx) InvalidateIndicators();
}

void EncodeSettings(char* command, int* length)
{
    const SettingsLayout* layout = SettingsLayoutFor(AppState.family);
    if (layout == nullptr) return;
    bool checked[RadioIdLimit] = {};
    for (int f = 0; f < layout->fieldCount; ++f) {
        const SettingsField& field = layout->fields[f];
        for (int c = 0; c < field.choiceCount; ++c) {
            const int id = field.choices[c].radioId;
            checked[id] = SendMessageA(GetDlgItem(MainWindow, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
        }
    }
    *length = EncodeSettingsCommand(*layout, checked, command);
    // The letters replace those of the last record; its version stays.
    std::memcpy(AppState.lastSettings + VersionLength, command + WritePrefixLength,
                static_cast<size_t>(*length - WritePrefixLength));
}
