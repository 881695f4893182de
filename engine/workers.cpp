// The workers and the step runner.
//
// The step runner takes the whole section list through each stage before the next
// stage begins, in this fixed order:
//    1  open a file queue
//    2  queue every section's file operations; collect the plug-in steps
//    3  external programs, level 1
//    4  plug-in level 0; phase "stopping services"
//    5  stop services (a failure only means a restart is needed)
//    6  plug-in level 1; phase "file queue"
//    7  commit the queue through FileQueueCallback; note files in use
//    8  plug-in level 2; phase "registry"
//    9  INI and registry entries
//   10  plug-in level 4; add and delete services
//   11  plug-in level 3; phase "shortcuts"
//   12  shortcuts
//   13  plug-in level 5; phase "starting services"; start services (a failure only
//       means a restart is needed)
//   14  phase "no more phases"
//   15  external programs, level 2
//   16  release the plug-in steps
//   17  external programs, level 3, while the end of the session is not refused
//   18  done
// Nothing a stage did is undone when a later one fails. Where the runner cleans up
// before it returns 0, the error of the failure is kept across the clean-up, so the
// worker can report it. The run's log gets each stage's start and end, what it
// counted, and the error of the stage that failed.

#include "workers.h"

#include "filequeue.h"
#include "pluginsteps.h"
#include "programs.h"
#include "services.h"
#include "shortcuts.h"
#include "../base/handles.h"
#include "../base/log.h"
#include "../base/messages.h"
#include "../base/options.h"
#include "../base/platform.h"
#include "../base/session.h"
#include "../base/textlist.h"
#include "../catalogue/catalogue.h"
#include "../catalogue/plugins.h"
#include "../catalogue/registration.h"
#include "../resources/resource.h"
#include "../setupapi/inf.h"

#include <cstdio>
#include <cstring>

