// The wizard walk: for each page, in this order: wait until the page and the buttons
// have stopped changing (so the page is drawn), print the page, ask for its picture and
// wait for the hand-over file, press Finish or Next, and wait for the next page, a
// message box, or the program's end. Message boxes are photographed and answered on the
// way. Every wait takes what is left of the walk's limit at most.

#include "walk.h"

#include <cstdio>
#include <string>

namespace walk {

namespace {

const char* const PageNames[8] = {"welcome", "licence", "components", "targetdir",
                                  "install", "installfinish", "remove", "removefinish"};

const DWORD PollMs = 50;
const DWORD SettleMs = 500;        // a page that did not change for this long is drawn
const DWORD SettleLimitMs = 10000;
const DWORD SheetLimitMs = 60000;  // from the start to the wizard
const DWORD PageLimitMs = 20000;   // from Next to the next page
const DWORD WorkLimitMs = 180000;  // the install and remove pages run their worker first
const DWORD EndLimitMs = 20000;    // from Finish or Cancel to the program's end
const int StepLimit = 20;          // more pages than any walk has: a loop, not a wizard

enum Event { PageChanged, BoxShown, SheetClosed, ProgramEnded, TimedOut };

struct Walk {
    const driver::Process& process;
    std::string folder;
    DWORD start;
    DWORD totalMs;
    DWORD pauseMs;
    driver::BoxSeen printBox;
    int pictures;
};

DWORD Left(const Walk& walk, DWORD limitMs)
{
    const DWORD used = GetTickCount() - walk.start;
    const DWORD left = used < walk.totalMs ? walk.totalMs - used : 0;
    return left < limitMs ? left : limitMs;
}

std::string Buttons(HWND sheet)
{
    return driver::DescribeWizardButtons(driver::ReadWizardButtons(sheet));
}

// Waits until the sheet has shown the same page with the same buttons for SettleMs.
HWND Settle(const Walk& walk, HWND sheet)
{
    const DWORD start = GetTickCount();
    const DWORD limit = Left(walk, SettleLimitMs);
    HWND page = nullptr;
    std::string buttons;
    DWORD since = start;
    for (;;) {
        if (!IsWindow(sheet)) return nullptr;
        HWND nowPage = driver::CurrentPage(sheet);
        const std::string nowButtons = Buttons(sheet);
        if (nowPage != page || nowButtons != buttons) {
            page = nowPage;
            buttons = nowButtons;
            since = GetTickCount();
        } else if (page && GetTickCount() - since >= SettleMs) {
            return page;
        }
        if (GetTickCount() - start >= limit) return nullptr;
        Sleep(PollMs);
    }
}

// Asks for a picture of `area` and waits for the caller's "<n>.go" file.
bool TakePicture(Walk& walk, const RECT& area)
{
    const int number = ++walk.pictures;
    std::printf("SHOT %d %ld %ld %ld %ld\n", number, area.left, area.top, area.right - area.left,
                area.bottom - area.top);
    std::fflush(stdout);
    const std::string go = walk.folder + "\\" + std::to_string(number) + ".go";
    const DWORD start = GetTickCount();
    const DWORD limit = Left(walk, walk.pauseMs);
    for (;;) {
        if (GetFileAttributesA(go.c_str()) != INVALID_FILE_ATTRIBUTES) {
            DeleteFileA(go.c_str());
            return true;
        }
        if (GetTickCount() - start >= limit) return false;
        Sleep(PollMs);
    }
}

// Photographs the box (with the wizard behind it, when there is one) and answers it.
bool HandleBox(Walk& walk, HWND box, HWND sheet)
{
    driver::MessageBoxInfo info;
    if (!driver::ReadMessageBox(box, &info)) return true;  // it closed meanwhile
    if (walk.printBox) walk.printBox(info, nullptr);
    Sleep(SettleMs);
    RECT area = {}, sheetArea = {};
    GetWindowRect(box, &area);
    if (sheet && IsWindow(sheet) && IsWindowVisible(sheet) && GetWindowRect(sheet, &sheetArea))
        UnionRect(&area, &area, &sheetArea);
    if (!TakePicture(walk, area)) return false;
    int answer = IDOK;
    for (const driver::ControlInfo& button : info.buttons) {
        if (button.id == IDNO) answer = IDNO;
    }
    driver::AnswerMessageBox(box, answer);
    return driver::WaitForWindowGone(box, Left(walk, PageLimitMs));
}

// Without a sheet only a box or the program's end counts.
Event WaitForEvent(const Walk& walk, HWND sheet, HWND page, DWORD limitMs, HWND* box)
{
    const DWORD start = GetTickCount();
    const DWORD limit = Left(walk, limitMs);
    for (;;) {
        if (driver::HasExited(walk.process)) return ProgramEnded;
        *box = driver::FindMessageBox(walk.process.id);
        if (*box) return BoxShown;
        if (sheet) {
            if (!IsWindow(sheet) || !IsWindowVisible(sheet)) return SheetClosed;
            HWND current = driver::CurrentPage(sheet);
            if (current && current != page) return PageChanged;
        }
        if (GetTickCount() - start >= limit) return TimedOut;
        Sleep(PollMs);
    }
}

WalkResult Stop(const Walk& walk, HWND sheet, const char* reason)
{
    std::printf("STOP %s\n", reason);
    std::fflush(stdout);
    if (sheet && IsWindow(sheet)) driver::PressWizardButton(sheet, driver::WizardCancel);
    WalkResult result;
    result.exit = driver::WaitForExit(walk.process, EndLimitMs);
    return result;
}

// After Finish: answers what the program still shows (a restart prompt) until it ends.
WalkResult FinishRun(Walk& walk)
{
    for (;;) {
        HWND box = nullptr;
        const Event event = WaitForEvent(walk, nullptr, nullptr, EndLimitMs, &box);
        if (event == ProgramEnded) {
            WalkResult result;
            result.completed = true;
            result.exit = driver::WaitForExit(walk.process, 0);
            return result;
        }
        if (event != BoxShown || !HandleBox(walk, box, nullptr)) return Stop(walk, nullptr, "the program did not end");
    }
}

} // namespace

WalkResult WalkWizard(const driver::Process& process, const std::string& handoverFolder, DWORD totalMs,
                      DWORD pauseMs, driver::BoxSeen printBox)
{
    Walk walk = {process, handoverFolder, GetTickCount(), totalMs, pauseMs, printBox, 0};

    // Before the wizard a gate may explain in a box why there will be none.
    HWND sheet = nullptr;
    const DWORD start = GetTickCount();
    while (!sheet) {
        sheet = driver::FindPropertySheet(process.id);
        HWND box = sheet ? nullptr : driver::FindMessageBox(process.id);
        if (box && !HandleBox(walk, box, nullptr)) return Stop(walk, nullptr, "no go-ahead for a picture");
        if (!sheet && driver::HasExited(process)) return Stop(walk, nullptr, "the program ended without a wizard");
        if (!sheet && GetTickCount() - start >= Left(walk, SheetLimitMs)) return Stop(walk, nullptr, "no wizard");
        if (!sheet) Sleep(PollMs);
    }

    for (int step = 0; step < StepLimit; ++step) {
        HWND page = Settle(walk, sheet);
        if (!page) return Stop(walk, sheet, "the page did not settle");
        const int index = driver::CurrentPageIndex(sheet);
        std::printf("PAGE %d %s%s\n", index, index >= 0 && index < 8 ? PageNames[index] : "page",
                    Buttons(sheet).c_str());
        std::fflush(stdout);
        RECT area = {};
        GetWindowRect(sheet, &area);
        if (!TakePicture(walk, area)) return Stop(walk, sheet, "no go-ahead for a picture");

        const driver::WizardButtons buttons = driver::ReadWizardButtons(sheet);
        const bool finish = buttons.finish;
        if (!finish && !buttons.next) return Stop(walk, sheet, "neither Next nor Finish can be pressed");
        driver::PressWizardButton(sheet, finish ? driver::WizardFinish : driver::WizardNext);
        const bool working = index == 4 || index == 6;

        for (;;) {
            HWND box = nullptr;
            const Event event = WaitForEvent(walk, sheet, page, working ? WorkLimitMs : PageLimitMs, &box);
            if (event == PageChanged) break;
            if (event == SheetClosed || event == ProgramEnded) {
                if (finish) return FinishRun(walk);
                return Stop(walk, sheet, "the wizard closed before its last page");
            }
            if (event == TimedOut) return Stop(walk, sheet, "the page did not change");
            if (!HandleBox(walk, box, sheet)) return Stop(walk, sheet, "no go-ahead for a picture");
            // A box on a page that offers Next again reported a failure: walking on
            // would only repeat it.
            if (IsWindow(sheet) && driver::CurrentPage(sheet) == page) {
                Sleep(SettleMs);
                if (driver::ReadWizardButtons(sheet).next) return Stop(walk, sheet, "the page reported a failure");
            }
        }
    }
    return Stop(walk, sheet, "too many pages");
}

} // namespace walk
