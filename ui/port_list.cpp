// PortCombo in step with the system's serial port map: list, order by port
// number, fall back to one empty entry, select by name.
#include <cstdlib>
#include <cstring>

#include "port_name_format.h"
#include "serial.h"
#include "ui.h"

namespace {

void ResetList(HWND list)
{
    SendMessageA(list, CB_RESETCONTENT, 0, 0);
}

void AddWideEntry(const wchar_t* text, void* list)
{
    // Sent wide so that the system converts to the list's code page.
    SendMessageW(static_cast<HWND>(list), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
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
    DWORD count = 0;
    if (!VisitPortMap(nullptr, nullptr, &count)) return false;
    ResetList(list);
    VisitPortMap(AddWideEntry, list, &count);
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