namespace {

const UINT CopyFlags = SP_COPY_NEWER;
const UINT RegistryFlags = SPINST_INIFILES | SPINST_REGISTRY | SPINST_INI2REG;

// What the file queue of the latest run of the steps copied, in bytes.
ULONGLONG g_CopiedBytes = 0;

void PostPhase(HWND page, int phase)
{
    PostMessageA(page, WM_SETUP_PHASE, static_cast<WPARAM>(phase), 0);
}

void LogStage(int stage, const char* what)
{
    LogLine("Stage %d: %s", stage, what);
}

// The stage failed: its error goes to the log and stays the thread's last error.
int StageFailed(int stage, const char* what)
{
    if (RunLogIsOpen()) {
        char text[128];
        std::snprintf(text, sizeof text, "Stage %d (%s) failed", stage, what);
        LogError(text, GetLastError());
    }
    return 0;
}

// "A, B" (or "[A], [B]" for sections) for the log: the strings of a text list, cut at
// the buffer's end.
void JoinForLog(const char* list, bool bracketed, char* text, size_t size)
{
    size_t used = 0;
    text[0] = '\0';
    for (const char* item = list; item && *item && used < size; item += std::strlen(item) + 1) {
        const int written = std::snprintf(text + used, size - used, bracketed ? "%s[%s]" : "%s%s",
                                          used ? ", " : "", item);
        if (written < 0) break;
        used += static_cast<size_t>(written);
    }
}

// The registry and INI sections that the install entries of `section` name, for the log.
void LogEntrySections(HINF inf, const char* section)
{
    if (!RunLogIsOpen()) return;
    static const char* const keys[] = {"AddReg", "DelReg", "Ini2Reg", "UpdateInis", "UpdateIniFields"};
    char text[1024] = "";
    size_t used = 0;
    for (const char* key : keys) {
        INFCONTEXT line;
        if (!InfFindLine(inf, section, key, &line)) continue;
        char named[256];
        for (DWORD field = 1; InfGetField(&line, field, named, sizeof named) && used < sizeof text; ++field) {
            const int written =
                std::snprintf(text + used, sizeof text - used, "%s%s [%s]", used ? ", " : "", key, named);
            if (written < 0) break;
            used += static_cast<size_t>(written);
        }
    }
    LogLine("Registry and INI entries of [%s] applied: %s", section, used ? text : "none named");
}

void RunPluginLevel(int level, HWND page)
{
    // Plug-in steps move the page's progress bar and write its status text.
    RunPluginSteps(level, page, IDC_PROGRESS, IDC_STATUS);
}

// Calls `stage` for every section in list order; stops at the first that returns 0.
template <typename Stage>
int ForEachSection(const char* sections, Stage stage)
{
    for (const char* section = sections; *section; section += std::strlen(section) + 1) {
        if (!stage(section)) return 0;
    }
    return 1;
}

// Commits the queue with the program's callback wrapped around the default one, whose
// prompts are owned by the page; the progress goes to the page as WM_SETUP_PROGRESS,
// sent by the program's callback (the default one gets no progress window, so that
// no system reports an operation twice).
int CommitFileQueue(HSPFILEQ queue, HWND page)
{
    FileQueueContext context = {};
    context.DefaultContext = SetupInitDefaultQueueCallbackEx(page, nullptr, 0, 0, nullptr);
    context.ProgressWindow = page;
    context.ProgressMessage = WM_SETUP_PROGRESS;
    context.Progress = static_cast<FileProgress*>(GetPropA(page, FileProgressProperty));
    const BOOL committed = SetupCommitFileQueueA(page, queue, FileQueueCallback, &context);
    const DWORD error = GetLastError();
    SendFileCount(&context);
    g_CopiedBytes += context.CopiedBytes;
    LogLine("Stage 7: %s: %d copied, %d renamed, %d deleted, %d left for the restart",
            committed ? "done" : "ended early", context.Copied, context.Renamed, context.Deleted, context.Scheduled);
    SetupTermDefaultQueueCallback(context.DefaultContext);
    if (context.CurrentFolder) HeapFree(GetProcessHeap(), 0, context.CurrentFolder);
    SetLastError(error);
    return committed ? 1 : 0;
}

// Sets the worker's thread language and reads the session from the page.
SetupSession* StartWorker(HWND page)
{
    SetThreadLanguage(g_Options.Language);
    SetupSession* session = reinterpret_cast<SetupSession*>(GetWindowLongPtrA(page, DWLP_USER));
    g_Options.EndSessionGuard = 1;
    return session;
}

// Decides about the restart, clears the guard and tells the page; the worker's last act.
DWORD FinishWorker(HWND page, HINF inf, int succeeded)
{
    DWORD error = 0;
    if (!succeeded) {
        error = GetLastError();
        LogError("The steps failed", error);
    } else if (IsRestartRequired(inf, g_Options.SelectedProducts)) {
        g_Options.RebootNeeded = 1;
        LogLine("Restart needed: a selected product or the Reboot value of [%s] asks for one",
                g_Sections.InstallSection);
    }
    g_Options.EndSessionGuard = 0;
    PostMessageA(page, WM_SETUP_DONE, succeeded ? 1 : 0, static_cast<LPARAM>(error));
    return 0;
}

// A page that did not store its session cannot have a run: the worker fails at once.
DWORD FailWithoutSession(HWND page)
{
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FinishWorker(page, INVALID_HANDLE_VALUE, 0);
}

} // namespace

