// Settings exchanges without a serial line: the port handle is a temporary
// file holding the reader's reply, so ReadReply reads it to its end and the
// command written lands at the front of the file.
#include <cstring>
#include <string>
#include <vector>

#include "check.h"
#include "fixture.h"
#include "flows.h"

namespace {

const std::string EhuReply = "\n\rAT+READS_EHU - OK! >> 1.10W261DO";

}  // namespace

TEST_CASE("each reply kind gives its message, quiet or not while searching")
{
    const Box Read = {MsgSettingsRead, IconSuccess}, Written = {MsgSettingsWritten, IconSuccess};
    const Box Lost = {MsgNoReply, IconRetry}, Unrecognized = {MsgReplyUnrecognized, IconError};
    const Box Invalid = {MsgInvalidCommand, IconError};
    struct Row {
        std::string reply;
        bool searching;
        bool confirmed;
        ReplyKind kind;
        std::vector<Box> boxes;
        bool openAfter;
    };
    const Row rows[] = {
        {EhuReply, false, false, ReplyKind::ReadData, {Read}, true},
        {EhuReply, true, true, ReplyKind::ReadData, {Read}, true},
        {"\n\rAT+W261DO - OK!", false, true, ReplyKind::WriteAck, {Written}, true},
        {"\n\rAT+W261DO - OK!", true, false, ReplyKind::WriteAck, {Written}, true},
        {"\n\rAT+READS_EHX - UNKNOWN CMD!", true, true, ReplyKind::UnknownCommand, {}, true},
        {"\n\rAT+READS_EHX - UNKNOWN CMD!", false, false, ReplyKind::UnknownCommand, {Invalid}, true},
        {"\n\rAT+READS_EHX - UNKNOWN CMD!", false, true, ReplyKind::UnknownCommand, {Invalid, Lost}, false},
        {"garbage", true, true, ReplyKind::Unrecognized, {}, true},
        {"garbage", false, false, ReplyKind::Unrecognized, {Unrecognized}, true},
        {"garbage", false, true, ReplyKind::Unrecognized, {Unrecognized, Lost}, false},
        // No reply at all: only a confirmed link is reported; the link is dropped either way.
        {"", false, true, ReplyKind::Unrecognized, {Lost}, false},
        {"", true, false, ReplyKind::Unrecognized, {}, false},
        // "Settings read!" comes before the version complaint.
        {"\n\rAT+READS_EHU - OK! >> 1.20W261DO", true, false, ReplyKind::ReadData,
         {Read, {MsgFirmwareUnsupported, IconError}}, true},
    };
    for (const Row& row : rows) {
        OpenTestMainWindow(Ehx);
        std::string path = OpenFilePort(row.reply);
        AppState.searching = row.searching;
        AppState.linkConfirmed = row.confirmed;
        CHECK_EQ(static_cast<int>(HandleReply()), static_cast<int>(row.kind));
        CheckBoxes(row.boxes);
        CHECK_EQ(AppState.portOpen == 1, row.openAfter);
        // Whenever the link is dropped, the operator may choose another port.
        if (!row.openAfter) {
            CHECK(IsEnabled(PortCombo));
            CHECK_EQ(AppState.linkConfirmed, 0);
        }
        ClosePortFile(path);
        CloseTestMainWindow();
    }
}

TEST_CASE("a settings reply sets the model and version before the record is decoded")
{
    OpenTestMainWindow(Ehx);
    std::string path = OpenFilePort(EhuReply);
    CHECK(HandleReply() == ReplyKind::ReadData);
    CHECK_EQ(AppState.modelCode, 'U');
    CHECK_EQ(AppState.firmwareVersion, 110);
    CHECK_EQ(AppState.versionOk, 1);
    CHECK(IsChecked(Wiegand26Radio));
    CHECK_EQ(AppState.lastSettings, "1.10W261DO");
    ClosePortFile(path);
    CloseTestMainWindow();

    // Unsupported on USB: the version is reported, then the link dropped.
    OpenTestMainWindow(Usb);
    path = OpenFilePort("\n\rAT+READS_USB - OK! >> 1.20WHDH5EM");
    CHECK(HandleReply() == ReplyKind::ReadData);
    CheckBoxes({{MsgSettingsRead, IconSuccess}, {MsgFirmwareUnsupported, IconError}});
    CHECK_EQ(AppState.portOpen, 0);
    CHECK_EQ(AppState.modelCode, 'X');
    ClosePortFile(path);
    CloseTestMainWindow();
}

