// Record tables of the EHU/EHM and USB readers.
#include "settings_format.h"

#include <cstring>
#include <iterator>

#include "reader_types.h"

namespace {

constexpr SettingChoice HexDecRadios[] = {ChoiceHex, ChoiceDec, NoChoice};
constexpr SettingChoice TouchMemoryOutDisables[] = {ChoiceHex, ChoiceDec, ChoiceBytes7, NoChoice};

constexpr SettingsChoice EhxInterfaces[] = {
    {"TMX", ChoiceTouchMemory, 1, DotRed, nullptr, nullptr},
    {"W26", ChoiceWiegand26, 1, DotGreen, nullptr, nullptr},
    {"W44", ChoiceWiegand44, 1, DotCyan, nullptr, nullptr},
    {"W58", ChoiceWiegand58, 1, DotMagenta, nullptr, nullptr},
};
constexpr SettingsChoice EhxIndicationControl[] = {
    {"1", ChoiceDirect, 2, DotRed, nullptr, nullptr},
    {"0", ChoiceInverse, 2, DotBlue, nullptr, nullptr},
};
constexpr SettingsChoice EhxStandbyIndication[] = {
    {"D", ChoiceDynamic, 3, DotRed, nullptr, nullptr},
    {"S", ChoiceStatic, 3, DotGreen, nullptr, nullptr},
    {"A", ChoiceStandbyOff, 3, DotMagenta, nullptr, nullptr},
};
constexpr SettingsChoice EhxTouchPoll[] = {
    {"O", ChoicePollOn, 4, DotRed, nullptr, nullptr},
    {"F", ChoicePollOff, 4, DotYellow, nullptr, nullptr},
};

// With no interface chosen, Touch Memory (the tab default) is sent:
// every reader and firmware takes it, while Wiegand 58 is refused by some.
constexpr SettingsField EhxFields[] = {
    {4, ChoiceTouchMemory, ChoiceWiegand58, EhxInterfaces, 4, 0, NoRadio},
    {7, ChoiceDirect, ChoiceInverse, EhxIndicationControl, 2, 1, NoRadio},
    {8, ChoiceDynamic, ChoiceStandbyOff, EhxStandbyIndication, 3, 2, NoRadio},
    {9, ChoicePollOn, ChoicePollOff, EhxTouchPoll, 2, 1, NoRadio},
};

constexpr SettingsChoice UsbModes[] = {
    {"W", ChoiceWindowsMode, 1, DotCyan, nullptr, nullptr},
    {"A", ChoiceMultiOsMode, 1, DotMagenta, nullptr, nullptr},
};
// "TMX" covers the type letter too: Touch Memory output has no HEX/DEC type.
constexpr SettingsChoice UsbOutputFormats[] = {
    {"HD", ChoiceHexOrDec, 0, 0, HexDecRadios, nullptr},
    {"TMX", ChoiceTouchMemoryOut, 0, 0, nullptr, TouchMemoryOutDisables},
};
constexpr SettingsChoice UsbOutputTypes[] = {
    {"H", ChoiceHex, 0, 0, nullptr, nullptr},
    {"D", ChoiceDec, 0, 0, nullptr, nullptr},
};
constexpr SettingsChoice UsbByteCounts[] = {
    {"7", ChoiceBytes7, 0, 0, nullptr, nullptr},
    {"5", ChoiceBytes5, 0, 0, nullptr, nullptr},
    {"4", ChoiceBytes4, 0, 0, nullptr, nullptr},
    {"3", ChoiceBytes3, 0, 0, nullptr, nullptr},
    {"2", ChoiceBytes2, 0, 0, nullptr, nullptr},
};
constexpr SettingsChoice UsbCards[] = {
    {"EM", ChoiceCardsAll, 0, 0, nullptr, nullptr},
    {"EX", ChoiceCardsHidEm, 0, 0, nullptr, nullptr},
    {"XM", ChoiceCardsMifare, 0, 0, nullptr, nullptr},
};

// With no cards choice, all cards (the tab default) are asked for.
constexpr SettingsField UsbFields[] = {
    {4, ChoiceWindowsMode, ChoiceMultiOsMode, UsbModes, 2, 1, NoRadio},
    {5, ChoiceHexOrDec, ChoiceTouchMemoryOut, UsbOutputFormats, 2, 1, NoRadio},
    {7, ChoiceHex, ChoiceDec, UsbOutputTypes, 2, 1, ChoiceHexOrDec},
    {8, ChoiceBytes7, ChoiceBytes2, UsbByteCounts, 5, 4, NoRadio},
    {9, ChoiceCardsAll, ChoiceCardsMifare, UsbCards, 3, 0, NoRadio},
};

constexpr SettingsLayout Layouts[] = {
    {Ehx, 10, 9, EhxFields, static_cast<int>(std::size(EhxFields))},
    {Usb, 11, 10, UsbFields, static_cast<int>(std::size(UsbFields))},
};
// Arrays indexed by radio id (RadioIdLimit long) hold every radio of the tables.
constexpr bool RadiosFit(const SettingsField* fields, int count)
{
    for (int f = 0; f < count; ++f) {
        if (fields[f].firstRadio >= RadioIdLimit || fields[f].lastRadio >= RadioIdLimit) return false;
        for (int c = 0; c < fields[f].choiceCount; ++c) {
            if (fields[f].choices[c].radioId <= NoRadio || fields[f].choices[c].radioId >= RadioIdLimit) return false;
        }
    }
    return true;
}
static_assert(RadiosFit(EhxFields, static_cast<int>(std::size(EhxFields))) &&
                  RadiosFit(UsbFields, static_cast<int>(std::size(UsbFields))),
              "a radio id runs past RadioIdLimit");
static_assert(std::size(EhxFields) <= MaxSettingsFields && std::size(UsbFields) <= MaxSettingsFields,
              "arrays indexed by field hold every field");

// Whether an earlier field of the record chose `radioId` (indices in `chosen`).
bool EarlierChoiceIs(const SettingsLayout& layout, const int* chosen, int fieldIndex, int radioId)
{
    for (int f = 0; f < fieldIndex; ++f) {
        if (chosen[f] >= 0 && layout.fields[f].choices[chosen[f]].radioId == radioId) return true;
    }
    return false;
}

}  // namespace

