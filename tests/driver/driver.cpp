// The end-to-end driver's functions: starting and ending the program, finding its
// top-level windows, reading and answering message boxes, reading and pressing a wizard.
//
// Waits poll every few milliseconds up to their limit. The program's windows belong to
// another process, so texts are read with WM_GETTEXT through SendMessageTimeout (the
// system copies the text across) and buttons are pressed with messages that the
// program's own thread handles as if a user had clicked.

#include "driver.h"

#include <commctrl.h>
#include <prsht.h>

#include <vector>

namespace driver {

namespace {

// How long one message to the program may take before the driver gives up on it.
const UINT MessageLimitMs = 5000;
const DWORD PollMs = 20;

bool TimeLeft(DWORD start, DWORD timeoutMs)
{
    return GetTickCount() - start < timeoutMs;
}

struct WindowSearch {
    DWORD processId;
    std::vector<HWND> windows;
};

BOOL CALLBACK CollectProcessWindow(HWND window, LPARAM parameter)
{
    WindowSearch* search = reinterpret_cast<WindowSearch*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->processId && IsWindowVisible(window)) search->windows.push_back(window);
    return TRUE;
}

std::vector<HWND> VisibleTopLevelWindows(DWORD processId)
{
    WindowSearch search = {processId, {}};
    EnumWindows(CollectProcessWindow, reinterpret_cast<LPARAM>(&search));
    return search.windows;
}

bool IsDialogClass(HWND window)
{
    return ClassName(window) == "#32770";
}

// A sheet answers PSM_GETCURRENTPAGEHWND with one of its own children; any other
// dialog (a message box among them) leaves the message to DefDlgProc, which answers 0.
// 0 when the window did not answer in time (its thread is busy, say filling a long
// list), so that the caller can tell "no page" from "no answer".
int QuerySheetPage(HWND window, HWND* page)
{
    DWORD_PTR answer = 0;
    *page = nullptr;
    if (!SendMessageTimeoutA(window, PSM_GETCURRENTPAGEHWND, 0, 0, SMTO_ABORTIFHUNG, MessageLimitMs, &answer))
        return 0;
    HWND child = reinterpret_cast<HWND>(answer);
    if (child && IsChild(window, child)) *page = child;
    return 1;
}

HWND SheetPage(HWND window)
{
    HWND page = nullptr;
    QuerySheetPage(window, &page);
    return page;
}

bool IsIconStatic(HWND control)
{
    const LONG type = GetWindowLongA(control, GWL_STYLE) & SS_TYPEMASK;
    return type == SS_ICON || type == SS_BITMAP || type == SS_ENHMETAFILE;
}

// An icon static that is shown and holds an icon (a box without an icon may still have
// the static, hidden or empty).
bool ShowsIcon(HWND control)
{
    DWORD_PTR icon = 0;
    return (GetWindowLongA(control, GWL_STYLE) & SS_TYPEMASK) == SS_ICON && IsWindowVisible(control)
           && SendMessageTimeoutA(control, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, MessageLimitMs, &icon) && icon;
}

struct ChildSearch {
    HWND parent;
    std::vector<HWND> children;
};

BOOL CALLBACK CollectChild(HWND window, LPARAM parameter)
{
    ChildSearch* search = reinterpret_cast<ChildSearch*>(parameter);
    // EnumChildWindows walks grandchildren too; only the direct children are controls.
    if (GetParent(window) == search->parent) search->children.push_back(window);
    return TRUE;
}

} // namespace

bool StartProgram(const std::string& commandLine, const std::string& folder, Process* process)
{
    *process = Process();
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &started))
        return false;
    CloseHandle(started.hThread);
    process->handle = started.hProcess;
    process->id = started.dwProcessId;
    return true;
}

ExitResult WaitForExit(const Process& process, DWORD timeoutMs)
{
    ExitResult result;
    if (!process.handle) return result;
    if (WaitForSingleObject(process.handle, timeoutMs) == WAIT_OBJECT_0) {
        result.exited = true;
    } else {
        TerminateProcess(process.handle, 255);
        WaitForSingleObject(process.handle, MessageLimitMs);
        result.killed = true;
    }
    GetExitCodeProcess(process.handle, &result.exitCode);
    return result;
}

bool WaitUntilExited(const Process& process, DWORD timeoutMs)
{
    return process.handle && WaitForSingleObject(process.handle, timeoutMs) == WAIT_OBJECT_0;
}

bool HasExited(const Process& process)
{
    return WaitUntilExited(process, 0);
}

void CloseProcess(Process* process)
{
    if (!process->handle) return;
    if (!HasExited(*process)) {
        TerminateProcess(process->handle, 255);
        WaitForSingleObject(process->handle, MessageLimitMs);
    }
    CloseHandle(process->handle);
    *process = Process();
}

