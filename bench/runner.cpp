// Starts one benchmark case and reports on it: the time from process creation to its
// end (or, with --ready, to its first property sheet page answering a message), the
// peak working set, and how many values a registry key holds afterwards.
//
//   runner.exe [--timeout MS] [--ready] [--regkey SUBKEY] -- COMMAND LINE
//
// With --regkey, HKLM\SUBKEY is deleted before the start and its values are counted
// after the end, so a run that wrote nothing shows. A case that outlives --timeout is
// ended and reported with exit code 3. Output is one line of name=value pairs; ready=1
// when a page was found ready.

#include "../base/handles.h"

#include <psapi.h>
#include <shlwapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

struct ReadyProbe {
    DWORD processId;
    HWND page;
};

// A visible top-level window of the process whose sheet has a current page that
// answers a message: the first page is ready for input.
BOOL CALLBACK FindReadyPage(HWND window, LPARAM lParam)
{
    ReadyProbe* probe = reinterpret_cast<ReadyProbe*>(lParam);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != probe->processId || !IsWindowVisible(window)) return TRUE;
    DWORD_PTR page = 0;
    if (!SendMessageTimeoutA(window, PSM_GETCURRENTPAGEHWND, 0, 0, SMTO_ABORTIFHUNG, 1000, &page) || !page)
        return TRUE;
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutA(reinterpret_cast<HWND>(page), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &answer))
        return TRUE;
    probe->page = reinterpret_cast<HWND>(page);
    return FALSE;
}

SIZE_T PeakWorkingSet(HANDLE process)
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    return GetProcessMemoryInfo(process, &counters, sizeof counters) ? counters.PeakWorkingSetSize : 0;
}

long CountValues(const char* subkey)
{
    UniqueKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, subkey, 0, KEY_READ, key.put()) != ERROR_SUCCESS) return 0;
    DWORD values = 0;
    if (RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                         nullptr, nullptr) != ERROR_SUCCESS)
        return 0;
    return static_cast<long>(values);
}

} // namespace

int main()
{
    // The child's command line is the runner's own after " -- ", verbatim.
    const char* commandLine = GetCommandLineA();
    const char* separator = std::strstr(commandLine, " -- ");
    if (!separator) {
        std::fprintf(stderr, "usage: runner.exe [--timeout MS] [--ready] [--regkey SUBKEY] -- COMMAND LINE\n");
        return 2;
    }
    DWORD limit = 240000;
    bool ready = false;
    const char* regkey = nullptr;
    for (int i = 1; i < __argc && std::strcmp(__argv[i], "--") != 0; ++i) {
        if (std::strcmp(__argv[i], "--timeout") == 0 && i + 1 < __argc) limit = std::strtoul(__argv[++i], nullptr, 10);
        else if (std::strcmp(__argv[i], "--ready") == 0) ready = true;
        else if (std::strcmp(__argv[i], "--regkey") == 0 && i + 1 < __argc) regkey = __argv[++i];
    }
    if (regkey) SHDeleteKeyA(HKEY_LOCAL_MACHINE, regkey);

    char* child = _strdup(separator + 4);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    if (!CreateProcessA(nullptr, child, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        std::printf("error=start code=%lu\n", GetLastError());
        return 2;
    }
    UniqueHandle process(info.hProcess), thread(info.hThread);

    // The peak working set is sampled while the process lives (a process that has
    // ended has no counters left to read); the last sample is the peak.
    SIZE_T peak = 0;
    bool timedOut = false, pageReady = false;
    DWORD exitCode = 0;
    for (;;) {
        QueryPerformanceCounter(&end);
        const double elapsed = 1000.0 * (end.QuadPart - start.QuadPart) / frequency.QuadPart;
        if (elapsed > limit) {
            timedOut = true;
            break;
        }
        if (ready) {
            ReadyProbe probe = {info.dwProcessId, nullptr};
            EnumWindows(FindReadyPage, reinterpret_cast<LPARAM>(&probe));
            if (probe.page) {
                pageReady = true;
                break;
            }
            if (WaitForSingleObject(process.get(), 2) == WAIT_OBJECT_0) break;
        } else {
            const SIZE_T sample = PeakWorkingSet(process.get());
            if (sample > peak) peak = sample;
            if (WaitForSingleObject(process.get(), 20) == WAIT_OBJECT_0) {
                QueryPerformanceCounter(&end);
                break;
            }
        }
    }
    const double seconds = static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart;
    if (ready || timedOut) {
        // A ready page has been measured, a hung case has had its time: both end here.
        TerminateProcess(process.get(), 1);
        WaitForSingleObject(process.get(), 10000);
    }
    GetExitCodeProcess(process.get(), &exitCode);
    std::printf("seconds=%.4f peak=%lu exit=%lu timeout=%d ready=%d regvalues=%ld\n", seconds,
                static_cast<unsigned long>(peak), exitCode, timedOut ? 1 : 0, pageReady ? 1 : 0,
                regkey ? CountValues(regkey) : -1L);
    return timedOut ? 3 : 0;
}
