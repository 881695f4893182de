// The decisions of start-up and of the end of the run that need no Windows call: reading
// the command line into RunOptions, naming the single-instance mutex, choosing the
// default wizard style, cutting the program path down to its folder, and the exit code.
#pragma once

#include "../base/options.h"

#include <cstddef>

// Applies the options of `text` (the command line after the program name) to
// `options`. Tokens are split at spaces outside double quotes, in place, the quotes
// removed as Windows programs remove them, so `text` is modified, and UnattendedList
// may point into it: the buffer must live as long as the run.
// Every option row that matches a token applies, in table order; case is ignored.
void ParseCommandLine(char* text, RunOptions* options);

// The mutex name for a program path: backslashes become underscores and A to Z are
// lower-cased. Writes at most `size` bytes including the zero (the name is cut to fit).
void MakeInstanceMutexName(const char* modulePath, char* name, size_t size);

// The default wizard style. `probed` tells whether the common controls version could be
// read; `windowsVersion` is the GetVersion result (top bit set: Windows 95 family).
int ChooseWizardStyle(int probed, unsigned long major, unsigned long minor,
                      unsigned long windowsVersion);

// The process's exit code for the run recorded in `options` (ExitCodes, Outcome,
// RebootNeeded, RestartStarted): always 0 without "/exitcodes"; else 0 success, 3010
// success with a restart needed, 1641 success with the restart started, 1602 cancelled,
// 1603 failed, 1605 unknown or not installed removal entry, 1618 another copy runs.
// `meaning` (may be null) receives a short English text of the code, for the log.
int RunExitCode(const RunOptions* options, const char** meaning);
