// kv7's port list on Windows: the system's serial port map ordered as the
// window orders it, each port marked with the USB device it belongs to.
#include <cstdio>
#include <cstring>

#include "hardware_id_format.h"
#include "port_name_format.h"
#include "port_scan.h"
#include "serial.h"

namespace {

struct MapEntries {
    char texts[kMaxListedPorts][kEntryTextChars + 1];
    int count = 0;
};

void CollectEntry(const wchar_t* text, void* context)
{
    auto* entries = static_cast<MapEntries*>(context);
    if (entries->count >= kMaxListedPorts) return;
    NarrowUtf16(reinterpret_cast<const uint16_t*>(text), kEntryTextChars + 1, entries->texts[entries->count],
                sizeof entries->texts[0]);
    ++entries->count;
}

struct UsbMarks {
    ScannedPort* ports;
    int count;
};

// "USB\VID_2E3C&PID_5750&REV_0200" -> "2E3C:5750".
bool UsbIdOf(const char* hardwareId, char* out, size_t size)
{
    const char* vid = std::strstr(hardwareId, "VID_");
    if (!vid) vid = std::strstr(hardwareId, "Vid_");
    const char* pid = std::strstr(hardwareId, "PID_");
    if (!pid) pid = std::strstr(hardwareId, "Pid_");
    if (!vid || !pid) return false;
    std::snprintf(out, size, "%.4s:%.4s", vid + 4, pid + 4);
    for (char* c = out; *c; ++c) {
        if (*c >= 'a' && *c <= 'f') *c = static_cast<char>(*c - 'a' + 'A');
    }
    return true;
}

void MarkUsbPort(const char* portName, const char* hardwareId, void* context)
{
    auto* marks = static_cast<UsbMarks*>(context);
    for (int i = 0; i < marks->count; ++i) {
        if (std::strcmp(marks->ports[i].name, portName) == 0)
            UsbIdOf(hardwareId, marks->ports[i].usbId, sizeof marks->ports[i].usbId);
    }
}

}  // namespace

int ScanSerialPorts(ScannedPort* ports, int capacity)
{
    MapEntries entries;
    if (!VisitPortMap(CollectEntry, &entries, nullptr)) return 0;
    const char* texts[kMaxListedPorts];
    for (int i = 0; i < entries.count; ++i) texts[i] = entries.texts[i];
    int numbers[kMaxListedPorts];
    const int n = OrderPortEntries(texts, entries.count, numbers);
    int stored = 0;
    for (int i = 0; i < n && stored < capacity; ++i) {
        ScannedPort& port = ports[stored];
        port = ScannedPort{};
        if (FormatPortName(numbers[i], port.name, sizeof port.name)) ++stored;
    }
    UsbMarks marks = {ports, stored};
    VisitUsbPorts(MarkUsbPort, &marks);
    return stored;
}

bool FindReaderPort(char* name, size_t size)
{
    const char* const* id = ReaderUsbIdentity;
    return FindUsbPort(name, size, id[0], id[1], id[2], id[3], id[4], id[5]);
}

bool SerialPortPresent(const char* name)
{
    return IsPortPresent(name);
}
