// The first page of an installation: the welcome page (product title and welcome text;
// it centres the wizard).

#include "pages.h"

#include "common.h"
#include "../resources/resource.h"

INT_PTR CALLBACK WelcomePageProc(HWND page, UINT message, WPARAM, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: {
        const SetupSession* session = SessionFromInit(lParam);
        SendDlgItemMessageA(page, IDC_TITLE, WM_SETFONT, reinterpret_cast<WPARAM>(session->TitleFont), 0);
        SetDlgItemTextA(page, IDC_TITLE, session->ProductTitle);
        SetDlgItemTextA(page, IDC_STATUS, session->WelcomeText);
        CenterWindow(GetParent(page), GetDesktopWindow());
        return TRUE;
    }
    case WM_NOTIFY:
        if (reinterpret_cast<const NMHDR*>(lParam)->code == PSN_SETACTIVE) {
            PostWizardButtons(page, PSWIZB_NEXT);
            if (IsUnattended()) SetPageResult(page, -1);
        }
        return TRUE;
    }
    return FALSE;
}
