// Where setup.exe takes its libraries from, when someone has put libraries named like
// system ones into its folder (a download folder, a medium).
//
// The medium holds copies of planted_library.dll under the names of the system libraries
// that a setup program uses or that the system libraries load for it. Each copy leaves a
// marker file beside itself when it is mapped into a process. Wine prefers its own
// builtin libraries and would never take the planted copies, so the tests run with Wine
// told, for those names, to take native copies first: then the search order decides, as
// on Windows. A control run of plant_probe.exe from
// the same folder loads the names the plain way and must take every planted copy, so
// the absence of markers after setup.exe's runs means something.
//
// kernel32, user32, gdi32, advapi32 and msvcrt are left out: Windows takes them from the
// system folder whatever the search order (they are known libraries there), and Wine
// could not start any program with native stand-ins for them.
#include "e2e_support.h"
#include "testsupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const char* const PlantedNames[] = {
    "comctl32.dll", "setupapi.dll", "ole32.dll", "oleaut32.dll", "shell32.dll", "shlwapi.dll",
    "riched32.dll", "riched20.dll", "msftedit.dll", "comdlg32.dll", "uxtheme.dll", "usp10.dll",
    "shcore.dll", "propsys.dll", "windowscodecs.dll", "combase.dll", "rpcrt4.dll",
};

// The condition library that the script names: the same build, under a name of its own.
const char* const NamedLibrary = "qxcheck.dll";

// Wine's overrides for the planted names: native first, then builtin.
std::string NativeFirstOverrides()
{
    std::string names;
    for (const char* name : PlantedNames) {
        const std::string file(name);
        names += (names.empty() ? "" : ",") + file.substr(0, file.size() - 4);
    }
    return names + "=n,b";
}

// Wine reads its overrides from the Unix environment of the first Wine process of a
// chain, never from a Windows program's environment, so ctest gives them to this test
// program (SETUP_WINEDLLOVERRIDES, see tools/wine-run) and every program it starts
// inherits them.
bool OverridesGiven()
{
    char value[2048] = "";
    const DWORD length = GetEnvironmentVariableA("WINEDLLOVERRIDES", value, sizeof value);
    return length > 0 && length < sizeof value && std::string(value).find(NativeFirstOverrides()) != std::string::npos;
}

// One shortcut, one Exec program and one start condition, so that a run needs the
// shell, COM and a condition library besides the Setup API and the common controls.
std::string Script(const std::string& tag)
{
    return "[Version]\r\n"
           "Signature=\"$Chicago$\"\r\n"
           "[DestinationDirs]\r\n"
           "DefaultDestDir = 24,\\NorvalePlanted" + tag + "\r\n"
           "Setup.Files    = 32768\r\n"
           "Remove.Files   = 32768\r\n"
           "[Install]\r\n"
           "Conditions = Start.Check\r\n"
           "CopyFiles  = Setup.Files\r\n"
           "MakeIcons  = Main.Icons\r\n"
           "Exec       = Main.Programs\r\n"
           "Uninstall  = Planted" + tag + ",\"Norvale planted libraries " + tag + "\"\r\n"
           "[Remove]\r\n"
           "DelFiles   = Remove.Files\r\n"
           "DelIcons   = Main.Icons\r\n"
           "[Start.Check]\r\n"
           "1 = " + NamedLibrary + ",Holds\r\n"
           "[Main.Icons]\r\n"
           "1 = UPRG,Norvale Planted " + tag + "\\Read Me,%32768%\\readme.txt\r\n"
           "[Main.Programs]\r\n"
           "probe = 2,exec_fixture.exe\r\n"
           "[Setup.Files]\r\n"
           "setup.exe\r\n"
           "setup.inf\r\n"
           "readme.txt\r\n"
           "qxcheck.dll\r\n"
           "; setup.exe stays: it runs the removal\r\n"
           "[Remove.Files]\r\n"
           "setup.inf\r\n"
           "readme.txt\r\n"
           "qxcheck.dll\r\n"
           "[SourceDisksNames]\r\n"
           "1 = \"Norvale\",,,\r\n"
           "[SourceDisksFiles]\r\n"
           "setup.exe  = 1\r\n"
           "setup.inf  = 1\r\n"
           "readme.txt = 1\r\n"
           "qxcheck.dll = 1\r\n";
}

// A medium of the package with the planted libraries beside setup.exe.
bool LayOut(const e2e::Medium& medium, const std::string& tag)
{
    const std::string tests = testsupport::TestFolder();
    const std::string planted = tests + "\\planted_library.dll";
    for (const char* name : PlantedNames) {
        if (!CopyFileA(planted.c_str(), (medium.folder + "\\" + name).c_str(), FALSE)) return false;
    }
    return CopyFileA(planted.c_str(), (medium.folder + "\\" + NamedLibrary).c_str(), FALSE) &&
           CopyFileA((tests + "\\exec_fixture.exe").c_str(), (medium.folder + "\\exec_fixture.exe").c_str(), FALSE) &&
           CopyFileA((tests + "\\plant_probe.exe").c_str(), (medium.folder + "\\plant_probe.exe").c_str(), FALSE) &&
           testsupport::WriteFile(medium.folder + "\\readme.txt", "Norvale\r\n") && medium.WriteScript(Script(tag));
}

std::string Marker(const std::string& folder, const char* name)
{
    return folder + "\\" + name + ".loaded";
}

