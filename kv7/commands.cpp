// kv7's commands: finding readers, reading, writing with read-back, profiles,
// the production line, and the card readout.
#include <cstring>

#include "card_id_format.h"
#include "kv7.h"
#include "port_scan.h"
#include "reader_core.h"
#include "settings_format.h"
#include "reader_types.h"

namespace {

// How long a reply's first byte may take, per kind of command.
constexpr int WriteReplyWaitMs = 1500;
constexpr int ReadReplyWaitMs = 1000;
// The production line looks for readers coming and going this often.
constexpr int PollMs = 200;

// Port names and paths; main() refuses a longer --port.
void CopyPortName(char* out, const char* name)
{
    const size_t n = strnlen(name, PortNameSize - 1);
    std::memcpy(out, name, n);
    out[n] = '\0';
}

// Outcome of looking at one port.
enum class Probe { Found, Silent, Refused, Unexpected, OpenFailed };

int ExitFor(ExchangeResult result)
{
    return result == ExchangeResult::WriteFailed || result == ExchangeResult::ReadFailed ? ExitNoReader
                                                                                         : ExitUnexpected;
}

void ReportExchange(const char* port, const char* what, ExchangeResult result, const ReaderReply& reply)
{
    char reason[160];
    switch (result) {
    case ExchangeResult::WriteFailed:
    case ExchangeResult::ReadFailed:
        SerialErrorText(reply.systemError, reason, sizeof reason);
        Fail("%s: %s failed: %s", port, result == ExchangeResult::WriteFailed ? "sending" : "reading", reason);
        return;
    case ExchangeResult::NoReply: Fail("%s: no reply to %s", port, what); return;
    case ExchangeResult::TooLong: Fail("%s: the reply to %s runs past %d bytes", port, what, ReplyBufferSize); return;
    case ExchangeResult::UnknownCommand: Fail("%s: the reader does not know %s", port, what); return;
    case ExchangeResult::Unexpected: Fail("%s: unrecognised reply to %s", port, what); return;
    case ExchangeResult::Ok: return;
    }
}

bool OpenReaderPort(Reader* reader, const char* port, bool quiet)
{
    if (port != reader->port) CopyPortName(reader->port, port);
    reader->link = SerialLink{};
    int error = 0;
    if (!SerialOpen(&reader->link, port, LineSpeed, &error)) {
        if (!quiet) {
            char reason[160];
            SerialErrorText(error, reason, sizeof reason);
            Fail("cannot open %s: %s", port, reason);
        }
        return false;
    }
    reader->link.name = reader->port;
    AttachTrafficLog(&reader->link);
    return true;
}

void TakeSettingsReply(Reader* reader, int family, const ReaderReply& reply)
{
    reader->family = family;
    reader->modelCode = reply.modelCode;
    reader->firmwareVersion = reply.firmwareVersion;
    std::memset(reader->record, 0, sizeof reader->record);
    std::memcpy(reader->record, reply.bytes, static_cast<size_t>(reply.length) < sizeof reader->record - 1
                                                 ? static_cast<size_t>(reply.length)
                                                 : sizeof reader->record - 1);
    std::snprintf(reader->version, sizeof reader->version, "%.4s", reinterpret_cast<const char*>(reply.bytes));
    reader->supported = CheckFirmwareText(reader->version, family) == 0;
}

// Asks the reader on the open line for its settings: the given family, or
// EHU/EHM first and USB when the reader refuses that.
ExchangeResult AskSettings(Reader* reader, int family, int waitMs, ReaderReply* reply)
{
    ExchangeResult result = ExchangeResult::UnknownCommand;
    for (int f = Ehx; f <= Usb; ++f) {
        if (family != AnyFamily && family != f) continue;
        result = ExchangeCommand(&reader->link, ReadCommandFor(f), CommandLength, waitMs, ReplyKind::ReadData, reply);
        if (result == ExchangeResult::Ok) {
            TakeSettingsReply(reader, f, *reply);
            return result;
        }
        if (result != ExchangeResult::UnknownCommand) return result;
    }
    return result;
}

// Asks the port for a reader's settings. A reader found keeps its line open
// when `keepOpen`, so the caller goes on from the settings it just read.
Probe ProbePort(const char* port, int family, int waitMs, Reader* reader, bool keepOpen = false)
{
    if (!OpenReaderPort(reader, port, true)) return Probe::OpenFailed;
    ReaderReply reply;
    const ExchangeResult result = AskSettings(reader, family, waitMs, &reply);
    if (result != ExchangeResult::Ok || !keepOpen) SerialClose(&reader->link);
    switch (result) {
    case ExchangeResult::Ok: return Probe::Found;
    case ExchangeResult::NoReply:
    case ExchangeResult::WriteFailed:
    case ExchangeResult::ReadFailed: return Probe::Silent;
    case ExchangeResult::UnknownCommand: return Probe::Refused;
    default: return Probe::Unexpected;
    }
}

// The ports a search looks at: those given, or for USB alone the reader's
// port, or every port of the machine.
int CandidatePorts(const Options& options, char (*names)[PortNameSize], int capacity)
{
    int count = 0;
    if (options.portCount > 0) {
        for (int i = 0; i < options.portCount && count < capacity; ++i)
            CopyPortName(names[count++], options.ports[i]);
        return count;
    }
    if (options.family == Usb) {
        if (FindReaderPort(names[0], PortNameSize)) count = 1;
        return count;
    }
    static ScannedPort ports[MaxScannedPorts];
    const int n = ScanSerialPorts(ports, MaxScannedPorts);
    for (int i = 0; i < n && count < capacity; ++i) CopyPortName(names[count++], ports[i].name);
    return count;
}

int FindReaders(const Options& options, Reader* found, int capacity, bool print)
{
    static char names[MaxScannedPorts][PortNameSize];
    const int candidates = CandidatePorts(options, names, MaxScannedPorts);
    int count = 0;
    for (int i = 0; i < candidates && count < capacity && !Interrupted(); ++i) {
        Reader reader;
        if (ProbePort(names[i], options.family, ProbeReplyWaitMs, &reader) != Probe::Found) continue;
        if (print) {
            char line[128];
            DescribeReader(reader, line, sizeof line);
            std::printf("%s\n", line);
            std::fflush(stdout);
            if (!reader.supported) Warn("%s: firmware %s is not supported", reader.port, reader.version);
        }
        found[count++] = reader;
    }
    return count;
}

// Opens the reader of --port, or the one reader a search finds, and reads
// its settings.
int ConnectReader(const Options& options, Reader* reader)
{
    char port[PortNameSize] = {};
    if (options.portCount == 1) {
        CopyPortName(port, options.ports[0]);
    } else {
        Reader found[MaxPorts];
        const int count = FindReaders(options, found, MaxPorts, false);
        if (count == 0) {
            Fail("no reader found");
            return ExitNoReader;
        }
        if (count > 1) {
            char list[256] = {};
            for (int i = 0; i < count; ++i) {
                std::strncat(list, i ? ", " : "", sizeof list - std::strlen(list) - 1);
                std::strncat(list, found[i].port, sizeof list - std::strlen(list) - 1);
            }
            Fail("several readers found (%s): choose one with --port", list);
            return ExitRefused;
        }
        CopyPortName(port, found[0].port);
    }
    if (!OpenReaderPort(reader, port, false)) return ExitNoReader;
    ReaderReply reply;
    const ExchangeResult result = AskSettings(reader, options.family, ReadReplyWaitMs, &reply);
    if (result != ExchangeResult::Ok) {
        ReportExchange(port, "the settings read", result, reply);
        SerialClose(&reader->link);
        return ExitFor(result);
    }
    return ExitDone;
}

// The reader's settings as a profile; a record with letters outside the
// tables is an unexpected reply.
int DecodeReader(const Reader& reader, Profile* profile)
{
    char why[160];
    if (!ProfileFromRecord(reader.family, reader.record, profile, why, sizeof why)) {
        Fail("%s: %s", reader.port, why);
        return ExitUnexpected;
    }
    return ExitDone;
}

// Connects, reads the settings and lets the line go.
int ReadProfile(const Options& options, Reader* reader, Profile* profile)
{
    int code = ConnectReader(options, reader);
    if (code != ExitDone) return code;
    SerialClose(&reader->link);
    return DecodeReader(*reader, profile);
}

int WarnUnsupported(const Reader& reader, bool written)
{
    Warn("%s: %s firmware %s is not supported%s", reader.port, ModelName(reader.modelCode), reader.version,
         written ? ": nothing written" : "");
    return ExitUnexpected;
}

// The window's firmware rules for the values a profile asks for.
bool CheckFirmwareRules(const Reader& reader, const Profile& wanted, char* why, size_t size)
{
    if (ProfileChecks(wanted, ChoiceWiegand58) && !AllowsWiegand58(reader.modelCode, reader.firmwareVersion)) {
        std::snprintf(why, size, "interface = wiegand58 needs a Varko-7EHM with firmware 1.10; this is a %s %s",
                      ModelName(reader.modelCode), reader.version);
        return false;
    }
    if (ProfileChecks(wanted, ChoiceBytes7) && !AllowsSevenByteIds(reader.firmwareVersion)) {
        std::snprintf(why, size, "id-bytes = 7 needs firmware 1.10; this reader has %s", reader.version);
        return false;
    }
    return true;
}

// Writes `wanted` over the reader's record, reads it back and compares.
// `why` gets the reason for anything but ExitDone.
int WriteAndVerify(Reader* reader, const Profile& wanted, Profile* readBack, char* why, size_t size)
{
    why[0] = '\0';
    char command[MaxCommandLength + 1] = {};
    const int length = ProfileCommand(wanted, reader->record, command);
    if (length == 0) {
        std::snprintf(why, size, "the reader's record does not decode");
        return ExitUnexpected;
    }
    ReaderReply reply;
    ExchangeResult result =
        ExchangeCommand(&reader->link, command, length, WriteReplyWaitMs, ReplyKind::WriteAck, &reply);
    if (result != ExchangeResult::Ok) {
        ReportExchange(reader->port, "the write", result, reply);
        std::snprintf(why, size, "the write was not acknowledged");
        return ExitFor(result);
    }
    result = ExchangeCommand(&reader->link, ReadCommandFor(reader->family), CommandLength, ReadReplyWaitMs,
                             ReplyKind::ReadData, &reply);
    if (result != ExchangeResult::Ok) {
        ReportExchange(reader->port, "the read-back", result, reply);
        std::snprintf(why, size, "no read-back");
        return ExitFor(result);
    }
    TakeSettingsReply(reader, reader->family, reply);
    if (DecodeReader(*reader, readBack) != ExitDone) {
        std::snprintf(why, size, "the read-back does not decode");
        return ExitUnexpected;
    }
    // Compare what was sent with what came back, key by key.
    Profile sent;
    char ignored[160];
    unsigned char sentRecord[16] = {};
    std::memcpy(sentRecord, reader->version, VersionLength);
    std::memcpy(sentRecord + VersionLength, command + WritePrefixLength, static_cast<size_t>(length - WritePrefixLength));
    ProfileFromRecord(reader->family, sentRecord, &sent, ignored, sizeof ignored);
    int keyCount = 0;
    const ProfileKey* keys = ProfileKeysFor(reader->family, &keyCount);
    size_t used = 0;
    for (int k = 0; k < keyCount; ++k) {
        if (sent.values[k] == readBack->values[k]) continue;
        int n = std::snprintf(why + used, size - used, "%s%s is %s, wanted %s", used ? "; " : "", keys[k].name,
                              readBack->values[k] == NotSet ? "?" : keys[k].values[readBack->values[k]].name,
                              sent.values[k] == NotSet ? "?" : keys[k].values[sent.values[k]].name);
        if (n < 0 || static_cast<size_t>(n) >= size - used) break;
        used += static_cast<size_t>(n);
    }
    return used ? ExitMismatch : ExitDone;
}

bool ReadFileText(const char* path, char* text, size_t size, size_t* length)
{
    FILE* f = std::fopen(path, "rb");
    if (!f) return false;
    *length = std::fread(text, 1, size, f);
    const bool whole = std::feof(f) || std::fgetc(f) == EOF;
    std::fclose(f);
    return whole && *length < size;
}

bool LoadProfile(const char* path, Profile* profile)
{
    static char text[16384];
    size_t length = 0;
    if (!ReadFileText(path, text, sizeof text, &length)) {
        Fail("%s: cannot read the profile (missing, unreadable or over %lu bytes)", path,
             static_cast<unsigned long>(sizeof text - 1));
        return false;
    }
    int line = 0;
    char why[256];
    if (!ParseProfile(text, length, profile, &line, why, sizeof why)) {
        if (line > 0) Fail("%s:%d: %s", path, line, why);
        else Fail("%s: %s", path, why);
        return false;
    }
    return true;
}

// Applies `wanted` to a connected reader: the refusals first (nothing is
// sent then), then the write with its read-back.
int ApplyToReader(Reader* reader, const Profile& wanted, const char* source, Profile* readBack, char* why,
                  size_t size)
{
    if (!reader->supported) {
        std::snprintf(why, size, "firmware %s is not supported", reader->version);
        return ExitUnexpected;
    }
    if (wanted.family != reader->family) {
        std::snprintf(why, size, "%sthe profile is for family %s, the reader is %s", source,
                      FamilyName(wanted.family), FamilyName(reader->family));
        return ExitRefused;
    }
    if (!CheckFirmwareRules(*reader, wanted, why, size)) return ExitRefused;
    return WriteAndVerify(reader, wanted, readBack, why, size);
}

int FinishApply(Reader* reader, const Profile& wanted, const char* source)
{
    Profile readBack;
    char why[512];
    int code = ApplyToReader(reader, wanted, source, &readBack, why, sizeof why);
    if (code == ExitDone) PrintProfile(stdout, *reader, readBack);
    else if (code == ExitUnexpected && !reader->supported) WarnUnsupported(*reader, true);
    else if (why[0]) Fail("%s: %s", reader->port, why);
    SerialClose(&reader->link);
    return code;
}

// ---- The production line -------------------------------------------------

bool Listed(char (*names)[PortNameSize], int count, const char* name)
{
    for (int i = 0; i < count; ++i) {
        if (std::strcmp(names[i], name) == 0) return true;
    }
    return false;
}

// Waits for a reader to appear: the --port path answering, the USB reader's
// port, or a port that was not there before and answers the probe. The
// reader's line is left open, its settings read.
bool WaitForReader(const Options& options, char (*known)[PortNameSize], int* knownCount, Reader* reader)
{
    while (!Interrupted()) {
        static char names[MaxScannedPorts][PortNameSize];
        const int count = CandidatePorts(options, names, MaxScannedPorts);
        for (int i = 0; i < count && !Interrupted(); ++i) {
            const bool mapped = options.portCount == 0 && options.family != Usb;
            if (mapped && Listed(known, *knownCount, names[i])) continue;
            if (!SerialPortPresent(names[i])) continue;
            Probe probe = ProbePort(names[i], options.family, ReadReplyWaitMs, reader, true);
            // A new port that is no reader is not asked again.
            if (mapped && *knownCount < MaxScannedPorts && probe != Probe::OpenFailed)
                CopyPortName(known[(*knownCount)++], names[i]);
            if (probe == Probe::Found) return true;
        }
        SleepMs(PollMs);
    }
    return false;
}

void WaitUntilGone(const Reader& reader, char (*known)[PortNameSize], int* knownCount)
{
    while (!Interrupted() && SerialPortPresent(reader.port)) SleepMs(PollMs);
    // Gone: the same port may bring the next reader.
    for (int i = 0; i < *knownCount; ++i) {
        if (std::strcmp(known[i], reader.port) == 0) {
            std::memcpy(known[i], known[--*knownCount], PortNameSize);
            break;
        }
    }
}

int RunLine(const Options& options, const Profile& wanted)
{
    static char known[MaxScannedPorts][PortNameSize];
    int knownCount = 0;
    if (options.portCount == 0 && options.family != Usb) {
        // Ports present at the start are not readers of this line.
        knownCount = CandidatePorts(options, known, MaxScannedPorts);
    }
    long ok = 0, failed = 0;
    int firstFailure = ExitDone;
    std::fprintf(stderr, "kv7: waiting for readers (Ctrl+C ends)\n");
    while (!Interrupted() && (options.count == 0 || ok + failed < options.count)) {
        Reader reader;
        if (!WaitForReader(options, known, &knownCount, &reader)) break;
        char line[128];
        DescribeReader(reader, line, sizeof line);
        Profile readBack;
        char why[512];
        const int code = ApplyToReader(&reader, wanted, "", &readBack, why, sizeof why);
        SerialClose(&reader.link);
        if (code == ExitDone) {
            ++ok;
            std::printf("%s ok\n", line);
        } else {
            ++failed;
            if (firstFailure == ExitDone) firstFailure = code;
            std::printf("%s FAILED: %s\n", line, why);
        }
        std::fflush(stdout);
        ReportReader(reader, code, why);
        // The last reader of a counted line need not be unplugged first.
        if (options.count != 0 && ok + failed >= options.count) break;
        WaitUntilGone(reader, known, &knownCount);
    }
    std::printf("%ld ok, %ld failed\n", ok, failed);
    // A line stopped before its first reader has nothing to report as ok.
    return firstFailure;
}

}  // namespace

