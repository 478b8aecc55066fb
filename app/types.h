// Small value types shared by every layer. No platform header here: the
// wire- and file-format units include this too.
#pragma once

#include "resource.h"

enum UiLanguage : int { Ru = 0, En = 1 };
enum ReaderFamily : int { Ehx = 0, Usb = 1 };

// Reader model letter as the reader echoes it in a settings reply.
enum ModelCode : char { ModelNone = 'X', ModelEhu = 'U', ModelEhm = 'M', ModelUsb = 'B' };

// Command identifiers: controls of the panel and items of the menus.
enum CommandId : int {
    IdPortCombo = 1,
    IdSearchButton = 2,
    IdTouchMemoryRadio = 3,
    IdWiegand26Radio = 4,
    IdWiegand44Radio = 5,
    IdWiegand58Radio = 6,
    IdDirectRadio = 7,
    IdInverseRadio = 8,
    IdDynamicRadio = 9,
    IdStaticRadio = 10,
    IdStandbyOffRadio = 11,
    IdPollOnRadio = 12,
    IdPollOffRadio = 13,
    IdReadButton = 14,
    IdWriteButton = 15,
    IdMenuQuit = 16,
    IdMenuRussian = 17,
    IdMenuEnglish = 18,
    IdMenuReadId = 19,
    IdMenuHelp = 20,
    IdMenuAbout = 21,
    IdWindowsModeRadio = 22,
    IdMultiOsModeRadio = 23,
    IdHexOrDecRadio = 24,
    IdTouchMemoryOutRadio = 25,
    IdHexRadio = 26,
    IdDecRadio = 27,
    IdBytes7Radio = 28,
    IdBytes5Radio = 29,
    IdBytes4Radio = 30,
    IdBytes3Radio = 31,
    IdBytes2Radio = 32,
    IdVersionLabel = 33,
    IdVersionValue = 34,
    IdCardsAllRadio = 35,
    IdCardsHidEmRadio = 36,
    IdCardsMifareRadio = 37,
};

// Resource numbers of the program's icons; 3 to 7 are the message box pictures.
enum ProgramIcon : int {
    IconProgram = IDI_KV_PROGRAM,
    IconHandshake = IDI_KV_HANDSHAKE,
    IconSuccess = IDI_KV_SUCCESS,
    IconWarning = IDI_KV_WARNING,
    IconError = IDI_KV_ERROR,
    IconHint = IDI_KV_HINT,
    IconRetry = IDI_KV_RETRY,
};

// Window timers of MainWindow; 1 to 3 pace a progress, 4 debounces device changes.
enum ProgressTimer : int { TimerSearch = 1, TimerRead = 2, TimerWrite = 3, TimerHotplug = 4 };

// COLORREF values, 0x00BBGGRR.
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
