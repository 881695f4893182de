// The hidden main window's rules and the single-instance mutex, with real user32 and
// kernel objects.

#include "../../app/setup.h"

#include <gtest/gtest.h>

namespace {

class EndSession : public ::testing::Test {
protected:
    void SetUp() override
    {
        window_ = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(nullptr, window_);
        g_Options.RebootNeeded = 0;
        g_Options.EndSessionGuard = 0;
    }
    void TearDown() override
    {
        DestroyWindow(window_);
        g_Options.RebootNeeded = 0;
        g_Options.EndSessionGuard = 0;
    }
    HWND window_ = nullptr;
};

TEST_F(EndSession, AllowedWhileNoWorkerRuns)
{
    EXPECT_EQ(TRUE, MainWindowProc(window_, WM_QUERYENDSESSION, 0, 0));
    EXPECT_EQ(0, g_Options.RebootNeeded);
}

TEST_F(EndSession, RefusedWhileAWorkerRunsAndRemembersTheRestart)
{
    g_Options.EndSessionGuard = 1;
    EXPECT_EQ(FALSE, MainWindowProc(window_, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF));
    EXPECT_EQ(1, g_Options.RebootNeeded);
    // The flag stays set when Windows asks again after the worker has ended.
    g_Options.EndSessionGuard = 0;
    EXPECT_EQ(TRUE, MainWindowProc(window_, WM_QUERYENDSESSION, 0, 0));
    EXPECT_EQ(1, g_Options.RebootNeeded);
}

TEST(SingleInstance, ASecondCallForTheSameProgramFileFindsTheFirst)
{
    // The first call creates the mutex named after this program's path; any further
    // call, as from a second copy of the same file, finds it.
    EXPECT_EQ(0, ActivateOtherInstance());
    EXPECT_EQ(1, ActivateOtherInstance());
}

TEST(CommonControls, VersionIsReadFromTheLibrary)
{
    DWORD major = 0, minor = 0;
    ASSERT_EQ(1, GetCommonControlsVersion(&major, &minor));
    EXPECT_GE(major, 4u);
    EXPECT_TRUE(major > 4 || minor >= 71) << major << "." << minor;
}

} // namespace
