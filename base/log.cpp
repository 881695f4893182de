#include "log.h"

#include "handles.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

const size_t MaxLine = 2048;

HANDLE g_Log = INVALID_HANDLE_VALUE;
CRITICAL_SECTION g_LogLock;

void WriteLine(const char* text, size_t length)
{
    EnterCriticalSection(&g_LogLock);
    // Another program (or a second copy of this one) may append to the same file.
    SetFilePointer(g_Log, 0, nullptr, FILE_END);
    DWORD written = 0;
    WriteFile(g_Log, text, static_cast<DWORD>(length), &written, nullptr);
    LeaveCriticalSection(&g_LogLock);
}

} // namespace

int OpenRunLog(const char* path)
{
    if (g_Log != INVALID_HANDLE_VALUE || !path || !*path) return g_Log != INVALID_HANDLE_VALUE;
    UniqueFile file(CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return 0;
    InitializeCriticalSection(&g_LogLock);
    g_Log = file.release();
    return 1;
}

void CloseRunLog()
{
    if (g_Log == INVALID_HANDLE_VALUE) return;
    UniqueFile file(g_Log);
    g_Log = INVALID_HANDLE_VALUE;
    DeleteCriticalSection(&g_LogLock);
}

int RunLogIsOpen()
{
    return g_Log != INVALID_HANDLE_VALUE;
}

void LogLine(const char* format, ...)
{
    if (g_Log == INVALID_HANDLE_VALUE) return;
    // The callers log a failure before they report it: its error must survive the line.
    const DWORD error = GetLastError();
    char line[MaxLine + 32];
    SYSTEMTIME now;
    GetLocalTime(&now);
    int at = std::snprintf(line, sizeof line, "%04u-%02u-%02u %02u:%02u:%02u.%03u ", now.wYear, now.wMonth, now.wDay,
                           now.wHour, now.wMinute, now.wSecond, now.wMilliseconds);
    if (at < 0) {
        SetLastError(error);
        return;
    }
    va_list arguments;
    va_start(arguments, format);
    const int length = std::vsnprintf(line + at, MaxLine, format, arguments);
    va_end(arguments);
    if (length < 0) {
        SetLastError(error);
        return;
    }
    size_t end = static_cast<size_t>(at) + (static_cast<size_t>(length) < MaxLine ? length : MaxLine - 1);
    // A text that ends in a line end of its own (the system's error texts do) gets one only.
    while (end > static_cast<size_t>(at) && (line[end - 1] == '\r' || line[end - 1] == '\n')) --end;
    line[end++] = '\r';
    line[end++] = '\n';
    WriteLine(line, end);
    SetLastError(error);
}

void LogError(const char* what, DWORD code)
{
    if (g_Log == INVALID_HANDLE_VALUE) return;
    const DWORD error = GetLastError();
    char text[512] = "";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                   MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), text, sizeof text, nullptr)
        || FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                          sizeof text, nullptr);
    // The system's texts end with a line end; the line is one line.
    for (char* c = text; *c; ++c) {
        if (*c == '\r' || *c == '\n') *c = ' ';
    }
    size_t length = std::strlen(text);
    while (length && text[length - 1] == ' ') text[--length] = '\0';
    SetLastError(error);
    LogLine("%s: error %lu: %s", what, static_cast<unsigned long>(code), text[0] ? text : "(no text)");
}
