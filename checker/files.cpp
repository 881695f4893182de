// The files an installation copies from the medium: every CopyFiles line of an install
// section (the Setup API reads them all) names copy sections (or, after "@", one file), and each line of a copy section
// names a destination file (field 1) and, when it differs, its source file (field 2).
//
// A source is looked up the way the Setup API's file queue finds it: the line of its
// name in [SourceDisksFiles] gives the disk (field 1) and a sub-folder (field 2); the
// disk's line in [SourceDisksNames] gives the disk's folder (field 4) and tag file
// (field 2); all below the medium, which is setup.exe's source root. A file found in
// neither is expected at the medium's root. The compressed form of a name (its last
// character replaced by "_") counts, and so does a disk whose tag file is a cabinet on
// the medium (the files inside the cabinet are not looked at).
//
// Removals copy nothing from the medium (their source root is the installed folder), so
// only install sections are checked here.

#include "checker.h"

#include "../base/numbers.h"
#include "../setupapi/inf.h"

#include <cstdio>
#include <cstring>

namespace {

// Where a source file lies relative to the medium, and the cabinet that may hold it.
struct SourceLocation {
    char file[MAX_PATH];     // relative path of the file
    char cabinet[MAX_PATH];  // relative path of the disk's cabinet, or empty
};

// The first line with `key` in the ".x86" variant of `section`, else in `section`.
bool FindPlatformLine(HINF inf, const char* section, const char* key, INFCONTEXT* line)
{
    char decorated[64];
    std::snprintf(decorated, sizeof decorated, "%s.x86", section);
    return InfFindLine(inf, decorated, key, line) || InfFindLine(inf, section, key, line);
}

// The [SourceDisksNames] line of disk `id`, compared as numbers like the Setup API does.
bool FindDiskLine(HINF inf, long id, INFCONTEXT* found)
{
    const char* const sections[] = {"SourceDisksNames.x86", "SourceDisksNames"};
    for (const char* section : sections) {
        INFCONTEXT line;
        if (!InfFindLine(inf, section, nullptr, &line)) continue;
        do {
            long number = 0;
            if (InfGetDecimalField(&line, 0, &number) && number == id) {
                *found = line;
                return true;
            }
        } while (InfNextLine(&line));
    }
    return false;
}

// Appends a path part with one backslash between, dropping the part's leading and
// trailing backslashes; false when it would not fit MAX_PATH.
bool AppendPart(char* path, const char* part)
{
    while (*part == '\\') ++part;
    size_t partLength = std::strlen(part);
    while (partLength && part[partLength - 1] == '\\') --partLength;
    if (!partLength) return true;
    const size_t length = std::strlen(path);
    const size_t separator = length ? 1 : 0;
    if (length + separator + partLength >= MAX_PATH) return false;
    if (separator) path[length] = '\\';
    std::memcpy(path + length + separator, part, partLength);
    path[length + separator + partLength] = '\0';
    return true;
}

bool LocateSource(HINF inf, const char* source, SourceLocation* location)
{
    location->file[0] = location->cabinet[0] = '\0';
    INFCONTEXT fileLine, diskLine;
    long disk = 0;
    char subfolder[MAX_PATH] = "", diskFolder[MAX_PATH] = "", tag[MAX_PATH] = "";
    if (FindPlatformLine(inf, "SourceDisksFiles", source, &fileLine) && InfGetDecimalField(&fileLine, 1, &disk)) {
        InfGetField(&fileLine, 2, subfolder, sizeof subfolder);
        if (FindDiskLine(inf, disk, &diskLine)) {
            InfGetField(&diskLine, 4, diskFolder, sizeof diskFolder);
            InfGetField(&diskLine, 2, tag, sizeof tag);
        }
    }
    const size_t tagLength = std::strlen(tag);
    if (tagLength > 4 && lstrcmpiA(tag + tagLength - 4, ".cab") == 0
        && !(AppendPart(location->cabinet, diskFolder) && AppendPart(location->cabinet, tag)))
        location->cabinet[0] = '\0';
    return AppendPart(location->file, diskFolder) && AppendPart(location->file, subfolder)
           && AppendPart(location->file, source);
}

bool SourceOnMedium(const Checker* checker, const SourceLocation& location, char* looked)
{
    char path[MAX_PATH];
    if (!MediumPath(checker, location.file, path)) return false;
    std::strcpy(looked, path);
    if (FileExists(path)) return true;
    const size_t length = std::strlen(path);
    if (FileNamePart(path)[0] && path[length - 1] != '_') {
        path[length - 1] = '_';
        if (FileExists(path)) return true;
    }
    return location.cabinet[0] && MediumPath(checker, location.cabinet, path) && FileExists(path);
}

void CheckSourceFile(Checker* checker, const char* section, const INFCONTEXT* line, const char* source)
{
    SourceLocation location;
    char looked[MAX_PATH] = "";
    if (!LocateSource(checker->inf, source, &location)) {
        Print(checker, SeverityError, section, line, "the path of source file %s on the medium is too long", source);
    } else if (!SourceOnMedium(checker, location, looked)) {
        Print(checker, SeverityError, section, line, "source file %s is missing from the medium (%s)", source, looked);
    }
}

void CheckDestination(Checker* checker, const char* copySection)
{
    INFCONTEXT line;
    if (InfFindLine(checker->inf, "DestinationDirs", copySection, &line)
        || InfFindLine(checker->inf, "DestinationDirs", "DefaultDestDir", &line))
        return;
    Print(checker, SeverityWarning, copySection, nullptr,
          "no line in [DestinationDirs] and no DefaultDestDir: the Setup API copies these files into the system "
          "folder");
}

void CheckCopySection(Checker* checker, const char* copySection)
{
    CheckDestination(checker, copySection);
    INFCONTEXT line;
    if (!InfFindLine(checker->inf, copySection, nullptr, &line)) return;
    do {
        char destination[MAX_PATH], source[MAX_PATH];
        if (!InfGetField(&line, 1, destination, sizeof destination) || !destination[0]) continue;
        if (!InfGetField(&line, 2, source, sizeof source) || !source[0]) std::strcpy(source, destination);
        CheckSourceFile(checker, copySection, &line, source);
    } while (InfNextLine(&line));
}

void CheckCopyFilesKey(Checker* checker, const char* section, const INFCONTEXT* copyFiles)
{
    const DWORD fields = InfFieldCount(copyFiles);
    for (DWORD field = 1; field <= fields; ++field) {
        char named[256];
        if (!InfGetField(copyFiles, field, named, sizeof named) || !named[0]) continue;
        if (named[0] == '@') {
            if (named[1]) CheckSourceFile(checker, section, copyFiles, named + 1);
        } else if (!InfSectionExists(checker->inf, named)) {
            Print(checker, SeverityError, section, copyFiles,
                  "CopyFiles names the section [%s], which is missing or empty: it copies nothing", named);
        } else {
            CheckCopySection(checker, named);
        }
    }
}

} // namespace

void CheckCopySources(Checker* checker)
{
    for (int i = 0; i < checker->sections.count; ++i) {
        const SectionEntry& entry = checker->sections.entries[i];
        INFCONTEXT copyFiles;
        if (!HasRole(&entry, RoleInstall) || !InfFindLine(checker->inf, entry.name, "CopyFiles", &copyFiles)) continue;
        do CheckCopyFilesKey(checker, entry.name, &copyFiles);
        while (FindNextKeyLine(&copyFiles, "CopyFiles"));
    }
}
