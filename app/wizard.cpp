// The wizard driver: one call runs a whole installation or removal.
//
// Order: open setup.inf (a failure is reported and ends the run), choose the platform
// sections, load the session resources, prepare the eight pages in the chosen style,
// ask the two gates (the start conditions and the product catalogue, each of which
// tells the user why when it refuses), show the modal wizard; then restart or offer
// the restart when one is needed, whatever the wizard or the gates did, close the
// script and release everything. The session record lives on this function's frame,
// so it outlives every page and worker of the run.

#include "setup.h"
#include "dlgtemplate.h"
#include "../catalogue/catalogue.h"
#include "../catalogue/conditions.h"
#include "../catalogue/registration.h"
#include "../pages/pages.h"
#include "../resources/resource.h"

#include <prsht.h>

#include <cstddef>
#include <cstdio>
#include <cstring>

namespace {

// The page and sheet records in the layouts of the common controls 4.71: the first 40
// (52) bytes for the classic wizard, 48 (52) with the Wizard97 header members.
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

struct SheetRecord {
    DWORD size;
    DWORD flags;
    HWND owner;
    HINSTANCE instance;
    HICON icon;
    const char* caption;
    UINT pageCount;
    UINT startPage;
    const PageRecord* pages;
    PFNPROPSHEETCALLBACK callback;
    const void* watermark;
    HPALETTE palette;
    const void* header;
};
static_assert(offsetof(SheetRecord, watermark) == 40 && sizeof(SheetRecord) == 52, "sheet record layout");

const DWORD ClassicPageSize = 40;
const DWORD WizardPageSize = 48;
const DWORD ClassicSheetSize = 40;
const DWORD WizardSheetSize = 52;

// Flags with the values of the common controls 4.71, which every system understands.
const DWORD PageClassicFlags = PSP_DLGINDIRECT | PSP_USECALLBACK;                                   // 0x81
const DWORD PageExteriorFlags = PSP_DLGINDIRECT | PSP_HIDEHEADER;                                   // 0x801
const DWORD PageInteriorFlags = PSP_DLGINDIRECT | PSP_USEHEADERTITLE | PSP_USEHEADERSUBTITLE;       // 0x3001
const DWORD SheetClassicFlags = 0x28;      // PSH_PROPSHEETPAGE, PSH_WIZARD
const DWORD SheetComposedFlags = 0x1DA008; // and PSH_WIZARD97 (0x2000), watermark and header as bitmaps
const DWORD SheetResourceFlags = 0x8A008;  // and PSH_WIZARD97, watermark and header by resource id

struct PageDefinition {
    DLGPROC procedure;
    int templateId;
    int title, subtitle;
    bool exterior;
};

const PageDefinition Pages[8] = {
    {WelcomePageProc, IDD_WELCOME, 0, 0, true},
    {LicensePageProc, IDD_LICENSE, IDS_LICENSE_TITLE, IDS_LICENSE_SUBTITLE, false},
    {ComponentsPageProc, IDD_COMPONENTS, IDS_COMPONENTS_TITLE, IDS_COMPONENTS_SUBTITLE, false},
    {TargetDirPageProc, IDD_TARGETDIR, IDS_TARGETDIR_TITLE, IDS_TARGETDIR_SUBTITLE, false},
    {InstallPageProc, IDD_INSTALL, IDS_INSTALL_TITLE, IDS_INSTALL_SUBTITLE, false},
    {InstallFinishPageProc, IDD_INSTALL_FINISH, 0, 0, true},
    {RemovePageProc, IDD_REMOVE, 0, 0, true},
    {RemoveFinishPageProc, IDD_REMOVE_FINISH, 0, 0, true},
};

// A removal of named entries goes ahead only when the script knows every name: the
// Uninstall key also holds other programs' entries, which are not this package's to
// delete. Tells the user which name it does not know.
bool RemovalNamesKnown(HINF inf, HINSTANCE instance, HWND owner)
{
    if (g_Options.Action != ActionRemove) return true;
    for (const char* key = g_Options.SelectedProducts; key && *key; key += std::strlen(key) + 1) {
        if (IsPackageEntry(inf, key)) continue;
        char format[256] = "", text[256 + 128];
        LoadStringA(instance, IDS_UNKNOWN_ENTRY, format, sizeof format);
        std::snprintf(text, sizeof text, format, key);
        MessageBoxA(owner, text, nullptr, MB_OK | MB_ICONERROR);
        return false;
    }
    return true;
}

void* HeapResize(void* block, size_t size)
{
    return block ? HeapReAlloc(GetProcessHeap(), 0, block, size) : HeapAlloc(GetProcessHeap(), 0, size);
}

} // namespace

void* LoadDialogTemplate(HINSTANCE instance, int templateId)
{
    HRSRC resource = FindResourceA(instance, MAKEINTRESOURCEA(templateId), reinterpret_cast<LPCSTR>(RT_DIALOG));
    if (!resource) return nullptr;
    const DWORD size = SizeofResource(instance, resource);
    const void* data = LockResource(LoadResource(instance, resource));
    if (!data || !size) return nullptr;
    void* copy = HeapAlloc(GetProcessHeap(), 0, size);
    if (copy) std::memcpy(copy, data, size);
    return copy;
}

