// Services against Wine's real service control manager and registry: the three passes
// over a script's "<section>.Services" lines (stop, install, start), the configuration
// an AddService line gives a new or an existing service, deleting, starting and stopping
// the fixture services (tests/fixtures/services), the dependencies multi-string, the
// group order List, and the Windows 95 family, where the passes must touch nothing.
//
// Every service is named after the test and this process, and is stopped and deleted
// in TearDown; the fixture that ignores the stop request has its process ended there.
// The tests of ServiceGroupOrderList change the machine's ServiceGroupOrder List value;
// they restore it exactly (type and bytes) and hold the ctest resource lock
// "ServiceGroupOrder".

#include "../../engine/services.h"
#include "../../setupapi/inf.h"
#include "../support/testsupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

using Strings = std::vector<std::string>;

const char kStops[] = "service_stops.exe";      // stops when asked
const char kIgnores[] = "service_ignores.exe";  // ignores the stop request
const char kGroupOrderKey[] = "System\\CurrentControlSet\\Control\\ServiceGroupOrder";
const DWORD kNotOpened = 0;  // ServiceState of a service that cannot be opened

std::string TestName()
{
    return ::testing::UnitTest::GetInstance()->current_test_info()->name();
}

std::string Pid()
{
    return std::to_string(GetCurrentProcessId());
}

std::string FixturePath(const char* exe)
{
    return testsupport::TestFolder() + "\\" + exe;
}

// The strings, each with its zero, and one more zero: a REG_MULTI_SZ image.
std::string MultiString(const Strings& items)
{
    std::string bytes;
    for (const std::string& item : items) {
        bytes += item;
        bytes += '\0';
    }
    bytes += '\0';
    return bytes;
}

// The strings of a multi-string up to its first empty string or its end.
Strings SplitMultiString(const std::string& bytes)
{
    Strings items;
    size_t at = 0;
    while (at < bytes.size() && bytes[at]) {
        size_t end = bytes.find('\0', at);
        if (end == std::string::npos) end = bytes.size();
        items.push_back(bytes.substr(at, end - at));
        at = end + 1;
    }
    return items;
}

// Opens a service of the local manager, or sets *error to why it could not be opened.
SC_HANDLE OpenNamedService(const std::string& name, DWORD access, DWORD* error = nullptr)
{
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (!manager) {
        if (error) *error = GetLastError();
        return nullptr;
    }
    SetLastError(0xdeadbeef);
    SC_HANDLE service = OpenServiceA(manager, name.c_str(), access);
    if (!service && error) *error = GetLastError();
    CloseServiceHandle(manager);
    return service;
}

// The current state of a service (SERVICE_STOPPED, SERVICE_RUNNING, ...), or kNotOpened.
DWORD ServiceState(const std::string& name)
{
    SC_HANDLE service = OpenNamedService(name, SERVICE_QUERY_STATUS);
    if (!service) return kNotOpened;
    SERVICE_STATUS status = {};
    const BOOL queried = QueryServiceStatus(service, &status);
    CloseServiceHandle(service);
    return queried ? status.dwCurrentState : kNotOpened;
}

// The error of opening a service: ERROR_SERVICE_DOES_NOT_EXIST once it is gone, 0 while
// it exists.
DWORD OpenError(const std::string& name)
{
    DWORD error = 0;
    SC_HANDLE service = OpenNamedService(name, SERVICE_QUERY_STATUS, &error);
    if (service) CloseServiceHandle(service);
    return service ? 0 : error;
}

struct ServiceConfig {
    bool read = false;
    DWORD serviceType = 0;
    DWORD startType = 0;
    DWORD errorControl = 0;
    std::string binary, group, account, displayName;
};

ServiceConfig ReadConfig(const std::string& name)
{
    ServiceConfig config;
    SC_HANDLE service = OpenNamedService(name, SERVICE_QUERY_CONFIG);
    if (!service) return config;
    std::vector<BYTE> buffer(8192);
    DWORD needed = 0;
    auto* query = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data());
    if (QueryServiceConfigA(service, query, static_cast<DWORD>(buffer.size()), &needed)) {
        config.read = true;
        config.serviceType = query->dwServiceType;
        config.startType = query->dwStartType;
        config.errorControl = query->dwErrorControl;
        config.binary = query->lpBinaryPathName ? query->lpBinaryPathName : "";
        config.group = query->lpLoadOrderGroup ? query->lpLoadOrderGroup : "";
        config.account = query->lpServiceStartName ? query->lpServiceStartName : "";
        config.displayName = query->lpDisplayName ? query->lpDisplayName : "";
    }
    CloseServiceHandle(service);
    return config;
}

// The dependencies that the service manager keeps for a service, as it stores them in
// the registry (the DependOnService value of the service's key).
bool ReadStoredDependencies(const std::string& name, std::string* bytes)
{
    HKEY key;
    const std::string path = "System\\CurrentControlSet\\Services\\" + name;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    DWORD type = 0, size = 0;
    bool ok = RegQueryValueExA(key, "DependOnService", nullptr, &type, nullptr, &size) == ERROR_SUCCESS
              && type == REG_MULTI_SZ;
    if (ok) {
        bytes->assign(size, '\0');
        ok = RegQueryValueExA(key, "DependOnService", nullptr, &type, reinterpret_cast<BYTE*>(&(*bytes)[0]), &size)
             == ERROR_SUCCESS;
        bytes->resize(size);
    }
    RegCloseKey(key);
    return ok;
}

// A service-install section for a fixture: own process, started on demand, normal
// error control; `extra` adds lines.
std::string InstallSection(const std::string& section, const char* exe, const std::string& extra = "")
{
    return "[" + section + "]\r\nServiceType=16\r\nStartType=3\r\nErrorControl=1\r\nServiceBinary="
           + FixturePath(exe) + "\r\n" + extra;
}

