// The entry point: one copy per program file, language and wizard style, options,
// the program's folder as current directory, and the hidden "SETUP" window whose
// creation runs the whole wizard. With "/log:FILE" the run's log is opened as soon as
// the command line is read. The exit code is 0, or with "/exitcodes" the run's outcome
// (RunExitCode), which is also the log's last line.

#include "setup.h"
#include "startup.h"
#include "../base/libraries.h"
#include "../base/log.h"
#include "../base/pathtext.h"
#include "../base/platform.h"
#include "../catalogue/catalogue.h"
#include "../resources/resource.h"

#include <cstring>

namespace {

// The options must stay readable for the whole run (UnattendedList points into them),
// so the command line is copied into storage of the process's lifetime.
char* KeepCommandLine(const char* commandLine)
{
    const size_t length = commandLine ? std::strlen(commandLine) : 0;
    char* copy = static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, length + 1));
    if (!copy) return nullptr;
    if (length) std::memcpy(copy, commandLine, length);
    copy[length] = '\0';
    return copy;
}

// The version this program reports in its log; raised with every release.
const char ProgramVersion[] = "1.0";

// The log's first lines: which program, with which command line, on which Windows, and
// in which language it speaks.
void LogRunStart(const char* commandLine)
{
    char program[MAX_PATH] = "";
    GetProgramPath(program, sizeof program);
    LogLine("setup.exe %s started: %s", ProgramVersion, program);
    LogLine("Command line: %s", commandLine ? commandLine : "");
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    GetVersionExA(&version);
    LogLine("Windows %lu.%lu.%lu%s%s, %s family", version.dwMajorVersion, version.dwMinorVersion,
            version.dwBuildNumber & 0xFFFF, version.szCSDVersion[0] ? " " : "", version.szCSDVersion,
            IsWindows95Family() ? "Windows 95" : "NT");
    LogLine("Interface language 0x%04X, wizard style %d, %s, %s%s, restart mode %d", g_Options.Language,
            g_Options.WizardStyle, g_Options.Action == ActionRemove ? "removal" : "installation",
            g_Options.UnattendedList ? "unattended, product list: " : "interactive",
            g_Options.UnattendedList ? (g_Options.UnattendedList[0] ? g_Options.UnattendedList : "none") : "",
            g_Options.RebootMode);
}

// The run's exit code, written to the log as its last line; the log is closed.
int EndRun(const RunOptions* options)
{
    LogLine("End of the run%s", options->RebootNeeded ? "; a restart is needed" : "");
    const char* meaning = "";
    const int code = RunExitCode(options, &meaning);
    LogLine("exit code %d (%s)", code, meaning);
    CloseRunLog();
    return code;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    RestrictLibrarySearch();
    // A second copy reads its own options first: with "/exitcodes" it must say why it
    // ended. The run's record is filled below, in the order the run's options need.
    RunOptions early;
    InitRunOptions(&early);
    ParseCommandLine(KeepCommandLine(commandLine), &early);
    if (ActivateOtherInstance()) {
        early.Outcome = OutcomeAnotherCopy;
        if (early.LogPath) OpenRunLog(early.LogPath);
        return EndRun(&early);
    }

    InitRunOptions(&g_Options);
    g_Options.Language = ChooseInterfaceLanguage(instance, IDD_WELCOME);
    CoInitialize(nullptr);
    InitCommonControls();
    LoadSystemLibrary("riched32.dll");  // the licence page's "RICHEDIT" class; stays loaded
    g_Options.WizardStyle = ProbeWizardStyle();
    ParseCommandLine(KeepCommandLine(commandLine), &g_Options);
    // A log that cannot be opened leaves the run without one; the run itself goes on.
    if (g_Options.LogPath) OpenRunLog(g_Options.LogPath);
    if (RunLogIsOpen()) LogRunStart(commandLine);

    SetThreadLanguage(g_Options.Language);

    char folder[MAX_PATH];
    GetProgramPath(folder, sizeof folder);
    CutAtLastBackslash(folder, 0);
    SetCurrentDirectoryA(folder);

    // The whole run happens while the window is created; it closes itself at the end,
    // so usually no window comes back and there is no message loop to run.
    if (!CreateMainWindow(instance)) {
        FreeProductCatalogue();
        return EndRun(&g_Options);
    }

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    FreeProductCatalogue();
    CoUninitialize();
    return EndRun(&g_Options);
}
