// The wizard's assembly: page templates copied from the resources and, for the classic
// wizard, rewritten to carry the side picture or the header band themselves; the
// Wizard97 bitmaps composed on the window colour; the page records and the sheet
// header in the layouts of the common controls 4.71, which every system understands.
//
// Template copies are blocks of the process heap. The run owns them, except that a
// shown classic sheet frees each with its page through the page callback.

#include "assembly.h"
#include "dlgtemplate.h"
#include "../pages/pages.h"
#include "../resources/resource.h"

#include <prsht.h>

#include <cstring>

namespace {

// The sheet header: the first 40 bytes for the classic wizard, all 52 for Wizard97.
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

// PSH_WIZARD97 as the common controls 4.71 define it. The headers carry the value of
// the common controls 5.80 (0x01000000), which the older ones do not know.
const DWORD SheetWizard97Flag471 = 0x00002000;

const DWORD PageClassicFlags = PSP_DLGINDIRECT | PSP_USECALLBACK;
const DWORD PageExteriorFlags = PSP_DLGINDIRECT | PSP_HIDEHEADER;
const DWORD PageInteriorFlags = PSP_DLGINDIRECT | PSP_USEHEADERTITLE | PSP_USEHEADERSUBTITLE;
const DWORD SheetClassicFlags = PSH_PROPSHEETPAGE | PSH_WIZARD;
// Watermark and header by resource id.
const DWORD SheetResourceFlags = PSH_PROPSHEETPAGE | SheetWizard97Flag471 | PSH_WATERMARK | PSH_HEADER;
// Watermark and header as composed bitmaps.
const DWORD SheetComposedFlags =
    SheetResourceFlags | PSH_USEHBMWATERMARK | PSH_STRETCHWATERMARK | PSH_USEHBMHEADER;

// One page of the wizard: its dialog procedure and template, and for an interior page
// the string ids of its header title and subtitle. Exterior pages show the side picture.
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

void* HeapResize(void* block, size_t size)
{
    return block ? HeapReAlloc(GetProcessHeap(), 0, block, size) : HeapAlloc(GetProcessHeap(), 0, size);
}

// Fills the page record under the cursor in the given style and moves the cursor on by
// the style's size. Returns the page's template copy, which the record points to; empty
// when the template could not be had.
UniqueHeapBlock AddWizardPage(BYTE** cursor, const PageDefinition& definition, int classic, HINSTANCE instance)
{
    PageRecord* page = reinterpret_cast<PageRecord*>(*cursor);
    page->size = classic ? ClassicPageSize : WizardPageSize;
    page->flags = classic ? PageClassicFlags : definition.exterior ? PageExteriorFlags : PageInteriorFlags;
    page->instance = instance;
    UniqueHeapBlock copy(LoadDialogTemplate(instance, definition.templateId));
    if (copy && classic) {
        page->callback = ReleasePageTemplate;
        // Each rewrite takes the copy and gives it back, grown in place or moved.
        if (definition.exterior) {
            copy.reset(AddExteriorBitmap(copy.release(), IDB_SIDE));
        } else {
            UniqueHeapBlock title(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, 1024));
            UniqueHeapBlock subtitle(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, 1024));
            if (title && subtitle) {
                LoadStringA(instance, definition.title, static_cast<char*>(title.get()), 1024);
                LoadStringA(instance, definition.subtitle, static_cast<char*>(subtitle.get()), 1024);
                copy.reset(AddInteriorHeader(copy.release(), static_cast<const char*>(title.get()),
                                             static_cast<const char*>(subtitle.get())));
            }
        }
    }
    page->resource = copy.get();
    page->procedure = definition.procedure;
    if (!classic) {
        page->headerTitle = MAKEINTRESOURCEA(definition.title);
        page->headerSubtitle = MAKEINTRESOURCEA(definition.subtitle);
    }
    *cursor += page->size;
    return copy;
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
        {0x5002000C, 7, 0, 310, 8, IDC_HEADER_TITLE, reinterpret_cast<const uint16_t*>(wideTitle), 0},
        {0x50020000, 21, 9, 296, 16, IDC_HEADER_SUBTITLE, reinterpret_cast<const uint16_t*>(wideSubtitle), 0},
        {0x50021007, 0, 28, 317, 1, 0xFFFF, empty, 0},
    };
    size_t at = info.used;
    for (const StaticItem& item : items) at = AppendStaticItem(data, grown, at, info.extended, item);
    return data;
}

