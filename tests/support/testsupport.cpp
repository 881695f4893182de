#include "testsupport.h"

#include <sddl.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace testsupport {

std::string TestFolder()
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of('\\'));
}

std::string BuildFolder()
{
    const std::string tests = TestFolder();
    return tests.substr(0, tests.find_last_of('\\'));
}

std::string SetupExePath()
{
    return BuildFolder() + "\\setup.exe";
}

std::string UnixFolder(const std::string& unixPath)
{
    std::string path = "Z:" + unixPath;
    std::replace(path.begin(), path.end(), '/', '\\');
    while (!path.empty() && path.back() == '\\') path.pop_back();
    return path;
}

std::string MakeScratchFolder(const char* prefix)
{
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    static LONG counter = 0;
    for (;;) {
        char name[MAX_PATH];
        std::snprintf(name, sizeof name, "%s%s-%lu-%ld", temp, prefix, GetCurrentProcessId(),
                      InterlockedIncrement(&counter));
        if (CreateDirectoryA(name, nullptr)) return name;
        if (GetLastError() != ERROR_ALREADY_EXISTS) return std::string();
    }
}

std::string ProgramFilesFolder()
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", 0, KEY_READ, &key)
        != ERROR_SUCCESS)
        return std::string();
    char value[MAX_PATH] = {}, expanded[MAX_PATH] = {};
    DWORD type = 0, size = sizeof value - 1;
    const LONG result = RegQueryValueExA(key, "ProgramFilesDir", nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(key);
    std::string folder;
    if (result == ERROR_SUCCESS && type == REG_EXPAND_SZ && ExpandEnvironmentStringsA(value, expanded, MAX_PATH))
        folder = expanded;
    else if (result == ERROR_SUCCESS && type == REG_SZ)
        folder = value;
    while (!folder.empty() && folder.back() == '\\') folder.pop_back();
    return folder;
}

bool KeyExists(HKEY root, const std::string& path)
{
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

bool MachineKeyExists(const std::string& path)
{
    return KeyExists(HKEY_LOCAL_MACHINE, path);
}

bool ReadMachineText(const std::string& path, const char* name, std::string* text)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    char value[1024] = {};
    DWORD type = 0, size = sizeof value - 1;
    const LONG result = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || type != REG_SZ) return false;
    *text = value;
    return true;
}

std::string MachineText(const std::string& path, const char* name)
{
    std::string text;
    return ReadMachineText(path, name, &text) ? text : "<none>";
}

std::vector<std::string> MachineMultiString(const std::string& keyPath, const char* name)
{
    std::vector<std::string> strings;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return strings;
    DWORD type = 0, size = 0;
    std::string bytes;
    if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS && type == REG_MULTI_SZ) {
        bytes.assign(size, '\0');
        if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&bytes[0]), &size) != ERROR_SUCCESS)
            bytes.clear();
        bytes.resize(std::min<size_t>(size, bytes.size()));
    }
    RegCloseKey(key);
    size_t start = 0;
    while (start < bytes.size()) {
        const size_t end = bytes.find('\0', start);
        if (end == std::string::npos) {
            strings.push_back(bytes.substr(start));
            break;
        }
        strings.push_back(bytes.substr(start, end - start));
        start = end + 1;
    }
    return strings;
}

std::string UninstallKeyPath(const std::string& key)
{
    return "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + key;
}

bool UninstallEntryExists(const std::string& key)
{
    return MachineKeyExists(UninstallKeyPath(key));
}

void DeleteKeyTree(HKEY root, const std::string& path)
{
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
        std::vector<std::string> children;
        char name[256];
        for (DWORD index = 0;; ++index) {
            DWORD size = sizeof name;
            if (RegEnumKeyExA(key, index, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
            children.push_back(name);
        }
        RegCloseKey(key);
        for (const std::string& child : children) DeleteKeyTree(root, path + "\\" + child);
    }
    RegDeleteKeyA(root, path.c_str());
}

bool LockKey(const std::string& path, bool locked)
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_READ | WRITE_DAC, nullptr, &key, nullptr)
        != ERROR_SUCCESS)
        return false;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const char* text = locked ? "D:P(D;;0x0002;;;WD)(A;;KA;;;WD)" : "D:P(A;;KA;;;WD)";
    bool done = ConvertStringSecurityDescriptorToSecurityDescriptorA(text, SDDL_REVISION_1, &descriptor, nullptr)
                && RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor) == ERROR_SUCCESS;
    if (descriptor) LocalFree(descriptor);
    RegCloseKey(key);
    return done;
}

