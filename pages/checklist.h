// The component page's check list: an owner-drawn list box whose rows carry a check
// word, an image number and a newer-version mark in their item data.
//
// Item data: bits 0-15 the check word (1 checked), 16-23 the image number, 24-31
// non-zero when a newer version of the product is installed. The list reports to its
// parent with WM_COMMAND: wParam = control id and notification code, lParam = row in
// the low word and the check value in the high word.
#pragma once

#include <windows.h>

const WORD CLN_QUERYCHECK = 0xFFF0;    // before a user toggle; a non-zero answer refuses it
const WORD CLN_CHECKCHANGED = 0xFFF1;  // after any change of a row's check word

int CheckList_GetCheck(HWND list, int row);
int CheckList_GetNewer(HWND list, int row);
int CheckList_SetCheck(HWND list, int row, int value);
int CheckList_SetItemInfo(HWND list, int row, int image, int newer);
