// Folders implied by the setup script: the proposed target folder (DefaultDestDir of
// DestinationDirs, with directory id 24 taken as the program files folder rather than
// the root of the Windows drive), the program files folder itself, and the installed
// path of the copy of setup.exe that a section's CopyFiles make.

#include "destdirs.h"

#include "../base/handles.h"
#include "../base/numbers.h"
#include "../setupapi/inf.h"

#include <cstring>

namespace {

// Appends `text` to the path in a MAX_PATH buffer; 0, with the path unchanged, when it
// would not fit.
int AppendToPath(char* path, const char* text)
{
    const size_t length = std::strlen(path), extra = std::strlen(text);
    if (length + extra >= MAX_PATH) return 0;
    std::memcpy(path + length, text, extra + 1);
    return 1;
}

} // namespace

int GetProgramFilesDir(char* path)
{
    UniqueKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", 0, KEY_READ, key.put())
        != ERROR_SUCCESS)
        return 0;
    char value[MAX_PATH + 1] = {};
    DWORD type = 0, size = MAX_PATH;
    if (RegQueryValueExA(key.get(), "ProgramFilesDir", nullptr, &type, reinterpret_cast<BYTE*>(value), &size)
        != ERROR_SUCCESS)
        return 0;
    value[MAX_PATH - 1] = '\0';
    if (type == REG_EXPAND_SZ) {
        const DWORD needed = ExpandEnvironmentStringsA(value, path, MAX_PATH);
        if (needed == 0 || needed > MAX_PATH) {
            path[0] = '\0';
            return 0;
        }
        return 1;
    }
    if (type != REG_SZ) return 0;
    std::strcpy(path, value);
    return 1;
}

int GetDefaultTargetDir(HINF inf, char* path, char* subfolder)
{
    char idText[MAX_PATH] = "", sub[MAX_PATH] = "";
    INFCONTEXT line;
    if (InfFindLine(inf, "DestinationDirs", "DefaultDestDir", &line)) {
        InfGetField(&line, 1, idText, sizeof idText);
        InfGetField(&line, 2, sub, sizeof sub);
    }

    char programFiles[MAX_PATH];
    if (ParseDecimal(idText) == 24 && GetProgramFilesDir(programFiles)) {
        std::strcpy(path, programFiles);
        const size_t length = std::strlen(path);
        if (length == 0 || path[length - 1] != '\\') AppendToPath(path, "\\");
        // A sub-folder that would not fit leaves the program files folder alone.
        if (sub[0]) AppendToPath(path, sub[0] == '\\' ? sub + 1 : sub);
        const size_t end = std::strlen(path);
        if (end && path[end - 1] == '\\') path[end - 1] = '\0';
    } else {
        InfGetDefaultTargetPath(inf, path, MAX_PATH);
    }

    if (subfolder) std::strcpy(subfolder, sub);
    return 1;
}

int FindInstalledSetupPath(HINF inf, const char* section, char* path)
{
    INFCONTEXT copyFiles;
    if (!InfFindLine(inf, section, "CopyFiles", &copyFiles)) return 0;
    char copySection[256];
    for (DWORD field = 1; InfGetField(&copyFiles, field, copySection, sizeof copySection); ++field) {
        INFCONTEXT line;
        if (!InfFindLine(inf, copySection, nullptr, &line)) continue;
        do {
            char name[256];
            if (!InfGetField(&line, 1, name, sizeof name) || lstrcmpiA(name, "setup.exe") != 0) continue;
            if (InfGetSectionTargetPath(inf, copySection, path, MAX_PATH)) {
                if (AppendToPath(path, "\\setup.exe")) return 1;
                path[0] = '\0';
            }
        } while (InfNextLine(&line));
    }
    return 0;
}
