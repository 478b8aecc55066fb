// PortCombo in step with the system's serial port map: list, order by port
// number, fall back to one empty entry, select by name, test presence.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "app.h"
#include "hardware_id_format.h"
#include "port_name_format.h"
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

void ResetList(HWND list)
{
    SendMessageA(list, CB_RESETCONTENT, 0, 0);
}

}  // namespace

bool ReadListEntry(HWND list, int index, char* text, size_t size)
{
    if (!text || size == 0) return false;
    text[0] = '\0';
    LRESULT length = SendMessageA(list, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == CB_ERR || length < 0) return false;
    // CB_GETLBTEXT takes no size: read the whole entry, then cut it.
    char* whole = static_cast<char*>(std::calloc(static_cast<size_t>(length) + 1, 1));
    if (!whole) return false;
    bool ok = SendMessageA(list, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(whole)) != CB_ERR;
    if (ok) {
        size_t n = std::strlen(whole);
        if (n >= size) n = size - 1;
        std::memcpy(text, whole, n);
        text[n] = '\0';
    }
    std::free(whole);
    return ok;
}

bool ListComPorts(HWND list)
{
    PortMap map;
    if (!OpenPortMap(map)) return false;

    ResetList(list);
    for (DWORD i = 0; i < map.valueCount; ++i) {
        const wchar_t* text = PortMapText(map, i);
        // Sent wide so that the system converts to the list's code page.
        if (text) SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    }
    DWORD count = map.valueCount;
    ClosePortMap(map);

    if (count == 0) return false;
    SendMessageA(list, CB_SETCURSEL, 0, 0);
    return true;
}

void SortPortList(HWND list)
{
    LRESULT count = SendMessageA(list, CB_GETCOUNT, 0, 0);
    if (count < 1) {
        ResetList(list);
        SendMessageA(list, CB_SETCURSEL, 0, 0);
        return;
    }

    char texts[kMaxListedPorts][kEntryTextChars + 1];
    const char* entries[kMaxListedPorts];
    int read = 0;
    for (int i = 0; i < count && i < kMaxListedPorts; ++i) {
        ReadListEntry(list, i, texts[i], sizeof texts[i]);
        entries[read++] = texts[i];
    }
    int numbers[kMaxListedPorts];
    int n = OrderPortEntries(entries, read, numbers);

    ResetList(list);
    for (int i = 0; i < n; ++i) {
        char name[kPortNameTextSize];
        FormatPortName(numbers[i], name, sizeof name);
        SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
    }
    SendMessageA(list, CB_SETCURSEL, 0, 0);
}

void RefreshPortList()
{
    HWND list = Ctl(PortCombo);
    EnableWindow(list, TRUE);
    if (ListComPorts(list)) {
        SortPortList(list);
        return;
    }
    ResetList(list);
    SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(""));
    SendMessageA(list, CB_SETCURSEL, 0, 0);
}

void SelectPortByName(HWND list, const char* name, int* index)
{
    if (!name) return;
    LRESULT count = SendMessageA(list, CB_GETCOUNT, 0, 0);
    if (count <= 0) return;
    size_t nameLength = std::strlen(name);
    char text[32];
    if (nameLength >= sizeof text) return;  // no entry the program makes is that long
    for (int i = 0; i < count; ++i) {
        // Only an entry of the name's length can equal it.
        if (SendMessageA(list, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0) != static_cast<LRESULT>(nameLength))
            continue;
        if (!ReadListEntry(list, i, text, sizeof text)) continue;
        if (std::strcmp(text, name) == 0) {
            SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
            if (index) *index = i;
            return;
        }
    }
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
