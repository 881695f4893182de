// The products example (docs/examples/products): three products whose flags decide the
// default selection (1), a restart after installation and removal (2) and the Windows CD
// note (4), with images, descriptions and versions. Unattended runs select the checked
// products, a list after /quiet: or one product with /install:; the entries record the
// versions; the restart prompt follows exactly the runs that touch the driver (flag 2).
// The wizard shows the rows, checks, images and descriptions the lines ask for, and the
// ready page shows the CD note while the fonts are chosen.

#include "docs_support.h"
#include "../../pages/checklist.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

const char Viewer[] = "DocsProductsViewer";
const char Driver[] = "DocsProductsDriver";
const char Fonts[] = "DocsProductsFonts";

docs::ExamplePackage* NewPackage()
{
    return new docs::ExamplePackage("products", "Products", {Viewer, Driver, Fonts}, {});
}

void ExpectViewer(const docs::ExamplePackage& package, bool installed)
{
    SCOPED_TRACE(installed ? "viewer installed" : "viewer not installed");
    EXPECT_EQ(installed, package.Installed("viewer.txt"));
    if (installed) DOCS_EXPECT_ENTRY(Viewer, "Norvale Viewer", package.ExpectedCommand(Viewer), "2.4.1", package.target);
    else DOCS_EXPECT_NO_ENTRY(Viewer);
}

void ExpectDriver(const docs::ExamplePackage& package, bool installed)
{
    SCOPED_TRACE(installed ? "driver installed" : "driver not installed");
    EXPECT_EQ(installed, package.Installed("driver.txt"));
    if (installed) DOCS_EXPECT_ENTRY(Driver, "Norvale Port Driver", package.ExpectedCommand(Driver), "1.0", package.target);
    else DOCS_EXPECT_NO_ENTRY(Driver);
}

void ExpectFonts(const docs::ExamplePackage& package, bool installed)
{
    SCOPED_TRACE(installed ? "fonts installed" : "fonts not installed");
    EXPECT_EQ(installed, package.Installed("fonts.txt"));
    if (installed) DOCS_EXPECT_ENTRY(Fonts, "Norvale Fonts", package.ExpectedCommand(Fonts), "1.2", package.target);
    else DOCS_EXPECT_NO_ENTRY(Fonts);
}

// The main install section's files; after the last removal setup.inf is gone and the
// running setup.exe waits for the next start.
void ExpectMainPart(const docs::ExamplePackage& package, bool installed)
{
    SCOPED_TRACE(installed ? "main part installed" : "main part removed");
    EXPECT_EQ(installed, package.Installed("setup.inf"));
    EXPECT_TRUE(package.Installed("setup.exe"));
    EXPECT_EQ(!installed, docs::DeletionAtRestartScheduled(package.target + "\\setup.exe"));
}

// The wizard's pages.
using e2e::ComponentsPage;
using e2e::TargetPage;
using e2e::ReadyPage;
using e2e::PressAndWaitForPage;
const int CheckBoxX = 9;    // a click this far into a row lands in its check box

} // namespace

TEST(ProductsExample, QuietInstallsTheCheckedProductsAndEachEntryRemovesItsProduct)
{
    std::unique_ptr<docs::ExamplePackage> package(NewPackage());
    ASSERT_TRUE(package->ready) << package->target;

    // Viewer (flags 1) and driver (flags 3) are checked by default, the fonts (4) are
    // not; the driver asks for a restart, which /reboot:0 declines without a question.
    DOCS_EXPECT_QUIET(package->Run("/quiet /reboot:0"));
    ExpectMainPart(*package, true);
    ExpectViewer(*package, true);
    ExpectDriver(*package, true);
    ExpectFonts(*package, false);

    // The driver's entry removes the driver; the viewer stays, so the main remove
    // section does not run.
    DOCS_EXPECT_QUIET(package->RunUninstallCommand(Driver, "/quiet /reboot:0"));
    ExpectDriver(*package, false);
    ExpectViewer(*package, true);
    ExpectMainPart(*package, true);

    // The viewer is the last product: its own remove section, then the main one.
    DOCS_EXPECT_QUIET(package->RunUninstallCommand(Viewer, "/quiet /reboot:0"));
    ExpectViewer(*package, false);
    ExpectMainPart(*package, false);
}

