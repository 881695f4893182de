// The checker's output: one finding a line, "error:", "warning:" or "info:", then the
// section in brackets and the line's number in it when there is one, then the text.
//
// Line numbers come from the Setup API's line context: its Line member is the line's
// index in its section, which this prints counted from 1. The Setup API keeps no file
// line numbers for the lines it has read.
//
// The same problem can be met more than once (a section chosen by several Windows
// families, a library named twice): a finding whose whole text was printed already is
// not printed again, nor counted.

#include "checker.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

const char* SeverityName(Severity severity)
{
    switch (severity) {
    case SeverityError: return "error";
    case SeverityWarning: return "warning";
    default: return "info";
    }
}

// FNV-1a over the finding's text, to pass over most kept findings without comparing.
unsigned long HashText(const char* text)
{
    unsigned long hash = 2166136261ul;
    for (; *text; ++text) {
        hash ^= static_cast<unsigned char>(*text);
        hash = (hash * 16777619ul) & 0xFFFFFFFFul;
    }
    return hash;
}

// True the first time a text is seen: the same hash and the same text.
int IsNewFinding(Report* report, const char* text)
{
    const unsigned long hash = HashText(text);
    for (int i = 0; i < report->kept; ++i) {
        if (report->hash[i] == hash && std::strcmp(report->texts.Text + report->at[i], text) == 0) return 0;
    }
    if (report->kept < MaxFindings) {
        const size_t at = report->texts.Used ? report->texts.Used - 1 : 0;  // the end mark goes
        if (TextListAppend(&report->texts, text)) {
            report->hash[report->kept] = hash;
            report->at[report->kept] = at;
            ++report->kept;
        }
    }
    return 1;
}

} // namespace

void Print(Checker* checker, Severity severity, const char* section, const INFCONTEXT* line, const char* format, ...)
{
    char where[320] = "";
    if (section && line) {
        std::snprintf(where, sizeof where, "[%s] line %u: ", section, line->Line + 1);
    } else if (section) {
        std::snprintf(where, sizeof where, "[%s]: ", section);
    }
    char text[1024];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);

    char finding[1400];
    std::snprintf(finding, sizeof finding, "%s: %s%s", SeverityName(severity), where, text);
    if (!IsNewFinding(&checker->report, finding)) return;
    if (severity == SeverityError) ++checker->report.errors;
    if (severity == SeverityWarning) ++checker->report.warnings;
    std::printf("%s\n", finding);
}

void PrintSummary(Checker* checker)
{
    const Report& report = checker->report;
    std::printf("info: %d error%s, %d warning%s\n", report.errors, report.errors == 1 ? "" : "s", report.warnings,
                report.warnings == 1 ? "" : "s");
}
