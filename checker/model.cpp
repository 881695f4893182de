// What the checks work on: the opened script, the sections each Windows family would
// choose, and the set of sections that an installation or a removal can process.
//
// Order: OpenScript, ChooseFamilySections, SetProposedTargetFolder (directory id 32768
// stands for the folder an unattended installation would propose, so that paths built
// on it resolve as they would during a run), then CollectRunSections.

#include "checker.h"

#include "../catalogue/destdirs.h"
#include "../setupapi/inf.h"

#include <cstdio>
#include <cstring>

namespace {

// The version facts of each family, as GetVersionExA reports them there.
const struct {
    const char* name;
    DWORD platformId;
    DWORD major;
    DWORD minor;
} FamilyFacts[FamilyCount] = {
    {"Windows 95", VER_PLATFORM_WIN32_WINDOWS, 4, 0},
    {"Windows 98", VER_PLATFORM_WIN32_WINDOWS, 4, 10},
    {"Windows Me", VER_PLATFORM_WIN32_WINDOWS, 4, 90},
    {"Windows NT 4", VER_PLATFORM_WIN32_NT, 4, 0},
    {"Windows NT 5 and later", VER_PLATFORM_WIN32_NT, 5, 0},
};

// The wording of setup.exe's own message for a script it cannot open (string 1315 in
// English), so that an author recognises it.
const char OpenErrorFormat[] = "There is an error in file %s, line %d. Installation can not continue.";

void AddSection(Checker* checker, const char* name, unsigned roles)
{
    if (!name || !name[0]) return;
    SectionSet& set = checker->sections;
    for (int i = 0; i < set.count; ++i) {
        // Section names are compared without regard to case, as the Setup API does.
        if (lstrcmpiA(set.entries[i].name, name) == 0) {
            set.entries[i].roles |= roles;
            return;
        }
    }
    if (set.count >= MaxSections || std::strlen(name) >= sizeof set.entries[0].name) {
        set.overflow = 1;
        return;
    }
    std::strcpy(set.entries[set.count].name, name);
    set.entries[set.count].roles = roles;
    ++set.count;
}

void AddProductSections(Checker* checker, const char* productsSection)
{
    INFCONTEXT line;
    if (!InfFindLine(checker->inf, productsSection, nullptr, &line)) return;
    do {
        char section[256];
        if (InfGetField(&line, 2, section, sizeof section)) AddSection(checker, section, RoleInstall | RoleProductInstall);
        if (InfGetField(&line, 3, section, sizeof section)) AddSection(checker, section, RoleRemove);
    } while (InfNextLine(&line));
}

// "[Name]", or "[Name] (missing)" for a section without lines, into `text`.
void DescribeSection(HINF inf, const char* name, char* text, size_t size)
{
    std::snprintf(text, size, "[%s]%s", name, InfSectionExists(inf, name) ? "" : " (missing)");
}

// True when `section` has CopyFiles keys naming, directly ("@name") or through a copy
// section, a file installed under `fileName`.
int SectionInstallsFile(HINF inf, const char* section, const char* fileName)
{
    INFCONTEXT copyFiles;
    if (!InfFindLine(inf, section, "CopyFiles", &copyFiles)) return 0;
    do {
        char named[256];
        for (DWORD field = 1; InfGetField(&copyFiles, field, named, sizeof named); ++field) {
            if (named[0] == '@') {
                if (lstrcmpiA(FileNamePart(named + 1), fileName) == 0) return 1;
                continue;
            }
            INFCONTEXT line;
            if (!InfFindLine(inf, named, nullptr, &line)) continue;
            do {
                char destination[MAX_PATH];
                if (InfGetField(&line, 1, destination, sizeof destination) && lstrcmpiA(destination, fileName) == 0)
                    return 1;
            } while (InfNextLine(&line));
        }
    } while (FindNextKeyLine(&copyFiles, "CopyFiles"));
    return 0;
}

} // namespace

