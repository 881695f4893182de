// The bare Setup API queue (see barequeue.h) committed on a second thread while a plain
// window of the first thread is told of every file, as setup.exe's page is told: the
// floor of a program whose window hears of each file. The window only counts what it
// hears.
//
//   barewindow.exe INF-FILE SECTION
//
// Exit code 0 when every call succeeded and the window heard of every file that the
// queue announced.

#include "barequeue.h"

#include <cstdio>

namespace {

const UINT WM_FILE_DONE = WM_APP + 1;

struct Job {
    const char* inf;
    const char* section;
    int result;
};

HWND g_Window = nullptr;
LONG g_Files = 0;     // files done, as the window heard of them
LONG g_Expected = 0;  // the counts that the queue announced

void TellWindow(WPARAM done, LPARAM count)
{
    SendNotifyMessageA(g_Window, WM_FILE_DONE, done, count);
}

DWORD WINAPI Worker(void* parameter)
{
    Job* job = static_cast<Job*>(parameter);
    job->result = InstallSection(job->inf, job->section, TellWindow);
    PostMessageA(g_Window, WM_CLOSE, 0, 0);
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
    if (argc != 3) {
        std::fprintf(stderr, "usage: barewindow.exe INF-FILE SECTION\n");
        return 2;
    }
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "BareWindowProgress";
    if (!RegisterClassA(&windowClass)) return 1;
    g_Window = CreateWindowExA(0, windowClass.lpszClassName, "barewindow", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                               300, 100, nullptr, nullptr, windowClass.hInstance, nullptr);
    if (!g_Window) return 1;
    Job job = {argv[1], argv[2], 1};
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
