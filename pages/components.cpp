// The component page: an owner-drawn check list of the catalogue's products, each row
// with a check box, the product's picture and its name, and the description of the
// current row below. Checking a product of which a newer version is installed asks
// first. Leaving the page stores the checked products as the selection; an unattended
// run stores the listed products, or the default checks, without showing the page.

#include "pages.h"

#include "checklist.h"
#include "common.h"
#include "../catalogue/catalogue.h"
#include "../catalogue/textlist.h"
#include "../resources/resource.h"

#include <cstdio>

namespace {

// Next is offered while at least one row is checked. The first checked row answers:
// every check of the fill notifies the page, and counting all rows each time made the
// fill grow with the square of the number of products.
void PostButtonsForChecks(HWND page)
{
    HWND list = GetDlgItem(page, IDC_COMPONENT_LIST);
    const int rows = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
    bool checked = false;
    for (int row = 0; row < rows && !checked; ++row) checked = CheckList_GetCheck(list, row) != 0;
    PostWizardButtons(page, checked ? PSWIZB_BACK | PSWIZB_NEXT : PSWIZB_BACK);
}

// The warning before checking a product of which a newer version is installed; 1 refuses.
LONG_PTR QueryCheck(HWND page, int row, int value)
{
    HWND list = GetDlgItem(page, IDC_COMPONENT_LIST);
    if (!value || !CheckList_GetNewer(list, row)) return 0;
    char caption[256] = "", format[1024] = "", name[256] = "", text[1024 + 256];
    LoadStringA(nullptr, IDS_WARNING, caption, sizeof caption);
    LoadStringA(nullptr, IDS_NEWER_INSTALLED, format, sizeof format);
    if (SendMessageA(list, LB_GETTEXTLEN, static_cast<WPARAM>(row), 0) < static_cast<LRESULT>(sizeof name))
        SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(name));
    std::snprintf(text, sizeof text, format, name);
    return MessageBoxA(page, text, caption, MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES ? 0 : 1;
}

void ShowDescription(HWND page)
{
    const SetupSession* session = StoredSession(page);
    HWND list = GetDlgItem(page, IDC_COMPONENT_LIST);
    const int row = static_cast<int>(SendMessageA(list, LB_GETCURSEL, 0, 0));
    if (row < 0 || !session) return;
    char description[ProductDescriptionSize];
    GetProductDescription(session->InfHandle, CheckList_GetIndex(list, row), description, sizeof description);
    SetDlgItemTextA(page, IDC_TITLE, description);
}

} // namespace

INT_PTR CALLBACK ComponentsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_MEASUREITEM: {
        MEASUREITEMSTRUCT* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        if (measure->CtlID == IDC_COMPONENT_LIST) {
            HINSTANCE module = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(page, GWLP_HINSTANCE));
            measure->itemHeight = CheckList_RowHeight(GetDlgItem(page, IDC_COMPONENT_LIST), module);
        }
        return TRUE;
    }
    case WM_INITDIALOG: {
        SetupSession* session = SessionFromInit(lParam);
        SetHeaderFont(page, session);
        // The description box needs the session while the list is filled.
        StoreSession(page, session);
        if (TextListCount(g_Options.SelectedProducts) || !FillComponentList(page, session->InfHandle))
            StoreSession(page, nullptr);
        HWND list = GetDlgItem(page, IDC_COMPONENT_LIST);
        CheckList_Subclass(list);
        SendMessageA(list, LB_SETCURSEL, 0, 0);
        SendMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_COMPONENT_LIST, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
        return TRUE;
    }
    case WM_DRAWITEM:
        if (wParam == IDC_COMPONENT_LIST) CheckList_DrawRow(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_COMPONENT_LIST) {
            switch (HIWORD(wParam)) {
            case CLN_QUERYCHECK:
                SetPageResult(page, QueryCheck(page, LOWORD(lParam), HIWORD(lParam)));
                break;
            case CLN_CHECKCHANGED:
                PostButtonsForChecks(page);
                break;
            case LBN_SELCHANGE:
                ShowDescription(page);
                break;
            }
        }
        return TRUE;
    case WM_NOTIFY: {
        const SetupSession* session = StoredSession(page);
        switch (reinterpret_cast<const NMHDR*>(lParam)->code) {
        case PSN_SETACTIVE:
            if (!session) {
                SetPageResult(page, -1);
                break;
            }
            SendMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_COMPONENT_LIST, CLN_CHECKCHANGED), 0);
            if (!IsUnattended()) break;
            SetPageResult(page, -1);
            if (g_Options.UnattendedList[0])
                SelectProductsByName(g_Options.UnattendedList, &g_Options.SelectedProducts);
            else
                CollectCheckedProducts(page, session->InfHandle, &g_Options.SelectedProducts);
            break;
        case PSN_KILLACTIVE:
            if (session) CollectCheckedProducts(page, session->InfHandle, &g_Options.SelectedProducts);
            break;
        }
        return TRUE;
    }
    }
    return FALSE;
}
