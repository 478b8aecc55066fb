// kv7: provisioning Varko-7 readers from the command line, over the same
// transport and protocol units as the window.
#pragma once

#include <cstddef>
#include <cstdio>

#include "port_scan.h"
#include "profile_format.h"
#include "serial_link.h"

// Exit codes.
enum ExitCode : int {
    ExitDone = 0,
    ExitRefused = 1,      // usage, or input refused
    ExitNoReader = 2,     // no reader found, or the port cannot be opened
    ExitUnexpected = 3,   // the reader answered other than expected
    ExitMismatch = 4,     // the read-back differs from what was written
};

constexpr int MaxPorts = 16;
constexpr size_t PortNameSize = 64;
constexpr int AnyFamily = -1;

struct Options {
    const char* command = nullptr;
    const char* ports[MaxPorts] = {};
    int portCount = 0;
    int family = AnyFamily;
    bool json = false;
    bool each = false;
    long count = 0;              // --each: stop after this many readers (0: until Ctrl+C)
    const char* file = nullptr;  // save / apply
    const char* settings[16] = {};
    int settingCount = 0;
    const char* logPath = nullptr;
    const char* reportPath = nullptr;  // apply --each: the CSV record of the run
};

// A reader on an open line, as its settings reply describes it.
struct Reader {
    char port[PortNameSize] = {};
    SerialLink link;
    int family = AnyFamily;
    char modelCode = 0;
    int firmwareVersion = 0;
    char version[5] = {};
    unsigned char record[16] = {};   // version and letters, as the reply carried them
    bool supported = false;          // a firmware the window accepts
};

// ---- commands.cpp --------------------------------------------------------
int RunPorts(const Options& options);
int RunFind(const Options& options);
int RunRead(const Options& options);
int RunWrite(const Options& options);
int RunSave(const Options& options);
int RunApply(const Options& options);
int RunCard(const Options& options);

// ---- output.cpp ----------------------------------------------------------
void Fail(const char* format, ...) __attribute__((format(printf, 1, 2)));
void Warn(const char* format, ...) __attribute__((format(printf, 1, 2)));
// "COM4 Varko-7EHU 1.10"
void DescribeReader(const Reader& reader, char* text, size_t size);
bool PrintProfile(FILE* out, const Reader& reader, const Profile& profile);
void PrintJson(const Reader& reader, const Profile& profile);
void PrintCard(const Reader& reader, unsigned cardNumber, unsigned cipherId, bool json);
// One JSON array of the ports (with their USB identity) or of the readers found.
void PrintPortsJson(const ScannedPort* ports, int count);
void PrintReadersJson(const Reader* readers, int count);

// ---- report.cpp ----------------------------------------------------------
// Opens the CSV report for appending; the header goes into a new file.
bool OpenReport(const char* path);
// One row for a reader of the line, flushed at once; nothing when no report is open.
void ReportReader(const Reader& reader, int exitCode, const char* detail);
void CloseReport();

// ---- traffic_log.cpp -----------------------------------------------------
bool OpenTrafficLog(const char* path);
void CloseTrafficLog();
void AttachTrafficLog(SerialLink* link);
long long MonotonicMs();
void SleepMs(int ms);
// Ctrl+C asks the running command to stop at its next wait.
void CatchInterrupt();
bool Interrupted();
