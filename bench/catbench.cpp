// How the product catalogue's cost grows with the products section: times building the
// catalogue, filling the component page's real list box (the page's own dialog
// template), and counting the products that stay registered in a removal.
//
//   catbench.exe INF-FILE REPEATS
//
// Every product is registered first (an uninstall entry with a ProductVersion), as after
// an earlier installation, so the list compares versions and the removal finds every
// other product still registered; the entries are deleted again at the end. Prints the
// best of REPEATS runs of each, in milliseconds, and the product count; and the best time
// of the Setup API alone finding every install section's Conditions line by name, which
// building the catalogue does too (Wine searches the sections one by one).

#include "../app/setup.h"
#include "../base/handles.h"
#include "../catalogue/catalogue.h"
#include "../pages/pages.h"
#include "../resources/resource.h"

#include <shlwapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

INT_PTR CALLBACK PageProc(HWND, UINT message, WPARAM, LPARAM lParam)
{
    if (message == WM_MEASUREITEM) {
        reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->itemHeight = 18;
        return TRUE;
    }
    return message == WM_INITDIALOG;
}

const char UninstallRoot[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// The keys of the products section, as the registry names them.
std::vector<std::string> SectionKeys(HINF inf, const char* section)
{
    std::vector<std::string> keys;
    INFCONTEXT line;
    if (!SetupFindFirstLineA(inf, section, nullptr, &line)) return keys;
    do {
        char key[128];
        if (SetupGetStringFieldA(&line, 0, key, sizeof key, nullptr)) keys.push_back(key);
    } while (SetupFindNextLine(&line, &line));
    return keys;
}

void RegisterProducts(const std::vector<std::string>& keys)
{
    for (const std::string& key : keys) {
        UniqueKey entry;
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, (UninstallRoot + key).c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                            entry.put(), nullptr) == ERROR_SUCCESS)
            RegSetValueExA(entry.get(), "ProductVersion", 0, REG_SZ, reinterpret_cast<const BYTE*>("1.0"), 4);
    }
}

void UnregisterProducts(const std::vector<std::string>& keys)
{
    for (const std::string& key : keys) SHDeleteKeyA(HKEY_LOCAL_MACHINE, (UninstallRoot + key).c_str());
}

// What the Setup API itself takes for the look-ups that building the catalogue cannot
// do without: each products line's install section asked for its Conditions line, by
// name, with nothing else around it.
void LookUpConditionLines(HINF inf, const char* section)
{
    INFCONTEXT line;
    if (!SetupFindFirstLineA(inf, section, nullptr, &line)) return;
    do {
        char install[256];
        INFCONTEXT conditions;
        if (SetupGetStringFieldA(&line, 2, install, sizeof install, nullptr) && install[0])
            SetupFindFirstLineA(inf, install, "Conditions", &conditions);
    } while (SetupFindNextLine(&line, &line));
}

double Milliseconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * (to.QuadPart - from.QuadPart) / frequency.QuadPart;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: catbench.exe INF-FILE REPEATS\n");
        return 2;
    }
    const int repeats = std::atoi(argv[2]) > 0 ? std::atoi(argv[2]) : 1;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    InitCommonControls();
    UniqueInf inf(SetupOpenInfFileA(argv[1], nullptr, INF_STYLE_WIN4, nullptr));
    if (!inf) return 1;

    const std::vector<std::string> keys = SectionKeys(inf.get(), g_Sections.ProductsSection);
    RegisterProducts(keys);

    HWND host = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 600, 400, nullptr, nullptr, instance, nullptr);
    double build = 1e9, fill = 1e9, staying = 1e9, lookups = 1e9;
    int products = 0, rows = 0;
    for (int i = 0; i < repeats; ++i) {
        LARGE_INTEGER t0, t1, t2, t3;
        HWND page = CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_COMPONENTS), host, PageProc, 0);
        if (!page) break;
        QueryPerformanceCounter(&t0);
        products = BuildProductCatalogue(inf.get(), host, instance, g_Sections.ProductsSection, 0);
        QueryPerformanceCounter(&t1);
        FillComponentList(page, inf.get());
        QueryPerformanceCounter(&t2);
        // The removal of the first product: every other product is asked whether it
        // stays registered.
        char selected[130] = {};
        if (products > 0) lstrcpynA(selected, ProductKey(0), 128);
        CollectRemoveSections(inf.get(), selected, &g_SectionList);
        QueryPerformanceCounter(&t3);
        rows = static_cast<int>(SendDlgItemMessageA(page, IDC_COMPONENT_LIST, LB_GETCOUNT, 0, 0));
        DestroyWindow(page);
        if (Milliseconds(t0, t1) < build) build = Milliseconds(t0, t1);
        if (Milliseconds(t1, t2) < fill) fill = Milliseconds(t1, t2);
        if (Milliseconds(t2, t3) < staying) staying = Milliseconds(t2, t3);
        LARGE_INTEGER t4, t5;
        QueryPerformanceCounter(&t4);
        LookUpConditionLines(inf.get(), g_Sections.ProductsSection);
        QueryPerformanceCounter(&t5);
        if (Milliseconds(t4, t5) < lookups) lookups = Milliseconds(t4, t5);
    }
    FreeProductCatalogue();
    DestroyWindow(host);
    UnregisterProducts(keys);
    std::printf("products=%d rows=%d build_ms=%.3f fill_ms=%.3f staying_ms=%.3f lookups_ms=%.3f\n", products, rows,
                build, fill, staying, lookups);
    return products > 0 && rows == products ? 0 : 1;
}
