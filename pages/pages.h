// The eight wizard pages and what they share.
//
// Every page is a dialog procedure on the user-interface thread. It takes the session
// from its page record in WM_INITDIALOG (and keeps it in DWL_USER when it needs it
// later), answers property-sheet notifications through DWL_MSGRESULT, and always
// posts its wizard buttons, so that they take effect after the notification that
// caused them. In an unattended run the pages before the install page skip themselves
// and the progress and finish pages press their buttons.
#pragma once

#include <windows.h>
#include <setupapi.h>

// Indices of the pages in the property sheet.
const int PageWelcome = 0;
const int PageLicense = 1;
const int PageComponents = 2;
const int PageTargetDir = 3;
const int PageInstall = 4;
const int PageInstallFinish = 5;
const int PageRemove = 6;
const int PageRemoveFinish = 7;

INT_PTR CALLBACK WelcomePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK LicensePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK ComponentsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK TargetDirPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK InstallPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK InstallFinishPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK RemovePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK RemoveFinishPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// The licence text's stream-in callback: hands out the resource bytes in order.
struct LicenseStreamCookie {
    const BYTE* data;
    LONG size;
    LONG position;
};
DWORD CALLBACK LicenseStreamCallback(DWORD_PTR cookie, LPBYTE buffer, LONG requested, LONG* transferred);

// The error box of the progress pages: the sentence, and for a non-zero code an empty
// line and the system's text for it in the interface language. Returns 0.
int ShowSetupError(HWND owner, const char* sentence, DWORD code);
// The system's text for `code` in `language`, else in the system's default language;
// LocalFree releases it. nullptr when the system has none.
char* FormatSystemError(DWORD code, LANGID language);

// Lets the user pick a folder; a default sub-folder name is appended unless the chosen
// folder already ends with it. 1 with the path in `path` (MAX_PATH bytes), else 0.
int BrowseForTargetDir(HWND owner, char* path, const char* subfolder);

// The work area of the window's monitor, or of the desktop where the system cannot tell
// monitors apart (center.cpp). Always 1.
int GetMonitorWorkArea(HWND window, RECT* area);
// Centres `window` over `reference` (the work area when null) and pulls it into the work
// area of its monitor.
void CenterWindow(HWND window, HWND reference);

// The component page's check list (components.cpp): filled with the catalogue's rows
// (returns the number of catalogue entries), and its checked rows made the selection,
// which replaces the list *selected held (0 when memory ran out; the list is then kept).
int FillComponentList(HWND page, HINF inf);
int CollectCheckedProducts(HWND page, HINF inf, char** selected);
