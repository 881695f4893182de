// The records of one run that every layer reads: the session that the pages and workers
// share, and the platform sections chosen for the running Windows. The run (app/) fills
// both before the wizard opens.
#pragma once

#include "handles.h"

#include <windows.h>
#include <setupapi.h>
#include <commctrl.h>

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
