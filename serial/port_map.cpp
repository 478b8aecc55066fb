// The system's serial port map: each value's text names one COM port.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "hardware_id_format.h"
#include "serial.h"

namespace {

const wchar_t kSerialCommKey[] = L"HARDWARE\\DEVICEMAP\\SERIALCOMM\\";

// The open port map with buffers sized by its longest value name and data.
struct PortMap {
    HKEY key = nullptr;
    DWORD valueCount = 0;
    DWORD longestName = 0;   // characters
    DWORD longestData = 0;   // bytes
    wchar_t* name = nullptr;
    BYTE* data = nullptr;
    DWORD dataSize = 0;      // allocated bytes, room for a terminator after any value
};

void ClosePortMap(PortMap& map)
{
    std::free(map.name);
    std::free(map.data);
    map.name = nullptr;
    map.data = nullptr;
    if (map.key) RegCloseKey(map.key);
    map.key = nullptr;
}

bool OpenPortMap(PortMap& map)
{
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSerialCommKey, 0, KEY_READ, &map.key) != ERROR_SUCCESS) {
        map.key = nullptr;
        return false;
    }
    RegQueryInfoKeyW(map.key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &map.valueCount,
                     &map.longestName, &map.longestData, nullptr, nullptr);
    map.dataSize = map.longestData * 2 + 2;
    map.name = static_cast<wchar_t*>(std::calloc(map.longestName + 1, sizeof(wchar_t)));
    map.data = static_cast<BYTE*>(std::calloc(map.dataSize, 1));
    if (!map.name || !map.data) {
        ClosePortMap(map);
        return false;
    }
    return true;
}

// Value `index` as a text, or null when it fails or is not REG_SZ. The
// buffer is cleared first, so data stored without a terminator still ends.
const wchar_t* PortMapText(PortMap& map, DWORD index)
{
    std::memset(map.data, 0, map.dataSize);
    DWORD nameChars = map.longestName + 1;
    DWORD dataBytes = map.longestData;
    DWORD type = 0;
    if (RegEnumValueW(map.key, index, map.name, &nameChars, nullptr, &type, map.data, &dataBytes) != ERROR_SUCCESS)
        return nullptr;
    if (type != REG_SZ) return nullptr;
    return reinterpret_cast<const wchar_t*>(map.data);
}

}  // namespace

bool VisitPortMap(PortMapVisitor visit, void* context, DWORD* valueCount)
{
    if (valueCount) *valueCount = 0;
    PortMap map;
    if (!OpenPortMap(map)) return false;
    for (DWORD i = 0; visit && i < map.valueCount; ++i) {
        const wchar_t* text = PortMapText(map, i);
        if (text) visit(text, context);
    }
    if (valueCount) *valueCount = map.valueCount;
    ClosePortMap(map);
    return true;
}

bool IsPortPresent(const char* name)
{
    if (!name || !name[0]) return false;  // an empty registry text names no port
    PortMap map;
    if (!OpenPortMap(map)) return false;

    static_assert(sizeof(wchar_t) == sizeof(uint16_t), "registry texts are UTF-16");
    size_t narrowSize = map.longestData / 2 + 2;
    char* narrow = static_cast<char*>(std::calloc(narrowSize, 1));
    bool present = false;
    for (DWORD i = 0; narrow && !present && i < map.valueCount; ++i) {
        const wchar_t* text = PortMapText(map, i);
        if (!text) continue;
        NarrowUtf16(reinterpret_cast<const uint16_t*>(text), narrowSize - 1, narrow, narrowSize);
        present = std::strcmp(narrow, name) == 0;
    }
    std::free(narrow);
    ClosePortMap(map);
    return present;
}