int RunPorts(const Options& options)
{
    static ScannedPort ports[MaxScannedPorts];
    const int count = ScanSerialPorts(ports, MaxScannedPorts);
    if (options.json) {
        PrintPortsJson(ports, count);
        return ExitDone;
    }
    for (int i = 0; i < count; ++i) {
        if (ports[i].usbId[0]) std::printf("%s usb %s\n", ports[i].name, ports[i].usbId);
        else std::printf("%s\n", ports[i].name);
    }
    return ExitDone;
}

int RunFind(const Options& options)
{
    Reader found[MaxScannedPorts];
    const int count = FindReaders(options, found, MaxScannedPorts, !options.json);
    if (options.json) PrintReadersJson(found, count);
    if (count == 0) {
        Fail("no reader found");
        return ExitNoReader;
    }
    return ExitDone;
}

int RunRead(const Options& options)
{
    Reader reader;
    Profile profile;
    int code = ReadProfile(options, &reader, &profile);
    if (code != ExitDone) return code;
    if (options.json) PrintJson(reader, profile);
    else PrintProfile(stdout, reader, profile);
    return reader.supported ? ExitDone : WarnUnsupported(reader, false);
}

int RunWrite(const Options& options)
{
    Reader reader;
    int code = ConnectReader(options, &reader);
    if (code != ExitDone) return code;
    Profile wanted;
    wanted.family = reader.family;
    for (int i = 0; i < options.settingCount; ++i) {
        char key[64] = {};
        const char* equals = std::strchr(options.settings[i], '=');
        std::snprintf(key, sizeof key, "%.*s", static_cast<int>(equals - options.settings[i]), options.settings[i]);
        char why[256];
        if (!SetProfileSetting(&wanted, key, equals + 1, i + 1, why, sizeof why)) {
            Fail("%s", why);
            SerialClose(&reader.link);
            return ExitRefused;
        }
    }
    return FinishApply(&reader, wanted, "");
}

