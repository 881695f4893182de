// The package-entry example (docs/examples/package-entry): one entry in the list of
// installed software for the whole package. Its products have no remove section and so
// no entry of their own; the main entry (the Uninstall line of the install section)
// names the package, its removal runs the main remove section, which deletes what every
// product installed, and takes the entry away.

#include "docs_support.h"

#include <gtest/gtest.h>

namespace {

const char Main[] = "DocsPackageSuite";
const char Client[] = "DocsPackageClient";
const char Manual[] = "DocsPackageManual";
const char Registry[] = "Software\\Norvale Suite";

using e2e::RemovePage;

} // namespace

TEST(PackageEntryExample, OneEntryInstallsAndRemovesTheWholePackage)
{
    docs::ExamplePackage package("package-entry", "Package", {Main, Client, Manual}, {Registry});
    ASSERT_TRUE(package.ready) << package.target;

    DOCS_EXPECT_QUIET(package.Run("/quiet"));
    EXPECT_TRUE(package.Installed("setup.exe"));
    EXPECT_TRUE(package.Installed("setup.inf"));
    EXPECT_TRUE(package.Installed("client.txt"));
    EXPECT_TRUE(package.Installed("Manual\\manual.txt", "manual.txt"));
    EXPECT_EQ(package.target, docs::MachineText(Registry, "InstallDir"));
    // The main entry has no version; the products have no entries.
    DOCS_EXPECT_ENTRY(Main, "Norvale Suite", package.ExpectedCommand(Main), "<none>", package.target);
    DOCS_EXPECT_NO_ENTRY(Client);
    DOCS_EXPECT_NO_ENTRY(Manual);

    DOCS_EXPECT_QUIET(package.RunUninstallCommand(Main, "/quiet /reboot:0"));
    DOCS_EXPECT_NO_ENTRY(Main);
    EXPECT_FALSE(package.InTarget("client.txt"));
    EXPECT_FALSE(package.InTarget("Manual\\manual.txt"));
    EXPECT_FALSE(package.InTarget("Manual")) << "the emptied folder goes with its last file";
    EXPECT_FALSE(package.InTarget("setup.inf"));
    EXPECT_FALSE(docs::MachineKeyExists(Registry));
    EXPECT_TRUE(docs::DeletionAtRestartScheduled(package.target + "\\setup.exe"));
    EXPECT_TRUE(docs::DeletionAtRestartScheduled(package.target));
}

TEST(PackageEntryExample, TheRemovePageNamesThePackage)
{
    docs::ExamplePackage package("package-entry", "Package", {Main, Client, Manual}, {Registry});
    ASSERT_TRUE(package.ready) << package.target;
    DOCS_EXPECT_QUIET(package.Run("/quiet"));

    // The command as Windows starts it, without /quiet: the wizard opens on the remove
    // page, which names the package with field 2 of the Uninstall line.
    const std::string command = docs::MachineText(
        "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + std::string(Main), "UninstallString");
    ASSERT_EQ(package.ExpectedCommand(Main), command);
    e2e::Running setup;
    ASSERT_TRUE(driver::StartProgram(command + " /lang:eng", std::string(), &setup.process));
    HWND sheet = driver::WaitForPropertySheet(setup.process, e2e::WaitLimitMs);
    ASSERT_TRUE(sheet);
    EXPECT_EQ(RemovePage, driver::CurrentPageIndex(sheet));
    EXPECT_EQ("Norvale Suite", driver::PageControlText(sheet, IDC_STATUS, nullptr));

    // Cancelled: nothing is removed.
    ASSERT_TRUE(driver::PressWizardButton(sheet, driver::WizardCancel));
    std::vector<driver::MessageBoxInfo> boxes;
    const driver::ExitResult exit = e2e::EndWizardRun(&setup, &boxes);
    EXPECT_TRUE(boxes.empty()) << e2e::DescribeBoxes(boxes);
    EXPECT_TRUE(exit.exited);
    EXPECT_TRUE(package.Installed("client.txt"));
    DOCS_EXPECT_ENTRY(Main, "Norvale Suite", package.ExpectedCommand(Main), "<none>", package.target);
}
