// Profile text <-> settings records, over the settings tables.
#include "profile_format.h"

#include <cstdio>
#include <cstring>

#include "settings_format.h"
#include "reader_types.h"

namespace {

constexpr ProfileValue EhxInterfaces[] = {
    {"touch-memory", {ChoiceTouchMemory, 0}},
    {"wiegand26", {ChoiceWiegand26, 0}},
    {"wiegand44", {ChoiceWiegand44, 0}},
    {"wiegand58", {ChoiceWiegand58, 0}},
};
constexpr ProfileValue EhxIndications[] = {{"direct", {ChoiceDirect, 0}}, {"inverse", {ChoiceInverse, 0}}};
constexpr ProfileValue EhxStandby[] = {
    {"dynamic", {ChoiceDynamic, 0}}, {"static", {ChoiceStatic, 0}}, {"off", {ChoiceStandbyOff, 0}}};
constexpr ProfileValue EhxTouchPoll[] = {{"on", {ChoicePollOn, 0}}, {"off", {ChoicePollOff, 0}}};

constexpr ProfileValue UsbModes[] = {{"windows", {ChoiceWindowsMode, 0}}, {"multi-os", {ChoiceMultiOsMode, 0}}};
constexpr ProfileValue UsbOutputs[] = {
    {"hex", {ChoiceHexOrDec, ChoiceHex}},
    {"dec", {ChoiceHexOrDec, ChoiceDec}},
    {"touch-memory", {ChoiceTouchMemoryOut, 0}},
};
constexpr ProfileValue UsbIdBytes[] = {
    {"7", {ChoiceBytes7, 0}}, {"5", {ChoiceBytes5, 0}}, {"4", {ChoiceBytes4, 0}},
    {"3", {ChoiceBytes3, 0}}, {"2", {ChoiceBytes2, 0}},
};
constexpr ProfileValue UsbCards[] = {
    {"all", {ChoiceCardsAll, 0}}, {"hid-em", {ChoiceCardsHidEm, 0}}, {"mifare", {ChoiceCardsMifare, 0}}};

constexpr ProfileKey EhxKeys[] = {
    {"interface", EhxInterfaces, 4},
    {"indication", EhxIndications, 2},
    {"standby", EhxStandby, 3},
    {"touch-poll", EhxTouchPoll, 2},
};
constexpr ProfileKey UsbKeys[] = {
    {"mode", UsbModes, 2},
    {"output", UsbOutputs, 3},
    {"id-bytes", UsbIdBytes, 5},
    {"cards", UsbCards, 3},
};

constexpr const char* FamilyNames[] = {"ehx", "usb"};
constexpr size_t MaxWord = 32;

char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r';
}

// `text` of `length` bytes, blanks trimmed, lower-cased into `word`; false
// when it does not fit.
bool TakeWord(const char* text, size_t length, char* word)
{
    while (length > 0 && IsBlank(*text)) ++text, --length;
    while (length > 0 && IsBlank(text[length - 1])) --length;
    if (length >= MaxWord) return false;
    for (size_t i = 0; i < length; ++i) word[i] = Lower(text[i]);
    word[length] = '\0';
    return true;
}

void ListValues(const ProfileKey& key, char* out, size_t size)
{
    size_t used = 0;
    out[0] = '\0';
    for (int v = 0; v < key.valueCount && used < size; ++v) {
        int n = std::snprintf(out + used, size - used, "%s%s", v ? "|" : "", key.values[v].name);
        if (n < 0) break;
        used += static_cast<size_t>(n);
    }
}

void ListKeys(int family, char* out, size_t size)
{
    int count = 0;
    const ProfileKey* keys = ProfileKeysFor(family, &count);
    size_t used = 0;
    out[0] = '\0';
    for (int k = 0; k < count && used < size; ++k) {
        int n = std::snprintf(out + used, size - used, "%s%s", k ? ", " : "", keys[k].name);
        if (n < 0) break;
        used += static_cast<size_t>(n);
    }
}

int FamilyOf(const char* word)
{
    for (int f = 0; f < 2; ++f) {
        if (std::strcmp(word, FamilyNames[f]) == 0) return f;
    }
    return -1;
}