// A scratch folder for the test's script, and services that are removed after the test.
class ServicesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder_ = testsupport::MakeScratchFolder(("svc-" + TestName()).c_str());
        ASSERT_FALSE(folder_.empty());
    }

    void TearDown() override
    {
        CloseScript();
        for (const std::string& name : names_) RemoveService(name);
        testsupport::RemoveTree(folder_);
    }

    // A service name of this test and process; it is removed in TearDown.
    std::string NewServiceName(const char* tag)
    {
        names_.push_back("SetupTest_" + TestName() + "_" + tag + "_" + Pid());
        return names_.back();
    }

    // Creates a fixture service directly (not through the code under test), with the
    // service's name as its display name and `group` as its load-order group.
    void InstallFixture(const std::string& name, const char* exe, const char* group = nullptr)
    {
        if (std::strcmp(exe, kIgnores) == 0) ignoresStop_.insert(name);
        SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
        ASSERT_NE(nullptr, manager);
        SC_HANDLE service = CreateServiceA(manager, name.c_str(), name.c_str(), SERVICE_ALL_ACCESS,
                                           SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                                           FixturePath(exe).c_str(), group, nullptr, nullptr, nullptr, nullptr);
        const DWORD error = GetLastError();
        CloseServiceHandle(manager);
        ASSERT_NE(nullptr, service) << name << " error " << error;
        CloseServiceHandle(service);
    }

    // Creates a fixture service and starts it, waiting (bounded) until it runs.
    void InstallRunningFixture(const std::string& name, const char* exe)
    {
        ASSERT_NO_FATAL_FAILURE(InstallFixture(name, exe));
        SC_HANDLE service = OpenNamedService(name, SERVICE_ALL_ACCESS);
        ASSERT_NE(nullptr, service);
        const BOOL started = StartServiceA(service, 0, nullptr);
        const DWORD error = GetLastError();
        CloseServiceHandle(service);
        ASSERT_TRUE(started) << name << " error " << error;
        for (int poll = 0; poll < 100 && ServiceState(name) != SERVICE_RUNNING; ++poll) Sleep(100);
        ASSERT_EQ(static_cast<DWORD>(SERVICE_RUNNING), ServiceState(name)) << name;
    }

    // Marks a service that the code under test creates from a fixture program.
    void WillRun(const std::string& name, const char* exe)
    {
        if (std::strcmp(exe, kIgnores) == 0) ignoresStop_.insert(name);
    }

    // Writes setup.inf with the given sections and opens it through the program's adapter.
    HINF OpenScript(const std::string& sections)
    {
        CloseScript();
        const std::string path = ScriptPath();
        EXPECT_TRUE(testsupport::WriteFile(path, "[Version]\r\nSignature=\"$Chicago$\"\r\n" + sections));
        UINT errorLine = 0;
        inf_ = InfOpen(path.c_str(), &errorLine);
        EXPECT_NE(INVALID_HANDLE_VALUE, inf_) << "error line " << errorLine;
        return inf_;
    }

    std::string ScriptPath() const { return folder_ + "\\setup.inf"; }

    void CloseScript()
    {
        if (inf_ != INVALID_HANDLE_VALUE) SetupCloseInfFile(inf_);
        inf_ = INVALID_HANDLE_VALUE;
    }

    // Stops the service (ending the process of one that ignores the stop) and deletes it.
    void RemoveService(const std::string& name)
    {
        SC_HANDLE service = OpenNamedService(name, SERVICE_ALL_ACCESS);
        if (!service) return;
        SERVICE_STATUS_PROCESS status = {};
        DWORD needed = 0;
        if (QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status), sizeof status,
                                 &needed)
            && status.dwCurrentState != SERVICE_STOPPED) {
            bool stopped = false;
            if (!ignoresStop_.count(name)) {
                SERVICE_STATUS plain = {};
                ControlService(service, SERVICE_CONTROL_STOP, &plain);
                for (int poll = 0; poll < 40 && !stopped; ++poll) {
                    stopped = QueryServiceStatus(service, &plain) && plain.dwCurrentState == SERVICE_STOPPED;
                    if (!stopped) Sleep(100);
                }
            }
            if (!stopped && status.dwProcessId) {
                // Only the process that the service manager started for this test's service.
                HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, status.dwProcessId);
                if (process) {
                    TerminateProcess(process, 1);
                    WaitForSingleObject(process, 5000);
                    CloseHandle(process);
                }
            }
        }
        DeleteService(service);
        CloseServiceHandle(service);
    }

    std::string folder_;
    HINF inf_ = INVALID_HANDLE_VALUE;
    Strings names_;
    std::set<std::string> ignoresStop_;
};

// ---------------------------------------------------------------------------------
// The section passes: which lines each pass takes, and which it skips.

class ServiceSections : public ServicesTest {};

TEST_F(ServiceSections, AMissingOrEmptyServicesSectionSucceedsInEveryPass)
{
    HINF inf = OpenScript("[Other.Services]\r\nStartService=SetupTestNoSuchService\r\n[Empty.Services]\r\n");
    ASSERT_NE(INVALID_HANDLE_VALUE, inf);
    for (const char* section : {"Main", "Empty", "Other.Services"}) {
        EXPECT_EQ(1, StopSectionServices(inf, section)) << section;
        EXPECT_EQ(1, InstallSectionServices(inf, section)) << section;
        EXPECT_EQ(1, StartSectionServices(inf, section)) << section;
    }
}

TEST_F(ServiceSections, StoppingAServiceThatIsNotInstalledOrNotRunningSucceedsAndTheNextLinesRun)
{
    const std::string missing = NewServiceName("Missing");
    const std::string stopped = NewServiceName("Stopped");
    const std::string running = NewServiceName("Running");
    ASSERT_NO_FATAL_FAILURE(InstallFixture(stopped, kStops));
    ASSERT_NO_FATAL_FAILURE(InstallRunningFixture(running, kStops));
    // Keys are matched without regard to case.
    HINF inf = OpenScript("[Main.Services]\r\nStopService=" + missing + "\r\nStopService=" + stopped
                          + "\r\nstopSERVICE=" + running + "\r\n");
    ASSERT_NE(INVALID_HANDLE_VALUE, inf);

    EXPECT_EQ(1, StopSectionServices(inf, "Main"));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), ServiceState(running));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), ServiceState(stopped));
    EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST), OpenError(missing));
}

