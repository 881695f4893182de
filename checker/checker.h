// infcheck: the records that the checks share, and the checks themselves.
//
// The checker opens MEDIUM\setup.inf through the program's Setup API adapter, works out
// which sections each Windows family would use (ChoosePlatformSections, the program's
// own rule), gathers every section that an installation or removal can process, and
// then runs one small function per check. Each check reads the script the way the part
// of setup.exe that it mirrors does (same keys, same field indexes, same buffer sizes),
// so that a field too long for the program is too long here as well.
#pragma once

#include "../app/setup.h"
#include "../base/textlist.h"

#include <windows.h>
#include <setupapi.h>

enum Severity { SeverityInfo, SeverityWarning, SeverityError };

// Findings already printed, kept whole: a problem met through several families or
// sections is reported once. The first MaxFindings are kept; past them, or when memory
// runs out, every finding is printed.
const int MaxFindings = 4096;

struct Report {
    int errors;
    int warnings;
    int kept;                      // findings in `texts`
    unsigned long hash[MaxFindings];  // of each kept finding, to compare fewer texts
    size_t at[MaxFindings];        // where each kept finding starts in `texts`
    TextListBuilder texts;         // the kept findings; the process's to the end
};

// One Windows family and the sections it would choose.
struct Family {
    const char* name;
    DWORD platformId;
    DWORD major;
    DWORD minor;
    PlatformSections sections;
};

const int FamilyCount = 5;

// What a section is to a run. A section may be several of these at once.
enum SectionRole {
    RoleInstall = 1,   // processed by an installation (main or product install section)
    RoleRemove = 2,    // processed by a removal (main or product remove section)
    RoleProductInstall = 4,  // a product's install section: its Conditions decide the offer
};

struct SectionEntry {
    char name[256];
    unsigned roles;
};

// Setup API section names are at most 255 characters; more sections than this are not
// checked, and the checker says so.
const int MaxSections = 512;

struct SectionSet {
    int count;
    int overflow;
    SectionEntry entries[MaxSections];
};

// What loading a library for real told, remembered so that a library named by several
// lines is loaded, and runs its start-up code, once.
struct LoadRecord {
    char path[MAX_PATH];
    int loaded;
    DWORD error;        // when not loaded
    int hasVersion;     // GetVersionNumber found by the loader
    int version;
};

const int MaxLoadRecords = 64;

struct Checker {
    HINF inf;
    char medium[MAX_PATH];         // the medium folder, ending with a backslash
    char scriptPath[MAX_PATH + 16];
    Family families[FamilyCount];
    SectionSet sections;
    int loadCount;
    LoadRecord loads[MaxLoadRecords];
    Report report;
};

// Output (report.cpp). `section` may be null (a finding about the whole script) and
// `line` may be null (a finding about a section); the line number printed is the
// line's position in its section as the Setup API counts it, from 1.
void Print(Checker* checker, Severity severity, const char* section, const INFCONTEXT* line, const char* format,
           ...) __attribute__((format(gnu_printf, 5, 6)));
void PrintSummary(Checker* checker);

// The script model (model.cpp).
int OpenScript(Checker* checker, const char* folder);
void ChooseFamilySections(Checker* checker);
void CollectRunSections(Checker* checker);
void SetProposedTargetFolder(Checker* checker);
void PrintFamilySections(Checker* checker);
int HasRole(const SectionEntry* entry, unsigned role);
// The distinct products sections of the families that exist, in family order; returns
// the count and fills at most FamilyCount names.
int DistinctProductsSections(const Checker* checker, const char** names);
// MEDIUM\name into `path` (MAX_PATH bytes); 0 when it would not fit.
int MediumPath(const Checker* checker, const char* name, char* path);
int FileExists(const char* path);
// True when a copy section reached from an install section installs a file of this name
// (the destination name, field 1, compared without regard to case).
int IsInstalledByPackage(Checker* checker, const char* fileName);
// The next line of the same section whose key is `key` (case ignored), as the Setup API
// walks every line of a key it processes itself (CopyFiles); setup.exe's own keys are
// read from their first line only.
int FindNextKeyLine(INFCONTEXT* line, const char* key);
// The final component of a path (after the last backslash or colon).
const char* FileNamePart(const char* path);

// Libraries (libraries.cpp). Kinds name the library in messages and decide which
// exports it needs.
enum LibraryKind { LibraryCondition, LibraryPlugin };
// Checks the library `name` named at `line` of `section`: on the medium, a 32-bit
// Windows library, its exports (the condition function `function` for a condition
// library), and the interface version it reports.
void CheckLibrary(Checker* checker, LibraryKind kind, const char* name, const char* function, const char* section,
                  const INFCONTEXT* line);

// The checks, one per concern, in the order main runs them.
void CheckProducts(Checker* checker);
void CheckConditions(Checker* checker);
void CheckPlugins(Checker* checker);
void CheckServices(Checker* checker);
void CheckShortcuts(Checker* checker);
void CheckPrograms(Checker* checker);
void CheckCopySources(Checker* checker);
void CheckRegistration(Checker* checker);
void CheckRepeatedKeys(Checker* checker);
