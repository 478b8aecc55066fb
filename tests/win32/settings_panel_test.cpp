// Settings records on the real panel: what a decoded record checks, enables,
// colours and stores, the boxes for bad fields, and the command that the
// checked radios encode to.
#include <cstring>
#include <string>
#include <vector>

#include "check.h"
#include "fixture.h"
#include "flows.h"

namespace {

// The record as HandleReply leaves it: payload at the start of a zero-filled
// reply buffer, model and version already taken from the reply.
void Decode(const char* record, char model, int version)
{
    AppState.modelCode = model;
    AppState.firmwareVersion = version;
    unsigned char buffer[64] = {};
    std::memcpy(buffer, record, std::strlen(record));
    DecodeSettings(buffer);
}

std::string Encode(int* length)
{
    char command[16];
    std::memset(command, '?', sizeof command);
    EncodeSettings(command, length);
    CHECK_EQ(command[*length], '?');
    return std::string(command, static_cast<size_t>(*length));
}

// Every radio's check mark and enable state, and the dots.
struct PanelSnapshot {
    std::vector<bool> checked, enabled;
    std::vector<COLORREF> dots;
    std::string version;
    bool operator==(const PanelSnapshot&) const = default;
};

PanelSnapshot Snapshot()
{
    PanelSnapshot s;
    for (int c = 0; c < ControlCount; ++c) {
        s.checked.push_back(IsChecked(static_cast<Control>(c)));
        s.enabled.push_back(IsEnabled(static_cast<Control>(c)));
    }
    s.dots.assign(AppState.indicatorColors, AppState.indicatorColors + 5);
    s.version = WindowText(Ctl(VersionValue));
    return s;
}

void Click(Control c)
{
    CHECK(IsEnabled(c));
    SendMessageA(Ctl(c), BM_CLICK, 0, 0);
}

}  // namespace

TEST_CASE("EHU/EHM records check their radios and colour the dots")
{
    struct Row {
        const char* record;
        char model;
        int version;
        std::vector<Control> checked;
        COLORREF dots[4];
    };
    const Row rows[] = {
        {"1.10W581DO", 'M', 110, {Wiegand58Radio, DirectRadio, DynamicRadio, PollOnRadio},
         {DotMagenta, DotRed, DotRed, DotRed}},
        {"1.00TMX0AF", 'U', 100, {TouchMemoryRadio, InverseRadio, StandbyOffRadio, PollOffRadio},
         {DotRed, DotBlue, DotMagenta, DotYellow}},
        {"1.10W261SF", 'U', 110, {Wiegand26Radio, DirectRadio, StaticRadio, PollOffRadio},
         {DotGreen, DotRed, DotGreen, DotYellow}},
        {"1.10W440DO", 'X', 110, {Wiegand44Radio, InverseRadio, DynamicRadio, PollOnRadio},
         {DotCyan, DotBlue, DotRed, DotRed}},
    };
    for (const Row& row : rows) {
        OpenTestMainWindow(Ehx);
        const COLORREF dot5 = AppState.indicatorColors[4];
        Decode(row.record, row.model, row.version);
        CheckBoxes({});
        for (Control c : row.checked) CHECK(IsChecked(c));
        CHECK_EQ(IsChecked(TouchMemoryRadio) + IsChecked(Wiegand26Radio) + IsChecked(Wiegand44Radio) +
                     IsChecked(Wiegand58Radio), 1);
        for (int d = 0; d < 4; ++d) CHECK_EQ(AppState.indicatorColors[d], row.dots[d]);
        CHECK_EQ(AppState.indicatorColors[4], dot5);
        CHECK_EQ(WindowText(Ctl(VersionValue)), std::string(row.record, 4));
        CHECK_EQ(AppState.versionOk, 1);
        CHECK_EQ(AppState.lastSettings, row.record);
        CloseTestMainWindow();
    }
}

TEST_CASE("Wiegand 58 is offered by firmware 1.10 on the EHM reader only")
{
    struct Row {
        char model;
        int version;
        const char* record;
        bool enabledBefore;
        bool enabledAfter;
    };
    const Row rows[] = {
        {'M', 110, "1.10W581DO", false, true},
        {'U', 110, "1.10W581DO", false, false},
        {'U', 110, "1.10W581DO", true, true},
        {'X', 110, "1.10TMX1DO", true, true},
        {'M', 100, "1.00TMX0AF", true, false},
        {'U', 100, "1.00TMX0AF", true, false},
    };
    for (const Row& row : rows) {
        OpenTestMainWindow(Ehx);
        EnableWindow(Ctl(Wiegand58Radio), row.enabledBefore);
        Decode(row.record, row.model, row.version);
        CHECK_EQ(IsEnabled(Wiegand58Radio), row.enabledAfter);
        CloseTestMainWindow();
    }
}

