// The install page's progress bar under the file queue's steps: the real page, made from
// the program's own template, told what the worker tells it. Steps that would not change
// what the bar draws are carried until they do, until the end of the range, until the
// next frame, or until the next stage; the bar must end each stage where one step per
// file would have put it, and a bar that plug-in steps have set meanwhile is theirs.
#include "../../base/messages.h"
#include "../../engine/filequeue.h"
#include "../../app/setup.h"
#include "../../pages/pages.h"
#include "../../resources/resource.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class InstallPageBar : public ::testing::Test {
protected:
    void SetUp() override
    {
        parent_ = CreateWindowExA(0, "STATIC", "bar test", WS_POPUP, 0, 0, 600, 400, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
        ASSERT_TRUE(parent_);
        sheetPage_.dwSize = sizeof sheetPage_;
        sheetPage_.lParam = reinterpret_cast<LPARAM>(&session_);
        page_ = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_INSTALL), parent_, InstallPageProc,
                                   reinterpret_cast<LPARAM>(&sheetPage_));
        ASSERT_TRUE(page_);
        bar_ = GetDlgItem(page_, IDC_PROGRESS);
        ASSERT_TRUE(bar_);
        RECT client = {};
        GetClientRect(bar_, &client);
        ASSERT_GT(client.right, 0) << "the template's bar has a width";
    }

    void TearDown() override
    {
        if (page_) DestroyWindow(page_);
        if (parent_) DestroyWindow(parent_);
    }

    int Position() const { return static_cast<int>(SendMessageA(bar_, PBM_GETPOS, 0, 0)); }

    void Steps(int count)
    {
        for (int step = 0; step < count; ++step) SendMessageA(page_, WM_SETUP_PROGRESS, 1, 0);
    }

    // Runs the page's messages until the bar stands at `position` (bounded).
    bool SettlesAt(int position)
    {
        const DWORD start = GetTickCount();
        while (GetTickCount() - start < 5000) {
            MSG message;
            while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
            if (Position() == position) return true;
            Sleep(5);
        }
        return false;
    }

    SetupSession session_ = {};
    PROPSHEETPAGEA sheetPage_ = {};
    HWND parent_ = nullptr;
    HWND page_ = nullptr;
    HWND bar_ = nullptr;
};

TEST_F(InstallPageBar, EveryStepArrivesByTheEndOfTheRange)
{
    SendMessageA(page_, WM_SETUP_PROGRESS, 0, 2000);
    Steps(1999);
    EXPECT_LE(Position(), 1999);
    Steps(1);
    EXPECT_EQ(2000, Position()) << "the last step of the range is shown at once";
}

