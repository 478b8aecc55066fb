#include "driver.h"

DWORD ProcessOf(HWND window)
{
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    return processId;
}

namespace {
struct TopLevelQuery {
    DWORD processId;
    const char* className;
    std::vector<HWND>* found;
};

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM param)
{
    auto* query = reinterpret_cast<TopLevelQuery*>(param);
    if (query->processId && ProcessOf(window) != query->processId) return TRUE;
    if (query->className && ClassOf(window) != query->className) return TRUE;
    query->found->push_back(window);
    return TRUE;
}
}  // namespace

std::vector<HWND> TopLevelWindows(DWORD processId, const char* className)
{
    std::vector<HWND> found;
    TopLevelQuery query{processId, className, &found};
    EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&query));
    return found;
}

HWND FindMainWindow(int* count)
{
    std::vector<HWND> all = TopLevelWindows(0, "my Window");
    if (count) *count = static_cast<int>(all.size());
    return all.empty() ? nullptr : all.front();
}

std::vector<HWND> DirectChildren(HWND parent)
{
    // GW_CHILD/GW_HWNDNEXT walk the z-order, which for children that are never
    // re-ordered is their creation order.
    std::vector<HWND> children;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    return children;
}

HWND FindProgressWindow(HWND main)
{
    for (HWND window : TopLevelWindows(ProcessOf(main), "msctls_progress32"))
        if (GetWindow(window, GW_OWNER) == main && IsWindowVisible(window)) return window;
    return nullptr;
}

std::vector<HWND> MessageBoxes(DWORD processId)
{
    std::vector<HWND> boxes;
    for (HWND window : TopLevelWindows(processId, "#32770"))
        if (IsWindowVisible(window)) boxes.push_back(window);
    return boxes;
}

HWND FindPopupMenu(DWORD processId)
{
    for (HWND window : TopLevelWindows(processId, "#32768"))
        if (IsWindowVisible(window)) return window;
    return nullptr;
}

RECT RectIn(HWND parent, HWND child)
{
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

POINT ClientOrigin(HWND window)
{
    POINT p{0, 0};
    ClientToScreen(window, &p);
    return p;
}

std::wstring ProcessImagePath(DWORD processId)
{
    std::wstring path;
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (!process) return path;
    wchar_t buffer[MAX_PATH * 2] = {};
    DWORD size = MAX_PATH * 2;
    if (QueryFullProcessImageNameW(process, 0, buffer, &size)) path.assign(buffer, size);
    CloseHandle(process);
    return path;
}

bool MemoryReachable(HWND window)
{
    BOOL wow64 = FALSE;
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, ProcessOf(window));
    if (!process) return false;
    if (!IsWow64Process(process, &wow64)) wow64 = FALSE;
    CloseHandle(process);
    return !wow64;
}

RemoteBuffer::RemoteBuffer(HWND owner, size_t size)
{
    if (!MemoryReachable(owner)) return;
    process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE,
                           ProcessOf(owner));
    if (!process_) return;
    address_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
}

RemoteBuffer::~RemoteBuffer()
{
    if (address_) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    if (process_) CloseHandle(process_);
}

bool RemoteBuffer::Write(const void* data, size_t size, size_t offset)
{
    SIZE_T done = 0;
    return WriteProcessMemory(process_, static_cast<char*>(address_) + offset, data, size, &done) &&
           done == size;
}

bool RemoteBuffer::Read(void* data, size_t size, size_t offset)
{
    SIZE_T done = 0;
    return ReadProcessMemory(process_, static_cast<char*>(address_) + offset, data, size, &done) &&
           done == size;
}

bool TabItemRect(HWND tab, int index, RECT* rect)
{
    RemoteBuffer remote(tab, sizeof(RECT));
    if (!remote.Ok()) return false;
    DWORD_PTR ok = 0;
    if (!SendTimed(tab, TCM_GETITEMRECT, static_cast<WPARAM>(index),
                   reinterpret_cast<LPARAM>(remote.Address()), &ok) || !ok)
        return false;
    return remote.Read(rect, sizeof(RECT));
}

bool TabItemText(HWND tab, int index, std::wstring* text)
{
    // One block in the program: the item record, then room for its text.
    constexpr int kChars = 128;
    RemoteBuffer remote(tab, sizeof(TCITEMW) + kChars * sizeof(wchar_t));
    if (!remote.Ok()) return false;
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = reinterpret_cast<wchar_t*>(static_cast<char*>(remote.Address()) + sizeof(TCITEMW));
    item.cchTextMax = kChars;
    wchar_t zeros[kChars] = {};
    if (!remote.Write(&item, sizeof item) || !remote.Write(zeros, sizeof zeros, sizeof item))
        return false;
    DWORD_PTR ok = 0;
    if (!SendTimed(tab, TCM_GETITEMW, static_cast<WPARAM>(index),
                   reinterpret_cast<LPARAM>(remote.Address()), &ok) || !ok)
        return false;
    // The control may point pszText at its own copy instead of filling ours.
    TCITEMW back{};
    if (!remote.Read(&back, sizeof back)) return false;
    wchar_t buffer[kChars] = {};
    if (back.pszText == item.pszText) {
        if (!remote.Read(buffer, sizeof buffer, sizeof item)) return false;
    } else {
        SIZE_T done = 0;
        HANDLE process = OpenProcess(PROCESS_VM_READ, FALSE, ProcessOf(tab));
        if (!process) return false;
        BOOL read = ReadProcessMemory(process, back.pszText, buffer, sizeof buffer - 2, &done);
        CloseHandle(process);
        if (!read && done == 0) return false;
    }
    buffer[kChars - 1] = L'\0';
    text->assign(buffer);
    return true;
}
