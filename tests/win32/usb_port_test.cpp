// Finding the reader's COM port among USB devices presented in the registry
// the way SetupAPI walks them.
#include "common_controls.h"  // before setupapi.h, which brings commctrl.h
#include <setupapi.h>

#include <cstring>
#include <string>
#include <vector>

#include "app.h"
#include "check.h"
#include "port_registry.h"
#include "flows.h"
#include "serial.h"
#include "ui.h"

namespace {

UsbDevice Device(const std::wstring& key, const std::wstring& instance, const std::wstring& id,
                 const std::wstring& portName)
{
    UsbDevice d;
    d.hardwareKey = key;
    d.instance = instance;
    d.hardwareIds = {id};
    d.portName = portName;
    return d;
}

// The instance ids of the USB devices in the order SetupAPI walks them.
std::vector<std::wstring> WalkOrder()
{
    std::vector<std::wstring> ids;
    HDEVINFO set = SetupDiGetClassDevsW(nullptr, L"USB", nullptr, DIGCF_PRESENT | DIGCF_ALLCLASSES);
    if (set == INVALID_HANDLE_VALUE) return ids;
    for (DWORD i = 0;; ++i) {
        SP_DEVINFO_DATA d = {};
        d.cbSize = sizeof d;
        if (!SetupDiEnumDeviceInfo(set, i, &d)) break;
        wchar_t id[256] = {};
        SetupDiGetDeviceInstanceIdW(set, &d, id, 256, nullptr);
        ids.push_back(id);
    }
    SetupDiDestroyDeviceInfoList(set);
    return ids;
}

struct Output {
    char text[8];
    char guard[8];
};

bool Find(Output& out)
{
    return FindUsbPort(out.text, sizeof out.text, "2E3C", "5750", "0200", "2e3c", "5750", "0200");
}

Output Untouched()
{
    Output out;
    std::memcpy(out.text, "PREV", 5);
    std::memset(out.text + 5, '#', 3);
    std::memset(out.guard, '#', sizeof out.guard);
    return out;
}

bool GuardIntact(const Output& out)
{
    for (char c : out.guard)
        if (c != '#') return false;
    return true;
}

}  // namespace

TEST_CASE("one device: the identifier and PortName decide")
{
    const std::wstring reader = L"VID_2E3C&PID_5750&REV_0200";
    struct Row {
        const char* what;
        UsbDevice device;
        bool found;
        const char* output;
    };
    UsbDevice noName = Device(reader, L"SIM0001", L"USB\\VID_2E3C&PID_5750&REV_0200", L"");
    noName.withPortName = false;
    UsbDevice numberName = noName;
    numberName.withPortName = true;
    numberName.portNameType = REG_DWORD;
    const Row rows[] = {
        {"first spelling", Device(reader, L"SIM0001", L"USB\\VID_2E3C&PID_5750&REV_0200", L"COM7"), true, "COM7"},
        {"second spelling", Device(L"Vid_2e3c&Pid_5750&Rev_0200", L"SIM0001", L"USB\\Vid_2e3c&Pid_5750&Rev_0200",
                                   L"COM12"), true, "COM12"},
        {"interface suffix", Device(reader, L"SIM0001", L"USB\\VID_2E3C&PID_5750&REV_0200&MI_00", L"COM3"), true,
         "COM3"},
        {"lower-case name", Device(reader, L"SIM0001", L"USB\\VID_2E3C&PID_5750&REV_0200", L"com4"), true, "com4"},
        {"three-digit port", Device(reader, L"SIM0001", L"USB\\VID_2E3C&PID_5750&REV_0200", L"COM255"), true,
         "COM255"},
        {"seven characters fill the field", Device(reader, L"SIM0001", L"USB\\VID_2E3C&PID_5750&REV_0200", L"COM1234"),
         true, "COM1234"},
        {"mixed spelling", Device(reader, L"SIM0001", L"USB\\VID_2e3c&PID_5750&REV_0200", L"COM7"), false, "PREV"},
        {"other product", Device(L"VID_2E3C&PID_5751&REV_0200", L"SIM0001", L"USB\\VID_2E3C&PID_5751&REV_0200",
                                 L"COM7"), false, "PREV"},
        {"PortName missing", noName, false, "PREV"},
        {"PortName not text", numberName, false, "PREV"},
        {"PortName does not fit", Device(reader, L"SIM0001", L"USB\\VID_2E3C&PID_5750&REV_0200", L"COM12345"), false,
         "PREV"},
        {"PortName over 19 characters", Device(reader, L"SIM0001", L"USB\\VID_2E3C&PID_5750&REV_0200",
                                               L"COM7 and a long tail of text"), false, "PREV"},
        {"not a COM port", Device(reader, L"SIM0001", L"USB\\VID_2E3C&PID_5750&REV_0200", L"LPT1"), false, "PREV"},
        {"COM0", Device(reader, L"SIM0001", L"USB\\VID_2E3C&PID_5750&REV_0200", L"COM0"), false, "PREV"},
    };
    {
        Output out = Untouched();
        CHECK(!Find(out));
        CHECK_EQ(out.text, "PREV");
    }
    for (const Row& row : rows) {
        std::printf("  case: %s\n", row.what);
        PluggedDevices plugged({row.device});
        Output out = Untouched();
        CHECK_EQ(Find(out), row.found);
        CHECK_EQ(out.text, row.output);
        CHECK(GuardIntact(out));
    }
}

