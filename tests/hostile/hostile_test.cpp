// setup.exe run unattended on scripts and libraries that push its limits: a script
// without a final line break, four hundred products, keys with hundreds of fields, a
// target folder that cannot be made, plug-in libraries that offer billions of steps or
// fault while describing a step. Each run must end by itself with exit code 0 and leave
// exactly what the program's rules give: the files and registry values of what it
// installed, its uninstall entries, the boxes it showed, and nothing else.
//
// The target folder is an absolute folder (directory id -1) in the test's scratch
// folder, so these runs do not read the machine's program files folder. Registry keys
// and uninstall entries are named after the test's process and removed at the end.

#include "e2e_support.h"
#include "testsupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using testsupport::MachineKeyExists;

std::string ProcessTag()
{
    return std::to_string(GetCurrentProcessId());
}

// The names of HKLM\`path`'s values (or subkeys), in the registry's order.
std::vector<std::string> Names(const std::string& path, bool keys)
{
    std::vector<std::string> names;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return names;
    char name[1024];
    for (DWORD index = 0;; ++index) {
        DWORD size = sizeof name;
        const LONG result = keys ? RegEnumKeyExA(key, index, name, &size, nullptr, nullptr, nullptr, nullptr)
                                 : RegEnumValueA(key, index, name, &size, nullptr, nullptr, nullptr, nullptr);
        if (result != ERROR_SUCCESS) break;
        names.push_back(name);
    }
    RegCloseKey(key);
    return names;
}

// The names in a folder, sorted.
std::vector<std::string> FolderEntries(const std::string& folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        const std::string name = found.cFileName;
        if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileA(find, &found));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

