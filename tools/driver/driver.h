// kv-driver: looks at the configurator's windows from another process and
// acts on them the way an operator would. Every verb prints one JSON object.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

// ---- JSON output ---------------------------------------------------------
// Builds one JSON object as ASCII: every non-ASCII character is written as a
// \u escape so the output survives any console code page.
class Json {
public:
    Json& Key(const char* key);
    Json& Str(const std::string& utf8OrAscii);
    Json& WStr(const std::wstring& text);
    Json& Int(long long value);
    Json& Bool(bool value);
    Json& Null();
    Json& Hex(unsigned long long value, int digits = 8);  // "0x0000ABCD"
    Json& Raw(const std::string& json);
    Json& BeginObject() { return Open('{'); }
    Json& EndObject() { return Close('}'); }
    Json& BeginArray() { return Open('['); }
    Json& EndArray() { return Close(']'); }
    // An 8-bit text of the program as "<key>" (decoded as code page 1251)
    // and "<key>_hex" (its bytes).
    Json& Text(const char* key, const std::string& bytes);
    Json& Rect(const char* key, const RECT& r);  // {"x","y","w","h"}
    const std::string& Out() const { return out_; }

private:
    void Comma();
    Json& Open(char bracket);
    Json& Close(char bracket);
    std::string out_;
    std::vector<bool> first_;  // per open container: nothing written yet
    bool afterKey_ = false;
};

std::string HexBytes(const std::string& bytes);
bool ParseHexBytes(const std::string& hex, std::string* bytes);

// ---- Texts of other processes' windows -----------------------------------
// Wine marshals the W text messages between processes; the ANSI ones can stall
// or come back as UTF-16. So texts are read as UTF-16 and narrowed back to the
// program's 8-bit bytes with the ANSI code page both processes share (the
// harness runs them with the same locale), falling back to 1251 for Cyrillic.
bool ReadWindowText(HWND window, std::string* bytes);
bool ReadWindowTextW(HWND window, std::wstring* text);
std::string Narrow(const std::wstring& text);
std::wstring Decode1251(const std::string& bytes);
std::string ClassOf(HWND window);

// A command-line argument naming a text: "hex:C2E5F0..." gives those bytes,
// anything else is taken as it stands.
std::string ArgumentBytes(const std::string& argument);

// ---- Finding windows -----------------------------------------------------
constexpr int kMessageTimeoutMs = 2000;
constexpr int kPollMs = 50;

HWND FindMainWindow(int* count = nullptr);
// Top-level windows of the process that owns `anyOfIt`, of the given class
// (nullptr: any), in z-order.
std::vector<HWND> TopLevelWindows(DWORD processId, const char* className);
std::vector<HWND> DirectChildren(HWND parent);
DWORD ProcessOf(HWND window);
HWND FindProgressWindow(HWND main);
std::vector<HWND> MessageBoxes(DWORD processId);
HWND FindPopupMenu(DWORD processId);

// Client rectangle of `child` in `parent`'s client coordinates.
RECT RectIn(HWND parent, HWND child);
POINT ClientOrigin(HWND window);

// Sends with a time limit; false when the target did not answer in time.
bool SendTimed(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
               DWORD_PTR* result, int timeoutMs = kMessageTimeoutMs);

// ---- Memory inside the program ------------------------------------------
// Some tab-control messages carry pointers Wine does not marshal, so their
// buffers live in the target process. Not in a 32-bit program here: it runs
// under user-mode QEMU, whose guest addresses are not the host addresses
// that Read/WriteProcessMemory reach, so a buffer there is never touched.
bool MemoryReachable(HWND window);
class RemoteBuffer {
public:
    RemoteBuffer(HWND owner, size_t size);
    ~RemoteBuffer();
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;
    bool Ok() const { return address_ != nullptr; }
    void* Address() const { return address_; }
    bool Write(const void* data, size_t size, size_t offset = 0);
    bool Read(void* data, size_t size, size_t offset = 0);

private:
    HANDLE process_ = nullptr;
    void* address_ = nullptr;
};

bool TabItemRect(HWND tab, int index, RECT* rect);
bool TabItemText(HWND tab, int index, std::wstring* text);

// ---- Icons ---------------------------------------------------------------
struct IconMatch {
    std::string name;   // "program:4", "system:error", or "unknown"
    int resource = 0;   // 1..7 for the program's own icons
    double distance = 0;
    double runnerUp = 0;
};
// Identifies the picture a message box shows by comparing what is on screen
// inside its icon control with the candidates drawn here.
bool IdentifyIcon(HWND iconControl, const std::wstring& exePath, IconMatch* match,
                  std::string* error);
std::wstring ProcessImagePath(DWORD processId);

// ---- Verbs ---------------------------------------------------------------
struct Options {
    int timeoutMs = 5000;
    std::wstring exePath;       // of the program, for its icon resources
    std::string menuFile;       // the program's menu dump
    bool post = false;          // post clicks instead of sending them
    bool colours = false;       // window, wait-class: colours on screen too
    std::vector<std::string> args;  // verb first
};

// Runs one verb: fills `out` and returns the process exit code.
enum ExitCode { ExitOk = 0, ExitFailed = 1, ExitUsage = 2, ExitRefused = 3, ExitTimeout = 4 };
int RunVerb(const Options& options, Json& out);
// record FILE ARGS...: appends ARGS to FILE, one a line. Registered as a
// viewer, so the shell's command line is taken as it stands.
int Record(int argc, char** argv);
