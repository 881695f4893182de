// The program's message boxes. Every box of a run goes through ShowRunMessage: its text
// goes to the run's log, and an unattended run with "/exitcodes", which nobody watches
// and whose caller waits for an exit code, does not show it at all but takes the answer
// the run gives in its place.
#pragma once

#include <windows.h>

// 1 in an unattended run ("/quiet" or "/silent") with "/exitcodes": nobody answers.
int RunAnswersItself();

// MessageBoxA(owner, text, caption, flags), or `unattendedAnswer` without a box when the
// run answers itself. The text is logged (as one line) in every run that has a log.
int ShowRunMessage(HWND owner, const char* text, const char* caption, UINT flags, int unattendedAnswer);
