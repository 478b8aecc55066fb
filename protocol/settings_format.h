// The settings records of both reader families as tables of fields: where
// each field stands, which letters it accepts, which radio and indicator
// colour each letter selects, and how a write command is built back from
// the chosen values. Platform-free: decode and encode both walk these tables.
// A choice is a SettingChoice; the window checks the radio of that number.
#pragma once

#include "reader_types.h"

// Arrays indexed by choice are this long.
constexpr int RadioIdLimit = SettingChoiceLimit;
constexpr SettingChoice NoRadio = NoChoice;

// Records carry a four-character firmware version, the write command "AT+"
// in its place; so record offset k+1 is command offset k.
constexpr int VersionLength = 4;
constexpr char WritePrefix[] = "AT+";
constexpr int WritePrefixLength = 3;
constexpr int MaxCommandLength = 10;

struct SettingsChoice {
    const char* letters;   // at the field's offset, compared letter by letter
    SettingChoice radioId; // chosen on decode and tested on encode
    int dot;               // indicator dot 1..5 that this choice colours, 0 none
    unsigned colour;       // DotColour for that dot
    const SettingChoice* enables;   // choices offered again when this one is decoded (NoChoice-terminated)
    const SettingChoice* disables;  // choices withdrawn when this one is decoded (NoChoice-terminated)
};

struct SettingsField {
    int offset;            // in the read record
    SettingChoice firstRadio;  // the group's choices run from this one
    SettingChoice lastRadio;   // to this one
    const SettingsChoice* choices;
    int choiceCount;
    int fallback;          // choice written when no radio of the group is checked
    SettingChoice requiresRadio;  // examined only after this was chosen earlier; NoRadio: always
};

struct SettingsLayout {
    int family;
    int recordLength;      // 10 Ehx, 11 Usb
    int commandLength;     // 9 Ehx, 10 Usb
    const SettingsField* fields;
    int fieldCount;
};

// The layout of `family` (Ehx or Usb), nullptr for any other value.
const SettingsLayout* SettingsLayoutFor(int family);

// The most fields a layout has: arrays indexed by field are this long.
constexpr int MaxSettingsFields = 5;

// The field whose radio group holds `radioId`, and the choice that checks
// it; nullptr when no field has that radio.
const SettingsField* FieldOfRadio(int radioId, const SettingsChoice** choice);

// Index of the choice whose letters stand at the field's offset of
// `record`, or -1. Reads at most offset + 3 bytes of the record.
int MatchSettingsField(const SettingsField& field, const unsigned char* record);

// Per field of `layout`: the matched choice index, -1 for letters outside the
// table, or -2 for a field that its earlier field's choice left unexamined.
constexpr int FieldSkipped = -2;
void MatchSettingsRecord(const SettingsLayout& layout, const unsigned char* record, int* matched);

// Builds the write command from the chosen values (`checked` indexed by
// choice, RadioIdLimit entries): "AT+" and then, per field, the first
// checked choice in table order, else the field's fallback. Writes exactly
// commandLength bytes, no terminator, and returns that length.
int EncodeSettingsCommand(const SettingsLayout& layout, const bool* checked, char* command);
