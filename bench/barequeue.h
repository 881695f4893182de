// The queue of the bare Setup API program, shared by the benchmark's reference programs:
// the section's files queued with SP_COPY_NEWER, committed through the default queue
// callback, then its registry and INI entries. The source folder is the INF's folder.
#pragma once

#include <windows.h>

// Installs `section` of `inf`; 0 when every call succeeded. With a window, a callback in
// front of the default one tells it of every file, the way setup.exe tells its page,
// without waiting for it (Wine's default callback sends none to a progress window):
// `message` with wParam 0 and the number of files when a run of files begins, with
// wParam 1 when one is done.
int InstallSection(const char* inf, const char* section, HWND window, UINT message);
