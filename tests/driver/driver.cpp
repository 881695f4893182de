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
HWND SheetPage(HWND window)
{
    DWORD_PTR page = 0;
    if (!SendMessageTimeoutA(window, PSM_GETCURRENTPAGEHWND, 0, 0, SMTO_ABORTIFHUNG, MessageLimitMs, &page))
        return nullptr;
    HWND child = reinterpret_cast<HWND>(page);
    return child && IsChild(window, child) ? child : nullptr;
}

bool IsIconStatic(HWND control)
{
    const LONG type = GetWindowLongA(control, GWL_STYLE) & SS_TYPEMASK;
    return type == SS_ICON || type == SS_BITMAP || type == SS_ENHMETAFILE;
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
    for (HWND window : VisibleTopLevelWindows(processId)) {
        if (IsDialogClass(window) && !SheetPage(window)) return window;
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
        } else if (!_stricmp(control.className.c_str(), "Button")) {
            // Windows creates only the box's buttons; Wine creates all and hides the rest.
            if (IsWindowVisible(control.window)) info->buttons.push_back(control);
        }
    }
    return true;
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

} // namespace driver
