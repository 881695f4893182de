// The target directory page: proposes the folder an earlier installation recorded, or
// the script's default, and hands every change of the text at once to the Setup API as
// the user directory id 32768; Next is offered exactly while the text is a full path and
// the Setup API accepts it. Browse picks a folder with the shell's folder picker.

#include "pages.h"

#include "common.h"
#include "subfolder.h"
#include "../base/handles.h"
#include "../base/messagebox.h"
#include "../base/platform.h"
#include "../catalogue/destdirs.h"
#include "../catalogue/registration.h"
#include "../resources/resource.h"
#include "../setupapi/inf.h"

#include <shlobj.h>
#include <shlwapi.h>

#include <cstdio>

namespace {

// File-system auto-completion, only when the shell's light-weight library is already
// loaded in the process: the page does not load it.
void EnableAutoComplete(HWND edit)
{
    typedef HRESULT(WINAPI * AutoCompleteFunction)(HWND, DWORD);
    AutoCompleteFunction autoComplete = OptionalImport<AutoCompleteFunction>(OptSHAutoComplete);
    if (autoComplete) autoComplete(edit, SHACF_FILESYSTEM | SHACF_FILESYS_ONLY);
}

// Hands the edit box's text to the Setup API; 1 when it took it as the folder.
int ApplyTargetDir(HWND page)
{
    const SetupSession* session = StoredSession(page);
    GetDlgItemTextA(page, IDC_TARGET_EDIT, g_TargetDir, MAX_PATH);
    // Only a full path names one folder: a relative one would put the files below
    // whatever the current folder is, and an empty text (also what a default folder past
    // MAX_PATH leaves) into the root of the current drive.
    const BOOL accepted =
        session && IsFullPath(g_TargetDir) && SetupSetDirectoryIdA(session->InfHandle, DIRID_USER, g_TargetDir);
    PostWizardButtons(page, accepted ? PSWIZB_BACK | PSWIZB_NEXT : PSWIZB_BACK);
    return accepted ? 1 : 0;
}

// An unattended run whose folder is refused has nobody to name another: it says which
// folder it cannot use and ends, without installing anything.
void EndRunWithoutFolder(HWND page)
{
    char folder[1024];
    lstrcpynA(folder, g_TargetDir, sizeof folder);
    // The edit box is left empty by a default folder too long for it: name that folder.
    const SetupSession* session = StoredSession(page);
    if (!folder[0] && session) InfGetDefaultTargetPath(session->InfHandle, folder, sizeof folder);
    char format[512] = "", message[2048];
    LoadStringA(nullptr, IDS_TARGETDIR_UNUSABLE, format, sizeof format);
    std::snprintf(message, sizeof message, format, folder);
    ShowRunMessage(page, message, nullptr, MB_OK | MB_ICONERROR, IDOK);
    RecordOutcome(OutcomeFailed);
    PressWizardButton(page, PSBTN_CANCEL);
}

} // namespace

int BrowseForTargetDir(HWND owner, char* path, const char* subfolder)
{
    ComPointer<IMalloc> allocator;
    if (FAILED(SHGetMalloc(reinterpret_cast<IMalloc**>(allocator.put()))) || !allocator) return 0;
    char title[256] = "";
    LoadStringA(nullptr, IDS_BROWSE_TITLE, title, sizeof title);
    char display[MAX_PATH];
    BROWSEINFOA browse = {};
    browse.hwndOwner = owner;
    browse.pszDisplayName = display;
    browse.lpszTitle = title;
    browse.ulFlags = BIF_RETURNONLYFSDIRS;
    LPITEMIDLIST item = SHBrowseForFolderA(&browse);
    if (!item) return 0;
    char chosen[MAX_PATH];
    const BOOL converted = SHGetPathFromIDListA(item, chosen);
    allocator->Free(item);  // the shell's item list goes back to the shell's allocator
    if (!converted) return 0;
    // A folder too deep to take the sub-folder is refused, not cut.
    if (!AppendDefaultSubfolder(chosen, MAX_PATH, subfolder)) return 0;
    lstrcpynA(path, chosen, MAX_PATH);
    return 1;
}

INT_PTR CALLBACK TargetDirPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: {
        SetupSession* session = SessionFromInit(lParam);
        SetHeaderFont(page, session);
        StoreSession(page, session);
        SendDlgItemMessageA(page, IDC_TARGET_EDIT, EM_LIMITTEXT, MAX_PATH - 1, 0);
        char proposal[MAX_PATH] = "";
        if (!FindRecordedTargetDir(session->InfHandle, nullptr, proposal))
            GetDefaultTargetDir(session->InfHandle, proposal, nullptr);
        SetDlgItemTextA(page, IDC_TARGET_EDIT, proposal);
        EnableAutoComplete(GetDlgItem(page, IDC_TARGET_EDIT));
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_TARGET_EDIT && HIWORD(wParam) == EN_CHANGE) {
            ApplyTargetDir(page);
        } else if (LOWORD(wParam) == IDC_BROWSE && HIWORD(wParam) == BN_CLICKED) {
            const SetupSession* session = StoredSession(page);
            char path[MAX_PATH] = "", subfolder[MAX_PATH] = "";
            GetDefaultTargetDir(session->InfHandle, path, subfolder);
            if (BrowseForTargetDir(page, path, subfolder)) SetDlgItemTextA(page, IDC_TARGET_EDIT, path);
        }
        return TRUE;
    case WM_NOTIFY:
        if (reinterpret_cast<const NMHDR*>(lParam)->code == PSN_SETACTIVE) {
            const int accepted = ApplyTargetDir(page);
            if (IsUnattended() && accepted) SetPageResult(page, -1);
            if (IsUnattended() && !accepted) EndRunWithoutFolder(page);
        }
        return TRUE;
    }
    return FALSE;
}
