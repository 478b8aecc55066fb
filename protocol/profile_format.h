// Profiles: a reader's settings as "key = value" text, the form kv7 reads,
// saves and applies. Names join to the settings tables through the choice
// that each value checks, so no letter is written here. Platform-free.
#pragma once

#include <cstddef>

#include "reader_types.h"

constexpr int MaxProfileKeys = 4;
constexpr int NotSet = -1;

struct ProfileValue {
    const char* name;
    int radios[2];          // SettingChoice values this value sets (0: unused)
};

struct ProfileKey {
    const char* name;
    const ProfileValue* values;
    int valueCount;
};

struct Profile {
    int family = -1;                 // Ehx, Usb, or -1 before the family line
    int values[MaxProfileKeys] = {NotSet, NotSet, NotSet, NotSet};  // index into the key's values
    int lines[MaxProfileKeys] = {};  // where each key was set (for messages)
};

// The keys of `family` in the order they are printed; nullptr for another family.
const ProfileKey* ProfileKeysFor(int family, int* count);
// "ehx" / "usb", or nullptr.
const char* FamilyName(int family);

// Parses a whole profile. On failure *line is the line at fault (0 for the
// text as a whole) and `message` says why.
bool ParseProfile(const char* text, size_t length, Profile* profile, int* line, char* message, size_t size);

// Sets one "key=value" (as given on kv7's command line) in a profile whose
// family is known.
bool SetProfileSetting(Profile* profile, const char* key, const char* value, int line, char* message, size_t size);

// The profile of a settings record (the reader's payload: version, then the
// letters). False when a field holds letters no value stands for; `message`
// names the key.
bool ProfileFromRecord(int family, const unsigned char* record, Profile* profile, char* message, size_t size);

// The write command (without terminator) for `profile` on top of the
// reader's current `record`: keys left out keep the reader's values.
// Returns its length, 0 when the record does not decode.
int ProfileCommand(const Profile& profile, const unsigned char* record, char* command);

// Whether `profile` sets a value that makes `choice`.
bool ProfileChecks(const Profile& profile, SettingChoice choice);

// "key = value" lines after "family = ...", LF-terminated.
size_t FormatProfile(const Profile& profile, char* text, size_t size);
