// Devices coming and going: the debounce of the system's notices, the wait
// for an operation under way, the search for a new port or the USB reader,
// and the check of an open port that may have gone.
#include <windows.h>
#include <dbt.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "check.h"
#include "fixture.h"
#include "flows.h"
#include "port_registry.h"
#include "serial.h"
#include "ui.h"

namespace {

void FillPorts(const std::vector<std::string>& entries) { FillList(Ctl(PortCombo), entries, 0); }

void Notice(WPARAM event) { SendMessageA(MainWindow, WM_DEVICECHANGE, event, 0); }

// A search the check started runs to its end (its boxes are only recorded).
bool WaitForSearchEnd()
{
    return PumpUntil([] { return !ProgressRunning() && IsWindowEnabled(MainWindow); }, 10000);
}

HANDLE StandInHandle()
{
    return CreateFileA("port.bin", GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
}

bool HandleIsOpen(HANDLE h)
{
    DWORD flags;
    return GetHandleInformation(h, &flags) != FALSE;
}

}  // namespace

TEST_CASE("a burst of notices leads to one check, two seconds after the first")
{
    SavedPortMap saved;
    CHECK(SetPorts({L"COM1"}));
    OpenTestMainWindow();
    FillPorts({"COM1", "COM3"});

    DWORD start = GetTickCount();
    Notice(DBT_DEVNODES_CHANGED);
    CHECK_EQ(AppState.deviceChangePending, 1);
    PumpMessages(1000);
    Notice(DBT_DEVNODES_CHANGED);
    Notice(DBT_DEVNODES_CHANGED);
    CHECK(PumpUntil([] { return AppState.deviceChangePending == 0; }, 4000));
    DWORD took = GetTickCount() - start;
    std::printf("  check ran %lu ms after the first notice\n", static_cast<unsigned long>(took));
    CHECK(took >= 1900 && took < 2900);
    CHECK_EQ(Joined(ListEntries(Ctl(PortCombo))), "[COM1]");

    // The timer fired once: nothing touches the list afterwards.
    FillPorts({"COM1", "COM3"});
    PumpMessages(2300);
    CHECK_EQ(Joined(ListEntries(Ctl(PortCombo))), "[COM1][COM3]");
    CHECK(!ProgressRunning());
    CHECK(Boxes().empty());
    CloseTestMainWindow();
}

TEST_CASE("other device events start no check")
{
    OpenTestMainWindow();
    FillPorts({"COM1", "COM3"});
    const WPARAM events[] = {DBT_DEVICEARRIVAL, DBT_DEVICEREMOVECOMPLETE, DBT_CONFIGCHANGED, 0};
    for (WPARAM e : events) Notice(e);
    CHECK_EQ(AppState.deviceChangePending, 0);
    PumpMessages(2300);
    CHECK_EQ(Joined(ListEntries(Ctl(PortCombo))), "[COM1][COM3]");
    CloseTestMainWindow();
}

TEST_CASE("the check waits while MainWindow is disabled by another operation")
{
    SavedPortMap saved;
    CHECK(SetPorts({L"COM1"}));
    OpenTestMainWindow();
    FillPorts({"COM1", "COM3"});

    Notice(DBT_DEVNODES_CHANGED);
    EnableWindow(MainWindow, FALSE);
    PumpMessages(2600);
    CHECK_EQ(AppState.deviceChangePending, 1);
    CHECK_EQ(Joined(ListEntries(Ctl(PortCombo))), "[COM1][COM3]");
    // Notices meanwhile add nothing.
    Notice(DBT_DEVNODES_CHANGED);

    EnableWindow(MainWindow, TRUE);
    DWORD start = GetTickCount();
    CHECK(PumpUntil([] { return AppState.deviceChangePending == 0; }, 2000));
    CHECK(GetTickCount() - start < 700);
    CHECK_EQ(Joined(ListEntries(Ctl(PortCombo))), "[COM1]");
    PumpMessages(600);
    CHECK(!ProgressRunning());
    CHECK(Boxes().empty());
    CloseTestMainWindow();
}

TEST_CASE("an exchange under way keeps its port")
{
    OpenTestMainWindow();
    std::strcpy(AppState.portName, "COM9");
    AppState.portHandle = StandInHandle();
    AppState.portOpen = 1;
    EnableWindow(MainWindow, FALSE);
    AppState.deviceChangePending = 1;

    OnHotplugTimer();
    CHECK(HandleIsOpen(AppState.portHandle));
    CHECK_EQ(AppState.portOpen, 1);
    CHECK_EQ(AppState.deviceChangePending, 1);
    CHECK(Boxes().empty());

    KillTimer(MainWindow, TimerHotplug);
    CloseHandle(AppState.portHandle);
    AppState.portOpen = 0;
    CloseTestMainWindow();
}

TEST_CASE("the check waits for a running progress and starts no second one")
{
    SavedPortMap saved;
    CHECK(SetPorts({L"COM1"}));
    OpenTestMainWindow();
    RefreshPortList();

    DWORD start = GetTickCount();
    Notice(DBT_DEVNODES_CHANGED);
    StartProgress(TimerSearch, 30);  // about 3 s
    // Only the progress holds the check back here.
    EnableWindow(MainWindow, TRUE);
    CHECK(SetPorts({L"COM1", L"COM2"}));
    PumpMessages(2600);
    if (ProgressRunning()) {
        CHECK_EQ(AppState.deviceChangePending, 1);
    } else {
        std::printf("  note: the progress ended after %lu ms, before the check was due\n",
                    static_cast<unsigned long>(GetTickCount() - start));
    }
    CHECK(PumpUntil([] { return !ProgressRunning() && AppState.deviceChangePending == 0; }, 10000));
    // The search itself listed COM1 and COM2, so the check found nothing new.
    PumpMessages(300);
    CHECK(!ProgressRunning());
    CHECK_EQ(Joined(ListEntries(Ctl(PortCombo))), "[COM1][COM2]");
    CloseTestMainWindow();
}

TEST_CASE("with no port open a new Ehx port starts a search")
{
    SavedPortMap saved;
    struct Row {
        std::vector<std::wstring> before;
        std::vector<std::wstring> after;
        const char* listAfter;
        bool search;
    };
    const Row rows[] = {
        {{L"COM1", L"COM3"}, {L"COM1", L"COM3", L"COM4"}, "[COM1][COM3][COM4]", true},
        {{}, {L"COM2"}, "[COM2]", true},                     // the first port replaces the placeholder
        {{L"COM1", L"COM3"}, {L"COM1"}, "[COM1]", false},    // a port went away
        {{L"COM1"}, {L"COM2"}, "[COM2]", false},             // same count, first entry was a port
        {{L"COM3"}, {L"COM1"}, "[COM1]", false},
        {{}, {}, "[]", false},
        {{L"COM1"}, {L"COM1"}, "[COM1]", false},
    };
    for (const Row& row : rows) {
        OpenTestMainWindow();
        CHECK(SetPorts(row.before));
        RefreshPortList();
        CHECK(SetPorts(row.after));
        AppState.deviceChangePending = 1;
        OnHotplugTimer();
        CHECK_EQ(AppState.deviceChangePending, 0);
        CHECK_EQ(Joined(ListEntries(Ctl(PortCombo))), row.listAfter);
        CHECK_EQ(ProgressRunning(), row.search);
        CHECK(WaitForSearchEnd());
        CloseTestMainWindow();
    }
}

TEST_CASE("with no port open the USB reader's arrival starts a search")
{
    SavedPortMap saved;
    CHECK(SetPorts({L"COM7"}));
    OpenTestMainWindow(Usb);
    std::strcpy(AppState.portName, "COM2");
    {
        UsbDevice other;
        other.hardwareKey = L"VID_0403&PID_6001&REV_0600";
        other.instance = L"FTDI0001";
        other.hardwareIds = {L"USB\\VID_0403&PID_6001&REV_0600"};
        other.portName = L"COM11";
        PluggedDevices plugged({other});
        OnHotplugTimer();
        CHECK(!ProgressRunning());
        CHECK_EQ(AppState.portName, "COM2");
        CHECK_EQ(Joined(ListEntries(Ctl(PortCombo))), "[COM7]");
    }
    {
        PluggedDevices plugged({Reader(L"SIM0001", L"COM7")});
        OnHotplugTimer();
        CHECK(ProgressRunning());
        CHECK_EQ(AppState.portName, "COM7");
        CHECK(WaitForSearchEnd());
    }
    CloseTestMainWindow();
}

TEST_CASE("an open port that is gone or cannot be reopened drops the link")
{
    SavedPortMap saved;
    struct Row {
        int family;
        int language;
        std::vector<std::wstring> ports;
        const char* text;
    };
    const Row rows[] = {
        {Ehx, En, {L"COM1"}, "The connection is broken.\n\r(COM9 disabled!)"},
        {Ehx, Ru, {}, "Соединение нарушено.\n\r(COM9 отключен!)"},
        {Usb, En, {L"COM1"}, "Connection broken.\n\r(Varko-7-USB disabled!)"},
        {Usb, Ru, {}, "Соединение нарушено.\n\r(Varko-7-USB отключен!)"},
        // Still listed, but no device behind the name any more.
        {Ehx, En, {L"COM9"}, "Error opening [COM9]!"},
        {Usb, Ru, {L"COM1", L"COM9"}, "Ошибка при открытие [COM9]!"},
    };
    for (const Row& row : rows) {
        OpenTestMainWindow(row.family, row.language);
        CHECK(SetPorts(row.ports));
        std::strcpy(AppState.portName, "COM9");
        AppState.portIndex = 1;
        AppState.portHandle = StandInHandle();
        AppState.portOpen = 1;
        HANDLE old = AppState.portHandle;
        EnableWindow(Ctl(PortCombo), FALSE);
        AppState.linkConfirmed = 1;
        AppState.firmwareVersion = 110;
        SetWindowTextA(Ctl(VersionValue), "1.10");
        AppState.deviceChangePending = 1;

        DWORD start = GetTickCount();
        OnHotplugTimer();
        CHECK(GetTickCount() - start >= 950);  // the settling wait

        CHECK_EQ(Boxes().size(), size_t{1});
        if (!Boxes().empty()) {
            const BoxRecord& box = Boxes()[0];
            CHECK_EQ(box.text, row.text);
            CHECK_EQ(box.caption, TextIn(row.language, CapMessage));
            CHECK_EQ(box.icon, static_cast<int>(IconError));
            CHECK_EQ(box.style, UINT{0});
            CHECK(box.owner == MainWindow);
        }
        CHECK(!HandleIsOpen(old));
        CHECK_EQ(AppState.portOpen, 0);
        CHECK_EQ(AppState.deviceChangePending, 0);
        CHECK_EQ(AppState.linkConfirmed, 0);
        CHECK_EQ(AppState.firmwareVersion, 0);
        CHECK_EQ(AppState.portName, "COM9");
        CHECK(IsEnabled(PortCombo));
        CHECK_EQ(WindowText(Ctl(VersionValue)), "x.xx");
        CHECK(!ProgressRunning());  // no search after a disconnection
        CloseTestMainWindow();
    }
}

TEST_CASE("an open port that is still there is reopened silently")
{
    const char* line = std::getenv("KV_TEST_LINE");
    if (!line || !line[0]) {
        std::printf("  SKIPPED: set KV_TEST_LINE=COMn with a pty behind it to run this case\n");
        return;
    }
    SavedPortMap saved;
    std::wstring wide(line, line + std::strlen(line));
    CHECK(SetPorts({wide}));
    OpenTestMainWindow();
    RefreshPortList();
    std::strcpy(AppState.portName, line);
    CHECK(OpenPort(AppState.portName, 19200));
    AppState.portOpen = 1;
    EnableWindow(Ctl(PortCombo), FALSE);
    AppState.linkConfirmed = 1;
    AppState.firmwareVersion = 110;

    OnHotplugTimer();
    CHECK(Boxes().empty());
    CHECK_EQ(AppState.portOpen, 1);
    CHECK(HandleIsOpen(AppState.portHandle));
    CHECK_EQ(AppState.linkConfirmed, 1);
    CHECK_EQ(AppState.firmwareVersion, 110);
    CHECK(!IsEnabled(PortCombo));
    CHECK(WriteCommand("AT+READS_EHX", 12));  // the new handle carries the link

    ResetLink();
    CloseTestMainWindow();
}

TEST_MAIN()