// Both rewrites grow the copy to its used size plus exactly the room of the new items.
void* AddExteriorBitmap(void* copy, int bitmapId)
{
    DialogTemplateInfo info;
    const size_t size = HeapSize(GetProcessHeap(), 0, copy);
    if (!ReadDialogTemplate(static_cast<uint8_t*>(copy), size, &info)) return copy;
    const size_t grown = info.used + StaticItemSize(info.extended, -1);
    uint8_t* data = static_cast<uint8_t*>(HeapResize(copy, grown));
    if (!data) return copy;
    AdjustDialogTemplate(data, grown, -7, -14, 1);
    const StaticItem picture = {0x5002080E, 0, 0, 95, 179, 0xFFFF, nullptr, static_cast<uint16_t>(bitmapId)};
    AppendStaticItem(data, grown, info.used, info.extended, picture);
    return data;
}

void* AddInteriorHeader(void* copy, const char* title, const char* subtitle)
{
    WCHAR wideTitle[1024], wideSubtitle[1024];
    if (!MultiByteToWideChar(CP_ACP, 0, title, -1, wideTitle, 1024)) wideTitle[0] = 0;
    if (!MultiByteToWideChar(CP_ACP, 0, subtitle, -1, wideSubtitle, 1024)) wideSubtitle[0] = 0;
    wideTitle[1023] = wideSubtitle[1023] = 0;
    const int titleLength = lstrlenW(wideTitle), subtitleLength = lstrlenW(wideSubtitle);

    DialogTemplateInfo info;
    const size_t size = HeapSize(GetProcessHeap(), 0, copy);
    if (!ReadDialogTemplate(static_cast<uint8_t*>(copy), size, &info)) return copy;
    const size_t grown = info.used + StaticItemSize(info.extended, titleLength)
                         + StaticItemSize(info.extended, subtitleLength) + StaticItemSize(info.extended, 0);
    uint8_t* data = static_cast<uint8_t*>(HeapResize(copy, grown));
    if (!data) return copy;
    AdjustDialogTemplate(data, grown, 36, 36, 3);
    const uint16_t empty[1] = {0};
    const StaticItem items[3] = {
        {0x5002000C, 7, 0, 310, 8, 0xFFF0, reinterpret_cast<const uint16_t*>(wideTitle), 0},
        {0x50020000, 21, 9, 296, 16, 0xFFF1, reinterpret_cast<const uint16_t*>(wideSubtitle), 0},
        {0x50021007, 0, 28, 317, 1, 0xFFFF, empty, 0},
    };
    size_t at = info.used;
    for (const StaticItem& item : items) at = AppendStaticItem(data, grown, at, info.extended, item);
    return data;
}

UINT CALLBACK ReleasePageTemplate(HWND, UINT message, LPPROPSHEETPAGEA page)
{
    if (message != PSPCB_RELEASE) return 1;
    if (page && page->pResource) HeapFree(GetProcessHeap(), 0, const_cast<DLGTEMPLATE*>(page->pResource));
    return 0;
}

HBITMAP ComposeBitmap(HWND window, HBITMAP source, int width, int height, int x, int y)
{
    BITMAP size = {};
    GetObjectA(source, sizeof size, &size);
    HDC windowDc = GetDC(window);
    HDC canvasDc = CreateCompatibleDC(windowDc);
    HDC sourceDc = CreateCompatibleDC(windowDc);
    HBITMAP canvas = CreateCompatibleBitmap(windowDc, width, height);
    HGDIOBJ oldCanvas = SelectObject(canvasDc, canvas);
    HGDIOBJ oldSource = SelectObject(sourceDc, source);
    RECT all = {0, 0, width, height};
    FillRect(canvasDc, &all, reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1)));
    BitBlt(canvasDc, x, y, size.bmWidth, size.bmHeight, sourceDc, 0, 0, SRCCOPY);
    SelectObject(canvasDc, oldCanvas);
    SelectObject(sourceDc, oldSource);
    DeleteDC(canvasDc);
    DeleteDC(sourceDc);
    ReleaseDC(window, windowDc);
    return canvas;
}

