// The licence page: skipped by the program as shipped, which carries no licence text,
// and shown by a build that carries one (build\tests\setup_licensed.exe, made with a
// licence RTF of about 14 KB, more than one stream-in request of the rich edit control).

#include "e2e_support.h"
#include "testsupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const char* const Script =
    "[Version]\r\n"
    "Signature=\"$Chicago$\"\r\n"
    "[Products]\r\n"
    "Client=\"QX-40 Client\",Client.Install,,1\r\n"
    "[Client.Install]\r\n";

const int PageWelcome = 0, PageLicense = 1, PageComponents = 2;

void CancelAndExpectCleanEnd(HWND sheet, e2e::Running* running)
{
    driver::PressWizardButton(sheet, driver::WizardCancel);
    std::vector<driver::MessageBoxInfo> boxes;
    const driver::ExitResult exit = e2e::EndWizardRun(running, &boxes);
    EXPECT_TRUE(exit.exited);
    EXPECT_EQ(0u, exit.exitCode);
    EXPECT_EQ(0u, boxes.size()) << e2e::DescribeBoxes(boxes);
}

} // namespace

TEST(LicensePage, TheProgramAsShippedSkipsIt)
{
    e2e::Medium medium("e2e-license-none");
    ASSERT_TRUE(medium.ready);
    ASSERT_TRUE(medium.WriteScript(Script));
    e2e::Running setup;
    HWND sheet = e2e::OpenWizard(medium.exe, "/lang:eng", &setup);
    ASSERT_NE(nullptr, sheet);
    ASSERT_NE(nullptr, driver::WaitForPageIndex(sheet, PageWelcome, e2e::WaitLimitMs));
    EXPECT_EQ(PageComponents, driver::PressAndWaitForPage(sheet, driver::WizardNext, e2e::WaitLimitMs));
    // Back from the components page passes the licence page again.
    EXPECT_EQ(PageWelcome, driver::PressAndWaitForPage(sheet, driver::WizardBack, e2e::WaitLimitMs));
    CancelAndExpectCleanEnd(sheet, &setup);
}

TEST(LicensePage, ABuildWithALicenceShowsTheWholeText)
{
    e2e::Medium medium("e2e-license");
    ASSERT_TRUE(medium.ready);
    ASSERT_TRUE(medium.WriteScript(Script));
    const std::string licensed = testsupport::TestFolder() + "\\setup_licensed.exe";
    ASSERT_TRUE(CopyFileA(licensed.c_str(), medium.exe.c_str(), FALSE));

    e2e::Running setup;
    HWND sheet = e2e::OpenWizard(medium.exe, "/lang:eng", &setup);
    ASSERT_NE(nullptr, sheet);
    ASSERT_NE(nullptr, driver::WaitForPageIndex(sheet, PageWelcome, e2e::WaitLimitMs));
    ASSERT_EQ(PageLicense, driver::PressAndWaitForPage(sheet, driver::WizardNext, e2e::WaitLimitMs));

    // Back and Next at once, without any acceptance step.
    driver::WizardButtons expected;
    expected.back = expected.next = expected.cancel = true;
    driver::WizardButtons seen;
    EXPECT_TRUE(driver::WaitForWizardButtons(sheet, expected, e2e::WaitLimitMs, &seen))
        << driver::DescribeWizardButtons(seen);

    // Every piece of the stream arrived, in order: the first and the last paragraph.
    HWND text = driver::PageControl(sheet, 1206);
    ASSERT_NE(nullptr, text);
    const std::string shown = driver::WindowText(text);
    const size_t first = shown.find("1. This paragraph of the test licence is number 1;");
    const size_t last = shown.find("120. This paragraph of the test licence is number 120;");
    EXPECT_NE(std::string::npos, first) << shown.substr(0, 200);
    EXPECT_NE(std::string::npos, last);
    EXPECT_LT(first, last);
    EXPECT_NE(std::string::npos, shown.find("End of the test licence."));
    EXPECT_EQ(std::string::npos, shown.find("\\par")) << "the RTF was shown as plain text";
    // The control is read-only.
    EXPECT_NE(0, GetWindowLongA(text, GWL_STYLE) & ES_READONLY);

    EXPECT_EQ(PageComponents, driver::PressAndWaitForPage(sheet, driver::WizardNext, e2e::WaitLimitMs));
    EXPECT_EQ(PageLicense, driver::PressAndWaitForPage(sheet, driver::WizardBack, e2e::WaitLimitMs));
    CancelAndExpectCleanEnd(sheet, &setup);
}

TEST(LicensePage, AnUnattendedRunSkipsItToo)
{
    e2e::Medium medium("e2e-license-quiet");
    ASSERT_TRUE(medium.ready);
    ASSERT_TRUE(medium.WriteScript(Script));
    const std::string licensed = testsupport::TestFolder() + "\\setup_licensed.exe";
    ASSERT_TRUE(CopyFileA(licensed.c_str(), medium.exe.c_str(), FALSE));
    const e2e::UnattendedRun run = e2e::RunUnattended(medium.exe, "/quiet /lang:eng");
    EXPECT_UNATTENDED_RUN(run);
}