int OpenScript(Checker* checker, const char* folder)
{
    char full[MAX_PATH];
    const DWORD length = GetFullPathNameA(folder && folder[0] ? folder : ".", sizeof full, full, nullptr);
    if (length == 0 || length >= sizeof full - 1) {
        Print(checker, SeverityError, nullptr, nullptr, "the folder name %s cannot be used", folder ? folder : ".");
        return 0;
    }
    if (full[length - 1] != '\\') std::strcat(full, "\\");
    std::strcpy(checker->medium, full);
    std::snprintf(checker->scriptPath, sizeof checker->scriptPath, "%ssetup.inf", checker->medium);

    UINT errorLine = 0;
    checker->inf = InfOpen(checker->scriptPath, &errorLine);
    if (checker->inf != INVALID_HANDLE_VALUE) return 1;
    Print(checker, SeverityError, nullptr, nullptr, OpenErrorFormat, checker->scriptPath, static_cast<int>(errorLine));
    return 0;
}

void ChooseFamilySections(Checker* checker)
{
    for (int i = 0; i < FamilyCount; ++i) {
        Family& family = checker->families[i];
        family.name = FamilyFacts[i].name;
        family.platformId = FamilyFacts[i].platformId;
        family.major = FamilyFacts[i].major;
        family.minor = FamilyFacts[i].minor;
        ChoosePlatformSections(checker->inf, family.platformId, family.major, family.minor, &family.sections);
    }
}

void SetProposedTargetFolder(Checker* checker)
{
    char folder[MAX_PATH] = "";
    GetDefaultTargetDir(checker->inf, folder, nullptr);
    if (folder[0] && SetupSetDirectoryIdA(checker->inf, DIRID_USER, folder))
        Print(checker, SeverityInfo, nullptr, nullptr,
              "directory id 32768 stands for %s, the folder an unattended installation would propose", folder);
}

void CollectRunSections(Checker* checker)
{
    for (const Family& family : checker->families) {
        AddSection(checker, family.sections.InstallSection, RoleInstall);
        AddSection(checker, family.sections.RemoveSection, RoleRemove);
        AddProductSections(checker, family.sections.ProductsSection);
    }
    if (checker->sections.overflow)
        Print(checker, SeverityWarning, nullptr, nullptr,
              "more than %d sections are installed or removed; only the first %d were checked", MaxSections,
              MaxSections);
}

void PrintFamilySections(Checker* checker)
{
    for (const Family& family : checker->families) {
        char install[300], remove[300], products[300];
        DescribeSection(checker->inf, family.sections.InstallSection, install, sizeof install);
        DescribeSection(checker->inf, family.sections.RemoveSection, remove, sizeof remove);
        DescribeSection(checker->inf, family.sections.ProductsSection, products, sizeof products);
        Print(checker, SeverityInfo, nullptr, nullptr, "%s: install %s, remove %s, products %s", family.name, install,
              remove, products);
    }
}

int HasRole(const SectionEntry* entry, unsigned role)
{
    return (entry->roles & role) != 0;
}

int DistinctProductsSections(const Checker* checker, const char** names)
{
    int count = 0;
    for (const Family& family : checker->families) {
        const char* name = family.sections.ProductsSection;
        int known = 0;
        for (int i = 0; i < count && !known; ++i) known = lstrcmpiA(names[i], name) == 0;
        if (!known && InfSectionExists(checker->inf, name)) names[count++] = name;
    }
    return count;
}

int MediumPath(const Checker* checker, const char* name, char* path)
{
    const int length = std::snprintf(path, MAX_PATH, "%s%s", checker->medium, name);
    return length > 0 && length < MAX_PATH;
}

int FileExists(const char* path)
{
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

int IsInstalledByPackage(Checker* checker, const char* fileName)
{
    for (int i = 0; i < checker->sections.count; ++i) {
        const SectionEntry& entry = checker->sections.entries[i];
        if (HasRole(&entry, RoleInstall) && SectionInstallsFile(checker->inf, entry.name, fileName)) return 1;
    }
    return 0;
}

const char* FileNamePart(const char* path)
{
    const char* name = path;
    for (const char* p = path; *p; ++p) {
        if (*p == '\\' || *p == '/' || *p == ':') name = p + 1;
    }
    return name;
}

int FindNextKeyLine(INFCONTEXT* line, const char* key)
{
    while (InfNextLine(line)) {
        char name[256];
        if (InfGetField(line, 0, name, sizeof name) && lstrcmpiA(name, key) == 0) return 1;
    }
    return 0;
}
