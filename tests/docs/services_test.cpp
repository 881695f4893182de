// The services example (docs/examples/services): the service NorvaleDocsAgent is
// created with the values of its service-install section, its load-order group placed
// after TDI in the group order, and started; an installation over the running service
// stops it first (so its program can be replaced), reconfigures and starts it again; the
// removal stops and deletes it before its program file is deleted. The service program
// is a real one from the tests' fixtures, copied onto the medium as docsagent.exe.
//
// The group order is machine state: the test saves the List value and puts it back (and
// holds the lock ServiceGroupOrder).

#include "docs_support.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

const char Key[] = "DocsServicesAgent";
const char Service[] = "NorvaleDocsAgent";
const char Group[] = "NorvaleDocsAgents";
const char GroupOrderKey[] = "System\\CurrentControlSet\\Control\\ServiceGroupOrder";

// Stops and deletes the service if it exists, waiting (bounded) until it has stopped.
void RemoveService()
{
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (!manager) return;
    SC_HANDLE service = OpenServiceA(manager, Service, SERVICE_ALL_ACCESS);
    if (service) {
        SERVICE_STATUS status = {};
        ControlService(service, SERVICE_CONTROL_STOP, &status);
        for (int i = 0; i < 40 && QueryServiceStatus(service, &status) && status.dwCurrentState != SERVICE_STOPPED; ++i)
            Sleep(100);
        DeleteService(service);
        CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
}

struct ServiceCleanUp {
    ServiceCleanUp() = default;
    ~ServiceCleanUp() { RemoveService(); }
    ServiceCleanUp(const ServiceCleanUp&) = delete;
    ServiceCleanUp& operator=(const ServiceCleanUp&) = delete;
};

struct ServiceState {
    bool exists = false;
    DWORD type = 0, start = 0, errorControl = 0, state = 0, processId = 0;
    std::string binary, group, displayName;
};

ServiceState ReadService()
{
    ServiceState result;
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (!manager) return result;
    SC_HANDLE service = OpenServiceA(manager, Service, SERVICE_ALL_ACCESS);
    if (service) {
        result.exists = true;
        BYTE buffer[8192] = {};
        DWORD needed = 0;
        QUERY_SERVICE_CONFIGA* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer);
        if (QueryServiceConfigA(service, config, sizeof buffer, &needed)) {
            result.type = config->dwServiceType;
            result.start = config->dwStartType;
            result.errorControl = config->dwErrorControl;
            result.binary = config->lpBinaryPathName ? config->lpBinaryPathName : "";
            result.group = config->lpLoadOrderGroup ? config->lpLoadOrderGroup : "";
            result.displayName = config->lpDisplayName ? config->lpDisplayName : "";
        }
        SERVICE_STATUS_PROCESS status = {};
        if (QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status), sizeof status,
                                 &needed)) {
            result.state = status.dwCurrentState;
            result.processId = status.dwProcessId;
        }
        CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
    return result;
}

// The groups of the group order, without the end mark.
std::vector<std::string> GroupOrder()
{
    std::vector<std::string> groups = docs::MachineMultiString(GroupOrderKey, "List");
    while (!groups.empty() && groups.back().empty()) groups.pop_back();
    return groups;
}

void ExpectGroupAfterTdi()
{
    const std::vector<std::string> groups = GroupOrder();
    std::string text;
    for (const std::string& group : groups) text += " [" + group + "]";
    const auto tdi = std::find(groups.begin(), groups.end(), "TDI");
    ASSERT_TRUE(tdi != groups.end()) << text;
    ASSERT_TRUE(tdi + 1 != groups.end()) << text;
    EXPECT_EQ(Group, *(tdi + 1)) << text;
    EXPECT_EQ(1, std::count(groups.begin(), groups.end(), Group)) << text;
}

void ExpectRunningService(const docs::ExamplePackage& package, const ServiceState& service)
{
    ASSERT_TRUE(service.exists);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS), service.type);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_DEMAND_START), service.start);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_ERROR_NORMAL), service.errorControl);
    EXPECT_EQ("\"" + package.target + "\\docsagent.exe\"", service.binary);
    EXPECT_EQ(Group, service.group);
    EXPECT_EQ("Norvale Docs Agent", service.displayName);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), service.state);
}

} // namespace

TEST(ServicesExample, TheServiceIsCreatedStartedReplacedAndDeleted)
{
    // A service left by an earlier run that was killed would hold its program file.
    RemoveService();
    docs::ExamplePackage package("services", "Services", {Key}, {});
    ASSERT_TRUE(package.ready) << package.target;
    docs::SavedMachineValue groupOrder(GroupOrderKey, "List");
    ASSERT_TRUE(groupOrder.saved());
    // Goes first at the end: the package's files can be deleted only when it has stopped.
    ServiceCleanUp cleanUp;

    DOCS_EXPECT_QUIET(package.Run("/quiet"));
    EXPECT_TRUE(package.Installed("docsagent.exe"));
    DOCS_EXPECT_ENTRY(Key, "Norvale Agent", package.ExpectedCommand(Key), "<none>", package.target);
    const ServiceState first = ReadService();
    ExpectRunningService(package, first);
    ExpectGroupAfterTdi();

    // Installed again over the running service: stopped, its program replaced,
    // reconfigured, started again; no restart needed, so no prompt although /reboot:0 is
    // not given. The group stays once in the order.
    DOCS_EXPECT_QUIET(package.Run("/quiet"));
    const ServiceState second = ReadService();
    ExpectRunningService(package, second);
    EXPECT_NE(first.processId, second.processId) << "the service was not started anew";
    ExpectGroupAfterTdi();

    // The removal stops and deletes the service before the files go; the group stays.
    DOCS_EXPECT_QUIET(package.RunUninstallCommand(Key, "/quiet /reboot:0"));
    EXPECT_FALSE(ReadService().exists);
    EXPECT_FALSE(package.InTarget("docsagent.exe")) << "deleted at once: the service had stopped";
    DOCS_EXPECT_NO_ENTRY(Key);
    ExpectGroupAfterTdi();
}
