// brand.exe: setup.exe branded with the example brand of docs\branding shows its title,
// welcome text and licence in English and German; bad brand files are told by brand.exe
// and by infcheck --brand alike, and leave no program behind.

#include "checker_support.h"
#include "docs_support.h"
#include "e2e_support.h"
#include "testsupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

testsupport::ProcessResult Brand(const std::string& brandFile, const std::string& target,
                                 const std::string& source = testsupport::SetupExePath())
{
    return testsupport::RunProgram(testsupport::Quote(testsupport::BuildFolder() + "\\brand.exe") + " "
                                       + testsupport::Quote(source) + " "
                                       + testsupport::Quote(brandFile) + " " + testsupport::Quote(target),
                                   "", e2e::WaitLimitMs);
}

} // namespace

TEST(Brand, TheBrandedProgramShowsTitleWelcomeAndLicenceInEnglishAndGerman)
{
    e2e::Medium medium("e2e-brand");
    ASSERT_TRUE(medium.ready);
    ASSERT_TRUE(medium.WriteScript("[Version]\r\nSignature=\"$Chicago$\"\r\n[Products]\r\nA=\"A\",A.Install,,1\r\n"));
    const std::string example = docs::DocsFolder() + "\\branding";
    const testsupport::ProcessResult branded = Brand(example + "\\brand.ini", medium.exe);
    ASSERT_EQ(0u, branded.exitCode) << branded.output;

    const struct { const char* option; std::string title, welcome; } languages[] = {
        {"/lang:eng", "Lumen Atlas 3", "Lumen Atlas 3.\r\rClick Next to install Lumen Atlas on this computer."},
        {"/lang:ger", "Lumen Atlas 3 f\xfcr B\xfcros",
         "Lumen Atlas 3 f\xfcr B\xfcros.\r\rKlicken Sie auf 'Weiter', um die Installation zu beginnen."},
    };
    for (const auto& language : languages) {
        SCOPED_TRACE(language.option);
        e2e::Running setup;
        ASSERT_TRUE(e2e::StartSetup(medium.exe, language.option, &setup));
        HWND sheet = driver::WaitForPropertySheet(setup.process, e2e::WaitLimitMs);
        ASSERT_NE(nullptr, driver::WaitForPageIndex(sheet, e2e::WelcomePage, e2e::WaitLimitMs));
        EXPECT_EQ(language.title, driver::WindowText(sheet));
        EXPECT_EQ(language.title, driver::PageControlText(sheet, 1202, nullptr));
        EXPECT_EQ(language.welcome, driver::PageControlText(sheet, 1203, nullptr));
        ASSERT_EQ(e2e::LicensePage, e2e::PressAndWaitForPage(sheet, driver::WizardNext));
        EXPECT_EQ(language.title, driver::WindowText(sheet));
        EXPECT_NE(std::string::npos,
                  driver::PageControlText(sheet, 1206, nullptr).find("Lumen Atlas 3 licence agreement"));
        driver::PressWizardButton(sheet, driver::WizardCancel);
        std::vector<driver::MessageBoxInfo> boxes;
        EXPECT_EQ(0u, e2e::EndWizardRun(&setup, &boxes).exitCode);
    }
    // The side picture is the example's file without its file header.
    std::string picture, program;
    ASSERT_TRUE(testsupport::ReadFile(example + "\\side.bmp", &picture));
    ASSERT_TRUE(testsupport::ReadFile(medium.exe, &program));
    EXPECT_NE(std::string::npos, program.find(picture.substr(14)));
}

// "Licence=none" takes the licence out of a program that has one: its wizard goes from
// the welcome page to the components.
TEST(Brand, NoneRemovesTheLicencePage)
{
    e2e::Medium medium("e2e-brand-none");
    ASSERT_TRUE(medium.ready);
    ASSERT_TRUE(medium.WriteScript("[Version]\r\nSignature=\"$Chicago$\"\r\n[Products]\r\nA=\"A\",A.Install,,1\r\n"));
    ASSERT_TRUE(testsupport::WriteFile(medium.folder + "\\brand.ini", "[Brand]\r\nLicence=none\r\n"));
    const std::string licensed = testsupport::TestFolder() + "\\setup_licensed.exe";
    ASSERT_EQ(0u, Brand(medium.folder + "\\brand.ini", medium.exe, licensed).exitCode);
    e2e::Running setup;
    HWND sheet = e2e::OpenWizard(medium.exe, "", &setup);
    ASSERT_NE(nullptr, driver::WaitForPageIndex(sheet, e2e::WelcomePage, e2e::WaitLimitMs));
    EXPECT_EQ(e2e::ComponentsPage, e2e::PressAndWaitForPage(sheet, driver::WizardNext));
    driver::PressWizardButton(sheet, driver::WizardCancel);
    std::vector<driver::MessageBoxInfo> boxes;
    EXPECT_EQ(0u, e2e::EndWizardRun(&setup, &boxes).exitCode);
}

// Each class of bad input: the error names the key, the brand file and what is wrong;
// exit code 1, and no target. infcheck --brand finds the same.
TEST(Brand, BadInputIsToldAndNothingIsWritten)
{
    const std::string example = docs::DocsFolder() + "\\branding";
    const struct { std::string line, told; } rows[] = {
        {"Picture=missing.bmp", "Picture: the file "},
        {"Title.fre=" + std::string(256, 'x'), "Title.fre: the text has 256 characters; the program takes at most 255"},
        {"Header=" + example + "\\side.bmp", "Header: the file " + example + "\\side.bmp is 164x628 pixels with 4 bits "
                                             "a pixel; the program's header picture is 49x49 pixels"},
        {"Licence=" + example + "\\brand.ini", "Licence: the file " + example + "\\brand.ini is not an RTF file"},
    };
    checkertest::Medium medium("e2e-brand-bad");
    ASSERT_TRUE(medium.WriteBasePackage() && medium.CopyIn(testsupport::SetupExePath(), "setup.exe"));
    const std::string brandFile = medium.PathOf("bad.ini"), target = medium.PathOf("branded.exe");
    for (const auto& row : rows) {
        SCOPED_TRACE(row.line);
        ASSERT_TRUE(medium.WriteFile("bad.ini", "[Brand]\r\nTitle=Ok\r\n" + row.line + "\r\n"));
        const testsupport::ProcessResult run = Brand(brandFile, target);
        EXPECT_EQ(1u, run.exitCode);
        EXPECT_NE(std::string::npos, run.output.find("error: " + brandFile + ": " + row.told)) << run.output;
        EXPECT_FALSE(testsupport::FileExists(target));
        const checkertest::CheckRun check =
            checkertest::RunInfcheck(testsupport::Quote(medium.Folder()) + " --brand " + testsupport::Quote(brandFile),
                                     medium.Folder());
        EXPECT_EQ(1u, check.exitCode);
        EXPECT_TRUE(check.Mentions("error", row.told)) << check.output;
    }
    EXPECT_EQ(0u, medium.Check().exitCode) << "the medium alone has an error";
}