std::string ClassName(HWND window)
{
    char name[256];
    const int length = GetClassNameA(window, name, sizeof name);
    return length > 0 ? std::string(name, length) : std::string();
}

std::string WindowText(HWND window)
{
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, MessageLimitMs, &length)) {
        // A window that does not answer still has the text the system keeps for it.
        char text[1024];
        const int got = GetWindowTextA(window, text, sizeof text);
        return got > 0 ? std::string(text, got) : std::string();
    }
    // The length may be counted in characters of another encoding; room for double.
    std::vector<char> text(2 * length + 2, '\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                             SMTO_ABORTIFHUNG, MessageLimitMs, &copied))
        return std::string();
    text.back() = '\0';
    return std::string(text.data());
}

std::vector<WindowInfo> ListVisibleWindows(DWORD processId)
{
    std::vector<WindowInfo> list;
    for (HWND window : VisibleTopLevelWindows(processId)) {
        WindowInfo info;
        info.window = window;
        info.className = ClassName(window);
        info.caption = WindowText(window);
        list.push_back(info);
    }
    return list;
}

bool WaitForNoWindows(const Process& process, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        if (VisibleTopLevelWindows(process.id).empty() || HasExited(process)) return true;
        if (!TimeLeft(start, timeoutMs)) return false;
        Sleep(PollMs);
    }
}

std::vector<ControlInfo> ListControls(HWND parent)
{
    ChildSearch search = {parent, {}};
    EnumChildWindows(parent, CollectChild, reinterpret_cast<LPARAM>(&search));
    std::vector<ControlInfo> list;
    for (HWND child : search.children) {
        ControlInfo info;
        info.window = child;
        info.id = GetDlgCtrlID(child);
        info.className = ClassName(child);
        info.text = WindowText(child);
        list.push_back(info);
    }
    return list;
}

HWND FindMessageBox(DWORD processId)
{
    // A dialog that did not answer is not taken for a box: a busy property sheet must not
    // be; a box that was late to answer is found on the next look.
    // A property sheet always holds its tab control (hidden in a wizard), also while it
    // has no page yet.
    for (HWND window : VisibleTopLevelWindows(processId)) {
        HWND page = nullptr;
        if (IsDialogClass(window) && !FindWindowExA(window, nullptr, "SysTabControl32", nullptr) &&
            QuerySheetPage(window, &page) && !page)
            return window;
    }
    return nullptr;
}

bool ReadMessageBox(HWND box, MessageBoxInfo* info)
{
    *info = MessageBoxInfo();
    if (!IsWindow(box)) return false;
    info->window = box;
    info->owner = GetWindow(box, GW_OWNER);
    if (info->owner) info->ownerClass = ClassName(info->owner);
    info->caption = WindowText(box);
    for (const ControlInfo& control : ListControls(box)) {
        if (!_stricmp(control.className.c_str(), "Static")) {
            // The message is the static with text; the icon is a static too, and Wine
            // and Windows give the text different ids.
            if (info->text.empty() && !control.text.empty() && !IsIconStatic(control.window))
                info->text = control.text;
            if (ShowsIcon(control.window)) ++info->icons;
        } else if (!_stricmp(control.className.c_str(), "Button")) {
            // Windows creates only the box's buttons; Wine creates all and hides the rest.
            if (IsWindowVisible(control.window)) info->buttons.push_back(control);
        }
    }
    return true;
}

bool HasButton(const MessageBoxInfo& box, int buttonId)
{
    for (const ControlInfo& button : box.buttons)
        if (button.id == buttonId) return true;
    return false;
}

bool WaitForMessageBox(const Process& process, DWORD timeoutMs, MessageBoxInfo* info)
{
    *info = MessageBoxInfo();
    const DWORD start = GetTickCount();
    for (;;) {
        HWND box = FindMessageBox(process.id);
        if (box && ReadMessageBox(box, info)) return true;
        if (HasExited(process) || !TimeLeft(start, timeoutMs)) return false;
        Sleep(PollMs);
    }
}

bool AnswerMessageBox(HWND box, int buttonId)
{
    if (!IsWindow(box)) return false;
    HWND button = GetDlgItem(box, buttonId);
    if (button && IsWindowVisible(button) && IsWindowEnabled(button)) {
        DWORD_PTR ignored = 0;
        if (SendMessageTimeoutA(button, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, MessageLimitMs, &ignored))
            return true;
    }
    return PostMessageA(box, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED), reinterpret_cast<LPARAM>(button)) != 0;
}

bool WaitForWindowGone(HWND window, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        if (!IsWindow(window) || !IsWindowVisible(window)) return true;
        if (!TimeLeft(start, timeoutMs)) return false;
        Sleep(PollMs);
    }
}

