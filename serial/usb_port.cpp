// The Varko-7-USB reader's COM port, found by its USB hardware identifier
// without opening any port.
#include <cstdint>
#include <cstring>

#include "serial.h"
#include <setupapi.h>

#include "hardware_id_format.h"
#include "port_name_format.h"

namespace {

static_assert(sizeof(WCHAR) == sizeof(uint16_t), "the system's texts are UTF-16");

// The PortName value is read into 40 bytes; one more unit keeps a value
// stored without its terminator from running on.
constexpr DWORD kPortNameBytes = 40;

// The PortName of a device's hardware key as 8-bit text, when it is REG_SZ.
bool ReadPortName(HKEY key, char* name, size_t size)
{
    WCHAR wide[kPortNameBytes / sizeof(WCHAR) + 1] = {};
    DWORD type = 0;
    DWORD bytes = kPortNameBytes;
    if (RegQueryValueExW(key, L"PortName", nullptr, &type, reinterpret_cast<BYTE*>(wide), &bytes) != ERROR_SUCCESS)
        return false;
    if (type != REG_SZ) return false;
    NarrowUtf16(reinterpret_cast<const uint16_t*>(wide), sizeof wide / sizeof wide[0], name, size);
    return true;
}

// Walks the present USB devices: `visit` gets each one's PortName (when it
// is a text) and its first hardware identifier. A device without a hardware
// key ends the walk when `stopAtKeyless`, as the reader lookup has it.
void WalkUsbDevices(bool stopAtKeyless, UsbPortVisitor visit, void* context)
{
    HDEVINFO devices = SetupDiGetClassDevsW(nullptr, L"USB", nullptr, DIGCF_PRESENT | DIGCF_ALLCLASSES);
    if (devices == INVALID_HANDLE_VALUE) return;

    for (DWORD index = 0;; ++index) {
        SP_DEVINFO_DATA device = {};
        device.cbSize = sizeof device;
        if (!SetupDiEnumDeviceInfo(devices, index, &device)) break;

        WCHAR hardwareId[1024 / sizeof(WCHAR)] = {};
        DWORD type = 0;
        DWORD required = 0;
        if (!SetupDiGetDeviceRegistryPropertyW(devices, &device, SPDRP_HARDWAREID, &type,
                                               reinterpret_cast<BYTE*>(hardwareId), sizeof hardwareId, &required))
            continue;

        HKEY key = SetupDiOpenDevRegKey(devices, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
        if (key == INVALID_HANDLE_VALUE) {
            if (stopAtKeyless) break;
            continue;
        }
        char portName[kPortNameBytes / sizeof(WCHAR) + 1];
        if (ReadPortName(key, portName, sizeof portName)) {
            // Only the first text of the identifier list takes part.
            char id[sizeof hardwareId / sizeof(WCHAR) + 1];
            NarrowUtf16(reinterpret_cast<const uint16_t*>(hardwareId), sizeof hardwareId / sizeof(WCHAR), id, sizeof id);
            visit(portName, id, context);
        }
        RegCloseKey(key);
    }
    SetupDiDestroyDeviceInfoList(devices);
}

struct ReaderSearch {
    char first[kPatternSize];
    char second[kPatternSize];
    char* output;
    size_t outputSize;
    bool found;
};

void MatchReader(const char* portName, const char* hardwareId, void* context)
{
    auto* search = static_cast<ReaderSearch*>(context);
    // A name that does not fit the output is as unusable as a missing one.
    if (!IsUsablePortName(portName, search->outputSize)) return;
    if (!HardwareIdMatches(hardwareId, search->first, search->second)) return;
    // Later matches overwrite earlier ones: the last device wins.
    std::memcpy(search->output, portName, std::strlen(portName) + 1);
    search->found = true;
}

}  // namespace

bool FindUsbPort(char* output, size_t outputSize,
                 const char* vendor1, const char* product1, const char* revision1,
                 const char* vendor2, const char* product2, const char* revision2)
{
    ReaderSearch search = {};
    search.output = output;
    search.outputSize = outputSize;
    BuildHardwareIdPatterns(search.first, search.second, vendor1, product1, revision1, vendor2, product2, revision2);
    WalkUsbDevices(true, MatchReader, &search);
    return search.found;
}

void VisitUsbPorts(UsbPortVisitor visit, void* context)
{
    WalkUsbDevices(false, visit, context);
}
