// The fault tests' package, orders to the fault plug-in and checks.

#include "fault_support.h"

#include <gtest/gtest.h>

namespace faults {

namespace {

using testsupport::Lower;
using testsupport::MachineKeyExists;
using testsupport::ReadMachineText;
using testsupport::ReplaceAll;

// The script; "{NAME}" fields are replaced per package.
const char* const ScriptTemplate =
    "[Version]\r\n"
    "Signature=\"$Chicago$\"\r\n"
    "\r\n"
    "[DestinationDirs]\r\n"
    "DefaultDestDir = 24,\\NorvaleFault{ID}\r\n"
    "Setup.Files    = 32768\r\n"
    "Main.Files     = 32768\r\n"
    "Client.Files   = 32768,Client\r\n"
    "\r\n"
    "[Install]\r\n"
    "Plugins   = fault_plugin.dll\r\n"
    "CopyFiles = Setup.Files,Main.Files\r\n"
    "AddReg    = Main.AddReg\r\n"
    "Uninstall = {MAIN},\"Norvale fault package {ID}\"\r\n"
    "{INSTALL}"
    "\r\n"
    "[Remove]\r\n"
    "Plugins   = fault_plugin.dll\r\n"
    "DelFiles  = Main.Files\r\n"
    "DelReg    = Main.DelReg\r\n"
    "{REMOVE}"
    "\r\n"
    "[Products]\r\n"
    "{CLIENT} = \"QX-40 Client\",Client.Install,Client.Remove,1,1,\"The client manager.\",2.1\r\n"
    "\r\n"
    "[Client.Install]\r\n"
    "CopyFiles = Client.Files\r\n"
    "AddReg    = Client.AddReg\r\n"
    "[Client.Remove]\r\n"
    "DelFiles  = Client.Files\r\n"
    "DelReg    = Client.DelReg\r\n"
    "\r\n"
    "[Setup.Files]\r\n"
    "setup.exe\r\n"
    "setup.inf\r\n"
    "[Main.Files]\r\n"
    "main.dll\r\n"
    "readme.txt\r\n"
    "[Client.Files]\r\n"
    "client.dll\r\n"
    "client.hlp\r\n"
    "\r\n"
    "[Main.AddReg]\r\n"
    "HKLM,\"{REG}\",InstallDir,0,\"%32768%\"\r\n"
    "[Main.DelReg]\r\n"
    "HKLM,\"{REG}\"\r\n"
    "[Client.AddReg]\r\n"
    "HKLM,\"{REG}\\Client\",Version,0,\"2.1\"\r\n"
    "[Client.DelReg]\r\n"
    "HKLM,\"{REG}\\Client\"\r\n"
    "{SECTIONS}"
    "\r\n"
    "[SourceDisksNames]\r\n"
    "1 = \"Norvale fault medium\",,,\r\n"
    "\r\n"
    "[SourceDisksFiles]\r\n"
    "setup.exe  = 1\r\n"
    "setup.inf  = 1\r\n"
    "main.dll   = 1\r\n"
    "readme.txt = 1\r\n"
    "client.dll = 1\r\n"
    "client.hlp = 1\r\n";

// The machine's pending file renames: the multi-string of source and target pairs. Each
// pair may have an empty target (a deletion), so the strings are taken as split at every
// zero, and the end mark is dropped with what does not make a whole pair.
bool ReadPendingRenames(std::vector<std::string>* strings)
{
    *strings = testsupport::MachineMultiString(testsupport::SessionManagerKey, "PendingFileRenameOperations");
    while (!strings->empty() && strings->size() % 2) strings->pop_back();
    return !strings->empty();
}

// A path of the list as the system stores it ("\??\C:\..." on the NT family).
std::string PlainPath(const std::string& path)
{
    return path.compare(0, 4, "\\??\\") == 0 ? path.substr(4) : path;
}

} // namespace

const PayloadFile Payload[4] = {
    {"main.dll", ""},
    {"readme.txt", ""},
    {"client.dll", "Client"},
    {"client.hlp", "Client"},
};

std::string ErrorBoxText(const char* sentence, DWORD code)
{
    const std::string system =
        code ? testsupport::SystemErrorText(code, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)) : "";
    return system.empty() ? std::string(sentence) : std::string(sentence) + "\r\n\r\n" + system;
}

