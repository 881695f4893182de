// Uninstall registration under HKLM\...\Uninstall.
//
// An installation writes a key per selected product that has a remove section, then the
// package's main entry (the Uninstall line of the install section). The keys are
// written before the installation steps run, so they stay when the installation then
// fails. A removal reads the recorded target folder back and deletes the keys.

#include "registration.h"

#include "catalogue.h"
#include "../app/handles.h"
#include "../app/setup.h"
#include "../engine/destdirs.h"
#include "../setupapi/inf.h"
#include "../setupapi/numbers.h"

#include <cstdio>
#include <cstring>

char g_TargetDir[MAX_PATH];

namespace {

const char UninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// The uninstall command, like the paths it is built from, has at most 259 characters.
const unsigned CommandSize = MAX_PATH;

int CreateUninstallKey(const char* name, UniqueKey* key)
{
    char path[sizeof UninstallKey + 256 + 1];
    // An empty name would make "Uninstall\", which opens the Uninstall key itself and
    // would put the entry's values on it.
    if (!*name || std::strlen(name) > 255) return 0;
    std::snprintf(path, sizeof path, "%s\\%s", UninstallKey, name);
    return RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key->put(),
                           nullptr) == ERROR_SUCCESS;
}

void SetText(HKEY key, const char* name, const char* text)
{
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                   static_cast<DWORD>(std::strlen(text) + 1));
}

// Writes DisplayName, UninstallString and, when a folder was chosen, UserTargetDir.
int WriteEntry(const char* name, const char* displayName, const char* command, const char* version)
{
    UniqueKey key;
    if (!CreateUninstallKey(name, &key)) return 0;
    SetText(key.get(), "DisplayName", displayName);
    SetText(key.get(), "UninstallString", command);
    if (version) SetText(key.get(), "ProductVersion", version);
    if (g_TargetDir[0]) SetText(key.get(), "UserTargetDir", g_TargetDir);
    return 1;
}

// Reads UserTargetDir of one uninstall key, whatever its type, into MAX_PATH bytes.
int ReadRecordedFolder(const char* name, char* folder)
{
    char path[sizeof UninstallKey + 256 + 1];
    if (!name || !*name || std::strlen(name) > 255) return 0;
    std::snprintf(path, sizeof path, "%s\\%s", UninstallKey, name);
    UniqueKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, key.put()) != ERROR_SUCCESS) return 0;
    // The value may be binary or lack its zero: read at most MAX_PATH bytes into a
    // buffer with room for a zero behind them, and cut to MAX_PATH - 1 characters.
    char value[MAX_PATH + 1] = {};
    DWORD size = MAX_PATH;
    if (RegQueryValueExA(key.get(), "UserTargetDir", nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size)
        != ERROR_SUCCESS)
        return 0;
    value[MAX_PATH - 1] = '\0';
    std::strcpy(folder, value);
    return 1;
}

} // namespace

int RegisterUninstallEntries(HINF inf, const char* selected)
{
    const char* products = g_Sections.ProductsSection;
    for (const char* key = selected; key && *key; key += std::strlen(key) + 1) {
        char displayName[256], installSection[256], removeSection[256];
        if (!GetInfKeyField(inf, key, products, 1, displayName, sizeof displayName)
            || !GetInfKeyField(inf, key, products, 2, installSection, sizeof installSection)
            || !GetInfKeyField(inf, key, products, 3, removeSection, sizeof removeSection) || !removeSection[0])
            continue;

        char setupPath[MAX_PATH];
        if (!FindInstalledSetupPath(inf, installSection, setupPath)
            && !FindInstalledSetupPath(inf, g_Sections.InstallSection, setupPath))
            return 0;
        // A command too long for the registry's limit is not written cut: the product
        // stays unregistered.
        char command[CommandSize];
        if (!BuildUninstallCommand(setupPath, key, command, sizeof command)) continue;

        char version[256];
        const int hasVersion = GetInfKeyField(inf, key, products, 7, version, sizeof version);
        if (!WriteEntry(key, displayName, command, hasVersion ? version : nullptr)) return 0;
    }

    INFCONTEXT line;
    char name[256];
    if (!InfFindLine(inf, g_Sections.InstallSection, "Uninstall", &line) || !InfGetField(&line, 1, name, sizeof name))
        return 1;
    char displayName[256];
    if (!InfGetField(&line, 2, displayName, sizeof displayName)) std::strcpy(displayName, name);

    char setupPath[MAX_PATH];
    if (!FindInstalledSetupPath(inf, g_Sections.InstallSection, setupPath)) return 0;
    char command[CommandSize];
    if (!BuildUninstallCommand(setupPath, name, command, sizeof command)) return 0;
    return WriteEntry(name, displayName, command, nullptr);
}

int GetRemovalTitle(HINF inf, const char* selected, char* title, DWORD size, int* image)
{
    const char* name = selected && *selected ? selected : "";
    if (*name && GetInfKeyField(inf, name, g_Sections.ProductsSection, 1, title, size)) {
        char number[64];
        *image = GetInfKeyField(inf, name, g_Sections.ProductsSection, 5, number, sizeof number)
                     ? static_cast<int>(ParseDecimal(number))
                     : 0;
        return 1;
    }

    INFCONTEXT line;
    char entry[256];
    if (!InfFindLine(inf, g_Sections.InstallSection, "Uninstall", &line) || !InfGetField(&line, 1, entry, sizeof entry))
        return 0;
    if (*name && lstrcmpiA(entry, name) != 0) return 0;
    if (!InfGetField(&line, 2, title, size)) return 0;
    *image = 0;
    return 1;
}

int FindRecordedTargetDir(HINF inf, const char* keys, char* folder)
{
    for (const char* key = keys; key && *key; key += std::strlen(key) + 1) {
        if (ReadRecordedFolder(key, folder)) return 1;
    }

    INFCONTEXT line;
    if (InfFindLine(inf, g_Sections.ProductsSection, nullptr, &line)) {
        do {
            char key[256];
            if (InfGetField(&line, 0, key, sizeof key) && ReadRecordedFolder(key, folder)) return 1;
        } while (InfNextLine(&line));
    }

    char entry[256];
    return InfGetKeyField(inf, g_Sections.InstallSection, "Uninstall", 1, entry, sizeof entry)
           && ReadRecordedFolder(entry, folder);
}

int DeleteUninstallEntries(const char* keys)
{
    UniqueKey parent;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, UninstallKey, 0, KEY_READ, parent.put()) != ERROR_SUCCESS) return 0;
    for (const char* key = keys; key && *key; key += std::strlen(key) + 1) RegDeleteKeyA(parent.get(), key);
    return 1;
}

int DeleteMainUninstallEntry(HINF inf)
{
    char name[256];
    if (!InfGetKeyField(inf, g_Sections.InstallSection, "Uninstall", 1, name, sizeof name) || !name[0]) return 1;
    char keys[258] = {};
    std::memcpy(keys, name, std::strlen(name));
    return DeleteUninstallEntries(keys);
}
