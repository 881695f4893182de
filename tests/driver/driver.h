// The end-to-end driver: starts a program and watches it from outside, the way a user
// sees it. It finds the program's top-level windows, reads and answers its message
// boxes, and reads and presses its wizard (property sheet). Nothing here runs inside
// the program: windows are found by process id and read and pressed with messages.
//
// Every wait takes a limit in milliseconds and gives up when it passes, so a program
// that hangs fails a test instead of stopping the whole run. Messages to the program's
// windows are sent with SendMessageTimeout for the same reason.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace driver {

// A started program. Close it with CloseProcess when done.
struct Process {
    HANDLE handle = nullptr;
    DWORD id = 0;
};

// How a wait for a program's end came out.
struct ExitResult {
    bool exited = false;    // the program ended by itself within the limit
    bool killed = false;    // the limit passed and the program was terminated
    DWORD exitCode = 0;     // the exit code (255 after a kill)
};

// Starts `commandLine` in `folder` (empty: the current folder). On failure returns
// false and leaves the last error as CreateProcessA set it.
bool StartProgram(const std::string& commandLine, const std::string& folder, Process* process);

// Waits for the program to end; when it has not ended after `timeoutMs` it is killed
// (and the result says so).
ExitResult WaitForExit(const Process& process, DWORD timeoutMs);

// Waits up to `timeoutMs` for the program to end, without killing it.
bool WaitUntilExited(const Process& process, DWORD timeoutMs);

bool HasExited(const Process& process);

// Terminates the program if it still runs and closes the handle; safe to call twice.
void CloseProcess(Process* process);

// A top-level window.
struct WindowInfo {
    HWND window = nullptr;
    std::string className;
    std::string caption;
};

// The visible top-level windows of the process `processId`.
std::vector<WindowInfo> ListVisibleWindows(DWORD processId);

// Waits up to `timeoutMs` until the process has no visible top-level window (true),
// or ended.
bool WaitForNoWindows(const Process& process, DWORD timeoutMs);

// A control of a dialog: its id, class and text.
struct ControlInfo {
    HWND window = nullptr;
    int id = 0;
    std::string className;
    std::string text;
};

// A message box as shown: caption, the message text, the visible buttons, the icons
// and the owner.
struct MessageBoxInfo {
    HWND window = nullptr;
    HWND owner = nullptr;           // GetWindow(box, GW_OWNER)
    std::string ownerClass;         // class name of the owner, empty without owner
    std::string caption;
    std::string text;
    std::vector<ControlInfo> buttons;
    int icons = 0;                  // icon statics that are shown and hold an icon
};

// Whether the box shows the button `buttonId` (IDOK, IDNO, ...).
bool HasButton(const MessageBoxInfo& box, int buttonId);

// The text of any window, also of another process (WM_GETTEXT, bounded).
std::string WindowText(HWND window);
std::string ClassName(HWND window);

// The direct child windows of `parent` with id, class and text, in Z order.
std::vector<ControlInfo> ListControls(HWND parent);

// A visible message box of the process, or null: a top-level "#32770" dialog that is
// not a property sheet.
HWND FindMessageBox(DWORD processId);

// Reads caption, message text, visible buttons and owner of the box `box`.
bool ReadMessageBox(HWND box, MessageBoxInfo* info);

// Waits up to `timeoutMs` for the program to show a message box and reads it. Returns
// false when the limit passes or the program ends first.
bool WaitForMessageBox(const Process& process, DWORD timeoutMs, MessageBoxInfo* info);

// Presses the button `buttonId` (IDOK, IDCANCEL, ...) of the dialog `box`: BM_CLICK
// on the button when the box has it (as a user's click, the box then ends itself), else
// WM_COMMAND with that id. Returns false when there is no such window.
bool AnswerMessageBox(HWND box, int buttonId);

// Waits up to `timeoutMs` until `window` is destroyed or hidden.
bool WaitForWindowGone(HWND window, DWORD timeoutMs);

// Called by AnswerBoxesUntilExit for every box it sees, before answering it.
typedef void (*BoxSeen)(const MessageBoxInfo& box, void* context);

// Until the program ends or `timeoutMs` passes: reads every message box it shows,
// passes it to `seen` (may be null) with `context`, answers it with `buttonId` and waits
// for it to close. Then waits for the end within what is left of the limit and kills
// the program when the limit passes (a box that will not close uses up the limit).
ExitResult AnswerBoxesUntilExit(const Process& process, DWORD timeoutMs, int buttonId, BoxSeen seen,
                                void* context);

// Wizard buttons for PSM_PRESSBUTTON.
enum WizardButton {
    WizardBack = 0,     // PSBTN_BACK
    WizardNext = 1,     // PSBTN_NEXT
    WizardFinish = 2,   // PSBTN_FINISH
    WizardCancel = 5,   // PSBTN_CANCEL
};

