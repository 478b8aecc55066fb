// Reader facts shared by the window and kv7: commands, model names, firmware rules.
#include "reader_core.h"

#include "reader_types.h"

namespace {

struct ModelNameRow {
    char code;
    const char* name;
};

constexpr ModelNameRow ModelNames[] = {
    {ModelEhm, "Varko-7EHM"},
    {ModelEhu, "Varko-7EHU"},
    {ModelUsb, "Varko-7-USB"},
};
constexpr const char* UnknownModelName = "Varko-7xxx";

constexpr int FirstSevenByteFirmware = 110;
constexpr int FirstWiegand58Firmware = 110;

}  // namespace

const char* ReadCommandFor(int family)
{
    return family == Ehx ? ReadEhxCommand : family == Usb ? ReadUsbCommand : nullptr;
}

const char* ModelName(char modelCode)
{
    for (const ModelNameRow& row : ModelNames) {
        if (row.code == modelCode) return row.name;
    }
    return UnknownModelName;
}

bool AllowsWiegand58(char modelCode, int firmwareVersion)
{
    return modelCode == ModelEhm && firmwareVersion >= FirstWiegand58Firmware;
}

bool RefusesWiegand58(int firmwareVersion)
{
    return firmwareVersion < FirstWiegand58Firmware;
}

bool AllowsSevenByteIds(int firmwareVersion)
{
    return firmwareVersion >= FirstSevenByteFirmware;
}

bool AllowsCardReadout(int firmwareVersion)
{
    return firmwareVersion != FirmwareWithoutReadout;
}