void RemoveTree(const std::string& folder)
{
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::string name = entry.cFileName;
            if (name == "." || name == "..") continue;
            std::string path = folder + "\\" + name;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(path);
            } else {
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(find, &entry));
        FindClose(find);
    }
    RemoveDirectoryA(folder.c_str());
}

bool WriteFile(const std::string& path, const std::string& bytes)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

bool ReadFile(const std::string& path, std::string* bytes)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bytes->clear();
    char chunk[4096];
    DWORD read = 0;
    while (::ReadFile(file, chunk, sizeof chunk, &read, nullptr) && read) bytes->append(chunk, read);
    CloseHandle(file);
    return true;
}

bool FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

ProcessResult RunProgram(const std::string& commandLine, const std::string& folder, DWORD timeoutMs)
{
    ProcessResult result;
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return result;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION process = {};
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    result.started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                    folder.empty() ? nullptr : folder.c_str(), &startup, &process) != 0;
    CloseHandle(writeEnd);
    if (!result.started) {
        CloseHandle(readEnd);
        return result;
    }

    // Collect the output while waiting, so a full pipe cannot stall the child.
    const DWORD start = GetTickCount();
    for (;;) {
        DWORD available = 0;
        while (PeekNamedPipe(readEnd, nullptr, 0, nullptr, &available, nullptr) && available) {
            char chunk[4096];
            DWORD read = 0;
            if (!::ReadFile(readEnd, chunk, sizeof chunk, &read, nullptr) || !read) break;
            result.output.append(chunk, read);
        }
        if (WaitForSingleObject(process.hProcess, 20) == WAIT_OBJECT_0) {
            result.finished = true;
            break;
        }
        if (GetTickCount() - start > timeoutMs) {
            TerminateProcess(process.hProcess, 255);
            WaitForSingleObject(process.hProcess, 5000);
            break;
        }
    }
    char chunk[4096];
    DWORD read = 0;
    DWORD available = 0;
    while (PeekNamedPipe(readEnd, nullptr, 0, nullptr, &available, nullptr) && available
           && ::ReadFile(readEnd, chunk, sizeof chunk, &read, nullptr) && read)
        result.output.append(chunk, read);
    GetExitCodeProcess(process.hProcess, &result.exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    CloseHandle(readEnd);
    return result;
}

bool SetWindowsVersionFor(const std::string& exeName, const std::string& version)
{
    const std::string path = "Software\\Wine\\AppDefaults\\" + exeName;
    if (version.empty()) return RegDeleteKeyA(HKEY_CURRENT_USER, path.c_str()) == ERROR_SUCCESS;
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return false;
    LONG status = RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version.c_str()),
                                 static_cast<DWORD>(version.size() + 1));
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

std::string ProgramAsVersion(const std::string& exePath, const std::string& version)
{
    const size_t slash = exePath.find_last_of('\\');
    const std::string folder = exePath.substr(0, slash);
    std::string name = exePath.substr(slash + 1);
    name = name.substr(0, name.size() - 4) + "_" + version + "_" + std::to_string(GetCurrentProcessId()) + ".exe";
    const std::string copy = folder + "\\" + name;
    if (!CopyFileA(exePath.c_str(), copy.c_str(), FALSE)) return std::string();
    if (!SetWindowsVersionFor(name, version)) return std::string();
    return copy;
}

std::string Quote(const std::string& path)
{
    return "\"" + path + "\"";
}

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to)
{
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

std::string Lower(std::string text)
{
    if (!text.empty()) CharLowerBuffA(&text[0], static_cast<DWORD>(text.size()));
    return text;
}

DWORD Remaining(DWORD start, DWORD limitMs)
{
    const DWORD used = GetTickCount() - start;
    return used < limitMs ? limitMs - used : 0;
}

std::string SystemErrorText(DWORD code, WORD language)
{
    char* text = nullptr;
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER,
                   nullptr, code, language, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string result = text ? text : "";
    if (text) LocalFree(text);
    return result;
}

bool RunningOnWine()
{
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

} // namespace testsupport
