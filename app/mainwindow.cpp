// The hidden main window and the single-instance rule.
//
// One copy of the program runs per program file: a named mutex, named after the
// program's path, tells a second copy to bring the first one's wizard or box forward
// and end. The hidden "SETUP" window runs the whole wizard while it is being created,
// owns the wizard and every message box, and refuses to let Windows end while a worker
// thread runs.

#include "setup.h"
#include "startup.h"
#include "../base/libraries.h"
#include "../base/log.h"
#include "../base/pathtext.h"
#include "../resources/resource.h"

namespace {

// The name of this program file's copy: the single-instance mutex's, and the hidden
// window's title, so that a second copy finds its first copy's window and not that of a
// copy started from another folder.
void MakeInstanceName(char* name, size_t size)
{
    char path[256] = "";
    GetProgramPath(path, sizeof path);
    MakeInstanceMutexName(path, name, size);
}

} // namespace

int ActivateOtherInstance()
{
    char name[256];
    MakeInstanceName(name, sizeof name);

    // The handle stays open, and the mutex owned, until the process ends.
    CreateMutexA(nullptr, TRUE, name);
    if (GetLastError() != ERROR_ALREADY_EXISTS) return 0;

    // The main window is hidden: what the user sees is the wizard or its open box.
    HWND other = FindWindowA("SETUP", name);
    if (other) {
        HWND shown = GetLastActivePopup(other);
        if (IsIconic(shown)) ShowWindow(shown, SW_RESTORE);
        SetForegroundWindow(shown);
    }
    return 1;
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        RunWizard(window);
        SendMessageA(window, WM_CLOSE, 0, 0);
        break;
    case WM_DESTROY:
        PostQuitMessage(0);
        break;
    case WM_QUERYENDSESSION:
        // While a worker runs, Windows may not end; the refusal means a restart is due.
        if (!g_Options.EndSessionGuard) return TRUE;
        g_Options.RebootNeeded = 1;
        LogLine("Restart needed: Windows asked to end the session while the steps ran; refused");
        return FALSE;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND CreateMainWindow(HINSTANCE instance)
{
    WNDCLASSA windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = MainWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_SETUP));
    windowClass.lpszClassName = "SETUP";
    if (!RegisterClassA(&windowClass)) return nullptr;
    char name[256];
    MakeInstanceName(name, sizeof name);
    return CreateWindowExA(0, "SETUP", name, 0, 0, 0, 100, 100, nullptr, nullptr, instance, nullptr);
}
