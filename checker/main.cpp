// infcheck [MEDIUM-FOLDER] [--brand BRAND-FILE]: checks the setup.inf of an installation
// medium before it ships, reading it through the same Setup API adapter and rules as
// setup.exe, and reports one finding a line; with --brand it also checks a brand file
// as brand.exe does.
//
// Order: open the script (exit code 2 when it cannot be opened), print the sections each
// Windows family would choose, let directory id 32768 stand for the proposed target
// folder, gather the sections a run can process, run the checks, check the brand file,
// print a summary. The exit code is 1 when an error was found, else 0.

#include "checker.h"

#include "../base/handles.h"
#include "../base/libraries.h"
#include "../brand/brand.h"

#include <cstdio>
#include <cstring>

namespace {

const char UsageText[] =
    "Usage: infcheck [MEDIUM-FOLDER] [--brand BRAND-FILE]\n"
    "\n"
    "Checks MEDIUM-FOLDER\\setup.inf (by default the current folder's) the way setup.exe\n"
    "reads it, and reports what would otherwise only show when it is installed or removed,\n"
    "one finding a line:\n"
    "  error:    something that cannot work as written\n"
    "  warning:  something that may not do what was meant\n"
    "  info:     the sections each Windows family would use, and a summary\n"
    "A finding names its section and, where it has one, its line: line N is the N-th line\n"
    "of that section as the Setup API counts it (comments and blank lines do not count,\n"
    "and sections of the same name count as one).\n"
    "\n"
    "Condition and plug-in libraries are inspected as files: their headers and export\n"
    "tables. To read the interface version a library reports, infcheck loads it with\n"
    "LoadLibrary, as setup.exe does (the libraries it imports are looked for in its own\n"
    "folder, then in the system's), and calls its GetVersionNumber: the library's own\n"
    "start-up code runs in this process.\n"
    "\n"
    "--brand BRAND-FILE checks a brand file as brand.exe does before it writes a branded\n"
    "setup.exe (every key, the files they name, the pictures against those of the\n"
    "medium's setup.exe, or of the setup.exe beside infcheck when the medium has none);\n"
    "its findings have no section.\n"
    "\n"
    "Exit code: 0 no errors, 1 errors found, 2 setup.inf could not be opened (or the\n"
    "command line was not understood).\n";

bool IsHelpOption(const char* argument)
{
    return std::strcmp(argument, "/?") == 0 || std::strcmp(argument, "-?") == 0 || std::strcmp(argument, "-h") == 0
           || std::strcmp(argument, "--help") == 0;
}

// The whole record is large; it lives for the whole run, zeroed.
Checker g_Checker;

void RunChecks(Checker* checker)
{
    CheckProducts(checker);
    CheckRepeatedKeys(checker);
    CheckConditions(checker);
    CheckPlugins(checker);
    CheckServices(checker);
    CheckShortcuts(checker);
    CheckPrograms(checker);
    CheckCopySources(checker);
    CheckRegistration(checker);
}

void PrintBrandFinding(void* checker, BrandSeverity severity, const char* text)
{
    Print(static_cast<Checker*>(checker),
          severity == BrandError ? SeverityError : severity == BrandWarning ? SeverityWarning : SeverityInfo, nullptr,
          nullptr, "%s", text);
}

// The brand file against the medium's setup.exe, else the one beside infcheck.
void CheckBrandFile(Checker* checker, const char* brandFile)
{
    static BrandPlan plan;
    char program[MAX_PATH + 16];
    std::snprintf(program, sizeof program, "%ssetup.exe", checker->medium);
    if (GetFileAttributesA(program) == INVALID_FILE_ATTRIBUTES) {
        GetProgramFolder(program);
        lstrcatA(program, "setup.exe");
    }
    // The findings are counted by Print; this record only passes them on.
    BrandReport report = {0, 0, PrintBrandFinding, checker};
    PlanBranding(program, brandFile, &plan, &report);
}

} // namespace

int main(int argc, char** argv)
{
    const char* medium = nullptr;
    const char* brandFile = nullptr;
    int understood = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--brand") == 0 && i + 1 < argc && !brandFile) {
            brandFile = argv[++i];
        } else if (argc == 2 && IsHelpOption(argv[i])) {
            std::fputs(UsageText, stdout);
            return 0;
        } else if (!medium && std::strcmp(argv[i], "--brand") != 0) {
            medium = argv[i];
        } else {
            understood = 0;
        }
    }
    if (!understood) {
        std::fputs(UsageText, stderr);
        return 2;
    }
    // Libraries are searched for as setup.exe searches for them, so that a library that
    // setup.exe cannot load is not passed here.
    RestrictLibrarySearch();
    Checker* checker = &g_Checker;
    if (!OpenScript(checker, medium)) return 2;
    UniqueInf script(checker->inf);  // every check reads it through checker->inf

    ChooseFamilySections(checker);
    PrintFamilySections(checker);
    SetProposedTargetFolder(checker);
    CollectRunSections(checker);
    RunChecks(checker);
    if (brandFile) CheckBrandFile(checker, brandFile);
    PrintSummary(checker);
    return checker->report.errors ? 1 : 0;
}
