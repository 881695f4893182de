// Windows services from the script's "<section>.Services" sections, in three passes at
// three moments of a run: StopService lines before the files are committed, AddService
// and DelService lines after the registry entries, StartService lines at the end. All
// of it is for the NT family; on the Windows 95 family the passes do nothing and succeed.
#pragma once

#include <windows.h>
#include <setupapi.h>

int StopSectionServices(HINF inf, const char* section);
int InstallSectionServices(HINF inf, const char* section);
int StartSectionServices(HINF inf, const char* section);

int StopNamedService(const char* name);
int StartNamedService(const char* name);
int DeleteNamedService(const char* name);
int AddOrUpdateService(HINF inf, const char* name, const char* installSection);
int UpdateServiceGroupOrder(HINF inf, const char* installSection);
