// The install and remove workers and the step runner, run for real on a worker thread
// against a page of the test's own: a dialog that carries the session in DWL_USER, has
// the progress bar 1210 and the status text 1203, and records every message it gets.

#include "../../base/messages.h"
#include "../../app/setup.h"
#include "../../catalogue/catalogue.h"
#include "../../catalogue/registration.h"
#include "../../base/textlist.h"
#include "../../engine/shortcuts.h"
#include "../../engine/workers.h"
#include "../support/testsupport.h"

#include <gtest/gtest.h>

#include <cstdio>

#include <sstream>
#include <string>
#include <vector>

namespace {

struct Recorded {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

std::vector<Recorded> g_Recorded;
bool g_Done = false;

INT_PTR CALLBACK RecordingPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        SetWindowLongPtrA(page, DWLP_USER, lParam);
        return TRUE;
    case WM_SETUP_PHASE:
    case WM_SETUP_PROGRESS:
    case WM_SETUP_DONE:
        g_Recorded.push_back({message, wParam, lParam});
        if (message == WM_SETUP_DONE) g_Done = true;
        return TRUE;
    }
    return FALSE;
}

// A dialog template without items, DWORD-aligned; the controls are added as children.
std::vector<WORD> EmptyDialogTemplate()
{
    std::vector<WORD> words(sizeof(DLGTEMPLATE) / sizeof(WORD) + 3, 0);
    DLGTEMPLATE* header = reinterpret_cast<DLGTEMPLATE*>(words.data());
    header->style = WS_POPUP;
    header->cx = 200;
    header->cy = 100;
    return words;  // menu, class and title all empty
}


// Stops and deletes a service the test made, ending its process when it ignores the
// stop (the service manager then refuses further controls), so that nothing outlives
// the test.
void RemoveTestService(const std::string& name)
{
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (!manager) return;
    SC_HANDLE service = OpenServiceA(manager, name.c_str(), SERVICE_ALL_ACCESS);
    if (service) {
        SERVICE_STATUS_PROCESS status = {};
        DWORD needed = 0;
        if (QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status), sizeof status,
                                 &needed)
            && status.dwCurrentState != SERVICE_STOPPED && status.dwProcessId) {
            SERVICE_STATUS plain = {};
            ControlService(service, SERVICE_CONTROL_STOP, &plain);
            Sleep(500);
            HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, status.dwProcessId);
            if (process) {
                TerminateProcess(process, 1);
                WaitForSingleObject(process, 5000);
                CloseHandle(process);
            }
        }
        DeleteService(service);
        CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
}

DWORD ServiceState(const std::string& name)
{
    DWORD state = 0;
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    SC_HANDLE service = manager ? OpenServiceA(manager, name.c_str(), SERVICE_QUERY_STATUS) : nullptr;
    SERVICE_STATUS status = {};
    if (service && QueryServiceStatus(service, &status)) state = status.dwCurrentState;
    if (service) CloseServiceHandle(service);
    if (manager) CloseServiceHandle(manager);
    return state;
}

// The first tab-separated word of each line of a log: "start" and "end" from the Exec
// program (with its parameters), "L<n>" from the plug-in steps.
std::vector<std::string> LogEvents(const std::string& path)
{
    std::string text;
    testsupport::ReadFile(path, &text);
    std::vector<std::string> events;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::vector<std::string> fields;
        std::istringstream parts(line);
        for (std::string field; std::getline(parts, field, '\t');) fields.push_back(field);
        if (fields.empty()) continue;
        if (fields[0] == "start" && fields.size() > 3) {
            events.push_back("run " + fields[3]);
        } else if (fields[0][0] == 'L') {
            events.push_back(fields[0]);
        }
    }
    return events;
}

class Workers : public ::testing::Test {
protected:
    void SetUp() override
    {
        medium_ = testsupport::MakeScratchFolder("workers-medium");
        target_ = testsupport::MakeScratchFolder("workers-target");
        GetCurrentDirectoryA(sizeof savedDirectory_, savedDirectory_);
        // Files are copied from "." as from the folder of setup.exe.
        SetCurrentDirectoryA(medium_.c_str());
        InitRunOptions(&g_Options);
        g_Sections = {"Install", "Remove", "Products"};
        g_TargetDir[0] = '\0';
        g_Recorded.clear();
        g_Done = false;
        registryKey_ = "Software\\NorvaleWorkersTest" + std::to_string(GetCurrentProcessId());
        uninstallKey_ = "WorkersTest" + std::to_string(GetCurrentProcessId());
    }

