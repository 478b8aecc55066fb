// Card identifier reply check and the result window texts.
#include "card_id_format.h"

#include <cstdio>
#include <cstring>

#include "reader_core.h"

namespace {

bool IsBlank(unsigned char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

unsigned ParseUnsigned32(const unsigned char* text, int count)
{
    int k = 0;
    while (k < count && IsBlank(text[k])) ++k;
    bool negative = false;
    if (k < count && (text[k] == '+' || text[k] == '-')) {
        negative = text[k] == '-';
        ++k;
    }
    // Accumulate in 64 bits and saturate: the host's unsigned long is wider
    // than the reader's 32-bit numbers, so its strtoul cannot be used.
    unsigned long long value = 0;
    bool overflow = false;
    while (k < count && text[k] >= '0' && text[k] <= '9') {
        if (!overflow) {
            value = value * 10 + static_cast<unsigned>(text[k] - '0');
            if (value > 0xFFFFFFFFull) overflow = true;
        }
        ++k;
    }
    if (overflow) return 0xFFFFFFFFu;
    const unsigned result = static_cast<unsigned>(value);
    return negative ? 0u - result : result;
}

CardReplyCheck ParseCardReply(const unsigned char* buffer, int size, unsigned* cardNumber,
                              unsigned* cipherId)
{
    if (size <= CardReplyEndOffset) return CardReplyCheck::BadPrefix;
    // The prefix holds no NUL, so a reply cut short fails here as well.
    if (std::memcmp(buffer, CardReplyPrefix, CardReplyPrefixLength) != 0) return CardReplyCheck::BadPrefix;
    *cardNumber = ParseUnsigned32(buffer + CardNumberOffset, size - CardNumberOffset);
    *cipherId = ParseUnsigned32(buffer + CipherIdOffset, size - CipherIdOffset);
    return buffer[CardReplyEndOffset] == '.' ? CardReplyCheck::Ok : CardReplyCheck::BadEnd;
}

void FormatDecimal10(unsigned value, char* out, size_t size)
{
    std::snprintf(out, size, "%010u", value);
}

void FormatHex8(unsigned value, char* out, size_t size)
{
    std::snprintf(out, size, "%08X", value);
}

void FormatDottedBytes(unsigned value, char* out, size_t size)
{
    std::snprintf(out, size, "%d.%d.%d.%d", static_cast<int>((value >> 24) & 0xFF),
                  static_cast<int>((value >> 16) & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                  static_cast<int>(value & 0xFF));
}

void FormatIdWindowTitle(char modelCode, int firmwareVersion, char* out, size_t size)
{
    std::snprintf(out, size, "%s ver.%.2f", ModelName(modelCode), firmwareVersion / 100.0);
}
