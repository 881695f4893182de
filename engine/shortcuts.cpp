// Shortcuts: folder codes resolved through the Explorer's "Shell Folders" values, links
// written through the shell link object, emptied sub-folders removed on deletion up to
// (never including) the shell folder itself. COM is initialised around each shortcut.

#include "shortcuts.h"

#include "../base/handles.h"
#include "../base/log.h"
#include "../setupapi/inf.h"

#include <shlobj.h>
#include <shellapi.h>

#include <cstdio>
#include <cstring>

namespace {

const char ShellFoldersKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

struct FolderCode {
    const char* code;
    bool allUsers;
    const char* value;     // read first: under HKLM for all users, else under HKCU
    const char* fallback;  // under HKCU, for all-users codes only
};

const FolderCode FolderCodes[] = {
    {"CDSK", true, "Common Desktop", "Desktop"},
    {"CPRG", true, "Common Programs", "Programs"},
    {"CSTM", true, "Common Start Menu", "Start Menu"},
    {"CSTU", true, "Common Startup", "Startup"},
    {"UDSK", false, "Desktop", nullptr},
    {"UPRG", false, "Programs", nullptr},
    {"USTM", false, "Start Menu", nullptr},
    {"USTU", false, "Startup", nullptr},
};

// A folder value: REG_SZ copied, REG_EXPAND_SZ expanded; any other type, or a value
// that cannot be read, gives 0.
int ReadFolderValue(HKEY key, const char* name, char* path)
{
    char value[257] = {};
    DWORD type = 0, size = 256;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) != ERROR_SUCCESS)
        return 0;
    value[256] = '\0';
    if (type == REG_SZ) {
        lstrcpynA(path, value, MAX_PATH);
        return 1;
    }
    if (type == REG_EXPAND_SZ) {
        const DWORD needed = ExpandEnvironmentStringsA(value, path, MAX_PATH);
        return needed != 0 && needed <= MAX_PATH;
    }
    return 0;
}

// "<folder>\<link name>.lnk"; 0 when it would not fit MAX_PATH.
int MakeLinkPath(const char* folder, const char* linkName, char* path)
{
    const int length = std::snprintf(path, MAX_PATH, "%s\\%s.lnk", folder, linkName);
    return length > 0 && length < MAX_PATH;
}

template <typename Function>
void ForEachLineOfNamedSections(HINF inf, const char* section, const char* key, Function function)
{
    INFCONTEXT names;
    if (!InfFindLine(inf, section, key, &names)) return;
    char named[256];
    for (DWORD field = 1; InfGetField(&names, field, named, sizeof named); ++field) {
        INFCONTEXT line;
        if (!InfFindLine(inf, named, nullptr, &line)) continue;
        do function(&line);
        while (InfNextLine(&line));
    }
}

} // namespace

int ResolveShellFolder(const char* code, char* path)
{
    const FolderCode* folder = nullptr;
    for (const FolderCode& candidate : FolderCodes) {
        if (lstrcmpiA(candidate.code, code) == 0) folder = &candidate;
    }
    UniqueKey user, machine;
    RegOpenKeyExA(HKEY_CURRENT_USER, ShellFoldersKey, 0, KEY_READ, user.put());
    RegOpenKeyExA(HKEY_LOCAL_MACHINE, ShellFoldersKey, 0, KEY_READ, machine.put());
    if ((!user && !machine) || !folder) return 0;

    if (!folder->allUsers) return user && ReadFolderValue(user.get(), folder->value, path);
    if (machine && ReadFolderValue(machine.get(), folder->value, path)) return 1;
    return user && ReadFolderValue(user.get(), folder->fallback, path);
}

int CreateShortcut(const char* code, const char* linkName, const char* target, const char* arguments,
                   const char* iconFile, int iconIndex, int openFolder)
{
    char workingDirectory[MAX_PATH];
    lstrcpynA(workingDirectory, target, sizeof workingDirectory);
    char* slash = std::strrchr(workingDirectory, '\\');
    if (slash) *slash = '\0';

    ComApartment com;
    ComPointer<IShellLinkA> link;
    const HRESULT created =
        CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.put());
    if (FAILED(created)) {
        LogError("The shell link object is not available", static_cast<DWORD>(created));
        return 0;
    }
    link->SetPath(target);
    link->SetWorkingDirectory(workingDirectory);
    link->SetArguments(arguments);
    link->SetIconLocation(iconFile, iconIndex);

    int saved = 0;
    ComPointer<IPersistFile> file;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, file.put()))) {
        char folder[MAX_PATH], path[MAX_PATH];
        if (ResolveShellFolder(code, folder) && MakeLinkPath(folder, linkName, path)) {
            // Sub-folders of the link name; the shell folder itself is not made.
            const size_t start = std::strlen(folder) + 1;
            for (char* p = path + start; *p; ++p) {
                if (*p != '\\') continue;
                *p = '\0';
                CreateDirectoryA(path, nullptr);
                *p = '\\';
            }
            WCHAR widePath[MAX_PATH];
            if (MultiByteToWideChar(CP_ACP, 0, path, -1, widePath, MAX_PATH))
                saved = SUCCEEDED(file->Save(widePath, TRUE));
            LogLine("Shortcut %s to %s: %s", path, target, saved ? "made" : "could not be saved");
            if (openFolder) {
                *std::strrchr(path, '\\') = '\0';
                ShellExecuteA(nullptr, nullptr, path, nullptr, nullptr, SW_SHOWNA);
            }
        } else {
            LogLine("Shortcut %s in folder %s not made: the folder is unknown or the path too long", linkName, code);
        }
    }
    return saved;
}

int DeleteShortcut(const char* code, const char* linkName)
{
    char folder[MAX_PATH], path[MAX_PATH];
    if (!ResolveShellFolder(code, folder) || !MakeLinkPath(folder, linkName, path)) return 1;
    const BOOL deleted = DeleteFileA(path);
    LogLine("Shortcut %s: %s", path, deleted ? "removed" : "not there");
    // Remove the folders of the link name that are now empty, innermost first.
    const size_t shellFolder = std::strlen(folder);
    for (;;) {
        char* slash = std::strrchr(path, '\\');
        if (!slash) break;
        *slash = '\0';
        if (std::strlen(path) <= shellFolder || !RemoveDirectoryA(path)) break;
    }
    return 1;
}

int UpdateSectionShortcuts(HINF inf, const char* section)
{
    ForEachLineOfNamedSections(inf, section, "MakeIcons", [](INFCONTEXT* line) {
        char code[16], name[256], target[256], arguments[256], icon[256];
        if (!InfGetField(line, 1, code, sizeof code) || !InfGetField(line, 2, name, sizeof name)
            || !InfGetField(line, 3, target, sizeof target))
            return;
        InfGetField(line, 4, arguments, sizeof arguments);
        InfGetField(line, 5, icon, sizeof icon);
        long iconIndex = 0, openFolder = 0;
        InfGetDecimalField(line, 6, &iconIndex);
        InfGetDecimalField(line, 7, &openFolder);
        CreateShortcut(code, name, target, arguments, icon, static_cast<int>(iconIndex), static_cast<int>(openFolder));
    });
    ForEachLineOfNamedSections(inf, section, "DelIcons", [](INFCONTEXT* line) {
        char code[16], name[256];
        if (InfGetField(line, 1, code, sizeof code) && InfGetField(line, 2, name, sizeof name))
            DeleteShortcut(code, name);
    });
    return 1;
}
