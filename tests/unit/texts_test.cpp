// Every interface text in both languages, compared byte for byte with what
// the program hands to the ANSI window functions (Russian in CP1251).
#include <string>

#include "check.h"
#include "texts.h"
#include "version.h"

namespace {

// UTF-8 to Windows-1251 for the letters the interface uses; anything else
// becomes '?', which no expected text contains.
std::string ToCp1251(const char8_t* utf8)
{
    std::string out;
    for (const char8_t* p = utf8; *p;) {
        unsigned c = *p++;
        if (c >= 0x80) {
            unsigned extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : 1;
            c &= 0x3F >> extra;
            for (unsigned i = 0; i < extra && *p; ++i) c = (c << 6) | (*p++ & 0x3F);
        }
        if (c < 0x80) out += static_cast<char>(c);
        else if (c >= 0x410 && c <= 0x44F) out += static_cast<char>(0xC0 + (c - 0x410));
        else if (c == 0x401) out += '\xA8';
        else if (c == 0x451) out += '\xB8';
        else out += '?';
    }
    return out;
}

struct Expected {
    TextKey key;
    const char8_t* english;
    const char8_t* russian;
};

const Expected kExpected[] = {
    {AppTitle, u8"KernoVarko-7 ver." KV_VERSION " (" KV_ARCH_LABEL ")",
     u8"KernoVarko-7 вер." KV_VERSION " (" KV_ARCH_LABEL ")"},
    {MenuFile, u8"File", u8"Файл"},
    {MenuTools, u8"Tools", u8"Инструменты"},
    {MenuHelp, u8"Help", u8"Помощь"},
    {MenuQuit, u8"Quit", u8"Выход"},
    {MenuLanguage, u8"Language", u8"Язык"},
    {MenuReadId, u8"Read ID", u8"Считать ID"},
    {MenuHelpItem, u8"Help", u8"Справка"},
    {MenuAbout, u8"About...", u8"О программе..."},
    {BtnSearch, u8"SEARCH", u8"ПОИСК"},
    {LblVersion, u8"Version: ", u8"Версия: "},
    {BtnRead, u8"READ", u8"СЧИТАТЬ"},
    {BtnWrite, u8"WRITE", u8"ЗАПИСАТЬ"},
    {GrpIndicator, u8"Indic.", u8"Инд."},
    {CapMessage, u8"Message", u8"Сообщение"},
    {LblBarcode, u8"Barcode", u8"Штрих-код"},
    {LblBarcodeHex, u8"Barcode (hex)", u8"Штрих-код (hex)"},
    {LblCipherId, u8"ID cipher", u8"ID шифра"},
    {LblCipherIdDotted, u8"ID cipher (x.x.x.x)", u8"ID шифра (x.x.x.x)"},
    {GrpInterfaces, u8" 1) INTERFACES: ", u8" 1) ИНТЕРФЕЙСЫ: "},
    {GrpOperatingMode, u8" 1) READER OPERATING MODE: ", u8" 1) РЕЖИМ РАБОТЫ СЧИТЫВАТЕЛЯ: "},
    {GrpIndicationControl, u8" 2) INDICATION CONTROL: ", u8" 2) УПРАВЛЕНИЕ ИНДИКАЦИЕЙ: "},
    {OptDirect, u8"Direct (active '1')", u8"Прямая (активная '1')"},
    {OptInverse, u8"Inverse (active '0')", u8"Инверсная (активный '0')"},
    {GrpIdOutputFormat, u8" 2) ID CARD OUTPUT FORMAT: ", u8" 2) ФОРМАТ ВЫВОДА ID КАРТЫ: "},
    {OptHexOrDec, u8"HEX or DEC", u8"HEX или DEC"},
    {GrpStandbyIndication, u8" 3) INDICATION IN STANDBY MODE: ", u8" 3) ИНДИКАЦИЯ В ДЕЖУР. РЕЖИМЕ: "},
    {OptDynamic, u8"Dynamic", u8"Динамическая"},
    {OptStatic, u8"Static", u8"Статическая"},
    {OptStandbyOff, u8"Off", u8"Выкл."},
    {GrpIdOutputType, u8" 3) ID CARD OUTPUT TYPE: ", u8" 3) ТИП ВЫВОДА ID КАРТЫ: "},
    {GrpTouchButtonPoll, u8" 4) TOUCH BUTTON POLL: ", u8" 4) ОПРОС СЕНСОРНОЙ КНОПКИ: "},
    {OptPollOn, u8"On", u8"Вкл."},
    {OptPollOff, u8"Off", u8"Выкл."},
    {GrpIdByteCount, u8" 4) NUMBER OF BYTE ID CARD: ", u8" 4) КОЛИЧЕСТВО БАЙТ ID КАРТЫ: "},
    {GrpCardsToRead, u8" 5) CARD FOR READ: ", u8" 5) ЧИТАТЬ КАРТЫ: "},
    {PrgSearchEhx, u8"Search for Varko-7EHU_7EHM reader", u8"Поиск считывателя Varko-7EHU_7EHM"},
    {PrgSearchUsb, u8"Search for Varko-7-USB reader", u8"Поиск считывателя Varko-7-USB"},
    {PrgReadEhx, u8"Reading Varko-7EHU_7EHM settings", u8"Считывание настроек Varko-7EHU_7EHM"},
    {PrgReadUsb, u8"Reading Varko-7-USB settings", u8"Считывание настроек Varko-7-USB"},
    {PrgWriteEhx, u8"Writing Varko-7EHU_7EHM settings", u8"Запись настроек Varko-7EHU_7EHM"},
    {PrgWriteUsb, u8"Writing Varko-7-USB settings", u8"Запись настроек Varko-7-USB"},
    {MsgEhxNotFound, u8"Varko-7EHU_7EHM not found!", u8"Varko-7EHU_7EHM не найден!"},
    {MsgEhxFound, u8"Varko-7EHU_7EHM reader found!", u8"Считыватель Varko-7EHU_7EHM найден!"},
    {MsgEhuFound, u8"Varko-7EHU reader found!", u8"Считыватель Varko-7EHU найден!"},
    {MsgEhmFound, u8"Varko-7EHM reader found!", u8"Считыватель Varko-7EHM найден!"},
    {MsgUsbNotFound, u8"Varko-7-USB not found!", u8"Varko-7-USB не найден!"},
    {MsgUsbFound, u8"Varko-7-USB reader found!", u8"Считыватель Varko-7-USB найден!"},
    {MsgSelectPortHint, u8"If you are sure that the reader is connected to the PC,\nselect a COM port from the list!", u8"Если Вы уверены, что считыватель подключен к ПК,\nто выберите COM-порт из списка!"},
    {MsgReplyUnrecognized, u8"The answer could not be recognized!", u8"Не удалось распознать ответ!"},
    {MsgNoReply, u8"The reader did not respond!\n(Try again or a different COM port).", u8"Считыватель не ответил!\n(Попробуйте ещё раз или другой COM-порт)."},
    {MsgInvalidCommand, u8"Invalid command!", u8"Неверная команда!"},
    {MsgSettingsWritten, u8"Settings recorded!", u8"Настройки записаны!"},
    {MsgSettingsRead, u8"Settings read!", u8"Настройки считаны!"},
    {MsgFirmwareUnsupported, u8"Firmware version not supported!", u8"Версия прошивки не поддерживается!"},
    {MsgBadInterface, u8"READER INTERFACE - NOT RECOGNIZED!", u8"ИНТЕРФЕЙС СЧИТЫВАТЕЛЯ - НЕ РАСПОЗНАН!"},
    {MsgBadIndicationControl, u8"INDICATION CONTROL - NOT RECOGNIZED!", u8"УПРАВЛЕНИЕ ИНДИКАЦИЕЙ - НЕ РАСПОЗНАН!"},
    {MsgBadStandbyIndication, u8"INDICATION IN STANDBY MODE - NOT RECOGNIZED!", u8"ИНДИКАЦИЯ В ЖДУЩЕМ РЕЖИМЕ - НЕ РАСПОЗНАН!"},
    {MsgBadTouchPoll, u8"TOUCH BUTTON POLL - NOT RECOGNIZED!", u8"ОПРОС СЕНСОРНОЙ КНОПКИ - НЕ РАСПОЗНАН!"},
    {MsgBadOperatingMode, u8"READER OPERATING MODE - NOT RECOGNIZED!", u8"РЕЖИМ РАБОТЫ СЧИТЫВАТЕЛЯ - НЕ РАСПОЗНАН!"},
    {MsgBadIdOutputType, u8"ID CARD OUTPUT TYPE - NOT RECOGNIZED!", u8"ТИП ВЫВОДА ID КАРТЫ - НЕ РАСПОЗНАН!"},
    {MsgBadIdOutputFormat, u8"ID CARD OUTPUT FORMAT - NOT RECOGNIZED!", u8"ФОРМАТ ВЫВОДА ID КАРТЫ - НЕ РАСПОЗНАН!"},
    {MsgBadIdByteCount, u8"NUMBER OF BYTE ID CARD - NOT RECOGNIZED!", u8"КОЛИЧЕСТВО БАЙТ ID КАРТЫ - НЕ РАСПОЗНАНО!"},
    {MsgBadCardsToRead, u8"CARD FOR READ - NOT RECOGNIZED!", u8"ЧИТАТЬ КАРТЫ - НЕ РАСПОЗНАНО!"},
    {MsgCommandNotSupported, u8"The reader version does not support the command.", u8"Версия считывателя команду не поддерживает."},
    {MsgConfigSaveFailed, u8"Failed to save settings!\nRestart the program.", u8"Не удалось сохранить настройки!\nПерезапустите программу."},
    {MsgNoComPorts, u8"No COM ports found in the system!", u8"Не найдены COM-порты в системе!"},
    {MsgErrorOpening, u8"Error opening", u8"Ошибка при открытие"},
    {MsgConnectionBroken, u8"The connection is broken.", u8"Соединение нарушено."},
    {LblDisabled, u8"disabled!", u8"отключен!"},
    {MsgUsbDisconnected, u8"Connection broken.\n\r(Varko-7-USB disabled!)", u8"Соединение нарушено.\n\r(Varko-7-USB отключен!)"},
    {LblError, u8"Error", u8"Ошибка"},
    {MsgReadPortFailed, u8"when reading from a COM port!", u8"при считывание из COM-порта!"},
    {MsgWritePortFailed, u8"when writing to the COM port!", u8"при записи в COM-порт!"},
    {MsgHelpFileNotFound, u8"File not found!\n\rCheck for the presence of the help file (KernoVarko-7 ver_" KV_VERSION_FILE ".pdf).",
     u8"Файл не найден!\n\rПроверьте наличие файла справки (KernoVarko-7 ver_" KV_VERSION_FILE ".pdf)."},
    {MsgHelpCannotOpen, u8"Help file cannot be opened!", u8"Файл справки не возможно открыть!"},
    {MsgHelpOpenFailed, u8"Opening the help file failed!", u8"Открытие файла справки завершилось неудачей!"},
    {LblErrorCode, u8"Error code", u8"Код ошибки"},
    {MsgHelpFolderHint, u8"Open the help folder where the application is installed.\n\rDefault: C:\\KernoVarko-7 v.x.x\\help", u8"Откройте папку help, где установлено приложение.\n\rПо умолчанию: C:\\KernoVarko-7 v.x.x\\help"},
    {MsgInstallPdfViewer, u8"Install a PDF viewer on your PC.", u8"Установите на ПК программу для просмотра PDF-файлов."},
};

}  // namespace