TEST_CASE("a bad EHU/EHM field shows its box and the rest is applied and stored")
{
    OpenTestMainWindow(Ehx);
    const COLORREF dot1 = AppState.indicatorColors[0];
    Decode("1.10W271DO", 'U', 110);
    CheckBoxes({{MsgBadInterface, IconError}});
    CHECK(IsChecked(TouchMemoryRadio));
    CHECK_EQ(AppState.indicatorColors[0], dot1);
    CHECK(IsChecked(DirectRadio) && IsChecked(DynamicRadio) && IsChecked(PollOnRadio));
    CHECK_EQ(AppState.indicatorColors[3], static_cast<COLORREF>(DotRed));
    CHECK_EQ(AppState.lastSettings, "1.10W271DO");
    CloseTestMainWindow();

    OpenTestMainWindow(Ehx);
    Decode("1.10XXXXXX", 'U', 110);
    CheckBoxes({{MsgBadInterface, IconError}, {MsgBadIndicationControl, IconError},
                {MsgBadStandbyIndication, IconError}, {MsgBadTouchPoll, IconError}});
    CHECK_EQ(AppState.lastSettings, "1.10XXXXXX");
    CloseTestMainWindow();
}

TEST_CASE("an unsupported EHU/EHM version changes nothing and keeps the link")
{
    OpenTestMainWindow(Ehx);
    std::strcpy(AppState.lastSettings, "1.00TMX1AF");
    AppState.versionOk = 1;
    const PanelSnapshot before = Snapshot();
    Decode("1.20W581SO", 'M', 120);
    CheckBoxes({{MsgFirmwareUnsupported, IconError}});
    CHECK(Snapshot() == before);
    CHECK_EQ(AppState.versionOk, 0);
    CHECK_EQ(AppState.modelCode, 'M');
    CHECK_EQ(AppState.firmwareVersion, 120);
    CHECK_EQ(AppState.lastSettings, "1.00TMX1AF");
    CloseTestMainWindow();
}

TEST_CASE("USB records check their radios and set the enable states")
{
    struct Row {
        const char* record;
        std::vector<Control> checked;
        std::vector<Control> enabled;
        std::vector<Control> disabled;
        COLORREF dot1;
    };
    const Row rows[] = {
        {"1.10WHDD7EX", {WindowsModeRadio, HexOrDecRadio, DecRadio, Bytes7Radio, CardsHidEmRadio},
         {HexRadio, DecRadio, Bytes7Radio}, {}, DotCyan},
        // Touch Memory output disables 7 bytes right after the version enabled it.
        {"1.10ATMX7XM", {MultiOsModeRadio, TouchMemoryOutRadio, Bytes7Radio, CardsMifareRadio},
         {}, {HexRadio, DecRadio, Bytes7Radio}, DotMagenta},
        {"1.00WHDH2EM", {WindowsModeRadio, HexOrDecRadio, HexRadio, Bytes2Radio, CardsAllRadio},
         {HexRadio, DecRadio}, {Bytes7Radio}, DotCyan},
    };
    for (const Row& row : rows) {
        OpenTestMainWindow(Usb);
        Decode(row.record, 'B', 110);
        CheckBoxes({});
        for (Control c : row.checked) CHECK(IsChecked(c));
        for (Control c : row.enabled) CHECK(IsEnabled(c));
        for (Control c : row.disabled) CHECK(!IsEnabled(c));
        CHECK_EQ(AppState.indicatorColors[0], row.dot1);
        CHECK_EQ(WindowText(Ctl(VersionValue)), std::string(row.record, 4));
        CHECK_EQ(AppState.lastSettings, row.record);
        CloseTestMainWindow();
    }
}

TEST_CASE("bad USB fields show their boxes in field order")
{
    OpenTestMainWindow(Usb);
    Decode("1.00AHDX6XX", 'B', 100);
    CheckBoxes({{MsgBadIdOutputType, IconError}, {MsgBadIdByteCount, IconError}, {MsgBadCardsToRead, IconError}});
    CHECK(IsChecked(MultiOsModeRadio));
    CHECK_EQ(AppState.indicatorColors[0], static_cast<COLORREF>(DotMagenta));
    CHECK(IsChecked(HexOrDecRadio));
    CHECK_EQ(AppState.lastSettings, "1.00AHDX6XX");
    CloseTestMainWindow();

    // A bad format leaves the type letter unexamined.
    OpenTestMainWindow(Usb);
    Decode("1.10WHXQ5EM", 'B', 110);
    CheckBoxes({{MsgBadIdOutputFormat, IconError}});
    CloseTestMainWindow();

    OpenTestMainWindow(Usb);
    const COLORREF dot1 = AppState.indicatorColors[0];
    Decode("1.10ZHDH5EM", 'B', 110);
    CheckBoxes({{MsgBadOperatingMode, IconError}});
    CHECK_EQ(AppState.indicatorColors[0], dot1);
    CloseTestMainWindow();
}

