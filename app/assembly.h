// The wizard's pages and sheet, assembled for one run (assembly.cpp): the page records
// in the chosen style, the template copies they point to, and the sheet shown from them.
// The template copying and rewriting and the bitmap composition are declared in setup.h.
#pragma once

#include "setup.h"
#include "../base/handles.h"

#include <cstddef>

// The page record in the layout of the common controls 4.71: the first 40 bytes for the
// classic wizard, all 48 with the Wizard97 header members.
struct PageRecord {
    DWORD size;
    DWORD flags;
    HINSTANCE instance;
    const void* resource;
    HICON icon;
    const char* title;
    DLGPROC procedure;
    LPARAM parameter;
    LPFNPSPCALLBACKA callback;
    UINT* referenceCount;
    const char* headerTitle;
    const char* headerSubtitle;
};
static_assert(offsetof(PageRecord, headerTitle) == 40 && sizeof(PageRecord) == 48, "page record layout");

// The eight pages of a run. The records lie one after the other at the style's size,
// in room for eight of the larger size. The run owns the template copies until a
// classic sheet is shown (see ShowWizardSheet).
struct WizardPages {
    BYTE records[8 * sizeof(PageRecord)];
    UniqueHeapBlock templates[8];
};

// Fills all eight records, each carrying the session. 0 when a template is missing.
int AssembleWizardPages(WizardPages* pages, int classic, HINSTANCE instance, SetupSession* session);

// Shows the pages as a modal wizard sheet in `style` (WizardStyle), owned by `owner`,
// opening at page `startPage`; returns when the sheet has closed.
void ShowWizardSheet(WizardPages* pages, int style, UINT startPage, HWND owner, HINSTANCE instance);