// The choices of a decoded record, indexed by choice.
bool RadiosOfRecord(const SettingsLayout& layout, const unsigned char* record, bool* checked, int* badField)
{
    int matched[MaxSettingsFields] = {};
    MatchSettingsRecord(layout, record, matched);
    for (int f = 0; f < layout.fieldCount; ++f) {
        if (matched[f] == FieldSkipped) continue;
        if (matched[f] < 0) {
            *badField = f;
            return false;
        }
        checked[layout.fields[f].choices[matched[f]].radioId] = true;
    }
    return true;
}

bool ValueChecked(const ProfileValue& value, const bool* checked)
{
    for (int radio : value.radios) {
        if (radio != 0 && !checked[radio]) return false;
    }
    return true;
}

}  // namespace

const ProfileKey* ProfileKeysFor(int family, int* count)
{
    if (family == Ehx) {
        *count = static_cast<int>(sizeof EhxKeys / sizeof EhxKeys[0]);
        return EhxKeys;
    }
    if (family == Usb) {
        *count = static_cast<int>(sizeof UsbKeys / sizeof UsbKeys[0]);
        return UsbKeys;
    }
    *count = 0;
    return nullptr;
}

const char* FamilyName(int family)
{
    return family == Ehx || family == Usb ? FamilyNames[family] : nullptr;
}

bool SetProfileSetting(Profile* profile, const char* keyText, const char* valueText, int line, char* message,
                       size_t size)
{
    char key[MaxWord];
    char value[MaxWord];
    int count = 0;
    const ProfileKey* keys = ProfileKeysFor(profile->family, &count);
    if (!TakeWord(keyText, std::strlen(keyText), key) || !TakeWord(valueText, std::strlen(valueText), value)) {
        std::snprintf(message, size, "a key or value that long is not one of ours");
        return false;
    }
    for (int k = 0; k < count; ++k) {
        if (std::strcmp(key, keys[k].name) != 0) continue;
        if (profile->values[k] != NotSet) {
            std::snprintf(message, size, "%s is set twice (first on line %d)", key, profile->lines[k]);
            return false;
        }
        for (int v = 0; v < keys[k].valueCount; ++v) {
            if (std::strcmp(value, keys[k].values[v].name) == 0) {
                profile->values[k] = v;
                profile->lines[k] = line;
                return true;
            }
        }
        char allowed[128];
        ListValues(keys[k], allowed, sizeof allowed);
        std::snprintf(message, size, "%s cannot be '%s': allowed are %s", key, value, allowed);
        return false;
    }
    char known[128];
    ListKeys(profile->family, known, sizeof known);
    if (std::strcmp(key, "family") == 0) {
        std::snprintf(message, size, "family may only stand first");
    } else {
        std::snprintf(message, size, "unknown key '%s' for family %s: the keys are %s", key,
                      FamilyName(profile->family), known);
    }
    return false;
}

bool ParseProfile(const char* text, size_t length, Profile* profile, int* line, char* message, size_t size)
{
    *profile = Profile{};
    *line = 0;
    // Notepad may start a UTF-8 file with a byte-order mark.
    size_t at = length >= 3 && std::memcmp(text, "\xEF\xBB\xBF", 3) == 0 ? 3 : 0;
    int number = 0;
    while (at < length) {
        size_t end = at;
        while (end < length && text[end] != '\n') ++end;
        ++number;
        *line = number;
        // What follows '#' is a comment.
        size_t stop = at;
        while (stop < end && text[stop] != '#') ++stop;
        const char* start = text + at;
        const size_t span = stop - at;
        at = end + 1;

        size_t k = 0;
        while (k < span && IsBlank(start[k])) ++k;
        if (k == span) continue;  // blank or comment only
        const char* equals = static_cast<const char*>(std::memchr(start, '=', span));
        char key[MaxWord];
        if (equals == nullptr || !TakeWord(start, static_cast<size_t>(equals - start), key) || key[0] == '\0') {
            std::snprintf(message, size, "expected 'key = value'");
            return false;
        }
        const char* valueStart = equals + 1;
        const size_t valueLength = span - static_cast<size_t>(valueStart - start);
        char value[MaxWord];
        if (!TakeWord(valueStart, valueLength, value) || value[0] == '\0' || std::memchr(value, '=', std::strlen(value))) {
            std::snprintf(message, size, "expected 'key = value'");
            return false;
        }
        if (profile->family < 0) {
            if (std::strcmp(key, "family") != 0) {
                std::snprintf(message, size, "the first setting must be 'family = ehx|usb'");
                return false;
            }
            profile->family = FamilyOf(value);
            if (profile->family < 0) {
                std::snprintf(message, size, "family cannot be '%s': allowed are ehx|usb", value);
                return false;
            }
            continue;
        }
        if (!SetProfileSetting(profile, key, value, number, message, size)) return false;
    }
    if (profile->family < 0) {
        *line = 0;
        std::snprintf(message, size, "no 'family = ehx|usb' line");
        return false;
    }
    return true;
}