UINT CALLBACK ReleasePageTemplate(HWND, UINT message, LPPROPSHEETPAGEA page)
{
    if (message != PSPCB_RELEASE) return 1;
    if (page) {
        // The sheet is done with the page, and the copy was handed over with it.
        UniqueHeapBlock copy(const_cast<DLGTEMPLATE*>(page->pResource));
    }
    return 0;
}

HBITMAP ComposeBitmap(HWND window, HBITMAP source, int width, int height, int x, int y)
{
    BITMAP size = {};
    GetObjectA(source, sizeof size, &size);
    WindowDC windowDc(window);
    UniqueMemoryDC canvasDc(CreateCompatibleDC(windowDc.get()));
    UniqueMemoryDC sourceDc(CreateCompatibleDC(windowDc.get()));
    HBITMAP canvas = CreateCompatibleBitmap(windowDc.get(), width, height);
    HGDIOBJ oldCanvas = SelectObject(canvasDc.get(), canvas);
    HGDIOBJ oldSource = SelectObject(sourceDc.get(), source);
    RECT all = {0, 0, width, height};
    FillRect(canvasDc.get(), &all, reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1)));
    BitBlt(canvasDc.get(), x, y, size.bmWidth, size.bmHeight, sourceDc.get(), 0, 0, SRCCOPY);
    // Both bitmaps leave the device contexts before these go; the canvas is the caller's.
    SelectObject(canvasDc.get(), oldCanvas);
    SelectObject(sourceDc.get(), oldSource);
    return canvas;
}

int AssembleWizardPages(WizardPages* pages, int classic, HINSTANCE instance, SetupSession* session)
{
    int complete = 1;
    BYTE* cursor = pages->records;
    for (int i = 0; i < 8; ++i) {
        reinterpret_cast<PageRecord*>(cursor)->parameter = reinterpret_cast<LPARAM>(session);
        pages->templates[i] = AddWizardPage(&cursor, Pages[i], classic, instance);
        if (!pages->templates[i]) complete = 0;
    }
    return complete;
}

void ShowWizardSheet(WizardPages* pages, int style, UINT startPage, HWND owner, HINSTANCE instance)
{
    const bool classic = style == Classic;
    SheetRecord sheet = {};
    sheet.size = classic ? ClassicSheetSize : WizardSheetSize;
    sheet.owner = owner;
    sheet.instance = instance;
    sheet.startPage = startPage;
    sheet.pages = reinterpret_cast<const PageRecord*>(pages->records);
    sheet.pageCount = 8;

    UniqueGdiObject watermark, header;
    if (classic) {
        sheet.flags = SheetClassicFlags;
    } else if (style == Wizard97Composed) {
        sheet.flags = SheetComposedFlags;
        UniqueGdiObject side(LoadBitmapA(instance, MAKEINTRESOURCEA(IDB_SIDE)));
        UniqueGdiObject top(LoadBitmapA(instance, MAKEINTRESOURCEA(IDB_HEADER)));
        watermark.reset(ComposeBitmap(owner, static_cast<HBITMAP>(side.get()), 503, 313, 0, 0));
        header.reset(ComposeBitmap(owner, static_cast<HBITMAP>(top.get()), 503, 58, 443, 5));
        sheet.watermark = watermark.get();
        sheet.header = header.get();
    } else {
        sheet.flags = SheetResourceFlags;
        sheet.watermark = MAKEINTRESOURCEA(IDB_SIDE);
        sheet.header = MAKEINTRESOURCEA(IDB_HEADER);
    }

    // A classic sheet frees each page's copy with the page, through the page callback
    // (ReleasePageTemplate): once it is shown, the copies are the sheet's. The Wizard97
    // pages have no callback; their copies stay the run's.
    if (classic)
        for (UniqueHeapBlock& copy : pages->templates) copy.release();
    PropertySheetA(reinterpret_cast<LPCPROPSHEETHEADERA>(&sheet));
}
