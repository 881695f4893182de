// The check list: the item operations (reading and changing the check, image number,
// newer-version mark and catalogue index that each row keeps in its item data), the
// subclass that turns clicks on the check box and the space bar into toggles, and the
// drawing of a row.

#include "checklist.h"

#include "../base/handles.h"
#include "../resources/resource.h"

#include <commctrl.h>

namespace {

const DWORD CheckBit = 1;
const DWORD NewerBit = 2;

// The row's item data; 0 when the row does not exist. The row count decides, not
// LB_ERR, because a row's data may legitimately be all ones.
int GetItemData(HWND list, int row, DWORD* data)
{
    const LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
    if (row < 0 || count == LB_ERR || row >= count) return 0;
    *data = static_cast<DWORD>(SendMessageA(list, LB_GETITEMDATA, static_cast<WPARAM>(row), 0));
    return 1;
}

void StoreItemData(HWND list, int row, DWORD data)
{
    SendMessageA(list, LB_SETITEMDATA, static_cast<WPARAM>(row), static_cast<LPARAM>(data));
    RECT rectangle;
    if (SendMessageA(list, LB_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&rectangle)) != LB_ERR)
        InvalidateRect(list, &rectangle, FALSE);
}

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
    if (message == WM_NCDESTROY) {
        // The list owns the images it loaded for its rows: they go with it.
        UniqueImageList images(ListImages(list));
        SetWindowLongPtrA(list, GWLP_USERDATA, 0);
    }
    return CallWindowProcA(g_PreviousListProc, list, message, wParam, lParam);
}

} // namespace

int CheckList_GetCheck(HWND list, int row)
{
    DWORD data = 0;
    return GetItemData(list, row, &data) ? CheckListDataCheck(data) : 0;
}

int CheckList_GetNewer(HWND list, int row)
{
    DWORD data = 0;
    return GetItemData(list, row, &data) ? CheckListDataNewer(data) : 0;
}

int CheckList_GetIndex(HWND list, int row)
{
    DWORD data = 0;
    return GetItemData(list, row, &data) ? static_cast<int>(data >> 10) : -1;
}

int CheckList_SetCheck(HWND list, int row, int value)
{
    DWORD data = 0;
    if (!GetItemData(list, row, &data)) return 0;
    const WORD check = value ? 1 : 0;
    StoreItemData(list, row, (data & ~CheckBit) | check);
    SendMessageA(GetParent(list), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(list), CLN_CHECKCHANGED),
                 MAKELPARAM(row, check));
    return 1;
}

int CheckList_SetItemInfo(HWND list, int row, int index, int image, int newer)
{
    DWORD data = 0;
    if (index < 0 || index > CheckListMaxIndex || !GetItemData(list, row, &data)) return 0;
    data = (data & CheckBit) | (newer ? NewerBit : 0) | (static_cast<DWORD>(image & 0xFF) << 2)
           | (static_cast<DWORD>(index) << 10);
    StoreItemData(list, row, data);
    return 1;
}

void CheckList_Subclass(HWND list)
{
    g_PreviousListProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CheckListProc)));
}

UINT CheckList_RowHeight(HWND list, HINSTANCE module)
{
    HIMAGELIST images = ListImages(list);
    if (!images) {
        images = ImageList_LoadImageA(module, MAKEINTRESOURCEA(IDB_IMAGES), 16, 0, RGB(0, 128, 128), IMAGE_BITMAP, 0);
        SetWindowLongPtrA(list, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(images));
    }
    int width = 16, height = 16;
    if (images) ImageList_GetIconSize(images, &width, &height);
    return static_cast<UINT>(height + 2);
}

void CheckList_DrawRow(const DRAWITEMSTRUCT* item)
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