std::string FailedRunText(DWORD code)
{
    return "The installation did not complete successfully.\r\n\r\n"
           + testsupport::SystemErrorText(code, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
}

// A medium whose script installs into an absolute folder of the scratch folder. The
// script's main install section copies setup.exe and setup.inf there and writes the
// value Package under the test's registry key; `extraInstall` adds lines to it and
// `sections` adds whole sections. The uninstall entries named in `entries`, the test's
// registry key and the scratch folder are removed at the end.
struct Package {
    explicit Package(const char* prefix) : medium(prefix)
    {
        registry = std::string("Software\\NorvaleHostile") + ProcessTag();
        target = medium.root + "\\Target";
    }
    ~Package()
    {
        for (const std::string& entry : entries) testsupport::DeleteKeyTree(HKEY_LOCAL_MACHINE, UninstallKey(entry));
        testsupport::DeleteKeyTree(HKEY_LOCAL_MACHINE, registry);
    }

    std::string UninstallKey(const std::string& entry) const { return testsupport::UninstallKeyPath(entry); }

    std::string Script(const std::string& extraInstall, const std::string& sections,
                       const std::string& destination = std::string()) const
    {
        return "[Version]\r\n"
               "Signature=\"$Chicago$\"\r\n"
               "[DestinationDirs]\r\n"
               "DefaultDestDir = -1," + (destination.empty() ? target : destination) + "\r\n"
               "Setup.Files = 32768\r\n"
               "[Install]\r\n"
               "CopyFiles = Setup.Files\r\n"
               "AddReg = Main.AddReg\r\n" + extraInstall +
               "[Setup.Files]\r\n"
               "setup.exe\r\n"
               "setup.inf\r\n"
               "[Main.AddReg]\r\n"
               "HKLM,\"" + registry + "\",Package,0,\"QX-40\"\r\n"
               "[SourceDisksNames]\r\n"
               "1 = \"Hostile medium\",,,\r\n"
               "[SourceDisksFiles]\r\n"
               "setup.exe = 1\r\n"
               "setup.inf = 1\r\n" + sections;
    }

    // Copies a library or program of the test folder into the medium.
    bool AddFromTests(const char* name) const
    {
        return CopyFileA((testsupport::TestFolder() + "\\" + name).c_str(), (medium.folder + "\\" + name).c_str(),
                         FALSE) != 0;
    }

    e2e::Medium medium;
    std::string registry;
    std::string target;
    std::vector<std::string> entries;
};

// The lines the plug-in fixtures appended to their log during a run.
struct PluginLog {
    PluginLog()
    {
        folder = testsupport::MakeScratchFolder("HostileLog");
        path = folder + "\\steps.log";
        SetEnvironmentVariableA("HOSTILE_PLUGIN_LOG", path.c_str());
    }
    ~PluginLog()
    {
        SetEnvironmentVariableA("HOSTILE_PLUGIN_LOG", nullptr);
        testsupport::RemoveTree(folder);
    }
    std::string Read() const
    {
        std::string bytes;
        return testsupport::ReadFile(path, &bytes) ? bytes : "<no log>";
    }
    std::string folder, path;
};

// ---------------------------------------------------------------------------------
// The script's shape

TEST(HostileScript, ALastLineWithoutLineBreakIsRead)
{
    Package package("HostileEol");
    ASSERT_TRUE(package.medium.ready);
    // The script ends in the middle of its last registry line's text, right after the
    // closing quote: no carriage return, no line feed.
    std::string script = package.Script("", "[Last.AddReg]\r\n"
                                            "HKLM,\"" + package.registry + "\",Last,0,\"end of file\"");
    script.replace(script.find("AddReg = Main.AddReg"), 20, "AddReg = Main.AddReg,Last.AddReg");
    ASSERT_TRUE(package.medium.WriteScript(script));

    const e2e::UnattendedRun run = e2e::RunUnattended(package.medium.exe, "/quiet /lang:eng");
    EXPECT_UNATTENDED_RUN(run);
    EXPECT_EQ("end of file", testsupport::MachineText(package.registry, "Last"));
    EXPECT_EQ("QX-40", testsupport::MachineText(package.registry, "Package"));
    EXPECT_TRUE(testsupport::FileExists(package.target + "\\setup.exe"));
    EXPECT_TRUE(testsupport::FileExists(package.target + "\\setup.inf"));
}

// Four hundred products, all checked by default: the unattended run selects them all,
// runs every install section after the main one, and registers every product (some
// four times what 1,024 bytes of either list held).
TEST(HostileScript, HundredsOfProductsAreAllInstalledAndRegistered)
{
    Package package("HostileMany");
    ASSERT_TRUE(package.medium.ready);
    // Far past any fixed list of 1,024 bytes, and short of the wait limit: the Setup API
    // finds each of the three sections a product adds by walking the sections before it.
    const int productCount = 400;
    const std::string prefix = "H" + ProcessTag() + "_";
    std::vector<std::string> keys;
    std::string products = "[Products]\r\n", sections;
    for (int i = 0; i < productCount; ++i) {
        char number[8];
        std::snprintf(number, sizeof number, "%04d", i);
        const std::string key = prefix + number;
        keys.push_back(key);
        products += key + " = \"Product " + number + "\"," + key + ".Install," + key + ".Remove,1,0,\"Part " +
                    number + "\",1.0\r\n";
        sections += "[" + key + ".Install]\r\nAddReg = " + key + ".AddReg\r\n"
                    "[" + key + ".Remove]\r\nDelReg = " + key + ".AddReg\r\n"
                    "[" + key + ".AddReg]\r\nHKLM,\"" + package.registry + "\\Products\"," + key + ",0,\"1\"\r\n";
    }
    package.entries = keys;
    ASSERT_TRUE(package.medium.WriteScript(package.Script("", products + sections)));

    const e2e::UnattendedRun run = e2e::RunUnattended(package.medium.exe, "/quiet /lang:eng");
    EXPECT_UNATTENDED_RUN(run);
    EXPECT_EQ("QX-40", testsupport::MachineText(package.registry, "Package"));

    EXPECT_EQ(keys, Names(package.registry + "\\Products", false));
    std::vector<std::string> registered;
    for (const std::string& key : keys)
        if (MachineKeyExists(package.UninstallKey(key))) registered.push_back(key);
    EXPECT_EQ(keys, registered);
    EXPECT_EQ("1.0", testsupport::MachineText(package.UninstallKey(keys[0]), "ProductVersion"));
    EXPECT_EQ(package.target, testsupport::MachineText(package.UninstallKey(keys.back()), "UserTargetDir"));
}

// A /quiet: list of nearly 3 KiB naming 120 products that nothing checks by default:
// every named product is installed and registered.
TEST(HostileScript, AQuietListOfNearly3KiBInstallsEveryNamedProduct)
{
    Package package("HostileList");
    ASSERT_TRUE(package.medium.ready);
    const std::string prefix = "H" + ProcessTag() + "_Named_Product_";
    std::vector<std::string> keys;
    std::string products = "[Products]\r\n", sections, names;
    for (int i = 0; i < 120; ++i) {
        char number[8];
        std::snprintf(number, sizeof number, "%03d", i);
        const std::string key = prefix + number, section = std::string("S") + number;
        keys.push_back(key);
        names += (i ? "," : "") + key;
        products += key + " = \"Product " + number + "\"," + section + ".I," + section + ".R,0,0,\"p\"\r\n";
        sections += "[" + section + ".I]\r\nAddReg = " + section + ".A\r\n[" + section + ".R]\r\nDelReg = " + section +
                    ".A\r\n[" + section + ".A]\r\nHKLM,\"" + package.registry + "\\Products\"," + key + ",0,\"1\"\r\n";
    }
    package.entries = keys;
    ASSERT_GT(names.size(), 2048u);
    ASSERT_TRUE(package.medium.WriteScript(package.Script("", products + sections)));

    const e2e::UnattendedRun run = e2e::RunUnattended(package.medium.exe, "/quiet:" + names + " /lang:eng");
    EXPECT_UNATTENDED_RUN(run);
    EXPECT_EQ(keys, Names(package.registry + "\\Products", false));
    std::vector<std::string> registered;
    for (const std::string& key : keys)
        if (MachineKeyExists(package.UninstallKey(key))) registered.push_back(key);
    EXPECT_EQ(keys, registered);
}

// ---------------------------------------------------------------------------------
// Keys with hundreds of fields: every field is taken, however far down the line.

std::string Fields(const char* stem, int count)
{
    std::string line;
    for (int i = 1; i <= count; ++i) line += (i > 1 ? "," : "") + std::string(stem) + std::to_string(i);
    return line;
}

TEST(HostileScript, ConditionsOfThreeHundredFieldsAreAllAsked)
{
    Package package("HostileConditions");
    ASSERT_TRUE(package.medium.ready);
    ASSERT_TRUE(package.AddFromTests("cond_norvale.dll"));
    ASSERT_TRUE(package.AddFromTests("cond_tessaro.dll"));
    // 299 condition sections that hold, then one that does not.
    std::string sections;
    for (int i = 1; i < 300; ++i) sections += "[Holds" + std::to_string(i) + "]\r\ncond_norvale.dll,Holds\r\n";
    sections += "[Holds300]\r\ncond_tessaro.dll,Fails\r\n";
    ASSERT_TRUE(package.medium.WriteScript(package.Script("Conditions = " + Fields("Holds", 300) + "\r\n", sections)));

    const e2e::UnattendedRun run = e2e::RunUnattended(package.medium.exe, "/quiet /lang:eng");
    ASSERT_TRUE(run.started);
    ASSERT_EQ(1u, run.boxes.size()) << e2e::DescribeBoxes(run.boxes);
    EXPECT_EQ("Tessaro driver 2.1 is missing.", run.boxes[0].text);
    EXPECT_TRUE(run.exit.exited);
    EXPECT_EQ(0u, run.exit.exitCode);
    EXPECT_FALSE(MachineKeyExists(package.registry));
    EXPECT_FALSE(testsupport::FileExists(package.target));

    // With the last one holding too, the installation runs.
    sections.replace(sections.find("cond_tessaro.dll,Fails"), 22, "cond_tessaro.dll,Holds");
    ASSERT_TRUE(package.medium.WriteScript(package.Script("Conditions = " + Fields("Holds", 300) + "\r\n", sections)));
    const e2e::UnattendedRun holding = e2e::RunUnattended(package.medium.exe, "/quiet /lang:eng");
    EXPECT_UNATTENDED_RUN(holding);
    EXPECT_EQ("QX-40", testsupport::MachineText(package.registry, "Package"));
}

TEST(HostileScript, ExecAndPluginsOfThreeHundredFieldsReachTheLastOne)
{
    Package package("HostileFields");
    ASSERT_TRUE(package.medium.ready);
    ASSERT_TRUE(package.AddFromTests("exec_fixture.exe"));
    ASSERT_TRUE(package.AddFromTests("hostile_one.dll"));
    PluginLog log;
    const std::string execLog = log.folder + "\\exec.log";
    // An empty name and 299 program sections that do not exist, then one that does;
    // 299 libraries that do not exist, then one that does.
    const std::string extra = "Exec = ," + Fields("NoPrograms", 299) + ",Programs\r\n"
                              "Plugins = " + Fields("missing", 299) + ",hostile_one.dll\r\n";
    const std::string sections = "[Programs]\r\n2,\"" + package.medium.folder + "\\exec_fixture.exe\",\"" + execLog +
                                 " last\"\r\n";
    ASSERT_TRUE(package.medium.WriteScript(package.Script(extra, sections)));

    const e2e::UnattendedRun run = e2e::RunUnattended(package.medium.exe, "/quiet /lang:eng");
    EXPECT_UNATTENDED_RUN(run);
    EXPECT_EQ("Last\r\n", log.Read());
    std::string exec;
    ASSERT_TRUE(testsupport::ReadFile(execLog, &exec));
    EXPECT_EQ(0u, exec.find("start\t")) << exec;
    EXPECT_NE(std::string::npos, exec.find("\tlast\t")) << exec;
    EXPECT_NE(std::string::npos, exec.find("end\t")) << exec;
    EXPECT_EQ("QX-40", testsupport::MachineText(package.registry, "Package"));
}

// The user's "Programs" folder as the Explorer's "Shell Folders" value names it.
std::string UserProgramsFolder()
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", 0,
                      KEY_READ, &key) != ERROR_SUCCESS)
        return std::string();
    char value[MAX_PATH] = {};
    DWORD type = 0, size = sizeof value - 1;
    const LONG result = RegQueryValueExA(key, "Programs", nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS && type == REG_SZ ? value : "";
}

