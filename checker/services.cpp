// Services sections: for every section S that a run processes, setup.exe reads the
// section "S.Services" (on the NT family) in three passes: StopService lines before the
// files are copied, AddService and DelService lines after the registry entries,
// StartService lines at the end. A line with any other key is ignored by all three.
//
// An AddService line names a service-install section (field 3) whose keys configure
// the service; without that section, or without what creating a service needs, adding
// fails and the installation stops there.

#include "checker.h"

#include "../setupapi/inf.h"

#include <cstdio>

namespace {

const char* const ServicesKeys[] = {"StopService", "StartService", "AddService", "DelService"};

const char* const ServiceInstallKeys[] = {"DisplayName",    "ServiceType",  "StartType",
                                          "ErrorControl",   "ServiceBinary", "LoadOrderGroup",
                                          "Dependencies",   "StartName",    "ServiceGroupOrder"};

template <size_t Count>
bool IsOneOf(const char* key, const char* const (&keys)[Count])
{
    for (const char* known : keys) {
        if (lstrcmpiA(key, known) == 0) return true;
    }
    return false;
}

// What creating a new service needs from its service-install section.
void CheckCreationKeys(Checker* checker, const char* installSection, const char* service)
{
    HINF inf = checker->inf;
    INFCONTEXT line;
    if (!InfFindLine(inf, installSection, "ServiceBinary", &line))
        Print(checker, SeverityError, installSection, nullptr,
              "no ServiceBinary: service %s cannot be created where it does not exist yet, and the installation stops",
              service);
    int type = 0;
    if (!InfFindLine(inf, installSection, "ServiceType", &line)) {
        Print(checker, SeverityError, installSection, nullptr,
              "no ServiceType: service %s cannot be created where it does not exist yet, and the installation stops",
              service);
    } else if (!InfGetSetupIntField(&line, 1, &type) || type == 0) {
        Print(checker, SeverityError, installSection, &line,
              "ServiceType is not a service type: service %s cannot be created where it does not exist yet, and the "
              "installation stops",
              service);
    }
    char group[256];
    if (InfFindLine(inf, installSection, "ServiceGroupOrder", &line)
        && (!InfGetField(&line, 1, group, sizeof group) || !group[0]))
        Print(checker, SeverityWarning, installSection, &line,
              "ServiceGroupOrder names no group: the service group order is left alone");
}

void CheckServiceInstallSection(Checker* checker, const char* installSection, const char* service)
{
    INFCONTEXT line;
    if (!InfFindLine(checker->inf, installSection, nullptr, &line)) return;
    do {
        char key[256];
        if (!InfGetField(&line, 0, key, sizeof key))
            Print(checker, SeverityWarning, installSection, &line, "line without a key: setup.exe ignores it");
        else if (!IsOneOf(key, ServiceInstallKeys))
            Print(checker, SeverityWarning, installSection, &line,
                  "%s is not a key of a service-install section: setup.exe ignores the line", key);
    } while (InfNextLine(&line));
    CheckCreationKeys(checker, installSection, service);
}

void CheckAddService(Checker* checker, const char* section, const INFCONTEXT* line, const char* service)
{
    char installSection[256];
    if (!InfGetField(line, 3, installSection, sizeof installSection) || !installSection[0]) {
        Print(checker, SeverityError, section, line,
              "AddService for %s names no service-install section (field 3): adding the service fails and the "
              "installation stops",
              service);
    } else if (!InfSectionExists(checker->inf, installSection)) {
        Print(checker, SeverityError, section, line,
              "the service-install section [%s] of service %s is missing or empty: adding the service fails and the "
              "installation stops",
              installSection, service);
    } else {
        CheckServiceInstallSection(checker, installSection, service);
    }
}

void CheckServicesLine(Checker* checker, const char* section, const INFCONTEXT* line)
{
    char key[256], service[256];
    if (!InfGetField(line, 0, key, sizeof key)) {
        Print(checker, SeverityWarning, section, line, "line without a key: setup.exe ignores it");
        return;
    }
    if (!IsOneOf(key, ServicesKeys)) {
        Print(checker, SeverityWarning, section, line,
              "unknown key %s: setup.exe ignores the line (the keys are StopService, StartService, AddService and "
              "DelService)",
              key);
        return;
    }
    if (!InfGetField(line, 1, service, sizeof service) || !service[0]) {
        Print(checker, SeverityWarning, section, line, "%s names no service (field 1): setup.exe skips the line", key);
        return;
    }
    if (lstrcmpiA(key, "AddService") == 0) CheckAddService(checker, section, line, service);
}

} // namespace

void CheckServices(Checker* checker)
{
    for (int i = 0; i < checker->sections.count; ++i) {
        char servicesSection[256];
        const int length =
            std::snprintf(servicesSection, sizeof servicesSection, "%s.Services", checker->sections.entries[i].name);
        if (length < 0 || length >= static_cast<int>(sizeof servicesSection)) continue;
        INFCONTEXT line;
        if (!InfFindLine(checker->inf, servicesSection, nullptr, &line)) continue;
        do CheckServicesLine(checker, servicesSection, &line);
        while (InfNextLine(&line));
    }
}