// The planted libraries in `folder` that some process has loaded.
std::vector<std::string> LoadedPlanted(const std::string& folder)
{
    std::vector<std::string> loaded;
    for (const char* name : PlantedNames) {
        if (testsupport::FileExists(Marker(folder, name))) loaded.push_back(name);
    }
    return loaded;
}

std::string Join(const std::vector<std::string>& names)
{
    std::string text;
    for (const std::string& name : names) text += " " + name;
    return text;
}

std::string ProgramsFolder()
{
    char path[MAX_PATH] = "";
    DWORD size = sizeof path;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", 0,
                      KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return "";
    DWORD type = 0;
    const LONG result = RegQueryValueExA(key, "Programs", nullptr, &type, reinterpret_cast<BYTE*>(path), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || type != REG_SZ || size == 0 || size > sizeof path) return "";
    path[size - 1] = '\0';
    return path;
}

std::string ReadUninstallString(const std::string& key)
{
    char value[1024] = "";
    DWORD size = sizeof value;
    HKEY handle = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, testsupport::UninstallKeyPath(key).c_str(), 0, KEY_QUERY_VALUE, &handle) !=
        ERROR_SUCCESS)
        return "";
    DWORD type = 0;
    const LONG result = RegQueryValueExA(handle, "UninstallString", nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(handle);
    if (result != ERROR_SUCCESS || type != REG_SZ || size == 0 || size > sizeof value) return "";
    value[size - 1] = '\0';
    return value;
}

} // namespace

// The control: a program that loads libraries by their bare names, started from the
// medium under the same overrides, takes every planted copy.
TEST(PlantedLibraries, APlainLoadFromTheFolderTakesThem)
{
    const std::string tag = std::to_string(GetCurrentProcessId());
    e2e::Medium medium("e2e-planted-control");
    ASSERT_TRUE(medium.ready);
    ASSERT_TRUE(LayOut(medium, tag));
    ASSERT_TRUE(OverridesGiven()) << "run through ctest, which sets SETUP_WINEDLLOVERRIDES=" << NativeFirstOverrides();

    std::string command = testsupport::Quote(medium.folder + "\\plant_probe.exe");
    for (const char* name : PlantedNames) command += std::string(" ") + name;
    const testsupport::ProcessResult probe = testsupport::RunProgram(command, medium.folder, e2e::WaitLimitMs);
    ASSERT_TRUE(probe.started);
    ASSERT_TRUE(probe.finished);
    EXPECT_EQ(0u, probe.exitCode) << "libraries the probe could not load";
    EXPECT_EQ(sizeof PlantedNames / sizeof PlantedNames[0], LoadedPlanted(medium.folder).size())
        << "taken:" << Join(LoadedPlanted(medium.folder));
}

// An installation and its removal, unattended, and the wizard up to its first page: no
// planted copy is loaded, while the condition library that the script names is taken
// from the medium.
TEST(PlantedLibraries, SetupTakesOnlyTheLibrariesTheScriptNames)
{
    const std::string tag = std::to_string(GetCurrentProcessId());
    e2e::Medium medium("e2e-planted");
    ASSERT_TRUE(medium.ready);
    ASSERT_TRUE(LayOut(medium, tag));
    e2e::UninstallEntry entry("Planted" + tag);
    const std::string programs = ProgramsFolder();
    ASSERT_FALSE(programs.empty());
    const std::string link = programs + "\\Norvale Planted " + tag + "\\Read Me.lnk";
    ASSERT_TRUE(OverridesGiven()) << "run through ctest, which sets SETUP_WINEDLLOVERRIDES=" << NativeFirstOverrides();

    {
        SCOPED_TRACE("setup.exe /quiet");
        EXPECT_UNATTENDED_RUN(e2e::RunUnattended(medium.exe, "/quiet"));
        EXPECT_TRUE(testsupport::FileExists(Marker(medium.folder, NamedLibrary)))
            << "the script's condition library was not loaded from the medium";
        EXPECT_TRUE(testsupport::FileExists(link)) << link;
        EXPECT_TRUE(LoadedPlanted(medium.folder).empty()) << "taken:" << Join(LoadedPlanted(medium.folder));
    }
    {
        SCOPED_TRACE("the wizard");
        const e2e::FirstPageRun run = e2e::RunToFirstPageAndCancel(medium.exe, "");
        EXPECT_TRUE(run.sheetShown);
        EXPECT_TRUE(LoadedPlanted(medium.folder).empty()) << "taken:" << Join(LoadedPlanted(medium.folder));
    }
    {
        SCOPED_TRACE("the removal through the uninstall entry");
        const std::string command = ReadUninstallString("Planted" + tag);
        ASSERT_FALSE(command.empty());
        const std::string installed = command.substr(1, command.find("\\setup.exe\"") - 1);
        // The installed copy runs from the package's folder: plant there too.
        const std::string planted = testsupport::TestFolder() + "\\planted_library.dll";
        for (const char* name : PlantedNames)
            ASSERT_TRUE(CopyFileA(planted.c_str(), (installed + "\\" + name).c_str(), FALSE)) << installed;
        EXPECT_UNATTENDED_RUN(e2e::RunUnattendedCommand(command + " /quiet"));
        EXPECT_FALSE(testsupport::FileExists(link)) << link;
        EXPECT_TRUE(LoadedPlanted(installed).empty()) << "taken:" << Join(LoadedPlanted(installed));
        EXPECT_FALSE(testsupport::FileExists(installed + "\\" + NamedLibrary));
        DeleteFileA((installed + "\\setup.exe").c_str());
        testsupport::RemoveTree(installed);
    }
}