Package::Package(const char* tag, const std::string& install, const std::string& remove, const std::string& sections)
    : medium(("faults-" + std::string(tag)).c_str())
{
    id = tag + std::to_string(GetCurrentProcessId());
    client = "FaultClient" + id;
    main = "NorvaleFault" + id;
    registry = "Software\\NorvaleFault\\" + id;
    const std::string programFiles = testsupport::ProgramFilesFolder();
    if (!programFiles.empty())
        target = programFiles + "\\NorvaleFault" + id;
    ready = medium.ready && !programFiles.empty() && !testsupport::FileExists(target);
    if (!ready) return;
    std::string script = ScriptTemplate;
    script = ReplaceAll(script, "{INSTALL}", install);
    script = ReplaceAll(script, "{REMOVE}", remove);
    script = ReplaceAll(script, "{SECTIONS}", sections);
    script = ReplaceAll(script, "{ID}", id);
    script = ReplaceAll(script, "{MAIN}", main);
    script = ReplaceAll(script, "{CLIENT}", client);
    script = ReplaceAll(script, "{REG}", registry);
    ready = medium.WriteScript(script)
            && CopyFileA((testsupport::TestFolder() + "\\fault_plugin.dll").c_str(), MediumFile("fault_plugin.dll").c_str(),
                         FALSE);
    for (const PayloadFile& file : Payload)
        ready = ready && testsupport::WriteFile(MediumFile(file.name), Content(file.name));
}

Package::~Package()
{
    if (!target.empty()) {
        // A test may leave a payload file read-only.
        for (const PayloadFile& file : Payload) SetFileAttributesA(TargetFile(file.name).c_str(), FILE_ATTRIBUTE_NORMAL);
        testsupport::RemoveTree(target);
    }
    for (const std::string& key : {client, main}) testsupport::DeleteKeyTree(HKEY_LOCAL_MACHINE, UninstallKey(key));
    testsupport::DeleteKeyTree(HKEY_LOCAL_MACHINE, registry);
    // The shared parent goes with the last test that used it.
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\NorvaleFault");
}

bool Package::Order(int level, const std::string& action, const std::string& argument, const std::string& folder) const
{
    const std::string path = (folder.empty() ? medium.folder : folder) + "\\faults.txt";
    std::string orders;
    testsupport::ReadFile(path, &orders);
    return testsupport::WriteFile(path, orders + std::to_string(level) + " " + action + " " + argument + "\r\n");
}

std::string Package::FaultLog(const std::string& folder) const
{
    std::string log;
    testsupport::ReadFile((folder.empty() ? medium.folder : folder) + "\\faults.log", &log);
    return log;
}

std::string Package::TargetFile(const std::string& name) const
{
    for (const PayloadFile& file : Payload)
        if (name == file.name && *file.product) return target + "\\" + file.product + "\\" + name;
    return target + "\\" + name;
}

std::string Package::UninstallKey(const std::string& key) const
{
    return testsupport::UninstallKeyPath(key);
}

void ExpectInstalled(const Package& package, const char* file, int line)
{
    ::testing::ScopedTrace trace(file, line, "installation checked here");
    for (const PayloadFile& payload : Payload) {
        std::string bytes;
        EXPECT_TRUE(testsupport::ReadFile(package.TargetFile(payload.name), &bytes)) << package.TargetFile(payload.name);
        EXPECT_EQ(package.Content(payload.name), bytes) << package.TargetFile(payload.name);
    }
    std::string setupBytes, installedBytes;
    EXPECT_TRUE(testsupport::ReadFile(testsupport::SetupExePath(), &setupBytes));
    EXPECT_TRUE(testsupport::ReadFile(package.target + "\\setup.exe", &installedBytes));
    EXPECT_TRUE(setupBytes == installedBytes) << "the installed setup.exe differs from the program";
    EXPECT_TRUE(testsupport::FileExists(package.target + "\\setup.inf"));

    std::string text;
    EXPECT_TRUE(ReadMachineText(package.registry, "InstallDir", &text) && text == package.target) << text;
    EXPECT_TRUE(ReadMachineText(package.registry + "\\Client", "Version", &text) && text == "2.1") << text;
    const std::string exe = package.target + "\\setup.exe";
    for (const std::string& key : {package.client, package.main}) {
        SCOPED_TRACE("uninstall entry " + key);
        const std::string entry = package.UninstallKey(key);
        EXPECT_TRUE(ReadMachineText(entry, "UninstallString", &text)
                    && (text == exe + " /remove:" + key || text == "\"" + exe + "\" /remove:" + key))
            << text;
        EXPECT_TRUE(ReadMachineText(entry, "UserTargetDir", &text) && text == package.target) << text;
    }
    EXPECT_TRUE(ReadMachineText(package.UninstallKey(package.client), "DisplayName", &text) && text == "QX-40 Client")
        << text;
}

void ExpectRemoved(const Package& package, const char* file, int line)
{
    ::testing::ScopedTrace trace(file, line, "removal checked here");
    for (const PayloadFile& payload : Payload)
        EXPECT_FALSE(testsupport::FileExists(package.TargetFile(payload.name))) << package.TargetFile(payload.name);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((package.target + "\\Client").c_str()))
        << "the product's folder is still there";
    EXPECT_FALSE(MachineKeyExists(package.registry)) << package.registry;
    EXPECT_FALSE(MachineKeyExists(package.UninstallKey(package.client))) << package.client;
    EXPECT_FALSE(MachineKeyExists(package.UninstallKey(package.main))) << package.main;
}

