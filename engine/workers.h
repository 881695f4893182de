// The install and remove workers and the step runner they share.
//
// A worker runs on a thread of its own, started by a progress page with the page's
// window as its only parameter; it finds the session through the page's DWL_USER slot,
// prepares the section list, runs the steps, decides whether a restart is needed and
// posts WM_SETUP_DONE to the page as its last action.
#pragma once

#include <windows.h>
#include <setupapi.h>

DWORD WINAPI RunInstallWorker(LPVOID page);
DWORD WINAPI RunRemoveWorker(LPVOID page);

// Runs every stage over every section of `sections`; 1 when all stages completed, else
// 0 with the thread's last error describing the failure.
int RunSetupSteps(HINF inf, const char* sections, HWND page);
