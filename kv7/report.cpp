// The production line's report: one CSV row per reader, for the acceptance
// record an installer hands over. Each row is flushed as its reader
// finishes, so a Ctrl+C or a crash loses no reader already done.
#include <cstring>
#include <ctime>

#include "kv7.h"
#include "reader_core.h"

namespace {

constexpr char Header[] = "time,port,model,firmware,result,exit,detail\r\n";

FILE* report = nullptr;

// A field as CSV wants it: quoted, with quotes doubled, when it holds a
// comma, a quote or a line end.
void WriteField(const char* text, bool last)
{
    if (std::strpbrk(text, ",\"\r\n")) {
        std::fputc('"', report);
        for (const char* c = text; *c; ++c) {
            if (*c == '"') std::fputc('"', report);
            std::fputc(*c, report);
        }
        std::fputc('"', report);
    } else {
        std::fputs(text, report);
    }
    std::fputs(last ? "\r\n" : ",", report);
}

// Local time to the second with its offset from UTC: 2026-12-07T21:05:09+03:00.
void LocalTimestamp(char* text, size_t size)
{
    const std::time_t now = std::time(nullptr);
    const std::tm local = *std::localtime(&now);
    const std::tm utc = *std::gmtime(&now);
    // The day differs by one at most; across a new year the year tells which way.
    int days = local.tm_yday - utc.tm_yday;
    if (local.tm_year != utc.tm_year) days = local.tm_year > utc.tm_year ? 1 : -1;
    const int minutes = days * 1440 + (local.tm_hour - utc.tm_hour) * 60 + (local.tm_min - utc.tm_min);
    const int offset = minutes < 0 ? -minutes : minutes;
    char date[24];
    std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &local);
    std::snprintf(text, size, "%s%c%02d:%02d", date, minutes < 0 ? '-' : '+', offset / 60, offset % 60);
}

}  // namespace

bool OpenReport(const char* path)
{
    report = std::fopen(path, "ab");
    if (!report) return false;
    // Runs append: the header goes only into a new or empty file.
    std::fseek(report, 0, SEEK_END);
    if (std::ftell(report) == 0 && (std::fputs(Header, report) < 0 || std::fflush(report) != 0)) {
        CloseReport();
        return false;
    }
    return true;
}

void ReportReader(const Reader& reader, int exitCode, const char* detail)
{
    if (!report) return;
    char time[40], code[8];
    LocalTimestamp(time, sizeof time);
    std::snprintf(code, sizeof code, "%d", exitCode);
    WriteField(time, false);
    WriteField(reader.port, false);
    WriteField(ModelName(reader.modelCode), false);
    WriteField(reader.version, false);
    WriteField(exitCode == ExitDone ? "ok" : "failed", false);
    WriteField(code, false);
    WriteField(exitCode == ExitDone ? "" : detail, true);
    if (std::fflush(report) != 0) Warn("the report could not be written");
}

void CloseReport()
{
    if (report) std::fclose(report);
    report = nullptr;
}
