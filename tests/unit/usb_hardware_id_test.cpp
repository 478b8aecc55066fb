// The reader's hardware identifier: both accepted spellings, the 30-character
// comparison, and narrowing the system's UTF-16 texts.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "check.h"
#include "hardware_id_format.h"

namespace {

struct Patterns {
    char first[kPatternSize];
    char second[kPatternSize];
};

Patterns ReaderPatterns()
{
    Patterns p;
    BuildHardwareIdPatterns(p.first, p.second, "2E3C", "5750", "0200", "2e3c", "5750", "0200");
    return p;
}

std::vector<uint16_t> Wide(const std::u16string& text)
{
    return std::vector<uint16_t>(text.begin(), text.end());
}

}  // namespace

TEST_CASE("the reader's two patterns")
{
    Patterns p = ReaderPatterns();
    CHECK_EQ(p.first, "USB\\VID_2E3C&PID_5750&REV_0200");
    CHECK_EQ(p.second, "USB\\Vid_2e3c&Pid_5750&Rev_0200");
    CHECK_EQ(std::strlen(p.first), kComparedChars);
    CHECK_EQ(std::strlen(p.second), kComparedChars);
}

TEST_CASE("long identity texts are cut to the pattern buffers")
{
    std::string longText(200, 'A');
    char buffers[3][kPatternSize];
    std::memset(buffers, '#', sizeof buffers);
    BuildHardwareIdPatterns(buffers[0], buffers[1], longText.c_str(), "1", "2", "3", "4", longText.c_str());
    CHECK_EQ(std::strlen(buffers[0]), kPatternSize - 1);
    CHECK_EQ(std::strlen(buffers[1]), kPatternSize - 1);
    CHECK(buffers[2][0] == '#');
}

TEST_CASE("identifiers match only in the two spellings, over 30 characters")
{
    struct Row {
        const char* id;
        bool matches;
    };
    const Row rows[] = {
        {"USB\\VID_2E3C&PID_5750&REV_0200", true},
        {"USB\\Vid_2e3c&Pid_5750&Rev_0200", true},
        // A composite device's interface suffix after the 30 characters.
        {"USB\\VID_2E3C&PID_5750&REV_0200&MI_00", true},
        {"USB\\Vid_2e3c&Pid_5750&Rev_0200&Mi_01", true},
        {"USB\\VID_2E3C&PID_5750&REV_0200X", true},
        // Every other mix of letter case is refused.
        {"USB\\VID_2e3c&PID_5750&REV_0200", false},
        {"USB\\Vid_2E3C&Pid_5750&Rev_0200", false},
        {"usb\\vid_2e3c&pid_5750&rev_0200", false},
        {"USB\\vid_2e3c&pid_5750&rev_0200", false},
        {"USB\\VID_2E3C&Pid_5750&Rev_0200", false},
        {"USB\\Vid_2e3c&Pid_5750&REV_0200", false},
        {"usb\\VID_2E3C&PID_5750&REV_0200", false},
        // Other devices and shortened identifiers.
        {"USB\\VID_2E3C&PID_5751&REV_0200", false},
        {"USB\\VID_2E3C&PID_5750&REV_0201", false},
        {"USB\\VID_2E3C&PID_5750&REV_020", false},
        {"USB\\VID_2E3C&PID_5750", false},
        {"USB\\VID_0403&PID_6001&REV_0600", false},
        {"", false},
    };
    Patterns p = ReaderPatterns();
    for (const Row& row : rows) {
        if (HardwareIdMatches(row.id, p.first, p.second) != row.matches)
            check::fail(__FILE__, __LINE__, std::string("match(") + row.id + ")");
    }
}

TEST_CASE("UTF-16 texts narrow to their low bytes up to the first zero")
{
    struct Row {
        std::u16string wide;
        size_t outSize;
        const char* narrow;
    };
    const Row rows[] = {
        {u"COM7", 16, "COM7"},
        // Only the first text of a list of texts.
        {std::u16string(u"USB\\VID_2E3C\0USB\\Class_02", 25), 64, "USB\\VID_2E3C"},
        // High bytes are dropped; a unit whose low byte is zero ends the text.
        {u"\u0443AB", 16, "CAB"},
        {u"AB\u0100CD", 16, "AB"},
        // Cut to the output, terminated inside it.
        {u"COM12345", 5, "COM1"},
        {u"", 4, ""},
    };
    for (const Row& row : rows) {
        std::vector<uint16_t> wide = Wide(row.wide);
        wide.push_back(0);
        char out[64];
        std::memset(out, '#', sizeof out);
        size_t n = NarrowUtf16(wide.data(), wide.size(), out, row.outSize);
        CHECK_EQ(out, row.narrow);
        CHECK_EQ(n, std::strlen(row.narrow));
        if (row.outSize < sizeof out) CHECK(out[row.outSize] == '#');
    }
}

TEST_CASE("narrowing stops at the end of the input even without a terminator")
{
    const uint16_t wide[4] = {'C', 'O', 'M', '9'};
    char out[16];
    std::memset(out, '#', sizeof out);
    CHECK_EQ(NarrowUtf16(wide, 4, out, sizeof out), size_t{4});
    CHECK_EQ(out, "COM9");
    CHECK_EQ(NarrowUtf16(wide, 0, out, sizeof out), size_t{0});
    CHECK_EQ(out, "");
}

TEST_MAIN()