TEST_F(ServiceSections, EachPassTakesOnlyItsOwnKeys)
{
    const std::string toStart = NewServiceName("ToStart");
    const std::string toStop = NewServiceName("ToStop");
    const std::string toDelete = NewServiceName("ToDelete");
    const std::string toAdd = NewServiceName("ToAdd");
    ASSERT_NO_FATAL_FAILURE(InstallFixture(toStart, kStops));
    ASSERT_NO_FATAL_FAILURE(InstallRunningFixture(toStop, kStops));
    ASSERT_NO_FATAL_FAILURE(InstallFixture(toDelete, kStops));
    HINF inf = OpenScript("[Main.Services]\r\nStartService=" + toStart + "\r\nAddService=" + toAdd
                          + ",,Add.Install\r\nDelService=" + toDelete + "\r\nStopService=" + toStop + "\r\n"
                          + InstallSection("Add.Install", kStops));
    ASSERT_NE(INVALID_HANDLE_VALUE, inf);

    // The stop pass stops and does nothing else.
    EXPECT_EQ(1, StopSectionServices(inf, "Main"));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), ServiceState(toStop));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), ServiceState(toStart));
    EXPECT_EQ(0u, OpenError(toDelete));
    EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST), OpenError(toAdd));

    // The start pass starts and does nothing else.
    EXPECT_EQ(1, StartSectionServices(inf, "Main"));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), ServiceState(toStart));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), ServiceState(toStop));
    EXPECT_EQ(0u, OpenError(toDelete));
    EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST), OpenError(toAdd));

    // The install pass adds and deletes, and neither starts nor stops.
    EXPECT_EQ(1, InstallSectionServices(inf, "Main"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST), OpenError(toDelete));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), ServiceState(toAdd));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), ServiceState(toStart));
}

TEST_F(ServiceSections, UnknownKeysAndLinesWithoutAServiceNameAreIgnored)
{
    const std::string kept = NewServiceName("Kept");
    const std::string deleted = NewServiceName("Deleted");
    const std::string started = NewServiceName("Started");
    const std::string stopped = NewServiceName("Stopped");
    ASSERT_NO_FATAL_FAILURE(InstallFixture(kept, kStops));
    ASSERT_NO_FATAL_FAILURE(InstallFixture(deleted, kStops));
    ASSERT_NO_FATAL_FAILURE(InstallFixture(started, kStops));
    ASSERT_NO_FATAL_FAILURE(InstallRunningFixture(stopped, kStops));
    const std::string tooLong(300, 'N');  // a field 1 that cannot be read into 256 bytes
    // Lines that name no service, or a service under a key that no pass knows; the last
    // line of each pass proves that the pass went on after them.
    HINF inf = OpenScript("[Main.Services]\r\n"
                          "DeleteService=" + kept + "\r\n"
                          "Stop=" + kept + "\r\n"
                          "StopService=\r\n"
                          "StartService=\r\n"
                          "AddService=\r\n"
                          "AddService=,,Add.Install\r\n"
                          "DelService=\r\n"
                          "StopService=" + tooLong + "\r\n"
                          "DelService=" + tooLong + "\r\n"
                          "StartService=" + tooLong + "\r\n"
                          "StopService=" + stopped + "\r\n"
                          "DelService=" + deleted + "\r\n"
                          "StartService=" + started + "\r\n"
                          + InstallSection("Add.Install", kStops));
    ASSERT_NE(INVALID_HANDLE_VALUE, inf);

    EXPECT_EQ(1, StopSectionServices(inf, "Main"));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), ServiceState(stopped));
    EXPECT_EQ(1, InstallSectionServices(inf, "Main"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST), OpenError(deleted));
    EXPECT_EQ(1, StartSectionServices(inf, "Main"));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), ServiceState(started));
    EXPECT_EQ(0u, OpenError(kept));
}

// ---------------------------------------------------------------------------------
// AddService: a new service gets the section's values, an existing one is reconfigured.

class AddServiceLines : public ServicesTest {};

TEST_F(AddServiceLines, ANewServiceGetsEveryValueOfItsSection)
{
    const std::string name = NewServiceName("New");
    const std::string group = "SetupTestGroup_" + Pid();
    WillRun(name, kStops);
    // The first line of each key counts.
    HINF inf = OpenScript("[Main.Services]\r\nAddService=" + name + ",,New.Install\r\n"
                          "[New.Install]\r\n"
                          "DisplayName=\"Setup test service\"\r\n"
                          "ServiceType=16\r\n"
                          "StartType=4\r\n"
                          "ErrorControl=2\r\n"
                          "ServiceBinary=" + FixturePath(kStops) + "\r\n"
                          "LoadOrderGroup=" + group + "\r\n"
                          "Dependencies=SetupTestDepA,SetupTestDepB\r\n"
                          "StartName=LocalSystem\r\n"
                          "DisplayName=\"Second display name\"\r\n"
                          "StartType=3\r\n");
    ASSERT_NE(INVALID_HANDLE_VALUE, inf);

    ASSERT_EQ(1, InstallSectionServices(inf, "Main"));
    const ServiceConfig config = ReadConfig(name);
    ASSERT_TRUE(config.read);
    EXPECT_EQ("Setup test service", config.displayName);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS), config.serviceType);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_DISABLED), config.startType);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_ERROR_SEVERE), config.errorControl);
    EXPECT_EQ(FixturePath(kStops), config.binary);
    EXPECT_EQ(group, config.group);
    EXPECT_EQ("LocalSystem", config.account);
    // The dependencies are checked in ServiceDependencies: Wine's service manager keeps
    // a garbled copy of those given to CreateServiceA.
}

