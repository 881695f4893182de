// The component page's check list: an owner-drawn list box whose rows carry a check,
// an image number, a newer-version mark and the index of their catalogue entry in their
// item data. A click on a row's check box or the space bar on the current row asks the
// parent with CLN_QUERYCHECK and, unless it refuses, changes the check. The list keeps
// its image list (IDB_IMAGES) in its GWL_USERDATA and, once subclassed, destroys it with
// itself.
//
// Item data: bit 0 checked, bit 1 a newer version of the product is installed, bits 2-9
// the image number, bits 10-31 the row's catalogue index (a catalogue entry may have no
// row, so the row is not the index). The list reports to its parent with WM_COMMAND:
// wParam = control id and notification code, lParam = row in the low word and the
// check (0 or 1) in the high word.
#pragma once

#include <windows.h>

const WORD CLN_QUERYCHECK = 0xFFF0;    // before a user toggle; a non-zero answer refuses it
const WORD CLN_CHECKCHANGED = 0xFFF1;  // after any change of a row's check

// The largest catalogue index that a row can carry.
const int CheckListMaxIndex = 0x3FFFFF;

int CheckList_GetCheck(HWND list, int row);
int CheckList_GetNewer(HWND list, int row);
// The row's catalogue index; -1 when the row does not exist.
int CheckList_GetIndex(HWND list, int row);
int CheckList_SetCheck(HWND list, int row, int value);
int CheckList_SetItemInfo(HWND list, int row, int index, int image, int newer);

// Makes the list box a check list (its owner still measures and draws its rows with the
// two functions below).
void CheckList_Subclass(HWND list);
// The height of a row, for WM_MEASUREITEM; loads the list's images from `module` on first
// call.
UINT CheckList_RowHeight(HWND list, HINSTANCE module);
// Draws a row, for WM_DRAWITEM: check box, the row's image (faded when a newer version is
// installed) and its text.
void CheckList_DrawRow(const DRAWITEMSTRUCT* item);

// The parts of a row's item data, for drawing it.
inline int CheckListDataCheck(DWORD data) { return static_cast<int>(data & 1); }
inline int CheckListDataNewer(DWORD data) { return static_cast<int>((data >> 1) & 1); }
inline int CheckListDataImage(DWORD data) { return static_cast<int>((data >> 2) & 0xFF); }