int RunSetupSteps(HINF inf, const char* sections, HWND page)
{
    g_CopiedBytes = 0;
    // Stages 1 and 2: one queue for the file operations of all sections.
    if (RunLogIsOpen()) {
        char list[1024];
        JoinForLog(sections, true, list, sizeof list);
        LogLine("Stage 1: the steps start for %d sections: %s", TextListCount(sections), list);
    }
    UniqueFileQueue queue(SetupOpenFileQueue());
    if (!queue) return StageFailed(1, "opening the file queue");
    if (!ForEachSection(sections, [&](const char* section) {
            return SetupInstallFilesFromInfSectionA(inf, nullptr, queue.get(), section, ".", CopyFlags) ? 1 : 0;
        }))
        return StageFailed(2, "queueing the files");  // the queue closes keeping the error
    CollectPluginSteps(inf, sections);
    if (RunLogIsOpen()) {
        int steps = 0;
        for (const PluginStep* step = FirstPluginStep(); step; step = step->next) ++steps;
        LogLine("Stage 2: the file operations are queued; %d plug-in steps collected", steps);
    }

    // Stage 3: programs that run before anything changes.
    LogStage(3, "external programs, level 1");
    if (!ForEachSection(sections, [&](const char* section) { return RunSectionPrograms(inf, section, 1, page); }))
        return StageFailed(3, "external programs, level 1");

    // Stages 4 and 5: services stop; one that will not is replaced at the restart.
    LogStage(4, "plug-in steps, level 0");
    RunPluginLevel(0, page);
    PostPhase(page, PhaseStoppingServices);
    LogStage(5, "stopping services");
    ForEachSection(sections, [&](const char* section) {
        if (!StopSectionServices(inf, section)) {
            g_Options.RebootNeeded = 1;
            LogLine("Restart needed: a service of [%s] did not stop", section);
        }
        return 1;
    });

    // Stages 6 and 7: the files.
    LogStage(6, "plug-in steps, level 1");
    RunPluginLevel(1, page);
    PostPhase(page, PhaseFileQueue);
    LogStage(7, "committing the file queue");
    if (!CommitFileQueue(queue.get(), page)) return StageFailed(7, "committing the file queue");
    // A scan only: bit 0 tells of files in use, to be replaced at the restart; the error
    // result -1 has that bit set as well and so counts the same.
    if (SetupPromptReboot(queue.get(), page, TRUE) & SPFILEQ_FILE_IN_USE) {
        g_Options.RebootNeeded = 1;
        LogLine("Restart needed: the file queue holds files in use");
    }
    queue.reset();

    // Stages 8 and 9: INI and registry entries.
    LogStage(8, "plug-in steps, level 2");
    RunPluginLevel(2, page);
    PostPhase(page, PhaseRegistry);
    LogStage(9, "registry and INI entries");
    if (!ForEachSection(sections, [&](const char* section) {
            if (!InfInstallEntries(page, inf, section, RegistryFlags)) return 0;
            LogEntrySections(inf, section);
            return 1;
        }))
        return StageFailed(9, "registry and INI entries");

    // Stage 10: services are added and deleted.
    LogStage(10, "plug-in steps, level 4; adding and deleting services");
    RunPluginLevel(4, page);
    if (!ForEachSection(sections, [&](const char* section) { return InstallSectionServices(inf, section); }))
        return StageFailed(10, "adding and deleting services");

    // Stages 11 and 12: shortcuts.
    LogStage(11, "plug-in steps, level 3");
    RunPluginLevel(3, page);
    PostPhase(page, PhaseShortcuts);
    LogStage(12, "shortcuts");
    if (!ForEachSection(sections, [&](const char* section) { return UpdateSectionShortcuts(inf, section); }))
        return StageFailed(12, "shortcuts");

    // Stage 13: services start; one that will not needs the restart.
    LogStage(13, "plug-in steps, level 5; starting services");
    RunPluginLevel(5, page);
    PostPhase(page, PhaseStartingServices);
    ForEachSection(sections, [&](const char* section) {
        if (!StartSectionServices(inf, section)) {
            g_Options.RebootNeeded = 1;
            LogLine("Restart needed: a service of [%s] did not start", section);
        }
        return 1;
    });

    // Stages 14 to 16: the closing programs.
    PostPhase(page, PhaseNone);
    LogStage(15, "external programs, level 2");
    if (!ForEachSection(sections, [&](const char* section) { return RunSectionPrograms(inf, section, 2, page); }))
        return StageFailed(15, "external programs, level 2");
    FreePluginSteps();

    // Stage 17: the last programs may end the Windows session themselves.
    LogStage(17, "external programs, level 3");
    g_Options.EndSessionGuard = 0;
    if (!ForEachSection(sections, [&](const char* section) { return RunSectionPrograms(inf, section, 3, page); })) {
        g_Options.EndSessionGuard = 1;
        return StageFailed(17, "external programs, level 3");
    }
    g_Options.EndSessionGuard = 1;
    LogStage(18, "every stage is done");
    return 1;
}

