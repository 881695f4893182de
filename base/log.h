// The run's log ("/log:FILE"): plain text appended to a file, one line for each thing
// the run did or decided, each line starting with the local time, so that an
// administrator can tell why a run on a machine they cannot see did what it did.
//
// The log never changes the run: a file that cannot be opened or written leaves the run
// without a log, and without a log every call below does nothing. Lines come from the
// user-interface thread and the worker alike; each is written whole, under a lock, with
// CR LF line ends so that Notepad shows it on every Windows.
#pragma once

#include <windows.h>

// Opens (creates) `path` for appending; 1 when the run has a log. The folder must exist.
int OpenRunLog(const char* path);
void CloseRunLog();
// 1 while the run has a log, for callers that would work to build a line.
int RunLogIsOpen();

// One line, printf style; a line longer than 2,048 bytes is cut. Both keep the last error.
void LogLine(const char* format, ...) __attribute__((format(printf, 1, 2)));
// "`what`: error CODE: the system's text for it" (in English where the system has it).
void LogError(const char* what, DWORD code);
