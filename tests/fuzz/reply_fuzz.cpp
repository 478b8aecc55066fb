// libFuzzer target over everything that reads bytes from the reader: the
// settings reply scan, the card reply check and the settings record match.
// Every buffer is exactly as long as the input so that the sanitizer sees any
// byte read past it.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "card_id_format.h"
#include "reply_format.h"
#include "settings_format.h"

namespace {

void Require(bool condition)
{
    if (!condition) std::abort();
}

std::unique_ptr<unsigned char[]> Copy(const uint8_t* data, size_t size, size_t capacity)
{
    std::unique_ptr<unsigned char[]> buffer(new unsigned char[capacity > 0 ? capacity : 1]());
    std::memcpy(buffer.get(), data, size < capacity ? size : capacity);
    return buffer;
}

void FuzzClassify(const uint8_t* data, size_t size)
{
    const int length = static_cast<int>(size < ReplyBufferSize ? size : ReplyBufferSize);
    auto buffer = Copy(data, size, static_cast<size_t>(length));
    char model = '?';
    int version = -1000;
    const ReplyKind kind = ClassifyReplyBytes(buffer.get(), length, &model, &version);
    if (kind == ReplyKind::ReadData) {
        Require(version > -100 && version < 1000);  // at most three characters
        Require(length >= 10);
    } else {
        Require(model == '?' && version == -1000);
        Require(std::memcmp(buffer.get(), data, static_cast<size_t>(length)) == 0);
    }
}

void FuzzCardReply(const uint8_t* data, size_t size)
{
    auto buffer = Copy(data, size, ReplyBufferSize);
    unsigned card = 1, cipher = 2;
    const CardReplyCheck check = ParseCardReply(buffer.get(), ReplyBufferSize, &card, &cipher);
    const bool prefixOk = std::memcmp(buffer.get(), CardReplyPrefix, CardReplyPrefixLength) == 0;
    Require(prefixOk == (check != CardReplyCheck::BadPrefix));
    if (!prefixOk) Require(card == 1 && cipher == 2);
    auto raw = Copy(data, size, size);
    ParseUnsigned32(raw.get(), static_cast<int>(size));
}

// A record read back into commands must give the same letters.
void FuzzSettings(const uint8_t* data, size_t size)
{
    auto record = Copy(data, size, ReplyBufferSize);
    for (int family : {0, 1}) {
        const SettingsLayout& layout = *SettingsLayoutFor(family);
        int matched[8] = {};
        MatchSettingsRecord(layout, record.get(), matched);
        bool checked[RadioIdLimit] = {};
        for (int f = 0; f < layout.fieldCount; ++f) {
            if (matched[f] >= 0) checked[layout.fields[f].choices[matched[f]].radioId] = true;
        }
        char command[MaxCommandLength] = {};
        const int length = EncodeSettingsCommand(layout, checked, command);
        Require(length == layout.commandLength);
        for (int f = 0; f < layout.fieldCount; ++f) {
            if (matched[f] < 0) continue;
            const char* letters = layout.fields[f].choices[matched[f]].letters;
            Require(std::memcmp(command + layout.fields[f].offset - 1, letters, std::strlen(letters)) == 0);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzClassify(data, size);
    FuzzCardReply(data, size);
    FuzzSettings(data, size);
    return 0;
}
