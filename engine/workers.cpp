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
// worker can report it.

#include "workers.h"

#include "filequeue.h"
#include "pluginsteps.h"
#include "programs.h"
#include "services.h"
#include "shortcuts.h"
#include "../base/handles.h"
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
    const BOOL committed = SetupCommitFileQueueA(page, queue, FileQueueCallback, &context);
    const DWORD error = GetLastError();
    g_CopiedBytes += context.CopiedBytes;
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
    } else if (IsRestartRequired(inf, g_Options.SelectedProducts)) {
        g_Options.RebootNeeded = 1;
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
    UniqueFileQueue queue(SetupOpenFileQueue());
    if (!queue) return 0;
    if (!ForEachSection(sections, [&](const char* section) {
            return SetupInstallFilesFromInfSectionA(inf, nullptr, queue.get(), section, ".", CopyFlags) ? 1 : 0;
        }))
        return 0;  // the queue closes keeping the error
    CollectPluginSteps(inf, sections);

    // Stage 3: programs that run before anything changes.
    if (!ForEachSection(sections, [&](const char* section) { return RunSectionPrograms(inf, section, 1, page); }))
        return 0;

    // Stages 4 and 5: services stop; one that will not is replaced at the restart.
    RunPluginLevel(0, page);
    PostPhase(page, PhaseStoppingServices);
    ForEachSection(sections, [&](const char* section) {
        if (!StopSectionServices(inf, section)) g_Options.RebootNeeded = 1;
        return 1;
    });

    // Stages 6 and 7: the files.
    RunPluginLevel(1, page);
    PostPhase(page, PhaseFileQueue);
    if (!CommitFileQueue(queue.get(), page)) return 0;
    // A scan only: bit 0 tells of files in use, to be replaced at the restart; the error
    // result -1 has that bit set as well and so counts the same.
    if (SetupPromptReboot(queue.get(), page, TRUE) & SPFILEQ_FILE_IN_USE) g_Options.RebootNeeded = 1;
    queue.reset();

    // Stages 8 and 9: INI and registry entries.
    RunPluginLevel(2, page);
    PostPhase(page, PhaseRegistry);
    if (!ForEachSection(sections, [&](const char* section) {
            return InfInstallEntries(page, inf, section, RegistryFlags);
        }))
        return 0;

    // Stage 10: services are added and deleted.
    RunPluginLevel(4, page);
    if (!ForEachSection(sections, [&](const char* section) { return InstallSectionServices(inf, section); }))
        return 0;

    // Stages 11 and 12: shortcuts.
    RunPluginLevel(3, page);
    PostPhase(page, PhaseShortcuts);
    if (!ForEachSection(sections, [&](const char* section) { return UpdateSectionShortcuts(inf, section); }))
        return 0;

    // Stage 13: services start; one that will not needs the restart.
    RunPluginLevel(5, page);
    PostPhase(page, PhaseStartingServices);
    ForEachSection(sections, [&](const char* section) {
        if (!StartSectionServices(inf, section)) g_Options.RebootNeeded = 1;
        return 1;
    });

    // Stages 14 to 16: the closing programs.
    PostPhase(page, PhaseNone);
    if (!ForEachSection(sections, [&](const char* section) { return RunSectionPrograms(inf, section, 2, page); }))
        return 0;
    FreePluginSteps();

    // Stage 17: the last programs may end the Windows session themselves.
    g_Options.EndSessionGuard = 0;
    if (!ForEachSection(sections, [&](const char* section) { return RunSectionPrograms(inf, section, 3, page); })) {
        g_Options.EndSessionGuard = 1;
        return 0;
    }
    g_Options.EndSessionGuard = 1;
    return 1;
}

DWORD WINAPI RunInstallWorker(LPVOID parameter)
{
    HWND page = static_cast<HWND>(parameter);
    SetupSession* session = StartWorker(page);
    if (!session) return FailWithoutSession(page);
    CollectInstallSections(session->InfHandle, g_Options.SelectedProducts, &g_SectionList);
    RegisterUninstallEntries(session->InfHandle, g_Options.SelectedProducts);
    const int succeeded = RunSetupSteps(session->InfHandle, g_SectionList, page);
    const ULONGLONG kib = (g_CopiedBytes + 1023) / 1024;
    RecordInstalledSize(session->InfHandle, g_Options.SelectedProducts,
                        kib < 0xFFFFFFFFull ? static_cast<DWORD>(kib) : 0xFFFFFFFFul);
    return FinishWorker(page, session->InfHandle, succeeded);
}

DWORD WINAPI RunRemoveWorker(LPVOID parameter)
{
    HWND page = static_cast<HWND>(parameter);
    SetupSession* session = StartWorker(page);
    if (!session) return FailWithoutSession(page);
    // The remove sections address the folder that the installation used.
    char folder[MAX_PATH];
    if (FindRecordedTargetDir(session->InfHandle, g_Options.SelectedProducts, folder))
        SetupSetDirectoryIdA(session->InfHandle, DIRID_USER, folder);
    CollectRemoveSections(session->InfHandle, g_Options.SelectedProducts, &g_SectionList);
    const int succeeded = RunSetupSteps(session->InfHandle, g_SectionList, page);
    // The entries go only once the product is gone: after a failure they stay, so that
    // the list of installed software still shows the product and can remove it again.
    // When the main remove section ran, nothing of the package stays, and its main entry
    // goes too: left behind, the list would keep a command whose script and program the
    // removal deleted.
    if (succeeded) {
        DeleteUninstallEntries(g_Options.SelectedProducts);
        if (TextListIndexOf(g_SectionList, g_Sections.RemoveSection) >= 0)
            DeleteMainUninstallEntry(session->InfHandle);
    }
    return FinishWorker(page, session->InfHandle, succeeded);
}
