// The queue of the bare Setup API program, shared by the benchmark's reference programs:
// the section's files queued with SP_COPY_NEWER, committed through the default queue
// callback, then its registry and INI entries. The source folder is the INF's folder.
#pragma once

#include <windows.h>

// Told of the files from the queue's thread: (0, count) when a run of `count` files
// begins, (1, 0) when one is done.
typedef void (*FileProgress)(WPARAM done, LPARAM count);

// Installs `section` of `inf`; 0 when every call succeeded. With `progress`, a callback
// in front of the default one tells it of every file (Wine's default callback tells a
// progress window nothing). The reference programs that have a window send it a message
// from there; the bare one passes null and so needs no user32 at all.
int InstallSection(const char* inf, const char* section, FileProgress progress);
