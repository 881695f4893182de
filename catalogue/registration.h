// Uninstall registration: one key per installed product (and one main entry for the
// package) under HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall, with the
// command that starts the installed copy of setup.exe with /remove:KEY.
#pragma once

#include <windows.h>
#include <setupapi.h>

#include "uninstallcommand.h"
#include "../base/handles.h"

// The folder the user chose for the installation; kept equal to the target page's edit
// box, recorded as UserTargetDir.
extern char g_TargetDir[MAX_PATH];

// Opens the uninstall entry `name` with `access`; 0 when there is none or the name cannot
// name one (empty, or longer than the 255 characters of a key name).
int OpenUninstallKey(const char* name, REGSAM access, UniqueKey* key);

// Writes the entries of the selected products that have a remove section, then the
// package's main entry; 0 when one that is asked for cannot be written.
int RegisterUninstallEntries(HINF inf, const char* selected);
// Records in each entry of the selected products and in the main entry, where they
// exist, how many KiB the installation copied (EstimatedSize).
void RecordInstalledSize(HINF inf, const char* selected, DWORD kib);
int GetRemovalTitle(HINF inf, const char* selected, char* title, DWORD size, int* image);
int FindRecordedTargetDir(HINF inf, const char* keys, char* folder);
int DeleteUninstallEntries(const char* keys);

// Whether `key` names an entry of this package: a product key of the products section or
// the name on the Uninstall line. A removal deletes no other entry.
int IsPackageEntry(HINF inf, const char* key);

// Deletes the package's main entry (the Uninstall line of the install section); 1 when
// there is none or it was deleted.
int DeleteMainUninstallEntry(HINF inf);
