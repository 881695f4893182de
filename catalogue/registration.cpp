// Uninstall registration under HKLM\...\Uninstall.
//
// An installation writes a key per selected product that has a remove section, then the
// package's main entry (the Uninstall line of the install section). The keys are
// written before the installation steps run, so they stay when the installation then
// fails. A removal reads the recorded target folder back and deletes the keys once its
// steps have succeeded, and only keys that the script names.

#include "registration.h"

#include "catalogue.h"
#include "destdirs.h"
#include "../base/handles.h"
#include "../base/session.h"
#include "../setupapi/inf.h"

#include <cstdio>
#include <cstring>

char g_TargetDir[MAX_PATH];

namespace {

const char UninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// The longest name of an entry: the registry's limit for the name of a key.
const size_t MaxEntryNameLength = 255;

// The path of entry `name` below HKEY_LOCAL_MACHINE.
struct EntryPath {
    char Text[sizeof UninstallKey + 1 + MaxEntryNameLength];
};

// 0 when `name` cannot name an entry: when it is missing, too long, or empty (an empty
// name would make "Uninstall\", which is the Uninstall key itself and would put the
// entry's values on it).
int FormatEntryPath(const char* name, EntryPath* path)
{
    if (!name || !*name || std::strlen(name) > MaxEntryNameLength) return 0;
    std::snprintf(path->Text, sizeof path->Text, "%s\\%s", UninstallKey, name);
    return 1;
}

// The uninstall command, like the paths it is built from, has at most 259 characters.
const unsigned CommandSize = MAX_PATH;

int CreateUninstallKey(const char* name, UniqueKey* key)
{
    EntryPath path;
    if (!FormatEntryPath(name, &path)) return 0;
    return RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.Text, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key->put(),
                           nullptr) == ERROR_SUCCESS;
}

void SetText(HKEY key, const char* name, const char* text)
{
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                   static_cast<DWORD>(std::strlen(text) + 1));
}

void SetNumber(HKEY key, const char* name, DWORD number)
{
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
}

// What an entry says beyond its name and command, for the list of installed software and
// for deployment tools, which find a product by its entry and remove it through it.
struct EntryFacts {
    const char* Version;    // the product's version; null: none
    const char* Publisher;  // the package's publisher; empty: none
    const char* Icon;       // "path,index"
};

// The icon an entry shows: the product's own when its install section names one with
// DisplayIcon (a path below the target folder, or a full path, and an image index),
// else the installed setup.exe's first. A path of the product's that does not fit is
// not written cut: the entry then shows setup.exe's icon.
void FormatEntryIcon(HINF inf, const char* installSection, const char* setupPath, char* icon, size_t size)
{
    INFCONTEXT line;
    char path[MAX_PATH];
    long index = 0;
    if (installSection && InfFindLine(inf, installSection, "DisplayIcon", &line)
        && InfGetField(&line, 1, path, sizeof path) && path[0]) {
        InfGetDecimalField(&line, 2, &index);
        const bool full = path[0] == '\\' || (path[0] && path[1] == ':');
        const size_t folder = std::strlen(g_TargetDir);
        const char* separator = folder && g_TargetDir[folder - 1] != '\\' ? "\\" : "";
        const int length = full || !folder ? std::snprintf(icon, size, "%s,%ld", path, index)
                                           : std::snprintf(icon, size, "%s%s%s,%ld", g_TargetDir, separator, path, index);
        if (length >= 0 && static_cast<size_t>(length) < size) return;
    }
    std::snprintf(icon, size, "%s,0", setupPath);
}

// Writes DisplayName, UninstallString and the facts of the entry, and, when a folder was
// chosen, UserTargetDir and InstallLocation.
int WriteEntry(const char* name, const char* displayName, const char* command, const EntryFacts& facts)
{
    UniqueKey key;
    if (!CreateUninstallKey(name, &key)) return 0;
    SetText(key.get(), "DisplayName", displayName);
    SetText(key.get(), "UninstallString", command);
    if (facts.Version) {
        SetText(key.get(), "ProductVersion", facts.Version);
        SetText(key.get(), "DisplayVersion", facts.Version);
    }
    if (g_TargetDir[0]) {
        SetText(key.get(), "UserTargetDir", g_TargetDir);
        SetText(key.get(), "InstallLocation", g_TargetDir);
    }
    char quiet[CommandSize + 8];
    std::snprintf(quiet, sizeof quiet, "%s /quiet", command);
    SetText(key.get(), "QuietUninstallString", quiet);
    if (facts.Publisher[0]) SetText(key.get(), "Publisher", facts.Publisher);
    SetText(key.get(), "DisplayIcon", facts.Icon);
    SYSTEMTIME today;
    GetLocalTime(&today);
    char date[16];
    std::snprintf(date, sizeof date, "%04u%02u%02u", today.wYear, today.wMonth, today.wDay);
    SetText(key.get(), "InstallDate", date);
    // The program changes and repairs nothing: it installs and removes.
    SetNumber(key.get(), "NoModify", 1);
    SetNumber(key.get(), "NoRepair", 1);
    return 1;
}