    // The selection of a run that names the one product `key`.
    static void SelectOnly(const std::string& key)
    {
        TextListBuilder selected = {};
        TextListAppend(&selected, key.c_str());
        TextListKeep(&g_Options.SelectedProducts, &selected);
    }

    void TearDown() override
    {
        if (page_) DestroyWindow(page_);
        if (session_.InfHandle && session_.InfHandle != INVALID_HANDLE_VALUE) SetupCloseInfFile(session_.InfHandle);
        FreeProductCatalogue();
        SetCurrentDirectoryA(savedDirectory_);
        testsupport::RemoveTree(medium_);
        testsupport::RemoveTree(target_);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, registryKey_.c_str());
        RegDeleteKeyA(HKEY_LOCAL_MACHINE,
                      ("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + uninstallKey_).c_str());
        RegDeleteKeyA(HKEY_LOCAL_MACHINE,
                      ("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + uninstallKey_ + "Main").c_str());
    }

    // Writes setup.inf into the medium, with "@KEY@" replaced by the test's registry key
    // and "@PRODUCT@" by its product key, opens it and builds the catalogue.
    void OpenScript(std::string text)
    {
        for (size_t at; (at = text.find("@KEY@")) != std::string::npos;) text.replace(at, 5, registryKey_);
        for (size_t at; (at = text.find("@PRODUCT@")) != std::string::npos;) text.replace(at, 9, uninstallKey_);
        ASSERT_TRUE(testsupport::WriteFile(medium_ + "\\setup.inf", text));
        UINT line = 0;
        session_.InfHandle = SetupOpenInfFileA((medium_ + "\\setup.inf").c_str(), nullptr, INF_STYLE_WIN4, &line);
        ASSERT_NE(INVALID_HANDLE_VALUE, session_.InfHandle) << "line " << line;
        ASSERT_TRUE(SetupSetDirectoryIdA(session_.InfHandle, DIRID_USER, target_.c_str()));
        ASSERT_NE(0, BuildProductCatalogue(session_.InfHandle, nullptr, GetModuleHandleA(nullptr), "Products",
                                           g_Options.Action));
    }

    void Payload(const char* name, const char* content)
    {
        ASSERT_TRUE(testsupport::WriteFile(medium_ + "\\" + name, content));
    }

    // Starts `worker` with the test page and dispatches messages until it reports done.
    void Run(LPTHREAD_START_ROUTINE worker)
    {
        std::vector<WORD> dialog = EmptyDialogTemplate();
        page_ = CreateDialogIndirectParamA(GetModuleHandleA(nullptr), reinterpret_cast<DLGTEMPLATE*>(dialog.data()),
                                           nullptr, RecordingPageProc, reinterpret_cast<LPARAM>(&session_));
        ASSERT_NE(nullptr, page_);
        CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD, 0, 0, 100, 10, page_,
                        reinterpret_cast<HMENU>(static_cast<UINT_PTR>(1210)), nullptr, nullptr);
        CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 20, 100, 10, page_,
                        reinterpret_cast<HMENU>(static_cast<UINT_PTR>(1203)), nullptr, nullptr);

        HANDLE thread = CreateThread(nullptr, 0, worker, page_, 0, nullptr);
        ASSERT_NE(nullptr, thread);
        const DWORD start = GetTickCount();
        while (!g_Done && GetTickCount() - start < 120000) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
            MSG message;
            while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&message);
                DispatchMessageA(&message);
            }
        }
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 30000));
        CloseHandle(thread);
        ASSERT_TRUE(g_Done) << "the worker never reported";
    }

    std::vector<WPARAM> Phases() const
    {
        std::vector<WPARAM> phases;
        for (const Recorded& r : g_Recorded) {
            if (r.message == WM_SETUP_PHASE) phases.push_back(r.wParam);
        }
        return phases;
    }

    const Recorded& Done() const { return g_Recorded.back(); }


    std::string RegistryText(const char* value)
    {
        char text[256] = "";
        DWORD size = sizeof text;
        if (RegGetValueA(HKEY_LOCAL_MACHINE, registryKey_.c_str(), value, RRF_RT_REG_SZ, nullptr, text, &size)
            != ERROR_SUCCESS)
            return "<none>";
        return text;
    }

    std::string medium_, target_, registryKey_, uninstallKey_;
    char savedDirectory_[MAX_PATH] = "";
    SetupSession session_ = {};
    HWND page_ = nullptr;
};

