// The port list against the system's serial port map: listing, numeric
// ordering, the empty placeholder, selection by name and the presence test.
#include <string>
#include <vector>

#include "check.h"
#include "fixture.h"
#include "port_registry.h"
#include "serial.h"
#include "ui.h"

namespace {

void CheckEntries(HWND list, const std::vector<std::string>& expected, int line)
{
    std::string g = Joined(ListEntries(list)), e = Joined(expected);
    if (g != e) check::fail(__FILE__, line, "list is " + g + ", expected " + e);
}

int Selected(HWND list) { return static_cast<int>(SendMessageA(list, CB_GETCURSEL, 0, 0)); }

std::vector<std::wstring> Numbered(int from, int to)
{
    std::vector<std::wstring> texts;
    for (int n = from; from <= to ? n <= to : n >= to; n += from <= to ? 1 : -1)
        texts.push_back(L"COM" + std::to_wstring(n));
    return texts;
}

std::vector<std::string> NumberedA(int from, int to)
{
    std::vector<std::string> texts;
    for (int n = from; n <= to; ++n) texts.push_back("COM" + std::to_string(n));
    return texts;
}

}  // namespace

TEST_CASE("refreshing lists the ports in numeric order with the first selected")
{
    SavedPortMap saved;
    OpenTestMainWindow();
    HWND list = Ctl(PortCombo);

    struct Row {
        const char* what;
        std::vector<PortValue> values;
        std::vector<std::string> entries;
    };
    const Row rows[] = {
        {"numeric, not text order", PortTexts({L"COM10", L"COM3", L"COM1"}), {"COM1", "COM3", "COM10"}},
        {"duplicates stay", PortTexts({L"COM3", L"COM1", L"COM3"}), {"COM1", "COM3", "COM3"}},
        {"three-digit ports", PortTexts({L"COM255", L"COM100", L"COM99", L"COM2"}),
         {"COM2", "COM99", "COM100", "COM255"}},
        {"a letter after COM reads as 0", PortTexts({L"COMA", L"COM4"}), {"COM0", "COM4"}},
        {"non-text values skipped", {PortDword(L"\\Device\\Serial00", 3), PortText(L"\\Device\\Serial01", L"COM4")},
         {"COM4"}},
        {"text stored without terminator", {PortTextUnterminated(L"\\Device\\Serial00", L"COM7")}, {"COM7"}},
        {"an entry longer than the list reads",
         PortTexts({L"COM5 with a very long description after the number", L"COM2"}), {"COM2", "COM5"}},
        {"only the first 50 in registry order", PortTexts(Numbered(60, 1)), NumberedA(11, 60)},
        {"empty key: the placeholder", {}, {""}},
    };
    for (const Row& row : rows) {
        std::printf("  case: %s\n", row.what);
        CHECK(SetPortMap(row.values));
        FillList(list, {"STALE"}, 0);
        EnableWindow(list, FALSE);
        RefreshPortList();
        CheckEntries(list, row.entries, __LINE__);
        CHECK_EQ(Selected(list), 0);
        CHECK(IsWindowEnabled(list));
    }

    // No port map at all: one empty entry, selected.
    RemovePortMap();
    FillList(list, {"STALE", "COM9"}, 1);
    EnableWindow(list, FALSE);
    RefreshPortList();
    CheckEntries(list, {""}, __LINE__);
    CHECK_EQ(Selected(list), 0);
    CHECK(IsWindowEnabled(list));

    CHECK(Boxes().empty());
    CloseTestMainWindow();
}

TEST_CASE("listing reports whether the map has values, and keeps registry order")
{
    SavedPortMap saved;
    OpenTestMainWindow();
    HWND list = Ctl(PortCombo);

    // Listing alone keeps the registry's order; ordering is the next step.
    CHECK(SetPorts({L"COM10", L"COM3", L"COM1"}));
    FillList(list, {"STALE"}, -1);
    CHECK(ListComPorts(list));
    CheckEntries(list, {"COM10", "COM3", "COM1"}, __LINE__);
    CHECK_EQ(Selected(list), 0);

    // Values, but none of them text: true with an empty list; ordering keeps it empty.
    CHECK(SetPortMap({PortDword(L"\\Device\\Serial00", 1), PortDword(L"\\Device\\Serial01", 2)}));
    FillList(list, {"STALE"}, 0);
    CHECK(ListComPorts(list));
    CheckEntries(list, {}, __LINE__);
    SortPortList(list);
    CheckEntries(list, {}, __LINE__);
    FillList(list, {"STALE"}, 0);
    RefreshPortList();
    CheckEntries(list, {}, __LINE__);

    // No values: false, the list is emptied.
    CHECK(SetPortMap({}));
    FillList(list, {"STALE"}, 0);
    CHECK(!ListComPorts(list));
    CheckEntries(list, {}, __LINE__);

    // No key: false, the list is left alone.
    RemovePortMap();
    FillList(list, {"KEEP"}, 0);
    CHECK(!ListComPorts(list));
    CheckEntries(list, {"KEEP"}, __LINE__);

    CloseTestMainWindow();
}

TEST_CASE("selecting by name takes the first exact match or changes nothing")
{
    OpenTestMainWindow();
    HWND list = Ctl(PortCombo);

    struct Row {
        const char* name;
        int selected;  // expected selection and index; -1: unchanged
    };
    const Row rows[] = {
        {"COM3", 1},   // the first of two equal entries
        {"COM10", 3},
        {"COM1", 0},   // not a prefix match of COM10
        {"COM4", -1},
        {"com3", -1},  // letter case counts
        {"COM", -1},
        {"COM100", -1},
        {"", -1},
    };
    for (const Row& row : rows) {
        FillList(list, {"COM1", "COM3", "COM3", "COM10"}, 2);
        int index = 7;
        SelectPortByName(list, row.name, &index);
        if (row.selected < 0) {
            CHECK_EQ(index, 7);
            CHECK_EQ(Selected(list), 2);
        } else {
            CHECK_EQ(index, row.selected);
            CHECK_EQ(Selected(list), row.selected);
        }
    }

    FillList(list, {}, -1);
    int index = 5;
    SelectPortByName(list, "COM1", &index);
    CHECK_EQ(index, 5);

    CloseTestMainWindow();
}

TEST_CASE("a port is present only when a text value equals its name exactly")
{
    SavedPortMap saved;
    CHECK(SetPortMap({PortText(L"\\Device\\Serial00", L"COM3"), PortText(L"\\Device\\Serial01", L""),
                      PortDword(L"\\Device\\Serial02", 5), PortText(L"\\Device\\Serial03", L"COM10"),
                      PortTextUnterminated(L"\\Device\\Serial04", L"COM12")}));
    struct Row {
        const char* name;
        bool present;
    };
    const Row rows[] = {
        {"COM3", true},  {"COM10", true}, {"COM12", true}, {"com3", false},  {"Com3", false},
        {"COM1", false}, {"COM31", false}, {"COM5", false}, {"", false},
    };
    for (const Row& row : rows) {
        if (IsPortPresent(row.name) != row.present)
            check::fail(__FILE__, __LINE__, std::string("IsPortPresent(") + row.name + ")");
    }

    RemovePortMap();
    CHECK(!IsPortPresent("COM3"));
}

TEST_MAIN()
