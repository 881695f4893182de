// A plug-in step that takes its time (the fault plug-in waits for the test's event):
// while it runs, the page answers: the driver reads the step's text and the bar the step
// moved, Cancel is handled and refused; once the test lets the step go the run completes
// by itself. Nothing here measures time; every wait has a limit.

#include "fault_support.h"

#include "testsupport.h"

#include <gtest/gtest.h>

#include <commctrl.h>

namespace {

using faults::Package;

// Waits until the bar `bar` stands at `position`.
bool WaitForBarPosition(HWND bar, DWORD_PTR position)
{
    const DWORD start = GetTickCount();
    do {
        DWORD_PTR now = 0;
        if (SendMessageTimeoutA(bar, PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, e2e::WaitLimitMs, &now) && now == position)
            return true;
        Sleep(20);
    } while (GetTickCount() - start < e2e::WaitLimitMs);
    return false;
}

TEST(SlowStep, ThePageAnswersWhileAStepWaitsAndTheRunCompletes)
{
    Package package("Slow");
    ASSERT_TRUE(package.ready) << package.target;
    faults::ReleaseEvent release("NorvaleFaultSlow" + package.id);
    ASSERT_TRUE(release.handle);
    ASSERT_TRUE(package.Order(2, "wait", release.name));

    e2e::Running setup;
    HWND sheet = faults::OpenWizardOnReadyPage(package.medium.exe, &setup);
    ASSERT_TRUE(sheet);
    HWND page = driver::CurrentPage(sheet);
    ASSERT_TRUE(driver::PressWizardButton(sheet, driver::WizardNext));

    // The step of level 2 runs after the files: its text, its bar at the position it set.
    HWND status = driver::PageControl(sheet, IDC_STATUS);
    HWND bar = driver::PageControl(sheet, IDC_PROGRESS);
    ASSERT_TRUE(driver::WaitForText(status, "Fault step at level 2", e2e::WaitLimitMs))
        << "status: " << driver::WindowText(status);
    EXPECT_TRUE(driver::IsShown(bar));
    EXPECT_TRUE(WaitForBarPosition(bar, 30));
    DWORD_PTR high = 0;
    ASSERT_TRUE(SendMessageTimeoutA(bar, PBM_GETRANGE, FALSE, 0, SMTO_ABORTIFHUNG, e2e::WaitLimitMs, &high));
    EXPECT_EQ(100u, high);
    EXPECT_TRUE(testsupport::FileExists(package.TargetFile("client.dll"))) << "level 2 came before the files";

    // Cancel is handled while the step waits, and refused; no button can be pressed.
    ASSERT_TRUE(driver::SendAndWait(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0));
    ASSERT_TRUE(driver::SendAndWait(sheet, WM_SYSCOMMAND, SC_CLOSE, 0));
    EXPECT_TRUE(driver::IsShown(sheet));
    EXPECT_EQ(page, driver::CurrentPage(sheet));
    EXPECT_FALSE(driver::HasExited(setup.process));
    driver::WizardButtons last;
    EXPECT_TRUE(driver::WaitForWizardButtons(sheet, {false, false, false, false}, e2e::WaitLimitMs, &last))
        << driver::DescribeWizardButtons(last);

    ASSERT_TRUE(SetEvent(release.handle));
    EXPECT_FINISHED_WITHOUT_RESTART(&setup, sheet);
    EXPECT_NE(std::string::npos, package.FaultLog().find("2 wait " + release.name + " -> ok")) << package.FaultLog();
    EXPECT_INSTALLED(package);

    // The removal with a slow step of its own (the plug-in lies beside the installed
    // setup.exe): the remove page shows the step's text in place of the product's name
    // and the phase in its status line, and completes once the step is let go.
    faults::ReleaseEvent removal("NorvaleFaultSlowRemove" + package.id);
    ASSERT_TRUE(removal.handle);
    ASSERT_TRUE(CopyFileA(package.MediumFile("fault_plugin.dll").c_str(), (package.target + "\\fault_plugin.dll").c_str(),
                          FALSE));
    ASSERT_TRUE(package.Order(2, "wait", removal.name, package.target));
    e2e::Running remover;
    HWND removeSheet = e2e::OpenWizard(package.target + "\\setup.exe", "/remove:" + package.client, &remover);
    ASSERT_TRUE(removeSheet);
    ASSERT_EQ(e2e::RemovePage, driver::CurrentPageIndex(removeSheet));
    ASSERT_TRUE(driver::PressWizardButton(removeSheet, driver::WizardNext));
    EXPECT_TRUE(driver::WaitForText(driver::PageControl(removeSheet, IDC_STATUS), "Fault step at level 2",
                                    e2e::WaitLimitMs));
    EXPECT_EQ("Deleting files ...", driver::PageControlText(removeSheet, IDC_REMOVE_STATUS, nullptr));
    EXPECT_FALSE(driver::HasExited(remover.process));
    ASSERT_TRUE(SetEvent(removal.handle));
    ASSERT_TRUE(driver::WaitForPageIndex(removeSheet, e2e::RemoveFinishPage, e2e::WaitLimitMs))
        << "page " << driver::CurrentPageIndex(removeSheet);
    ASSERT_TRUE(driver::PressWizardButton(removeSheet, driver::WizardFinish));
    std::vector<driver::MessageBoxInfo> boxes;
    const driver::ExitResult removed = e2e::EndWizardRun(&remover, &boxes);
    EXPECT_TRUE(boxes.empty()) << e2e::DescribeBoxes(boxes);
    EXPECT_EQ(0u, removed.exitCode);
    EXPECT_REMOVED(package);
}

// Unattended: nobody presses anything, yet the page can be read while the step waits,
// and the run ends by itself once the step is let go.
TEST(SlowStep, AnUnattendedRunWaitsForTheStepAndEndsByItself)
{
    Package package("SlowQuiet");
    ASSERT_TRUE(package.ready) << package.target;
    faults::ReleaseEvent release("NorvaleFaultSlowQuiet" + package.id);
    ASSERT_TRUE(release.handle);
    ASSERT_TRUE(package.Order(4, "wait", release.name));

    e2e::Running setup;
    ASSERT_TRUE(e2e::StartSetup(package.medium.exe, "/quiet /lang:eng", &setup));
    HWND sheet = driver::WaitForPropertySheet(setup.process, e2e::WaitLimitMs);
    ASSERT_TRUE(sheet);
    ASSERT_TRUE(driver::WaitForPageIndex(sheet, e2e::ReadyPage, e2e::WaitLimitMs));
    HWND status = driver::PageControl(sheet, IDC_STATUS);
    ASSERT_TRUE(driver::WaitForText(status, "Fault step at level 4", e2e::WaitLimitMs))
        << "status: " << driver::WindowText(status);
    // Level 4 runs after the registry entries.
    std::string text;
    EXPECT_TRUE(testsupport::ReadMachineText(package.registry + "\\Client", "Version", &text))
        << "level 4 came before the registry";
    EXPECT_FALSE(driver::HasExited(setup.process));

    ASSERT_TRUE(SetEvent(release.handle));
    std::vector<driver::MessageBoxInfo> boxes;
    const driver::ExitResult exit = e2e::EndWizardRun(&setup, &boxes);
    EXPECT_TRUE(boxes.empty()) << e2e::DescribeBoxes(boxes);
    EXPECT_FALSE(exit.killed);
    EXPECT_TRUE(exit.exited);
    EXPECT_EQ(0u, exit.exitCode);
    EXPECT_INSTALLED(package);

    EXPECT_UNATTENDED_RUN(faults::RemoveWithRecordedCommand(package, package.client));
    EXPECT_REMOVED(package);
}

} // namespace
