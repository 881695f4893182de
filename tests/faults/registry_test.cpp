// A registry key of the package that the installation may not write: the product's key
// exists with an access list that denies setting values. Wine enforces such a list (a
// key opened or created for writing is refused with ERROR_ACCESS_DENIED), so the
// registry stage fails for real. The run ends with the error, the files and uninstall
// entries written before stay, and either the removal or, once the key is writable
// again, a second run succeeds.

#include "fault_support.h"

#include "testsupport.h"

#include <gtest/gtest.h>

namespace {

using faults::Package;
using testsupport::LockKey;

// The lock is real: the key cannot be opened for setting values.
bool IsLocked(const std::string& path)
{
    HKEY key;
    const LONG result = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_SET_VALUE, &key);
    if (result == ERROR_SUCCESS) RegCloseKey(key);
    return result == ERROR_ACCESS_DENIED;
}

TEST(RegistryFaults, AKeyWithoutWriteAccessEndsTheRunOnThePageAndNextSucceedsOnceItIsWritable)
{
    Package package("RegPage");
    ASSERT_TRUE(package.ready) << package.target;
    const std::string locked = package.registry + "\\Client";
    ASSERT_TRUE(LockKey(locked, true));
    ASSERT_TRUE(IsLocked(locked)) << "Wine no longer enforces the access list";

    e2e::Running setup;
    HWND sheet = faults::OpenWizardOnReadyPage(package.medium.exe, &setup);
    ASSERT_TRUE(sheet);
    ASSERT_TRUE(driver::PressWizardButton(sheet, driver::WizardNext));
    EXPECT_ERROR_BOX(setup, sheet, faults::ErrorBoxText(faults::InstallFailed, ERROR_ACCESS_DENIED));
    driver::WizardButtons last;
    EXPECT_TRUE(driver::WaitForWizardButtons(sheet, {true, true, false, true}, e2e::WaitLimitMs, &last))
        << driver::DescribeWizardButtons(last);
    EXPECT_EQ("", driver::PageControlText(sheet, IDC_STATUS, nullptr));

    // The files were committed before the registry stage; the value was not written.
    std::string text;
    EXPECT_TRUE(testsupport::FileExists(package.TargetFile("client.dll")));
    EXPECT_FALSE(testsupport::ReadMachineText(locked, "Version", &text)) << text;
    EXPECT_TRUE(testsupport::MachineKeyExists(package.UninstallKey(package.client)));

    // The key is writable again: Next runs every step again, to the finish page.
    ASSERT_TRUE(LockKey(locked, false));
    ASSERT_TRUE(driver::PressWizardButton(sheet, driver::WizardNext));
    EXPECT_FINISHED_WITHOUT_RESTART(&setup, sheet);
    EXPECT_INSTALLED(package);

    EXPECT_UNATTENDED_RUN(faults::RemoveWithRecordedCommand(package, package.client));
    EXPECT_REMOVED(package);
}

// Unattended, and the key stays locked: the removal through the entry that the failed
// run left deletes the key (setting values is denied, deleting is not) and everything
// else of the package.
TEST(RegistryFaults, AFailedRegistryStageLeavesAnEntryThatRemovesEverything)
{
    Package package("RegQuiet");
    ASSERT_TRUE(package.ready) << package.target;
    const std::string locked = package.registry + "\\Client";
    ASSERT_TRUE(LockKey(locked, true));
    ASSERT_TRUE(IsLocked(locked));

    const e2e::UnattendedRun run = e2e::RunUnattended(package.medium.exe, "/quiet /lang:eng");
    ASSERT_TRUE(run.started);
    ASSERT_EQ(1u, run.boxes.size()) << e2e::DescribeBoxes(run.boxes);
    EXPECT_EQ(faults::ErrorBoxText(faults::InstallFailed, ERROR_ACCESS_DENIED), run.boxes[0].text);
    EXPECT_EQ(0u, run.exit.exitCode);
    EXPECT_TRUE(testsupport::FileExists(package.target + "\\setup.exe"));

    EXPECT_UNATTENDED_RUN(faults::RemoveWithRecordedCommand(package, package.client));
    EXPECT_REMOVED(package);
}

// The product's uninstall key exists and may not be written: the registration gives up
// (without its entries the package cannot be removed from the list of installed
// software), the installation itself goes on and succeeds. Once the key is writable a
// second run registers both entries, and the removal through them cleans up.
TEST(RegistryFaults, AnUninstallKeyWithoutWriteAccessLeavesTheInstallationToASecondRun)
{
    Package package("RegEntry");
    ASSERT_TRUE(package.ready) << package.target;
    const std::string entry = package.UninstallKey(package.client);
    ASSERT_TRUE(LockKey(entry, true));
    ASSERT_TRUE(IsLocked(entry));

    EXPECT_UNATTENDED_RUN(e2e::RunUnattended(package.medium.exe, "/quiet /lang:eng"));
    std::string text;
    EXPECT_FALSE(testsupport::ReadMachineText(entry, "UninstallString", &text)) << text;
    EXPECT_FALSE(testsupport::MachineKeyExists(package.UninstallKey(package.main)))
        << "registration goes on after a failure";
    EXPECT_TRUE(testsupport::FileExists(package.TargetFile("client.dll")));
    EXPECT_TRUE(testsupport::ReadMachineText(package.registry + "\\Client", "Version", &text))
        << "the registry stage did not run";

    ASSERT_TRUE(LockKey(entry, false));
    EXPECT_UNATTENDED_RUN(e2e::RunUnattended(package.medium.exe, "/quiet /lang:eng"));
    EXPECT_INSTALLED(package);
    EXPECT_UNATTENDED_RUN(faults::RemoveWithRecordedCommand(package, package.client));
    EXPECT_REMOVED(package);
}

} // namespace
