// libFuzzer target over the configuration file "appconfig.ini": any bytes
// on disk read as one of the two languages and one of the two families, and
// writing the settings over any content makes them read back, leaving the
// bytes after the two lines as they were. Linux only: the file is kept in
// memory (memfd), so the run is not bound by the disk and leaves nothing.
#include <sys/mman.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "config_format.h"
#include "types.h"

namespace {

char Path[64];

void Require(bool condition)
{
    if (!condition) std::abort();
}

void Store(const uint8_t* data, size_t size)
{
    std::FILE* f = std::fopen(Path, "wb");
    Require(f != nullptr);
    Require(std::fwrite(data, 1, size, f) == size);
    Require(std::fclose(f) == 0);
}

std::vector<uint8_t> Load()
{
    std::vector<uint8_t> bytes;
    std::FILE* f = std::fopen(Path, "rb");
    Require(f != nullptr);
    for (int c; (c = std::fgetc(f)) != EOF;) bytes.push_back(static_cast<uint8_t>(c));
    std::fclose(f);
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    const int fd = memfd_create("appconfig.ini", 0);
    Require(fd >= 0);
    std::snprintf(Path, sizeof Path, "/proc/self/fd/%d", fd);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Store(data, size);
    int language = -1, family = -1;
    Require(ReadConfigFile(Path, &language, &family));
    Require(language == Ru || language == En);
    Require(family == Ehx || family == Usb);

    // The values written come from the input too, so every pair is tried.
    const int wantLanguage = size > 0 && (data[0] & 1) ? En : Ru;
    const int wantFamily = size > 0 && (data[0] & 2) ? Usb : Ehx;
    Require(WriteConfigFile(Path, wantLanguage, wantFamily));
    language = family = -1;
    Require(ReadConfigFile(Path, &language, &family));
    Require(language == wantLanguage && family == wantFamily);

    const std::vector<uint8_t> after = Load();
    Require(after.size() == (size > ConfigFileSize ? size : static_cast<size_t>(ConfigFileSize)));
    for (size_t i = ConfigFileSize; i < size; ++i) Require(after[i] == data[i]);
    return 0;
}