TEST_CASE("with several devices the last matching one enumerated wins")
{
    const std::wstring reader = L"VID_2E3C&PID_5750&REV_0200";
    PluggedDevices plugged({
        Device(reader, L"SIM0001", L"USB\\VID_2E3C&PID_5750&REV_0200", L"COM7"),
        Device(reader, L"SIM0002", L"USB\\VID_2E3C&PID_5750&REV_0200", L"COM9"),
        Device(L"VID_0403&PID_6001&REV_0600", L"FTDI0001", L"USB\\VID_0403&PID_6001&REV_0600", L"COM11"),
        Device(reader, L"SIM0003", L"USB\\VID_2E3C&PID_5750&REV_0200", L"COM0"),
    });
    // Whatever order the system walks them in, the answer is the port of the
    // last usable reader in that order.
    std::string expected;
    for (const std::wstring& id : WalkOrder()) {
        if (id.find(L"SIM0001") != std::wstring::npos) expected = "COM7";
        if (id.find(L"SIM0002") != std::wstring::npos) expected = "COM9";
    }
    CHECK(!expected.empty());
    Output out = Untouched();
    CHECK(Find(out));
    CHECK_EQ(std::string(out.text), expected);
    CHECK(GuardIntact(out));
}

TEST_CASE("a device whose hardware key cannot be opened ends the walk")
{
    // Walked first (key order), it hides the reader that follows it.
    UsbDevice bare = Device(L"VID_1111&PID_2222", L"AAA1", L"USB\\VID_1111&PID_2222", L"");
    bare.withParameters = false;
    PluggedDevices plugged({bare, Reader(L"SIM0001", L"COM7")});
    std::vector<std::wstring> order = WalkOrder();
    CHECK(!order.empty() && order[0].find(L"AAA1") != std::wstring::npos);
    Output out = Untouched();
    CHECK(!Find(out));
    CHECK_EQ(out.text, "PREV");
}

TEST_CASE("the reader's lookup writes AppState.portName")
{
    PluggedDevices plugged({Reader(L"SIM0001", L"COM7")});
    std::strcpy(AppState.portName, "COM1");
    CHECK(FindReaderUsbPort());
    CHECK_EQ(AppState.portName, "COM7");
}

TEST_CASE("a name too long for AppState.portName leaves it as it was")
{
    PluggedDevices plugged({Reader(L"SIM0001", L"COM123456")});
    std::strcpy(AppState.portName, "COM1");
    AppState.portIndex = 0x12345678;
    CHECK(!FindReaderUsbPort());
    CHECK_EQ(AppState.portName, "COM1");
    CHECK_EQ(AppState.portIndex, 0x12345678);  // the field after the name is intact
}

TEST_MAIN()
