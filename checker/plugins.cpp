// Plugins keys: in any section an installation or removal processes, fields 1, 2, ...
// each name a plug-in library beside setup.exe. setup.exe stops reading the list at the
// first field that is missing, empty or too long for its 260-byte buffer, so a library
// named after such a field is never loaded.

#include "checker.h"

#include "../setupapi/inf.h"

namespace {

void CheckPluginsKey(Checker* checker, const char* section, const INFCONTEXT* line)
{
    const DWORD fields = InfFieldCount(line);
    for (DWORD field = 1; field <= fields; ++field) {
        char name[MAX_PATH];
        if (!InfGetField(line, field, name, sizeof name)) {
            Print(checker, SeverityError, section, line,
                  "field %lu of Plugins is longer than %d characters: setup.exe stops reading the list there", field,
                  MAX_PATH - 1);
            return;
        }
        if (!name[0]) {
            if (field < fields)
                Print(checker, SeverityWarning, section, line,
                      "field %lu of Plugins is empty: setup.exe stops there and never loads the libraries named after "
                      "it",
                      field);
            return;
        }
        CheckLibrary(checker, LibraryPlugin, name, nullptr, section, line);
    }
}

} // namespace

void CheckPlugins(Checker* checker)
{
    for (int i = 0; i < checker->sections.count; ++i) {
        const char* section = checker->sections.entries[i].name;
        INFCONTEXT line;
        if (InfFindLine(checker->inf, section, "Plugins", &line)) CheckPluginsKey(checker, section, &line);
    }
}
