// kv7: provisioning Varko-7 readers from the command line, over the same
// transport and protocol units as the window.
#pragma once

#include <cstddef>
#include <cstdio>

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

// ---- traffic_log.cpp -----------------------------------------------------
bool OpenTrafficLog(const char* path);
void CloseTrafficLog();
void AttachTrafficLog(SerialLink* link);
long long MonotonicMs();
void SleepMs(int ms);
// Ctrl+C asks the running command to stop at its next wait.
void CatchInterrupt();
bool Interrupted();
