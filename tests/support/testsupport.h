// Helpers shared by the test programs: where the build's programs are, scratch folders
// and files, the registry values the tests read and clean up, running a program with a
// time limit, and running it as another Windows version (Wine's per-program "Version"
// setting). The ids of the program's pages and controls come from its own resource
// header, so that the tests find them by the names the program uses.
#pragma once

#include "../../resources/resource.h"

#include <windows.h>

#include <string>
#include <vector>

namespace testsupport {

// Folder of the running test program, without a trailing backslash.
std::string TestFolder();

// The build folder, the one above TestFolder.
std::string BuildFolder();

// The program under test, build\setup.exe.
std::string SetupExePath();

// A new empty folder under the temporary folder whose name begins with `prefix`.
std::string MakeScratchFolder(const char* prefix);

// Deletes a folder with everything in it; missing folders are fine.
void RemoveTree(const std::string& folder);

// A folder of the build machine, given as a Unix path, as a Windows path through Wine's
// drive Z: (the Unix root), without a trailing backslash.
std::string UnixFolder(const std::string& unixPath);

// The machine's program files folder as the program reads it (ProgramFilesDir, REG_SZ
// or expanded REG_EXPAND_SZ), without a trailing backslash; empty when it cannot be read.
std::string ProgramFilesFolder();

// Whether the registry key can be opened for reading.
bool KeyExists(HKEY root, const std::string& path);
bool MachineKeyExists(const std::string& path);      // below HKEY_LOCAL_MACHINE

// The REG_SZ value `name` of HKEY_LOCAL_MACHINE\`path` (up to 1023 bytes); false when
// the key or value is missing or of another type.
bool ReadMachineText(const std::string& path, const char* name, std::string* text);
// The same value, or "<none>" when it cannot be read.
std::string MachineText(const std::string& path, const char* name);

// A REG_MULTI_SZ value of HKEY_LOCAL_MACHINE split at every zero byte, in order: empty
// strings, such as the end mark, included.
std::vector<std::string> MachineMultiString(const std::string& key, const char* name);

// The key of the Session Manager, which holds PendingFileRenameOperations.
const char* const SessionManagerKey = "System\\CurrentControlSet\\Control\\Session Manager";

// The registry path of the uninstall entry `key` below HKEY_LOCAL_MACHINE, and whether
// that entry exists.
std::string UninstallKeyPath(const std::string& key);
bool UninstallEntryExists(const std::string& key);

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

// `text` with every `from` replaced by `to`, left to right; replacements are not searched
// again.
std::string ReplaceAll(std::string text, const std::string& from, const std::string& to);

// `text` in lower case, as the system lowers ANSI text.
std::string Lower(std::string text);

// What is left of `limitMs` since the tick count `start`, 0 when it has passed.
DWORD Remaining(DWORD start, DWORD limitMs);

// The system's text for a Win32 error code in `language`, as FormatMessage gives it
// (empty when the system has none).
std::string SystemErrorText(DWORD code, WORD language);

// The tests run under Wine (ntdll exports wine_get_version).
bool RunningOnWine();

} // namespace testsupport
