// Settings record tables: each letter selects its radio and colour, letters
// outside the tables are caught field by field, and a command built from any
// combination of radios reads back as the same radios.
#include <cstring>
#include <string>
#include <vector>

#include "check.h"
#include "settings_format.h"
#include "types.h"

namespace {

const unsigned char* Bytes(const std::string& s) { return reinterpret_cast<const unsigned char*>(s.c_str()); }

// Matched choice per field, as radio ids (-1 bad, -2 not examined). The
// record stands in a zero-filled reply buffer, as it does after a read.
std::vector<int> DecodedRadios(int family, const std::string& record)
{
    const SettingsLayout* layout = SettingsLayoutFor(family);
    unsigned char buffer[64] = {};
    std::memcpy(buffer, record.data(), record.size());
    int matched[8] = {};
    MatchSettingsRecord(*layout, buffer, matched);
    std::vector<int> radios;
    for (int f = 0; f < layout->fieldCount; ++f) {
        radios.push_back(matched[f] >= 0 ? layout->fields[f].choices[matched[f]].radioId : matched[f]);
    }
    return radios;
}

std::string Encode(int family, std::initializer_list<int> checkedRadios)
{
    bool checked[RadioIdLimit] = {};
    for (int id : checkedRadios) checked[id] = true;
    char command[MaxCommandLength + 2];
    std::memset(command, '?', sizeof command);
    int length = EncodeSettingsCommand(*SettingsLayoutFor(family), checked, command);
    CHECK_EQ(command[length], '?');  // nothing written past the command
    return std::string(command, static_cast<size_t>(length));
}

}  // namespace

TEST_CASE("every letter selects its radio, its range and its dot colour")
{
    struct Row {
        int family;
        const char* record;
        int field;
        int radio;
        int first, last;
        int dot;
        unsigned colour;
    };
    const Row rows[] = {
        {Ehx, "1.10TMX1DO", 0, IdTouchMemoryRadio, 3, 6, 1, DotRed},
        {Ehx, "1.10W261DO", 0, IdWiegand26Radio, 3, 6, 1, DotGreen},
        {Ehx, "1.10W441DO", 0, IdWiegand44Radio, 3, 6, 1, DotCyan},
        {Ehx, "1.10W581DO", 0, IdWiegand58Radio, 3, 6, 1, DotMagenta},
        {Ehx, "1.10TMX1DO", 1, IdDirectRadio, 7, 8, 2, DotRed},
        {Ehx, "1.10TMX0DO", 1, IdInverseRadio, 7, 8, 2, DotBlue},
        {Ehx, "1.10TMX1DO", 2, IdDynamicRadio, 9, 11, 3, DotRed},
        {Ehx, "1.10TMX1SO", 2, IdStaticRadio, 9, 11, 3, DotGreen},
        {Ehx, "1.10TMX1AO", 2, IdStandbyOffRadio, 9, 11, 3, DotMagenta},
        {Ehx, "1.10TMX1DO", 3, IdPollOnRadio, 12, 13, 4, DotRed},
        {Ehx, "1.10TMX1DF", 3, IdPollOffRadio, 12, 13, 4, DotYellow},
        {Usb, "1.10WHDH5EM", 0, IdWindowsModeRadio, 22, 23, 1, DotCyan},
        {Usb, "1.10AHDH5EM", 0, IdMultiOsModeRadio, 22, 23, 1, DotMagenta},
        {Usb, "1.10WHDH5EM", 1, IdHexOrDecRadio, 24, 25, 0, 0},
        {Usb, "1.10WTMX5EM", 1, IdTouchMemoryOutRadio, 24, 25, 0, 0},
        {Usb, "1.10WHDH5EM", 2, IdHexRadio, 26, 27, 0, 0},
        {Usb, "1.10WHDD5EM", 2, IdDecRadio, 26, 27, 0, 0},
        {Usb, "1.10WHDH7EM", 3, IdBytes7Radio, 28, 32, 0, 0},
        {Usb, "1.10WHDH5EM", 3, IdBytes5Radio, 28, 32, 0, 0},
        {Usb, "1.10WHDH4EM", 3, IdBytes4Radio, 28, 32, 0, 0},
        {Usb, "1.10WHDH3EM", 3, IdBytes3Radio, 28, 32, 0, 0},
        {Usb, "1.10WHDH2EM", 3, IdBytes2Radio, 28, 32, 0, 0},
        {Usb, "1.10WHDH5EM", 4, IdCardsAllRadio, 35, 37, 0, 0},
        {Usb, "1.10WHDH5EX", 4, IdCardsHidEmRadio, 35, 37, 0, 0},
        {Usb, "1.10WHDH5XM", 4, IdCardsMifareRadio, 35, 37, 0, 0},
    };
    for (const Row& row : rows) {
        const SettingsField& field = SettingsLayoutFor(row.family)->fields[row.field];
        const int c = MatchSettingsField(field, Bytes(row.record));
        CHECK(c >= 0);
        if (c < 0) continue;
        CHECK_EQ(field.choices[c].radioId, row.radio);
        CHECK_EQ(field.firstRadio, row.first);
        CHECK_EQ(field.lastRadio, row.last);
        CHECK_EQ(field.choices[c].dot, row.dot);
        if (row.dot != 0) CHECK_EQ(field.choices[c].colour, row.colour);
    }
}

