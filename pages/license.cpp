// The licence page: it shows the licence text that the program carries as an RTF
// resource and skips itself when there is none.

#include "pages.h"

#include "common.h"
#include "../resources/resource.h"

#include <richedit.h>

#include <cstring>

DWORD CALLBACK LicenseStreamCallback(DWORD_PTR cookiePointer, LPBYTE buffer, LONG requested, LONG* transferred)
{
    LicenseStreamCookie* cookie = reinterpret_cast<LicenseStreamCookie*>(cookiePointer);
    LONG count = cookie->size - cookie->position;
    if (count > requested) count = requested;
    if (count < 0) count = 0;
    std::memcpy(buffer, cookie->data + cookie->position, static_cast<size_t>(count));
    cookie->position += count;
    *transferred = count;
    return 0;
}

INT_PTR CALLBACK LicensePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: {
        HWND text = GetDlgItem(page, IDC_LICENSE_TEXT);
        SetWindowLongA(text, GWL_EXSTYLE, GetWindowLongA(text, GWL_EXSTYLE) | WS_EX_CLIENTEDGE);
        SetWindowPos(text, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_FRAMECHANGED);

        // Without a licence resource the session is not stored, and the page skips itself.
        HINSTANCE module = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(page, GWLP_HINSTANCE));
        HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(IDR_LICENSE), reinterpret_cast<LPCSTR>(RT_RCDATA));
        if (!resource) return TRUE;
        LicenseStreamCookie cookie = {static_cast<const BYTE*>(LockResource(LoadResource(module, resource))),
                                      static_cast<LONG>(SizeofResource(module, resource)), 0};
        if (cookie.data) {
            EDITSTREAM stream = {reinterpret_cast<DWORD_PTR>(&cookie), 0, LicenseStreamCallback};
            SendMessageA(text, EM_STREAMIN, SF_RTF | SFF_PLAINRTF, reinterpret_cast<LPARAM>(&stream));
        }
        SetupSession* session = SessionFromInit(lParam);
        SetHeaderFont(page, session);
        StoreSession(page, session);
        return TRUE;
    }
    case WM_COMMAND:
        // The text never shows selected, and the caret stands at its start.
        if (LOWORD(wParam) == IDC_LICENSE_TEXT && HIWORD(wParam) == EN_SETFOCUS)
            SendDlgItemMessageA(page, IDC_LICENSE_TEXT, EM_SETSEL, 0, 0);
        return FALSE;
    case WM_NOTIFY:
        if (reinterpret_cast<const NMHDR*>(lParam)->code == PSN_SETACTIVE) {
            PostWizardButtons(page, PSWIZB_BACK | PSWIZB_NEXT);
            if (!StoredSession(page) || IsUnattended()) SetPageResult(page, -1);
        }
        return TRUE;
    }
    return FALSE;
}