TEST(HostileShortcuts, MakeIconsOfThreeHundredFieldsReachTheLastOne)
{
    Package package("HostileIcons");
    ASSERT_TRUE(package.medium.ready);
    const std::string programs = UserProgramsFolder();
    ASSERT_FALSE(programs.empty());
    const std::string group = "NorvaleHostile" + ProcessTag();
    const std::string link = programs + "\\" + group + "\\Client.lnk";
    struct Cleanup {
        std::string folder;
        ~Cleanup() { testsupport::RemoveTree(folder); }
    } cleanup{programs + "\\" + group};
    // An empty name and 299 sections that do not exist, then one that does.
    const std::string extra = "MakeIcons = ," + Fields("NoIcons", 299) + ",Icons\r\n";
    const std::string sections = "[Icons]\r\nClient = UPRG," + group + "\\Client," + package.target + "\\setup.exe\r\n";
    ASSERT_TRUE(package.medium.WriteScript(package.Script(extra, sections)));

    const e2e::UnattendedRun run = e2e::RunUnattended(package.medium.exe, "/quiet /lang:eng");
    EXPECT_UNATTENDED_RUN(run);
    EXPECT_TRUE(testsupport::FileExists(link)) << link;
    EXPECT_EQ((std::vector<std::string>{"Client.lnk"}), FolderEntries(programs + "\\" + group));
}

