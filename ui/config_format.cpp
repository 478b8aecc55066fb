#include "config_format.h"

#include <cstdio>
#include <cstring>

#include "types.h"

namespace {

constexpr char kLanguageRu[] = "Language = RU;\n";
constexpr char kLanguageEn[] = "Language = EN;\n";
constexpr char kFamilyEhx[] = "TabCtrl = EHU_EHM;\n";
constexpr char kFamilyUsb[] = "TabCtrl = USB_USB;\n";

constexpr char kLanguageRuDisk[] = "Language = RU;\r\n";
constexpr char kLanguageEnDisk[] = "Language = EN;\r\n";
constexpr char kFamilyEhxDisk[] = "TabCtrl = EHU_EHM;\r\n";
constexpr char kFamilyUsbDisk[] = "TabCtrl = USB_USB;\r\n";

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

}  // namespace

bool ReadConfigFile(const char* path, int* language, int* family)
{
    std::FILE* file = std::fopen(path, "rb");
    if (!file) return false;
    *language = Ru;
    *family = Ehx;
    char piece[kPieceSize] = {};
    for (int index = 0; ReadPiece(file, piece); ++index) {
        // The comparisons take the terminating NUL too, so a line counts
        // only when it is exactly the expected text with its line end.
        if (index == 0) {
            if (std::memcmp(piece, kLanguageRu, sizeof kLanguageRu) == 0)
                *language = Ru;
            else if (std::memcmp(piece, kLanguageEn, sizeof kLanguageEn) == 0)
                *language = En;
            else
                *language = Ru;
        } else if (index == 1) {
            if (std::memcmp(piece, kFamilyEhx, sizeof kFamilyEhx) == 0)
                *family = Ehx;
            else if (std::memcmp(piece, kFamilyUsb, sizeof kFamilyUsb) == 0)
                *family = Usb;
            else
                *family = Ehx;
        }
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
    bool ok = std::fputs(kLanguageRuDisk, file) >= 0 && std::fputs(kFamilyEhxDisk, file) >= 0;
    return std::fclose(file) == 0 && ok;
}

bool WriteConfigFile(const char* path, int language, int family)
{
    std::FILE* file = std::fopen(path, "r+b");
    if (!file) return false;
    bool ok = true;
    if (language == Ru || language == En)
        ok = std::fputs(language == Ru ? kLanguageRuDisk : kLanguageEnDisk, file) >= 0;
    if (family == Ehx || family == Usb)
        ok = std::fputs(family == Ehx ? kFamilyEhxDisk : kFamilyUsbDisk, file) >= 0 && ok;
    return std::fclose(file) == 0 && ok;
}