TEST_F(InstallPageBar, CarriedStepsAreShownByTheNextFrameOrTheNextStage)
{
    SendMessageA(page_, WM_SETUP_PROGRESS, 0, 2000);
    Steps(700);
    EXPECT_TRUE(SettlesAt(700)) << "steps carried for a frame stay carried: " << Position();

    Steps(300);
    SendMessageA(page_, WM_SETUP_PHASE, PhaseRegistry, 0);
    EXPECT_EQ(1000, Position()) << "the next stage shows the steps of the last one";

    // A new range (the next part of the queue) takes the steps of the one before first.
    SendMessageA(page_, WM_SETUP_PROGRESS, 0, 2000);
    Steps(5);
    SendMessageA(page_, WM_SETUP_PROGRESS, 0, 4000);
    EXPECT_EQ(1005, Position());
    PBRANGE range = {};
    SendMessageA(bar_, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
    EXPECT_EQ(0, range.iLow);
    EXPECT_EQ(4000, range.iHigh);
}

TEST_F(InstallPageBar, ABarThatAPluginStepSetMeanwhileIsLeftAlone)
{
    SendMessageA(page_, WM_SETUP_PROGRESS, 0, 2000);
    Steps(3);
    // A plug-in step sets its own range and position on the bar, from the worker.
    SendMessageA(bar_, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    SendMessageA(bar_, PBM_SETPOS, 30, 0);
    SendMessageA(page_, WM_SETUP_PHASE, PhaseRegistry, 0);
    EXPECT_EQ(30, Position());
}

// Windows draws this program's bar plain (it asks for no version of the common controls).
TEST_F(InstallPageBar, TheBarIsDrawnWithoutTheVisualStyle)
{
    FARPROC getWindowTheme = GetProcAddress(GetModuleHandleA("uxtheme.dll"), "GetWindowTheme");
    if (!getWindowTheme) GTEST_SKIP() << "no theme library in the process";
    EXPECT_EQ(nullptr, reinterpret_cast<void*(WINAPI*)(HWND)>(reinterpret_cast<void*>(getWindowTheme))(bar_));
}

// The worker's file queue callback, on its own thread, while the page is busy: the page
// hears of the files through a few counts, which arrive whole, in their part, and before
// what the worker posts after the queue's end.
struct QueueRun {
    HWND page;
    int files;
};

DWORD WINAPI RunQueueCallbacks(void* parameter)
{
    const QueueRun* run = static_cast<const QueueRun*>(parameter);
    FileQueueContext context = {};
    context.DefaultContext = SetupInitDefaultQueueCallback(nullptr);
    context.ProgressWindow = run->page;
    context.ProgressMessage = WM_SETUP_PROGRESS;
    context.Progress = static_cast<FileProgress*>(GetPropA(run->page, FileProgressProperty));
    FILEPATHS_A paths = {"C:\\nowhere\\target.txt", "C:\\nowhere\\source.txt", 0, 0};
    for (int part = 0; part < 2; ++part) {
        FileQueueCallback(&context, SPFILENOTIFY_STARTSUBQUEUE, FILEOP_COPY, static_cast<UINT_PTR>(run->files));
        for (int file = 0; file < run->files; ++file)
            FileQueueCallback(&context, SPFILENOTIFY_ENDCOPY, reinterpret_cast<UINT_PTR>(&paths), 0);
    }
    FileQueueCallback(&context, SPFILENOTIFY_ENDQUEUE, 1, 0);
    SetupTermDefaultQueueCallback(context.DefaultContext);
    PostMessageA(run->page, WM_APP, 0, 0);
    return 0;
}

WNDPROC g_PageProc = nullptr;
int g_Counts = 0;
LPARAM g_Steps = 0;
std::vector<LPARAM> g_StepsAtRanges;

LRESULT CALLBACK CountingPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SETUP_PROGRESS && wParam) ++g_Counts, g_Steps += lParam > 0 ? lParam : 1;
    if (message == WM_SETUP_PROGRESS && !wParam) g_StepsAtRanges.push_back(g_Steps);
    return CallWindowProcA(g_PageProc, page, message, wParam, lParam);
}

TEST_F(InstallPageBar, ASlowPageTakesTheWorkersCountsWholeBeforeItsLastMessage)
{
    g_Counts = 0;
    g_Steps = 0;
    g_StepsAtRanges.clear();
    g_PageProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(page_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CountingPageProc)));
    QueueRun run = {page_, 1500};
    HANDLE thread = CreateThread(nullptr, 0, RunQueueCallbacks, &run, 0, nullptr);
    ASSERT_TRUE(thread);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 10000));
    CloseHandle(thread);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE) && message.message != WM_APP) DispatchMessageA(&message);
    ASSERT_EQ(static_cast<UINT>(WM_APP), message.message);
    // The first file; the rest of the first part before the second starts; the second
    // part at the queue's end.
    EXPECT_EQ(3, g_Counts);
    EXPECT_EQ((std::vector<LPARAM>{0, 1500}), g_StepsAtRanges);
    EXPECT_EQ(3000, g_Steps);
}

// More steps than the range: the bar starts over as it does for single steps.
TEST_F(InstallPageBar, StepsPastTheEndWrapAsSingleStepsDo)
{
    HWND reference = CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD, 0, 0, 200, 10, parent_, nullptr,
                                     GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(reference);
    SendMessageA(reference, PBM_SETRANGE, 0, MAKELPARAM(0, 3));
    SendMessageA(reference, PBM_SETSTEP, 1, 0);
    for (int step = 0; step < 5; ++step) SendMessageA(reference, PBM_STEPIT, 0, 0);

    SendMessageA(page_, WM_SETUP_PROGRESS, 0, 3);
    Steps(5);
    SendMessageA(page_, WM_SETUP_PHASE, PhaseRegistry, 0);
    EXPECT_EQ(SendMessageA(reference, PBM_GETPOS, 0, 0), Position());
    DestroyWindow(reference);
}

// The error box's cause in a language the system has no texts in (this Wine has no
// Afrikaans ones, 0x0436) comes in the system's default language.
TEST(SetupErrorBox, TheCauseFallsBackToTheSystemsLanguage)
{
    char expected[512];
    const DWORD system = FORMAT_MESSAGE_FROM_SYSTEM;
    ASSERT_FALSE(FormatMessageA(system, nullptr, 2, 0x0436, expected, 512, nullptr));
    ASSERT_TRUE(FormatMessageA(system, nullptr, 2, GetSystemDefaultLangID(), expected, 512, nullptr));
    char* text = FormatSystemError(2, 0x0436);
    EXPECT_STREQ(expected, text);
    LocalFree(text);
}

} // namespace
