#include "driver.h"

bool SendTimed(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR* result,
               int timeoutMs)
{
    DWORD_PTR ignored = 0;
    return SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG,
                               static_cast<UINT>(timeoutMs), result ? result : &ignored) != 0;
}

bool ReadWindowTextW(HWND window, std::wstring* text)
{
    DWORD_PTR length = 0;
    if (!SendTimed(window, WM_GETTEXTLENGTH, 0, 0, &length)) return false;
    std::vector<wchar_t> buffer(length + 2, L'\0');
    DWORD_PTR copied = 0;
    if (!SendTimed(window, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()),
                   &copied))
        return false;
    text->assign(buffer.data(), copied < buffer.size() ? copied : buffer.size() - 1);
    return true;
}

static bool NarrowWith(UINT codePage, const std::wstring& text, std::string* bytes)
{
    bytes->clear();
    if (text.empty()) return true;
    BOOL usedDefault = FALSE;
    DWORD flags = codePage == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL* used = codePage == CP_UTF8 ? nullptr : &usedDefault;
    int n = WideCharToMultiByte(codePage, flags, text.data(), static_cast<int>(text.size()),
                                nullptr, 0, nullptr, used);
    if (n <= 0) return false;
    bytes->resize(static_cast<size_t>(n));
    WideCharToMultiByte(codePage, flags, text.data(), static_cast<int>(text.size()), bytes->data(),
                        n, nullptr, used);
    return !usedDefault;
}

std::string Narrow(const std::wstring& text)
{
    std::string bytes;
    // The program's own code page first; a text that does not fit it was
    // written under 1251 (or is Wine's own Cyrillic, such as "OK" buttons).
    if (NarrowWith(CP_ACP, text, &bytes)) return bytes;
    if (NarrowWith(1251, text, &bytes)) return bytes;
    NarrowWith(CP_ACP, text, &bytes);
    return bytes;
}

bool ReadWindowText(HWND window, std::string* bytes)
{
    std::wstring text;
    if (!ReadWindowTextW(window, &text)) return false;
    *bytes = Narrow(text);
    return true;
}

std::wstring Decode1251(const std::string& bytes)
{
    std::wstring text;
    if (bytes.empty()) return text;
    int n = MultiByteToWideChar(1251, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    text.resize(static_cast<size_t>(n));
    MultiByteToWideChar(1251, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), n);
    return text;
}

std::string ClassOf(HWND window)
{
    char name[256] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

std::string ArgumentBytes(const std::string& argument)
{
    std::string bytes;
    if (argument.rfind("hex:", 0) == 0 && ParseHexBytes(argument.substr(4), &bytes)) return bytes;
    return argument;
}