const std::vector<WPARAM> kAllPhases = {2, 3, 4, 5, 6, static_cast<WPARAM>(-1)};

const char kPackage[] =
    "[Version]\r\n"
    "Signature=\"$Chicago$\"\r\n"
    "[DestinationDirs]\r\n"
    "DefaultDestDir=32768\r\n"
    "[Install]\r\n"
    "CopyFiles=Core.Files,Setup.Files\r\n"
    "AddReg=Core.AddReg\r\n"
    "UpdateInis=Core.Inis\r\n"
    "Uninstall=@PRODUCT@Main,\"Workers Test Package\"\r\n"
    "[Remove]\r\n"
    "DelFiles=Core.Files,Setup.Files\r\n"
    "DelReg=Core.AddReg\r\n"
    "[Products]\r\n"
    "@PRODUCT@=\"Workers Test\",Client.Install,Client.Remove,1,0,,1.0\r\n"
    "[Client.Install]\r\n"
    "CopyFiles=Client.Files\r\n"
    "[Client.Remove]\r\n"
    "DelFiles=Client.Files\r\n"
    "[Core.Files]\r\n"
    "one.txt\r\n"
    "two.txt\r\n"
    "[Setup.Files]\r\n"
    "setup.exe\r\n"
    "[Client.Files]\r\n"
    "client.txt\r\n"
    "[Core.AddReg]\r\n"
    "HKLM,\"@KEY@\",Installed,,\"yes\"\r\n"
    "[Core.Inis]\r\n"
    "%32768%\\app.ini,Settings,,\"Mode=Full\"\r\n"
    "[SourceDisksNames]\r\n"
    "1=\"Test medium\",,,\r\n"
    "[SourceDisksFiles]\r\n"
    "one.txt=1\r\n"
    "two.txt=1\r\n"
    "client.txt=1\r\n"
    "setup.exe=1\r\n";

TEST_F(Workers, AnEmptySectionListStillPostsEveryPhaseInOrder)
{
    OpenScript("[Version]\r\nSignature=\"$Chicago$\"\r\n");
    std::vector<WORD> dialog = EmptyDialogTemplate();
    page_ = CreateDialogIndirectParamA(GetModuleHandleA(nullptr), reinterpret_cast<DLGTEMPLATE*>(dialog.data()),
                                       nullptr, RecordingPageProc, reinterpret_cast<LPARAM>(&session_));
    ASSERT_NE(nullptr, page_);
    const char emptyList[2] = {0, 0};
    EXPECT_EQ(1, RunSetupSteps(session_.InfHandle, emptyList, page_));
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    EXPECT_EQ(kAllPhases, Phases());
    for (const Recorded& r : g_Recorded) EXPECT_EQ(static_cast<UINT>(WM_SETUP_PHASE), r.message);
}

TEST_F(Workers, InstallCopiesFilesAppliesRegistryAndReportsProgress)
{
    Payload("one.txt", "one");
    Payload("two.txt", "two");
    Payload("client.txt", "client");
    Payload("setup.exe", "stands for the program");
    OpenScript(kPackage);
    SelectOnly(uninstallKey_);

    Run(RunInstallWorker);

    ASSERT_EQ(static_cast<UINT>(WM_SETUP_DONE), Done().message);
    EXPECT_EQ(1u, Done().wParam);
    EXPECT_EQ(0, Done().lParam);
    EXPECT_EQ(kAllPhases, Phases());
    // WM_SETUP_DONE exactly once, and last.
    int done = 0;
    for (const Recorded& r : g_Recorded) done += r.message == WM_SETUP_DONE;
    EXPECT_EQ(1, done);

    // The main install section and the product's: four files.
    std::string content;
    EXPECT_TRUE(testsupport::ReadFile(target_ + "\\one.txt", &content));
    EXPECT_EQ("one", content);
    EXPECT_TRUE(testsupport::FileExists(target_ + "\\two.txt"));
    EXPECT_TRUE(testsupport::FileExists(target_ + "\\client.txt"));
    EXPECT_EQ("yes", RegistryText("Installed"));
    char ini[64] = "";
    GetPrivateProfileStringA("Settings", "Mode", "", ini, sizeof ini, (target_ + "\\app.ini").c_str());
    EXPECT_STREQ("Full", ini);

    // Progress: the counts announced add up to the operations reported, four copies;
    // every progress message arrives before the registry phase is posted.
    LPARAM announced = 0;
    int operations = 0;
    size_t registryPhase = 0;
    for (size_t i = 0; i < g_Recorded.size(); ++i) {
        const Recorded& r = g_Recorded[i];
        if (r.message == WM_SETUP_PROGRESS && r.wParam == 0) announced += r.lParam;
        if (r.message == WM_SETUP_PROGRESS && r.wParam != 0) ++operations;
        if (r.message == WM_SETUP_PHASE && r.wParam == 4) registryPhase = i;
    }
    EXPECT_EQ(4, announced);
    EXPECT_EQ(4, operations);
    for (size_t i = registryPhase; i < g_Recorded.size(); ++i)
        EXPECT_NE(static_cast<UINT>(WM_SETUP_PROGRESS), g_Recorded[i].message) << i;

    // The guard is down again when the worker has finished.
    EXPECT_EQ(0, g_Options.EndSessionGuard);
    EXPECT_EQ(0, g_Options.RebootNeeded);
}

