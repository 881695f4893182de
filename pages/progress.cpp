// The pages that run the work: the install page (ready page, then progress with phases
// and a progress bar), the remove page (the product to remove, then the phases), and
// their finish pages, which show the restart note when a restart is needed.
//
// While a worker runs, PageBusy (the page's GWL_USERDATA) is 1: no buttons, Cancel
// disabled and refused. WM_SETUP_DONE ends it: on success the sheet jumps to the
// finish page, on failure the error box shows and the page is ready to run again.

#include "pages.h"

#include "common.h"
#include "progressbar.h"
#include "../base/handles.h"
#include "../base/messagebox.h"
#include "../base/messages.h"
#include "../catalogue/catalogue.h"
#include "../catalogue/registration.h"
#include "../engine/workers.h"
#include "../resources/resource.h"

#include <commctrl.h>

#include <cstdio>

namespace {

// The window property of the remove page that holds the icon of the product's picture.
const char RemoveIconProperty[] = "SetupRemoveIcon";

int PhaseString(WPARAM phase, bool removal)
{
    switch (static_cast<int>(phase)) {
    case PhaseStoppingServices: return IDS_PHASE_STOPPING;
    case PhaseFileQueue: return removal ? IDS_PHASE_DELETING : IDS_PHASE_COPYING;
    case PhaseRegistry: return IDS_PHASE_REGISTRY;
    case PhaseShortcuts: return IDS_PHASE_SHORTCUTS;
    case PhaseStartingServices: return IDS_PHASE_STARTING;
    }
    return 0;
}

// Shows the phase's status line; 0 when the phase has none (the line is emptied).
int ShowPhase(HWND page, int statusId, WPARAM phase, bool removal)
{
    const int id = PhaseString(phase, removal);
    char text[256] = "";
    if (id) LoadStringA(nullptr, id, text, sizeof text);
    SetDlgItemTextA(page, statusId, text);
    return id != 0;
}

void SetBusy(HWND page, LONG_PTR busy)
{
    SetWindowLongPtrA(page, GWLP_USERDATA, busy);
}

bool IsBusy(HWND page)
{
    return GetWindowLongPtrA(page, GWLP_USERDATA) != 0;
}

// Starts the worker thread with the page; a thread that cannot be created is reported as
// a failed run with the creation's error.
void StartWorkerThread(HWND page, LPTHREAD_START_ROUTINE worker)
{
    SetBusy(page, 1);
    // The thread reports its end by message; its handle is not needed.
    UniqueHandle thread(CreateThread(nullptr, 0, worker, page, 0, nullptr));
    if (!thread) PostMessageA(page, WM_SETUP_DONE, 0, static_cast<LPARAM>(GetLastError()));
}

// The worker has ended: on success the sheet goes on to the finish page; on failure the
// error box shows and the status line is emptied. True on success; false after a
// failure, when the page makes itself ready to run again, or, in a run that answers
// itself, ends the wizard: nobody would run the steps again.
bool EndOfRun(HWND page, WPARAM succeeded, LPARAM error, int finishPage, int sentenceId, int statusId)
{
    SetBusy(page, 0);
    if (succeeded) {
        g_Options.Outcome = OutcomeSucceeded;  // also when an earlier try failed
        SendMessageA(GetParent(page), PSM_SETCURSEL, static_cast<WPARAM>(finishPage), 0);
        // Observed on Wine 8: after the jump from an interior page to an exterior one the
        // Wizard97 sheet redraws only its header band, and below it keeps what was drawn
        // there before (its side picture out of place). The whole sheet is drawn again.
        RedrawWindow(GetParent(page), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
        return true;
    }
    char sentence[256] = "";
    LoadStringA(nullptr, sentenceId, sentence, sizeof sentence);
    ShowSetupError(page, sentence, static_cast<DWORD>(error));
    SetDlgItemTextA(page, statusId, "");
    RecordOutcome(OutcomeFailed);
    if (RunAnswersItself()) PressWizardButton(page, PSBTN_CANCEL);
    return false;
}

void PrepareFinishPage(HWND page, LPARAM lParam)
{
    const SetupSession* session = SessionFromInit(lParam);
    SendDlgItemMessageA(page, IDC_TITLE, WM_SETFONT, reinterpret_cast<WPARAM>(session->TitleFont), 0);
    SendDlgItemMessageA(page, IDC_NOTE_ICON, STM_SETICON, reinterpret_cast<WPARAM>(session->WarningIcon), 0);
}

void ActivateFinishPage(HWND page)
{
    const bool restart = g_Options.RebootNeeded != 0;
    ShowControl(page, IDC_STATUS, restart);
    ShowControl(page, IDC_NOTE_ICON, restart);
    EnableSheetCancel(page, FALSE);
    PostWizardButtons(page, PSWIZB_FINISH);
    if (IsUnattended()) PressWizardButton(page, PSBTN_FINISH);
}

INT_PTR FinishPageProc(HWND page, UINT message, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        PrepareFinishPage(page, lParam);
        return TRUE;
    case WM_NOTIFY:
        if (reinterpret_cast<const NMHDR*>(lParam)->code == PSN_SETACTIVE) ActivateFinishPage(page);
        return TRUE;
    }
    return FALSE;
}

} // namespace

