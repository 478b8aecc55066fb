#include "hardware_id_format.h"

#include <cstdio>
#include <cstring>

void BuildHardwareIdPatterns(char* first, char* second,
                             const char* vendor1, const char* product1, const char* revision1,
                             const char* vendor2, const char* product2, const char* revision2)
{
    std::snprintf(first, kPatternSize, "USB\\VID_%s&PID_%s&REV_%s", vendor1, product1, revision1);
    std::snprintf(second, kPatternSize, "USB\\Vid_%s&Pid_%s&Rev_%s", vendor2, product2, revision2);
}

bool HardwareIdMatches(const char* id, const char* first, const char* second)
{
    if (!id) return false;
    return std::strncmp(first, id, kComparedChars) == 0 || std::strncmp(second, id, kComparedChars) == 0;
}

size_t NarrowUtf16(const uint16_t* wide, size_t wideCount, char* out, size_t outSize)
{
    if (!out || outSize == 0) return 0;
    size_t n = 0;
    while (n < wideCount && n + 1 < outSize) {
        char c = static_cast<char>(wide[n] & 0xFF);
        if (c == '\0') break;
        out[n++] = c;
    }
    out[n] = '\0';
    return n;
}
