// Port numbers read from list entries, their ordering, "COM<n>" names and the
// PortName test of the USB lookup.
#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "check.h"
#include "port_name_format.h"

TEST_CASE("entry number is read after the first three characters like atoi")
{
    struct Row {
        const char* entry;
        int number;
    };
    const Row rows[] = {
        {"COM1", 1},
        {"COM10", 10},
        {"COM255", 255},
        {"COM100", 100},
        {"com7", 7},
        {"XYZ42", 42},          // the first three characters are not looked at
        {"COMX", 0},            // a letter where the number should start
        {"COMA5", 0},
        {"COM", 0},
        {"CO", 0},
        {"", 0},
        {"COM 12", 12},         // leading blanks
        {"COM\t3", 3},
        {"COM+4", 4},
        {"COM-3", -3},
        {"COM12ab", 12},        // stops at the first non-digit
        {"COM007", 7},
        {"COM--1", 0},
        {"COM2147483647", INT_MAX},
        {"COM99999999999", INT_MAX},      // clamped, not wrapped
        {"COM-99999999999", INT_MIN},
        // Only 19 characters count: the digits after them are not read.
        {"COM1234567890123456789", INT_MAX},
        {"COM                12", 0},
        {"COM               12", 1},
    };
    for (const Row& row : rows) CHECK_EQ(PortNumberOfEntry(row.entry), row.number);
}

namespace {

std::vector<int> Order(const std::vector<std::string>& texts)
{
    std::vector<const char*> entries;
    for (const std::string& t : texts) entries.push_back(t.c_str());
    int numbers[kMaxListedPorts + 1];
    numbers[kMaxListedPorts] = 0x5A5A5A5A;  // must stay untouched
    int n = OrderPortEntries(entries.data(), static_cast<int>(entries.size()), numbers);
    CHECK_EQ(numbers[kMaxListedPorts], 0x5A5A5A5A);
    return std::vector<int>(numbers, numbers + n);
}

}  // namespace

TEST_CASE("ordering sorts by number, keeps duplicates, keeps three-digit ports")
{
    struct Row {
        std::vector<std::string> entries;
        std::vector<int> sorted;
    };
    const Row rows[] = {
        {{"COM10", "COM3", "COM1"}, {1, 3, 10}},
        {{"COM3", "COM3", "COM1"}, {1, 3, 3}},
        {{"COM255", "COM100", "COM99", "COM2"}, {2, 99, 100, 255}},
        {{"COMX", "COM5"}, {0, 5}},
        {{"COM5", "COM-2"}, {-2, 5}},
        // A plain difference of these two would overflow and misorder them.
        {{"COM2147483647", "COM-2147483647", "COM1"}, {-2147483647, 1, 2147483647}},
        {{}, {}},
    };
    for (const Row& row : rows) {
        std::vector<int> got = Order(row.entries);
        CHECK_EQ(got.size(), row.sorted.size());
        for (size_t i = 0; i < got.size() && i < row.sorted.size(); ++i) CHECK_EQ(got[i], row.sorted[i]);
    }
}

TEST_CASE("ordering reads only the first 50 entries")
{
    // 60 entries in registry order COM60, COM59, ..., COM1: the first 50 are
    // COM60 down to COM11.
    std::vector<std::string> texts;
    for (int n = 60; n >= 1; --n) texts.push_back("COM" + std::to_string(n));
    std::vector<int> got = Order(texts);
    CHECK_EQ(got.size(), size_t{50});
    if (got.size() == 50) {
        CHECK_EQ(got.front(), 11);
        CHECK_EQ(got.back(), 60);
    }
}

TEST_CASE("ordering keeps every port from COM100 to COM255")
{
    std::vector<std::string> texts;
    for (int n = 255; n >= 206; --n) texts.push_back("COM" + std::to_string(n));
    std::vector<int> got = Order(texts);
    CHECK_EQ(got.size(), size_t{50});
    for (size_t i = 0; i < got.size(); ++i) CHECK_EQ(got[i], 206 + static_cast<int>(i));

    texts.clear();
    for (int n = 100; n < 150; ++n) texts.push_back("COM" + std::to_string(n));
    got = Order(texts);
    for (size_t i = 0; i < got.size(); ++i) CHECK_EQ(got[i], 100 + static_cast<int>(i));
}

TEST_CASE("port names are rebuilt from their numbers")
{
    struct Row {
        int number;
        size_t size;
        bool fits;
        const char* name;
    };
    const Row rows[] = {
        {1, 16, true, "COM1"},
        {10, 16, true, "COM10"},
        {255, 16, true, "COM255"},
        {0, 16, true, "COM0"},
        {-3, 16, true, "COM-3"},
        {INT_MIN, kPortNameTextSize, true, "COM-2147483648"},
        {255, 7, true, "COM255"},
        {255, 6, false, ""},
        {1, 4, false, ""},
    };
    for (const Row& row : rows) {
        char out[32];
        std::memset(out, '#', sizeof out);
        CHECK_EQ(FormatPortName(row.number, out, row.size), row.fits);
        CHECK_EQ(out, row.name);
        CHECK(out[row.size] == '#');  // nothing written past the given size
    }
}

TEST_CASE("a device's PortName is usable only as COM, non-zero, fitting the output")
{
    struct Row {
        const char* name;
        size_t outputSize;
        bool usable;
    };
    const Row rows[] = {
        {"COM7", 8, true},
        {"com7", 8, true},
        {"CoM12", 8, true},
        {"COM255", 8, true},
        {"COM1234", 8, true},       // 7 characters fill the field exactly
        {"COM12345", 8, false},     // one more no longer fits
        {"COM255", 6, false},
        {"COM0", 8, false},
        {"COM00", 8, false},
        {"COM", 8, false},
        {"COMX", 8, false},
        {"LPT1", 8, false},
        {"CON1", 8, false},
        {"CM1", 8, false},
        {"", 8, false},
        {"COM7", 0, false},
    };
    for (const Row& row : rows) {
        if (IsUsablePortName(row.name, row.outputSize) != row.usable)
            check::fail(__FILE__, __LINE__, std::string("usable(") + row.name + ")");
    }
}

TEST_MAIN()
