// Exec keys: in any section a run processes, each field names a program section, or,
// beginning with "@", a program started at the end of the run. Each line of a program
// section gives the Exec level (field 1), the program (field 2), its parameters, its
// working directory and its flags (field 5).
//
// Levels and flags are read as setup.exe reads them, with C's rules for base 0: "0x2"
// is 2, and a leading zero makes a number octal, so "010" is 8. A line whose level is
// not 1, 2 or 3 never runs. A program that is neither on the medium, nor installed by
// the package, nor found on this machine may still exist where the package is
// installed, so that is only a warning.

#include "checker.h"

#include "../engine/programs.h"
#include "../setupapi/inf.h"

#include <cstdio>
#include <cstring>

namespace {

// Exec levels and flags are read from at most 15 characters, as setup.exe reads them.
const DWORD NumberSize = 16;

bool IsAbsolutePath(const char* path)
{
    return path[0] == '\\' || (path[0] && path[1] == ':');
}

// True when the program can be found: as an absolute path, on the medium, in its working
// directory, on this machine's search path, or as a file that the package installs.
bool ProgramExists(Checker* checker, const char* program, const char* directory)
{
    if (IsAbsolutePath(program)) {
        if (FileExists(program)) return true;
    } else {
        char path[MAX_PATH];
        if (MediumPath(checker, program, path) && FileExists(path)) return true;
        if (directory[0] && std::snprintf(path, sizeof path, "%s\\%s", directory, program) < MAX_PATH
            && FileExists(path))
            return true;
        if (!std::strchr(program, '\\') && SearchPathA(nullptr, program, ".exe", sizeof path, path, nullptr))
            return true;
    }
    return IsInstalledByPackage(checker, FileNamePart(program)) != 0;
}

void CheckProgramFile(Checker* checker, const char* section, const INFCONTEXT* line, const char* program,
                      const char* directory)
{
    if (!ProgramExists(checker, program, directory))
        Print(checker, SeverityWarning, section, line,
              "program %s is not on the medium, not installed by the package and not found on this machine: where it "
              "is missing, setup.exe skips it",
              program);
}

// A leading zero followed by a digit, after blanks and a sign: octal for strtol.
bool LooksOctal(const char* text)
{
    while (*text == ' ' || *text == '\t') ++text;
    if (*text == '+' || *text == '-') ++text;
    return text[0] == '0' && text[1] >= '0' && text[1] <= '9';
}

void CheckLevel(Checker* checker, const char* section, const INFCONTEXT* line, long level)
{
    if (level >= 1 && level <= 3) return;
    char text[NumberSize];
    InfGetField(line, 1, text, sizeof text);
    Print(checker, SeverityError, section, line, "Exec level %s reads as %ld, not 1, 2 or 3: the program never runs%s",
          text, level, LooksOctal(text) ? " (a leading 0 makes the number octal)" : "");
}

void CheckProgramLine(Checker* checker, const char* section, const INFCONTEXT* line)
{
    long level = 0;
    if (!InfGetIntegerField(line, 1, NumberSize, &level)) {
        Print(checker, SeverityError, section, line,
              "no Exec level (field 1), or one longer than %lu characters: setup.exe skips the line", NumberSize - 1);
        return;
    }
    CheckLevel(checker, section, line, level);
    char program[256], directory[256];
    if (!InfGetField(line, 2, program, sizeof program) || !program[0]) {
        Print(checker, SeverityError, section, line,
              "no program (field 2), or one longer than 255 characters: setup.exe skips the line");
        return;
    }
    InfGetField(line, 4, directory, sizeof directory);
    CheckProgramFile(checker, section, line, program, directory);
    long flags = 0;
    if (InfGetIntegerField(line, 5, NumberSize, &flags) && (flags & ExecNoWait) && (flags & ExecDeleteAfter))
        Print(checker, SeverityWarning, section, line,
              "flags %ld: setup.exe does not wait for the program (flag 1), so it never deletes it (flag 2)", flags);
}

void CheckExecField(Checker* checker, const char* section, const INFCONTEXT* exec, DWORD field, const char* named)
{
    if (named[0] == '@') {
        if (named[1]) CheckProgramFile(checker, section, exec, named + 1, "");
        else Print(checker, SeverityError, section, exec, "field %lu of Exec is \"@\" and names no program", field);
        return;
    }
    if (!named[0]) {
        Print(checker, SeverityError, section, exec, "field %lu of Exec is empty and names no section", field);
        return;
    }
    INFCONTEXT line;
    if (!InfFindLine(checker->inf, named, nullptr, &line)) {
        Print(checker, SeverityError, section, exec, "Exec names the section [%s], which is missing or empty", named);
        return;
    }
    do CheckProgramLine(checker, named, &line);
    while (InfNextLine(&line));
}

} // namespace

void CheckPrograms(Checker* checker)
{
    for (int i = 0; i < checker->sections.count; ++i) {
        const char* section = checker->sections.entries[i].name;
        INFCONTEXT exec;
        if (!InfFindLine(checker->inf, section, "Exec", &exec)) continue;
        const DWORD fields = InfFieldCount(&exec);
        for (DWORD field = 1; field <= fields; ++field) {
            char named[256];
            if (!InfGetField(&exec, field, named, sizeof named)) {
                Print(checker, SeverityError, section, &exec,
                      "field %lu of Exec is longer than 255 characters: setup.exe stops reading the list there",
                      field);
                break;
            }
            CheckExecField(checker, section, &exec, field, named);
        }
    }
}