int RunSave(const Options& options)
{
    Reader reader;
    Profile profile;
    int code = ReadProfile(options, &reader, &profile);
    if (code != ExitDone) return code;
    FILE* out = std::fopen(options.file, "w");
    if (!out) {
        Fail("cannot write %s", options.file);
        return ExitRefused;
    }
    const bool written = PrintProfile(out, reader, profile);
    if (std::fclose(out) != 0 || !written) {
        Fail("cannot write %s", options.file);
        return ExitRefused;
    }
    return reader.supported ? ExitDone : WarnUnsupported(reader, false);
}

int RunApply(const Options& options)
{
    Profile wanted;
    if (!LoadProfile(options.file, &wanted)) return ExitRefused;
    if (options.each) {
        // A record that cannot be kept stops the line before any reader is touched.
        if (options.reportPath && !OpenReport(options.reportPath)) {
            Fail("cannot write the report %s", options.reportPath);
            return ExitRefused;
        }
        const int code = RunLine(options, wanted);
        CloseReport();
        return code;
    }
    Reader reader;
    int code = ConnectReader(options, &reader);
    if (code != ExitDone) return code;
    char source[300];
    std::snprintf(source, sizeof source, "%s: ", options.file);
    return FinishApply(&reader, wanted, source);
}

int RunCard(const Options& options)
{
    Reader reader;
    int code = ConnectReader(options, &reader);
    if (code != ExitDone) return code;
    if (!reader.supported || !AllowsCardReadout(reader.firmwareVersion)) {
        Fail("%s: %s firmware %s cannot read cards", reader.port, ModelName(reader.modelCode), reader.version);
        SerialClose(&reader.link);
        return ExitUnexpected;
    }
    ReaderReply reply;
    ExchangeResult result = ExchangeCommand(&reader.link, ReadIdsCommand, CommandLength, ReadReplyWaitMs,
                                            ReplyKind::Unrecognized, &reply);
    SerialClose(&reader.link);
    if (result != ExchangeResult::Ok) {
        ReportExchange(reader.port, "the card readout", result, reply);
        return ExitFor(result);
    }
    unsigned card = 0, cipher = 0;
    if (ParseCardReply(reply.bytes, ReplyBufferSize, &card, &cipher) != CardReplyCheck::Ok) {
        Fail("%s: unrecognised reply to the card readout", reader.port);
        return ExitUnexpected;
    }
    PrintCard(reader, card, cipher, options.json);
    return ExitDone;
}