TEST_CASE("letters outside the tables are caught field by field")
{
    const int Bad = -1, Skip = FieldSkipped;
    struct Row {
        int family;
        const char* record;
        std::vector<int> radios;
    };
    const Row rows[] = {
        {Ehx, "1.10W271DO", {Bad, IdDirectRadio, IdDynamicRadio, IdPollOnRadio}},
        {Ehx, "1.10W241DO", {Bad, IdDirectRadio, IdDynamicRadio, IdPollOnRadio}},
        {Ehx, "1.10W481DO", {Bad, IdDirectRadio, IdDynamicRadio, IdPollOnRadio}},
        {Ehx, "1.10W561DO", {Bad, IdDirectRadio, IdDynamicRadio, IdPollOnRadio}},
        {Ehx, "1.10TMW1DO", {Bad, IdDirectRadio, IdDynamicRadio, IdPollOnRadio}},
        {Ehx, "1.10tmx1DO", {Bad, IdDirectRadio, IdDynamicRadio, IdPollOnRadio}},
        {Ehx, "1.10TMX2DO", {IdTouchMemoryRadio, Bad, IdDynamicRadio, IdPollOnRadio}},
        {Ehx, "1.10TMX1XO", {IdTouchMemoryRadio, IdDirectRadio, Bad, IdPollOnRadio}},
        {Ehx, "1.10TMX1Do", {IdTouchMemoryRadio, IdDirectRadio, IdDynamicRadio, Bad}},
        {Ehx, "1.10TMX1D", {IdTouchMemoryRadio, IdDirectRadio, IdDynamicRadio, Bad}},
        {Ehx, "1.10", {Bad, Bad, Bad, Bad}},
        {Usb, "1.00AHDX6XX", {IdMultiOsModeRadio, IdHexOrDecRadio, Bad, Bad, Bad}},
        {Usb, "1.10wHDH5EM", {Bad, IdHexOrDecRadio, IdHexRadio, IdBytes5Radio, IdCardsAllRadio}},
        {Usb, "1.10WHXH5EM", {IdWindowsModeRadio, Bad, Skip, IdBytes5Radio, IdCardsAllRadio}},
        {Usb, "1.10WTMH5EM", {IdWindowsModeRadio, Bad, Skip, IdBytes5Radio, IdCardsAllRadio}},
        {Usb, "1.10WTMX6EM", {IdWindowsModeRadio, IdTouchMemoryOutRadio, Skip, Bad, IdCardsAllRadio}},
        {Usb, "1.10WHDH1EM", {IdWindowsModeRadio, IdHexOrDecRadio, IdHexRadio, Bad, IdCardsAllRadio}},
        {Usb, "1.10WHDH5EE", {IdWindowsModeRadio, IdHexOrDecRadio, IdHexRadio, IdBytes5Radio, Bad}},
        {Usb, "1.10WHDH5XX", {IdWindowsModeRadio, IdHexOrDecRadio, IdHexRadio, IdBytes5Radio, Bad}},
        {Usb, "1.10WHDH5XE", {IdWindowsModeRadio, IdHexOrDecRadio, IdHexRadio, IdBytes5Radio, Bad}},
        {Usb, "1.10WHDH5ME", {IdWindowsModeRadio, IdHexOrDecRadio, IdHexRadio, IdBytes5Radio, Bad}},
        {Usb, "1.10WHDH5E", {IdWindowsModeRadio, IdHexOrDecRadio, IdHexRadio, IdBytes5Radio, Bad}},
    };
    for (const Row& row : rows) {
        std::vector<int> got = DecodedRadios(row.family, row.record);
        CHECK(got == row.radios);
        if (got != row.radios) std::printf("    record %s\n", row.record);
    }
}

