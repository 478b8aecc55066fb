// The traffic log (every byte over the line, with the time, the direction and
// the port), and the few system services kv7 needs: a clock, sleeping, and
// Ctrl+C.
#include <cstdio>
#include <ctime>

#include "kv7.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <csignal>
#include <sys/time.h>
#include <unistd.h>
#endif

namespace {

FILE* LogFile = nullptr;
volatile bool InterruptSeen = false;

#ifdef _WIN32
BOOL WINAPI OnConsoleControl(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
    InterruptSeen = true;
    return TRUE;
}
#else
void OnInterrupt(int)
{
    InterruptSeen = true;
}
#endif

// Local wall-clock time with milliseconds: "2026-12-07 15:04:05.123".
void Timestamp(char* text, size_t size)
{
#ifdef _WIN32
    SYSTEMTIME t;
    GetLocalTime(&t);
    std::snprintf(text, size, "%04u-%02u-%02u %02u:%02u:%02u.%03u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
                  t.wSecond, t.wMilliseconds);
#else
    timeval now = {};
    gettimeofday(&now, nullptr);
    tm local = {};
    time_t seconds = now.tv_sec;
    localtime_r(&seconds, &local);
    char whole[32];
    std::strftime(whole, sizeof whole, "%Y-%m-%d %H:%M:%S", &local);
    std::snprintf(text, size, "%.19s.%03d", whole, static_cast<int>(now.tv_usec / 1000 % 1000));
#endif
}

void LogTraffic(void*, const char* port, bool sent, const unsigned char* bytes, int count)
{
    if (!LogFile) return;
    char when[40];
    Timestamp(when, sizeof when);
    std::fprintf(LogFile, "%s %s %s \"", when, sent ? "TX" : "RX", port);
    for (int i = 0; i < count; ++i) {
        const unsigned char c = bytes[i];
        if (c == '\n') std::fputs("\\n", LogFile);
        else if (c == '\r') std::fputs("\\r", LogFile);
        else if (c == '"' || c == '\\') std::fprintf(LogFile, "\\%c", c);
        else if (c >= 0x20 && c < 0x7F) std::fputc(c, LogFile);
        else std::fprintf(LogFile, "\\x%02X", c);
    }
    std::fputs("\" hex=", LogFile);
    for (int i = 0; i < count; ++i) std::fprintf(LogFile, "%02X", bytes[i]);
    std::fputc('\n', LogFile);
    std::fflush(LogFile);
}

}  // namespace

bool OpenTrafficLog(const char* path)
{
    LogFile = std::fopen(path, "a");
    return LogFile != nullptr;
}

void CloseTrafficLog()
{
    if (LogFile) std::fclose(LogFile);
    LogFile = nullptr;
}

void AttachTrafficLog(SerialLink* link)
{
    link->trace = LogTraffic;
}

long long MonotonicMs()
{
#ifdef _WIN32
    return static_cast<long long>(GetTickCount64());
#else
    timespec now = {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
#endif
}

void SleepMs(int ms)
{
#ifdef _WIN32
    Sleep(static_cast<DWORD>(ms));
#else
    usleep(static_cast<useconds_t>(ms) * 1000);
#endif
}

void CatchInterrupt()
{
#ifdef _WIN32
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
#else
    struct sigaction action = {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
#endif
}

bool Interrupted()
{
    return InterruptSeen;
}
