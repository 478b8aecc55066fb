#include <cstdio>
#include <cstring>

#include "driver.h"

void Json::Comma()
{
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (!first_.empty()) {
        if (!first_.back()) out_ += ',';
        first_.back() = false;
    }
}

static void AppendEscaped(std::string& out, const std::wstring& text)
{
    out += '"';
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned c = text[i];
        char buf[8];
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20 || c >= 0x7F) {
                std::snprintf(buf, sizeof buf, "\\u%04x", c);
                out += buf;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    out += '"';
}

Json& Json::Key(const char* key)
{
    Comma();
    AppendEscaped(out_, std::wstring(key, key + strlen(key)));
    out_ += ':';
    afterKey_ = true;
    return *this;
}

Json& Json::Str(const std::string& utf8OrAscii)
{
    Comma();
    std::wstring wide;
    if (!utf8OrAscii.empty()) {
        int n = MultiByteToWideChar(CP_UTF8, 0, utf8OrAscii.data(),
                                    static_cast<int>(utf8OrAscii.size()), nullptr, 0);
        wide.resize(static_cast<size_t>(n));
        MultiByteToWideChar(CP_UTF8, 0, utf8OrAscii.data(), static_cast<int>(utf8OrAscii.size()),
                            wide.data(), n);
    }
    AppendEscaped(out_, wide);
    return *this;
}

Json& Json::WStr(const std::wstring& text)
{
    Comma();
    AppendEscaped(out_, text);
    return *this;
}

Json& Json::Int(long long value)
{
    Comma();
    out_ += std::to_string(value);
    return *this;
}

Json& Json::Bool(bool value)
{
    Comma();
    out_ += value ? "true" : "false";
    return *this;
}

Json& Json::Null()
{
    Comma();
    out_ += "null";
    return *this;
}

Json& Json::Hex(unsigned long long value, int digits)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "0x%0*llX", digits, value);
    return Str(buf);
}

Json& Json::Raw(const std::string& json)
{
    Comma();
    out_ += json;
    return *this;
}

Json& Json::Open(char bracket)
{
    Comma();
    out_ += bracket;
    first_.push_back(true);
    return *this;
}

Json& Json::Close(char bracket)
{
    out_ += bracket;
    first_.pop_back();
    return *this;
}

Json& Json::Text(const char* key, const std::string& bytes)
{
    Key(key).WStr(Decode1251(bytes));
    std::string hexKey = std::string(key) + "_hex";
    Key(hexKey.c_str()).Str(HexBytes(bytes));
    return *this;
}

Json& Json::Rect(const char* key, const RECT& r)
{
    Key(key).BeginObject();
    Key("x").Int(r.left).Key("y").Int(r.top);
    Key("w").Int(r.right - r.left).Key("h").Int(r.bottom - r.top);
    return EndObject();
}

std::string HexBytes(const std::string& bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string hex;
    for (unsigned char c : bytes) {
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    return hex;
}

static int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool ParseHexBytes(const std::string& hex, std::string* bytes)
{
    if (hex.size() % 2) return false;
    bytes->clear();
    for (size_t i = 0; i < hex.size(); i += 2) {
        int hi = HexDigit(hex[i]), lo = HexDigit(hex[i + 1]);
        if (hi < 0 || lo < 0) return false;
        *bytes += static_cast<char>(hi * 16 + lo);
    }
    return true;
}
