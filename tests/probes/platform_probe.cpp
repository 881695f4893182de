// Runs the program's own start-up decisions as whatever Windows version Wine reports to
// this executable, and prints them, one "name=value" per line:
//   platform_probe sections PATH-TO-INF   the chosen install, remove and products sections
//   platform_probe style                  the default wizard style
//   platform_probe version                the GetVersion result
// The integration tests run copies of it as win95, win98, winme, nt40, win2k and win7.

#include "../../app/setup.h"
#include "../../setupapi/inf.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc >= 3 && std::strcmp(argv[1], "sections") == 0) {
        UINT line = 0;
        HINF inf = InfOpen(argv[2], &line);
        if (inf == INVALID_HANDLE_VALUE) {
            std::printf("error=%u\n", line);
            return 1;
        }
        SelectPlatformSections(inf);
        std::printf("install=%s\nremove=%s\nproducts=%s\n", g_Sections.InstallSection,
                    g_Sections.RemoveSection, g_Sections.ProductsSection);
        SetupCloseInfFile(inf);
        return 0;
    }
    if (argc >= 2 && std::strcmp(argv[1], "style") == 0) {
        std::printf("style=%d\n", ProbeWizardStyle());
        return 0;
    }
    if (argc >= 2 && std::strcmp(argv[1], "version") == 0) {
        std::printf("version=%08lx\n", GetVersion());
        return 0;
    }
    std::fprintf(stderr, "usage: platform_probe sections INF | style | version\n");
    return 2;
}
