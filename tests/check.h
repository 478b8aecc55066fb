// A very small test framework for the unit and Win32 test programs: cases
// register themselves, CHECK records failures with file and line, and main()
// ends with the "N passed, N failed" line that the test runner reads.
#pragma once

#include <cstdio>
#include <cstring>
#include <string>

namespace check {

using CaseFn = void (*)();
struct Case {
    const char* name;
    CaseFn fn;
};

inline Case* cases() { static Case list[512]; return list; }
inline int& caseCount() { static int n = 0; return n; }
inline int& failures() { static int n = 0; return n; }

struct Register {
    Register(const char* name, CaseFn fn) { cases()[caseCount()++] = {name, fn}; }
};

inline void fail(const char* file, int line, const std::string& what)
{
    ++failures();
    std::printf("  FAIL %s:%d: %s\n", file, line, what.c_str());
}

// Files a test makes and reads back, byte for byte: binary mode, since the
// C runtime under Wine would turn LF into CR LF. "(missing)" when absent.
inline void writeFile(const char* path, const std::string& bytes)
{
    std::FILE* f = std::fopen(path, "wb");
    if (!f) return;
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

inline std::string readFile(const char* path)
{
    std::string bytes;
    std::FILE* f = std::fopen(path, "rb");
    if (!f) return "(missing)";
    for (int c; (c = std::fgetc(f)) != EOF;) bytes += static_cast<char>(c);
    std::fclose(f);
    return bytes;
}

inline std::string show(const std::string& s)
{
    std::string out = "\"";
    for (unsigned char c : s) {
        if (c >= 32 && c < 127 && c != '"' && c != '\\') {
            out += static_cast<char>(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    return out + "\"";
}
inline std::string show(const char* s) { return s ? show(std::string(s)) : "(null)"; }
inline std::string show(char* s) { return show(static_cast<const char*>(s)); }
inline std::string show(char c) { return show(std::string(1, c)); }
inline std::string show(bool b) { return b ? "true" : "false"; }
template <typename T>
std::string show(const T& v) { return std::to_string(v); }

template <typename A, typename B>
bool equal(const A& a, const B& b) { return a == b; }
inline bool equal(const char* a, const char* b) { return a && b ? std::strcmp(a, b) == 0 : a == b; }
inline bool equal(char* a, const char* b) { return equal(static_cast<const char*>(a), b); }
inline bool equal(const std::string& a, const char* b) { return b && a == b; }

// Runs every case (or those whose name contains argv[1]) and prints the summary.
inline int runAll(int argc, char** argv)
{
    const char* filter = argc > 1 ? argv[1] : nullptr;
    int passed = 0, failed = 0;
    for (int i = 0; i < caseCount(); ++i) {
        if (filter && !std::strstr(cases()[i].name, filter)) continue;
        int before = failures();
        cases()[i].fn();
        if (failures() == before) {
            ++passed;
        } else {
            ++failed;
            std::printf("FAILED %s\n", cases()[i].name);
        }
    }
    std::printf("%d passed, %d failed\n", passed, failed);
    std::fflush(stdout);
    return failed == 0 && passed > 0 ? 0 : 1;
}

}  // namespace check

#define CHECK_CAT2(a, b) a##b
#define CHECK_CAT(a, b) CHECK_CAT2(a, b)
#define TEST_CASE(name)                                                          \
    static void CHECK_CAT(test_fn_, __LINE__)();                                 \
    static check::Register CHECK_CAT(test_reg_, __LINE__)(name, &CHECK_CAT(test_fn_, __LINE__)); \
    static void CHECK_CAT(test_fn_, __LINE__)()

#define CHECK(cond)                                                              \
    do {                                                                         \
        if (!(cond)) check::fail(__FILE__, __LINE__, "CHECK(" #cond ")");        \
    } while (0)

#define CHECK_EQ(actual, expected)                                               \
    do {                                                                         \
        const auto& check_a_ = (actual);                                         \
        const auto& check_e_ = (expected);                                       \
        if (!check::equal(check_a_, check_e_))                                   \
            check::fail(__FILE__, __LINE__, std::string(#actual " is ") +        \
                        check::show(check_a_) + ", expected " + check::show(check_e_)); \
    } while (0)

#define TEST_MAIN() \
    int main(int argc, char** argv) { return check::runAll(argc, argv); }
