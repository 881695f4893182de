// Keeps a window on the desktop for the whole benchmark, as a desktop always has one on
// Windows. Under Wine the desktop process (explorer.exe /desktop) ends shortly after the
// last window of the desktop is gone, and the next program that opens a window starts
// it again, on the same CPU, while it is being timed; which of the cases with a window
// paid for that depended on how long the windowless case before them took. Runs until
// its process is ended (bench/run ends the wineserver, and with it this program).

#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = "BenchDesktopKeeper";
    if (!RegisterClassA(&windowClass)) return 1;
    if (!CreateWindowExA(0, windowClass.lpszClassName, "bench desktop", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                         nullptr, instance, nullptr))
        return 1;
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
    return 0;
}
