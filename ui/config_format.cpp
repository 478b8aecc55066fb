#include "config_format.h"

#include <cstdio>
#include <cstring>

#include "types.h"

namespace {

// The two lines without their line end, by UiLanguage and by ReaderFamily.
constexpr const char* kLanguageLines[] = {"Language = RU;", "Language = EN;"};
constexpr const char* kFamilyLines[] = {"TabCtrl = EHU_EHM;", "TabCtrl = USB_USB;"};
constexpr char kDiskLineEnd[] = "\r\n";

constexpr int kPieceSize = 80;

// Reads one piece the way a text-mode line reader does on Windows: CR LF is
// delivered as LF (a bare CR stays), a piece ends after the first LF or after
// kPieceSize - 1 characters, and is NUL-terminated. The file is opened in
// binary mode so the result is the same on every platform.
bool ReadPiece(std::FILE* file, char* piece)
{
    int n = 0;
    while (n < kPieceSize - 1) {
        int c = std::fgetc(file);
        if (c == EOF) break;
        if (c == '\r') {
            int next = std::fgetc(file);
            if (next == '\n') {
                c = '\n';
            } else if (next != EOF) {
                std::ungetc(next, file);
            }
        }
        piece[n++] = static_cast<char>(c);
        if (c == '\n') break;
    }
    piece[n] = '\0';
    return n > 0;
}

static_assert(Ru == 0 && Ehx == 0, "a line that is none of its two gives the first");

// The index of the line `piece` is exactly (line end LF included), or 0, the
// default, when it is none of them.
int LineIndex(const char* piece, const char* const* lines)
{
    for (int i = 0; i < 2; ++i) {
        const std::size_t n = std::strlen(lines[i]);
        if (std::strncmp(piece, lines[i], n) == 0 && std::strcmp(piece + n, "\n") == 0) return i;
    }
    return 0;
}

bool WriteLine(std::FILE* file, const char* line)
{
    return std::fputs(line, file) >= 0 && std::fputs(kDiskLineEnd, file) >= 0;
}

}  // namespace

bool ReadConfigFile(const char* path, int* language, int* family)
{
    std::FILE* file = std::fopen(path, "rb");
    if (!file) return false;
    *language = Ru;
    *family = Ehx;
    char piece[kPieceSize] = {};
    for (int index = 0; ReadPiece(file, piece); ++index) {
        if (index == 0) *language = LineIndex(piece, kLanguageLines);
        if (index == 1) *family = LineIndex(piece, kFamilyLines);
    }
    std::fclose(file);
    return true;
}

void LoadOrCreateConfig(const char* path, int* language, int* family)
{
    if (ReadConfigFile(path, language, family)) return;
    CreateDefaultConfigFile(path);
    *language = Ru;
    *family = Ehx;
}

bool CreateDefaultConfigFile(const char* path)
{
    std::FILE* file = std::fopen(path, "wb");
    if (!file) return false;
    bool ok = WriteLine(file, kLanguageLines[Ru]) && WriteLine(file, kFamilyLines[Ehx]);
    return std::fclose(file) == 0 && ok;
}

bool WriteConfigFile(const char* path, int language, int family)
{
    std::FILE* file = std::fopen(path, "r+b");
    if (!file) return false;
    bool ok = true;
    if (language == Ru || language == En) ok = WriteLine(file, kLanguageLines[language]);
    if (family == Ehx || family == Usb) ok = WriteLine(file, kFamilyLines[family]) && ok;
    return std::fclose(file) == 0 && ok;
}