// ---------------------------------------------------------------------------------
// The target folder

TEST(HostileTarget, AFolderThatCannotBeMadeFailsTheRunAndChangesNothingElse)
{
    Package package("HostileTarget");
    ASSERT_TRUE(package.medium.ready);
    // A folder name with a character that no file system takes.
    const std::string target = package.medium.root + "\\Bad|Name\\Target";
    const std::string key = "H" + ProcessTag() + "_Client";
    package.entries.push_back(key);
    const std::string products = "[Products]\r\n" + key + " = \"Client\",Client.Install,Client.Remove,1,0,\"c\"\r\n"
                                 "[Client.Install]\r\nAddReg = Main.AddReg\r\n[Client.Remove]\r\nDelReg = Main.AddReg\r\n";
    ASSERT_TRUE(package.medium.WriteScript(package.Script("", products, target)));

    const e2e::UnattendedRun run = e2e::RunUnattended(package.medium.exe, "/quiet /lang:eng");
    ASSERT_TRUE(run.started);
    ASSERT_EQ(1u, run.boxes.size()) << e2e::DescribeBoxes(run.boxes);
    EXPECT_EQ(FailedRunText(ERROR_INVALID_NAME), run.boxes[0].text);
    EXPECT_TRUE(run.exit.exited);
    EXPECT_EQ(0u, run.exit.exitCode);

    // The commit failed before the registry stage: nothing of it was made.
    EXPECT_FALSE(MachineKeyExists(package.registry));
    EXPECT_EQ((std::vector<std::string>{"setup.exe", "setup.inf"}), FolderEntries(package.medium.root));
    // The uninstall entry was written before the steps ran, and a failure does not take
    // it back.
    EXPECT_EQ("Client", testsupport::MachineText(package.UninstallKey(key), "DisplayName"));
    EXPECT_EQ(target, testsupport::MachineText(package.UninstallKey(key), "UserTargetDir"));
}