bool ProfileFromRecord(int family, const unsigned char* record, Profile* profile, char* message, size_t size)
{
    *profile = Profile{};
    profile->family = family;
    const SettingsLayout* layout = SettingsLayoutFor(family);
    int count = 0;
    const ProfileKey* keys = ProfileKeysFor(family, &count);
    if (!layout || !keys) return false;
    bool checked[RadioIdLimit] = {};
    int bad = 0;
    bool ok = RadiosOfRecord(*layout, record, checked, &bad);
    for (int k = 0; k < count; ++k) {
        for (int v = 0; v < keys[k].valueCount && profile->values[k] == NotSet; ++v) {
            if (ValueChecked(keys[k].values[v], checked)) profile->values[k] = v;
        }
        if (profile->values[k] == NotSet && ok) {
            ok = false;
            bad = -1;
            std::snprintf(message, size, "%s: the reader's letters stand for no value", keys[k].name);
        }
    }
    if (!ok && bad >= 0) {
        const SettingsField& field = layout->fields[bad];
        std::snprintf(message, size, "unrecognised letters '%.3s' at offset %d", record + field.offset, field.offset);
    }
    return ok;
}

int ProfileCommand(const Profile& profile, const unsigned char* record, char* command)
{
    const SettingsLayout* layout = SettingsLayoutFor(profile.family);
    int count = 0;
    const ProfileKey* keys = ProfileKeysFor(profile.family, &count);
    if (!layout || !keys) return 0;
    bool checked[RadioIdLimit] = {};
    int bad = 0;
    if (!RadiosOfRecord(*layout, record, checked, &bad)) return 0;
    for (int k = 0; k < count; ++k) {
        if (profile.values[k] == NotSet) continue;
        for (int v = 0; v < keys[k].valueCount; ++v) {
            for (int radio : keys[k].values[v].radios) checked[radio] = false;
        }
        for (int radio : keys[k].values[profile.values[k]].radios) {
            if (radio != 0) checked[radio] = true;
        }
    }
    checked[0] = false;
    return EncodeSettingsCommand(*layout, checked, command);
}

bool ProfileChecks(const Profile& profile, SettingChoice choice)
{
    int count = 0;
    const ProfileKey* keys = ProfileKeysFor(profile.family, &count);
    for (int k = 0; k < count; ++k) {
        if (profile.values[k] == NotSet) continue;
        for (int radio : keys[k].values[profile.values[k]].radios) {
            if (radio == choice) return true;
        }
    }
    return false;
}

size_t FormatProfile(const Profile& profile, char* text, size_t size)
{
    int count = 0;
    const ProfileKey* keys = ProfileKeysFor(profile.family, &count);
    size_t used = 0;
    int n = std::snprintf(text, size, "family = %s\n", FamilyName(profile.family) ? FamilyName(profile.family) : "?");
    if (n > 0) used = static_cast<size_t>(n);
    for (int k = 0; k < count && used < size; ++k) {
        if (profile.values[k] == NotSet) continue;
        n = std::snprintf(text + used, size - used, "%s = %s\n", keys[k].name, keys[k].values[profile.values[k]].name);
        if (n < 0) break;
        used += static_cast<size_t>(n);
    }
    return used < size ? used : size - 1;
}
