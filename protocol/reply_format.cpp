// Reply classification: a byte scan for the markers " - OK! >> ", " - OK!"
// and " - UNKNOWN CMD!". Replies are judged by their markers, never by length.
#include "reply_format.h"

#include <cstdlib>
#include <cstring>

#include "reader_types.h"

namespace {

constexpr char OkWord[] = "OK!";
constexpr char UnknownWord[] = "UNKNOWN CMD!";
constexpr char DataTail[] = " >> ";
constexpr int ModelLetterOffset = 13;

// Byte k of the reply, or -1 when k lies at or past the received length, so
// that bytes that never arrived match nothing.
int ByteAt(const unsigned char* buffer, int length, int k)
{
    return k >= 0 && k < length ? buffer[k] : -1;
}

// Compares `word` with the reply from `from` on. Returns -1 on a full match,
// else the position of the first byte that differs.
int MismatchAt(const unsigned char* buffer, int length, int from, const char* word)
{
    for (int n = 0; word[n] != '\0'; ++n) {
        if (ByteAt(buffer, length, from + n) != static_cast<unsigned char>(word[n])) return from + n;
    }
    return -1;
}

void TakeReadData(unsigned char* buffer, int length, int payloadStart, char* modelCode,
                  int* firmwareVersion)
{
    // The model letter is the last byte of the command echo; take it before
    // the payload overwrites the front of the buffer.
    *modelCode = static_cast<char>(ModelLetterOffset < length ? buffer[ModelLetterOffset] : 0);
    if (payloadStart < length) {
        std::memmove(buffer, buffer + payloadStart, static_cast<size_t>(length - payloadStart));
    }
    *firmwareVersion = FirmwareVersionOf(buffer);
}

}  // namespace

int FirmwareVersionOf(const unsigned char* text)
{
    // "1.10" -> "110": first digit and the two decimals, skipping the point.
    char digits[4] = {static_cast<char>(text[0]), static_cast<char>(text[2]), static_cast<char>(text[3]), '\0'};
    return std::atoi(digits);
}

ReplyKind ClassifyReplyBytes(unsigned char* buffer, int length, char* modelCode, int* firmwareVersion)
{
    if (length <= 0) return ReplyKind::Unrecognized;
    int i = 0;
    while (i < length) {
        if (ByteAt(buffer, length, i) != ' ' || ByteAt(buffer, length, i + 1) != '-' ||
            ByteAt(buffer, length, i + 2) != ' ') {
            ++i;
            continue;
        }
        const int word = i + 3;
        const int first = ByteAt(buffer, length, word);
        if (first == OkWord[0]) {
            const int bad = MismatchAt(buffer, length, word + 1, OkWord + 1);
            if (bad >= 0) {
                // A separator starting inside the failed word is not looked for.
                i = bad + 1;
                continue;
            }
            if (MismatchAt(buffer, length, word + 3, DataTail) >= 0) return ReplyKind::WriteAck;
            TakeReadData(buffer, length, word + 7, modelCode, firmwareVersion);
            return ReplyKind::ReadData;
        }
        if (first == UnknownWord[0]) {
            const int bad = MismatchAt(buffer, length, word + 1, UnknownWord + 1);
            if (bad < 0) return ReplyKind::UnknownCommand;
            i = bad + 1;
            continue;
        }
        i = word + 1;
    }
    return ReplyKind::Unrecognized;
}

int CheckFirmwareText(const char* text, int family)
{
    const char* const* list = family == Ehx   ? EhxFirmwareVersions
                              : family == Usb ? UsbFirmwareVersions
                                              : nullptr;
    if (list == nullptr) return -1;
    for (int n = 0; n < FirmwareVersionCount; ++n) {
        if (std::strncmp(text, list[n], 4) == 0) return 0;
    }
    return -1;
}
