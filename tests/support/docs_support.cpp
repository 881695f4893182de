// The helpers of the tests of the reference: example media, registry state, checks.

#include "docs_support.h"

#include <gtest/gtest.h>

#include <algorithm>

#ifndef DOCS_SOURCE_DIR
#error "DOCS_SOURCE_DIR names the source tree's docs folder"
#endif

namespace docs {

namespace {

const char PendingValue[] = "PendingFileRenameOperations";

using testsupport::UninstallKeyPath;

} // namespace

std::string DocsFolder()
{
    return testsupport::UnixFolder(DOCS_SOURCE_DIR);
}

std::string ExampleFolder(const std::string& name)
{
    return DocsFolder() + "\\examples\\" + name;
}

namespace {

std::vector<std::string> Entries(const std::string& folder, bool folders)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        const std::string name = entry.cFileName;
        if (name == "." || name == "..") continue;
        const bool isFolder = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (isFolder == folders) names.push_back(name);
    } while (FindNextFileA(find, &entry));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

std::vector<std::string> ExampleNames()
{
    return Entries(DocsFolder() + "\\examples", true);
}

std::vector<std::string> FilesOf(const std::string& folder)
{
    return Entries(folder, false);
}

std::string FileBytes(const std::string& path)
{
    std::string bytes;
    return testsupport::ReadFile(path, &bytes) ? bytes : "<missing>";
}

std::string WithoutCarriageReturns(const std::string& text)
{
    std::string result;
    result.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        result += text[i];
    }
    return result;
}

// ---- Registry ----

SavedMachineValue::SavedMachineValue(const std::string& key, const std::string& name) : key_(key), name_(name)
{
    HKEY handle;
    const LONG opened = RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_QUERY_VALUE, &handle);
    if (opened == ERROR_FILE_NOT_FOUND) {
        saved_ = true;
        return;
    }
    if (opened != ERROR_SUCCESS) return;
    DWORD size = 0;
    const LONG sized = RegQueryValueExA(handle, name.c_str(), nullptr, &type_, nullptr, &size);
    if (sized == ERROR_FILE_NOT_FOUND) {
        saved_ = true;
    } else if (sized == ERROR_SUCCESS) {
        bytes_.assign(size, '\0');
        if (RegQueryValueExA(handle, name.c_str(), nullptr, &type_, reinterpret_cast<BYTE*>(&bytes_[0]), &size)
            == ERROR_SUCCESS) {
            bytes_.resize(size);
            saved_ = present_ = true;
        }
    }
    RegCloseKey(handle);
}

SavedMachineValue::~SavedMachineValue()
{
    if (!saved_) return;
    HKEY handle;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key_.c_str(), 0, KEY_SET_VALUE, &handle) != ERROR_SUCCESS) return;
    if (present_) {
        RegSetValueExA(handle, name_.c_str(), 0, type_, reinterpret_cast<const BYTE*>(bytes_.data()),
                       static_cast<DWORD>(bytes_.size()));
    } else {
        RegDeleteValueA(handle, name_.c_str());
    }
    RegCloseKey(handle);
}

bool DeletionAtRestartScheduled(const std::string& path)
{
    const std::vector<std::string> operations = MachineMultiString(testsupport::SessionManagerKey, PendingValue);
    for (size_t i = 0; i + 1 < operations.size(); i += 2) {
        if (lstrcmpiA(operations[i].c_str(), ("\\??\\" + path).c_str()) == 0 && operations[i + 1].empty())
            return true;
    }
    return false;
}

// ---- An example package on a medium ----

std::vector<ExampleProgram> ExamplePrograms(const std::string& example)
{
    if (example == "conditions") return {{"docs\\docscheck.dll", "docscheck.dll"}};
    if (example == "exec") return {{"exec_fixture.exe", "docstool.exe"}, {"exec_fixture.exe", "firstrun.exe"}};
    if (example == "plugins") return {{"docs\\docssteps.dll", "docssteps.dll"}};
    if (example == "services") return {{"service_stops.exe", "docsagent.exe"}};
    return {};
}

bool LayOutExample(const std::string& example, const e2e::Medium& medium)
{
    if (!medium.ready) return false;
    const std::string folder = ExampleFolder(example);
    const std::vector<std::string> files = FilesOf(folder);
    if (files.empty()) return false;
    for (const std::string& name : files) {
        if (!CopyFileA((folder + "\\" + name).c_str(), (medium.folder + "\\" + name).c_str(), FALSE)) return false;
    }
    for (const ExampleProgram& program : ExamplePrograms(example)) {
        const std::string source = testsupport::TestFolder() + "\\" + program.buildName;
        if (!CopyFileA(source.c_str(), (medium.folder + "\\" + program.name).c_str(), FALSE)) return false;
    }
    return true;
}

