// The chief header of the start-up and wizard driver: the per-run session record, the
// platform sections chosen for the running Windows, and the driver's entry points.
//
// A run goes: WinMain (single instance, language, style, options, current directory)
// creates the hidden "SETUP" window; its WM_CREATE calls RunWizard, which opens
// setup.inf, chooses the platform sections, loads the session resources, shows the
// wizard and at the end closes the script and releases the resources.
#pragma once

#include "handles.h"
#include "options.h"

#include <windows.h>
#include <setupapi.h>
#include <commctrl.h>
#include <prsht.h>

// The handles behind the session's fields: released with the session record, or
// earlier by FreeSessionResources.
struct SessionHandles {
    UniqueIcon      WarningIcon;
    UniqueImageList ImageList;
    UniqueGdiObject TitleFont;
    UniqueGdiObject HeaderFont;
};

// Everything a run's pages and workers share. RunWizard fills it before the wizard
// opens and keeps it on its own frame; afterwards it is only read. Pages get its
// address from their page record; workers read it from their page's DWL_USER slot.
struct SetupSession {
    HINF       InfHandle;        // the open setup.inf (the run owns it)
    HIMAGELIST ImageList;        // bitmap 2: 16x16 images, mask colour RGB(0,128,128)
    HFONT      TitleFont;        // bold 12 point, the exterior pages' title line
    HFONT      HeaderFont;       // bold 8 point, the interior pages' header title
    HICON      WarningIcon;      // image 69 of ImageList
    char       ProductTitle[256];  // string 1300
    char       WelcomeText[1024];  // string 1301
    SessionHandles Handles;      // owns ImageList, the two fonts and WarningIcon
};

// The install, remove and products section names chosen for the running Windows.
struct PlatformSections {
    const char* InstallSection;
    const char* RemoveSection;
    const char* ProductsSection;
};

extern PlatformSections g_Sections;

// Start-up (main.cpp).
int ActivateOtherInstance();
HWND CreateMainWindow(HINSTANCE instance);
LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The default wizard style from the common controls version (style.cpp).
int GetCommonControlsVersion(DWORD* major, DWORD* minor);
int ProbeWizardStyle();

// The program's own file and folder (script.cpp).
// Full path of the program file, at most `size` bytes; 0 when it cannot be had.
int GetProgramPath(char* path, DWORD size);

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
// Makes `language` the calling thread's language on the NT family (nothing on the 95
// family): the thread locale, and from NT 6 on also the user-interface language, looked
// up at run time. Returns what SetThreadUILanguage answered; 0 when it was not called.
LANGID SetThreadLanguage(LANGID language);

// Placement and restart (window.cpp).
int GetMonitorWorkArea(HWND window, RECT* area);
void CenterWindow(HWND window, HWND reference);
int RestartSystem();
// Asks the user whether to restart now and restarts when the user agrees; returns what
// SetupPromptReboot returned.
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
