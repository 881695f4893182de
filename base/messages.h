// Private window messages between a worker thread and the page that started it.
#pragma once

#include <windows.h>

// Posted by the step runner when a phase begins. wParam: 2 stopping services, 3 file
// queue, 4 INI and registry entries, 5 shortcuts, 6 starting services, -1 no more
// phases. lParam: 0.
const UINT WM_SETUP_PHASE = WM_USER + 10;

// Sent by the file queue callback on the worker thread. wParam 0: a (sub)queue starts,
// lParam the number of file operations to come; wParam non-zero: file operations done,
// lParam of them (one when lParam is 0).
const UINT WM_SETUP_PROGRESS = WM_USER + 11;

// A page that keeps this record under the window property FileProgressProperty is told
// of the file operations by count rather than one message each: the worker sends a count
// at most once a frame and only while no count is on its way (Told, which the page sets
// back to 0 when it takes one), and always sends what it has counted before the next
// part of the queue starts, after each part, and at the queue's end, so every count
// arrives in its part and before WM_SETUP_DONE. Under Wine each message to another
// thread's window costs about a tenth of a millisecond, as much as copying a small file.
struct FileProgress {
    volatile LONG Told;
};
const char FileProgressProperty[] = "SetupFileProgress";

// Posted by the worker exactly once, as its last action. wParam: 1 success, 0 failure;
// lParam: 0, or the Win32 error code of the failure.
const UINT WM_SETUP_DONE = WM_USER + 12;

// Phase codes of WM_SETUP_PHASE.
const int PhaseStoppingServices = 2;
const int PhaseFileQueue = 3;
const int PhaseRegistry = 4;
const int PhaseShortcuts = 5;
const int PhaseStartingServices = 6;
const int PhaseNone = -1;