ExitResult AnswerBoxesUntilExit(const Process& process, DWORD timeoutMs, int buttonId, BoxSeen seen,
                                void* context)
{
    const DWORD start = GetTickCount();
    for (;;) {
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= timeoutMs) break;
        MessageBoxInfo box;
        if (WaitForMessageBox(process, timeoutMs - elapsed, &box)) {
            if (seen) seen(box, context);
            AnswerMessageBox(box.window, buttonId);
            // The same box must not be seen twice while it closes.
            const DWORD used = GetTickCount() - start;
            if (!WaitForWindowGone(box.window, used < timeoutMs ? timeoutMs - used : 0)) break;
        } else if (HasExited(process)) {
            break;
        }
    }
    const DWORD used = GetTickCount() - start;
    return WaitForExit(process, used < timeoutMs ? timeoutMs - used : 0);
}

HWND FindPropertySheet(DWORD processId)
{
    for (HWND window : VisibleTopLevelWindows(processId)) {
        if (IsDialogClass(window) && SheetPage(window)) return window;
    }
    return nullptr;
}

HWND WaitForPropertySheet(const Process& process, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        HWND sheet = FindPropertySheet(process.id);
        if (sheet) return sheet;
        if (HasExited(process) || !TimeLeft(start, timeoutMs)) return nullptr;
        Sleep(PollMs);
    }
}

HWND CurrentPage(HWND sheet)
{
    return SheetPage(sheet);
}

std::vector<ControlInfo> CurrentPageControls(HWND sheet)
{
    HWND page = CurrentPage(sheet);
    return page ? ListControls(page) : std::vector<ControlInfo>();
}

std::string PageControlText(HWND sheet, int id, bool* found)
{
    HWND page = CurrentPage(sheet);
    HWND control = page ? GetDlgItem(page, id) : nullptr;
    if (found) *found = control != nullptr;
    return control ? WindowText(control) : std::string();
}

bool PressWizardButton(HWND sheet, WizardButton button)
{
    return IsWindow(sheet) && PostMessageA(sheet, PSM_PRESSBUTTON, static_cast<WPARAM>(button), 0) != 0;
}

HWND WaitForPageChange(HWND sheet, HWND page, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        HWND current = IsWindow(sheet) ? CurrentPage(sheet) : nullptr;
        if (current && current != page) return current;
        if (!IsWindow(sheet) || !TimeLeft(start, timeoutMs)) return nullptr;
        Sleep(PollMs);
    }
}

int CurrentPageIndex(HWND sheet)
{
    HWND page = CurrentPage(sheet);
    DWORD_PTR index = static_cast<DWORD_PTR>(-1);
    if (!page || !SendMessageTimeoutA(sheet, PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(page), 0, SMTO_ABORTIFHUNG,
                                      MessageLimitMs, &index))
        return -1;
    return static_cast<int>(index);
}

int PressAndWaitForPage(HWND sheet, WizardButton button, DWORD timeoutMs)
{
    HWND before = CurrentPage(sheet);
    if (!PressWizardButton(sheet, button)) return -1;
    return WaitForPageChange(sheet, before, timeoutMs) ? CurrentPageIndex(sheet) : -1;
}

HWND WaitForPageIndex(HWND sheet, int index, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        if (!IsWindow(sheet)) return nullptr;
        if (CurrentPageIndex(sheet) == index) return CurrentPage(sheet);
        if (!TimeLeft(start, timeoutMs)) return nullptr;
        Sleep(PollMs);
    }
}

HWND PageControl(HWND sheet, int id)
{
    HWND page = CurrentPage(sheet);
    return page ? GetDlgItem(page, id) : nullptr;
}

bool IsShown(HWND window)
{
    return window && IsWindow(window) && IsWindowVisible(window);
}

bool IsUsable(HWND window)
{
    return IsShown(window) && IsWindowEnabled(window);
}

bool operator==(const WizardButtons& a, const WizardButtons& b)
{
    return a.back == b.back && a.next == b.next && a.finish == b.finish && a.cancel == b.cancel;
}

WizardButtons ReadWizardButtons(HWND sheet)
{
    WizardButtons buttons;
    buttons.back = IsUsable(GetDlgItem(sheet, SheetBackId));
    buttons.next = IsUsable(GetDlgItem(sheet, SheetNextId));
    buttons.finish = IsUsable(GetDlgItem(sheet, SheetFinishId));
    buttons.cancel = IsUsable(GetDlgItem(sheet, SheetCancelId));
    return buttons;
}

std::string DescribeWizardButtons(const WizardButtons& buttons)
{
    std::string text;
    if (buttons.back) text += " back";
    if (buttons.next) text += " next";
    if (buttons.finish) text += " finish";
    if (buttons.cancel) text += " cancel";
    return text.empty() ? " none" : text;
}