e2e::UnattendedRun RemoveWithRecordedCommand(const Package& package, const std::string& key)
{
    std::string command;
    if (!ReadMachineText(package.UninstallKey(key), "UninstallString", &command)) return e2e::UnattendedRun();
    return e2e::RunUnattendedCommand(command + " /quiet /lang:eng");
}

ReleaseEvent::ReleaseEvent(const std::string& eventName) : name(eventName)
{
    handle = CreateEventA(nullptr, TRUE, FALSE, name.c_str());
}

ReleaseEvent::~ReleaseEvent()
{
    if (!handle) return;
    SetEvent(handle);
    CloseHandle(handle);
}

HWND OpenWizardOnReadyPage(const std::string& exe, e2e::Running* running)
{
    HWND sheet = e2e::OpenWizard(exe, "", running);
    if (!sheet) return nullptr;
    for (int page : {e2e::ComponentsPage, e2e::TargetPage, e2e::ReadyPage})
        if (e2e::PressAndWaitForPage(sheet, driver::WizardNext) != page) return nullptr;
    return sheet;
}

void ExpectErrorBox(const e2e::Running& setup, HWND sheet, const std::string& text, const char* file, int line)
{
    ::testing::ScopedTrace trace(file, line, "error box checked here");
    driver::MessageBoxInfo box;
    ASSERT_TRUE(driver::WaitForMessageBox(setup.process, e2e::WaitLimitMs, &box)) << "no error box";
    EXPECT_EQ(text, box.text);
    EXPECT_EQ(e2e::SystemErrorCaption, box.caption);
    ASSERT_EQ(1u, box.buttons.size()) << e2e::DescribeButtons(box);
    EXPECT_EQ(IDOK, box.buttons[0].id);
    EXPECT_EQ(sheet, box.owner) << "the box belongs to the wizard";
    ASSERT_TRUE(driver::AnswerMessageBox(box.window, IDOK));
    ASSERT_TRUE(driver::WaitForWindowGone(box.window, e2e::WaitLimitMs));
}

void ExpectFinishedWithoutRestart(e2e::Running* setup, HWND sheet, const char* file, int line)
{
    ::testing::ScopedTrace trace(file, line, "end of the wizard checked here");
    ASSERT_TRUE(driver::WaitForPageIndex(sheet, e2e::InstallFinishPage, e2e::WaitLimitMs))
        << "page " << driver::CurrentPageIndex(sheet);
    EXPECT_FALSE(driver::IsShown(driver::PageControl(sheet, IDC_STATUS))) << "a restart note without cause";
    ASSERT_TRUE(driver::PressWizardButton(sheet, driver::WizardFinish));
    std::vector<driver::MessageBoxInfo> boxes;
    const driver::ExitResult exit = e2e::EndWizardRun(setup, &boxes);
    EXPECT_TRUE(boxes.empty()) << e2e::DescribeBoxes(boxes);
    EXPECT_TRUE(exit.exited);
    EXPECT_EQ(0u, exit.exitCode);
}

std::vector<std::pair<std::string, std::string>> PendingRenamesBelow(const std::string& folder)
{
    std::vector<std::pair<std::string, std::string>> found;
    std::vector<std::string> strings;
    if (!ReadPendingRenames(&strings)) return found;
    const std::string prefix = Lower(folder) + "\\";
    for (size_t at = 0; at + 1 < strings.size(); at += 2) {
        const std::string source = PlainPath(strings[at]);
        const std::string target = PlainPath(strings[at + 1]);
        if (Lower(source).compare(0, prefix.size(), prefix) == 0 || Lower(source) == Lower(folder))
            found.emplace_back(source, PlainPath(!target.empty() && target[0] == '!' ? target.substr(1) : target));
    }
    return found;
}

void DropPendingRenamesBelow(const std::string& folder)
{
    std::vector<std::string> strings;
    if (!ReadPendingRenames(&strings)) return;
    const std::string prefix = Lower(folder) + "\\";
    std::string kept;
    for (size_t at = 0; at + 1 < strings.size(); at += 2) {
        const std::string source = Lower(PlainPath(strings[at]));
        if (source.compare(0, prefix.size(), prefix) == 0 || source == Lower(folder)) continue;
        kept += strings[at] + '\0' + strings[at + 1] + '\0';
    }
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, testsupport::SessionManagerKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return;
    if (kept.empty())
        RegDeleteValueA(key, "PendingFileRenameOperations");
    else
        RegSetValueExA(key, "PendingFileRenameOperations", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(kept.data()),
                       static_cast<DWORD>(kept.size() + 1));
    RegCloseKey(key);
}

} // namespace faults