// The package's publisher: the Publisher line of the main install section; empty when
// there is none.
void ReadPublisher(HINF inf, char* publisher, DWORD size)
{
    if (!InfGetKeyField(inf, g_Sections.InstallSection, "Publisher", 1, publisher, size)) publisher[0] = '\0';
}

void SetEntrySize(const char* name, DWORD kib)
{
    UniqueKey key;
    if (OpenUninstallKey(name, KEY_SET_VALUE, &key)) SetNumber(key.get(), "EstimatedSize", kib);
}

// Reads UserTargetDir of one uninstall key, whatever its type, into MAX_PATH bytes.
int ReadRecordedFolder(const char* name, char* folder)
{
    UniqueKey key;
    if (!OpenUninstallKey(name, KEY_READ, &key)) return 0;
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

int OpenUninstallKey(const char* name, REGSAM access, UniqueKey* key)
{
    EntryPath path;
    return FormatEntryPath(name, &path)
           && RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.Text, 0, access, key->put()) == ERROR_SUCCESS;
}

int RegisterUninstallEntries(HINF inf, const char* selected)
{
    const char* products = g_Sections.ProductsSection;
    char publisher[256];
    ReadPublisher(inf, publisher, sizeof publisher);
    for (const char* key = selected; key && *key; key += std::strlen(key) + 1) {
        char displayName[ProductDisplayNameSize], installSection[ProductSectionSize], removeSection[ProductSectionSize];
        if (!InfGetKeyField(inf, products, key, ProductFieldDisplayName, displayName, sizeof displayName)
            || !InfGetKeyField(inf, products, key, ProductFieldInstallSection, installSection, sizeof installSection)
            || !InfGetKeyField(inf, products, key, ProductFieldRemoveSection, removeSection, sizeof removeSection)
            || !removeSection[0])
            continue;

        char setupPath[MAX_PATH];
        if (!FindInstalledSetupPath(inf, installSection, setupPath)
            && !FindInstalledSetupPath(inf, g_Sections.InstallSection, setupPath))
            return 0;
        // A command too long for the registry's limit is not written cut: the product
        // stays unregistered.
        char command[CommandSize];
        if (!BuildUninstallCommand(setupPath, key, command, sizeof command)) continue;

        char version[256], icon[MAX_PATH + 16];
        const int hasVersion = InfGetKeyField(inf, products, key, ProductFieldVersion, version, sizeof version);
        FormatEntryIcon(inf, installSection, setupPath, icon, sizeof icon);
        if (!WriteEntry(key, displayName, command, {hasVersion ? version : nullptr, publisher, icon})) return 0;
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
    char icon[MAX_PATH + 16];
    FormatEntryIcon(inf, nullptr, setupPath, icon, sizeof icon);
    return WriteEntry(name, displayName, command, {nullptr, publisher, icon});
}

void RecordInstalledSize(HINF inf, const char* selected, DWORD kib)
{
    for (const char* key = selected; key && *key; key += std::strlen(key) + 1) SetEntrySize(key, kib);
    char name[256];
    if (InfGetKeyField(inf, g_Sections.InstallSection, "Uninstall", 1, name, sizeof name) && name[0])
        SetEntrySize(name, kib);
}

int GetRemovalTitle(HINF inf, const char* selected, char* title, DWORD size, int* image)
{
    const char* name = selected && *selected ? selected : "";
    INFCONTEXT line;
    if (*name && InfGetKeyField(inf, g_Sections.ProductsSection, name, ProductFieldDisplayName, title, size)) {
        // The image number is read from at most 63 characters.
        long number = 0;
        if (InfFindLine(inf, g_Sections.ProductsSection, name, &line))
            InfGetDecimalField(&line, ProductFieldImage, 64, &number);
        *image = static_cast<int>(number);
        return 1;
    }

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

int IsPackageEntry(HINF inf, const char* key)
{
    INFCONTEXT line;
    if (!key || !*key) return 0;
    if (InfFindLine(inf, g_Sections.ProductsSection, key, &line)) return 1;
    char entry[256];
    return InfGetKeyField(inf, g_Sections.InstallSection, "Uninstall", 1, entry, sizeof entry)
           && lstrcmpiA(entry, key) == 0;
}

int DeleteMainUninstallEntry(HINF inf)
{
    char name[256];
    if (!InfGetKeyField(inf, g_Sections.InstallSection, "Uninstall", 1, name, sizeof name) || !name[0]) return 1;
    char keys[258] = {};
    std::memcpy(keys, name, std::strlen(name));
    return DeleteUninstallEntries(keys);
}
