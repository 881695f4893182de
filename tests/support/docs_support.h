// Helpers of the tests of the reference in docs/: the example packages of docs/examples
// laid out as media beside a copy of build\setup.exe, the machine state that their runs
// change (and that every test puts back), and the checks of what the reference says an
// example does: files, registry values, uninstall entries, scheduled deletions.
#pragma once

#include "e2e_support.h"
#include "testsupport.h"

#include <windows.h>

#include <string>
#include <vector>

namespace docs {

// The folder docs\ of the source tree, as a Windows path (through Wine's drive Z:).
std::string DocsFolder();

// The folder of the example `name` (docs\examples\<name>).
std::string ExampleFolder(const std::string& name);

// The names of the examples (the folders in docs\examples), sorted.
std::vector<std::string> ExampleNames();

// The plain files of a folder (no folders), sorted.
std::vector<std::string> FilesOf(const std::string& folder);

// A file's bytes, or "<missing>" when it cannot be read.
std::string FileBytes(const std::string& path);

// Text with every CR LF turned into LF.
std::string WithoutCarriageReturns(const std::string& text);

// ---- Registry ----

using testsupport::MachineKeyExists;
using testsupport::MachineMultiString;
using testsupport::MachineText;

// A raw registry value of HKEY_LOCAL_MACHINE, read when the record is made and written
// back (or deleted, when it did not exist) when it goes out of scope.
class SavedMachineValue {
public:
    SavedMachineValue(const std::string& key, const std::string& name);
    ~SavedMachineValue();
    SavedMachineValue(const SavedMachineValue&) = delete;
    SavedMachineValue& operator=(const SavedMachineValue&) = delete;
    bool saved() const { return saved_; }

private:
    std::string key_, name_;
    bool saved_ = false, present_ = false;
    DWORD type_ = 0;
    std::string bytes_;
};

// The file or folder `path` is on the system's list of deletions at the next start
// (PendingFileRenameOperations: "\??\" and the path, followed by an empty new name).
bool DeletionAtRestartScheduled(const std::string& path);

// ---- An example package on a medium ----

// The programs and libraries that an example's script names but its folder does not hold
// (they are no text files): for each, the file of the build's tests folder that the tests
// put on the medium in its place ("docs\docscheck.dll" is built from the example's own
// source) and the name it has there.
struct ExampleProgram {
    std::string buildName;
    std::string name;
};
std::vector<ExampleProgram> ExamplePrograms(const std::string& example);

// Fills `medium` (which holds a copy of setup.exe) with every file of the example's folder
// (not its source\ folder) and the example's programs.
bool LayOutExample(const std::string& example, const e2e::Medium& medium);

// One test's run of an example: a medium made of a copy of build\setup.exe, every file
// of the example's folder and its programs (LayOutExample), the folder the
// example installs into (below the program files folder), and the clean-up of what the
// runs leave: the target folder (and "Norvale Docs" above it, when empty), the uninstall
// entries and registry keys the example names, and the machine's list of deletions at
// the next start, which every removal of an example extends (the running copy of
// setup.exe is in use when the main remove section deletes it). The clean-up runs
// before the test, against leftovers of an earlier run that was killed, and after it.
class ExamplePackage {
public:
    ExamplePackage(const std::string& example, const std::string& targetName,
                   const std::vector<std::string>& uninstallKeys, const std::vector<std::string>& registryKeys);
    ~ExamplePackage();
    ExamplePackage(const ExamplePackage&) = delete;
    ExamplePackage& operator=(const ExamplePackage&) = delete;

    // setup.exe of the medium with `arguments`, unattended (every box recorded).
    e2e::UnattendedRun Run(const std::string& arguments) const;
    // The same with another program of the medium (a copy of setup.exe under another name).
    e2e::UnattendedRun RunProgram(const std::string& exe, const std::string& arguments) const;
    // The command registered for `key` with `arguments` appended, as Windows would start
    // it (empty run when the entry has no UninstallString).
    e2e::UnattendedRun RunUninstallCommand(const std::string& key, const std::string& arguments) const;

    // What the entry of `key` must hold as UninstallString: the installed setup.exe, quoted
    // when its path has blanks, " /remove:" and the key.
    std::string ExpectedCommand(const std::string& key) const;

    // The file `name` of the target folder (may be "Sub\name") holds the bytes of the
    // medium's file `mediumName` (same name when empty).
    bool Installed(const std::string& name, const std::string& mediumName = std::string()) const;
    bool InTarget(const std::string& name) const;

    bool ready = false;
    std::string example;
    std::string target;            // Program Files\Norvale Docs\<targetName>
    e2e::Medium medium;

private:
    void CleanUp() const;
    std::vector<std::string> uninstallKeys_, registryKeys_;
    SavedMachineValue pending_;
};

// A product's or the package's uninstall entry as the program writes it.
struct EntryValues {
    std::string displayName;
    std::string command;
    std::string version;        // "<none>" when none is written
    std::string targetDir;
};

// Checks every value of the entry `key`; reports the calling test's line.
void ExpectEntry(const std::string& key, const EntryValues& expected, const char* file, int line);
void ExpectNoEntry(const std::string& key, const char* file, int line);

// The run showed no box and ended by itself with exit code 0 (e2e::ExpectUnattendedRun).
#define DOCS_EXPECT_QUIET(run) e2e::ExpectUnattendedRun((run), __FILE__, __LINE__)
#define DOCS_EXPECT_ENTRY(key, ...) docs::ExpectEntry((key), docs::EntryValues{__VA_ARGS__}, __FILE__, __LINE__)
#define DOCS_EXPECT_NO_ENTRY(key) docs::ExpectNoEntry((key), __FILE__, __LINE__)

// The run showed exactly one box, the system's restart prompt (Yes and No, owned by the
// hidden "SETUP" window), which was answered No, and then ended by itself with 0.
void ExpectRestartPromptRun(const e2e::UnattendedRun& run, const char* file, int line);
#define DOCS_EXPECT_RESTART_PROMPT(run) docs::ExpectRestartPromptRun((run), __FILE__, __LINE__)

} // namespace docs
