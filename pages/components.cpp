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

WNDPROC g_PreviousListProc = nullptr;

HIMAGELIST ListImages(HWND list)
{
    return reinterpret_cast<HIMAGELIST>(GetWindowLongPtrA(list, GWLP_USERDATA));
}

// Asks the page whether the row may change, and changes it when the page agrees.
void ToggleRow(HWND list, int row)
{
    const int value = CheckList_GetCheck(list, row) ? 0 : 1;
    HWND page = GetParent(list);
    SetWindowLongPtrA(page, DWLP_MSGRESULT, 0);
    SendMessageA(page, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(list), CLN_QUERYCHECK), MAKELPARAM(row, value));
    if (GetWindowLongPtrA(page, DWLP_MSGRESULT) == 0) CheckList_SetCheck(list, row, value);
}

LRESULT CALLBACK CheckListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_LBUTTONUP) {
        POINT client = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        POINT screen = client;
        ClientToScreen(list, &screen);
        const int row = LBItemFromPt(list, screen, FALSE);
        RECT box;
        if (row >= 0 && SendMessageA(list, LB_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&box)) != LB_ERR) {
            box.right = box.left + box.bottom - box.top;  // the square of the check box
            if (PtInRect(&box, client)) ToggleRow(list, row);
        }
    } else if (message == WM_KEYDOWN && wParam == VK_SPACE) {
        const int row = static_cast<int>(SendMessageA(list, LB_GETCURSEL, 0, 0));
        if (row >= 0) ToggleRow(list, row);
    }
    return CallWindowProcA(g_PreviousListProc, list, message, wParam, lParam);
}

void DrawRow(const DRAWITEMSTRUCT* item)
{
    const DWORD data = static_cast<DWORD>(item->itemData);
    const bool checked = CheckListDataCheck(data) != 0;
    const int image = CheckListDataImage(data);
    const bool newer = CheckListDataNewer(data) != 0;
    const bool highlighted = (item->itemState & ODS_SELECTED) && (item->itemState & ODS_FOCUS);
    HDC dc = item->hDC;
    RECT rectangle = item->rcItem;

    FillRect(dc, &rectangle, GetSysColorBrush(highlighted ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    if (item->itemID != static_cast<UINT>(-1)) {
        HIMAGELIST images = ListImages(item->hwndItem);
        int width = 16, height = 16;
        if (images) ImageList_GetIconSize(images, &width, &height);
        ImageList_Draw(images, checked ? IMAGE_CHECKED : IMAGE_UNCHECKED, dc, rectangle.left + 1, rectangle.top + 1,
                       ILD_TRANSPARENT);
        ImageList_DrawEx(images, image + 1, dc, rectangle.left + height + 1, rectangle.top + 1, 0, 0, 0,
                         GetSysColor(highlighted ? COLOR_HIGHLIGHT : COLOR_WINDOW),
                         newer ? ILD_TRANSPARENT | ILD_BLEND50 : ILD_TRANSPARENT);

        char text[256] = "";
        if (SendMessageA(item->hwndItem, LB_GETTEXTLEN, item->itemID, 0) < static_cast<LRESULT>(sizeof text))
            SendMessageA(item->hwndItem, LB_GETTEXT, item->itemID, reinterpret_cast<LPARAM>(text));
        RECT textArea = {rectangle.left + 2 * height + 4, rectangle.top + 1, rectangle.right - 1, rectangle.bottom - 1};
        COLORREF oldText = 0, oldBack = 0;
        const bool changeText = newer || highlighted;
        if (changeText)
            oldText = SetTextColor(dc, GetSysColor(newer ? COLOR_GRAYTEXT : COLOR_HIGHLIGHTTEXT));
        if (highlighted) oldBack = SetBkColor(dc, GetSysColor(COLOR_HIGHLIGHT));
        DrawTextA(dc, text, -1, &textArea, DT_SINGLELINE | DT_VCENTER);
        if (changeText) SetTextColor(dc, oldText);
        if (highlighted) SetBkColor(dc, oldBack);
    }
    if (item->itemState & ODS_FOCUS) DrawFocusRect(dc, &rectangle);
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
            HWND list = GetDlgItem(page, IDC_COMPONENT_LIST);
            HINSTANCE module = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(page, GWLP_HINSTANCE));
            HIMAGELIST images = ListImages(list);
            if (!images) {
                images = ImageList_LoadImageA(module, MAKEINTRESOURCEA(IDB_IMAGES), 16, 0, RGB(0, 128, 128),
                                              IMAGE_BITMAP, 0);
                SetWindowLongPtrA(list, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(images));
            }
            int width = 16, height = 16;
            if (images) ImageList_GetIconSize(images, &width, &height);
            measure->itemHeight = static_cast<UINT>(height + 2);
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
        g_PreviousListProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CheckListProc)));
        SendMessageA(list, LB_SETCURSEL, 0, 0);
        SendMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_COMPONENT_LIST, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
        return TRUE;
    }
    case WM_DRAWITEM:
        if (wParam == IDC_COMPONENT_LIST) DrawRow(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
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
