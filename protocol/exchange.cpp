// One command-and-reply exchange over the serial transport, as kv7 runs it.
#include "reader_core.h"

ExchangeResult ExchangeCommand(SerialLink* link, const char* command, int length, int waitMs,
                               ReplyKind expected, ReaderReply* reply)
{
    *reply = ReaderReply{};
    if (!SerialWrite(link, command, length, &reply->systemError)) return ExchangeResult::WriteFailed;
    // One byte more than a reply may have tells a reader that runs on.
    if (!SerialRead(link, reply->bytes, ReplyBufferSize + 1, waitMs, &reply->length, &reply->systemError))
        return ExchangeResult::ReadFailed;
    if (reply->length == 0) return ExchangeResult::NoReply;
    if (reply->length > ReplyBufferSize) return ExchangeResult::TooLong;
    if (expected == ReplyKind::Unrecognized) return ExchangeResult::Ok;  // the caller judges it
    reply->kind = ClassifyReplyBytes(reply->bytes, reply->length, &reply->modelCode, &reply->firmwareVersion);
    if (reply->kind == expected) return ExchangeResult::Ok;
    return reply->kind == ReplyKind::UnknownCommand ? ExchangeResult::UnknownCommand : ExchangeResult::Unexpected;
}
