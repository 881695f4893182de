// brand SOURCE-EXE BRAND-FILE TARGET-EXE: writes a copy of setup.exe (SOURCE-EXE) with the
// title, welcome text, licence, pictures and icon that BRAND-FILE names, to TARGET-EXE.
//
// Order: the target is checked not to be the source, the brand file and every file it
// names are checked against the source (every error is told, one a line), and only
// when there was none is the copy written, under a temporary name beside the target
// that takes the target's name at the end. SOURCE-EXE is only read.

#include "brand.h"

#include <cstdio>
#include <cstring>

namespace {

const char UsageText[] =
    "Usage: brand SOURCE-EXE BRAND-FILE TARGET-EXE\n"
    "\n"
    "Writes TARGET-EXE, a copy of the setup program SOURCE-EXE that shows the title,\n"
    "welcome text, licence, pictures and icon that BRAND-FILE names, in English, German\n"
    "and French. BRAND-FILE is an INI file with a [Brand] section:\n"
    "  Title=TEXT              the product title (at most 255 characters); Title.eng,\n"
    "                          Title.ger, Title.fre give one language another title\n"
    "  Welcome=TEXT            the invitation after the title on the welcome page; also\n"
    "                          Welcome.eng, Welcome.ger, Welcome.fre\n"
    "  Licence=FILE.rtf|none   the licence text, or none for no licence page\n"
    "  Picture=FILE.bmp        the side picture of the first and last pages\n"
    "  Header=FILE.bmp         the picture of the header band\n"
    "  Images=FILE.bmp         the strip of 16x16 images of the component list\n"
    "  Icon=FILE.ico           the program's icon\n"
    "Files are found relative to BRAND-FILE's folder; a key left out keeps the program's\n"
    "own text or picture. Every error is told (error: ...); on any error TARGET-EXE is\n"
    "not created or changed. An unknown key is a warning.\n"
    "\n"
    "Exit code: 0 written, 1 errors found (nothing written), 2 the command line was not\n"
    "understood.\n";

void PrintFinding(void*, BrandSeverity severity, const char* text)
{
    std::printf("%s: %s\n", severity == BrandError ? "error" : severity == BrandWarning ? "warning" : "info", text);
}

// The plan holds a buffer per resource; it lives for the whole run.
BrandPlan g_Plan;

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        const int help = argc == 2 && (std::strcmp(argv[1], "/?") == 0 || std::strcmp(argv[1], "-h") == 0
                                       || std::strcmp(argv[1], "--help") == 0);
        std::fputs(UsageText, help ? stdout : stderr);
        return help ? 0 : 2;
    }
    BrandReport report = {0, 0, PrintFinding, nullptr};
    CheckBrandTarget(argv[1], argv[3], &report);
    PlanBranding(argv[1], argv[2], &g_Plan, &report);
    if (report.errors) {
        std::printf("info: %d error%s, %d warning%s; %s was not written\n", report.errors,
                    report.errors == 1 ? "" : "s", report.warnings, report.warnings == 1 ? "" : "s", argv[3]);
        return 1;
    }
    if (!WriteBrandedProgram(argv[1], g_Plan, argv[3], &report)) return 1;
    std::printf("info: wrote %s with %d resource%s replaced, %d warning%s\n", argv[3], g_Plan.count,
                g_Plan.count == 1 ? "" : "s", report.warnings, report.warnings == 1 ? "" : "s");
    return 0;
}
