// Helpers shared by the test programs: where the build's programs are, scratch folders
// and files, running a program with a time limit, and running it as another Windows
// version (Wine's per-program "Version" setting).
#pragma once

#include <windows.h>

#include <string>

namespace testsupport {

// Folder of the running test program, without a trailing backslash.
std::string TestFolder();

// The program under test, build\setup.exe.
std::string SetupExePath();

// A new empty folder under the temporary folder whose name begins with `prefix`.
std::string MakeScratchFolder(const char* prefix);

// Deletes a folder with everything in it; missing folders are fine.
void RemoveTree(const std::string& folder);

// The machine's program files folder as the program reads it (ProgramFilesDir, REG_SZ
// or expanded REG_EXPAND_SZ); empty when it cannot be read.
std::string ProgramFilesFolder();

// Whether the registry key can be opened for reading.
bool KeyExists(HKEY root, const std::string& path);

// The REG_SZ value `name` of HKEY_LOCAL_MACHINE\`path` (up to 1023 bytes), or "<none>"
// when the key or value is missing or of another type.
std::string MachineText(const std::string& path, const char* name);

// The key HKLM\`path`, created when missing, with an access list that lets everybody do
// everything but set values (`locked`) or everything (`!locked`).
bool LockKey(const std::string& path, bool locked);

// Deletes a registry key with all its subkeys; a missing key is fine.
void DeleteKeyTree(HKEY root, const std::string& path);

bool WriteFile(const std::string& path, const std::string& bytes);
bool ReadFile(const std::string& path, std::string* bytes);
bool FileExists(const std::string& path);

struct ProcessResult {
    bool started = false;
    bool finished = false;      // ended within the time limit (else it was killed)
    DWORD exitCode = 0;
    std::string output;         // what it wrote to its standard output
};

// Runs a command line in `folder` (empty: the current one), collecting its standard
// output, and kills it when it has not ended after `timeoutMs`.
ProcessResult RunProgram(const std::string& commandLine, const std::string& folder, DWORD timeoutMs);

// Makes `exeName` (a file name such as "probe_win95.exe") see `version` ("win95",
// "win98", "winme", "nt40", "win2k", "winxp", "win7") from GetVersion and
// GetVersionExA; an empty version removes the setting.
bool SetWindowsVersionFor(const std::string& exeName, const std::string& version);

// Copies the program at `exePath` beside itself under a name of its own for `version`
// and this test process, and sets that version for the copy, so that runs as different
// versions or from parallel tests do not disturb each other. Returns the copy's path,
// or empty on failure.
std::string ProgramAsVersion(const std::string& exePath, const std::string& version);

// Quotes a path for a command line.
std::string Quote(const std::string& path);

} // namespace testsupport
