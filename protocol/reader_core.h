// What the window and kv7 both know of the reader: the line, the waits, the
// model names, the firmware rules, and one command-and-reply exchange over
// the serial transport. Platform-free.
#pragma once

#include <cstddef>

#include "reply_format.h"
#include "serial_link.h"

constexpr unsigned LineSpeed = 19200;
// How long the reader may take before the first byte of a reply.
constexpr int ProbeReplyWaitMs = 140;   // the port scan's probe
constexpr int CardReplyWaitMs = 100;    // the window's card readout

// "AT+READS_EHX" or "AT+READS_USB", nullptr for another family.
const char* ReadCommandFor(int family);
// "Varko-7EHU", "Varko-7EHM", "Varko-7-USB", or "Varko-7xxx" for another letter.
const char* ModelName(char modelCode);

// ---- Firmware rules (versions in hundredths: 110 is 1.10) ----------------
// Wiegand 58 exists from firmware 1.10 on, and only on the EHM reader.
bool AllowsWiegand58(char modelCode, int firmwareVersion);
bool RefusesWiegand58(int firmwareVersion);   // the window disables the choice
// 7-byte identifiers exist from firmware 1.10 on.
bool AllowsSevenByteIds(int firmwareVersion);
// Firmware 1.00 readers do not know the card readout command.
bool AllowsCardReadout(int firmwareVersion);
constexpr int FirmwareWithoutReadout = 100;

// ---- One exchange --------------------------------------------------------
enum class ExchangeResult {
    Ok,             // a reply of the expected kind
    WriteFailed,    // the command could not be sent (systemError)
    ReadFailed,     // the line failed while reading (systemError)
    NoReply,        // nothing came within the wait
    TooLong,        // more than ReplyBufferSize bytes
    UnknownCommand, // the reader refused the command
    Unexpected,     // a reply without the expected marker
};

struct ReaderReply {
    ReplyKind kind = ReplyKind::Unrecognized;
    unsigned char bytes[ReplyBufferSize + 1] = {};   // as received (payload moved to the front for ReadData)
    int length = 0;
    char modelCode = 0;        // ReadData only
    int firmwareVersion = 0;   // ReadData only
    int systemError = 0;
};

// Sends `command`, waits up to `waitMs` for the reply's first byte, reads
// it until the line falls silent and classifies it; Ok when it is `expected`.
// With `expected` Unrecognized the reply is left unclassified and as received
// (the card reply, which has its own parser).
ExchangeResult ExchangeCommand(SerialLink* link, const char* command, int length, int waitMs,
                               ReplyKind expected, ReaderReply* reply);
