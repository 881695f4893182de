// Running the collected plug-in steps of one level on the worker thread: each step's
// library is loaded around its call, the step's text shown in the page's status line and
// its progress on the page's bar, which the step moves through PluginProgressCallback.

#include "pluginsteps.h"

#include "../base/handles.h"
#include "../base/libraries.h"
#include "../base/log.h"
#include "../base/platform.h"
#include "../catalogue/plugins.h"

#include <commctrl.h>

#include <cstdio>

namespace {

typedef void(__cdecl* StepFunction)(PluginProgressFunction progress);

// Where PluginProgressCallback moves the bar: the page of the running worker.
HWND g_ProgressWindow = nullptr;
int g_ProgressBar = 0;

} // namespace

int __cdecl PluginProgressCallback(int position)
{
    return static_cast<int>(SendDlgItemMessageA(g_ProgressWindow, g_ProgressBar, PBM_SETPOS, static_cast<WPARAM>(position), 0));
}

void RunPluginSteps(int level, HWND window, int barId, int textId)
{
    g_ProgressWindow = window;
    g_ProgressBar = barId;
    TraceMessage(-1, 1, "Starting the execution of external plugin steps for level %i.\n", level);
    HWND bar = GetDlgItem(window, barId);
    for (const PluginStep* step = FirstPluginStep(); step; step = step->next) {
        if (step->level != level) continue;
        UniqueModule library(LoadScriptLibrary(step->libraryPath));
        if (!library) {
            TraceMessage(-1, 1, "Loading of dll %s failed.\n", step->libraryPath);
            if (RunLogIsOpen()) {
                char what[MAX_PATH + 64];
                std::snprintf(what, sizeof what, "Plug-in library %s cannot be loaded", step->libraryPath);
                LogError(what, GetLastError());
            }
            continue;
        }
        StepFunction function = LibraryFunction<StepFunction>(library.get(), step->functionName);
        if (!function) {
            TraceMessage(-1, 1, "Loading of plugin function %s from dll %s failed.\n", step->functionName,
                         step->libraryPath);
            LogLine("Plug-in step %s of %s: the library has no such function; skipped", step->functionName,
                    step->libraryPath);
            continue;
        }
        SendMessageA(bar, PBM_SETRANGE, 0, MAKELPARAM(0, step->progressRange & 0xFFFF));
        SendMessageA(bar, PBM_SETPOS, 0, 0);
        SetDlgItemTextA(window, textId, step->text);
        ShowWindow(bar, step->progressRange ? SW_SHOW : SW_HIDE);
        LogLine("Plug-in step %s of %s, level %d, \"%s\": started", step->functionName, step->libraryPath, level,
                step->text);
        function(PluginProgressCallback);
        LogLine("Plug-in step %s: ended", step->functionName);
    }
    ShowWindow(bar, SW_SHOW);
}