TEST_CASE("every key resolves to its exact text in both languages")
{
    CHECK_EQ(int(sizeof kExpected / sizeof kExpected[0]), int(TextKeyCount));
    for (int language : {1, 0}) {
        SelectTextsFor(language);
        for (const Expected& e : kExpected) {
            std::string expected = ToCp1251(language == 1 ? e.english : e.russian);
            if (Text(e.key) != expected)
                check::fail(__FILE__, __LINE__, "key " + std::to_string(e.key) + " in language " +
                            std::to_string(language) + ": " + check::show(Text(e.key)) + " expected " +
                            check::show(expected));
            CHECK_EQ(std::string(TextIn(language, e.key)), expected);
        }
    }
}

TEST_CASE("Russian texts are CP1251 bytes")
{
    SelectTextsFor(0);
    // "вер" in the title, "Сообщение" as the caption.
    CHECK_EQ(std::string(Text(AppTitle)), std::string("KernoVarko-7 \xE2\xE5\xF0." KV_VERSION " (" KV_ARCH_LABEL ")"));
    CHECK_EQ(std::string(Text(CapMessage)), std::string("\xD1\xEE\xEE\xE1\xF9\xE5\xED\xE8\xE5"));
    // The compiler setting that every Russian literal of the program relies on.
    const char russian[] = "Русский";
    CHECK_EQ(std::string(russian), std::string("\xD0\xF3\xF1\xF1\xEA\xE8\xE9"));
}

TEST_CASE("switching languages points at constant texts without copying")
{
    SelectTextsFor(1);
    const char* english = Text(MsgNoReply);
    SelectTextsFor(0);
    const char* russian = Text(MsgNoReply);
    SelectTextsFor(1);
    CHECK(Text(MsgNoReply) == english);
    CHECK(TextIn(0, MsgNoReply) == russian);
    // Any other language value leaves the table as it was.
    SelectTextsFor(7);
    CHECK(Text(MsgNoReply) == english);
    // Line breaks keep their order: LF then CR.
    CHECK_EQ(std::string(Text(MsgUsbDisconnected)), std::string("Connection broken.\n\r(Varko-7-USB disabled!)"));
}

TEST_MAIN()
