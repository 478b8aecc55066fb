// The words the window and kv7 share about a reader: its family, its model
// letter, the settings choices it offers and the colour each choice shows.
// No platform header.
#pragma once

enum ReaderFamily : int { Ehx = 0, Usb = 1 };

// Reader model letter as the reader echoes it in a settings reply.
enum ModelCode : char { ModelNone = 'X', ModelEhu = 'U', ModelEhm = 'M', ModelUsb = 'B' };

// Every value a settings field can take. The window gives each choice's
// radio this number as its control id, so the numbers are the ones the panel
// has always had; the gaps belong to the window's buttons and labels.
enum SettingChoice : int {
    NoChoice = 0,
    ChoiceTouchMemory = 3,
    ChoiceWiegand26 = 4,
    ChoiceWiegand44 = 5,
    ChoiceWiegand58 = 6,
    ChoiceDirect = 7,
    ChoiceInverse = 8,
    ChoiceDynamic = 9,
    ChoiceStatic = 10,
    ChoiceStandbyOff = 11,
    ChoicePollOn = 12,
    ChoicePollOff = 13,
    ChoiceWindowsMode = 22,
    ChoiceMultiOsMode = 23,
    ChoiceHexOrDec = 24,
    ChoiceTouchMemoryOut = 25,
    ChoiceHex = 26,
    ChoiceDec = 27,
    ChoiceBytes7 = 28,
    ChoiceBytes5 = 29,
    ChoiceBytes4 = 30,
    ChoiceBytes3 = 31,
    ChoiceBytes2 = 32,
    ChoiceCardsAll = 35,
    ChoiceCardsHidEm = 36,
    ChoiceCardsMifare = 37,
    SettingChoiceLimit
};

// Colours of the indicator dots, as COLORREF values 0x00BBGGRR.
enum DotColour : unsigned {
    DotRed = 0x000000FFu,
    DotGreen = 0x0000FF00u,
    DotBlue = 0x00FF0000u,
    DotCyan = 0x00FFFF00u,
    DotMagenta = 0x00FF00FFu,
    DotYellow = 0x0000FFFFu,
    DotWhite = 0x00FFFFFFu,
    DotBlack = 0x00000000u,
};
