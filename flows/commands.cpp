// Settings exchange: the read and write commands and the operator's message
// for each kind of reply.
#include <windows.h>

#include "flows.h"
#include "reader_core.h"
#include "ui.h"

namespace {

struct ReplyOutcome {
    ReplyKind kind;
    TextKey text;
    int icon;
    bool quietWhileSearching;   // the port scan judges these replies itself
    bool dropsConfirmedLink;    // a confirmed reader that answers this way is lost
};

constexpr ReplyOutcome ReplyOutcomes[] = {
    {ReplyKind::Unrecognized, MsgReplyUnrecognized, IconError, true, true},
    {ReplyKind::UnknownCommand, MsgInvalidCommand, IconError, true, true},
    {ReplyKind::WriteAck, MsgSettingsWritten, IconSuccess, false, false},
    {ReplyKind::ReadData, MsgSettingsRead, IconSuccess, false, false},
};

// Tells the operator the reader is gone and lets them pick another port.
void ReportLostReader()
{
    Report(MsgNoReply, IconRetry);
    EnableWindow(Ctl(PortCombo), TRUE);
}

}  // namespace

void SendReadCommand()
{
    const char* command = ReadCommandFor(AppState.family);
    if (command == nullptr) return;
    if (WriteCommand(command, CommandLength)) {
        StartProgress(TimerRead, 500);
    } else {
        ResetLink();
    }
}

void SendWriteCommand(const char* bytes, int length)
{
    if (WriteCommand(bytes, length)) {
        StartProgress(TimerWrite, 500);
    } else {
        ResetLink();
    }
}

ReplyKind ClassifyReply(unsigned char* buffer, int length)
{
    char model = AppState.modelCode;
    int version = AppState.firmwareVersion;
    ReplyKind kind = ClassifyReplyBytes(buffer, length, &model, &version);
    if (kind == ReplyKind::ReadData) {
        AppState.modelCode = model;
        AppState.firmwareVersion = version;
    }
    return kind;
}

int CheckFirmwareVersion(const char* text)
{
    return CheckFirmwareText(text, AppState.family);
}

ReplyKind HandleReply()
{
    unsigned char buffer[ReplyBufferSize] = {};
    int received = 0;
    if (!ReadReply(buffer, ReplyBufferSize, &received)) {
        if (AppState.linkConfirmed) ReportLostReader();
        ResetLink();
        return ReplyKind::Unrecognized;
    }
    const ReplyKind kind = ClassifyReply(buffer, received);
    for (const ReplyOutcome& row : ReplyOutcomes) {
        if (row.kind != kind) continue;
        if (row.quietWhileSearching && AppState.searching) return kind;
        Report(row.text, row.icon);
        if (kind == ReplyKind::ReadData) DecodeSettings(buffer);
        if (row.dropsConfirmedLink && AppState.linkConfirmed) {
            ResetLink();
            ReportLostReader();
        }
    }
    return kind;
}

void FollowUpProgress(int timerId)
{
    if (timerId == TimerSearch)
        SearchReader();
    else
        HandleReply();
}
