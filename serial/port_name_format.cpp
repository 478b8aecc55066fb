#include "port_name_format.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// atoi over [p, end) without its undefined overflow.
int ReadDecimal(const char* p, const char* end)
{
    while (p < end && IsBlank(*p)) ++p;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    long long value = 0;
    const long long limit = static_cast<long long>(INT_MAX) + 1;
    while (p < end && *p >= '0' && *p <= '9') {
        value = value * 10 + (*p - '0');
        if (value > limit) value = limit;
        ++p;
    }
    if (negative) return static_cast<int>(-value);
    return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

int PortNumberOfEntry(const char* entry)
{
    if (!entry) return 0;
    size_t length = strnlen(entry, kEntryTextChars);
    if (length <= 3) return 0;
    return ReadDecimal(entry + 3, entry + length);
}

int OrderPortEntries(const char* const* entries, int count, int* numbers)
{
    int n = 0;
    for (int i = 0; i < count && i < kMaxListedPorts; ++i) numbers[n++] = PortNumberOfEntry(entries[i]);
    // Compare, never subtract: numbers near the int limits would overflow.
    std::sort(numbers, numbers + n);
    return n;
}

bool FormatPortName(int number, char* out, size_t outSize)
{
    if (!out || outSize == 0) return false;
    int written = std::snprintf(out, outSize, "COM%d", number);
    if (written < 0 || static_cast<size_t>(written) >= outSize) {
        out[0] = '\0';
        return false;
    }
    return true;
}

bool IsUsablePortName(const char* name, size_t outputSize)
{
    if (!name) return false;
    size_t length = std::strlen(name);
    if (length < 3 || length + 1 > outputSize) return false;
    if (LowerAscii(name[0]) != 'c' || LowerAscii(name[1]) != 'o' || LowerAscii(name[2]) != 'm') return false;
    return ReadDecimal(name + 3, name + length) != 0;
}
