// Starting the script's external programs through the shell, with "%hwnd%" in their
// parameters replaced by the progress page's window handle.
//
// A field of the Exec key that begins with "@" names a program directly instead of a
// program section: it is started at Exec level 2, the end of the run, with no
// parameters and no working directory, and waited for. Level 2 is the one moment at
// which everything the run installs is in place and the session may not yet end.

#include "programs.h"

#include "hwndtext.h"
#include "../base/handles.h"
#include "../base/log.h"
#include "../base/numbers.h"
#include "../setupapi/inf.h"

#include <shellapi.h>

#include <cstdio>
#include <cstring>

namespace {

const int DirectProgramLevel = 2;

// Runs one program with the process's current directory kept.
void RunKeepingDirectory(const char* program, const char* parameters, const char* directory, int flags, HWND window)
{
    char current[MAX_PATH];
    const DWORD length = GetCurrentDirectoryA(sizeof current, current);
    RunExternalProgram(program, parameters, directory, flags, window);
    if (length && length < sizeof current) SetCurrentDirectoryA(current);
}

} // namespace

int RunExternalProgram(const char* program, const char* parameters, const char* directory, int flags, HWND window)
{
    char text[1024];
    lstrcpynA(text, parameters ? parameters : "", sizeof text);
    char handle[11];
    FormatWindowHandle(static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(window)), handle);
    SubstituteWindowHandle(text, sizeof text, handle);

    SHELLEXECUTEINFOA execute = {};
    execute.cbSize = sizeof execute;
    // Without SEE_MASK_FLAG_NO_UI the shell reports a program it cannot start in a
    // message box of its own (seen on Wine 8, as on Windows 2000 and later), which would
    // hold the worker until answered; a program that cannot be started is skipped
    // silently instead.
    execute.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    execute.hwnd = GetDesktopWindow();
    execute.lpFile = program;
    execute.lpParameters = text;
    execute.lpDirectory = directory;
    execute.nShow = SW_SHOWNORMAL;
    LogLine("Program %s, parameters \"%s\", folder \"%s\": started through ShellExecuteEx%s", program, text,
            directory ? directory : "", (flags & ExecNoWait) ? ", not waited for" : "");
    if (!ShellExecuteExA(&execute)) {
        if (RunLogIsOpen()) {
            char what[MAX_PATH + 64];
            std::snprintf(what, sizeof what, "Program %s cannot be started", program);
            LogError(what, GetLastError());
        }
        return 0;
    }
    if (!execute.hProcess) {
        LogLine("Program %s: the shell handed it to a running process", program);
        return 0;
    }
    UniqueHandle process(execute.hProcess);
    if (flags & ExecNoWait) return 1;
    WaitForSingleObject(process.get(), INFINITE);
    DWORD exitCode = 0;
    GetExitCodeProcess(process.get(), &exitCode);
    LogLine("Program %s ended with exit code %lu", program, static_cast<unsigned long>(exitCode));
    if (flags & ExecDeleteAfter) DeleteFileA(program);
    return 1;
}

int RunSectionPrograms(HINF inf, const char* section, int level, HWND window)
{
    INFCONTEXT exec;
    if (!InfFindLine(inf, section, "Exec", &exec)) return 1;
    char named[256];
    for (DWORD field = 1; InfGetField(&exec, field, named, sizeof named); ++field) {
        if (named[0] == '@') {
            if (level == DirectProgramLevel && named[1]) RunKeepingDirectory(named + 1, "", "", 0, window);
            continue;
        }
        INFCONTEXT line;
        if (!InfFindLine(inf, named, nullptr, &line)) continue;
        do {
            long lineLevel = 0;
            if (!InfGetIntegerField(&line, 1, 16, &lineLevel) || lineLevel != level) continue;
            char program[256], parameters[256], directory[256];
            if (!InfGetField(&line, 2, program, sizeof program)) continue;
            InfGetField(&line, 3, parameters, sizeof parameters);
            InfGetField(&line, 4, directory, sizeof directory);
            long flags = 0;
            InfGetIntegerField(&line, 5, 16, &flags);
            RunKeepingDirectory(program, parameters, directory, static_cast<int>(flags), window);
        } while (InfNextLine(&line));
    }
    return 1;
}
