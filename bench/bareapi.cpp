// The Setup API floor: the queue that setup.exe builds for an install section, done by
// the smallest program that can (see barequeue.h).
//
//   bareapi.exe INF-FILE SECTION [/window]
//
// With /window the queue is committed on a second thread, and a plain window of the
// first thread is told of every file, as setup.exe's page is told: the floor of a
// program whose window hears of each file. The window only counts what it hears.
//
// Exit code 0 when every call succeeded (and, with /window, the window heard of every
// file that the queue announced).

#include "barequeue.h"

#include <cstdio>

namespace {

const UINT WM_FILE_DONE = WM_APP + 1;

struct Job {
    const char* inf;
    const char* section;
    HWND window;
    int result;
};

LONG g_Files = 0;     // files done, as the window heard of them
LONG g_Expected = 0;  // the counts that the queue announced

DWORD WINAPI Worker(void* parameter)
{
    Job* job = static_cast<Job*>(parameter);
    job->result = InstallSection(job->inf, job->section, job->window, WM_FILE_DONE);
    PostMessageA(job->window, WM_CLOSE, 0, 0);
    return 0;
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_FILE_DONE:
        if (wParam)
            ++g_Files;
        else
            g_Expected += static_cast<LONG>(lParam);
        return 0;
    case WM_CLOSE:
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

int main(int argc, char** argv)
{
    const bool window = argc == 4 && lstrcmpiA(argv[3], "/window") == 0;
    if (argc != 3 && !window) {
        std::fprintf(stderr, "usage: bareapi.exe INF-FILE SECTION [/window]\n");
        return 2;
    }
    if (!window) return InstallSection(argv[1], argv[2], nullptr, 0);

    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "BareApiProgress";
    if (!RegisterClassA(&windowClass)) return 1;
    Job job = {argv[1], argv[2], nullptr, 1};
    job.window = CreateWindowExA(0, windowClass.lpszClassName, "bareapi", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                 300, 100, nullptr, nullptr, windowClass.hInstance, nullptr);
    if (!job.window) return 1;
    HANDLE thread = CreateThread(nullptr, 0, Worker, &job, 0, nullptr);
    if (!thread) return 1;
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    std::printf("files=%ld announced=%ld\n", g_Files, g_Expected);
    return job.result == 0 && g_Files > 0 && g_Files == g_Expected ? 0 : 1;
}