TEST_F(AddServiceLines, AbsentValuesArePassedAsNoneOrZero)
{
    const std::string name = NewServiceName("Sparse");
    WillRun(name, kStops);
    HINF inf = OpenScript("[Main.Services]\r\nAddService=" + name + ",,Sparse.Install\r\n"
                          "[Sparse.Install]\r\nServiceType=16\r\nStartType=3\r\nServiceBinary="
                          + FixturePath(kStops) + "\r\n");
    ASSERT_NE(INVALID_HANDLE_VALUE, inf);

    ASSERT_EQ(1, InstallSectionServices(inf, "Main"));
    const ServiceConfig config = ReadConfig(name);
    ASSERT_TRUE(config.read);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_ERROR_IGNORE), config.errorControl);
    EXPECT_EQ("", config.group);
}

TEST_F(AddServiceLines, AbsentValuesLeaveAnExistingServicesValuesAlone)
{
    // For a reconfigured service "none" means "unchanged", which an empty text or a 0
    // (boot start, refused for a program) would not; the new program path is taken.
    const std::string name = NewServiceName("Kept");
    const std::string group = "SetupTestOriginal_" + Pid();
    ASSERT_NO_FATAL_FAILURE(InstallFixture(name, kStops, group.c_str()));
    HINF inf = OpenScript("[Main.Services]\r\nAddService=" + name + ",,Sparse.Install\r\n"
                          "[Sparse.Install]\r\nServiceBinary=" + FixturePath(kIgnores) + "\r\n");
    ASSERT_NE(INVALID_HANDLE_VALUE, inf);

    ASSERT_EQ(1, InstallSectionServices(inf, "Main"));
    const ServiceConfig config = ReadConfig(name);
    ASSERT_TRUE(config.read);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS), config.serviceType);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_DEMAND_START), config.startType);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_ERROR_NORMAL), config.errorControl);
    EXPECT_EQ(name, config.displayName);
    EXPECT_EQ(group, config.group);
    EXPECT_EQ(FixturePath(kIgnores), config.binary);
}

TEST_F(AddServiceLines, AnExistingServiceIsReconfiguredWithEveryDependency)
{
    const std::string name = NewServiceName("Existing");
    ASSERT_NO_FATAL_FAILURE(InstallFixture(name, kStops));
    WillRun(name, kIgnores);
    // 24 dependencies of 50 characters: far more than 256 bytes.
    Strings dependencies;
    std::string fields;
    for (int i = 0; i < 24; ++i) {
        dependencies.push_back("SetupTestDependency" + std::to_string(100 + i) + "_abcdefghijklmnopqrstuvwxyz1");
        fields += (i ? "," : "") + dependencies.back();
    }
    HINF inf = OpenScript("[Main.Services]\r\nAddService=" + name + ",,Change.Install\r\n"
                          "[Change.Install]\r\n"
                          "DisplayName=\"Reconfigured service\"\r\n"
                          "ServiceType=16\r\n"
                          "StartType=4\r\n"
                          "ErrorControl=0\r\n"
                          "ServiceBinary=" + FixturePath(kIgnores) + "\r\n"
                          "LoadOrderGroup=SetupTestChanged_" + Pid() + "\r\n"
                          "Dependencies=" + fields + "\r\n"
                          "StartName=LocalSystem\r\n");
    ASSERT_NE(INVALID_HANDLE_VALUE, inf);

    ASSERT_EQ(1, InstallSectionServices(inf, "Main"));
    const ServiceConfig config = ReadConfig(name);
    ASSERT_TRUE(config.read);
    EXPECT_EQ("Reconfigured service", config.displayName);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_DISABLED), config.startType);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_ERROR_IGNORE), config.errorControl);
    EXPECT_EQ(FixturePath(kIgnores), config.binary);
    EXPECT_EQ("SetupTestChanged_" + Pid(), config.group);
    // ChangeServiceConfigA, unlike CreateServiceA, gets them stored intact on Wine.
    std::string stored;
    ASSERT_TRUE(ReadStoredDependencies(name, &stored));
    EXPECT_EQ(MultiString(dependencies), stored);
}

