// kv7's port list on Linux: /dev/ttyS*, /dev/ttyUSB* and /dev/ttyACM*, each
// USB one marked with its device's vendor and product from sysfs. A ttyS
// node without a UART behind it (the kernel makes a fixed number of them)
// is skipped. KV_DEV_ROOT and KV_SYSFS_ROOT move both trees, so a test can
// lay out devices of its own.
#include <dirent.h>
#include <fcntl.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "hardware_id_format.h"
#include "port_scan.h"

namespace {

constexpr const char* kFamilies[] = {"ttyS", "ttyUSB", "ttyACM"};

const char* Root(const char* variable, const char* fallback)
{
    const char* value = std::getenv(variable);
    return value && value[0] ? value : fallback;
}

// The number after `prefix` in `name`, or -1 when the rest is not all digits.
long NumberAfter(const char* name, const char* prefix)
{
    const size_t n = std::strlen(prefix);
    if (std::strncmp(name, prefix, n) != 0 || name[n] == '\0') return -1;
    char* end = nullptr;
    long number = std::strtol(name + n, &end, 10);
    return *end == '\0' && name[n] >= '0' && name[n] <= '9' ? number : -1;
}

bool ReadSmallFile(const char* path, char* text, size_t size)
{
    FILE* f = std::fopen(path, "r");
    if (!f) return false;
    size_t n = std::fread(text, 1, size - 1, f);
    std::fclose(f);
    text[n] = '\0';
    while (n > 0 && (text[n - 1] == '\n' || text[n - 1] == ' ')) text[--n] = '\0';
    return n > 0;
}

// The USB device above a tty in sysfs: its vendor, product and revision.
bool UsbDeviceOf(const char* tty, char* vendor, char* product, char* revision, size_t size)
{
    char link[PATH_MAX];
    std::snprintf(link, sizeof link, "%s/class/tty/%s/device", Root("KV_SYSFS_ROOT", "/sys"), tty);
    char dir[PATH_MAX];
    if (!realpath(link, dir)) return false;
    for (int depth = 0; depth < 8 && std::strlen(dir) > 1; ++depth) {
        char path[PATH_MAX + 16];
        std::snprintf(path, sizeof path, "%s/idVendor", dir);
        if (ReadSmallFile(path, vendor, size)) {
            std::snprintf(path, sizeof path, "%s/idProduct", dir);
            if (!ReadSmallFile(path, product, size)) return false;
            std::snprintf(path, sizeof path, "%s/bcdDevice", dir);
            if (!ReadSmallFile(path, revision, size)) revision[0] = '\0';
            return true;
        }
        char* slash = std::strrchr(dir, '/');
        if (!slash) break;
        *slash = '\0';
    }
    return false;
}

// A ttyS node is real when sysfs shows a device for it and, for the legacy
// platform UARTs, the driver reports a known UART type.
bool HasHardware(const char* tty, const char* path)
{
    char link[PATH_MAX];
    std::snprintf(link, sizeof link, "%s/class/tty/%s/device", Root("KV_SYSFS_ROOT", "/sys"), tty);
    char device[PATH_MAX];
    if (!realpath(link, device)) return false;
    if (std::strstr(device, "/serial8250") == nullptr) return true;
    int fd = open(path, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    serial_struct info = {};
    bool known = ioctl(fd, TIOCGSERIAL, &info) == 0 && info.type != PORT_UNKNOWN;
    close(fd);
    return known;
}

void UpperCase(char* text)
{
    for (; *text; ++text) {
        if (*text >= 'a' && *text <= 'z') *text = static_cast<char>(*text - 'a' + 'A');
    }
}

int ComparePorts(const void* a, const void* b)
{
    const auto* left = static_cast<const ScannedPort*>(a);
    const auto* right = static_cast<const ScannedPort*>(b);
    const char* l = std::strrchr(left->name, '/') + 1;
    const char* r = std::strrchr(right->name, '/') + 1;
    for (int f = 0; f < 3; ++f) {
        long ln = NumberAfter(l, kFamilies[f]);
        long rn = NumberAfter(r, kFamilies[f]);
        if ((ln >= 0) != (rn >= 0)) return ln >= 0 ? -1 : 1;
        if (ln >= 0) return ln < rn ? -1 : ln > rn ? 1 : 0;
    }
    return std::strcmp(l, r);
}

}  // namespace

int ScanSerialPorts(ScannedPort* ports, int capacity)
{
    const char* devRoot = Root("KV_DEV_ROOT", "/dev");
    DIR* dir = opendir(devRoot);
    if (!dir) return 0;
    int count = 0;
    while (dirent* entry = readdir(dir)) {
        if (count >= capacity) break;
        const char* name = entry->d_name;
        int family = -1;
        for (int f = 0; f < 3; ++f) {
            if (NumberAfter(name, kFamilies[f]) >= 0) family = f;
        }
        if (family < 0) continue;
        ScannedPort& port = ports[count];
        port = ScannedPort{};
        if (std::snprintf(port.name, sizeof port.name, "%s/%s", devRoot, name) >= static_cast<int>(sizeof port.name))
            continue;
        if (family == 0 && !HasHardware(name, port.name)) continue;
        char vendor[16], product[16], revision[16];
        if (UsbDeviceOf(name, vendor, product, revision, sizeof vendor)) {
            std::snprintf(port.usbId, sizeof port.usbId, "%.4s:%.4s", vendor, product);
            UpperCase(port.usbId);
        }
        ++count;
    }
    closedir(dir);
    std::qsort(ports, static_cast<size_t>(count), sizeof ports[0], ComparePorts);
    return count;
}

bool FindReaderPort(char* name, size_t size)
{
    static ScannedPort ports[MaxScannedPorts];
    const int count = ScanSerialPorts(ports, MaxScannedPorts);
    for (int i = 0; i < count; ++i) {
        const char* tty = std::strrchr(ports[i].name, '/') + 1;
        char vendor[16], product[16], revision[16];
        if (!UsbDeviceOf(tty, vendor, product, revision, sizeof vendor)) continue;
        UpperCase(vendor);
        UpperCase(product);
        UpperCase(revision);
        if (std::strcmp(vendor, ReaderUsbIdentity[0]) != 0 || std::strcmp(product, ReaderUsbIdentity[1]) != 0 ||
            std::strcmp(revision, ReaderUsbIdentity[2]) != 0)
            continue;
        if (std::strlen(ports[i].name) >= size) continue;
        std::memcpy(name, ports[i].name, std::strlen(ports[i].name) + 1);
        return true;
    }
    return false;
}

bool SerialPortPresent(const char* name)
{
    return name && name[0] && access(name, F_OK) == 0;
}
