// Both languages of the interface. The source is UTF-8; the compiler turns the
// Russian literals into CP1251 bytes (-fexec-charset=CP1251), which is what
// the ANSI window functions expect.
#include "texts.h"

#include "version.h"

#include <array>
#include <cstddef>

namespace {

struct TextRow {
    TextKey key;
    const char* english;
    const char* russian;
};

constexpr std::array<TextRow, TextKeyCount> kTexts = {{
    {AppTitle, "KernoVarko-7 ver." KV_VERSION " (" KV_ARCH_LABEL ")", "KernoVarko-7 вер." KV_VERSION " (" KV_ARCH_LABEL ")"},
    {MenuFile, "File", "Файл"},
    {MenuTools, "Tools", "Инструменты"},
    {MenuHelp, "Help", "Помощь"},
    {MenuQuit, "Quit", "Выход"},
    {MenuLanguage, "Language", "Язык"},
    {MenuReadId, "Read ID", "Считать ID"},
    {MenuHelpItem, "Help", "Справка"},
    {MenuAbout, "About...", "О программе..."},
    {BtnSearch, "SEARCH", "ПОИСК"},
    {LblVersion, "Version: ", "Версия: "},
    {BtnRead, "READ", "СЧИТАТЬ"},
    {BtnWrite, "WRITE", "ЗАПИСАТЬ"},
    {GrpIndicator, "Indic.", "Инд."},
    {CapMessage, "Message", "Сообщение"},
    {LblBarcode, "Barcode", "Штрих-код"},
    {LblBarcodeHex, "Barcode (hex)", "Штрих-код (hex)"},
    {LblCipherId, "ID cipher", "ID шифра"},
    {LblCipherIdDotted, "ID cipher (x.x.x.x)", "ID шифра (x.x.x.x)"},
    {GrpInterfaces, " 1) INTERFACES: ", " 1) ИНТЕРФЕЙСЫ: "},
    {GrpOperatingMode, " 1) READER OPERATING MODE: ", " 1) РЕЖИМ РАБОТЫ СЧИТЫВАТЕЛЯ: "},
    {GrpIndicationControl, " 2) INDICATION CONTROL: ", " 2) УПРАВЛЕНИЕ ИНДИКАЦИЕЙ: "},
    {OptDirect, "Direct (active '1')", "Прямая (активная '1')"},
    {OptInverse, "Inverse (active '0')", "Инверсная (активный '0')"},
    {GrpIdOutputFormat, " 2) ID CARD OUTPUT FORMAT: ", " 2) ФОРМАТ ВЫВОДА ID КАРТЫ: "},
    {OptHexOrDec, "HEX or DEC", "HEX или DEC"},
    {GrpStandbyIndication, " 3) INDICATION IN STANDBY MODE: ", " 3) ИНДИКАЦИЯ В ДЕЖУР. РЕЖИМЕ: "},
    {OptDynamic, "Dynamic", "Динамическая"},
    {OptStatic, "Static", "Статическая"},
    {OptStandbyOff, "Off", "Выкл."},
    {GrpIdOutputType, " 3) ID CARD OUTPUT TYPE: ", " 3) ТИП ВЫВОДА ID КАРТЫ: "},
    {GrpTouchButtonPoll, " 4) TOUCH BUTTON POLL: ", " 4) ОПРОС СЕНСОРНОЙ КНОПКИ: "},
    {OptPollOn, "On", "Вкл."},
    {OptPollOff, "Off", "Выкл."},
    {GrpIdByteCount, " 4) NUMBER OF BYTE ID CARD: ", " 4) КОЛИЧЕСТВО БАЙТ ID КАРТЫ: "},
    {GrpCardsToRead, " 5) CARD FOR READ: ", " 5) ЧИТАТЬ КАРТЫ: "},
    {PrgSearchEhx, "Search for Varko-7EHU_7EHM reader", "Поиск считывателя Varko-7EHU_7EHM"},
    {PrgSearchUsb, "Search for Varko-7-USB reader", "Поиск считывателя Varko-7-USB"},
    {PrgReadEhx, "Reading Varko-7EHU_7EHM settings", "Считывание настроек Varko-7EHU_7EHM"},
    {PrgReadUsb, "Reading Varko-7-USB settings", "Считывание настроек Varko-7-USB"},
    {PrgWriteEhx, "Writing Varko-7EHU_7EHM settings", "Запись настроек Varko-7EHU_7EHM"},
    {PrgWriteUsb, "Writing Varko-7-USB settings", "Запись настроек Varko-7-USB"},
    {MsgEhxNotFound, "Varko-7EHU_7EHM not found!", "Varko-7EHU_7EHM не найден!"},
    {MsgEhxFound, "Varko-7EHU_7EHM reader found!", "Считыватель Varko-7EHU_7EHM найден!"},
    {MsgEhuFound, "Varko-7EHU reader found!", "Считыватель Varko-7EHU найден!"},
    {MsgEhmFound, "Varko-7EHM reader found!", "Считыватель Varko-7EHM найден!"},
    {MsgUsbNotFound, "Varko-7-USB not found!", "Varko-7-USB не найден!"},
    {MsgUsbFound, "Varko-7-USB reader found!", "Считыватель Varko-7-USB найден!"},
    {MsgSelectPortHint, "If you are sure that the reader is connected to the PC,\nselect a COM port from the list!", "Если Вы уверены, что считыватель подключен к ПК,\nто выберите COM-порт из списка!"},
    {MsgReplyUnrecognized, "The answer could not be recognized!", "Не удалось распознать ответ!"},
    {MsgNoReply, "The reader did not respond!\n(Try again or a different COM port).", "Считыватель не ответил!\n(Попробуйте ещё раз или другой COM-порт)."},
    {MsgInvalidCommand, "Invalid command!", "Неверная команда!"},
    {MsgSettingsWritten, "Settings recorded!", "Настройки записаны!"},
    {MsgSettingsRead, "Settings read!", "Настройки считаны!"},
    {MsgFirmwareUnsupported, "Firmware version not supported!", "Версия прошивки не поддерживается!"},
    {MsgBadInterface, "READER INTERFACE - NOT RECOGNIZED!", "ИНТЕРФЕЙС СЧИТЫВАТЕЛЯ - НЕ РАСПОЗНАН!"},
    {MsgBadIndicationControl, "INDICATION CONTROL - NOT RECOGNIZED!", "УПРАВЛЕНИЕ ИНДИКАЦИЕЙ - НЕ РАСПОЗНАН!"},
    {MsgBadStandbyIndication, "INDICATION IN STANDBY MODE - NOT RECOGNIZED!", "ИНДИКАЦИЯ В ЖДУЩЕМ РЕЖИМЕ - НЕ РАСПОЗНАН!"},
    {MsgBadTouchPoll, "TOUCH BUTTON POLL - NOT RECOGNIZED!", "ОПРОС СЕНСОРНОЙ КНОПКИ - НЕ РАСПОЗНАН!"},
    {MsgBadOperatingMode, "READER OPERATING MODE - NOT RECOGNIZED!", "РЕЖИМ РАБОТЫ СЧИТЫВАТЕЛЯ - НЕ РАСПОЗНАН!"},
    {MsgBadIdOutputType, "ID CARD OUTPUT TYPE - NOT RECOGNIZED!", "ТИП ВЫВОДА ID КАРТЫ - НЕ РАСПОЗНАН!"},
    {MsgBadIdOutputFormat, "ID CARD OUTPUT FORMAT - NOT RECOGNIZED!", "ФОРМАТ ВЫВОДА ID КАРТЫ - НЕ РАСПОЗНАН!"},
    {MsgBadIdByteCount, "NUMBER OF BYTE ID CARD - NOT RECOGNIZED!", "КОЛИЧЕСТВО БАЙТ ID КАРТЫ - НЕ РАСПОЗНАНО!"},
    {MsgBadCardsToRead, "CARD FOR READ - NOT RECOGNIZED!", "ЧИТАТЬ КАРТЫ - НЕ РАСПОЗНАНО!"},
    {MsgCommandNotSupported, "The reader version does not support the command.", "Версия считывателя команду не поддерживает."},
    {MsgConfigSaveFailed, "Failed to save settings!\nRestart the program.", "Не удалось сохранить настройки!\nПерезапустите программу."},
    {MsgNoComPorts, "No COM ports found in the system!", "Не найдены COM-порты в системе!"},
    {MsgErrorOpening, "Error opening", "Ошибка при открытие"},
    {MsgConnectionBroken, "The connection is broken.", "Соединение нарушено."},
    {LblDisabled, "disabled!", "отключен!"},
    {MsgUsbDisconnected, "Connection broken.\n\r(Varko-7-USB disabled!)", "Соединение нарушено.\n\r(Varko-7-USB отключен!)"},
    {LblError, "Error", "Ошибка"},
    {MsgReadPortFailed, "when reading from a COM port!", "при считывание из COM-порта!"},
    {MsgWritePortFailed, "when writing to the COM port!", "при записи в COM-порт!"},
    {MsgHelpFileNotFound, "File not found!\n\rCheck for the presence of the help file (" KV_MANUAL_NAME ").", "Файл не найден!\n\rПроверьте наличие файла справки (" KV_MANUAL_NAME ")."},
    {MsgHelpCannotOpen, "Help file cannot be opened!", "Файл справки не возможно открыть!"},
    {MsgHelpOpenFailed, "Opening the help file failed!", "Открытие файла справки завершилось неудачей!"},
    {LblErrorCode, "Error code", "Код ошибки"},
    {MsgHelpFolderHint, "Open the help folder where the application is installed.\n\rDefault: C:\\KernoVarko-7 v.x.x\\help", "Откройте папку help, где установлено приложение.\n\rПо умолчанию: C:\\KernoVarko-7 v.x.x\\help"},
    {MsgInstallPdfViewer, "Install a PDF viewer on your PC.", "Установите на ПК программу для просмотра PDF-файлов."},
}};

// A row out of its key's place, or a key without a row, fails the build.
constexpr bool RowsInKeyOrder()
{
    for (int k = 0; k < TextKeyCount; ++k)
        if (kTexts[static_cast<std::size_t>(k)].key != k) return false;
    return true;
}
static_assert(RowsInKeyOrder(), "text rows follow the TextKey list");

const char* TextTable[TextKeyCount] = {};

}  // namespace

void SelectTextsFor(int language)
{
    if (language != 0 && language != 1) return;
    for (int k = 0; k < TextKeyCount; ++k)
        TextTable[k] = language == 1 ? kTexts[k].english : kTexts[k].russian;
}

const char* Text(TextKey key)
{
    const char* text = TextTable[key];
    return text ? text : "";
}

const char* TextIn(int language, TextKey key)
{
    return language == 1 ? kTexts[key].english : kTexts[key].russian;
}