char* FormatSystemError(DWORD code, LANGID language)
{
    char* text = nullptr;
    const DWORD flags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER;
    // Windows has its texts in the languages installed on it only: without one in the
    // interface language the cause is told in the system's own.
    if (!FormatMessageA(flags, nullptr, code, language, reinterpret_cast<char*>(&text), 0, nullptr))
        FormatMessageA(flags, nullptr, code, GetSystemDefaultLangID(), reinterpret_cast<char*>(&text), 0, nullptr);
    return text;
}

int ShowSetupError(HWND owner, const char* sentence, DWORD code)
{
    char* system = code ? FormatSystemError(code, g_Options.Language) : nullptr;
    char message[2048];
    if (system) {
        std::snprintf(message, sizeof message, "%s\r\n\r\n%s", sentence, system);
        LocalFree(system);
    } else {
        lstrcpynA(message, sentence, sizeof message);
    }
    ShowRunMessage(owner, message, nullptr, MB_OK | MB_ICONERROR, IDOK);
    return 0;
}

INT_PTR CALLBACK InstallPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: {
        SetupSession* session = SessionFromInit(lParam);
        SetHeaderFont(page, session);
        SendDlgItemMessageA(page, IDC_NOTE_ICON, STM_SETICON, reinterpret_cast<WPARAM>(session->WarningIcon), 0);
        StoreSession(page, session);
        SendDlgItemMessageA(page, IDC_PROGRESS, PBM_SETSTEP, 1, 0);
        AttachBarSteps(page);
        return TRUE;
    }
    case WM_DESTROY:
        DetachBarSteps(page);
        return FALSE;
    case WM_NOTIFY: {
        const SetupSession* session = StoredSession(page);
        switch (reinterpret_cast<const NMHDR*>(lParam)->code) {
        case PSN_SETACTIVE: {
            const bool windowsCd =
                CountProductsWithFlags(session->InfHandle, g_Options.SelectedProducts, ProductFlagWindowsCd) != 0;
            ShowControl(page, IDC_TITLE, windowsCd);
            ShowControl(page, IDC_NOTE_ICON, windowsCd);
            PostWizardButtons(page, PSWIZB_BACK | PSWIZB_NEXT);
            if (IsUnattended()) PressWizardButton(page, PSBTN_NEXT);
            break;
        }
        case PSN_WIZNEXT:
            PostWizardButtons(page, 0);
            EnableSheetCancel(page, FALSE);
            ShowControl(page, IDC_PROGRESS, true);
            SetPageResult(page, -1);
            StartWorkerThread(page, RunInstallWorker);
            break;
        case PSN_QUERYCANCEL:
            if (IsBusy(page)) SetPageResult(page, 1);
            break;
        }
        return TRUE;
    }
    case WM_TIMER:
        if (wParam != BarTimer) return FALSE;
        FlushBarSteps(page);
        return TRUE;
    case WM_SETUP_PHASE:
        FlushBarSteps(page);
        ShowControl(page, IDC_PROGRESS, ShowPhase(page, IDC_STATUS, wParam, false) != 0);
        return TRUE;
    case WM_SETUP_PROGRESS:
        if (wParam)
            StepBar(page, TakeFileProgress(page, lParam));
        else
            StartBarSteps(page, LOWORD(lParam));
        return TRUE;
    case WM_SETUP_DONE:
        FlushBarSteps(page);
        if (EndOfRun(page, wParam, lParam, PageInstallFinish, IDS_INSTALL_FAILED, IDC_STATUS)) return TRUE;
        SendDlgItemMessageA(page, IDC_PROGRESS, PBM_SETPOS, 0, 0);
        PostWizardButtons(page, PSWIZB_BACK | PSWIZB_NEXT);
        EnableSheetCancel(page, TRUE);
        ShowControl(page, IDC_PROGRESS, false);
        return TRUE;
    }
    return FALSE;
}