TEST_CASE("commands from chosen radios")
{
    struct Row {
        int family;
        std::initializer_list<int> checked;
        const char* command;
    };
    const Row rows[] = {
        // Tab defaults.
        {Ehx, {IdTouchMemoryRadio, IdDirectRadio, IdStandbyOffRadio, IdPollOffRadio, IdCardsAllRadio}, "AT+TMX1AF"},
        {Usb, {IdWindowsModeRadio, IdHexOrDecRadio, IdHexRadio, IdBytes5Radio, IdCardsAllRadio}, "AT+WHDH5EM"},
        {Ehx, {IdWiegand58Radio, IdInverseRadio, IdStaticRadio, IdPollOnRadio}, "AT+W580SO"},
        {Ehx, {IdWiegand44Radio, IdDirectRadio, IdDynamicRadio, IdPollOnRadio}, "AT+W441DO"},
        {Usb, {IdMultiOsModeRadio, IdTouchMemoryOutRadio, IdHexRadio, IdBytes7Radio, IdCardsMifareRadio}, "AT+ATMX7XM"},
        {Usb, {IdWindowsModeRadio, IdHexOrDecRadio, IdDecRadio, IdBytes2Radio, IdCardsHidEmRadio}, "AT+WHDD2EX"},
        // Nothing checked: each group's last choice, Touch Memory and all cards.
        {Ehx, {}, "AT+TMX0AF"},
        {Usb, {}, "AT+ATMX2EM"},
        {Usb, {IdHexRadio, IdBytes7Radio}, "AT+ATMX7EM"},
        // Two checked in one group: the first in table order wins.
        {Ehx, {IdWiegand44Radio, IdWiegand26Radio, IdDirectRadio, IdStaticRadio, IdStandbyOffRadio}, "AT+W261SF"},
        {Usb, {IdBytes2Radio, IdBytes4Radio, IdCardsMifareRadio, IdCardsHidEmRadio}, "AT+ATMX4EX"},
    };
    for (const Row& row : rows) CHECK_EQ(Encode(row.family, row.checked), row.command);
}

TEST_CASE("encode and decode agree for every combination of radios")
{
    for (int family : {Ehx, Usb}) {
        const SettingsLayout& layout = *SettingsLayoutFor(family);
        // Odometer over the choices of every field; a field that depends on
        // an earlier choice is simply left unchecked when that choice is absent.
        int pick[8] = {};
        int combinations = 0;
        for (;;) {
            bool checked[RadioIdLimit] = {};
            for (int f = 0; f < layout.fieldCount; ++f) checked[layout.fields[f].choices[pick[f]].radioId] = true;
            char command[MaxCommandLength] = {};
            const int length = EncodeSettingsCommand(layout, checked, command);
            CHECK_EQ(length, family == Ehx ? 9 : 10);
            CHECK(std::memcmp(command, "AT+", 3) == 0);
            const std::string record = "1.10" + std::string(command + 3, static_cast<size_t>(length - 3));
            std::vector<int> got = DecodedRadios(family, record);
            for (int f = 0; f < layout.fieldCount; ++f) {
                const SettingsField& field = layout.fields[f];
                const bool examined = field.requiresRadio == NoRadio || checked[field.requiresRadio];
                const int want = examined ? field.choices[pick[f]].radioId : FieldSkipped;
                CHECK_EQ(got[static_cast<size_t>(f)], want);
            }
            ++combinations;
            int f = 0;
            while (f < layout.fieldCount && ++pick[f] == layout.fields[f].choiceCount) pick[f++] = 0;
            if (f == layout.fieldCount) break;
        }
        CHECK_EQ(combinations, family == Ehx ? 48 : 120);
    }
}

TEST_MAIN()