TEST_CASE("ClassifyReply records model and version for settings replies only")
{
    struct Row {
        const char* reply;
        ReplyKind kind;
        char model;
        int version;
    };
    const Row rows[] = {
        {"\n\rAT+READS_USB - OK! >> 1.00WHDH5EM", ReplyKind::ReadData, 'B', 100},
        {"\n\rAT+READS_EHM - OK! >> 1.10W581DO", ReplyKind::ReadData, 'M', 110},
        {"\n\rAT+WHDH5EM - OK!", ReplyKind::WriteAck, 'Q', 42},
        {"\n\rAT+READS_EHX - UNKNOWN CMD!", ReplyKind::UnknownCommand, 'Q', 42},
        {"\n\rAT+READS_EHX - UNKNOWN", ReplyKind::Unrecognized, 'Q', 42},
    };
    for (const Row& row : rows) {
        AppState = AppStateRecord{};
        AppState.modelCode = 'Q';
        AppState.firmwareVersion = 42;
        unsigned char buffer[64] = {};
        const int length = static_cast<int>(std::strlen(row.reply));
        std::memcpy(buffer, row.reply, static_cast<size_t>(length));
        CHECK_EQ(static_cast<int>(ClassifyReply(buffer, length)), static_cast<int>(row.kind));
        CHECK_EQ(AppState.modelCode, row.model);
        CHECK_EQ(AppState.firmwareVersion, row.version);
    }
}

TEST_CASE("READ and WRITE send their command and judge the reply after the progress")
{
    struct Row {
        int family;
        bool write;
        std::string sent;
        std::string reply;
        TextKey message;
    };
    const Row rows[] = {
        {Ehx, false, "AT+READS_EHX", EhuReply, MsgSettingsRead},
        {Usb, false, "AT+READS_USB", "\n\rAT+READS_USB - OK! >> 1.10WHDD7EX", MsgSettingsRead},
        {Ehx, true, "AT+TMX1AF", "\n\rAT+TMX1AF - OK!", MsgSettingsWritten},
        {Usb, true, "AT+WHDH5EM", "\n\rAT+WHDH5EM - OK!", MsgSettingsWritten},
    };
    for (const Row& row : rows) {
        OpenTestMainWindow(row.family);
        // The command overwrites the placeholder in front of the reply.
        std::string path = OpenFilePort(std::string(row.sent.size(), '#') + row.reply);
        if (row.write) {
            char command[16];
            int length = 0;
            EncodeSettings(command, &length);
            SendWriteCommand(command, length);
        } else {
            SendReadCommand();
        }
        CHECK(ProgressRunning());
        CHECK(!IsWindowEnabled(MainWindow));
        CHECK(PumpUntil([] { return !ProgressRunning(); }, 5000));
        CheckBoxes({{row.message, IconSuccess}});
        CHECK(IsWindowEnabled(MainWindow));
        CHECK_EQ(ClosePortFile(path).substr(0, row.sent.size()), row.sent);
        CloseTestMainWindow();
    }
}

TEST_CASE("a failed command write drops the link and starts no progress")
{
    for (bool write : {false, true}) {
        OpenTestMainWindow(Ehx);
        SetWindowTextA(Ctl(VersionValue), "1.10");
        AppState.portOpen = 0;  // the link refuses to write
        if (write) {
            SendWriteCommand("AT+TMX1AF", 9);
        } else {
            SendReadCommand();
        }
        CHECK(!ProgressRunning());
        CHECK_EQ(WindowText(Ctl(VersionValue)), "x.xx");
        CloseTestMainWindow();
    }
}

TEST_MAIN()
