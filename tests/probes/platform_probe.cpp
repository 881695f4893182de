// Runs the program's own start-up decisions as whatever Windows version Wine reports to
// this executable, and prints them, one "name=value" per line:
//   platform_probe sections PATH-TO-INF   the chosen install, remove and products sections
//   platform_probe style                  the default wizard style
//   platform_probe version                the GetVersion result
//   platform_probe language [SETUP-EXE]   the user's language, the dialog languages of
//                                         the welcome page and the language chosen
//   platform_probe keys PATH-TO-INF       the keys of [Products] as the catalogue reads
//                                         them, and how often that called the wide Setup
//                                         API (wide=)
// The integration and end-to-end tests run copies of it as win95, win98, winme, nt40,
// win2k and win7.
//
// The probe has no dialogs of its own, so "language" asks about the program's: it loads
// setup.exe (by default the one in the folder above the probe's, where the build puts
// it) as a data file and hands that module to the language functions.

#include "../../app/setup.h"
#include "../../base/platform.h"
#include "../../setupapi/inf.h"

#include <cstdio>
#include <cstring>

namespace {

// The language decisions for the dialogs of `setupExe`, or of ..\setup.exe beside the
// probe's own folder. Prints detected=, count=, languages= (in the order the platform
// reports them), chosen= and interface= (what making it the thread's language answered).
int ProbeLanguage(const char* setupExe)
{
    char path[MAX_PATH];
    if (setupExe) {
        lstrcpynA(path, setupExe, sizeof path);
    } else {
        const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
        if (length == 0 || length >= sizeof path) return 1;
        for (int cut = 0; cut < 2; ++cut) {
            char* slash = std::strrchr(path, '\\');
            if (!slash) return 1;
            *slash = '\0';
        }
        if (std::strlen(path) + 11 >= sizeof path) return 1;
        std::strcat(path, "\\setup.exe");
    }
    HMODULE program = LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!program) {
        std::printf("error=%lu\n", GetLastError());
        return 1;
    }
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(program);
    std::printf("detected=%04x\n", DetectUserLanguage());
    unsigned short languages[256];
    const int count = EnumDialogLanguages(instance, 1107, languages, 256);
    std::printf("count=%d\nlanguages=", count);
    for (int i = 0; i < count; ++i) std::printf("%s%04x", i ? "," : "", languages[i]);
    const unsigned short chosen = ChooseInterfaceLanguage(instance, 1107);
    std::printf("\nchosen=%04x\ninterface=%04x\n", chosen, SetThreadLanguage(chosen));
    FreeLibrary(program);
    return 0;
}

// Counts the calls through the probe's import of SetupGetStringFieldW, which the Setup
// API of the Windows 95 family may lack, while the keys of [Products] are read.
typedef BOOL(WINAPI* GetStringFieldW)(PINFCONTEXT, DWORD, PWSTR, DWORD, PDWORD);
extern "C" GetStringFieldW g_ImportedGetStringFieldW __asm__("__imp__SetupGetStringFieldW@20");
GetStringFieldW g_GetStringFieldW;
int g_WideCalls = 0;

BOOL WINAPI CountedGetStringFieldW(PINFCONTEXT line, DWORD index, PWSTR buffer, DWORD size, PDWORD needed)
{
    ++g_WideCalls;
    return g_GetStringFieldW(line, index, buffer, size, needed);
}

int ProbeKeys(const char* path)
{
    g_GetStringFieldW = g_ImportedGetStringFieldW;
    g_ImportedGetStringFieldW = CountedGetStringFieldW;
    HINF inf = InfOpen(path, nullptr);
    INFCONTEXT line;
    WCHAR key[128];
    if (inf == INVALID_HANDLE_VALUE || !InfFindLine(inf, "Products", nullptr, &line)) return 1;
    std::printf("keys=");
    do
        if (InfGetWideKey(&line, key, 128)) std::printf("%ls,", key);
    while (InfNextLine(&line));
    std::printf("\nwide=%d\n", g_WideCalls);
    return 0;
}

} // namespace

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
    if (argc >= 2 && std::strcmp(argv[1], "language") == 0) return ProbeLanguage(argc >= 3 ? argv[2] : nullptr);
    if (argc >= 3 && std::strcmp(argv[1], "keys") == 0) return ProbeKeys(argv[2]);
    std::fprintf(stderr, "usage: platform_probe sections INF | style | version | language [SETUP-EXE] | keys INF\n");
    return 2;
}
