// Faults of the file queue while setup.exe runs: a source file of the medium that
// vanishes after the files were queued and before the queue is committed (the fault
// plug-in deletes it at level 1), a destination that is read-only, a destination that
// another program holds open without sharing, and a source held that way. Each run ends
// as it must (the error box with the system's text, or success with the restart note),
// and what it leaves behind lets a second run or the removal through the uninstall entry
// succeed.

#include "fault_support.h"

#include "testsupport.h"

#include <gtest/gtest.h>

namespace {

using faults::Package;

TEST(FileFaults, ASourceThatVanishesBeforeTheCommitEndsTheRunAndASecondRunInstalls)
{
    Package package("Vanish");
    ASSERT_TRUE(package.ready) << package.target;
    ASSERT_TRUE(package.Order(1, "delete", package.MediumFile("client.hlp")));

    const e2e::UnattendedRun run = e2e::RunUnattended(package.medium.exe, "/quiet /lang:eng");
    ASSERT_TRUE(run.started);
    EXPECT_NE(std::string::npos, package.FaultLog().find("1 delete " + package.MediumFile("client.hlp") + " -> ok"))
        << package.FaultLog();
    ASSERT_EQ(1u, run.boxes.size()) << e2e::DescribeBoxes(run.boxes);
    EXPECT_EQ(faults::ErrorBoxText(faults::InstallFailed, ERROR_FILE_NOT_FOUND), run.boxes[0].text);
    EXPECT_FALSE(run.exit.killed);
    EXPECT_EQ(0u, run.exit.exitCode);
    // The registry stage never ran; the uninstall entries were written before the steps.
    EXPECT_FALSE(testsupport::MachineKeyExists(package.registry));
    EXPECT_TRUE(testsupport::MachineKeyExists(package.UninstallKey(package.client)));
    EXPECT_TRUE(testsupport::MachineKeyExists(package.UninstallKey(package.main)));

    // The file is back on the medium: the same installation again succeeds completely.
    ASSERT_TRUE(testsupport::WriteFile(package.MediumFile("client.hlp"), package.Content("client.hlp")));
    EXPECT_UNATTENDED_RUN(e2e::RunUnattended(package.medium.exe, "/quiet /lang:eng"));
    EXPECT_INSTALLED(package);

    // The product's entry removes it, and with the last product the main part.
    EXPECT_UNATTENDED_RUN(faults::RemoveWithRecordedCommand(package, package.client));
    EXPECT_REMOVED(package);
}

// The same fault in the wizard: the error box belongs to the wizard, the page is ready
// again, and Next, once the file is back, runs every step again to the finish page.
TEST(FileFaults, AVanishedSourceIsReportedOnThePageAndNextRunsTheStepsAgain)
{
    Package package("VanishPage");
    ASSERT_TRUE(package.ready) << package.target;
    ASSERT_TRUE(package.Order(1, "delete", package.MediumFile("main.dll")));

    e2e::Running setup;
    HWND sheet = faults::OpenWizardOnReadyPage(package.medium.exe, &setup);
    ASSERT_TRUE(sheet);
    ASSERT_TRUE(driver::PressWizardButton(sheet, driver::WizardNext));
    EXPECT_ERROR_BOX(setup, sheet, faults::ErrorBoxText(faults::InstallFailed, ERROR_FILE_NOT_FOUND));
    ASSERT_FALSE(testsupport::FileExists(package.MediumFile("main.dll"))) << "the fault did not happen";

    driver::WizardButtons last;
    EXPECT_TRUE(driver::WaitForWizardButtons(sheet, {true, true, false, true}, e2e::WaitLimitMs, &last))
        << driver::DescribeWizardButtons(last);
    EXPECT_EQ(e2e::ReadyPage, driver::CurrentPageIndex(sheet));
    EXPECT_EQ("", driver::PageControlText(sheet, IDC_STATUS, nullptr));
    EXPECT_TRUE(driver::WaitForShown(driver::PageControl(sheet, IDC_PROGRESS), false, e2e::WaitLimitMs));

    ASSERT_TRUE(testsupport::WriteFile(package.MediumFile("main.dll"), package.Content("main.dll")));
    ASSERT_TRUE(driver::PressWizardButton(sheet, driver::WizardNext));
    EXPECT_FINISHED_WITHOUT_RESTART(&setup, sheet);
    EXPECT_INSTALLED(package);

    EXPECT_UNATTENDED_RUN(faults::RemoveWithRecordedCommand(package, package.client));
    EXPECT_REMOVED(package);
}

// An installed file made read-only before the commit of a second installation (a newer
// medium): the run must not leave the old file and report success. Windows refuses to
// copy over a read-only file (the run then ends with the access error); Wine 8 copies
// over it. Either way the removal deletes the file at once: it is read-only, not in use,
// and must not wait for a restart (nor make the finish page ask for one).
TEST(FileFaults, AReadOnlyDestinationIsReplacedOrReportedAndTheRemovalCleansUp)
{
    Package package("ReadOnly");
    ASSERT_TRUE(package.ready) << package.target;
    EXPECT_UNATTENDED_RUN(e2e::RunUnattended(package.medium.exe, "/quiet /lang:eng"));
    EXPECT_INSTALLED(package);

    const std::string newer = "Norvale fault payload main.dll, second edition\r\n";
    ASSERT_TRUE(testsupport::WriteFile(package.MediumFile("main.dll"), newer));
    ASSERT_TRUE(package.Order(1, "readonly", package.TargetFile("main.dll")));
    const e2e::UnattendedRun run = e2e::RunUnattended(package.medium.exe, "/quiet /lang:eng");
    ASSERT_TRUE(run.started);
    EXPECT_NE(std::string::npos, package.FaultLog().find(" -> ok")) << package.FaultLog();
    std::string bytes;
    EXPECT_TRUE(testsupport::ReadFile(package.TargetFile("main.dll"), &bytes));
    if (run.boxes.empty()) {
        EXPECT_EQ(newer, bytes) << "the run reported success and left the old file";
    } else {
        ASSERT_EQ(1u, run.boxes.size()) << e2e::DescribeBoxes(run.boxes);
        EXPECT_EQ(faults::ErrorBoxText(faults::InstallFailed, ERROR_ACCESS_DENIED), run.boxes[0].text);
    }
    EXPECT_FALSE(run.exit.killed);
    EXPECT_EQ(0u, run.exit.exitCode);

    // The file is still read-only: the removal deletes it all the same, now.
    EXPECT_NE(0u, GetFileAttributesA(package.TargetFile("main.dll").c_str()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_UNATTENDED_RUN(faults::RemoveWithRecordedCommand(package, package.client));
    EXPECT_REMOVED(package);
    EXPECT_TRUE(faults::PendingRenamesBelow(package.target).empty()) << "something was left for the restart";
    faults::DropPendingRenamesBelow(package.target);
}

// A second installation while another program holds an installed file open without
// sharing: the new file waits beside it and replaces it at the restart, the finish page
// says so, and after the restart the removal leaves nothing behind.
TEST(FileFaults, ADestinationHeldOpenIsReplacedAtTheRestart)
{
    Package package("Held");
    ASSERT_TRUE(package.ready) << package.target;
    EXPECT_UNATTENDED_RUN(e2e::RunUnattended(package.medium.exe, "/quiet /lang:eng"));
    EXPECT_INSTALLED(package);

    const std::string newer = "Norvale fault payload client.dll, second edition\r\n";
    ASSERT_TRUE(testsupport::WriteFile(package.MediumFile("client.dll"), newer));
    struct Held {
        HANDLE file;
        ~Held() { if (file != INVALID_HANDLE_VALUE) CloseHandle(file); }
    } held{CreateFileA(package.TargetFile("client.dll").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr)};
    ASSERT_NE(INVALID_HANDLE_VALUE, held.file);

    e2e::Running setup;
    HWND sheet = faults::OpenWizardOnReadyPage(package.medium.exe, &setup);
    ASSERT_TRUE(sheet);
    ASSERT_TRUE(driver::PressWizardButton(sheet, driver::WizardNext));
    driver::MessageBoxInfo box;
    ASSERT_TRUE(driver::WaitForPageIndex(sheet, e2e::InstallFinishPage, e2e::WaitLimitMs))
        << "no finish page; box: "
        << (driver::ReadMessageBox(driver::FindMessageBox(setup.process.id), &box) ? box.text : "none");
    HWND note = driver::PageControl(sheet, IDC_STATUS);
    EXPECT_TRUE(driver::IsShown(note)) << "no restart note";
    EXPECT_EQ(faults::InstallRestartNote, driver::WindowText(note));

    // Finish leaves the restart to the system's prompt, answered No here.
    ASSERT_TRUE(driver::PressWizardButton(sheet, driver::WizardFinish));
    std::vector<driver::MessageBoxInfo> boxes;
    const driver::ExitResult exit = e2e::EndWizardRun(&setup, &boxes);
    EXPECT_TRUE(exit.exited);
    EXPECT_EQ(0u, exit.exitCode);
    ASSERT_EQ(1u, boxes.size()) << e2e::DescribeBoxes(boxes);
    EXPECT_EQ("SETUP", boxes[0].ownerClass) << "the restart prompt belongs to the program's main window";
    ASSERT_EQ(2u, boxes[0].buttons.size()) << e2e::DescribeButtons(boxes[0]);
    EXPECT_EQ(IDYES, boxes[0].buttons[0].id);
    CloseHandle(held.file);
    held.file = INVALID_HANDLE_VALUE;

    // The held file is still the old one; its replacement waits for the restart.
    std::string bytes;
    EXPECT_TRUE(testsupport::ReadFile(package.TargetFile("client.dll"), &bytes));
    EXPECT_EQ(package.Content("client.dll"), bytes);
    const auto pending = faults::PendingRenamesBelow(package.target);
    bool replaced = false;
    for (const auto& rename : pending) {
        std::string staged;
        if (lstrcmpiA(rename.second.c_str(), package.TargetFile("client.dll").c_str()) == 0
            && testsupport::ReadFile(rename.first, &staged) && staged == newer)
            replaced = true;
    }
    EXPECT_TRUE(replaced) << pending.size() << " pending renames below the target";

    // The restart, as the system carries it out, brings the new file.
    for (const auto& rename : pending) {
        if (rename.second.empty())
            DeleteFileA(rename.first.c_str());
        else
            MoveFileExA(rename.first.c_str(), rename.second.c_str(), MOVEFILE_REPLACE_EXISTING);
    }
    faults::DropPendingRenamesBelow(package.target);
    EXPECT_TRUE(testsupport::ReadFile(package.TargetFile("client.dll"), &bytes));
    EXPECT_EQ(newer, bytes);

    EXPECT_UNATTENDED_RUN(faults::RemoveWithRecordedCommand(package, package.client));
    EXPECT_REMOVED(package);
    EXPECT_TRUE(faults::PendingRenamesBelow(package.target).empty());
    faults::DropPendingRenamesBelow(package.target);
}

// A source file that another program holds open without sharing (the fault plug-in
// opens it at level 1 and keeps it until setup.exe ends): the copy cannot read it, the
// run ends with the sharing violation, and nothing staged is left beside the targets. The
// next run, with the file free, installs everything.
TEST(FileFaults, ASourceHeldOpenEndsTheRunWithTheSharingViolation)
{
    Package package("HeldSource");
    ASSERT_TRUE(package.ready) << package.target;
    ASSERT_TRUE(package.Order(1, "lock", package.MediumFile("client.dll")));

    const e2e::UnattendedRun run = e2e::RunUnattended(package.medium.exe, "/quiet /lang:eng");
    ASSERT_TRUE(run.started);
    EXPECT_NE(std::string::npos, package.FaultLog().find("1 lock " + package.MediumFile("client.dll") + " -> ok"))
        << package.FaultLog();
    ASSERT_EQ(1u, run.boxes.size()) << e2e::DescribeBoxes(run.boxes);
    EXPECT_EQ(faults::ErrorBoxText(faults::InstallFailed, ERROR_SHARING_VIOLATION), run.boxes[0].text);
    EXPECT_EQ(0u, run.exit.exitCode);
    EXPECT_FALSE(testsupport::FileExists(package.TargetFile("client.dll")));
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((package.target + "\\Client\\*.tmp").c_str(), &entry);
    EXPECT_EQ(INVALID_HANDLE_VALUE, find) << "left behind: " << entry.cFileName;
    if (find != INVALID_HANDLE_VALUE) FindClose(find);
    EXPECT_TRUE(faults::PendingRenamesBelow(package.target).empty());

    EXPECT_UNATTENDED_RUN(e2e::RunUnattended(package.medium.exe, "/quiet /lang:eng"));
    EXPECT_INSTALLED(package);
    EXPECT_UNATTENDED_RUN(faults::RemoveWithRecordedCommand(package, package.client));
    EXPECT_REMOVED(package);
}

} // namespace