TEST_F(AddServiceLines, AChangeThatTheSystemRefusesFailsWithItsErrorAndEndsThePass)
{
    const std::string name = NewServiceName("Refused");
    const std::string later = NewServiceName("Later");
    ASSERT_NO_FATAL_FAILURE(InstallFixture(name, kStops));
    ASSERT_NO_FATAL_FAILURE(InstallFixture(later, kStops));
    // Boot start, which no Win32 service takes.
    HINF inf = OpenScript("[Main.Services]\r\nAddService=" + name + ",,Rename.Install\r\nDelService=" + later
                          + "\r\n[Rename.Install]\r\nDisplayName=Renamed\r\nStartType=0\r\n");
    ASSERT_NE(INVALID_HANDLE_VALUE, inf);

    SetLastError(0xdeadbeef);
    EXPECT_EQ(0, InstallSectionServices(inf, "Main"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
    const ServiceConfig config = ReadConfig(name);
    ASSERT_TRUE(config.read);
    EXPECT_EQ(name, config.displayName);  // the change was refused as a whole
    EXPECT_EQ(static_cast<DWORD>(SERVICE_DEMAND_START), config.startType);
    EXPECT_EQ(0u, OpenError(later));
}

TEST_F(AddServiceLines, AMissingInstallSectionFailsAndEndsThePass)
{
    const std::string name = NewServiceName("Orphan");
    const std::string later = NewServiceName("Later");
    ASSERT_NO_FATAL_FAILURE(InstallFixture(later, kStops));
    HINF inf = OpenScript("[Main.Services]\r\nAddService=" + name + ",,No.Such.Install\r\nDelService=" + later
                          + "\r\n[NoField3.Services]\r\nAddService=" + name + "\r\nDelService=" + later
                          + "\r\n[Empty.Install]\r\n");
    ASSERT_NE(INVALID_HANDLE_VALUE, inf);

    EXPECT_EQ(0, InstallSectionServices(inf, "Main"));
    EXPECT_EQ(0, InstallSectionServices(inf, "NoField3"));
    EXPECT_EQ(0, AddOrUpdateService(inf, name.c_str(), "Empty.Install"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST), OpenError(name));
    EXPECT_EQ(0u, OpenError(later));
}

TEST_F(AddServiceLines, AFailedCreateFailsWithTheSystemsError)
{
    const std::string name = NewServiceName("BadType");
    const std::string later = NewServiceName("Later");
    ASSERT_NO_FATAL_FAILURE(InstallFixture(later, kStops));
    HINF inf = OpenScript("[Main.Services]\r\nAddService=" + name + ",,Bad.Install\r\nDelService=" + later
                          + "\r\n[Bad.Install]\r\nServiceType=0\r\nStartType=3\r\nServiceBinary="
                          + FixturePath(kStops) + "\r\n");
    ASSERT_NE(INVALID_HANDLE_VALUE, inf);

    SetLastError(0xdeadbeef);
    EXPECT_EQ(0, InstallSectionServices(inf, "Main"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
    EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST), OpenError(name));
    EXPECT_EQ(0u, OpenError(later));
}

// ---------------------------------------------------------------------------------
// The dependencies multi-string as the service code builds it from a Dependencies line.

class ServiceDependencies : public ServicesTest {
protected:
    std::string Dependencies(const std::string& line)
    {
        HINF inf = OpenScript("[Svc.Install]\r\n" + line + "\r\n");
        INFCONTEXT context;
        if (inf == INVALID_HANDLE_VALUE || !InfFindLine(inf, "Svc.Install", "Dependencies", &context)) {
            ADD_FAILURE() << "no Dependencies line";
            return std::string();
        }
        DWORD size = 0;
        char* block = InfGetMultiSzFields(&context, 1, &size);
        if (!block) {
            ADD_FAILURE() << "no multi-string";
            return std::string();
        }
        // Everything through the end mark (the first empty string).
        size_t length = 0;
        while (length + 1 < size && (block[length] || block[length + 1])) ++length;
        std::string bytes(block, length + 2 <= size ? length + 2 : size);
        HeapFree(GetProcessHeap(), 0, block);
        return bytes;
    }
};

TEST_F(ServiceDependencies, TwoFieldsGiveEachWithItsZeroAndAnEndMark)
{
    EXPECT_EQ(std::string("A\0B\0\0", 5), Dependencies("Dependencies=A,B"));
    EXPECT_EQ(std::string("Tcpip\0\0", 7), Dependencies("Dependencies=Tcpip"));
}

TEST_F(ServiceDependencies, ManyLongFieldsArePassedWhole)
{
    Strings names;
    std::string fields;
    for (int i = 0; i < 24; ++i) {
        names.push_back("Dependency" + std::to_string(100 + i) + "_abcdefghijklmnopqrstuvwxyz0123456789");
        fields += (i ? "," : "") + names.back();
    }
    const std::string expected = MultiString(names);
    ASSERT_GT(expected.size(), 1000u);
    EXPECT_EQ(expected, Dependencies("Dependencies=" + fields));
}

// ---------------------------------------------------------------------------------
// DelService lines.

class DelServiceLines : public ServicesTest {};

TEST_F(DelServiceLines, AnInstalledServiceIsDeleted)
{
    const std::string name = NewServiceName("Victim");
    ASSERT_NO_FATAL_FAILURE(InstallFixture(name, kStops));
    HINF inf = OpenScript("[Main.Services]\r\nDelService=" + name + "\r\n");
    ASSERT_NE(INVALID_HANDLE_VALUE, inf);

    EXPECT_EQ(1, InstallSectionServices(inf, "Main"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST), OpenError(name));
}

TEST_F(DelServiceLines, AServiceThatIsNotInstalledCountsAsDeleted)
{
    const std::string missing = NewServiceName("Missing");
    const std::string later = NewServiceName("Later");
    ASSERT_NO_FATAL_FAILURE(InstallFixture(later, kStops));
    HINF inf = OpenScript("[Main.Services]\r\nDelService=" + missing + "\r\nDelService=" + later + "\r\n");
    ASSERT_NE(INVALID_HANDLE_VALUE, inf);

    EXPECT_EQ(1, InstallSectionServices(inf, "Main"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST), OpenError(later));
    EXPECT_EQ(1, DeleteNamedService(missing.c_str()));
}

// ---------------------------------------------------------------------------------
// StartService and StopService lines with the fixture services running for real.

class ServiceControl : public ServicesTest {};

TEST_F(ServiceControl, StartServiceRunsTheServiceAndStopServiceStopsIt)
{
    const std::string name = NewServiceName("Cycle");
    ASSERT_NO_FATAL_FAILURE(InstallFixture(name, kStops));
    HINF inf = OpenScript("[Main.Services]\r\nStartService=" + name + "\r\nStopService=" + name + "\r\n");
    ASSERT_NE(INVALID_HANDLE_VALUE, inf);

    EXPECT_EQ(1, StartSectionServices(inf, "Main"));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), ServiceState(name));
    EXPECT_EQ(1, StopSectionServices(inf, "Main"));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), ServiceState(name));
}

TEST_F(ServiceControl, StartingARunningServiceFailsAndEndsThePass)
{
    const std::string running = NewServiceName("Running");
    const std::string later = NewServiceName("Later");
    ASSERT_NO_FATAL_FAILURE(InstallRunningFixture(running, kStops));
    ASSERT_NO_FATAL_FAILURE(InstallFixture(later, kStops));
    HINF inf = OpenScript("[Main.Services]\r\nStartService=" + running + "\r\nStartService=" + later + "\r\n");
    ASSERT_NE(INVALID_HANDLE_VALUE, inf);

    EXPECT_EQ(0, StartSectionServices(inf, "Main"));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), ServiceState(running));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), ServiceState(later));
}

TEST_F(ServiceControl, StartingAServiceThatIsNotInstalledFailsAndEndsThePass)
{
    const std::string missing = NewServiceName("Missing");
    const std::string later = NewServiceName("Later");
    ASSERT_NO_FATAL_FAILURE(InstallFixture(later, kStops));
    HINF inf = OpenScript("[Main.Services]\r\nStartService=" + missing + "\r\nStartService=" + later + "\r\n");
    ASSERT_NE(INVALID_HANDLE_VALUE, inf);

    EXPECT_EQ(0, StartSectionServices(inf, "Main"));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), ServiceState(later));
}