TEST(HostileTarget, AFolderBelowAFileFailsTheRunAndLeavesTheFileAlone)
{
    Package package("HostileBlocked");
    ASSERT_TRUE(package.medium.ready);
    const std::string blocker = package.medium.root + "\\Blocker";
    ASSERT_TRUE(testsupport::WriteFile(blocker, "not a folder"));
    ASSERT_TRUE(package.medium.WriteScript(package.Script("", "", blocker + "\\Target\\Deeper")));

    const e2e::UnattendedRun run = e2e::RunUnattended(package.medium.exe, "/quiet /lang:eng");
    ASSERT_TRUE(run.started);
    ASSERT_EQ(1u, run.boxes.size()) << e2e::DescribeBoxes(run.boxes);
    EXPECT_EQ(FailedRunText(ERROR_PATH_NOT_FOUND), run.boxes[0].text);
    EXPECT_FALSE(run.exit.killed);
    EXPECT_TRUE(run.exit.exited);
    EXPECT_EQ(0u, run.exit.exitCode);

    std::string bytes;
    ASSERT_TRUE(testsupport::ReadFile(blocker, &bytes));
    EXPECT_EQ("not a folder", bytes);
    EXPECT_FALSE(MachineKeyExists(package.registry));
    EXPECT_EQ((std::vector<std::string>{"Blocker", "setup.exe", "setup.inf"}), FolderEntries(package.medium.root));
}