// The property sheet (wizard) of the process, or null: a visible top-level "#32770"
// window that answers PSM_GETCURRENTPAGEHWND with a child page.
HWND FindPropertySheet(DWORD processId);

// Waits up to `timeoutMs` for the process to show a property sheet.
HWND WaitForPropertySheet(const Process& process, DWORD timeoutMs);

// The page the sheet shows now, or null.
HWND CurrentPage(HWND sheet);

// The controls of the sheet's current page, by id.
std::vector<ControlInfo> CurrentPageControls(HWND sheet);

// The text of the control `id` on the sheet's current page; `found` (optional) tells
// whether the page has such a control.
std::string PageControlText(HWND sheet, int id, bool* found);

// Presses a wizard button. PSM_PRESSBUTTON is posted, so a page that opens a message
// box in answer does not hold the driver up.
bool PressWizardButton(HWND sheet, WizardButton button);

// Waits up to `timeoutMs` until the sheet shows a page other than `page`.
HWND WaitForPageChange(HWND sheet, HWND page, DWORD timeoutMs);

// ---- Pages, controls and wizard buttons, seen from outside ----

// The sheet's own buttons (children of the sheet, not of a page).
const int SheetBackId = 0x3023;
const int SheetNextId = 0x3024;
const int SheetFinishId = 0x3025;
const int SheetCancelId = IDCANCEL;

// The index of the page the sheet shows now (PSM_HWNDTOINDEX), or -1.
int CurrentPageIndex(HWND sheet);

// Presses a wizard button and waits up to `timeoutMs` for the sheet to show another
// page; returns that page's index, or -1 when no other page came.
int PressAndWaitForPage(HWND sheet, WizardButton button, DWORD timeoutMs);

// Waits up to `timeoutMs` until the sheet shows the page with index `index`; returns
// that page, or null when the limit passes or the sheet goes away.
HWND WaitForPageIndex(HWND sheet, int index, DWORD timeoutMs);

// The control `id` of the sheet's current page, or null.
HWND PageControl(HWND sheet, int id);

// A window of the program can be seen (it and its parents are visible) and used.
bool IsShown(HWND window);
bool IsUsable(HWND window);

// Which wizard buttons a user could press now: each is shown and enabled.
struct WizardButtons {
    bool back = false;
    bool next = false;
    bool finish = false;
    bool cancel = false;
};
bool operator==(const WizardButtons& a, const WizardButtons& b);
WizardButtons ReadWizardButtons(HWND sheet);
// "back next finish cancel" for the usable ones, for failure messages.
std::string DescribeWizardButtons(const WizardButtons& buttons);

// The pages post their buttons, so they settle after the notification that caused
// them: waits up to `timeoutMs` until the sheet offers exactly `expected`. Returns
// whether it did; `last` (optional) receives the state seen last.
bool WaitForWizardButtons(HWND sheet, const WizardButtons& expected, DWORD timeoutMs, WizardButtons* last);

// Waits up to `timeoutMs` until `window` is shown (or hidden, with `shown` false).
bool WaitForShown(HWND window, bool shown, DWORD timeoutMs);

// Waits up to `timeoutMs` until the text of `window` equals `text`.
bool WaitForText(HWND window, const std::string& text, DWORD timeoutMs);

// Sets the text of a control of the program (WM_SETTEXT), as typing would leave it;
// an edit control then reports EN_CHANGE to its page.
bool SetControlText(HWND control, const std::string& text);

// Sends a message that carries no pointers to a window of the program and returns
// when the program has handled it (false when it did not answer within the limit).
bool SendAndWait(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// ---- A list box of the program (the component page's check list) ----

int ListRowCount(HWND list);                        // LB_GETCOUNT, -1 when unknown
int ListCurrentRow(HWND list);                      // LB_GETCURSEL
DWORD ListRowData(HWND list, int row);              // LB_GETITEMDATA
std::string ListRowText(HWND list, int row);        // LB_GETTEXT

// Clicks into row `row` at `x` pixels from the list's left edge, half-way down the row,
// as a user's press and release of the left button (posted, so a message box that the
// click opens does not hold the driver up).
bool ClickListRow(HWND list, int row, int x);

// Waits up to `timeoutMs` until the list has handled everything posted to it before:
// posts a change that nobody sees (the horizontal extent of a list without a
// horizontal scroll bar) and waits until the list reports it.
bool WaitForListIdle(HWND list, DWORD timeoutMs);

// A key pressed and released in `window` (posted WM_KEYDOWN and WM_KEYUP).
bool PressKey(HWND window, UINT virtualKey);

} // namespace driver