TEST_F(ServiceControl, AServiceThatIgnoresTheStopFailsAndEndsThePass)
{
    const std::string stubborn = NewServiceName("Stubborn");
    const std::string later = NewServiceName("Later");
    ASSERT_NO_FATAL_FAILURE(InstallRunningFixture(stubborn, kIgnores));
    ASSERT_NO_FATAL_FAILURE(InstallRunningFixture(later, kStops));
    HINF inf = OpenScript("[Main.Services]\r\nStopService=" + stubborn + "\r\nStopService=" + later + "\r\n");
    ASSERT_NE(INVALID_HANDLE_VALUE, inf);

    // Returns after its bounded wait for the stop.
    EXPECT_EQ(0, StopSectionServices(inf, "Main"));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), ServiceState(stubborn));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), ServiceState(later));
}

// ---------------------------------------------------------------------------------
// The Windows 95 family: the passes succeed and touch no service. The same script run
// as Windows 2000 shows that it would have had an effect.

class ServicesOnWindows95Family : public ServicesTest {
protected:
    // Names: a running service to stop, a new one to add and start, one to delete.
    void MakeScript()
    {
        running_ = NewServiceName("Running");
        added_ = NewServiceName("Added");
        deleted_ = NewServiceName("Deleted");
        ASSERT_NO_FATAL_FAILURE(InstallRunningFixture(running_, kStops));
        ASSERT_NO_FATAL_FAILURE(InstallFixture(deleted_, kStops));
        WillRun(added_, kStops);
        OpenScript("[Main.Services]\r\nStopService=" + running_ + "\r\nAddService=" + added_
                   + ",,Added.Install\r\nDelService=" + deleted_ + "\r\nStartService=" + added_ + "\r\n"
                   + InstallSection("Added.Install", kStops));
        CloseScript();  // the probe opens it
    }

    // Runs the probe as `version` on the script and returns its "name=value" lines.
    std::map<std::string, std::string> Probe(const std::string& version)
    {
        std::map<std::string, std::string> values;
        const std::string probe =
            testsupport::ProgramAsVersion(testsupport::TestFolder() + "\\services_probe.exe", version);
        EXPECT_FALSE(probe.empty()) << version;
        if (probe.empty()) return values;
        testsupport::ProcessResult run = testsupport::RunProgram(
            testsupport::Quote(probe) + " " + testsupport::Quote(ScriptPath()) + " Main", "", 60000);
        EXPECT_TRUE(run.finished) << version;
        size_t at = 0;
        while (at < run.output.size()) {
            size_t end = run.output.find('\n', at);
            if (end == std::string::npos) end = run.output.size();
            std::string line = run.output.substr(at, end - at);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            const size_t equals = line.find('=');
            if (equals != std::string::npos) values[line.substr(0, equals)] = line.substr(equals + 1);
            at = end + 1;
        }
        testsupport::SetWindowsVersionFor(probe.substr(probe.find_last_of('\\') + 1), "");
        DeleteFileA(probe.c_str());
        return values;
    }

    std::string running_, added_, deleted_;
};

TEST_F(ServicesOnWindows95Family, ThePassesSucceedAndTouchNoService)
{
    ASSERT_NO_FATAL_FAILURE(MakeScript());
    auto result = Probe("win98");
    EXPECT_EQ("c0000a04", result["version"]);
    EXPECT_EQ("1", result["stop"]);
    EXPECT_EQ("1", result["install"]);
    EXPECT_EQ("1", result["start"]);
    EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST), OpenError(added_));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), ServiceState(running_));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), ServiceState(deleted_));
}

TEST_F(ServicesOnWindows95Family, TheSameScriptTakesEffectOnWindows2000)
{
    ASSERT_NO_FATAL_FAILURE(MakeScript());
    auto result = Probe("win2k");
    EXPECT_EQ("08930005", result["version"]);
    EXPECT_EQ("1", result["stop"]);
    EXPECT_EQ("1", result["install"]);
    EXPECT_EQ("1", result["start"]);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), ServiceState(added_));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), ServiceState(running_));
    EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST), OpenError(deleted_));
}

// ---------------------------------------------------------------------------------
// The group order List of the machine, saved before and restored exactly after.

class ServiceGroupOrderList : public ServicesTest {
protected:
    void SetUp() override
    {
        ServicesTest::SetUp();
        HKEY key;
        keyExisted_ = RegOpenKeyExA(HKEY_LOCAL_MACHINE, kGroupOrderKey, 0, KEY_READ, &key) == ERROR_SUCCESS;
        if (keyExisted_) {
            DWORD size = 0;
            valueExisted_ = RegQueryValueExA(key, "List", nullptr, &savedType_, nullptr, &size) == ERROR_SUCCESS;
            if (valueExisted_) {
                savedBytes_.assign(size, '\0');
                const LONG status = RegQueryValueExA(key, "List", nullptr, &savedType_,
                                                     reinterpret_cast<BYTE*>(&savedBytes_[0]), &size);
                savedBytes_.resize(size);
                RegCloseKey(key);
                ASSERT_EQ(ERROR_SUCCESS, status);
            } else {
                RegCloseKey(key);
            }
        }
        saved_ = true;
    }

