// kv-driver VERB [ARGS] [--timeout MS] [--exe PATH] [--menu-file PATH] [--post] [--colours]
// Prints one JSON object on stdout; the exit code says how the verb ended
// (0 done, 1 failed, 2 usage, 3 refused as an operator could not do it,
// 4 time limit passed). See README.md.
// kv-driver record FILE ARGS...: the stand-in PDF viewer; prints nothing.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "driver.h"

static std::wstring Widen(const char* text)
{
    std::wstring wide;
    int n = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (n <= 1) return wide;
    wide.resize(static_cast<size_t>(n - 1));
    MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), n);
    return wide;
}

// The shell starts the viewer with its own command line: take the arguments
// as they stand (no options) and print nothing.
int Record(int argc, char** argv)
{
    FILE* file = std::fopen(argv[2], "ab");
    if (!file) return ExitFailed;
    for (int i = 3; i < argc; ++i) std::fprintf(file, "%s\n", argv[i]);
    return std::fclose(file) == 0 ? ExitOk : ExitFailed;
}

int main(int argc, char** argv)
{
    if (argc >= 3 && std::strcmp(argv[1], "record") == 0) return Record(argc, argv);
    Options options;
    Json out;
    out.BeginObject();
    int code = ExitOk;
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        auto value = [&](const char* name) -> const char* {
            if (i + 1 >= argc) {
                out.Key("ok").Bool(false).Key("error").Str(std::string("missing value after ") + name);
                code = ExitUsage;
                return nullptr;
            }
            return argv[++i];
        };
        if (std::strcmp(a, "--timeout") == 0) {
            if (const char* v = value(a)) options.timeoutMs = std::atoi(v);
        } else if (std::strcmp(a, "--exe") == 0) {
            if (const char* v = value(a)) options.exePath = Widen(v);
        } else if (std::strcmp(a, "--menu-file") == 0) {
            if (const char* v = value(a)) options.menuFile = v;
        } else if (std::strcmp(a, "--post") == 0) {
            options.post = true;
        } else if (std::strcmp(a, "--colours") == 0) {
            options.colours = true;
        } else {
            options.args.push_back(a);
        }
        if (code != ExitOk) break;
    }
    if (code == ExitOk) {
        if (!options.args.empty()) out.Key("verb").Str(options.args[0]);
        code = RunVerb(options, out);
    }
    out.Key("exit").Int(code);
    out.EndObject();
    std::fputs(out.Out().c_str(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
    return code;
}
