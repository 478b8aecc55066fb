// kv7's command line: one command, its options, and the exit code.
#include <cstdlib>
#include <cstring>

#include "kv7.h"
#include "reader_types.h"
#include "version.h"

namespace {

using Runner = int (*)(const Options&);

struct Command {
    const char* name;
    Runner run;
    const char* usage;
};

constexpr Command Commands[] = {
    {"ports", RunPorts, "kv7 ports [--json]\n  One line per serial port; a USB device's port also shows usb VID:PID.\n"},
    {"find", RunFind,
     "kv7 find [--family ehx|usb] [--port P]... [--json]\n  One line per reader found, as \"COM4 Varko-7EHU 1.10\".\n"
     "  --port (repeatable) limits the search to those ports or device paths.\n"},
    {"read", RunRead,
     "kv7 read [--family ehx|usb] [--port P] [--json]\n  Prints the reader's settings as a profile (or one JSON object).\n"},
    {"write", RunWrite,
     "kv7 write [--family ehx|usb] [--port P] KEY=VALUE...\n"
     "  Changes the named keys, writes the record, reads it back and compares.\n"},
    {"save", RunSave, "kv7 save FILE [--family ehx|usb] [--port P]\n  Writes the reader's profile to FILE.\n"},
    {"apply", RunApply,
     "kv7 apply FILE [--family ehx|usb] [--port P]\n"
     "kv7 apply FILE --each [--family ehx|usb] [--port P] [--count N] [--report CSV]\n"
     "  Writes FILE's settings and verifies them; with --each, to every reader that\n"
     "  appears, until N readers or Ctrl+C, then prints \"N ok, M failed\".\n"
     "  --report appends one row per reader to the CSV file CSV.\n"},
    {"card", RunCard,
     "kv7 card [--family ehx|usb] [--port P] [--json]\n  Reads the identifiers of the card held to the reader.\n"},
};

// The options, and the commands that take each (none listed: every command).
struct OptionRule {
    const char* name;
    bool takesValue;
    const char* commands[6];
};

constexpr OptionRule Rules[] = {
    {"--log", true, {}},
    {"--family", true, {"find", "read", "write", "save", "apply", "card"}},
    {"--port", true, {"find", "read", "write", "save", "apply", "card"}},
    {"--json", false, {"ports", "find", "read", "card"}},
    {"--each", false, {"apply"}},
    {"--count", true, {"apply"}},
    {"--report", true, {"apply"}},
};

constexpr char CommonUsage[] =
    "Every command takes --log FILE (all traffic with timestamps) and --help;\n"
    "kv7 --version prints the release.\n"
    "Exit codes: 0 done, 1 usage or input refused, 2 no reader or port, 3 unexpected\n"
    "reply, 4 read-back differs.\n";

void PrintUsage(FILE* out, const Command* command)
{
    if (command) {
        std::fprintf(out, "usage: %s%s", command->usage, CommonUsage);
        return;
    }
    std::fprintf(out, "usage: kv7 COMMAND [options]\n\n");
    for (const Command& c : Commands) std::fprintf(out, "%s", c.usage);
    std::fprintf(out, "\n%s", CommonUsage);
}

int UsageError(const Command* command, const char* what, const char* arg)
{
    Fail("%s '%s'", what, arg);
    PrintUsage(stderr, command);
    return ExitRefused;
}

const OptionRule* FindRule(const char* option)
{
    for (const OptionRule& rule : Rules) {
        if (std::strcmp(rule.name, option) == 0) return &rule;
    }
    return nullptr;
}

// Which option takes which command; positional arguments are checked by the caller.
bool Allows(const char* command, const char* option)
{
    const OptionRule* rule = FindRule(option);
    if (!rule) return false;
    if (!rule->commands[0]) return true;
    for (const char* name : rule->commands) {
        if (name && std::strcmp(name, command) == 0) return true;
    }
    return false;
}

bool TakesValue(const char* option)
{
    const OptionRule* rule = FindRule(option);
    return rule && rule->takesValue;
}

// The words shell completion offers, from the tables above and the profile
// keys: "commands", "options COMMAND", or "settings" (one line per key:
// family, key and its values). Hidden: for the completion script alone.
int ListForCompletion(int argc, char** argv)
{
    const char* what = argc > 2 ? argv[2] : "";
    if (std::strcmp(what, "commands") == 0) {
        for (const Command& c : Commands) std::printf("%s\n", c.name);
    } else if (std::strcmp(what, "options") == 0 && argc > 3) {
        for (const OptionRule& rule : Rules) {
            if (Allows(argv[3], rule.name)) std::printf("%s\n", rule.name);
        }
        std::printf("--help\n");
    } else if (std::strcmp(what, "settings") == 0) {
        for (int family = Ehx; family <= Usb; ++family) {
            int count = 0;
            const ProfileKey* keys = ProfileKeysFor(family, &count);
            for (int k = 0; k < count; ++k) {
                std::printf("%s %s", FamilyName(family), keys[k].name);
                for (int v = 0; v < keys[k].valueCount; ++v) std::printf(" %s", keys[k].values[v].name);
                std::printf("\n");
            }
        }
    } else {
        return ExitRefused;
    }
    return ExitDone;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        PrintUsage(argc < 2 ? stderr : stdout, nullptr);
        return argc < 2 ? ExitRefused : ExitDone;
    }
    if (std::strcmp(argv[1], "--version") == 0) {
        std::printf("kv7 %s\n", KV_VERSION);
        return ExitDone;
    }
    if (std::strcmp(argv[1], "__complete") == 0) return ListForCompletion(argc, argv);
    const Command* command = nullptr;
    for (const Command& c : Commands) {
        if (std::strcmp(argv[1], c.name) == 0) command = &c;
    }
    if (!command) return UsageError(nullptr, "unknown command", argv[1]);

