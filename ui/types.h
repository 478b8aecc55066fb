// The window's small value types: languages, its controls and their command
// ids, menu commands, icons and timers. No platform header: the window's
// platform-free units (texts, configuration file) include this too.
#pragma once

#include "reader_types.h"
#include "resource.h"

enum UiLanguage : int { Ru = 0, En = 1 };

// Every control of MainWindow in creation order, with its command id (0 for
// none). An option radio's id is the number of the choice it stands for.
// The one list: the Control and CommandId enums and the id table below all
// come from it.
#define KV_CONTROLS(X)                                                                            \
    X(PortCombo, 1) X(SearchButton, 2) X(VersionLabel, 33) X(VersionValue, 34) X(FamilyTabs, 0) \
    X(InterfaceGroup, 0) X(TouchMemoryRadio, ChoiceTouchMemory) X(Wiegand26Radio, ChoiceWiegand26) \
    X(Wiegand44Radio, ChoiceWiegand44) X(Wiegand58Radio, ChoiceWiegand58)                         \
    X(OperatingModeGroup, 0) X(WindowsModeRadio, ChoiceWindowsMode)                               \
    X(MultiOsModeRadio, ChoiceMultiOsMode)                                                        \
    X(IndicationControlGroup, 0) X(DirectRadio, ChoiceDirect) X(InverseRadio, ChoiceInverse)      \
    X(IdOutputFormatGroup, 0) X(HexOrDecRadio, ChoiceHexOrDec)                                    \
    X(TouchMemoryOutRadio, ChoiceTouchMemoryOut)                                                  \
    X(StandbyIndicationGroup, 0) X(DynamicRadio, ChoiceDynamic) X(StaticRadio, ChoiceStatic)      \
    X(StandbyOffRadio, ChoiceStandbyOff)                                                          \
    X(IdOutputTypeGroup, 0) X(HexRadio, ChoiceHex) X(DecRadio, ChoiceDec)                         \
    X(TouchPollGroup, 0) X(PollOnRadio, ChoicePollOn) X(PollOffRadio, ChoicePollOff)              \
    X(IdByteCountGroup, 0) X(Bytes7Radio, ChoiceBytes7) X(Bytes5Radio, ChoiceBytes5)              \
    X(Bytes4Radio, ChoiceBytes4) X(Bytes3Radio, ChoiceBytes3) X(Bytes2Radio, ChoiceBytes2)        \
    X(CardsToReadGroup, 0) X(CardsAllRadio, ChoiceCardsAll) X(CardsHidEmRadio, ChoiceCardsHidEm)  \
    X(CardsMifareRadio, ChoiceCardsMifare)                                                        \
    X(ReadButton, 14) X(WriteButton, 15) X(IndicatorGroup, 0)

#define KV_CONTROL_INDEX(name, id) name,
#define KV_CONTROL_ID(name, id) Id##name = id,
#define KV_CONTROL_ID_VALUE(name, id) id,

// Controls of MainWindow in creation order: indices into Controls[].
enum Control : int { KV_CONTROLS(KV_CONTROL_INDEX) ControlCount };

// Command identifiers: the controls' ids (IdPortCombo, IdDirectRadio, ...)
// and the menu items.
enum CommandId : int {
    KV_CONTROLS(KV_CONTROL_ID)
    IdMenuQuit = 16,
    IdMenuRussian = 17,
    IdMenuEnglish = 18,
    IdMenuReadId = 19,
    IdMenuHelp = 20,
    IdMenuAbout = 21,
};

// The command id of each control, by Control.
constexpr int ControlIds[ControlCount] = {KV_CONTROLS(KV_CONTROL_ID_VALUE)};

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
