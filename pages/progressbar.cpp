#include "progressbar.h"

#include "barsteps.h"
#include "../base/messages.h"
#include "../base/platform.h"
#include "../resources/resource.h"

#include <commctrl.h>

#include <new>

namespace {

// The file steps of one page's bar.
struct BarSteps {
    int range;       // the bar's range: the files of the stage
    int shown;       // the bar's position
    int pending;     // steps received and not yet given to the bar
    DWORD movedAt;   // GetTickCount of the last move
    int timerSet;    // the frame timer runs
    // The bar and its width, found once per range rather than for every file (each
    // GetDlgItem asks the window server under Wine).
    HWND bar;
    int width;
    FileProgress progress;  // what the worker counted and the page has not taken
};

const char BarStepsProperty[] = "SetupBarSteps";

// A bar that moves more often than a screen shows frames gains nothing to look at; steps
// that come faster wait for the next frame, and the timer shows them should no step
// follow.
const DWORD BarFrameMs = 16;

BarSteps* PageBarSteps(HWND page)
{
    return static_cast<BarSteps*>(GetPropA(page, BarStepsProperty));
}

HWND StepsBar(HWND page, BarSteps* steps)
{
    if (!steps->bar) {
        steps->bar = GetDlgItem(page, IDC_PROGRESS);
        RECT client = {};
        GetClientRect(steps->bar, &client);
        steps->width = client.right - client.left;
    }
    return steps->bar;
}

// Gives the bar the steps it has not shown yet, with the effect of one step each. Plug-in
// steps set the bar's range and position themselves, from the worker; a bar they have
// set since is left to them, as it would have been after steps given at once.
void Flush(HWND page, BarSteps* steps)
{
    if (steps->pending == 0) return;
    if (steps->timerSet) KillTimer(page, BarTimer);
    steps->timerSet = 0;
    HWND bar = StepsBar(page, steps);
    PBRANGE range = {};
    SendMessageA(bar, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
    if (range.iLow != 0 || range.iHigh != steps->range || SendMessageA(bar, PBM_GETPOS, 0, 0) != steps->shown) {
        steps->pending = 0;
        return;
    }
    if (steps->shown + steps->pending <= steps->range) {
        SendMessageA(bar, PBM_DELTAPOS, static_cast<WPARAM>(steps->pending), 0);
    } else {
        // Past its end the bar starts over at every step: leave that to the bar.
        for (int step = 0; step < steps->pending; ++step) SendMessageA(bar, PBM_STEPIT, 0, 0);
    }
    steps->shown = static_cast<int>(SendMessageA(bar, PBM_GETPOS, 0, 0));
    steps->pending = 0;
    steps->movedAt = GetTickCount();
}

// The program asks for no version of the common controls, so Windows draws its bar plain,
// whatever the desktop's visual style. Wine's common controls (seen on Wine 8.0) draw
// every program's bar in the style, and there a move of the bar costs about 0.6 ms
// instead of 0.2 ms plain: with a move a frame, the largest cost of the page while the
// files are copied. Told to match no style (a blank), the bar is drawn plain there too;
// on Windows, where this bar never draws a style, that changes nothing. A process
// without the theme library has no style to drop.
void DrawBarPlain(HWND bar)
{
    typedef HRESULT(WINAPI * SetWindowThemeFunction)(HWND, LPCWSTR, LPCWSTR);
    SetWindowThemeFunction setWindowTheme = OptionalImport<SetWindowThemeFunction>(OptSetWindowTheme);
    if (bar && setWindowTheme) setWindowTheme(bar, L" ", L" ");
}

} // namespace

void AttachBarSteps(HWND page)
{
    DrawBarPlain(GetDlgItem(page, IDC_PROGRESS));
    BarSteps* steps = new (std::nothrow) BarSteps();
    if (!steps) return;
    if (!SetPropA(page, BarStepsProperty, steps)) {
        delete steps;
        return;
    }
    SetPropA(page, FileProgressProperty, &steps->progress);
}

void DetachBarSteps(HWND page)
{
    RemovePropA(page, FileProgressProperty);
    delete static_cast<BarSteps*>(RemovePropA(page, BarStepsProperty));
}

int TakeFileProgress(HWND page, LPARAM count)
{
    if (BarSteps* steps = PageBarSteps(page)) InterlockedExchange(&steps->progress.Told, 0);
    return count > 0 ? static_cast<int>(count) : 1;
}

void FlushBarSteps(HWND page)
{
    if (BarSteps* steps = PageBarSteps(page)) Flush(page, steps);
}

void StartBarSteps(HWND page, WORD range)
{
    BarSteps* steps = PageBarSteps(page);
    if (!steps) {
        SendDlgItemMessageA(page, IDC_PROGRESS, PBM_SETRANGE, 0, MAKELPARAM(0, range));
        return;
    }
    Flush(page, steps);
    steps->bar = nullptr;  // found again for every range
    HWND bar = StepsBar(page, steps);
    SendMessageA(bar, PBM_SETRANGE, 0, MAKELPARAM(0, range));
    steps->range = range;
    steps->shown = static_cast<int>(SendMessageA(bar, PBM_GETPOS, 0, 0));
}

// The bar moves when the move shows, at most once a frame; the last step of the range at
// once.
void StepBar(HWND page, int count)
{
    if (count <= 0) return;
    BarSteps* steps = PageBarSteps(page);
    if (!steps) {
        for (int step = 0; step < count; ++step) SendDlgItemMessageA(page, IDC_PROGRESS, PBM_STEPIT, 0, 0);
        return;
    }
    steps->pending += count;
    const int target = steps->shown + steps->pending;
    StepsBar(page, steps);
    if (!BarMoveIsVisible(steps->shown, target, steps->range, steps->width)) return;
    if (target >= steps->range || GetTickCount() - steps->movedAt >= BarFrameMs) {
        Flush(page, steps);
    } else if (!steps->timerSet) {
        // Once per frame: setting the timer again for every file only costs a call to
        // the window server each time.
        steps->timerSet = SetTimer(page, BarTimer, BarFrameMs, nullptr) != 0;
    }
}
