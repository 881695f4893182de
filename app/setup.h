// The chief header of the start-up and wizard driver: its entry points. The session
// record and the platform sections that it fills for the layers below are in
// base/session.h.
//
// A run goes: WinMain (single instance, language, style, options, current directory)
// creates the hidden "SETUP" window; its WM_CREATE calls RunWizard, which opens
// setup.inf, chooses the platform sections, loads the session resources, shows the
// wizard and at the end closes the script and releases the resources.
#pragma once

#include "../base/options.h"
#include "../base/session.h"

#include <windows.h>
#include <setupapi.h>
#include <commctrl.h>
#include <prsht.h>

// The single instance and the hidden main window (mainwindow.cpp).
int ActivateOtherInstance();
HWND CreateMainWindow(HINSTANCE instance);
LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The default wizard style from the common controls version (style.cpp).
int GetCommonControlsVersion(DWORD* major, DWORD* minor);
int ProbeWizardStyle();

// Setup script and platform sections (script.cpp).
// Opens setup.inf from the program's folder; on failure shows message 1315, owned by
// `owner`, and returns INVALID_HANDLE_VALUE.
HINF OpenSetupScript(HINSTANCE instance, HWND owner);
void SelectPlatformSections(HINF inf);
// The sections that a Windows of the given platform id (VER_PLATFORM_WIN32_NT or not)
// and version would choose; SelectPlatformSections asks it for the running Windows, and
// the script checker for each family. The names are string constants.
void ChoosePlatformSections(HINF inf, DWORD platformId, DWORD major, DWORD minor, PlatformSections* sections);

// Session resources (session.cpp). Free releases them before the record goes and
// empties the fields.
int LoadSessionResources(HINSTANCE instance, SetupSession* session);
int FreeSessionResources(SetupSession* session);

// Interface language (language.cpp).
unsigned short DetectUserLanguage();
int EnumDialogLanguages(HINSTANCE instance, int templateId, unsigned short* languages, int capacity);
unsigned short ChooseInterfaceLanguage(HINSTANCE instance, int templateId);

// Restart (window.cpp).
int RestartSystem();
// Asks the user whether to restart now and restarts when the user agrees; 1 when the
// restart was started.
int PromptRestart(HWND owner);

// The wizard driver (wizard.cpp): the whole run; 0 when setup.inf could not be opened.
int RunWizard(HWND mainWindow);

// Wizard assembly (assembly.cpp; the page records and the sheet in assembly.h). Template
// copies are heap blocks of the process heap; each rewrite takes a copy and returns it,
// grown (perhaps moved), or unchanged when it cannot rewrite it. ComposeBitmap's bitmap
// is the caller's.
void* LoadDialogTemplate(HINSTANCE instance, int templateId);
void* AddExteriorBitmap(void* copy, int bitmapId);
void* AddInteriorHeader(void* copy, const char* title, const char* subtitle);
UINT CALLBACK ReleasePageTemplate(HWND window, UINT message, LPPROPSHEETPAGEA page);
HBITMAP ComposeBitmap(HWND window, HBITMAP source, int width, int height, int x, int y);
