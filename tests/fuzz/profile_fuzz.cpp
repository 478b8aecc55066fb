// libFuzzer target over the profile text that kv7 reads from a file: any
// bytes either parse or are refused with a line and a message; what parses
// formats back to text that parses to the same values, and its write command
// reads back as those values.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "profile_format.h"
#include "settings_format.h"

namespace {

void Require(bool condition)
{
    if (!condition) std::abort();
}

// Lines 1 to the number of lines in the text.
int LineCount(const uint8_t* data, size_t size)
{
    int lines = 1;
    for (size_t i = 0; i + 1 < size; ++i) lines += data[i] == '\n';
    return lines;
}

// The write command for `profile` over the reader's `record` (keys left out
// keep the reader's letters): of the family's length, and its letters, read
// back as a record, hold every value the profile set.
void CheckCommand(const Profile& profile, const unsigned char* record, bool decodes)
{
    const SettingsLayout* layout = SettingsLayoutFor(profile.family);
    Require(layout != nullptr);
    char command[MaxCommandLength + 1] = {};
    const int length = ProfileCommand(profile, record, command);
    Require(length != 0 || !decodes);
    if (length == 0) return;  // a record that does not decode: nothing to send
    Require(length == layout->commandLength);

    unsigned char sent[16] = {};
    std::memcpy(sent, record, VersionLength);
    std::memcpy(sent + VersionLength, command + WritePrefixLength, static_cast<size_t>(length - WritePrefixLength));
    Profile back;
    char why[160];
    Require(ProfileFromRecord(profile.family, sent, &back, why, sizeof why));
    for (int k = 0; k < MaxProfileKeys; ++k) {
        if (profile.values[k] != NotSet) Require(back.values[k] == profile.values[k]);
    }
}

// A record that decodes: the first choice of every field, built by the encoder.
void ValidRecord(int family, unsigned char* record)
{
    const SettingsLayout& layout = *SettingsLayoutFor(family);
    bool checked[RadioIdLimit] = {};
    for (int f = 0; f < layout.fieldCount; ++f) checked[layout.fields[f].choices[0].radioId] = true;
    char command[MaxCommandLength + 1] = {};
    EncodeSettingsCommand(layout, checked, command);
    std::memcpy(record, "1.10", VersionLength);
    std::memcpy(record + VersionLength, command + WritePrefixLength,
                static_cast<size_t>(layout.commandLength - WritePrefixLength));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Exactly as long as the input, so that a read past it is seen.
    std::unique_ptr<char[]> text(new char[size > 0 ? size : 1]);
    std::memcpy(text.get(), data, size);
    Profile profile;
    int line = -1;
    char message[256];
    message[0] = '\0';
    if (!ParseProfile(text.get(), size, &profile, &line, message, sizeof message)) {
        Require(line >= 0 && line <= LineCount(data, size));
        Require(message[0] != '\0' && std::strlen(message) < sizeof message);
        return 0;
    }
    Require(FamilyName(profile.family) != nullptr);

    char formatted[512];
    const size_t length = FormatProfile(profile, formatted, sizeof formatted);
    Require(length < sizeof formatted && std::strlen(formatted) == length);
    Profile again;
    Require(ParseProfile(formatted, length, &again, &line, message, sizeof message));
    Require(again.family == profile.family);
    for (int k = 0; k < MaxProfileKeys; ++k) Require(again.values[k] == profile.values[k]);

    unsigned char record[16] = {};
    ValidRecord(profile.family, record);
    CheckCommand(profile, record, true);
    // And over the fuzzer's bytes as the reader's record, valid or not.
    std::memset(record, 0, sizeof record);
    std::memcpy(record, data, size < sizeof record ? size : sizeof record);
    CheckCommand(profile, record, false);
    return 0;
}