TEST_F(Workers, RemovalUndoesTheInstallation)
{
    Payload("one.txt", "one");
    Payload("two.txt", "two");
    Payload("client.txt", "client");
    Payload("setup.exe", "stands for the program");
    OpenScript(kPackage);
    SelectOnly(uninstallKey_);
    lstrcpynA(g_TargetDir, target_.c_str(), MAX_PATH);  // as the target page keeps it
    Run(RunInstallWorker);
    ASSERT_EQ(1u, Done().wParam);
    ASSERT_TRUE(testsupport::FileExists(target_ + "\\client.txt"));
    ASSERT_TRUE(testsupport::UninstallEntryExists(uninstallKey_ + "Main"));

    // The removal finds the folder through the registration, not through the id set above.
    g_Recorded.clear();
    g_Done = false;
    DestroyWindow(page_);
    page_ = nullptr;
    g_Options.Action = ActionRemove;
    SetupSetDirectoryIdA(session_.InfHandle, DIRID_USER, "C:\\nowhere-workers-test");
    Run(RunRemoveWorker);

    ASSERT_EQ(static_cast<UINT>(WM_SETUP_DONE), Done().message);
    EXPECT_EQ(1u, Done().wParam);
    EXPECT_EQ(kAllPhases, Phases());
    EXPECT_FALSE(testsupport::FileExists(target_ + "\\client.txt"));
    // No other catalogue product stays registered, so the main remove section ran too,
    // and the package's main entry went with it.
    EXPECT_FALSE(testsupport::FileExists(target_ + "\\one.txt"));
    EXPECT_EQ("<none>", RegistryText("Installed"));
    EXPECT_FALSE(testsupport::UninstallEntryExists(uninstallKey_ + "Main"));
}

TEST_F(Workers, AMissingSourceFileEndsTheRunWithItsError)
{
    Payload("one.txt", "one");  // two.txt is missing from the medium
    Payload("setup.exe", "stands for the program");
    OpenScript(kPackage);

    Run(RunInstallWorker);

    ASSERT_EQ(static_cast<UINT>(WM_SETUP_DONE), Done().message);
    EXPECT_EQ(0u, Done().wParam);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, static_cast<DWORD>(Done().lParam));
    // The run stopped in the file stage: no registry phase, no registry entry.
    EXPECT_EQ((std::vector<WPARAM>{2, 3}), Phases());
    EXPECT_EQ("<none>", RegistryText("Installed"));
    EXPECT_EQ(0, g_Options.EndSessionGuard);
}

TEST_F(Workers, ARebootLineMakesTheRestartNeeded)
{
    Payload("one.txt", "one");
    Payload("two.txt", "two");
    Payload("client.txt", "client");
    Payload("setup.exe", "stands for the program");
    std::string script = kPackage;
    script.insert(script.find("CopyFiles=Core.Files"), "Reboot=1\r\n");
    OpenScript(script);

    Run(RunInstallWorker);

    ASSERT_EQ(1u, Done().wParam);
    EXPECT_EQ(1, g_Options.RebootNeeded);
}


