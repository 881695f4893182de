// MakeIcons and DelIcons keys: in any section a run processes, each field names a
// section of shortcut lines. A line to make a shortcut needs a folder code (field 1),
// a link name (field 2) and a target (field 3); a line to delete one needs the first
// two. setup.exe skips a line that lacks one of them, or whose folder code it does not
// know, without a word, so the shortcut is simply missing after the run.

#include "checker.h"

#include "../setupapi/inf.h"

namespace {

// The folder codes setup.exe resolves (all users: desktop, programs menu, start menu,
// startup folder; then the same for the current user).
const char* const FolderCodes[] = {"CDSK", "CPRG", "CSTM", "CSTU", "UDSK", "UPRG", "USTM", "USTU"};

bool IsFolderCode(const char* code)
{
    for (const char* known : FolderCodes) {
        if (lstrcmpiA(code, known) == 0) return true;
    }
    return false;
}

// True when field `index` reads into `size` bytes and is not empty; reports it if not.
bool CheckRequiredField(Checker* checker, const char* section, const INFCONTEXT* line, DWORD index, DWORD size,
                        const char* what)
{
    char text[256];
    if (InfGetField(line, index, text, size) && text[0]) return true;
    Print(checker, SeverityError, section, line, "no %s (field %lu), or one longer than %lu characters: setup.exe "
          "skips the line",
          what, index, size - 1);
    return false;
}

void CheckShortcutLine(Checker* checker, const char* section, const INFCONTEXT* line, bool make)
{
    char code[16];
    if (!CheckRequiredField(checker, section, line, 1, sizeof code, "folder code")) return;
    InfGetField(line, 1, code, sizeof code);
    if (!IsFolderCode(code)) {
        Print(checker, SeverityError, section, line,
              "unknown folder code %s: setup.exe skips the line (the codes are CDSK, CPRG, CSTM, CSTU, UDSK, UPRG, "
              "USTM and USTU)",
              code);
        return;
    }
    if (!CheckRequiredField(checker, section, line, 2, 256, "link name")) return;
    if (make) CheckRequiredField(checker, section, line, 3, 256, "target");
}

void CheckShortcutKey(Checker* checker, const char* section, const char* key, bool make)
{
    INFCONTEXT names;
    if (!InfFindLine(checker->inf, section, key, &names)) return;
    const DWORD fields = InfFieldCount(&names);
    for (DWORD field = 1; field <= fields; ++field) {
        char named[256];
        if (!InfGetField(&names, field, named, sizeof named)) {
            Print(checker, SeverityError, section, &names,
                  "field %lu of %s is longer than 255 characters: setup.exe stops reading the list there", field, key);
            return;
        }
        if (!named[0]) {
            Print(checker, SeverityError, section, &names, "field %lu of %s is empty and names no section", field, key);
            continue;
        }
        INFCONTEXT line;
        if (!InfFindLine(checker->inf, named, nullptr, &line)) {
            Print(checker, SeverityError, section, &names, "%s names the section [%s], which is missing or empty", key,
                  named);
            continue;
        }
        do CheckShortcutLine(checker, named, &line, make);
        while (InfNextLine(&line));
    }
}

} // namespace

void CheckShortcuts(Checker* checker)
{
    for (int i = 0; i < checker->sections.count; ++i) {
        const char* section = checker->sections.entries[i].name;
        CheckShortcutKey(checker, section, "MakeIcons", true);
        CheckShortcutKey(checker, section, "DelIcons", false);
    }
}