TEST(ProductsExample, AListSelectsTheNamedProductsWhateverTheirFlags)
{
    std::unique_ptr<docs::ExamplePackage> package(NewPackage());
    ASSERT_TRUE(package->ready) << package->target;

    // Letter case does not matter; a name that is no product is dropped. Neither product
    // has flag 2, so nothing asks for a restart although /reboot:0 is not given.
    DOCS_EXPECT_QUIET(package->Run("/quiet:docsproductsfonts,NoSuchProduct,DOCSPRODUCTSVIEWER"));
    ExpectMainPart(*package, true);
    ExpectFonts(*package, true);
    ExpectViewer(*package, true);
    ExpectDriver(*package, false);

    // Removing the fonts, the viewer stays: no restart, no prompt.
    DOCS_EXPECT_QUIET(package->RunUninstallCommand(Fonts, "/quiet"));
    ExpectFonts(*package, false);
    ExpectViewer(*package, true);
    ExpectMainPart(*package, true);

    DOCS_EXPECT_QUIET(package->RunUninstallCommand(Viewer, "/quiet /reboot:0"));
    ExpectMainPart(*package, false);
}

TEST(ProductsExample, TheDriverNeedsARestartAfterInstallationAndRemoval)
{
    std::unique_ptr<docs::ExamplePackage> package(NewPackage());
    ASSERT_TRUE(package->ready) << package->target;

    // /install: names one product; the prompt of /reboot:1, the default, follows.
    DOCS_EXPECT_RESTART_PROMPT(package->Run("/install:DocsProductsDriver /quiet"));
    ExpectDriver(*package, true);
    ExpectViewer(*package, false);
    ExpectFonts(*package, false);

    // Another product, so that the driver's removal leaves the main part alone: the
    // prompt then comes from flag 2 alone.
    DOCS_EXPECT_QUIET(package->Run("/install:DocsProductsViewer /quiet"));
    ExpectViewer(*package, true);
    DOCS_EXPECT_RESTART_PROMPT(package->RunUninstallCommand(Driver, "/quiet"));
    ExpectDriver(*package, false);
    ExpectMainPart(*package, true);

    // Any /reboot: value but 1 and 2 acts like 0.
    DOCS_EXPECT_QUIET(package->RunUninstallCommand(Viewer, "/quiet /reboot:7"));
    ExpectViewer(*package, false);
    ExpectMainPart(*package, false);
}