// A whole package: files, registry, a service created and started, a shortcut,
// programs at the three Exec levels and plug-in steps at the six levels; then the
// removal undoes it. The programs and the plug-in steps log to one file, which shows
// the order of the stages.
TEST_F(Workers, AWholePackageRunsEveryStageInOrderAndIsRemovedAgain)
{
    const std::string tests = testsupport::TestFolder();
    const std::string log = medium_ + "\\run.log";
    const std::string service = "WorkersTest" + std::to_string(GetCurrentProcessId()) + "Svc";
    const std::string link = "WorkersTest" + std::to_string(GetCurrentProcessId());
    SetEnvironmentVariableA("EXEC_FIXTURE_LOG", log.c_str());
    SetEnvironmentVariableA("SETUP_PLUGIN_LOG", log.c_str());
    Payload("one.txt", "one");
    Payload("setup.exe", "stands for the program");

    std::string script =
        "[Version]\r\n"
        "Signature=\"$Chicago$\"\r\n"
        "[DestinationDirs]\r\n"
        "DefaultDestDir=32768\r\n"
        "[Install]\r\n"
        "CopyFiles=Core.Files,Setup.Files\r\n"
        "AddReg=Core.AddReg\r\n"
        "Exec=Install.Programs\r\n"
        "Plugins=plugin_levels.dll\r\n"
        "MakeIcons=Icons\r\n"
        "[Install.Services]\r\n"
        "AddService=@SERVICE@,,Service.Install\r\n"
        "StartService=@SERVICE@\r\n"
        "[Remove]\r\n"
        "DelFiles=Core.Files,Setup.Files\r\n"
        "DelReg=Core.AddReg\r\n"
        "DelIcons=Icons\r\n"
        "[Remove.Services]\r\n"
        "StopService=@SERVICE@\r\n"
        "DelService=@SERVICE@\r\n"
        "[Service.Install]\r\n"
        "DisplayName=\"Workers test service\"\r\n"
        "ServiceType=16\r\n"
        "StartType=3\r\n"
        "ErrorControl=1\r\n"
        "ServiceBinary=@TESTS@\\service_stops.exe\r\n"
        "[Install.Programs]\r\n"
        "1=1,@TESTS@\\exec_fixture.exe,level-1 %hwnd%\r\n"
        "2=0x2,@TESTS@\\exec_fixture.exe,level-2\r\n"
        "3=3,@TESTS@\\exec_fixture.exe,level-3\r\n"
        "[Icons]\r\n"
        "1=UPRG,@LINK@\\Tool,@TESTS@\\exec_fixture.exe,-tool\r\n"
        "[Core.Files]\r\n"
        "one.txt\r\n"
        "[Setup.Files]\r\n"
        "setup.exe\r\n"
        "[Core.AddReg]\r\n"
        "HKLM,\"@KEY@\",Installed,,\"yes\"\r\n"
        "[SourceDisksNames]\r\n"
        "1=\"Test medium\",,,\r\n"
        "[SourceDisksFiles]\r\n"
        "one.txt=1\r\n"
        "setup.exe=1\r\n";
    for (size_t at; (at = script.find("@SERVICE@")) != std::string::npos;) script.replace(at, 9, service);
    for (size_t at; (at = script.find("@TESTS@")) != std::string::npos;) script.replace(at, 7, tests);
    for (size_t at; (at = script.find("@LINK@")) != std::string::npos;) script.replace(at, 6, link);
    struct Cleanup {
        std::string service;
        ~Cleanup()
        {
            RemoveTestService(service);
            SetEnvironmentVariableA("EXEC_FIXTURE_LOG", nullptr);
            SetEnvironmentVariableA("SETUP_PLUGIN_LOG", nullptr);
        }
    } cleanup{service};
    OpenScript(script);
    lstrcpynA(g_TargetDir, target_.c_str(), MAX_PATH);

    Run(RunInstallWorker);

    ASSERT_EQ(static_cast<UINT>(WM_SETUP_DONE), Done().message);
    ASSERT_EQ(1u, Done().wParam) << "error " << Done().lParam;
    EXPECT_EQ(kAllPhases, Phases());
    char handle[16];
    std::snprintf(handle, sizeof handle, "0x%08lx", static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(page_)));
    const std::vector<std::string> installOrder = {
        std::string("run level-1 ") + handle,   // before anything changes
        "L1", "L3", "L5",                      // plug-in levels 0, 1, 2
        "L4", "L0", "L2",                      // levels 4, 3, 5
        "run level-2", "run level-3",         // the closing programs
    };
    EXPECT_EQ(installOrder, LogEvents(log));
    EXPECT_TRUE(testsupport::FileExists(target_ + "\\one.txt"));
    EXPECT_EQ("yes", RegistryText("Installed"));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), ServiceState(service));
    char programs[MAX_PATH];
    ASSERT_EQ(1, ResolveShellFolder("UPRG", programs));
    const std::string linkFolder = std::string(programs) + "\\" + link;
    EXPECT_TRUE(testsupport::FileExists(linkFolder + "\\Tool.lnk"));

    // The removal: the service stops and goes, the shortcut and its folder go, the files
    // and the registry entry go.
    g_Recorded.clear();
    g_Done = false;
    DestroyWindow(page_);
    page_ = nullptr;
    DeleteFileA(log.c_str());
    g_Options.Action = ActionRemove;
    Run(RunRemoveWorker);

    ASSERT_EQ(1u, Done().wParam) << "error " << Done().lParam;
    EXPECT_EQ(kAllPhases, Phases());
    EXPECT_EQ(0u, ServiceState(service));
    EXPECT_FALSE(testsupport::FileExists(linkFolder + "\\Tool.lnk"));
    EXPECT_FALSE(testsupport::FileExists(linkFolder));
    EXPECT_FALSE(testsupport::FileExists(target_ + "\\one.txt"));
    EXPECT_EQ("<none>", RegistryText("Installed"));
    // The remove sections name no programs or plug-ins.
    EXPECT_EQ(std::vector<std::string>{}, LogEvents(log));
}