INT_PTR CALLBACK InstallFinishPageProc(HWND page, UINT message, WPARAM, LPARAM lParam)
{
    return FinishPageProc(page, message, lParam);
}

INT_PTR CALLBACK RemovePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: {
        SetupSession* session = SessionFromInit(lParam);
        StoreSession(page, session);
        char name[256] = "";
        int image = 0;
        if (!GetRemovalTitle(session->InfHandle, g_Options.SelectedProducts, name, sizeof name, &image)) name[0] = '\0';
        SendDlgItemMessageA(page, IDC_TITLE, WM_SETFONT, reinterpret_cast<WPARAM>(session->TitleFont), 0);
        SendDlgItemMessageA(page, IDC_STATUS, WM_SETFONT, reinterpret_cast<WPARAM>(session->HeaderFont), 0);
        SetDlgItemTextA(page, IDC_TITLE, session->ProductTitle);
        SetDlgItemTextA(page, IDC_STATUS, name);
        // The product's picture: an icon made from the session's images, which the page
        // owns (the static control only shows it) and destroys with itself.
        if (image) {
            HICON icon = ImageList_GetIcon(session->ImageList, image + 1, ILD_NORMAL);
            SetPropA(page, RemoveIconProperty, icon);
            SendDlgItemMessageA(page, IDC_NOTE_ICON, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
        }
        CenterWindow(GetParent(page), GetDesktopWindow());
        return TRUE;
    }
    case WM_NOTIFY:
        switch (reinterpret_cast<const NMHDR*>(lParam)->code) {
        case PSN_SETACTIVE:
            PostWizardButtons(page, PSWIZB_NEXT);
            if (IsUnattended()) PressWizardButton(page, PSBTN_NEXT);
            break;
        case PSN_WIZNEXT:
            PostWizardButtons(page, 0);
            EnableSheetCancel(page, FALSE);
            SetPageResult(page, -1);
            StartWorkerThread(page, RunRemoveWorker);
            break;
        case PSN_QUERYCANCEL:
            if (IsBusy(page)) SetPageResult(page, 1);
            break;
        }
        return TRUE;
    case WM_SETUP_PHASE:
        ShowPhase(page, IDC_REMOVE_STATUS, wParam, true);
        return TRUE;
    case WM_DESTROY: {
        UniqueIcon icon(static_cast<HICON>(RemovePropA(page, RemoveIconProperty)));
        return FALSE;
    }
    case WM_SETUP_DONE:
        if (EndOfRun(page, wParam, lParam, PageRemoveFinish, IDS_REMOVE_FAILED, IDC_REMOVE_STATUS)) return TRUE;
        PostWizardButtons(page, PSWIZB_NEXT);
        EnableSheetCancel(page, TRUE);
        return TRUE;
    }
    return FALSE;
}

INT_PTR CALLBACK RemoveFinishPageProc(HWND page, UINT message, WPARAM, LPARAM lParam)
{
    return FinishPageProc(page, message, lParam);
}
