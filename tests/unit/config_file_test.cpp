// The configuration file on real files, byte for byte. Runs on the host and
// under Wine, where the C runtime's text mode would turn LF into CR LF.
#include <cstdio>
#include <string>

#include "check.h"
#include "config_format.h"
#include "types.h"

namespace {

const char* const kPath = "appconfig.ini";

void WriteFile(const std::string& bytes) { check::writeFile(kPath, bytes); }

std::string ReadFile() { return check::readFile(kPath); }

struct Loaded {
    int language;
    int family;
};

Loaded Load()
{
    Loaded l = {-1, -1};
    LoadOrCreateConfig(kPath, &l.language, &l.family);
    return l;
}

const std::string kDefault = "Language = RU;\r\nTabCtrl = EHU_EHM;\r\n";

}  // namespace

TEST_CASE("a missing file is created with exactly the 36 default bytes")
{
    std::remove(kPath);
    Loaded l = Load();
    CHECK_EQ(l.language, int(Ru));
    CHECK_EQ(l.family, int(Ehx));
    CHECK_EQ(ReadFile(), kDefault);
    CHECK_EQ(ReadFile().size(), size_t(ConfigFileSize));
}

TEST_CASE("file contents map to language and tab")
{
    struct Row {
        const char* what;
        std::string bytes;
        int language;
        int family;
    };
    const std::string line100 = "Language = EN;" + std::string(86, 'x');
    // 79 characters make the first piece; the rest of this line is read as line 2.
    const std::string line97 = "Language = EN;" + std::string(65, 'x') + "TabCtrl = USB_USB;";
    const Row rows[] = {
        {"empty file", "", Ru, Ehx},
        {"one line with its end", "Language = EN;\r\n", En, Ehx},
        {"one line without an end", "Language = EN;", Ru, Ehx},
        {"both lines, CR LF", "Language = EN;\r\nTabCtrl = USB_USB;\r\n", En, Usb},
        {"both lines, bare LF", "Language = EN;\nTabCtrl = USB_USB;\n", En, Usb},
        {"both lines, bare CR", "Language = EN;\rTabCtrl = USB_USB;\r", Ru, Ehx},
        {"last line without an end", "Language = EN;\r\nTabCtrl = USB_USB;", En, Ehx},
        {"lower case", "language = en;\r\nTabCtrl = USB_USB;\r\n", Ru, Usb},
        {"no blank before =", "Language= EN;\r\nTabCtrl = USB_USB;\r\n", Ru, Usb},
        {"no blank after =", "Language =EN;\r\nTabCtrl=USB_USB;\r\n", Ru, Ehx},
        {"trailing blank", "Language = EN; \r\nTabCtrl = USB_USB; \r\n", Ru, Ehx},
        {"UTF-8 byte-order mark", "\xEF\xBB\xBFLanguage = EN;\r\nTabCtrl = USB_USB;\r\n", Ru, Usb},
        {"100-character first line", line100 + "\r\nTabCtrl = USB_USB;\r\n", Ru, Ehx},
        {"first line split after 79 characters", line97 + "\r\nTabCtrl = EHU_EHM;\r\n", Ru, Usb},
        {"extra lines after line 2", "Language = EN;\r\nTabCtrl = USB_USB;\r\nLanguage = RU;\r\n", En, Usb},
        {"Russian and first tab spelled out", kDefault, Ru, Ehx},
    };
    for (const Row& row : rows) {
        WriteFile(row.bytes);
        Loaded l = Load();
        if (l.language != row.language || l.family != row.family) {
            check::fail(__FILE__, __LINE__, std::string(row.what) + ": got language " +
                        std::to_string(l.language) + " family " + std::to_string(l.family));
        }
        // Reading never changes the file.
        CHECK_EQ(ReadFile(), row.bytes);
    }
}

TEST_CASE("saving rewrites the first 36 bytes in place and keeps the rest")
{
    WriteFile("Language = RU;\r\nTabCtrl = EHU_EHM;\r\nkept line\r\n");
    CHECK(WriteConfigFile(kPath, En, Usb));
    CHECK_EQ(ReadFile(), std::string("Language = EN;\r\nTabCtrl = USB_USB;\r\nkept line\r\n"));

    // A file with bare LF line ends (34 bytes) grows to the 36 of CR LF.
    WriteFile("Language = EN;\nTabCtrl = USB_USB;\n");
    CHECK(WriteConfigFile(kPath, Ru, Ehx));
    CHECK_EQ(ReadFile(), kDefault);

    // What is saved reads back the same.
    for (int language : {Ru, En})
        for (int family : {Ehx, Usb}) {
            CHECK(WriteConfigFile(kPath, language, family));
            Loaded l = Load();
            CHECK_EQ(l.language, language);
            CHECK_EQ(l.family, family);
            CHECK_EQ(ReadFile().size(), size_t(36));
        }
}

TEST_CASE("an empty file stays empty until the first save, which fills it")
{
    WriteFile("");
    Load();
    CHECK_EQ(ReadFile(), std::string());
    CHECK(WriteConfigFile(kPath, En, Ehx));
    CHECK_EQ(ReadFile(), std::string("Language = EN;\r\nTabCtrl = EHU_EHM;\r\n"));
}

TEST_CASE("saving needs an existing file and never creates one")
{
    std::remove(kPath);
    CHECK(!WriteConfigFile(kPath, En, Usb));
    CHECK_EQ(ReadFile(), std::string("(missing)"));
}

TEST_MAIN()