// A service that ignores the stop request: the stop fails after its bounded wait, the
// rest of that services section is skipped, the files are committed all the same, and
// a restart is needed. Starting a service that already runs needs one too.
TEST_F(Workers, ServicesThatWillNotStopOrStartMakeTheRestartNeeded)
{
    const std::string tests = testsupport::TestFolder();
    const std::string stubborn = "WorkersTest" + std::to_string(GetCurrentProcessId()) + "Stubborn";
    const std::string other = "WorkersTest" + std::to_string(GetCurrentProcessId()) + "Other";
    struct Cleanup {
        std::string a, b;
        ~Cleanup()
        {
            RemoveTestService(a);
            RemoveTestService(b);
        }
    } cleanup{stubborn, other};
    Payload("one.txt", "one");
    Payload("setup.exe", "stands for the program");
    std::string script =
        "[Version]\r\n"
        "Signature=\"$Chicago$\"\r\n"
        "[DestinationDirs]\r\n"
        "DefaultDestDir=32768\r\n"
        "[Install]\r\n"
        "CopyFiles=Core.Files\r\n"
        "[Install.Services]\r\n"
        "StopService=@STUBBORN@\r\n"
        "StopService=@OTHER@\r\n"
        "StartService=@OTHER@\r\n"
        "[Core.Files]\r\n"
        "one.txt\r\n"
        "[SourceDisksNames]\r\n"
        "1=\"Test medium\",,,\r\n"
        "[SourceDisksFiles]\r\n"
        "one.txt=1\r\n";
    for (size_t at; (at = script.find("@STUBBORN@")) != std::string::npos;) script.replace(at, 10, stubborn);
    for (size_t at; (at = script.find("@OTHER@")) != std::string::npos;) script.replace(at, 7, other);
    OpenScript(script);

    // Both services run before the installation.
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    ASSERT_NE(nullptr, manager);
    for (const auto& pair : {std::make_pair(stubborn, std::string("service_ignores.exe")),
                             std::make_pair(other, std::string("service_stops.exe"))}) {
        SC_HANDLE created = CreateServiceA(manager, pair.first.c_str(), pair.first.c_str(), SERVICE_ALL_ACCESS,
                                           SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                                           (tests + "\\" + pair.second).c_str(), nullptr, nullptr, nullptr, nullptr,
                                           nullptr);
        ASSERT_NE(nullptr, created) << pair.first;
        ASSERT_TRUE(StartServiceA(created, 0, nullptr));
        CloseServiceHandle(created);
    }
    CloseServiceHandle(manager);
    for (int poll = 0; poll < 40 && (ServiceState(stubborn) != SERVICE_RUNNING || ServiceState(other) != SERVICE_RUNNING);
         ++poll)
        Sleep(100);
    ASSERT_EQ(static_cast<DWORD>(SERVICE_RUNNING), ServiceState(other));

    Run(RunInstallWorker);

    ASSERT_EQ(1u, Done().wParam) << "error " << Done().lParam;
    EXPECT_EQ(kAllPhases, Phases());
    EXPECT_TRUE(testsupport::FileExists(target_ + "\\one.txt"));
    EXPECT_EQ(1, g_Options.RebootNeeded);
    // The stop of the other service was skipped with the rest of the section, so its
    // start failed on a running service.
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), ServiceState(other));
}

} // namespace