const SettingsLayout* SettingsLayoutFor(int family)
{
    for (const SettingsLayout& layout : Layouts) {
        if (layout.family == family) return &layout;
    }
    return nullptr;
}

const SettingsField* FieldOfRadio(int radioId, const SettingsChoice** choice)
{
    for (const SettingsLayout& layout : Layouts) {
        for (int f = 0; f < layout.fieldCount; ++f) {
            const SettingsField& field = layout.fields[f];
            for (int c = 0; c < field.choiceCount; ++c) {
                if (field.choices[c].radioId != radioId) continue;
                if (choice) *choice = &field.choices[c];
                return &field;
            }
        }
    }
    return nullptr;
}

int MatchSettingsField(const SettingsField& field, const unsigned char* record)
{
    for (int c = 0; c < field.choiceCount; ++c) {
        const char* letters = field.choices[c].letters;
        int n = 0;
        while (letters[n] != '\0' && record[field.offset + n] == static_cast<unsigned char>(letters[n])) ++n;
        if (letters[n] == '\0') return c;
    }
    return -1;
}

void MatchSettingsRecord(const SettingsLayout& layout, const unsigned char* record, int* matched)
{
    for (int f = 0; f < layout.fieldCount; ++f) {
        const SettingsField& field = layout.fields[f];
        if (field.requiresRadio != NoRadio && !EarlierChoiceIs(layout, matched, f, field.requiresRadio)) {
            matched[f] = FieldSkipped;
            continue;
        }
        matched[f] = MatchSettingsField(field, record);
    }
}

int EncodeSettingsCommand(const SettingsLayout& layout, const bool* checked, char* command)
{
    std::memcpy(command, WritePrefix, WritePrefixLength);
    int chosen[MaxSettingsFields] = {};
    for (int f = 0; f < layout.fieldCount; ++f) {
        const SettingsField& field = layout.fields[f];
        if (field.requiresRadio != NoRadio && !EarlierChoiceIs(layout, chosen, f, field.requiresRadio)) {
            chosen[f] = -1;
            continue;
        }
        int pick = field.fallback;
        for (int c = 0; c < field.choiceCount; ++c) {
            if (checked[field.choices[c].radioId]) {
                pick = c;
                break;
            }
        }
        chosen[f] = pick;
        const char* letters = field.choices[pick].letters;
        std::memcpy(command + field.offset - 1, letters, std::strlen(letters));
    }
    return layout.commandLength;
}
