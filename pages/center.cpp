// Placement of the wizard: centred once, over the desktop, and pulled into the work area
// of the monitor it is on. The functions for several monitors exist only on newer systems
// and are looked up at run time.

#include "pages.h"

#include "placement.h"
#include "../base/platform.h"

namespace {

PlacementRect ToPlacement(const RECT& rectangle)
{
    return {rectangle.left, rectangle.top, rectangle.right, rectangle.bottom};
}

} // namespace

int GetMonitorWorkArea(HWND window, RECT* area)
{
    typedef HMONITOR(WINAPI * MonitorFromWindowFunction)(HWND, DWORD);
    typedef BOOL(WINAPI * GetMonitorInfoFunction)(HMONITOR, MONITORINFO*);
    MonitorFromWindowFunction monitorFromWindow = OptionalImport<MonitorFromWindowFunction>(OptMonitorFromWindow);
    GetMonitorInfoFunction getMonitorInfo = OptionalImport<GetMonitorInfoFunction>(OptGetMonitorInfoA);

    HMONITOR monitor = window && monitorFromWindow ? monitorFromWindow(window, MONITOR_DEFAULTTONEAREST) : nullptr;
    MONITORINFO information = {};
    information.cbSize = 40;
    if (monitor && getMonitorInfo && getMonitorInfo(monitor, &information)) {
        *area = information.rcWork;
    } else {
        SystemParametersInfoA(SPI_GETWORKAREA, 0, area, 0);
    }
    return 1;
}

void CenterWindow(HWND window, HWND reference)
{
    RECT work, own, around;
    GetMonitorWorkArea(window, &work);
    GetWindowRect(window, &own);
    if (reference) {
        GetWindowRect(reference, &around);
    } else {
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &around, 0);
    }
    long x = 0, y = 0;
    PlaceCentered(ToPlacement(work), ToPlacement(around), reference != nullptr, own.right - own.left,
                  own.bottom - own.top, GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), &x, &y);
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
