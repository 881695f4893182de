// What every page does the same way: buttons, results, the session, unattended runs.
#pragma once

#include "../base/options.h"
#include "../base/session.h"
#include "../resources/resource.h"

#include <prsht.h>

// The page's answer to a property-sheet notification.
inline void SetPageResult(HWND page, LONG_PTR result)
{
    SetWindowLongPtrA(page, DWLP_MSGRESULT, result);
}

// Wizard buttons, posted so that they apply after the current notification.
inline void PostWizardButtons(HWND page, LPARAM buttons)
{
    PostMessageA(GetParent(page), PSM_SETWIZBUTTONS, 0, buttons);
}

inline void PressWizardButton(HWND page, WPARAM button)
{
    PostMessageA(GetParent(page), PSM_PRESSBUTTON, button, 0);
}

inline void EnableSheetCancel(HWND page, BOOL enable)
{
    EnableWindow(GetDlgItem(GetParent(page), IDCANCEL), enable);
}

inline bool IsUnattended()
{
    return g_Options.UnattendedList != nullptr;
}

// The session that RunWizard put into the page record.
inline SetupSession* SessionFromInit(LPARAM lParam)
{
    return reinterpret_cast<SetupSession*>(reinterpret_cast<const PROPSHEETPAGEA*>(lParam)->lParam);
}

inline SetupSession* StoredSession(HWND page)
{
    return reinterpret_cast<SetupSession*>(GetWindowLongPtrA(page, DWLP_USER));
}

inline void StoreSession(HWND page, SetupSession* session)
{
    SetWindowLongPtrA(page, DWLP_USER, reinterpret_cast<LONG_PTR>(session));
}

// The classic wizard's header title, in the bold header font.
inline void SetHeaderFont(HWND page, const SetupSession* session)
{
    SendDlgItemMessageA(page, IDC_HEADER_TITLE, WM_SETFONT, reinterpret_cast<WPARAM>(session->HeaderFont), 0);
}

inline void ShowControl(HWND page, int id, bool show)
{
    ShowWindow(GetDlgItem(page, id), show ? SW_SHOW : SW_HIDE);
}
