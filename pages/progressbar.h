// The install page's progress bar under the file queue's steps (see barsteps.h): steps
// are carried over until they change what the bar draws, at most one move a frame, and
// the last step of a range shows at once. The state is the page's own: a record made at
// WM_INITDIALOG and kept in a window property of the page until WM_DESTROY, together with
// the flag through which the worker learns that the page took its last count
// (FileProgress).
#pragma once

#include <windows.h>

// The page's timer that shows carried steps when no step follows them.
const UINT_PTR BarTimer = 0x5354;

// Makes the page's record; without it (no memory) every step moves the bar at once. The
// bar is drawn plain, without the desktop's visual style (see progressbar.cpp).
void AttachBarSteps(HWND page);
// Frees the page's record.
void DetachBarSteps(HWND page);

// A new range of file steps on the page's bar (IDC_PROGRESS); the steps carried from the
// one before are shown first.
void StartBarSteps(HWND page, WORD range);
// `count` files done.
void StepBar(HWND page, int count);
// The files done that a WM_SETUP_PROGRESS message tells of (one for a count of 0); the
// worker may send the next count.
int TakeFileProgress(HWND page, LPARAM count);
// Gives the bar the steps it has not shown yet.
void FlushBarSteps(HWND page);
