// The card identifier reply and the texts of the result window. Platform-free.
#pragma once

#include <cstddef>

// The reply begins with this prefix, then the card number at offset 18, a
// separator, the cipher identifier at offset 29 and a '.' at offset 39.
constexpr char CardReplyPrefix[] = "\n\rAT+IDS - OK! >> ";
constexpr int CardReplyPrefixLength = 18;
constexpr int CardNumberOffset = 18;
constexpr int CipherIdOffset = 29;
constexpr int CardReplyEndOffset = 39;

enum class CardReplyCheck : int { BadPrefix, BadEnd, Ok };

// Judges a card reply in `buffer` (`size` bytes, zero-filled before the
// read; at least 40). On BadPrefix the numbers are not touched; otherwise
// both are converted, also when the end mark is missing.
CardReplyCheck ParseCardReply(const unsigned char* buffer, int size, unsigned* cardNumber,
                              unsigned* cipherId);

// Unsigned decimal conversion as a 32-bit strtoul does it, reading at most
// `count` bytes and stopping at a NUL: leading white space, an optional
// sign, digits. Too large gives 4294967295; '-' negates modulo 2^32; no
// digits gives 0.
unsigned ParseUnsigned32(const unsigned char* text, int count);

// Texts of the four result fields; each buffer takes at least 16 bytes.
void FormatDecimal10(unsigned value, char* out, size_t size);     // "%010u"
void FormatHex8(unsigned value, char* out, size_t size);          // "%08X"
void FormatDottedBytes(unsigned value, char* out, size_t size);   // most significant byte first

// "<model name> ver.<version / 100 with two decimals>".
void FormatIdWindowTitle(char modelCode, int firmwareVersion, char* out, size_t size);
