// One copy of setup.exe per program file: while the copy started from medium A waits
// on its message box, starting A\setup.exe again ends at once with 0 and shows nothing,
// and the first copy's box comes forward; a copy in another folder B is a program file
// of its own and runs normally.

#include "e2e_support.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const char* const BrokenScript =
    "[Version]\r\n"
    "Signature=\"$Chicago$\"\r\n"
    "[Install\r\n"
    "CopyFiles=Program.Files\r\n";

} // namespace

TEST(SingleInstance, SecondCopyOfTheSameFileEndsAtOnceOtherFileRuns)
{
    e2e::Medium a("e2e-instance-a");
    e2e::Medium b("e2e-instance-b");
    ASSERT_TRUE(a.ready);
    ASSERT_TRUE(b.ready);
    ASSERT_TRUE(a.WriteScript(BrokenScript));
    ASSERT_TRUE(b.WriteScript(BrokenScript));

    // A runs and waits on its box.
    e2e::Running first;
    ASSERT_TRUE(e2e::StartSetup(a.exe, "/lang:eng", &first));
    driver::MessageBoxInfo firstBox;
    ASSERT_TRUE(driver::WaitForMessageBox(first.process, e2e::WaitLimitMs, &firstBox));
    EXPECT_SCRIPT_ERROR_BOX(firstBox, e2e::EnglishScriptError(a.inf, 3));

    // A again: ends by itself with 0 and shows no window of its own (a box would keep
    // it running and be seen). It brings back and forward what the first copy shows,
    // the box, not the hidden main window that owns it.
    ShowWindow(firstBox.window, SW_MINIMIZE);
    ASSERT_TRUE(IsIconic(firstBox.window));
    const e2e::WindowRun second = e2e::RunWatchingWindows(a.exe, "/lang:eng");
    EXPECT_QUIET_RUN(second);
    EXPECT_FALSE(IsIconic(firstBox.window));
    EXPECT_EQ(firstBox.window, GetForegroundWindow());

    // The first copy still waits on the same box.
    EXPECT_FALSE(driver::HasExited(first.process));
    EXPECT_EQ(firstBox.window, driver::FindMessageBox(first.process.id));
    // With /exitcodes the second copy's exit code says why it ended.
    const e2e::WindowRun told = e2e::RunWatchingWindows(a.exe, "/lang:eng /exitcodes");
    EXPECT_TRUE(told.exit.exited && told.windows.empty()) << e2e::DescribeWindows(told.windows);
    EXPECT_EQ(1618u, told.exit.exitCode);

    // B is another program file: it runs and shows its own box.
    EXPECT_SCRIPT_ERROR_RUN(e2e::RunAnsweringBoxes(b.exe, "/lang:eng"), e2e::EnglishScriptError(b.inf, 3));

    ASSERT_TRUE(driver::AnswerMessageBox(firstBox.window, IDOK));
    const driver::ExitResult exit = driver::WaitForExit(first.process, e2e::WaitLimitMs);
    EXPECT_TRUE(exit.exited);
    EXPECT_EQ(0u, exit.exitCode);
}

TEST(SingleInstance, FileOfAnEndedCopyRunsAgain)
{
    // The rule holds only while a copy runs: a second run after the first has ended
    // shows the box again.
    e2e::Medium medium("e2e-instance-again");
    ASSERT_TRUE(medium.ready);
    ASSERT_TRUE(medium.WriteScript(BrokenScript));
    EXPECT_SCRIPT_ERROR_RUN(e2e::RunAnsweringBoxes(medium.exe, "/lang:eng"), e2e::EnglishScriptError(medium.inf, 3));
    EXPECT_SCRIPT_ERROR_RUN(e2e::RunAnsweringBoxes(medium.exe, "/lang:eng"), e2e::EnglishScriptError(medium.inf, 3));
}
