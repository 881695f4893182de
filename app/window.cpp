// The system restart.
//
// The restart needs the shutdown privilege on the NT family, whose security functions are
// looked up at run time. The restart that the user is asked about is the Setup API's
// prompt, with the shell's prompt standing in where the Setup API does not ask.

#include "setup.h"
#include "../base/handles.h"
#include "../base/platform.h"

int RestartSystem()
{
    if (IsWindows95Family()) return ExitWindowsEx(EWX_REBOOT, 0);

    typedef BOOL(WINAPI * OpenProcessTokenFunction)(HANDLE, DWORD, HANDLE*);
    typedef BOOL(WINAPI * LookupPrivilegeValueFunction)(const char*, const char*, LUID*);
    typedef BOOL(WINAPI * AdjustTokenPrivilegesFunction)(HANDLE, BOOL, TOKEN_PRIVILEGES*, DWORD, TOKEN_PRIVILEGES*,
                                                          DWORD*);
    OpenProcessTokenFunction openToken = OptionalImport<OpenProcessTokenFunction>(OptOpenProcessToken);
    LookupPrivilegeValueFunction lookup = OptionalImport<LookupPrivilegeValueFunction>(OptLookupPrivilegeValueA);
    AdjustTokenPrivilegesFunction adjust = OptionalImport<AdjustTokenPrivilegesFunction>(OptAdjustTokenPrivileges);
    if (!openToken || !lookup || !adjust) return 0;
    UniqueHandle token;
    if (!openToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.put())) return 0;
    TOKEN_PRIVILEGES privileges = {};
    privileges.PrivilegeCount = 1;
    lookup(nullptr, "SeShutdownPrivilege", &privileges.Privileges[0].Luid);
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    adjust(token.get(), FALSE, &privileges, 0, nullptr, nullptr);
    return ExitWindowsEx(EWX_REBOOT, 0);
}

int PromptRestart(HWND owner)
{
    // With no queue the Setup API always asks, and its result has at least
    // SPFILEQ_REBOOT_RECOMMENDED set (-1 on failure), whatever the user answers. Wine 8's
    // SetupPromptReboot is a stub that answers 0 without asking; then the shell's
    // restart prompt asks instead, which likewise restarts, with the shutdown privilege,
    // when the user agrees. It takes a UTF-16 text on the NT family and ANSI on the
    // Windows 95 family; no text of our own is passed, so the difference does not matter.
    const int result = SetupPromptReboot(nullptr, owner, FALSE);
    if (result != 0) return result != -1 && (result & SPFILEQ_REBOOT_IN_PROGRESS) ? 1 : 0;
    typedef int(WINAPI * RestartDialogFunction)(HWND, const void*, DWORD);
    RestartDialogFunction restartDialog = OptionalImport<RestartDialogFunction>(OptRestartDialog);
    return restartDialog && restartDialog(owner, nullptr, EWX_REBOOT) == IDYES ? 1 : 0;
}
