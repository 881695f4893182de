// The check list's item operations: reading and changing the check, image number,
// newer-version mark and catalogue index that each row keeps in its item data.

#include "checklist.h"

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
