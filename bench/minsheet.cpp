// The reference for start-up cost: the smallest program that shows a one-page wizard
// property sheet. Without arguments it waits for the user; with /auto it presses
// Finish as soon as its page is active, like an unattended run that has nothing to do,
// and ends with exit code 0 when the sheet was shown and finished.
//
//   minsheet.exe [/auto]
//   minqueue.exe /install INF-FILE SECTION
//
// minqueue.exe is the same program built with the bare Setup API queue (see
// barequeue.h; minsheet.exe does not load the Setup API at all): its page, once active,
// runs the queue of the section on a second thread and hears how many files are done,
// by count as setup.exe's page hears it (at most once a frame, one count on its way at a
// time), then presses Finish: the floor of a wizard whose page follows the files. The page only counts what it hears; the exit code is 0 when the queue succeeded and the page heard
// of every file that the queue announced.

#include <windows.h>
#include <commctrl.h>
#ifdef MINSHEET_QUEUE
#include "barequeue.h"
#endif

#include <cstdlib>
#include <cstring>

namespace {

const UINT WM_FILE_DONE = WM_APP + 1;
const UINT WM_QUEUE_DONE = WM_APP + 2;

bool g_Auto = false;
const char* g_Inf = nullptr;
const char* g_Section = nullptr;
int g_Result = 1;
LONG g_Files = 0;
LONG g_Expected = 0;

HWND g_Page = nullptr;

// The page is told of the files by count, as setup.exe tells its page: at most once a
// frame, only while no count is on its way (g_Told, which the page clears), and what is
// left before the next part starts and at the end.
volatile LONG g_Told = 0;

#ifdef MINSHEET_QUEUE
LPARAM g_Unsent = 0;
DWORD g_SentAt = 0;

void SendCount()
{
    if (!g_Unsent) return;
    InterlockedExchange(&g_Told, 1);
    SendNotifyMessageA(g_Page, WM_FILE_DONE, 1, g_Unsent);
    g_Unsent = 0;
    g_SentAt = GetTickCount();
}

void TellPage(WPARAM done, LPARAM count)
{
    if (!done) {
        SendCount();
        SendNotifyMessageA(g_Page, WM_FILE_DONE, 0, count);
        return;
    }
    ++g_Unsent;
    if (!g_Told && GetTickCount() - g_SentAt >= 16) SendCount();
}
#endif

DWORD WINAPI Worker(void*)
{
#ifdef MINSHEET_QUEUE
    const int result = InstallSection(g_Inf, g_Section, TellPage);
    SendCount();
#else
    const int result = 1;
#endif
    PostMessageA(g_Page, WM_QUEUE_DONE, static_cast<WPARAM>(result), 0);
    return 0;
}

INT_PTR CALLBACK PageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return TRUE;
    case WM_FILE_DONE:
        if (wParam) {
            InterlockedExchange(&g_Told, 0);
            g_Files += static_cast<LONG>(lParam);
        } else
            g_Expected += static_cast<LONG>(lParam);
        return TRUE;
    case WM_QUEUE_DONE:
        g_Result = static_cast<int>(wParam);
        PostMessageA(GetParent(page), PSM_SETWIZBUTTONS, 0, PSWIZB_FINISH);
        PostMessageA(GetParent(page), PSM_PRESSBUTTON, PSBTN_FINISH, 0);
        return TRUE;
    case WM_NOTIFY:
        if (reinterpret_cast<const NMHDR*>(lParam)->code != PSN_SETACTIVE) return FALSE;
        if (g_Inf) {
            PostMessageA(GetParent(page), PSM_SETWIZBUTTONS, 0, 0);
            g_Page = page;
            HANDLE thread = CreateThread(nullptr, 0, Worker, nullptr, 0, nullptr);
            if (thread) CloseHandle(thread);
        } else {
            PostMessageA(GetParent(page), PSM_SETWIZBUTTONS, 0, PSWIZB_FINISH);
            if (g_Auto) PostMessageA(GetParent(page), PSM_PRESSBUTTON, PSBTN_FINISH, 0);
        }
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
    if (__argc == 4 && lstrcmpiA(__argv[1], "/install") == 0) {
        g_Inf = __argv[2];
        g_Section = __argv[3];
    }
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
    // Exit code 0 only when the sheet was shown and finished (and the queue, when asked
    // for, succeeded and was heard of file by file).
    if (PropertySheetA(&header) <= 0) return 1;
    return !g_Inf || (g_Result == 0 && g_Files > 0 && g_Files == g_Expected) ? 0 : 1;
}