    void TearDown() override
    {
        if (saved_) {
            HKEY key;
            if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kGroupOrderKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                nullptr)
                == ERROR_SUCCESS) {
                if (valueExisted_) {
                    EXPECT_EQ(ERROR_SUCCESS,
                              RegSetValueExA(key, "List", 0, savedType_,
                                             reinterpret_cast<const BYTE*>(savedBytes_.data()),
                                             static_cast<DWORD>(savedBytes_.size())));
                } else {
                    RegDeleteValueA(key, "List");
                }
                RegCloseKey(key);
            }
            if (!keyExisted_) RegDeleteKeyA(HKEY_LOCAL_MACHINE, kGroupOrderKey);
        }
        ServicesTest::TearDown();
    }

    void SetList(const std::string& bytes, DWORD type = REG_MULTI_SZ)
    {
        HKEY key;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, kGroupOrderKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                                                 nullptr, &key, nullptr));
        const LONG status = RegSetValueExA(key, "List", 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                                           static_cast<DWORD>(bytes.size()));
        RegCloseKey(key);
        ASSERT_EQ(ERROR_SUCCESS, status);
    }

    void SetGroups(const Strings& groups) { SetList(MultiString(groups)); }

    void DeleteList()
    {
        HKEY key;
        ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, kGroupOrderKey, 0, KEY_ALL_ACCESS, &key));
        RegDeleteValueA(key, "List");
        RegCloseKey(key);
    }

    // The List value's bytes; *type receives its type (REG_NONE when it is absent).
    std::string ListBytes(DWORD* type)
    {
        *type = REG_NONE;
        HKEY key;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kGroupOrderKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return "";
        DWORD size = 0;
        std::string bytes;
        if (RegQueryValueExA(key, "List", nullptr, type, nullptr, &size) == ERROR_SUCCESS) {
            bytes.assign(size, '\0');
            if (size)
                RegQueryValueExA(key, "List", nullptr, type, reinterpret_cast<BYTE*>(&bytes[0]), &size);
            bytes.resize(size);
        }
        RegCloseKey(key);
        return bytes;
    }

    // The groups of List, checking that it is a REG_MULTI_SZ value that ends right after
    // its end mark.
    Strings Groups()
    {
        DWORD type = REG_NONE;
        const std::string bytes = ListBytes(&type);
        EXPECT_EQ(static_cast<DWORD>(REG_MULTI_SZ), type);
        const Strings groups = SplitMultiString(bytes);
        EXPECT_EQ(MultiString(groups), bytes);
        return groups;
    }

    // UpdateServiceGroupOrder for a section whose ServiceGroupOrder line has `fields`.
    int Place(const std::string& fields)
    {
        HINF inf = OpenScript("[Svc.Install]\r\nServiceGroupOrder=" + fields + "\r\n");
        if (inf == INVALID_HANDLE_VALUE) return -1;
        return UpdateServiceGroupOrder(inf, "Svc.Install");
    }

    bool saved_ = false;
    bool keyExisted_ = false;
    bool valueExisted_ = false;
    DWORD savedType_ = REG_NONE;
    std::string savedBytes_;
};

const Strings kThree = {"Base", "Middle", "Last"};

TEST_F(ServiceGroupOrderList, WithoutPositionTheGroupBecomesTheFirstEntry)
{
    ASSERT_NO_FATAL_FAILURE(SetGroups(kThree));
    EXPECT_EQ(1, Place("NewGroup"));
    EXPECT_EQ((Strings{"NewGroup", "Base", "Middle", "Last"}), Groups());
}

TEST_F(ServiceGroupOrderList, PlainOrPlusPositionGoesDirectlyBeforeThatGroup)
{
    ASSERT_NO_FATAL_FAILURE(SetGroups(kThree));
    EXPECT_EQ(1, Place("NewGroup,+Last"));
    EXPECT_EQ((Strings{"Base", "Middle", "NewGroup", "Last"}), Groups());

    ASSERT_NO_FATAL_FAILURE(SetGroups(kThree));
    EXPECT_EQ(1, Place("NewGroup,Middle"));
    EXPECT_EQ((Strings{"Base", "NewGroup", "Middle", "Last"}), Groups());
}

TEST_F(ServiceGroupOrderList, MinusPositionGoesDirectlyAfterThatGroup)
{
    ASSERT_NO_FATAL_FAILURE(SetGroups(kThree));
    EXPECT_EQ(1, Place("NewGroup,-Middle"));
    EXPECT_EQ((Strings{"Base", "Middle", "NewGroup", "Last"}), Groups());

    ASSERT_NO_FATAL_FAILURE(SetGroups(kThree));
    EXPECT_EQ(1, Place("NewGroup,-Last"));
    EXPECT_EQ((Strings{"Base", "Middle", "Last", "NewGroup"}), Groups());
}

TEST_F(ServiceGroupOrderList, AnUnlistedPositionGivesTheHeadOrForMinusTheEnd)
{
    ASSERT_NO_FATAL_FAILURE(SetGroups(kThree));
    EXPECT_EQ(1, Place("NewGroup,Absent"));
    EXPECT_EQ((Strings{"NewGroup", "Base", "Middle", "Last"}), Groups());

    ASSERT_NO_FATAL_FAILURE(SetGroups(kThree));
    EXPECT_EQ(1, Place("NewGroup,+Absent"));
    EXPECT_EQ((Strings{"NewGroup", "Base", "Middle", "Last"}), Groups());

    ASSERT_NO_FATAL_FAILURE(SetGroups(kThree));
    EXPECT_EQ(1, Place("NewGroup,-Absent"));
    EXPECT_EQ((Strings{"Base", "Middle", "Last", "NewGroup"}), Groups());
}

TEST_F(ServiceGroupOrderList, MinusTheFirstEntryGoesToTheEnd)
{
    ASSERT_NO_FATAL_FAILURE(SetGroups(kThree));
    EXPECT_EQ(1, Place("NewGroup,-Base"));
    EXPECT_EQ((Strings{"Base", "Middle", "Last", "NewGroup"}), Groups());
}

TEST_F(ServiceGroupOrderList, AListedGroupIsMovedNotDuplicated)
{
    ASSERT_NO_FATAL_FAILURE(SetGroups(kThree));
    EXPECT_EQ(1, Place("Last"));
    EXPECT_EQ((Strings{"Last", "Base", "Middle"}), Groups());

    // Taken out first, the group finds Middle as the first entry now: after the first
    // entry means the end.
    ASSERT_NO_FATAL_FAILURE(SetGroups(kThree));
    EXPECT_EQ(1, Place("Base,-Middle"));
    EXPECT_EQ((Strings{"Middle", "Last", "Base"}), Groups());

    ASSERT_NO_FATAL_FAILURE(SetGroups(kThree));
    EXPECT_EQ(1, Place("Base,-Last"));
    EXPECT_EQ((Strings{"Middle", "Last", "Base"}), Groups());

    ASSERT_NO_FATAL_FAILURE(SetGroups(kThree));
    EXPECT_EQ(1, Place("Middle,+Base"));
    EXPECT_EQ((Strings{"Middle", "Base", "Last"}), Groups());
}

