// The settings records of both reader families as tables of fields: where
// each field stands, which letters it accepts, which radio and indicator
// colour each letter selects, and how a write command is built back from
// the checked radios. Platform-free: decode and encode both walk these tables.
#pragma once

#include "texts.h"

// Radio control ids run below this bound (see CommandId).
constexpr int RadioIdLimit = 38;
constexpr int NoRadio = 0;

// Records carry a four-character firmware version, the write command "AT+"
// in its place; so record offset k+1 is command offset k.
constexpr int VersionLength = 4;
constexpr char WritePrefix[] = "AT+";
constexpr int WritePrefixLength = 3;
constexpr int MaxCommandLength = 10;

struct SettingsChoice {
    const char* letters;   // at the field's offset, compared letter by letter
    int radioId;           // radio checked on decode and tested on encode
    int dot;               // indicator dot 1..5 that this choice colours, 0 none
    unsigned colour;       // COLORREF for that dot
    const int* enables;    // radio ids enabled when the choice is decoded (0-terminated)
    const int* disables;   // radio ids disabled when the choice is decoded (0-terminated)
};

struct SettingsField {
    int offset;            // in the read record
    int firstRadio;        // CheckRadioButton range of the group
    int lastRadio;
    TextKey badText;       // "... - NOT RECOGNIZED!" for letters outside the table
    const SettingsChoice* choices;
    int choiceCount;
    int fallback;          // choice written when no radio of the group is checked
    int requiresRadio;     // examined only after this radio was chosen earlier; NoRadio: always
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

// Builds the write command from the checked radios (`checked` indexed by
// radio id, RadioIdLimit entries): "AT+" and then, per field, the first
// checked choice in table order, else the field's fallback. Writes exactly
// commandLength bytes, no terminator, and returns that length.
int EncodeSettingsCommand(const SettingsLayout& layout, const bool* checked, char* command);
