// Settings reply classification: markers, model letter, payload move and
// firmware number, on buffers exactly as long as the reply so that the
// sanitizer catches any byte read past the end.
#include <cstring>
#include <memory>
#include <string>

#include "check.h"
#include "reply_format.h"
#include "types.h"

namespace {

struct Classified {
    ReplyKind kind;
    char model;
    int version;
    std::string buffer;
};

// Outputs start at sentinels so that "not touched" can be told apart.
Classified Classify(const std::string& reply)
{
    const int length = static_cast<int>(reply.size());
    std::unique_ptr<unsigned char[]> buffer(new unsigned char[reply.size()]);
    std::memcpy(buffer.get(), reply.data(), reply.size());
    char model = '?';
    int version = -7;
    ReplyKind kind = ClassifyReplyBytes(buffer.get(), length, &model, &version);
    return {kind, model, version, std::string(reinterpret_cast<char*>(buffer.get()), reply.size())};
}

const std::string Lf = "\n\r";

}  // namespace

TEST_CASE("a settings reply is ReadData with model, version and payload at the start")
{
    struct Row {
        std::string reply;
        char model;
        int version;
        std::string payload;
    };
    const Row rows[] = {
        {Lf + "AT+READS_EHU - OK! >> 1.10W261DO", 'U', 110, "1.10W261DO"},
        {Lf + "AT+READS_EHM - OK! >> 1.00TMX1AF", 'M', 100, "1.00TMX1AF"},
        {Lf + "AT+READS_USB - OK! >> 1.00WHDH5EM", 'B', 100, "1.00WHDH5EM"},
        {Lf + "AT+READS_EHX - OK! >> 1.10TMX1AF", 'X', 110, "1.10TMX1AF"},
        // Anything before the marker is ignored but byte 13.
        {"garbage" + Lf + "AT+READS_EHU - OK! >> 1.10W261DO", 'E', 110, "1.10W261DO"},
        // Marker at offset 0: byte 13 is a payload byte.
        {" - OK! >> 1.10W261DO", '0', 110, "1.10W261DO"},
        // A reply shorter than 14 bytes has no model letter.
        {" - OK! >> 1", '\0', 1, "1"},
        {" - OK! >> -.50", '0', -50, "-.50"},
    };
    for (const Row& row : rows) {
        Classified c = Classify(row.reply);
        CHECK_EQ(static_cast<int>(c.kind), static_cast<int>(ReplyKind::ReadData));
        CHECK_EQ(c.model, row.model);
        CHECK_EQ(c.version, row.version);
        CHECK_EQ(c.buffer.substr(0, row.payload.size()), row.payload);
    }
}

TEST_CASE("the payload move leaves the bytes behind it as they were")
{
    const std::string reply = Lf + "AT+READS_EHU - OK! >> 1.10W261DO";
    Classified c = Classify(reply);
    CHECK_EQ(c.buffer.substr(10), reply.substr(10));
}

TEST_CASE("a marker with nothing after it moves nothing and reads the version from the echo")
{
    const std::string reply = Lf + "AT+READS_EHX - OK! >> ";
    Classified c = Classify(reply);
    CHECK_EQ(static_cast<int>(c.kind), static_cast<int>(ReplyKind::ReadData));
    CHECK_EQ(c.model, 'X');
    CHECK_EQ(c.version, 0);  // LF, 'A', 'T'
    CHECK_EQ(c.buffer, reply);
}

