// Keys that setup.exe reads from their first line only. The Setup API's own keys
// (CopyFiles, AddReg and the like) are read from every line that carries them, so an
// author may expect the same of Exec or MakeIcons; a second such line is ignored.

#include "checker.h"

#include "../setupapi/inf.h"

namespace {

const char* const FirstLineKeys[] = {"Conditions", "Plugins",   "Exec",      "MakeIcons",
                                     "DelIcons",   "Uninstall", "Publisher", "DisplayIcon"};

void CheckSectionKeys(Checker* checker, const char* section)
{
    for (const char* key : FirstLineKeys) {
        INFCONTEXT first;
        if (!InfFindLine(checker->inf, section, key, &first)) continue;
        INFCONTEXT line = first;
        while (FindNextKeyLine(&line, key))
            Print(checker, SeverityWarning, section, &line,
                  "another %s line: setup.exe reads only the first one (line %u) and ignores this", key,
                  first.Line + 1);
    }
}

} // namespace

void CheckRepeatedKeys(Checker* checker)
{
    // The start conditions are read from [Install] even when no Windows installs from it.
    CheckSectionKeys(checker, "Install");
    for (int i = 0; i < checker->sections.count; ++i) CheckSectionKeys(checker, checker->sections.entries[i].name);
}
