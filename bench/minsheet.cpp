// The reference for start-up cost: the smallest program that shows a one-page wizard
// property sheet. Without arguments it waits for the user; with /auto it presses
// Finish as soon as its page is active, like an unattended run that has nothing to do,
// and ends with exit code 0 when the sheet was shown and finished.

#include <windows.h>
#include <commctrl.h>

#include <cstring>

namespace {

bool g_Auto = false;

INT_PTR CALLBACK PageProc(HWND page, UINT message, WPARAM, LPARAM lParam)
{
    if (message == WM_INITDIALOG) return TRUE;
    if (message == WM_NOTIFY && reinterpret_cast<const NMHDR*>(lParam)->code == PSN_SETACTIVE) {
        HWND sheet = GetParent(page);
        PostMessageA(sheet, PSM_SETWIZBUTTONS, 0, PSWIZB_FINISH);
        if (g_Auto) PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_FINISH, 0);
        SetWindowLongPtrA(page, DWLP_MSGRESULT, 0);
        return TRUE;
    }
    return FALSE;
}

// A page template in memory: one static text line.
struct alignas(4) PageTemplate {
    DLGTEMPLATE dialog;
    WORD menu, windowClass, title;
    WORD pointSize;
    wchar_t font[13];  // "MS Shell Dlg" and its zero: the item then starts on a DWORD
    alignas(4) DLGITEMTEMPLATE item;
    WORD classMarker, classOrdinal;
    wchar_t text[24];
    WORD extra;
};

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    g_Auto = commandLine && std::strstr(commandLine, "/auto");
    InitCommonControls();

    static PageTemplate page = {};
    page.dialog.style = WS_CHILD | DS_SETFONT | WS_CAPTION;
    page.dialog.cdit = 1;
    page.dialog.cx = 317;
    page.dialog.cy = 143;
    page.pointSize = 8;
    std::memcpy(page.font, L"MS Shell Dlg", sizeof L"MS Shell Dlg");
    page.item.style = WS_CHILD | WS_VISIBLE | SS_LEFT;
    page.item.x = 10;
    page.item.y = 10;
    page.item.cx = 200;
    page.item.cy = 10;
    page.item.id = 100;
    page.classMarker = 0xFFFF;
    page.classOrdinal = 0x0082;
    std::memcpy(page.text, L"Nothing to install.", sizeof L"Nothing to install.");

    PROPSHEETPAGEA sheetPage = {};
    sheetPage.dwSize = sizeof sheetPage;
    sheetPage.dwFlags = PSP_DLGINDIRECT;
    sheetPage.hInstance = instance;
    sheetPage.pResource = &page.dialog;
    sheetPage.pfnDlgProc = PageProc;
    HPROPSHEETPAGE handle = CreatePropertySheetPageA(&sheetPage);

    PROPSHEETHEADERA header = {};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_WIZARD;
    header.hInstance = instance;
    header.pszCaption = "Minimal";
    header.nPages = 1;
    header.phpage = &handle;
    // Exit code 0 only when the sheet was shown and finished.
    return PropertySheetA(&header) > 0 ? 0 : 1;
}
