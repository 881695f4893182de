// Uninstall registration, as an installation would attempt it with the folder it
// proposes. setup.exe registers a product that has a remove section, and the main entry
// that the Uninstall line of the install section names, with the command that starts
// the installed copy of setup.exe; that copy is the "setup.exe" line of a copy section
// reached through the CopyFiles key of the product's install section, or else of the
// main install section. When there is none, registration stops at that product: no
// later product and no main entry is registered either.
//
// The copy then runs every removal from the installed folder, so what a removal reads
// must be installed beside it: setup.inf itself, the libraries of the start conditions
// (asked at removals too) and the plug-in libraries of the remove sections.

#include "checker.h"

#include "../catalogue/catalogue.h"
#include "../catalogue/destdirs.h"
#include "../catalogue/registration.h"
#include "../setupapi/inf.h"

#include <cstring>

namespace {

// The folder part of a path that ends in "\setup.exe".
void FolderOf(const char* path, char* folder)
{
    std::strcpy(folder, path);
    char* slash = std::strrchr(folder, '\\');
    if (slash) *slash = '\0';
}

// True when the copy section `copySection` installs `fileName` into `folder`.
bool CopySectionInstallsInto(HINF inf, const char* copySection, const char* folder, const char* fileName)
{
    char target[MAX_PATH];
    if (!InfGetSectionTargetPath(inf, copySection, target, sizeof target) || lstrcmpiA(target, folder) != 0)
        return false;
    INFCONTEXT line;
    if (!InfFindLine(inf, copySection, nullptr, &line)) return false;
    do {
        char destination[MAX_PATH];
        if (InfGetField(&line, 1, destination, sizeof destination) && lstrcmpiA(destination, fileName) == 0)
            return true;
    } while (InfNextLine(&line));
    return false;
}

// True when some install section's copy sections put `name` (a file name, possibly with
// sub-folders) into `folder`.
bool InstalledBeside(Checker* checker, const char* folder, const char* name)
{
    char target[MAX_PATH];
    lstrcpynA(target, folder, sizeof target);
    const char* fileName = FileNamePart(name);
    if (fileName != name) {
        // A name with sub-folders lands in the matching sub-folder.
        const size_t length = std::strlen(target), extra = static_cast<size_t>(fileName - name);
        if (length + 1 + extra >= sizeof target) return false;
        target[length] = '\\';
        std::memcpy(target + length + 1, name, extra - 1);
        target[length + extra] = '\0';
    }
    for (int i = 0; i < checker->sections.count; ++i) {
        const SectionEntry& entry = checker->sections.entries[i];
        INFCONTEXT copyFiles;
        if (!HasRole(&entry, RoleInstall) || !InfFindLine(checker->inf, entry.name, "CopyFiles", &copyFiles)) continue;
        do {
            char copySection[256];
            for (DWORD field = 1; InfGetField(&copyFiles, field, copySection, sizeof copySection); ++field) {
                if (copySection[0] && copySection[0] != '@'
                    && CopySectionInstallsInto(checker->inf, copySection, target, fileName))
                    return true;
            }
        } while (FindNextKeyLine(&copyFiles, "CopyFiles"));
    }
    return false;
}

// The libraries of the start conditions: field 1 of each line of each condition section.
void CheckStartConditionLibrariesBeside(Checker* checker, const char* folder)
{
    INFCONTEXT conditions;
    if (!InfFindLine(checker->inf, "Install", "Conditions", &conditions)) return;
    char conditionSection[256];
    for (DWORD field = 1; field <= InfFieldCount(&conditions); ++field) {
        INFCONTEXT line;
        if (!InfGetField(&conditions, field, conditionSection, sizeof conditionSection)
            || !InfFindLine(checker->inf, conditionSection, nullptr, &line))
            continue;
        do {
            char library[256];
            if (InfGetField(&line, 1, library, sizeof library) && library[0]
                && !InstalledBeside(checker, folder, library))
                Print(checker, SeverityError, conditionSection, &line,
                      "condition library %s is not installed beside the copy of setup.exe in %s: removals ask the "
                      "start conditions too, and are refused",
                      library, folder);
        } while (InfNextLine(&line));
    }
}

void CheckRemovePluginsBeside(Checker* checker, const char* folder)
{
    for (int i = 0; i < checker->sections.count; ++i) {
        const SectionEntry& entry = checker->sections.entries[i];
        INFCONTEXT line;
        if (!HasRole(&entry, RoleRemove) || !InfFindLine(checker->inf, entry.name, "Plugins", &line)) continue;
        char library[MAX_PATH];
        for (DWORD field = 1; InfGetField(&line, field, library, sizeof library) && library[0]; ++field) {
            if (!InstalledBeside(checker, folder, library))
                Print(checker, SeverityWarning, entry.name, &line,
                      "plug-in library %s is not installed beside the copy of setup.exe in %s: removals run without "
                      "its steps",
                      library, folder);
        }
    }
}

// What a removal started from the copy at `setupPath` needs beside it.
void CheckCopyFolder(Checker* checker, const char* setupPath)
{
    char folder[MAX_PATH];
    FolderOf(setupPath, folder);
    if (!InstalledBeside(checker, folder, "setup.inf"))
        Print(checker, SeverityError, nullptr, nullptr,
              "setup.inf is not installed beside the copy of setup.exe in %s: the uninstall command cannot open the "
              "script",
              folder);
    CheckStartConditionLibrariesBeside(checker, folder);
    CheckRemovePluginsBeside(checker, folder);
}

void CheckCommandLength(Checker* checker, const char* section, const INFCONTEXT* line, const char* setupPath,
                        const char* name)
{
    char command[MAX_PATH];
    if (!BuildUninstallCommand(setupPath, name, command, sizeof command))
        Print(checker, SeverityWarning, section, line,
              "installed into the proposed folder, the uninstall command for %s is longer than %d characters: it is "
              "not registered",
              name, MAX_PATH - 1);
}

// DisplayIcon of a product's install section: the icon file, below the target folder or
// a full path, and an optional image index.
void CheckDisplayIcon(Checker* checker, const char* install)
{
    INFCONTEXT line;
    if (!InfFindLine(checker->inf, install, "DisplayIcon", &line)) return;
    char path[MAX_PATH], index[256];
    long number = 0;
    if (!InfGetField(&line, 1, path, sizeof path) || !path[0]) {
        Print(checker, SeverityError, install, &line,
              "DisplayIcon names no icon file, or one of more than %d characters: the entry shows setup.exe's icon",
              MAX_PATH - 1);
    } else if (InfGetField(&line, 2, index, sizeof index) && index[0]
               && (!InfGetDecimalField(&line, 2, &number) || (number == 0 && index[0] != '0'))) {
        Print(checker, SeverityError, install, &line, "the image index of DisplayIcon is not a number: %s", index);
    }
}

// The products of one family that ask for an uninstall entry. Returns how many asked;
// sets *copied when a copy of setup.exe was found for any.
int CheckProductRegistration(Checker* checker, const Family& family, int mainCopy, const char* mainPath, int* copied)
{
    const char* products = family.sections.ProductsSection;
    INFCONTEXT line;
    if (!InfFindLine(checker->inf, products, nullptr, &line)) return 0;
    int asking = 0;
    do {
        char key[ProductKeySize], name[ProductDisplayNameSize], install[ProductSectionSize],
            remove[ProductSectionSize];
        if (!InfGetField(&line, ProductFieldKey, key, sizeof key) || !key[0]
            || !InfGetField(&line, ProductFieldDisplayName, name, sizeof name)
            || !InfGetField(&line, ProductFieldInstallSection, install, sizeof install)
            || !InfGetField(&line, ProductFieldRemoveSection, remove, sizeof remove) || !remove[0])
            continue;
        ++asking;
        char path[MAX_PATH];
        if (!FindInstalledSetupPath(checker->inf, install, path) && !mainCopy) {
            Print(checker, SeverityError, products, &line,
                  "product %s has a remove section, but neither [%s] nor [%s] copies setup.exe: it cannot be "
                  "registered for removal, nor can any product after it",
                  key, install, family.sections.InstallSection);
            continue;
        }
        if (!FindInstalledSetupPath(checker->inf, install, path)) std::strcpy(path, mainPath);
        *copied = 1;
        CheckCommandLength(checker, products, &line, path, key);
        CheckCopyFolder(checker, path);
        CheckDisplayIcon(checker, install);
    } while (InfNextLine(&line));
    return asking;
}

// Publisher of the main install section, which every entry names.
void CheckPublisher(Checker* checker, const char* install)
{
    INFCONTEXT line;
    char publisher[256];
    if (InfFindLine(checker->inf, install, "Publisher", &line) && !InfGetField(&line, 1, publisher, sizeof publisher))
        Print(checker, SeverityWarning, install, &line,
              "Publisher is missing or longer than 255 characters: no uninstall entry names a publisher");
}

// The main entry of one family's install section. Returns 1 when it asks for one.
int CheckMainRegistration(Checker* checker, const Family& family, int mainCopy, const char* mainPath)
{
    const char* install = family.sections.InstallSection;
    INFCONTEXT line;
    char name[256];
    if (!InfFindLine(checker->inf, install, "Uninstall", &line) || !InfGetField(&line, 1, name, sizeof name)) return 0;
    if (!mainCopy) {
        Print(checker, SeverityError, install, &line,
              "the uninstall entry %s cannot be registered: [%s] copies no setup.exe", name, install);
    } else {
        CheckCommandLength(checker, install, &line, mainPath, name);
        CheckCopyFolder(checker, mainPath);
    }
    return 1;
}

} // namespace

void CheckRegistration(Checker* checker)
{
    int asking = 0, copied = 0;
    for (const Family& family : checker->families) {
        char mainPath[MAX_PATH] = "";
        const int mainCopy = FindInstalledSetupPath(checker->inf, family.sections.InstallSection, mainPath);
        if (mainCopy) copied = 1;
        asking += CheckProductRegistration(checker, family, mainCopy, mainPath, &copied);
        asking += CheckMainRegistration(checker, family, mainCopy, mainPath);
        CheckPublisher(checker, family.sections.InstallSection);
    }
    if (!asking && !copied)
        Print(checker, SeverityWarning, nullptr, nullptr,
              "no install section copies setup.exe (a copy-section line whose destination is setup.exe): nothing can "
              "be registered, so the package cannot be removed through the list of installed software");
}