// Fills the page record under the cursor and moves the cursor on by the style's size.
// 0 when the page's template could not be had.
int AddWizardPage(BYTE** cursor, DLGPROC procedure, int templateId, int titleId, int subtitleId, int classic,
                  HINSTANCE instance, int exterior, int sideBitmapId)
{
    PageRecord* page = reinterpret_cast<PageRecord*>(*cursor);
    page->size = classic ? ClassicPageSize : WizardPageSize;
    page->flags = classic ? PageClassicFlags : exterior ? PageExteriorFlags : PageInteriorFlags;
    page->instance = instance;
    void* copy = LoadDialogTemplate(instance, templateId);
    if (copy && classic) {
        page->callback = ReleasePageTemplate;
        if (exterior) {
            copy = AddExteriorBitmap(copy, sideBitmapId);
        } else {
            char* title = static_cast<char*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, 1024));
            char* subtitle = static_cast<char*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, 1024));
            if (title && subtitle) {
                LoadStringA(instance, titleId, title, 1024);
                LoadStringA(instance, subtitleId, subtitle, 1024);
                copy = AddInteriorHeader(copy, title, subtitle);
            }
            if (title) HeapFree(GetProcessHeap(), 0, title);
            if (subtitle) HeapFree(GetProcessHeap(), 0, subtitle);
        }
    }
    page->resource = copy;
    page->procedure = procedure;
    if (!classic) {
        page->headerTitle = MAKEINTRESOURCEA(titleId);
        page->headerSubtitle = MAKEINTRESOURCEA(subtitleId);
    }
    *cursor += page->size;
    return copy != nullptr;
}

int RunWizard(HWND mainWindow)
{
    const bool classic = g_Options.WizardStyle == Classic;
    const DWORD pageSize = classic ? ClassicPageSize : WizardPageSize;
    // Room for eight records of the larger size, zeroed; only `pageSize` bytes of each are used.
    BYTE pageArray[8 * sizeof(PageRecord)] = {};
    SetupSession session = {};
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(mainWindow, GWLP_HINSTANCE));

    session.InfHandle = OpenSetupScript(instance, mainWindow);
    if (session.InfHandle == INVALID_HANDLE_VALUE) return 0;
    SelectPlatformSections(session.InfHandle);
    LoadSessionResources(instance, &session);

    SheetRecord sheet = {};
    sheet.size = classic ? ClassicSheetSize : WizardSheetSize;
    sheet.owner = mainWindow;
    sheet.instance = instance;
    sheet.startPage = g_Options.Action != ActionInstall ? PageRemove : PageWelcome;
    sheet.pages = reinterpret_cast<const PageRecord*>(pageArray);
    sheet.pageCount = 8;

    // A page whose template is missing leaves the wizard unbuilt: a sheet with a hole
    // would show pages out of their order, so the run goes on as if a gate refused.
    int complete = 1;
    BYTE* cursor = pageArray;
    for (const PageDefinition& definition : Pages) {
        reinterpret_cast<PageRecord*>(cursor)->parameter = reinterpret_cast<LPARAM>(&session);
        complete &= AddWizardPage(&cursor, definition.procedure, definition.templateId, definition.title,
                                  definition.subtitle, classic, instance, definition.exterior, IDB_SIDE);
    }

    HBITMAP watermark = nullptr, header = nullptr;
    if (classic) {
        sheet.flags = SheetClassicFlags;
    } else if (g_Options.WizardStyle == Wizard97Composed) {
        sheet.flags = SheetComposedFlags;
        HBITMAP side = LoadBitmapA(instance, MAKEINTRESOURCEA(IDB_SIDE));
        HBITMAP top = LoadBitmapA(instance, MAKEINTRESOURCEA(IDB_HEADER));
        watermark = ComposeBitmap(mainWindow, side, 503, 313, 0, 0);
        header = ComposeBitmap(mainWindow, top, 503, 58, 443, 5);
        if (side) DeleteObject(side);
        if (top) DeleteObject(top);
        sheet.watermark = watermark;
        sheet.header = header;
    } else {
        sheet.flags = SheetResourceFlags;
        sheet.watermark = MAKEINTRESOURCEA(IDB_SIDE);
        sheet.header = MAKEINTRESOURCEA(IDB_HEADER);
    }

    bool shown = false;
    if (complete && CheckStartConditions(session.InfHandle, instance, mainWindow)
        && BuildProductCatalogue(session.InfHandle, mainWindow, instance, g_Sections.ProductsSection,
                                 g_Options.Action)
        && RemovalNamesKnown(session.InfHandle, instance, mainWindow)) {
        PropertySheetA(reinterpret_cast<LPCPROPSHEETHEADERA>(&sheet));
        shown = true;
    }

    if (watermark) DeleteObject(watermark);
    if (header) DeleteObject(header);

    // The restart, also after Cancel or a refusing gate: it depends only on the need.
    if (g_Options.RebootNeeded && g_Options.RebootMode == RebootForce) {
        RestartSystem();
    } else if (g_Options.RebootNeeded && g_Options.RebootMode == RebootPrompt) {
        PromptRestart(mainWindow);
    }

    SetupCloseInfFile(session.InfHandle);
    FreeSessionResources(&session);

    // The classic style's copies are released with their pages when a sheet was shown;
    // otherwise, and for the Wizard97 styles, they are released here.
    for (BYTE* record = pageArray; record < pageArray + 8 * pageSize; record += pageSize) {
        PageRecord* page = reinterpret_cast<PageRecord*>(record);
        if (page->resource && (!classic || !shown)) HeapFree(GetProcessHeap(), 0, const_cast<void*>(page->resource));
    }
    return 1;
}
