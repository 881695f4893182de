// Start conditions and the product catalogue as the user meets them: a condition
// library beside setup.exe that refuses gives one box, captioned with the program's
// "cannot be executed" text in the interface language, showing the library's reason,
// with an OK button and no icon; then the program ends with 0.

#include "e2e_support.h"
#include "testsupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A medium with the condition library `library` from the test programs' folder.
bool AddLibrary(const e2e::Medium& medium, const char* library)
{
    const std::string source = testsupport::TestFolder() + "\\" + library;
    return CopyFileA(source.c_str(), (medium.folder + "\\" + library).c_str(), FALSE) != 0;
}

// The box shows an icon: a visible icon static with an icon in it among its children
// (Wine keeps a hidden, empty icon control in every box).
bool HasIcon(HWND box)
{
    for (const driver::ControlInfo& control : driver::ListControls(box)) {
        if (control.className != "Static") continue;
        if ((GetWindowLongA(control.window, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) continue;
        if (IsWindowVisible(control.window) && SendMessageA(control.window, STM_GETICON, 0, 0)) return true;
    }
    return false;
}

void ExpectConditionBox(const e2e::BoxRun& run, const char* caption, const char* text)
{
    ASSERT_TRUE(run.started);
    ASSERT_EQ(1u, run.boxes.size()) << "one box, and no wizard after it";
    const driver::MessageBoxInfo& box = run.boxes[0];
    EXPECT_EQ(caption, box.caption);
    EXPECT_EQ(text, box.text);
    ASSERT_EQ(1u, box.buttons.size()) << e2e::DescribeButtons(box);
    EXPECT_EQ(IDOK, box.buttons[0].id);
    EXPECT_EQ("SETUP", box.ownerClass);
    EXPECT_TRUE(run.exit.exited);
    EXPECT_EQ(0u, run.exit.exitCode);
}

const char* const English = "The installation cannot be executed";
const char* const German = "Die Installation kann nicht ausgef\xfchrt werden";

const char* const RefusingScript =
    "[Version]\r\n"
    "Signature=\"$Chicago$\"\r\n"
    "[Install]\r\n"
    "Conditions=Service.Pack,Never.Reached\r\n"
    "[Service.Pack]\r\n"
    "1=cond_norvale.dll,Fails\r\n"
    "[Never.Reached]\r\n"
    "1=cond_tessaro.dll,Fails\r\n";

} // namespace

TEST(StartConditions, ARefusingLibraryShowsItsReasonAndEndsTheRun)
{
    e2e::Medium medium("e2e-conditions");
    ASSERT_TRUE(medium.ready);
    ASSERT_TRUE(AddLibrary(medium, "cond_norvale.dll"));
    ASSERT_TRUE(AddLibrary(medium, "cond_tessaro.dll"));
    ASSERT_TRUE(medium.WriteScript(RefusingScript));

    ExpectConditionBox(e2e::RunAnsweringBoxes(medium.exe, "/lang:eng"), English,
                       "Norvale service pack 3 is required.");
    ExpectConditionBox(e2e::RunAnsweringBoxes(medium.exe, "/lang:ger"), German,
                       "Norvale service pack 3 is required.");
    // A removal is refused just the same, and so is an unattended run: the box waits for
    // an answer there too, and no wizard follows it.
    ExpectConditionBox(e2e::RunAnsweringBoxes(medium.exe, "/remove:Client /lang:eng"), English,
                       "Norvale service pack 3 is required.");
    ExpectConditionBox(e2e::RunAnsweringBoxes(medium.exe, "/quiet /lang:eng"), English,
                       "Norvale service pack 3 is required.");
}

// A library that needs a library of its own beside it on the medium finds it there.
TEST(StartConditions, ALibraryFindsTheLibrariesItImportsBesideIt)
{
    e2e::Medium medium("e2e-cond-helped");
    ASSERT_TRUE(medium.ready);
    ASSERT_TRUE(AddLibrary(medium, "cond_helped.dll") && AddLibrary(medium, "cond_tessaro.dll"));
    ASSERT_TRUE(medium.WriteScript("[Version]\r\nSignature=\"$Chicago$\"\r\n[Install]\r\nConditions=Helped\r\n"
                                   "[Helped]\r\n1=cond_helped.dll,HoldsThroughHelper\r\n"));
    EXPECT_WELCOME_PAGE_RUN(e2e::RunToFirstPageAndCancel(medium.exe, ""));
}

TEST(StartConditions, TheBoxHasNoIconUnlikeTheScriptError)
{
    e2e::Medium medium("e2e-conditions-icon");
    ASSERT_TRUE(medium.ready);
    ASSERT_TRUE(AddLibrary(medium, "cond_norvale.dll"));
    ASSERT_TRUE(medium.WriteScript(RefusingScript));
    e2e::Running setup;
    ASSERT_TRUE(e2e::StartSetup(medium.exe, "/lang:eng", &setup));
    driver::MessageBoxInfo box;
    ASSERT_TRUE(driver::WaitForMessageBox(setup.process, e2e::WaitLimitMs, &box));
    EXPECT_EQ(English, box.caption);
    EXPECT_FALSE(HasIcon(box.window));
    ASSERT_TRUE(driver::AnswerMessageBox(box.window, IDOK));
    const driver::ExitResult exit = driver::WaitForExit(setup.process, e2e::WaitLimitMs);
    EXPECT_TRUE(exit.exited);

    // The check can see an icon: the script error box has the error icon.
    ASSERT_TRUE(medium.WriteScript("[Version]\r\nSignature=\"$Chicago$\"\r\n[Install\r\n"));
    e2e::Running broken;
    ASSERT_TRUE(e2e::StartSetup(medium.exe, "/lang:eng", &broken));
    driver::MessageBoxInfo error;
    ASSERT_TRUE(driver::WaitForMessageBox(broken.process, e2e::WaitLimitMs, &error));
    EXPECT_TRUE(HasIcon(error.window));
    ASSERT_TRUE(driver::AnswerMessageBox(error.window, IDOK));
    EXPECT_TRUE(driver::WaitForExit(broken.process, e2e::WaitLimitMs).exited);
}

TEST(StartConditions, OnlyTheSectionNamedInstallCounts)
{
    e2e::Medium medium("e2e-conditions-nt5");
    ASSERT_TRUE(medium.ready);
    ASSERT_TRUE(AddLibrary(medium, "cond_norvale.dll"));
    ASSERT_TRUE(medium.WriteScript("[Version]\r\n"
                                   "Signature=\"$Chicago$\"\r\n"
                                   "[Install.NT5]\r\n"
                                   "Conditions=Service.Pack\r\n"
                                   "[Service.Pack]\r\n"
                                   "1=cond_norvale.dll,Fails\r\n"));
    // The refusing library stands in "Install.NT5", which this system chooses as its
    // install section; the start conditions are read from "Install" alone, so no box
    // comes and the wizard opens.
    EXPECT_WELCOME_PAGE_RUN(e2e::RunToFirstPageAndCancel(medium.exe, "/lang:eng"));
}

TEST(ProductCatalogue, NoProductOfferedShowsTheLastReason)
{
    e2e::Medium medium("e2e-catalogue");
    ASSERT_TRUE(medium.ready);
    ASSERT_TRUE(AddLibrary(medium, "cond_norvale.dll"));
    ASSERT_TRUE(AddLibrary(medium, "cond_tessaro.dll"));
    ASSERT_TRUE(medium.WriteScript("[Version]\r\n"
                                   "Signature=\"$Chicago$\"\r\n"
                                   "[Products]\r\n"
                                   "Client=\"Client\",Client.Install,,1\r\n"
                                   "Tools=\"Tools\",Tools.Install,,1\r\n"
                                   "[Client.Install]\r\n"
                                   "Conditions=Pack\r\n"
                                   "[Tools.Install]\r\n"
                                   "Conditions=Driver\r\n"
                                   "[Pack]\r\n"
                                   "1=cond_norvale.dll,Fails\r\n"
                                   "[Driver]\r\n"
                                   "1=cond_tessaro.dll,Fails\r\n"));
    ExpectConditionBox(e2e::RunAnsweringBoxes(medium.exe, "/lang:eng"), English, "Tessaro driver 2.1 is missing.");
    ExpectConditionBox(e2e::RunAnsweringBoxes(medium.exe, "/quiet:Client /lang:eng"), English,
                       "Tessaro driver 2.1 is missing.");
}
