// The USB reader's hardware identifier: the two accepted spellings, the
// comparison, and narrowing the system's UTF-16 texts to 8-bit.
// No platform header: built and tested on the host too.
#pragma once

#include <cstddef>
#include <cstdint>

// The Varko-7-USB reader: vendor, product and revision, in the spelling of
// each pattern below.
constexpr const char* ReaderUsbIdentity[6] = {"2E3C", "5750", "0200", "2e3c", "5750", "0200"};

// Each pattern lives in a buffer of this size (at most 79 characters).
constexpr size_t kPatternSize = 80;
// Characters of a hardware identifier that take part in the comparison.
constexpr size_t kComparedChars = 30;

// first  = "USB\VID_" v1 "&PID_" p1 "&REV_" r1
// second = "USB\Vid_" v2 "&Pid_" p2 "&Rev_" r2
// Both buffers hold kPatternSize bytes; longer results are cut.
void BuildHardwareIdPatterns(char* first, char* second,
                             const char* vendor1, const char* product1, const char* revision1,
                             const char* vendor2, const char* product2, const char* revision2);

// True when the first kComparedChars characters of `id` equal those of one
// of the patterns, letter case included.
bool HardwareIdMatches(const char* id, const char* first, const char* second);

// Low byte of each UTF-16 unit of `wide` (at most `wideCount` units) into
// `out`, up to the first zero byte so taken; always terminated within
// `outSize`. Returns the length written.
size_t NarrowUtf16(const uint16_t* wide, size_t wideCount, char* out, size_t outSize);