ExamplePackage::ExamplePackage(const std::string& exampleName, const std::string& targetName,
                               const std::vector<std::string>& uninstallKeys,
                               const std::vector<std::string>& registryKeys)
    : example(exampleName),
      medium(("docs-" + exampleName).c_str()),
      uninstallKeys_(uninstallKeys),
      registryKeys_(registryKeys),
      pending_(testsupport::SessionManagerKey, PendingValue)
{
    const std::string programFiles = testsupport::ProgramFilesFolder();
    if (programFiles.empty() || !pending_.saved() || !medium.ready) return;
    target = programFiles + "\\Norvale Docs\\" + targetName;
    CleanUp();
    if (!LayOutExample(example, medium)) return;
    ready = testsupport::FileExists(medium.inf) && !testsupport::FileExists(target);
}

ExamplePackage::~ExamplePackage()
{
    // The list of deletions at the next start is put back after this (pending_ goes
    // last), so nothing of the example is deleted at a later start of Wine.
    if (!target.empty()) CleanUp();
}

void ExamplePackage::CleanUp() const
{
    // A program that the run started may hold the folder for a moment after it ended (the
    // console of a console program, whose current directory it was): a bounded retry.
    for (int attempt = 0; attempt < 50; ++attempt) {
        testsupport::RemoveTree(target);
        if (GetFileAttributesA(target.c_str()) == INVALID_FILE_ATTRIBUTES) break;
        Sleep(100);
    }
    RemoveDirectoryA(target.substr(0, target.find_last_of('\\')).c_str());   // "Norvale Docs" when empty
    for (const std::string& key : uninstallKeys_) testsupport::DeleteKeyTree(HKEY_LOCAL_MACHINE, UninstallKeyPath(key));
    for (const std::string& key : registryKeys_) testsupport::DeleteKeyTree(HKEY_LOCAL_MACHINE, key);
}

e2e::UnattendedRun ExamplePackage::Run(const std::string& arguments) const
{
    return e2e::RunUnattended(medium.exe, arguments);
}

e2e::UnattendedRun ExamplePackage::RunProgram(const std::string& exe, const std::string& arguments) const
{
    return e2e::RunUnattended(exe, arguments);
}

e2e::UnattendedRun ExamplePackage::RunUninstallCommand(const std::string& key, const std::string& arguments) const
{
    const std::string command = MachineText(UninstallKeyPath(key), "UninstallString");
    if (command == "<none>") return e2e::UnattendedRun();
    return e2e::RunUnattendedCommand(command + (arguments.empty() ? "" : " " + arguments));
}

std::string ExamplePackage::ExpectedCommand(const std::string& key) const
{
    const std::string exe = target + "\\setup.exe";
    return (exe.find(' ') != std::string::npos ? "\"" + exe + "\"" : exe) + " /remove:" + key;
}

bool ExamplePackage::Installed(const std::string& name, const std::string& mediumName) const
{
    std::string installed, original;
    const std::string source = medium.folder + "\\" + (mediumName.empty() ? name : mediumName);
    return testsupport::ReadFile(target + "\\" + name, &installed) && testsupport::ReadFile(source, &original)
           && installed == original;
}

bool ExamplePackage::InTarget(const std::string& name) const
{
    return testsupport::FileExists(target + "\\" + name);
}

void ExpectEntry(const std::string& key, const EntryValues& expected, const char* file, int line)
{
    ::testing::ScopedTrace trace(file, line, "uninstall entry " + key);
    const std::string path = UninstallKeyPath(key);
    ASSERT_TRUE(MachineKeyExists(path)) << path;
    EXPECT_EQ(expected.displayName, MachineText(path, "DisplayName"));
    EXPECT_EQ(expected.command, MachineText(path, "UninstallString"));
    EXPECT_EQ(expected.version, MachineText(path, "ProductVersion"));
    EXPECT_EQ(expected.targetDir, MachineText(path, "UserTargetDir"));
}

void ExpectNoEntry(const std::string& key, const char* file, int line)
{
    ::testing::ScopedTrace trace(file, line, "no uninstall entry " + key);
    EXPECT_FALSE(testsupport::UninstallEntryExists(key));
}

void ExpectRestartPromptRun(const e2e::UnattendedRun& run, const char* file, int line)
{
    ::testing::ScopedTrace trace(file, line, "run that ends with the restart prompt");
    ASSERT_TRUE(run.started);
    ASSERT_EQ(1u, run.boxes.size()) << e2e::DescribeBoxes(run.boxes);
    const driver::MessageBoxInfo& box = run.boxes[0];
    ASSERT_EQ(2u, box.buttons.size()) << e2e::DescribeButtons(box);
    EXPECT_EQ(IDYES, box.buttons[0].id);
    EXPECT_EQ(IDNO, box.buttons[1].id);
    EXPECT_EQ("SETUP", box.ownerClass) << "the prompt comes after the wizard, from the program's hidden window";
    EXPECT_FALSE(run.exit.killed) << "setup.exe did not end after No";
    EXPECT_TRUE(run.exit.exited);
    EXPECT_EQ(0u, run.exit.exitCode);
}

} // namespace docs
