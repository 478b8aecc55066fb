// COM port names as the port list and the USB lookup handle them: reading a
// port number from a list entry, ordering entries by number, building
// "COM<n>", and telling whether a device's PortName is usable.
// No platform header: built and tested on the host too.
#pragma once

#include <cstddef>

// The ordering reads at most this many list entries; later ones are dropped.
constexpr int kMaxListedPorts = 50;
// Characters of an entry that the ordering looks at.
constexpr int kEntryTextChars = 19;
// Room for "COM" followed by any int and the terminator.
constexpr size_t kPortNameTextSize = 16;

// The number written after the first three characters of `entry`, read like
// atoi (leading blanks, one sign, digits up to the first non-digit; 0 when
// there are none), from the first kEntryTextChars characters only. Values
// beyond the int range are clamped.
int PortNumberOfEntry(const char* entry);

// Reads the numbers of the first kMaxListedPorts entries and sorts them
// ascending into `numbers` (room for kMaxListedPorts). Returns how many.
int OrderPortEntries(const char* const* entries, int count, int* numbers);

// "COM" followed by `number` in decimal. False when it does not fit.
bool FormatPortName(int number, char* out, size_t outSize);

// A device's PortName is usable when it begins with "COM" in any letter case,
// the text after that reads as a non-zero number, and the name with its
// terminator fits an output of `outputSize` bytes.
bool IsUsablePortName(const char* name, size_t outputSize);
