// Card identifier reply: prefix, the two 32-bit numbers, the end mark, and
// the texts of the result window.
#include <cstring>
#include <memory>
#include <string>

#include "card_id_format.h"
#include "check.h"
#include "types.h"

namespace {

const std::string Prefix = "\n\rAT+IDS - OK! >> ";

struct Parsed {
    CardReplyCheck check;
    unsigned card;
    unsigned cipher;
};

// The reply in a heap buffer of exactly 64 bytes, zero-filled behind it.
Parsed Parse(const std::string& reply)
{
    std::unique_ptr<unsigned char[]> buffer(new unsigned char[64]());
    std::memcpy(buffer.get(), reply.data(), reply.size() < 64 ? reply.size() : 64);
    Parsed p = {CardReplyCheck::Ok, 12345u, 67890u};
    p.check = ParseCardReply(buffer.get(), 64, &p.card, &p.cipher);
    return p;
}

std::string Shown(void (*format)(unsigned, char*, size_t), unsigned value)
{
    char text[32];
    format(value, text, sizeof text);
    return text;
}

}  // namespace

TEST_CASE("decimal conversion behaves as a 32-bit strtoul")
{
    struct Row {
        const char* text;
        unsigned value;
    };
    const Row rows[] = {
        {"0000000255", 255u},
        {"255 0000", 255u},
        {"  \t\n42", 42u},
        {"+7", 7u},
        {"4294967295", 4294967295u},
        {"4294967296", 4294967295u},
        {"9999999999", 4294967295u},
        {"000000000000004294967295", 4294967295u},
        {"99999999999999999999999", 4294967295u},
        {"-1", 4294967295u},
        {"-000000001", 4294967295u},
        {"-4294967295", 1u},
        {"-4294967296", 4294967295u},
        {"-0", 0u},
        {"", 0u},
        {"          ", 0u},
        {"abc", 0u},
        {"-", 0u},
        {"+-5", 0u},
        {"- 5", 0u},
        {"12ab", 12u},
        {"\xB9" "12", 0u},
    };
    for (const Row& row : rows) {
        const unsigned got = ParseUnsigned32(reinterpret_cast<const unsigned char*>(row.text),
                                             static_cast<int>(std::strlen(row.text)) + 1);
        CHECK_EQ(got, row.value);
    }
    // The count bounds the digits read; a NUL ends them too.
    CHECK_EQ(ParseUnsigned32(reinterpret_cast<const unsigned char*>("12345"), 3), 123u);
    CHECK_EQ(ParseUnsigned32(reinterpret_cast<const unsigned char*>("12\0" "45"), 5), 12u);
}

TEST_CASE("card replies")
{
    struct Row {
        std::string reply;
        CardReplyCheck check;
        unsigned card;
        unsigned cipher;
    };
    const Row rows[] = {
        // Cipher bytes 10.11.12.13, most significant first.
        {Prefix + "0000000255 0168496141.", CardReplyCheck::Ok, 255u, 168496141u},
        {Prefix + "9999999999 4294967296.", CardReplyCheck::Ok, 4294967295u, 4294967295u},
        {Prefix + "-000000001 0000000000.", CardReplyCheck::Ok, 4294967295u, 0u},
        // A missing number reads as 0; blanks alone do not make one missing.
        {Prefix + "xxxxxxxxxx 0000000007.", CardReplyCheck::Ok, 0u, 7u},
        {Prefix + "           0000000007.", CardReplyCheck::Ok, 7u, 7u},
        {Prefix + "0000000255 0168496141,", CardReplyCheck::BadEnd, 255u, 168496141u},
        {Prefix + "0000000255 0168496141", CardReplyCheck::BadEnd, 255u, 168496141u},
        {Prefix, CardReplyCheck::BadEnd, 0u, 0u},
        // Numbers run on to the first non-digit, here into the next field.
        {Prefix + "000000025500000000001.", CardReplyCheck::Ok, 4294967295u, 1u},
        // Sentinels 12345/67890 stay: the numbers are not read after a bad prefix.
        {"x" + Prefix + "0000000255 0168496141.", CardReplyCheck::BadPrefix, 12345u, 67890u},
        {"\n\rAT+IDS - OK! >>0000000255 0168496141.", CardReplyCheck::BadPrefix, 12345u, 67890u},
        {"\n\rAT+IDS - OK!", CardReplyCheck::BadPrefix, 12345u, 67890u},
        {"\n\rAT+FOO - UNKNOWN CMD!", CardReplyCheck::BadPrefix, 12345u, 67890u},
        {"", CardReplyCheck::BadPrefix, 12345u, 67890u},
    };
    for (const Row& row : rows) {
        Parsed p = Parse(row.reply);
        CHECK_EQ(static_cast<int>(p.check), static_cast<int>(row.check));
        CHECK_EQ(p.card, row.card);
        CHECK_EQ(p.cipher, row.cipher);
    }
}

TEST_CASE("a full buffer of digits is never read past its end")
{
    std::string reply = Prefix + std::string(64 - Prefix.size(), '9');
    Parsed p = Parse(reply);
    CHECK_EQ(static_cast<int>(p.check), static_cast<int>(CardReplyCheck::BadEnd));
    CHECK_EQ(p.card, 4294967295u);
    CHECK_EQ(p.cipher, 4294967295u);
}

TEST_CASE("result field texts")
{
    CHECK_EQ(Shown(FormatDecimal10, 255u), "0000000255");
    CHECK_EQ(Shown(FormatDecimal10, 4294967295u), "4294967295");
    CHECK_EQ(Shown(FormatHex8, 255u), "000000FF");
    CHECK_EQ(Shown(FormatHex8, 4294967295u), "FFFFFFFF");
    CHECK_EQ(Shown(FormatHex8, 0xABCDEF01u), "ABCDEF01");
    CHECK_EQ(Shown(FormatDottedBytes, 168496141u), "10.11.12.13");
    CHECK_EQ(Shown(FormatDottedBytes, 4294967295u), "255.255.255.255");
    CHECK_EQ(Shown(FormatDottedBytes, 0x80000001u), "128.0.0.1");
    CHECK_EQ(Shown(FormatDottedBytes, 0u), "0.0.0.0");
}

TEST_CASE("window titles name the model and the firmware version")
{
    struct Row {
        char model;
        int version;
        const char* title;
    };
    const Row rows[] = {
        {ModelNone, 0, "Varko-7xxx ver.0.00"},
        {ModelUsb, 110, "Varko-7-USB ver.1.10"},
        {ModelEhm, 110, "Varko-7EHM ver.1.10"},
        {ModelEhu, 100, "Varko-7EHU ver.1.00"},
        {'Z', 110, "Varko-7xxx ver.1.10"},
        {'\0', 999, "Varko-7xxx ver.9.99"},
        {'m', 110, "Varko-7xxx ver.1.10"},
    };
    for (const Row& row : rows) {
        char title[64];
        FormatIdWindowTitle(row.model, row.version, title, sizeof title);
        CHECK_EQ(title, row.title);
    }
}

TEST_MAIN()
