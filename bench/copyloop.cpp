// The physical floor: the medium's files copied one by one with CopyFileA, and its
// registry values written with RegSetValueExA, from the list that the medium
// generator wrote beside the files.
//
//   copyloop.exe MANIFEST SOURCE-FOLDER TARGET-FOLDER
//
// Manifest lines: "F sub\name" for a file, "K subkey" for the registry key below
// HKLM, "V name text" for a string value in it. Exit code 0 when everything arrived.

#include "../base/handles.h"

#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: copyloop.exe MANIFEST SOURCE-FOLDER TARGET-FOLDER\n");
        return 2;
    }
    FILE* manifest = std::fopen(argv[1], "rb");
    if (!manifest) return 2;
    const std::string source = argv[2], target = argv[3];
    CreateDirectoryA(target.c_str(), nullptr);

    std::string lastFolder;
    UniqueKey key;
    int failures = 0;
    char line[4096];
    while (std::fgets(line, sizeof line, manifest)) {
        line[std::strcspn(line, "\r\n")] = '\0';
        const char* rest = line + 2;
        if (line[0] == 'F') {
            const char* slash = std::strrchr(rest, '\\');
            if (slash) {
                const std::string folder(rest, slash);
                if (folder != lastFolder) {
                    CreateDirectoryA((target + "\\" + folder).c_str(), nullptr);
                    lastFolder = folder;
                }
            }
            if (!CopyFileA((source + "\\" + rest).c_str(), (target + "\\" + rest).c_str(), FALSE)) ++failures;
        } else if (line[0] == 'K') {
            if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, rest, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(), nullptr)
                != ERROR_SUCCESS)
                ++failures;
        } else if (line[0] == 'V' && key) {
            const char* blank = std::strchr(rest, ' ');
            if (!blank) continue;
            const std::string name(rest, blank);
            if (RegSetValueExA(key.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(blank + 1),
                               static_cast<DWORD>(std::strlen(blank + 1) + 1)) != ERROR_SUCCESS)
                ++failures;
        }
    }
    std::fclose(manifest);
    return failures ? 1 : 0;
}