// A default folder past MAX_PATH leaves the target page with no folder to propose.
// Taken as the folder, the empty text would send the files to the root of the current
// drive; the unattended run names the folder in an error box instead and ends by itself
// with nothing installed.
TEST(HostileTarget, ADefaultFolderPastMaxPathIsNamedAndEndsAnUnattendedRun)
{
    Package package("HostileLongTarget");
    ASSERT_TRUE(package.medium.ready);
    const std::string target = package.medium.root + "\\" + std::string(120, 'a') + "\\" + std::string(120, 'b') +
                               "\\" + std::string(40, 'c');
    ASSERT_GT(target.size(), static_cast<size_t>(MAX_PATH));
    const std::string key = "H" + ProcessTag() + "_Client";
    package.entries.push_back(key);
    const std::string products = "[Products]\r\n" + key + " = \"Client\",Client.Install,Client.Remove,1,0,\"c\"\r\n"
                                 "[Client.Install]\r\nAddReg = Main.AddReg\r\n[Client.Remove]\r\nDelReg = Main.AddReg\r\n";
    ASSERT_TRUE(package.medium.WriteScript(package.Script("", products, target)));
    char windows[MAX_PATH] = "";
    ASSERT_NE(0u, GetWindowsDirectoryA(windows, sizeof windows));
    const std::string drive = std::string(windows).substr(0, 3);
    const std::vector<std::string> rootBefore = FolderEntries(drive);

    const e2e::BoxRun run = e2e::RunAnsweringBoxes(package.medium.exe, "/quiet /lang:eng");
    ASSERT_EQ(1u, run.boxes.size()) << e2e::DescribeBoxes(run.boxes);
    EXPECT_NE(std::string::npos, run.boxes[0].text.find("\x93" + target + "\x94 cannot be used")) << run.boxes[0].text;
    EXPECT_FALSE(run.exit.killed);
    EXPECT_TRUE(run.exit.exited);
    EXPECT_EQ(0u, run.exit.exitCode);

    EXPECT_FALSE(MachineKeyExists(package.registry));
    EXPECT_FALSE(MachineKeyExists(package.UninstallKey(key)));
    EXPECT_EQ(rootBefore, FolderEntries(drive));
    EXPECT_EQ((std::vector<std::string>{"setup.exe", "setup.inf"}), FolderEntries(package.medium.root));
}

// ---------------------------------------------------------------------------------
// Plug-in libraries

// A library that offers 0x7FFFFFFF steps: the program takes its first 4096 and leaves
// the rest, instead of filling the address space with step records and failing the
// run for want of memory.
TEST(HostilePlugins, AHugeStepCountIsCutAt4096Steps)
{
    Package package("HostileHuge");
    ASSERT_TRUE(package.medium.ready);
    ASSERT_TRUE(package.AddFromTests("hostile_huge.dll"));
    PluginLog log;
    ASSERT_TRUE(package.medium.WriteScript(package.Script("Plugins = hostile_huge.dll\r\n", "")));

    const e2e::UnattendedRun run = e2e::RunUnattended(package.medium.exe, "/quiet /lang:eng");
    EXPECT_UNATTENDED_RUN(run);
    // The last step collected runs first.
    EXPECT_EQ("Last\r\nLow\r\nLow\r\nLow\r\n", log.Read());
    EXPECT_EQ("QX-40", testsupport::MachineText(package.registry, "Package"));
    EXPECT_TRUE(testsupport::FileExists(package.target + "\\setup.exe"));
}

// A library that faults while describing its second step contributes no steps; the
// libraries beside it and the installation go on as if it were not there.
TEST(HostilePlugins, AFaultInGetStepNumberLeavesThatLibraryOut)
{
    Package package("HostileCrash");
    ASSERT_TRUE(package.medium.ready);
    ASSERT_TRUE(package.AddFromTests("hostile_crash.dll"));
    ASSERT_TRUE(package.AddFromTests("hostile_one.dll"));
    PluginLog log;
    ASSERT_TRUE(package.medium.WriteScript(package.Script("Plugins = hostile_one.dll,hostile_crash.dll,hostile_one.dll\r\n", "")));

    const e2e::UnattendedRun run = e2e::RunUnattended(package.medium.exe, "/quiet /lang:eng");
    EXPECT_UNATTENDED_RUN(run);
    EXPECT_EQ("Last\r\nLast\r\n", log.Read());
    EXPECT_EQ("QX-40", testsupport::MachineText(package.registry, "Package"));
    EXPECT_TRUE(testsupport::FileExists(package.target + "\\setup.exe"));
}

} // namespace