TEST_F(ServiceGroupOrderList, AnEmptyGroupNameLeavesTheListUnchanged)
{
    ASSERT_NO_FATAL_FAILURE(SetGroups(kThree));
    Place(",-Base");
    Place("");
    Place("\"\",Middle");
    DWORD type = REG_NONE;
    EXPECT_EQ(MultiString(kThree), ListBytes(&type));
    EXPECT_EQ(static_cast<DWORD>(REG_MULTI_SZ), type);
}

TEST_F(ServiceGroupOrderList, ASectionWithoutTheKeySucceedsAndLeavesTheListAlone)
{
    ASSERT_NO_FATAL_FAILURE(SetGroups(kThree));
    HINF inf = OpenScript("[Svc.Install]\r\nServiceType=16\r\n");
    ASSERT_NE(INVALID_HANDLE_VALUE, inf);
    EXPECT_EQ(1, UpdateServiceGroupOrder(inf, "Svc.Install"));
    EXPECT_EQ(kThree, Groups());
}

TEST_F(ServiceGroupOrderList, AMissingListIsCreatedWithTheGroup)
{
    ASSERT_NO_FATAL_FAILURE(DeleteList());
    EXPECT_EQ(1, Place("NewGroup,-Base"));
    DWORD type = REG_NONE;
    EXPECT_EQ(std::string("NewGroup\0\0", 10), ListBytes(&type));
    EXPECT_EQ(static_cast<DWORD>(REG_MULTI_SZ), type);
}

TEST_F(ServiceGroupOrderList, AListWithoutItsEndMarkKeepsItsGroups)
{
    ASSERT_NO_FATAL_FAILURE(SetList(std::string("Base\0Last", 9)));
    EXPECT_EQ(1, Place("NewGroup,-Last"));
    EXPECT_EQ((Strings{"Base", "Last", "NewGroup"}), Groups());

    ASSERT_NO_FATAL_FAILURE(SetList(std::string("Base\0Last\0", 10)));
    EXPECT_EQ(1, Place("NewGroup"));
    EXPECT_EQ((Strings{"NewGroup", "Base", "Last"}), Groups());
}

TEST_F(ServiceGroupOrderList, AListLongerThan1024BytesKeepsEveryGroup)
{
    Strings groups;
    while (MultiString(groups).size() < 3000)
        groups.push_back("SetupTestLongGroup" + std::to_string(1000 + groups.size()));
    ASSERT_GT(groups.size(), 121u);
    ASSERT_NO_FATAL_FAILURE(SetGroups(groups));

    ASSERT_EQ(1, Place("NewGroup,-" + groups[100]));
    Strings expected = groups;
    expected.insert(expected.begin() + 101, "NewGroup");
    EXPECT_EQ(expected, Groups());

    // A group from far beyond the first 1024 bytes is moved, not added again.
    ASSERT_EQ(1, Place(groups[120]));
    expected.erase(expected.begin() + 121);
    expected.insert(expected.begin(), groups[120]);
    EXPECT_EQ(expected, Groups());
}

TEST_F(ServiceGroupOrderList, AListOfAnotherTypeIsLeftAlone)
{
    ASSERT_NO_FATAL_FAILURE(SetList(std::string("Base Middle\0", 12), REG_SZ));
    Place("NewGroup");
    DWORD type = REG_NONE;
    EXPECT_EQ(std::string("Base Middle\0", 12), ListBytes(&type));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);

    ASSERT_NO_FATAL_FAILURE(SetList(std::string("Base\0\0", 6), REG_BINARY));
    Place("NewGroup");
    EXPECT_EQ(std::string("Base\0\0", 6), ListBytes(&type));
    EXPECT_EQ(static_cast<DWORD>(REG_BINARY), type);
}

TEST_F(ServiceGroupOrderList, AddServicePlacesTheGroupOfANewAndOfAReconfiguredService)
{
    ASSERT_NO_FATAL_FAILURE(SetGroups(kThree));
    const std::string name = NewServiceName("Grouped");
    WillRun(name, kStops);
    HINF inf = OpenScript("[First.Services]\r\nAddService=" + name + ",,First.Install\r\n"
                          "[Second.Services]\r\nAddService=" + name + ",,Second.Install\r\n"
                          + InstallSection("First.Install", kStops, "ServiceGroupOrder=NewGroup,-Middle\r\n")
                          + InstallSection("Second.Install", kStops, "ServiceGroupOrder=NewGroup,+Base\r\n"));
    ASSERT_NE(INVALID_HANDLE_VALUE, inf);

    ASSERT_EQ(1, InstallSectionServices(inf, "First"));
    EXPECT_EQ(0u, OpenError(name));
    EXPECT_EQ((Strings{"Base", "Middle", "NewGroup", "Last"}), Groups());

    ASSERT_EQ(1, InstallSectionServices(inf, "Second"));
    EXPECT_EQ((Strings{"NewGroup", "Base", "Middle", "Last"}), Groups());
}

TEST_F(ServiceGroupOrderList, AFailedCreateLeavesTheListAlone)
{
    ASSERT_NO_FATAL_FAILURE(SetGroups(kThree));
    const std::string name = NewServiceName("BadType");
    HINF inf = OpenScript("[Main.Services]\r\nAddService=" + name + ",,Bad.Install\r\n"
                          "[Bad.Install]\r\nServiceType=0\r\nStartType=3\r\nServiceBinary=" + FixturePath(kStops)
                          + "\r\nServiceGroupOrder=NewGroup\r\n");
    ASSERT_NE(INVALID_HANDLE_VALUE, inf);

    EXPECT_EQ(0, InstallSectionServices(inf, "Main"));
    EXPECT_EQ(kThree, Groups());
}

} // namespace
