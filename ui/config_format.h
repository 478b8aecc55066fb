// The two-line configuration file "appconfig.ini". No platform header: the
// same code reads and writes the file in the program and in the host tests.
#pragma once

// Line texts as they stand on disk (line ends are CR LF when written).
constexpr int ConfigFileSize = 36;

// Reads language and family from the file. Each of the two lines counts only
// when it is exactly one of its two known texts followed by its line end
// (CR LF or bare LF); anything else gives Ru or Ehx for that line.
// False when the file cannot be opened (outputs then untouched).
bool ReadConfigFile(const char* path, int* language, int* family);

// Start-up: reads the file, or creates it with the defaults when it cannot be
// read (silently giving the defaults if even that fails).
void LoadOrCreateConfig(const char* path, int* language, int* family);

// Creates (or truncates) the file with the default content: Russian, first tab.
bool CreateDefaultConfigFile(const char* path);

// Rewrites the first 36 bytes in place (no truncation: bytes after them stay).
// A value other than the two known ones writes nothing for its line.
// False when the file cannot be opened for update.
bool WriteConfigFile(const char* path, int language, int family);