TEST(ProductsExample, TheWizardShowsTheProductsAsTheirLinesSay)
{
    std::unique_ptr<docs::ExamplePackage> package(NewPackage());
    ASSERT_TRUE(package->ready) << package->target;

    e2e::Running setup;
    HWND sheet = e2e::OpenWizard(package->medium.exe, "", &setup);
    ASSERT_TRUE(sheet);
    ASSERT_EQ(ComponentsPage, PressAndWaitForPage(sheet, driver::WizardNext));
    HWND list = driver::PageControl(sheet, IDC_COMPONENT_LIST);
    ASSERT_TRUE(list);
    ASSERT_EQ(3, driver::ListRowCount(list));
    const char* const names[] = {"Norvale Viewer", "Norvale Port Driver", "Norvale Fonts"};
    const int checks[] = {1, 1, 0};
    const int images[] = {22, 32, 3};
    for (int row = 0; row < 3; ++row) {
        SCOPED_TRACE(names[row]);
        EXPECT_EQ(names[row], driver::ListRowText(list, row));
        EXPECT_EQ(checks[row], CheckListDataCheck(driver::ListRowData(list, row)));
        EXPECT_EQ(images[row], CheckListDataImage(driver::ListRowData(list, row)));
    }
    // The first row is current and its description stands below the list.
    EXPECT_EQ(0, driver::ListCurrentRow(list));
    EXPECT_EQ("Shows the device logs.", driver::PageControlText(sheet, IDC_TITLE, nullptr));

    // The proposed folder: the program files folder and the line's subfolder.
    ASSERT_EQ(TargetPage, PressAndWaitForPage(sheet, driver::WizardNext));
    EXPECT_EQ(package->target, driver::PageControlText(sheet, IDC_TARGET_EDIT, nullptr));

    // No chosen product has flag 4: no note about the Windows CD.
    ASSERT_EQ(ReadyPage, PressAndWaitForPage(sheet, driver::WizardNext));
    EXPECT_TRUE(driver::WaitForShown(driver::PageControl(sheet, IDC_TITLE), false, e2e::WaitLimitMs));

    // With the fonts checked, the note is shown.
    ASSERT_EQ(TargetPage, PressAndWaitForPage(sheet, driver::WizardBack));
    ASSERT_EQ(ComponentsPage, PressAndWaitForPage(sheet, driver::WizardBack));
    list = driver::PageControl(sheet, IDC_COMPONENT_LIST);
    ASSERT_TRUE(driver::ClickListRow(list, 2, CheckBoxX));
    ASSERT_TRUE(driver::WaitForListIdle(list, e2e::WaitLimitMs));
    EXPECT_EQ(1, CheckListDataCheck(driver::ListRowData(list, 2)));
    EXPECT_EQ("May need files from the Windows CD.", driver::PageControlText(sheet, IDC_TITLE, nullptr));
    ASSERT_EQ(TargetPage, PressAndWaitForPage(sheet, driver::WizardNext));
    ASSERT_EQ(ReadyPage, PressAndWaitForPage(sheet, driver::WizardNext));
    HWND hint = driver::PageControl(sheet, IDC_TITLE);
    EXPECT_TRUE(driver::WaitForShown(hint, true, e2e::WaitLimitMs));
    EXPECT_EQ("Please keep your Microsoft Windows CD-ROM handy. Files from this CD may be required during the "
              "installation.",
              driver::WindowText(hint));

    ASSERT_TRUE(driver::PressWizardButton(sheet, driver::WizardCancel));
    std::vector<driver::MessageBoxInfo> boxes;
    const driver::ExitResult exit = e2e::EndWizardRun(&setup, &boxes);
    EXPECT_TRUE(boxes.empty()) << e2e::DescribeBoxes(boxes);
    EXPECT_TRUE(exit.exited);
    // Cancelled before anything was installed.
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(package->target.c_str()));
    DOCS_EXPECT_NO_ENTRY(Viewer);
    DOCS_EXPECT_NO_ENTRY(Driver);
    DOCS_EXPECT_NO_ENTRY(Fonts);
}

TEST(ProductsExample, ABareQuietLeavesOutAProductOfWhichANewerVersionIsInstalled)
{
    std::unique_ptr<docs::ExamplePackage> package(NewPackage());
    ASSERT_TRUE(package->ready) << package->target;
    DOCS_EXPECT_QUIET(package->Run("/quiet:DocsProductsViewer"));
    ExpectViewer(*package, true);

    // As if version 2.10 of the viewer were installed (2.10 is newer than 2.4.1), with its
    // file gone: the viewer is not checked, so /quiet does not install it.
    e2e::UninstallEntry entry(Viewer);
    ASSERT_TRUE(entry.Write("ProductVersion", "2.10"));
    ASSERT_TRUE(DeleteFileA((package->target + "\\viewer.txt").c_str()));
    DOCS_EXPECT_QUIET(package->Run("/quiet /reboot:0"));
    ExpectDriver(*package, true);
    EXPECT_FALSE(package->InTarget("viewer.txt"));
    EXPECT_EQ("2.10", entry.Read("ProductVersion"));

    // Named in the list it is installed, and its entry records the offered version.
    DOCS_EXPECT_QUIET(package->Run("/quiet:DocsProductsViewer"));
    ExpectViewer(*package, true);
}
