// Conditions keys and condition sections. setup.exe reads the start conditions from the
// section named "Install" (whatever section a Windows version installs from) and a
// product's conditions from its install section; every field of a Conditions key names
// a condition section, and every line of that section names a library (field 1) and its
// condition function (field 2). A section that is missing or empty never holds.
//
// A Conditions key anywhere else is never read; that is reported too, because an
// "Install.NT5" with Conditions looks as if it guarded the installation and does not.

#include "checker.h"

#include "../setupapi/inf.h"

namespace {

enum ConditionsPurpose { StartConditions, ProductConditions };

const char* Consequence(ConditionsPurpose purpose)
{
    return purpose == StartConditions
               ? "the conditions never hold, so setup.exe ends before its wizard, at installations and removals"
               : "the conditions never hold, so the product is never offered";
}

void CheckConditionSection(Checker* checker, const char* conditionSection)
{
    INFCONTEXT line;
    if (!InfFindLine(checker->inf, conditionSection, nullptr, &line)) return;
    do {
        char library[256], function[256];
        InfGetField(&line, 1, library, sizeof library);
        InfGetField(&line, 2, function, sizeof function);
        CheckLibrary(checker, LibraryCondition, library, function, conditionSection, &line);
    } while (InfNextLine(&line));
}

void CheckConditionsKey(Checker* checker, const char* section, const INFCONTEXT* line, ConditionsPurpose purpose)
{
    // Every field counts, as setup.exe reads them: an empty one names no section.
    const DWORD fields = InfFieldCount(line);
    for (DWORD field = 1; field <= fields; ++field) {
        char name[256];
        if (!InfGetField(line, field, name, sizeof name)) {
            Print(checker, SeverityError, section, line,
                  "field %lu of Conditions is longer than 255 characters and names no section: %s", field,
                  Consequence(purpose));
        } else if (!name[0]) {
            Print(checker, SeverityError, section, line, "field %lu of Conditions is empty and names no section: %s",
                  field, Consequence(purpose));
        } else if (!InfSectionExists(checker->inf, name)) {
            Print(checker, SeverityError, section, line, "the condition section [%s] is missing or empty: %s", name,
                  Consequence(purpose));
        } else {
            CheckConditionSection(checker, name);
        }
    }
}

void CheckUnreadConditions(Checker* checker, const SectionEntry& entry)
{
    INFCONTEXT line;
    if (lstrcmpiA(entry.name, "Install") == 0 || HasRole(&entry, RoleProductInstall)) return;
    if (!InfFindLine(checker->inf, entry.name, "Conditions", &line)) return;
    Print(checker, SeverityWarning, entry.name, &line,
          "setup.exe never reads this Conditions key: start conditions come from [Install] only, and a product's from "
          "its install section");
}

} // namespace

void CheckConditions(Checker* checker)
{
    INFCONTEXT line;
    if (InfFindLine(checker->inf, "Install", "Conditions", &line))
        CheckConditionsKey(checker, "Install", &line, StartConditions);
    for (int i = 0; i < checker->sections.count; ++i) {
        const SectionEntry& entry = checker->sections.entries[i];
        if (HasRole(&entry, RoleProductInstall)
            && InfFindLine(checker->inf, entry.name, "Conditions", &line))
            CheckConditionsKey(checker, entry.name, &line, ProductConditions);
        CheckUnreadConditions(checker, entry);
    }
}
