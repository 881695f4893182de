#include "inf.h"

#include "../base/handles.h"
#include "../base/numbers.h"
#include "../base/platform.h"

#include <cstring>

HINF InfOpen(const char* path, UINT* errorLine)
{
    UINT line = 0;
    HINF inf = SetupOpenInfFileA(path, nullptr, INF_STYLE_WIN4, &line);
    if (errorLine) *errorLine = inf == INVALID_HANDLE_VALUE ? line : 0;
    return inf;
}

int InfFindLine(HINF inf, const char* section, const char* key, INFCONTEXT* line)
{
    return SetupFindFirstLineA(inf, section, key, line) ? 1 : 0;
}

int InfNextLine(INFCONTEXT* line)
{
    return SetupFindNextLine(line, line) ? 1 : 0;
}

int InfFindNextMatch(const INFCONTEXT* after, const char* key, INFCONTEXT* line)
{
    INFCONTEXT copy = *after;
    return key && SetupFindNextMatchLineA(&copy, key, line) ? 1 : 0;
}

DWORD InfLineCount(HINF inf, const char* section)
{
    const LONG count = SetupGetLineCountA(inf, section);
    return count > 0 ? static_cast<DWORD>(count) : 0;
}

// The Setup API of the Windows 95 family may lack the wide functions, and a missing
// import ends the program; there it holds and compares keys as ANSI text anyway, so the
// ANSI key, widened, is the text it compares with.
int InfGetWideKey(const INFCONTEXT* line, WCHAR* buffer, DWORD size)
{
    if (!buffer || !size) return 0;
    INFCONTEXT copy = *line;
    int read = 0;
    if (IsWindows95Family()) {
        char key[512];
        read = SetupGetStringFieldA(&copy, 0, key, sizeof key, nullptr)
               && MultiByteToWideChar(CP_ACP, 0, key, -1, buffer, static_cast<int>(size)) > 0;
    } else {
        read = SetupGetStringFieldW(&copy, 0, buffer, size, nullptr);
    }
    if (!read || !buffer[0]) {
        buffer[0] = L'\0';
        return 0;
    }
    return 1;
}

int InfSectionExists(HINF inf, const char* section)
{
    INFCONTEXT line;
    return InfFindLine(inf, section, nullptr, &line);
}

int InfGetField(const INFCONTEXT* line, DWORD index, char* buffer, DWORD size)
{
    if (!buffer || !size) return 0;
    INFCONTEXT copy = *line;
    if (!SetupGetStringFieldA(&copy, index, buffer, size, nullptr)) {
        buffer[0] = '\0';
        return 0;
    }
    return 1;
}

int InfGetDecimalField(const INFCONTEXT* line, DWORD index, long* value)
{
    return InfGetDecimalField(line, index, 256, value);
}

int InfGetDecimalField(const INFCONTEXT* line, DWORD index, DWORD size, long* value)
{
    char text[256];
    if (size > sizeof text) size = sizeof text;
    if (!InfGetField(line, index, text, size)) return 0;
    *value = ParseDecimal(text);
    return 1;
}

int InfGetIntegerField(const INFCONTEXT* line, DWORD index, DWORD size, long* value)
{
    char text[256];
    if (size > sizeof text) size = sizeof text;
    if (!InfGetField(line, index, text, size)) return 0;
    *value = ParseInteger(text);
    return 1;
}

int InfGetKeyField(HINF inf, const char* section, const char* key, DWORD index,
                   char* buffer, DWORD size)
{
    INFCONTEXT line;
    if (!InfFindLine(inf, section, key, &line)) {
        if (buffer && size) buffer[0] = '\0';
        return 0;
    }
    return InfGetField(&line, index, buffer, size);
}

int InfGetSectionTargetPath(HINF inf, const char* section, char* path, DWORD size)
{
    if (!path || !size) return 0;
    if (!SetupGetTargetPathA(inf, nullptr, section, path, size, nullptr)) {
        path[0] = '\0';
        return 0;
    }
    CollapseDoubledBackslashes(path);
    return 1;
}

int InfGetDefaultTargetPath(HINF inf, char* path, DWORD size)
{
    return InfGetSectionTargetPath(inf, "DefaultDestDir", path, size);
}

DWORD InfFieldCount(const INFCONTEXT* line)
{
    INFCONTEXT copy = *line;
    return SetupGetFieldCount(&copy);
}

