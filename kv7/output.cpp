// What kv7 prints: messages on stderr, results on stdout.
#include <cstdarg>
#include <cstring>

#include "card_id_format.h"
#include "kv7.h"
#include "reader_core.h"
#include "settings_format.h"

namespace {

void Message(const char* prefix, const char* format, va_list args)
{
    std::fprintf(stderr, "kv7: %s", prefix);
    std::vfprintf(stderr, format, args);
    std::fputc('\n', stderr);
}

// JSON string contents: the texts here are ASCII, but a port path may not be.
void JsonText(const char* text)
{
    std::fputc('"', stdout);
    for (const unsigned char* c = reinterpret_cast<const unsigned char*>(text); *c; ++c) {
        if (*c == '"' || *c == '\\') std::printf("\\%c", *c);
        else if (*c < 0x20) std::printf("\\u%04x", *c);
        else std::fputc(*c, stdout);
    }
    std::fputc('"', stdout);
}

}  // namespace

void Fail(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    Message("", format, args);
    va_end(args);
}

void Warn(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    Message("warning: ", format, args);
    va_end(args);
}

void DescribeReader(const Reader& reader, char* text, size_t size)
{
    std::snprintf(text, size, "%s %s %s", reader.port, ModelName(reader.modelCode), reader.version);
}

bool PrintProfile(FILE* out, const Reader& reader, const Profile& profile)
{
    char text[512];
    FormatProfile(profile, text, sizeof text);
    return std::fprintf(out, "# %s %s on %s\n%s", ModelName(reader.modelCode), reader.version, reader.port, text) > 0;
}

void PrintJson(const Reader& reader, const Profile& profile)
{
    std::printf("{\"port\": ");
    JsonText(reader.port);
    std::printf(", \"model\": \"%s\", \"firmware\": ", ModelName(reader.modelCode));
    JsonText(reader.version);
    std::printf(", \"family\": \"%s\", \"settings\": {", FamilyName(reader.family));
    int count = 0;
    const ProfileKey* keys = ProfileKeysFor(reader.family, &count);
    bool first = true;
    for (int k = 0; k < count; ++k) {
        if (profile.values[k] == NotSet) continue;
        std::printf("%s\"%s\": \"%s\"", first ? "" : ", ", keys[k].name, keys[k].values[profile.values[k]].name);
        first = false;
    }
    const SettingsLayout* layout = SettingsLayoutFor(reader.family);
    char letters[16] = {};
    if (layout) std::snprintf(letters, sizeof letters, "%.*s", layout->recordLength - VersionLength,
                              reinterpret_cast<const char*>(reader.record + VersionLength));
    std::printf("}, \"record\": ");
    JsonText(letters);
    std::printf("}\n");
}

void PrintCard(const Reader& reader, unsigned cardNumber, unsigned cipherId, bool json)
{
    char card[16], hex[16], cipher[16], dotted[16];
    FormatDecimal10(cardNumber, card, sizeof card);
    FormatHex8(cardNumber, hex, sizeof hex);
    FormatDecimal10(cipherId, cipher, sizeof cipher);
    FormatDottedBytes(cipherId, dotted, sizeof dotted);
    if (!json) {
        std::printf("card %s %s cipher %s %s\n", card, hex, cipher, dotted);
        return;
    }
    std::printf("{\"port\": ");
    JsonText(reader.port);
    std::printf(", \"model\": \"%s\", \"firmware\": ", ModelName(reader.modelCode));
    JsonText(reader.version);
    std::printf(", \"card\": \"%s\", \"card_hex\": \"%s\", \"cipher\": \"%s\", \"cipher_dotted\": \"%s\"}\n", card, hex,
                cipher, dotted);
}

void PrintPortsJson(const ScannedPort* ports, int count)
{
    std::printf("[");
    for (int i = 0; i < count; ++i) {
        std::printf("%s{\"port\": ", i ? ", " : "");
        JsonText(ports[i].name);
        // "2E3C:5750": the identity's two halves.
        if (ports[i].usbId[0]) std::printf(", \"usb\": {\"vid\": \"%.4s\", \"pid\": \"%.4s\"}", ports[i].usbId,
                                           ports[i].usbId + 5);
        std::printf("}");
    }
    std::printf("]\n");
}

void PrintReadersJson(const Reader* readers, int count)
{
    std::printf("[");
    for (int i = 0; i < count; ++i) {
        std::printf("%s{\"port\": ", i ? ", " : "");
        JsonText(readers[i].port);
        std::printf(", \"model\": \"%s\", \"firmware\": ", ModelName(readers[i].modelCode));
        JsonText(readers[i].version);
        std::printf(", \"family\": \"%s\"}", FamilyName(readers[i].family));
    }
    std::printf("]\n");
}