TEST_CASE("replies other than ReadData leave model and version alone")
{
    struct Row {
        std::string reply;
        ReplyKind kind;
    };
    const Row rows[] = {
        {Lf + "AT+TMX1AF - OK!", ReplyKind::WriteAck},
        {Lf + "AT+TMX1AF - OK! >>", ReplyKind::WriteAck},
        {Lf + "AT+TMX1AF - OK! >", ReplyKind::WriteAck},
        {Lf + "AT+TMX1AF - OK!\n\r", ReplyKind::WriteAck},
        {Lf + "AT+TMX1AF - OK! >>x1.10", ReplyKind::WriteAck},
        // The first complete marker decides.
        {" - OK!" + Lf + "AT+READS_EHU - OK! >> 1.10W261DO", ReplyKind::WriteAck},
        {Lf + "AT+FOO - UNKNOWN CMD!", ReplyKind::UnknownCommand},
        {" - UNKNOWN CMD! - OK! >> 1.10", ReplyKind::UnknownCommand},
        {Lf + "AT+FOO - UNKNOWN CM", ReplyKind::Unrecognized},
        {Lf + "AT+FOO - UNKNOWN CMD", ReplyKind::Unrecognized},
        {Lf + "AT+FOO - OK", ReplyKind::Unrecognized},
        {Lf + "AT+FOO - O", ReplyKind::Unrecognized},
        {Lf + "AT+FOO -", ReplyKind::Unrecognized},
        {Lf + "AT+FOO -OK! >> 1.10", ReplyKind::Unrecognized},
        {"OK! >> 1.10W261DO", ReplyKind::Unrecognized},
        {"", ReplyKind::Unrecognized},
        // After a failed word the scan resumes behind its first bad byte, so
        // a separator starting inside the failed word is not seen...
        {" - O - OK! >> 1.10W261DO", ReplyKind::Unrecognized},
        {" - UNKNOWN - OK!", ReplyKind::Unrecognized},
        // ...but one starting right after that byte is.
        {" - OX - OK!", ReplyKind::WriteAck},
        {" - X - OK!", ReplyKind::WriteAck},
        // A byte that starts no word is skipped with its separator.
        {" -  - UNKNOWN CMD!", ReplyKind::Unrecognized},
        {" -  x - UNKNOWN CMD!", ReplyKind::UnknownCommand},
    };
    for (const Row& row : rows) {
        Classified c = Classify(row.reply);
        CHECK_EQ(static_cast<int>(c.kind), static_cast<int>(row.kind));
        CHECK_EQ(c.model, '?');
        CHECK_EQ(c.version, -7);
        CHECK_EQ(c.buffer, row.reply);
    }
}

TEST_CASE("a length of zero or less is Unrecognized without touching the buffer")
{
    char model = '?';
    int version = -7;
    CHECK(ClassifyReplyBytes(nullptr, 0, &model, &version) == ReplyKind::Unrecognized);
    CHECK(ClassifyReplyBytes(nullptr, -1, &model, &version) == ReplyKind::Unrecognized);
    unsigned char reply[] = " - OK! >> 1.10";
    CHECK(ClassifyReplyBytes(reply, -20, &model, &version) == ReplyKind::Unrecognized);
    CHECK_EQ(model, '?');
}

TEST_CASE("bytes past the received length never match")
{
    // The buffer holds a complete marker, but only part of it was received.
    unsigned char reply[ReplyBufferSize] = {};
    const char text[] = "\n\rAT+READS_EHU - OK! >> 1.10W261DO";
    std::memcpy(reply, text, sizeof text - 1);
    char model = '?';
    int version = -7;
    CHECK(ClassifyReplyBytes(reply, 20, &model, &version) == ReplyKind::WriteAck);
    CHECK(ClassifyReplyBytes(reply, 19, &model, &version) == ReplyKind::Unrecognized);
    CHECK(ClassifyReplyBytes(reply, 16, &model, &version) == ReplyKind::Unrecognized);
    CHECK(ClassifyReplyBytes(reply, 24, &model, &version) == ReplyKind::ReadData);
    CHECK_EQ(version, 0);  // nothing after the marker was received
}

TEST_CASE("a full 64-byte reply is judged on its 64 bytes only")
{
    // Each reply fills the whole buffer and ends inside a marker.
    const std::string tails[] = {" - OK! >>", " - UNKNOWN CMD", " - OK! >", " -", " - OK! >> "};
    const ReplyKind kinds[] = {ReplyKind::WriteAck, ReplyKind::Unrecognized, ReplyKind::WriteAck,
                               ReplyKind::Unrecognized, ReplyKind::ReadData};
    for (int n = 0; n < 5; ++n) {
        std::string reply = std::string(ReplyBufferSize - tails[n].size(), 'a') + tails[n];
        Classified c = Classify(reply);
        CHECK_EQ(static_cast<int>(c.kind), static_cast<int>(kinds[n]));
    }
}

TEST_CASE("firmware versions are checked per family on four characters")
{
    struct Row {
        const char* text;
        int family;
        int result;
    };
    const Row rows[] = {
        {"1.00", Ehx, 0},       {"1.10", Ehx, 0},    {"1.00", Usb, 0},       {"1.10WHDH5EM", Usb, 0},
        {"1.20TMX1DO", Ehx, -1}, {"1.1", Ehx, -1},   {"", Usb, -1},          {"0.10", Ehx, -1},
        {"1.00", 2, -1},         {"1.10", -1, -1},
    };
    for (const Row& row : rows) CHECK_EQ(CheckFirmwareText(row.text, row.family), row.result);
}

TEST_MAIN()
