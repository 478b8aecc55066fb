// Reader search and manual connect, on ports that cannot be opened: the
// messages, what is remembered of the chosen port, and the state afterwards.
#include <cstring>
#include <string>
#include <vector>

#include "check.h"
#include "fixture.h"
#include "flows.h"

namespace {

void FillCombo(HWND combo, const std::vector<const char*>& entries, int selected)
{
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    for (const char* entry : entries) SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry));
    SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
}

}  // namespace

TEST_CASE("choosing the empty entry only says there are no ports")
{
    OpenTestMainWindow(Ehx);
    FillCombo(Ctl(PortCombo), {""}, 0);
    std::strcpy(AppState.portName, "COM3");
    AppState.portIndex = 4;
    OnPortComboSelection();
    CHECK_EQ(Boxes().size(), 1u);
    if (!Boxes().empty()) {
        CHECK_EQ(Boxes()[0].text, Text(MsgNoComPorts));
        CHECK_EQ(Boxes()[0].icon, IconWarning);
    }
    CHECK_EQ(AppState.portName, "COM3");
    CHECK_EQ(AppState.portIndex, 4);
    CHECK_EQ(AppState.linkConfirmed, 0);
    CHECK_EQ(AppState.portOpen, 0);
    CloseTestMainWindow();
}

TEST_CASE("a chosen port that cannot be opened is named in the message and still confirms the link")
{
    struct Row {
        int language;
        const char* port;
        const char* stored;
    };
    const Row rows[] = {
        {En, "COM201", "COM201"},
        {En, "COM255", "COM255"},
        {Ru, "COM250", "COM250"},
        // Names that do not fit the record are cut, never overrun.
        {En, "COM12345678", "COM1234"},
    };
    for (const Row& row : rows) {
        OpenTestMainWindow(Ehx, row.language);
        FillCombo(Ctl(PortCombo), {"COM200", row.port}, 1);
        OnPortComboSelection();
        const std::string want = std::string(Text(MsgErrorOpening)) + " [" + row.stored + "]!";
        CHECK_EQ(Boxes().size(), 1u);
        if (!Boxes().empty()) {
            CHECK_EQ(Boxes()[0].text, want);
            CHECK_EQ(Boxes()[0].caption, Text(CapMessage));
            CHECK_EQ(Boxes()[0].icon, IconError);
        }
        CHECK_EQ(AppState.portName, row.stored);
        CHECK_EQ(AppState.portIndex, 1);
        CHECK_EQ(AppState.portOpen, 0);
        CHECK_EQ(AppState.linkConfirmed, 1);
        CHECK(IsEnabled(PortCombo));
        CloseTestMainWindow();
    }
}

TEST_CASE("an EHU/EHM scan with no port that opens reports not found")
{
    OpenTestMainWindow(Ehx);
    HWND list = Ctl(PortCombo);
    FillCombo(list, {"COM201", "COM202", "COM203"}, 0);
    ScanEhxPorts(list);
    CHECK_EQ(Boxes().size(), 2u);
    if (Boxes().size() == 2) {
        CHECK_EQ(Boxes()[0].text, Text(MsgEhxNotFound));
        CHECK_EQ(Boxes()[0].icon, IconError);
        CHECK_EQ(Boxes()[1].text, Text(MsgSelectPortHint));
        CHECK_EQ(Boxes()[1].icon, IconHint);
    }
    CHECK_EQ(AppState.portName, "COM203");  // the last port tried
    CHECK_EQ(AppState.portIndex, 2);
    CHECK_EQ(AppState.portOpen, 0);
    CHECK_EQ(AppState.searching, 0);
    CHECK(IsWindowEnabled(MainWindow));
    CHECK(IsEnabled(PortCombo));
    CloseTestMainWindow();

    // An empty list is not probed at all.
    OpenTestMainWindow(Ehx);
    FillCombo(Ctl(PortCombo), {}, -1);
    std::strcpy(AppState.portName, "COM9");
    ScanEhxPorts(Ctl(PortCombo));
    CHECK_EQ(Boxes().size(), 2u);
    CHECK_EQ(AppState.portName, "COM9");
    CloseTestMainWindow();
}

TEST_CASE("at most fifty ports are probed")
{
    OpenTestMainWindow(Ehx);
    HWND list = Ctl(PortCombo);
    SendMessageA(list, CB_RESETCONTENT, 0, 0);
    for (int n = 0; n < 60; ++n) {
        char name[8];
        wsprintfA(name, "COM%d", 100 + n);
        SendMessageA(list, CB_INSERTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(name));
    }
    ScanEhxPorts(list);
    CHECK_EQ(AppState.portName, "COM149");
    CHECK_EQ(AppState.portIndex, 49);
    CloseTestMainWindow();
}

TEST_MAIN()