bool WaitForWizardButtons(HWND sheet, const WizardButtons& expected, DWORD timeoutMs, WizardButtons* last)
{
    const DWORD start = GetTickCount();
    for (;;) {
        const WizardButtons seen = ReadWizardButtons(sheet);
        if (last) *last = seen;
        if (seen == expected) return true;
        if (!IsWindow(sheet) || !TimeLeft(start, timeoutMs)) return false;
        Sleep(PollMs);
    }
}

bool WaitForShown(HWND window, bool shown, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        if (IsShown(window) == shown) return true;
        if (!IsWindow(window) || !TimeLeft(start, timeoutMs)) return false;
        Sleep(PollMs);
    }
}

bool WaitForText(HWND window, const std::string& text, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        if (WindowText(window) == text) return true;
        if (!IsWindow(window) || !TimeLeft(start, timeoutMs)) return false;
        Sleep(PollMs);
    }
}

bool SetControlText(HWND control, const std::string& text)
{
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG,
                               MessageLimitMs, &result)
           && result;
}

bool SendAndWait(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    DWORD_PTR ignored = 0;
    return SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG, MessageLimitMs, &ignored) != 0;
}

namespace {

// A list box message without pointers; `failed` is returned when the program does not answer.
LRESULT AskList(HWND list, UINT message, WPARAM wParam, LRESULT failed)
{
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(list, message, wParam, 0, SMTO_ABORTIFHUNG, MessageLimitMs, &result)) return failed;
    return static_cast<LRESULT>(result);
}

} // namespace

int ListRowCount(HWND list)
{
    return static_cast<int>(AskList(list, LB_GETCOUNT, 0, -1));
}

int ListCurrentRow(HWND list)
{
    return static_cast<int>(AskList(list, LB_GETCURSEL, 0, LB_ERR));
}

DWORD ListRowData(HWND list, int row)
{
    return static_cast<DWORD>(AskList(list, LB_GETITEMDATA, static_cast<WPARAM>(row), LB_ERR));
}

std::string ListRowText(HWND list, int row)
{
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(list, LB_GETTEXTLEN, static_cast<WPARAM>(row), 0, SMTO_ABORTIFHUNG, MessageLimitMs,
                             &length)
        || static_cast<LRESULT>(length) == LB_ERR)
        return std::string();
    // The system copies the row's text across the processes for a list with strings;
    // Wine 8 copies it whole only in the UTF-16 form (the ANSI form arrives cut after its
    // first character), so the text is asked for in UTF-16 and converted.
    std::vector<WCHAR> text(length + 2, 0);
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(list, LB_GETTEXT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(text.data()),
                             SMTO_ABORTIFHUNG, MessageLimitMs, &copied))
        return std::string();
    text.back() = 0;
    std::string ansi(4 * text.size(), '\0');
    const int size = WideCharToMultiByte(CP_ACP, 0, text.data(), -1, &ansi[0], static_cast<int>(ansi.size()),
                                         nullptr, nullptr);
    ansi.resize(size > 0 ? size - 1 : 0);
    return ansi;
}

bool ClickListRow(HWND list, int row, int x)
{
    const LRESULT top = AskList(list, LB_GETTOPINDEX, 0, LB_ERR);
    const LRESULT height = AskList(list, LB_GETITEMHEIGHT, static_cast<WPARAM>(row), LB_ERR);
    if (top == LB_ERR || height == LB_ERR || height <= 0 || row < top) return false;
    const int y = static_cast<int>((row - top) * height + height / 2);
    const LPARAM point = MAKELPARAM(x, y);
    return PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, point) && PostMessageA(list, WM_LBUTTONUP, 0, point);
}

bool WaitForListIdle(HWND list, DWORD timeoutMs)
{
    const LRESULT extent = AskList(list, LB_GETHORIZONTALEXTENT, 0, LB_ERR);
    if (extent == LB_ERR) return false;
    const WPARAM marker = static_cast<WPARAM>(extent + 1) & 0x3FFF;
    if (!PostMessageA(list, LB_SETHORIZONTALEXTENT, marker, 0)) return false;
    const DWORD start = GetTickCount();
    for (;;) {
        if (AskList(list, LB_GETHORIZONTALEXTENT, 0, LB_ERR) == static_cast<LRESULT>(marker)) return true;
        if (!IsWindow(list) || !TimeLeft(start, timeoutMs)) return false;
        Sleep(PollMs);
    }
}

bool PressKey(HWND window, UINT virtualKey)
{
    const UINT scan = MapVirtualKeyA(virtualKey, 0);
    const LPARAM down = 1 | (static_cast<LPARAM>(scan) << 16);
    const LPARAM up = down | (1L << 30) | (1L << 31);
    return PostMessageA(window, WM_KEYDOWN, virtualKey, down) && PostMessageA(window, WM_KEYUP, virtualKey, up);
}

} // namespace driver
