// Stopping, creating or reconfiguring, deleting and starting services, and placing a
// service's group in the system's group order. Every service manager and service
// handle is closed before the function that opened it returns; the waits for a stop or
// a start are bounded (20 times 250 ms) and block only the worker thread.

#include "services.h"

#include "grouporder.h"
#include "../base/handles.h"
#include "../base/log.h"
#include "../base/platform.h"
#include "../base/textlist.h"
#include "../setupapi/inf.h"

#include <cstdio>
#include <cstring>

namespace {

const int StatusPolls = 20;
const DWORD StatusPollInterval = 250;

UniqueService OpenManager()
{
    return UniqueService(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
}

enum ServicePass { PassStop, PassInstall, PassStart };

int RunServicesPass(HINF inf, const char* section, ServicePass pass)
{
    if (IsWindows95Family()) return 1;
    char servicesSection[256];
    if (std::snprintf(servicesSection, sizeof servicesSection, "%s.Services", section)
        >= static_cast<int>(sizeof servicesSection))
        return 1;  // no section can have that name
    INFCONTEXT line;
    if (!InfFindLine(inf, servicesSection, nullptr, &line)) return 1;
    do {
        char key[256], name[256];
        if (!InfGetField(&line, 0, key, sizeof key) || !InfGetField(&line, 1, name, sizeof name)) continue;
        // "StopService=" names no service: Wine's Setup API reads its field 1 as empty
        // text rather than failing, and such a line is skipped like one without field 1.
        if (!name[0]) continue;
        int ok = 1;
        if (pass == PassStop && lstrcmpiA(key, "StopService") == 0) {
            ok = StopNamedService(name);
        } else if (pass == PassStart && lstrcmpiA(key, "StartService") == 0) {
            ok = StartNamedService(name);
        } else if (pass == PassInstall && lstrcmpiA(key, "AddService") == 0) {
            char installSection[256];
            InfGetField(&line, 3, installSection, sizeof installSection);
            ok = AddOrUpdateService(inf, name, installSection);
        } else if (pass == PassInstall && lstrcmpiA(key, "DelService") == 0) {
            ok = DeleteNamedService(name);
        } else {
            continue;
        }
        if (ok) {
            LogLine("%s %s: done", key, name);
        } else if (RunLogIsOpen()) {
            char what[600];
            std::snprintf(what, sizeof what, "%s %s", key, name);
            LogError(what, GetLastError());
        }
        if (!ok) return 0;
    } while (InfNextLine(&line));
    return 1;
}

// A string value of a service-install section, or null when the key is absent.
const char* ReadString(HINF inf, const char* section, const char* key, char* buffer, DWORD size)
{
    return InfGetKeyField(inf, section, key, 1, buffer, size) ? buffer : nullptr;
}

// A number of a service-install section, or `absent` when the section gives none.
DWORD ReadInteger(HINF inf, const char* section, const char* key, DWORD absent)
{
    INFCONTEXT line;
    int value = 0;
    if (!InfFindLine(inf, section, key, &line) || !InfGetSetupIntField(&line, 1, &value)) return absent;
    return static_cast<DWORD>(value);
}

} // namespace

int StopSectionServices(HINF inf, const char* section)
{
    return RunServicesPass(inf, section, PassStop);
}

int InstallSectionServices(HINF inf, const char* section)
{
    return RunServicesPass(inf, section, PassInstall);
}

int StartSectionServices(HINF inf, const char* section)
{
    return RunServicesPass(inf, section, PassStart);
}

int StopNamedService(const char* name)
{
    UniqueService manager = OpenManager();
    if (!manager) return 0;
    UniqueService service(OpenServiceA(manager.get(), name, SERVICE_ALL_ACCESS));
    if (!service) return GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST ? 1 : 0;

    SERVICE_STATUS status = {};
    if (!QueryServiceStatus(service.get(), &status)) return 0;
    if (status.dwCurrentState != SERVICE_STOPPED) ControlService(service.get(), SERVICE_CONTROL_STOP, &status);
    for (int poll = 0; status.dwCurrentState != SERVICE_STOPPED && poll < StatusPolls; ++poll) {
        Sleep(StatusPollInterval);
        if (!QueryServiceStatus(service.get(), &status)) break;
    }
    if (status.dwCurrentState == SERVICE_STOPPED) return 1;
    // The error of the report: the service did not stop in time.
    SetLastError(ERROR_SERVICE_REQUEST_TIMEOUT);
    return 0;
}

int StartNamedService(const char* name)
{
    UniqueService manager = OpenManager();
    if (!manager) return 0;
    UniqueService service(OpenServiceA(manager.get(), name, SERVICE_ALL_ACCESS));
    if (!service) return 0;
    // A service that already runs fails to start, which counts as a failed start.
    if (!StartServiceA(service.get(), 0, nullptr)) return 0;

    SERVICE_STATUS status = {};
    for (int poll = 0; poll < StatusPolls; ++poll) {
        if (!QueryServiceStatus(service.get(), &status)) break;
        if (status.dwCurrentState == SERVICE_RUNNING) break;
        Sleep(StatusPollInterval);
    }
    if (status.dwCurrentState == SERVICE_RUNNING) return 1;
    SetLastError(ERROR_SERVICE_REQUEST_TIMEOUT);
    return 0;
}

int DeleteNamedService(const char* name)
{
    UniqueService manager = OpenManager();
    if (!manager) return 0;
    UniqueService service(OpenServiceA(manager.get(), name, SERVICE_ALL_ACCESS));
    if (!service) return GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST ? 1 : 0;
    DeleteService(service.get());
    return 1;
}

int AddOrUpdateService(HINF inf, const char* name, const char* installSection)
{
    if (!InfSectionExists(inf, installSection)) return 0;

    char displayBuffer[256], binaryBuffer[256], groupBuffer[256], accountBuffer[256];
    const char* displayName = ReadString(inf, installSection, "DisplayName", displayBuffer, sizeof displayBuffer);
    const char* binary = ReadString(inf, installSection, "ServiceBinary", binaryBuffer, sizeof binaryBuffer);
    const char* group = ReadString(inf, installSection, "LoadOrderGroup", groupBuffer, sizeof groupBuffer);
    // All of the dependencies, however many: a list cut short would start the
    // service without what it needs.
    UniqueHeapBlock dependencies;
    INFCONTEXT line;
    if (InfFindLine(inf, installSection, "Dependencies", &line))
        dependencies.reset(InfGetMultiSzFields(&line, 1, nullptr));
    const char* account = ReadString(inf, installSection, "StartName", accountBuffer, sizeof accountBuffer);

    {
        UniqueService manager = OpenManager();
        if (!manager) return 0;
        const char* dependencyList = static_cast<const char*>(dependencies.get());
        UniqueService service(OpenServiceA(manager.get(), name, SERVICE_ALL_ACCESS));
        // A number the section does not give is 0 for a new service and left as it is
        // for an existing one: a 0 start type (boot start) would make the system refuse
        // the whole change of a service that is a program.
        const DWORD absent = service ? SERVICE_NO_CHANGE : 0;
        const DWORD serviceType = ReadInteger(inf, installSection, "ServiceType", absent);
        const DWORD startType = ReadInteger(inf, installSection, "StartType", absent);
        const DWORD errorControl = ReadInteger(inf, installSection, "ErrorControl", absent);
        if (service) {
            // A change that the system refuses fails the line, as a failed creation does.
            if (!ChangeServiceConfigA(service.get(), serviceType, startType, errorControl, binary, group, nullptr,
                                      dependencyList, account, nullptr, displayName))
                return 0;
        } else {
            service.reset(CreateServiceA(manager.get(), name, displayName, SERVICE_ALL_ACCESS, serviceType,
                                         startType, errorControl, binary, group, nullptr, dependencyList, account,
                                         nullptr));
            if (!service) return 0;
        }
    }
    UpdateServiceGroupOrder(inf, installSection);
    return 1;
}

int UpdateServiceGroupOrder(HINF inf, const char* installSection)
{
    INFCONTEXT line;
    if (!InfFindLine(inf, installSection, "ServiceGroupOrder", &line)) return 1;
    char group[256], position[256];
    if (!InfGetField(&line, 1, group, sizeof group)) return 0;
    // An empty group name would end the list for every reader: the list stays as it is.
    if (!group[0]) return 0;
    InfGetField(&line, 2, position, sizeof position);

    UniqueKey key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\ServiceGroupOrder", 0, nullptr, 0,
                        KEY_ALL_ACCESS, nullptr, key.put(), nullptr) != ERROR_SUCCESS)
        return 0;

    // The list is read whole, however long: a list that did not fit a fixed buffer must
    // not be taken as empty, or writing it back would drop every other group.
    DWORD type = 0, size = 0;
    LONG status = RegQueryValueExA(key.get(), "List", nullptr, &type, nullptr, &size);
    if (status == ERROR_SUCCESS && type != REG_MULTI_SZ) return 0;
    if (status != ERROR_SUCCESS) size = 0;
    const DWORD capacity = (size > 1024 ? size : 1024) + static_cast<DWORD>(std::strlen(group)) + 4;
    UniqueHeapBlock block(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, capacity));
    char* list = static_cast<char*>(block.get());
    if (!list) return 0;
    if (size) {
        DWORD read = size;
        if (RegQueryValueExA(key.get(), "List", nullptr, &type, reinterpret_cast<BYTE*>(list), &read) != ERROR_SUCCESS)
            return 0;
        // The stored value may lack its end mark; the spare zeros behind it provide one.
        TextListTerminate(list, capacity, read);
    }
    if (!PlaceServiceGroup(list, capacity, group, position)) return 0;
    RegSetValueExA(key.get(), "List", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(list),
                   static_cast<DWORD>(TextListSize(list)));
    return 1;
}
