// The component page: an owner-drawn check list of the catalogue's products, each row
// with a check box, the product's picture and its name, and the description of the
// current row below. Checking a product of which a newer version is installed asks
// first. Leaving the page stores the checked products as the selection; an unattended
// run stores the listed products, or the default checks, without showing the page.

#include "pages.h"

#include "checklist.h"
#include "common.h"
#include "../base/messagebox.h"
#include "../base/textlist.h"
#include "../catalogue/catalogue.h"
#include "../resources/resource.h"

#include <cstdio>

namespace {

// Each row carries its catalogue index in its item data.
void AddProductRow(const ProductRow* product, void* context)
{
    HWND list = static_cast<HWND>(context);
    const int row = static_cast<int>(SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(product->Name)));
    if (row < 0) return;
    if (!CheckList_SetItemInfo(list, row, product->Index, product->Image, product->Newer)) {
        SendMessageA(list, LB_DELETESTRING, static_cast<WPARAM>(row), 0);
        return;
    }
    CheckList_SetCheck(list, row, product->Checked);
}

// The rows in step with the catalogue's indices, which the catalogue asks for in
// ascending order: the rows stand in catalogue order, so one pass over them answers.
struct CheckedRows {
    HWND List;
    int Count;
    int Row;
};

int IsEntryChecked(int index, void* context)
{
    CheckedRows* rows = static_cast<CheckedRows*>(context);
    while (rows->Row < rows->Count && CheckList_GetIndex(rows->List, rows->Row) < index) ++rows->Row;
    return rows->Row < rows->Count && CheckList_GetIndex(rows->List, rows->Row) == index
           && CheckList_GetCheck(rows->List, rows->Row);
}

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
    return ShowRunMessage(page, text, caption, MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2, IDNO) == IDYES ? 0 : 1;
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

int FillComponentList(HWND page, HINF inf)
{
    HWND list = GetDlgItem(page, IDC_COMPONENT_LIST);
    // The list draws nothing while it is filled: each row added or changed would
    // otherwise update its scroll bar and rows at once. It is drawn once at the end.
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    const int count = ListProductRows(inf, AddProductRow, list);
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
    return count;
}

int CollectCheckedProducts(HWND page, HINF, char** selected)
{
    HWND list = GetDlgItem(page, IDC_COMPONENT_LIST);
    CheckedRows rows = {list, static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0)), 0};
    return SelectProducts(IsEntryChecked, &rows, selected);
}

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
