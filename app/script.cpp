// Opening setup.inf beside the program and choosing the sections for this Windows.
//
// The script is opened once per run by RunWizard; a script that cannot be opened is
// reported with message 1315 (the full path and the Setup API's error line) and ends
// the run. The install, remove and products sections are then chosen independently,
// each as the most specific existing variant for the running Windows version.

#include "setup.h"
#include "startup.h"
#include "../base/libraries.h"
#include "../base/log.h"
#include "../base/messagebox.h"
#include "../base/pathtext.h"
#include "../resources/resource.h"
#include "../setupapi/inf.h"

#include <cstdio>

PlatformSections g_Sections = {"Install", "Remove", "Products"};


HINF OpenSetupScript(HINSTANCE instance, HWND owner)
{
    // The folder with its backslash kept, so a program in a drive root finds "C:\setup.inf".
    char path[MAX_PATH + 16];
    GetProgramPath(path, MAX_PATH);
    CutAtLastBackslash(path, 1);
    lstrcatA(path, "setup.inf");

    UINT errorLine = 0;
    HINF inf = InfOpen(path, &errorLine);
    if (inf != INVALID_HANDLE_VALUE) {
        LogLine("Setup script %s opened", path);
        return inf;
    }
    if (RunLogIsOpen()) {
        char what[MAX_PATH + 64];
        std::snprintf(what, sizeof what, "Setup script %s cannot be read (line %u)", path, errorLine);
        LogError(what, GetLastError());
    }

    // The message holds the whole path and so may be longer than the format's 256 bytes.
    char format[256];
    char message[1024];
    if (!LoadStringA(instance, IDS_SCRIPT_ERROR, format, sizeof format)) format[0] = '\0';
    std::snprintf(message, sizeof message, format, path, static_cast<int>(errorLine));
    ShowRunMessage(owner, message, nullptr, MB_OK | MB_ICONERROR, IDOK);
    RecordOutcome(OutcomeFailed);
    return INVALID_HANDLE_VALUE;
}

namespace {

// The first of `candidates` (a null-terminated list) that names a section with at least
// one line; the plain name, untested, when none does.
const char* ChooseSection(HINF inf, const char* const* candidates, const char* plain)
{
    for (; *candidates; ++candidates) {
        if (InfSectionExists(inf, *candidates)) return *candidates;
    }
    return plain;
}

} // namespace

void ChoosePlatformSections(HINF inf, DWORD platformId, DWORD major, DWORD minor, PlatformSections* sections)
{
    if (platformId == VER_PLATFORM_WIN32_NT) {
        const bool nt5 = major >= 5;
        static const char* const install5[] = {"Install.NT5", "Install.NTx86", "Install.NT", nullptr};
        static const char* const remove5[] = {"Remove.NT5", "Remove.NTx86", "Remove.NT", nullptr};
        static const char* const products5[] = {"Products.NT5", "Products.NTx86", "Products.NT", nullptr};
        const int skip = nt5 ? 0 : 1;  // the ".NT5" names only from version 5 on
        sections->InstallSection = ChooseSection(inf, install5 + skip, "Install");
        sections->RemoveSection = ChooseSection(inf, remove5 + skip, "Remove");
        sections->ProductsSection = ChooseSection(inf, products5 + skip, "Products");
        return;
    }

    // The Windows 95 family. Windows 98 (4.10) passes the Me test as well, so a
    // ".WinMe" section wins over a ".Win98" one there; Windows 95 (4.0) passes neither.
    const bool win98 = major > 4 || (major == 4 && minor > 0);
    const bool winMe = major > 4 || (major == 4 && minor > 7);
    const char* install[4];
    const char* remove[4];
    const char* products[4];
    int n = 0;
    if (winMe) { install[n] = "Install.WinMe"; remove[n] = "Remove.WinMe"; products[n] = "Products.WinMe"; ++n; }
    if (win98) { install[n] = "Install.Win98"; remove[n] = "Remove.Win98"; products[n] = "Products.Win98"; ++n; }
    install[n] = "Install.Win"; remove[n] = "Remove.Win"; products[n] = "Products.Win"; ++n;
    install[n] = remove[n] = products[n] = nullptr;
    sections->InstallSection = ChooseSection(inf, install, "Install");
    sections->RemoveSection = ChooseSection(inf, remove, "Remove");
    sections->ProductsSection = ChooseSection(inf, products, "Products");
}

void SelectPlatformSections(HINF inf)
{
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    GetVersionExA(&version);
    ChoosePlatformSections(inf, version.dwPlatformId, version.dwMajorVersion, version.dwMinorVersion, &g_Sections);
    LogLine("Platform sections: install [%s], remove [%s], products [%s]", g_Sections.InstallSection,
            g_Sections.RemoveSection, g_Sections.ProductsSection);
}
