// The decisions of start-up that need no Windows call: reading the command line into
// RunOptions, naming the single-instance mutex, choosing the default wizard style and
// cutting the program path down to its folder.
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