DWORD WINAPI RunInstallWorker(LPVOID parameter)
{
    HWND page = static_cast<HWND>(parameter);
    SetupSession* session = StartWorker(page);
    if (!session) return FailWithoutSession(page);
    CollectInstallSections(session->InfHandle, g_Options.SelectedProducts, &g_SectionList);
    if (RunLogIsOpen()) {
        char keys[1024];
        JoinForLog(g_Options.SelectedProducts, false, keys, sizeof keys);
        LogLine("Installation of the selected products: %s", keys[0] ? keys : "none");
        LogLine("Target folder: %s", g_TargetDir[0] ? g_TargetDir : "the script's default");
    }
    const int registered = RegisterUninstallEntries(session->InfHandle, g_Options.SelectedProducts);
    LogLine("Uninstall entries: %s", registered ? "written"
                                                : "not all written (the script copies no setup.exe of its own, "
                                                  "or the registry refused one)");
    const int succeeded = RunSetupSteps(session->InfHandle, g_SectionList, page);
    // The entries give the size of what was copied, also when a later step failed; the
    // failure's error stays for the page.
    const DWORD error = GetLastError();
    const ULONGLONG kib = (g_CopiedBytes + 1023) / 1024;
    RecordInstalledSize(session->InfHandle, g_Options.SelectedProducts,
                        kib < 0xFFFFFFFFull ? static_cast<DWORD>(kib) : 0xFFFFFFFFul);
    SetLastError(error);
    return FinishWorker(page, session->InfHandle, succeeded);
}

DWORD WINAPI RunRemoveWorker(LPVOID parameter)
{
    HWND page = static_cast<HWND>(parameter);
    SetupSession* session = StartWorker(page);
    if (!session) return FailWithoutSession(page);
    // The remove sections address the folder that the installation used.
    char folder[MAX_PATH];
    const int recorded = FindRecordedTargetDir(session->InfHandle, g_Options.SelectedProducts, folder);
    if (recorded) SetupSetDirectoryIdA(session->InfHandle, DIRID_USER, folder);
    CollectRemoveSections(session->InfHandle, g_Options.SelectedProducts, &g_SectionList);
    if (RunLogIsOpen()) {
        char keys[1024];
        JoinForLog(g_Options.SelectedProducts, false, keys, sizeof keys);
        LogLine("Removal of the selected products: %s", keys[0] ? keys : "none");
        LogLine("Target folder: %s", recorded ? folder : "none recorded");
    }
    const int succeeded = RunSetupSteps(session->InfHandle, g_SectionList, page);
    // The entries go only once the product is gone: after a failure they stay, so that
    // the list of installed software still shows the product and can remove it again.
    // When the main remove section ran, nothing of the package stays, and its main entry
    // goes too: left behind, the list would keep a command whose script and program the
    // removal deleted.
    if (succeeded) {
        DeleteUninstallEntries(g_Options.SelectedProducts);
        LogLine("Uninstall entries of the removed products deleted");
        if (TextListIndexOf(g_SectionList, g_Sections.RemoveSection) >= 0) {
            DeleteMainUninstallEntry(session->InfHandle);
            LogLine("The package's main uninstall entry deleted");
        }
    }
    return FinishWorker(page, session->InfHandle, succeeded);
}