TEST_CASE("an unsupported USB version drops the link")
{
    OpenTestMainWindow(Usb);
    Decode("1.10WHDH5EM", 'B', 110);
    CHECK_EQ(WindowText(Ctl(VersionValue)), "1.10");
    Boxes().clear();
    Decode("2.00ATMX3XM", 'B', 200);
    CheckBoxes({{MsgFirmwareUnsupported, IconError}});
    CHECK_EQ(WindowText(Ctl(VersionValue)), "x.xx");
    CHECK_EQ(AppState.modelCode, 'X');
    CHECK_EQ(AppState.firmwareVersion, 0);
    CHECK_EQ(AppState.lastSettings[0], '\0');
    CHECK_EQ(AppState.versionOk, 0);
    CHECK(IsChecked(WindowsModeRadio));
    CloseTestMainWindow();
}

TEST_CASE("the tab defaults encode to the default commands")
{
    struct Row {
        int family;
        const char* command;
        const char* letters;
    };
    const Row rows[] = {{Ehx, "AT+TMX1AF", "TMX1AF"}, {Usb, "AT+WHDH5EM", "WHDH5EM"}};
    for (const Row& row : rows) {
        OpenTestMainWindow(row.family);
        const PanelSnapshot before = Snapshot();
        int length = 0;
        CHECK_EQ(Encode(&length), row.command);
        CHECK_EQ(length, static_cast<int>(std::strlen(row.command)));
        // No record read yet: the letters go in behind an empty version.
        CHECK_EQ(AppState.lastSettings[0], '\0');
        CHECK_EQ(std::string(AppState.lastSettings + 4), row.letters);
        CHECK(Snapshot() == before);
        CloseTestMainWindow();
    }
}

TEST_CASE("clicked radios encode to their letters")
{
    OpenTestMainWindow(Ehx);
    Click(Wiegand44Radio);
    Click(InverseRadio);
    Click(StaticRadio);
    Click(PollOnRadio);
    int length = 0;
    CHECK_EQ(Encode(&length), "AT+W440SO");
    CloseTestMainWindow();

    OpenTestMainWindow(Usb);
    Click(MultiOsModeRadio);
    Click(Bytes3Radio);
    Click(CardsMifareRadio);
    Click(DecRadio);
    CHECK_EQ(Encode(&length), "AT+AHDD3XM");
    Click(TouchMemoryOutRadio);
    CHECK_EQ(Encode(&length), "AT+ATMX3XM");
    CHECK_EQ(length, 10);
    CloseTestMainWindow();
}

TEST_CASE("a decoded record encodes back to the same letters behind its version")
{
    struct Row {
        int family;
        const char* record;
        char model;
    };
    const Row rows[] = {
        {Ehx, "1.10W581DO", 'M'}, {Ehx, "1.00TMX0AF", 'U'}, {Ehx, "1.10W441SF", 'U'},
        {Usb, "1.10WHDD7EX", 'B'}, {Usb, "1.10ATMX7XM", 'B'}, {Usb, "1.00AHDH4EM", 'B'},
    };
    for (const Row& row : rows) {
        OpenTestMainWindow(row.family);
        Decode(row.record, row.model, (row.record[0] - '0') * 100 + (row.record[2] - '0') * 10 + (row.record[3] - '0'));
        int length = 0;
        CHECK_EQ(Encode(&length), std::string("AT+") + (row.record + 4));
        CHECK_EQ(AppState.lastSettings, row.record);
        CloseTestMainWindow();
    }
}

TEST_CASE("no checked radio in a group still gives a full command")
{
    OpenTestMainWindow(Ehx);
    CheckRadioButton(MainWindow, IdTouchMemoryRadio, IdWiegand58Radio, 0);
    CheckRadioButton(MainWindow, IdDirectRadio, IdInverseRadio, 0);
    int length = 0;
    CHECK_EQ(Encode(&length), "AT+TMX0AF");
    CloseTestMainWindow();

    OpenTestMainWindow(Usb);
    CheckRadioButton(MainWindow, IdCardsAllRadio, IdCardsMifareRadio, 0);
    CheckRadioButton(MainWindow, IdBytes7Radio, IdBytes2Radio, 0);
    CHECK_EQ(Encode(&length), "AT+WHDH2EM");
    CloseTestMainWindow();
}

TEST_MAIN()
