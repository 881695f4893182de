// A plug-in library that makes faults happen while setup.exe runs: it offers one step at
// each level 0 to 5 ("Fault0" to "Fault5", with the text "Fault step at level N" and a
// progress range of 100), and each step carries out the orders for its level that the
// test wrote into "faults.txt" in the folder of the running program. An order is one
// line "LEVEL ACTION ARGUMENT":
//   delete PATH     deletes the file
//   readonly PATH   adds the read-only attribute to the file
//   lock PATH       opens the file without sharing and keeps it open until the program
//                   ends
//   wait NAME       moves the bar to 30 and waits (at most two minutes) until the test
//                   sets the event NAME
// Orders that were carried out leave the file, so a run started again in the same
// program (Next after a failure) runs without them. Every order is logged as one line
// "LEVEL ACTION ARGUMENT -> ok" (or "-> error N") in "faults.log" beside the orders.

#include "../../catalogue/plugins.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#define EXPORT extern "C" __declspec(dllexport)

namespace {

const int LevelCount = 6;
const DWORD WaitLimitMs = 120000;

std::string ProgramFolder()
{
    char path[MAX_PATH] = "";
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    if (length == 0 || length >= sizeof path) return std::string();
    std::string folder = path;
    return folder.substr(0, folder.find_last_of('\\') + 1);
}

bool ReadWhole(const std::string& path, std::string* bytes)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    char buffer[4096];
    DWORD read = 0;
    bytes->clear();
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read) bytes->append(buffer, read);
    CloseHandle(file);
    return true;
}

void WriteWhole(const std::string& path, const std::string& bytes, DWORD disposition)
{
    HANDLE file = CreateFileA(path.c_str(), disposition == OPEN_ALWAYS ? FILE_APPEND_DATA : GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

// Carries out one order; the result is 0 or the Win32 error of the failure.
DWORD Carry(const std::string& action, const std::string& argument, PluginProgressFunction progress)
{
    if (action == "delete") return DeleteFileA(argument.c_str()) ? 0 : GetLastError();
    if (action == "readonly") {
        const DWORD attributes = GetFileAttributesA(argument.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) return GetLastError();
        return SetFileAttributesA(argument.c_str(), attributes | FILE_ATTRIBUTE_READONLY) ? 0 : GetLastError();
    }
    if (action == "lock") {
        // Deliberately never closed: the program holds the file until it ends.
        HANDLE file = CreateFileA(argument.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                  nullptr);
        return file != INVALID_HANDLE_VALUE ? 0 : GetLastError();
    }
    if (action == "wait") {
        progress(30);
        HANDLE event = OpenEventA(SYNCHRONIZE, FALSE, argument.c_str());
        if (!event) return GetLastError();
        const DWORD result = WaitForSingleObject(event, WaitLimitMs);
        CloseHandle(event);
        return result == WAIT_OBJECT_0 ? 0 : WAIT_TIMEOUT;
    }
    return ERROR_INVALID_FUNCTION;
}

void RunLevel(int level, PluginProgressFunction progress)
{
    const std::string folder = ProgramFolder();
    const std::string orders = folder + "faults.txt";
    std::string text;
    if (folder.empty() || !ReadWhole(orders, &text)) return;

    std::string remaining, log;
    std::vector<std::string> mine;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        if (std::atoi(line.c_str()) == level && line.find(' ') != std::string::npos)
            mine.push_back(line);
        else
            remaining += line + "\r\n";
    }
    if (mine.empty()) return;
    // The orders leave the file before they are carried out: a wait that the test ends
    // must not be waited for again.
    WriteWhole(orders, remaining, CREATE_ALWAYS);

    for (const std::string& line : mine) {
        const size_t first = line.find(' ');
        const size_t second = line.find(' ', first + 1);
        const std::string action = line.substr(first + 1, second == std::string::npos ? std::string::npos : second - first - 1);
        const std::string argument = second == std::string::npos ? std::string() : line.substr(second + 1);
        const DWORD error = Carry(action, argument, progress);
        char result[32];
        std::snprintf(result, sizeof result, error ? " -> error %lu\r\n" : " -> ok\r\n", static_cast<unsigned long>(error));
        WriteWhole(folder + "faults.log", line + result, OPEN_ALWAYS);
    }
}

} // namespace

EXPORT int __cdecl GetVersionNumber()
{
    return 1;
}

EXPORT int __cdecl QuerySteps()
{
    return LevelCount;
}

EXPORT void __cdecl GetStepNumber(PluginStep* step, int index)
{
    if (index < 0 || index >= LevelCount) return;
    step->level = index;
    step->progressRange = 100;
    std::snprintf(step->functionName, sizeof step->functionName, "Fault%d", index);
    std::snprintf(step->text, sizeof step->text, "Fault step at level %d", index);
}

EXPORT void __cdecl Fault0(PluginProgressFunction progress) { RunLevel(0, progress); }
EXPORT void __cdecl Fault1(PluginProgressFunction progress) { RunLevel(1, progress); }
EXPORT void __cdecl Fault2(PluginProgressFunction progress) { RunLevel(2, progress); }
EXPORT void __cdecl Fault3(PluginProgressFunction progress) { RunLevel(3, progress); }
EXPORT void __cdecl Fault4(PluginProgressFunction progress) { RunLevel(4, progress); }
EXPORT void __cdecl Fault5(PluginProgressFunction progress) { RunLevel(5, progress); }