int InfGetSetupIntField(const INFCONTEXT* line, DWORD index, int* value)
{
    INFCONTEXT copy = *line;
    INT number = 0;
    if (!SetupGetIntField(&copy, index, &number)) return 0;
    *value = number;
    return 1;
}

char* InfGetMultiSzFields(const INFCONTEXT* line, DWORD index, DWORD* size)
{
    INFCONTEXT copy = *line;
    DWORD required = 0;
    if (!SetupGetMultiSzFieldA(&copy, index, nullptr, 0, &required) || required == 0) return nullptr;
    // One spare zero at the end, whatever the Setup API counts.
    char* block = static_cast<char*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, required + 2));
    if (!block) return nullptr;
    if (!SetupGetMultiSzFieldA(&copy, index, block, required, nullptr)) {
        HeapFree(GetProcessHeap(), 0, block);
        return nullptr;
    }
    if (size) *size = required + 2;
    return block;
}

namespace {

// The predefined key that the first field of a registry line names; null for HKR (a
// key relative to a root that the program never passes) and anything unknown.
HKEY RegistryRoot(const char* name)
{
    if (lstrcmpiA(name, "HKLM") == 0) return HKEY_LOCAL_MACHINE;
    if (lstrcmpiA(name, "HKCU") == 0) return HKEY_CURRENT_USER;
    if (lstrcmpiA(name, "HKCR") == 0) return HKEY_CLASSES_ROOT;
    if (lstrcmpiA(name, "HKU") == 0) return HKEY_USERS;
    return nullptr;
}

// Every key that the lines of the registry section `section` add values to can be
// written, and every key they add is there. On failure the last error says why. Lines
// that follow one another with the same key and access are checked once: a section
// writing many values of one key would otherwise open it once per value.
int RegistrySectionWritten(HINF inf, const char* section)
{
    INFCONTEXT line;
    if (!InfFindLine(inf, section, nullptr, &line)) return 1;
    HKEY checkedRoot = nullptr;
    REGSAM checkedAccess = 0;
    char checkedPath[MAX_PATH] = "";
    do {
        char rootName[16], path[MAX_PATH];
        if (!InfGetField(&line, 1, rootName, sizeof rootName)) continue;
        if (!InfGetField(&line, 2, path, sizeof path) || !path[0]) continue;
        const HKEY root = RegistryRoot(rootName);
        if (!root) continue;
        int flags = 0;
        if (!InfGetSetupIntField(&line, 4, &flags)) flags = 0;
        // Deletions, and values written only where the key already is, need nothing.
        if (flags & (FLG_ADDREG_DELVAL | FLG_ADDREG_OVERWRITEONLY | FLG_ADDREG_DELREG_BIT)) continue;
        const REGSAM access = (flags & FLG_ADDREG_KEYONLY) ? KEY_QUERY_VALUE : KEY_SET_VALUE;
        if (root == checkedRoot && access == checkedAccess && std::strcmp(path, checkedPath) == 0) continue;
        UniqueKey key;
        const LONG status = RegOpenKeyExA(root, path, 0, access, key.put());
        if (status != ERROR_SUCCESS) {
            SetLastError(static_cast<DWORD>(status));
            return 0;
        }
        checkedRoot = root;
        checkedAccess = access;
        std::memcpy(checkedPath, path, sizeof checkedPath);
    } while (InfNextLine(&line));
    return 1;
}

} // namespace

int InfInstallEntries(HWND owner, HINF inf, const char* section, UINT flags)
{
    if (!SetupInstallFromInfSectionA(owner, inf, section, flags, nullptr, nullptr, 0, nullptr, nullptr, nullptr,
                                     nullptr))
        return 0;
    if (!(flags & SPINST_REGISTRY)) return 1;
    INFCONTEXT line;
    if (!InfFindLine(inf, section, "AddReg", &line)) return 1;
    do {
        char name[256];
        if (!InfGetField(&line, 0, name, sizeof name) || lstrcmpiA(name, "AddReg") != 0) continue;
        for (DWORD field = 1; InfGetField(&line, field, name, sizeof name); ++field)
            if (name[0] && !RegistrySectionWritten(inf, name)) return 0;
    } while (InfNextLine(&line));
    return 1;
}
