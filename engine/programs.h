// External programs that the script's Exec sections start at three moments of a run:
// level 1 before anything changes, level 2 at the end of the run, level 3 last, while
// the end of the Windows session is no longer refused.
//
// Program line: Key = level, program, parameters, working directory, flags. Flags: 1 do
// not wait; 2 delete the program file after it ended (only when waiting).
#pragma once

#include <windows.h>
#include <setupapi.h>

const int ExecNoWait = 1;
const int ExecDeleteAfter = 2;

int RunSectionPrograms(HINF inf, const char* section, int level, HWND window);
int RunExternalProgram(const char* program, const char* parameters, const char* directory, int flags, HWND window);