    Options options;
    options.command = command->name;
    const bool positionalFile = std::strcmp(command->name, "save") == 0 || std::strcmp(command->name, "apply") == 0;
    const bool takesSettings = std::strcmp(command->name, "write") == 0;
    for (int i = 2; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
            PrintUsage(stdout, command);
            return ExitDone;
        }
        if (arg[0] == '-' && arg[1] != '\0') {
            // --name=value is taken as well as --name value.
            char name[32];
            const char* value = nullptr;
            const char* equals = std::strchr(arg, '=');
            size_t length = equals ? static_cast<size_t>(equals - arg) : std::strlen(arg);
            if (length >= sizeof name) return UsageError(command, "unknown option", arg);
            std::memcpy(name, arg, length);
            name[length] = '\0';
            if (!Allows(command->name, name)) return UsageError(command, "unknown option", arg);
            if (TakesValue(name)) {
                if (equals) {
                    value = equals + 1;
                } else if (i + 1 < argc) {
                    value = argv[++i];
                } else {
                    return UsageError(command, "missing value for", name);
                }
            } else if (equals) {
                return UsageError(command, "no value is taken by", name);
            }
            if (std::strcmp(name, "--family") == 0) {
                if (std::strcmp(value, "ehx") == 0) options.family = Ehx;
                else if (std::strcmp(value, "usb") == 0) options.family = Usb;
                else return UsageError(command, "--family is ehx or usb, not", value);
            } else if (std::strcmp(name, "--port") == 0) {
                const bool many = std::strcmp(command->name, "find") == 0;
                if (std::strlen(value) >= PortNameSize) return UsageError(command, "port name too long:", value);
                if (options.portCount == (many ? MaxPorts : 1) || !value[0])
                    return UsageError(command, many ? "too many or empty --port" : "one --port only, not", value);
                options.ports[options.portCount++] = value;
            } else if (std::strcmp(name, "--count") == 0) {
                char* end = nullptr;
                options.count = std::strtol(value, &end, 10);
                if (*end != '\0' || options.count <= 0 || options.count > 1000000)
                    return UsageError(command, "--count is a positive number, not", value);
            } else if (std::strcmp(name, "--log") == 0) {
                options.logPath = value;
            } else if (std::strcmp(name, "--report") == 0) {
                options.reportPath = value;
            } else if (std::strcmp(name, "--json") == 0) {
                options.json = true;
            } else if (std::strcmp(name, "--each") == 0) {
                options.each = true;
            }
            continue;
        }
        if (positionalFile && !options.file) {
            options.file = arg;
        } else if (takesSettings && options.settingCount < 16 && std::strchr(arg, '=')) {
            options.settings[options.settingCount++] = arg;
        } else {
            return UsageError(command, "unexpected argument", arg);
        }
    }
    if (positionalFile && !options.file) return UsageError(command, "missing", "FILE");
    if (takesSettings && options.settingCount == 0) return UsageError(command, "missing", "KEY=VALUE");
    if (options.count && !options.each) return UsageError(command, "--count needs", "--each");
    if (options.reportPath && !options.each) return UsageError(command, "--report needs", "--each");

    if (options.logPath && !OpenTrafficLog(options.logPath)) {
        Fail("cannot write the log %s", options.logPath);
        return ExitRefused;
    }
    CatchInterrupt();
    int code = command->run(options);
    CloseTrafficLog();
    return code;
}
