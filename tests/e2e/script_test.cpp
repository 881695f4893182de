// setup.exe and its setup.inf, seen from outside: a script that cannot be opened is
// reported in one message box (the file's full path and the error line, in the chosen
// language, under the system's caption, owned by the hidden "SETUP" window) and the
// program then ends with 0; a script that opens leads to the wizard's welcome page, and
// Cancel there ends the program with 0.

#include "e2e_support.h"
#include "testsupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// Line 3 opens a section header without its closing bracket; the Setup API reports
// that line.
const char* const BrokenScript =
    "[Version]\r\n"
    "Signature=\"$Chicago$\"\r\n"
    "[Install\r\n"
    "CopyFiles=Program.Files\r\n";

const char* const ValidScript =
    "[Version]\r\n"
    "Signature=\"$Chicago$\"\r\n"
    "\r\n"
    "[Install]\r\n"
    "CopyFiles=Program.Files\r\n"
    "\r\n"
    "[Program.Files]\r\n"
    "readme.txt\r\n";

} // namespace

TEST(BrokenScript, EnglishMessageFromTheHiddenWindowThenExitZero)
{
    e2e::Medium medium("e2e-broken-eng");
    ASSERT_TRUE(medium.ready);
    ASSERT_TRUE(medium.WriteScript(BrokenScript));

    e2e::Running setup;
    ASSERT_TRUE(e2e::StartSetup(medium.exe, "/lang:eng", &setup));
    driver::MessageBoxInfo box;
    ASSERT_TRUE(driver::WaitForMessageBox(setup.process, e2e::WaitLimitMs, &box));
    EXPECT_SCRIPT_ERROR_BOX(box, e2e::EnglishScriptError(medium.inf, 3));

    // The owner is the program's own main window, which stays hidden: the box is the
    // only window to be seen.
    DWORD ownerProcess = 0;
    GetWindowThreadProcessId(box.owner, &ownerProcess);
    EXPECT_EQ(setup.process.id, ownerProcess);
    EXPECT_FALSE(IsWindowVisible(box.owner));
    const std::vector<driver::WindowInfo> windows = driver::ListVisibleWindows(setup.process.id);
    ASSERT_EQ(1u, windows.size()) << "windows:" << e2e::DescribeWindows(windows);
    EXPECT_EQ(box.window, windows[0].window);
    EXPECT_EQ("#32770", windows[0].className);

    ASSERT_TRUE(driver::AnswerMessageBox(box.window, IDOK));
    std::vector<driver::MessageBoxInfo> later;
    const driver::ExitResult exit =
        driver::AnswerBoxesUntilExit(setup.process, e2e::WaitLimitMs, IDOK, e2e::RecordBox, &later);
    EXPECT_EQ(0u, later.size()) << "setup.exe showed more than one box";
    EXPECT_TRUE(exit.exited);
    EXPECT_EQ(0u, exit.exitCode);
}

TEST(BrokenScript, CaptionIsTheSystemsNotOneOfTheProgramsStrings)
{
    // The program passes no caption, so the box has the system's default one.
    const std::vector<std::string> strings = e2e::ProgramStrings(testsupport::SetupExePath());
    const auto has = [&](const std::string& text) {
        return std::find(strings.begin(), strings.end(), text) != strings.end();
    };
    // The list really holds the program's strings: the message formats are in it.
    ASSERT_TRUE(has("There is an error in file %s, line %d. Installation can not continue."));
    ASSERT_TRUE(has("Die Datei %s enthaelt in Zeile %d einen Fehler. Die Installation kann nicht fortgesetzt werden."));

    e2e::Medium medium("e2e-broken-caption");
    ASSERT_TRUE(medium.ready);
    ASSERT_TRUE(medium.WriteScript(BrokenScript));
    for (const char* language : {"/lang:eng", "/lang:ger"}) {
        SCOPED_TRACE(language);
        const e2e::BoxRun run = e2e::RunAnsweringBoxes(medium.exe, language);
        ASSERT_EQ(1u, run.boxes.size());
        EXPECT_EQ(e2e::SystemErrorCaption, run.boxes[0].caption);
        EXPECT_FALSE(has(run.boxes[0].caption)) << run.boxes[0].caption;
        EXPECT_FALSE(run.boxes[0].caption.empty());
    }
}

TEST(BrokenScript, GermanMessage)
{
    e2e::Medium medium("e2e-broken-ger");
    ASSERT_TRUE(medium.ready);
    ASSERT_TRUE(medium.WriteScript(BrokenScript));
    EXPECT_SCRIPT_ERROR_RUN(e2e::RunAnsweringBoxes(medium.exe, "/lang:ger"), e2e::GermanScriptError(medium.inf, 3));
}

TEST(BrokenScript, LanguageOptionInAnyCaseAndTheLastOneWins)
{
    e2e::Medium medium("e2e-broken-langs");
    ASSERT_TRUE(medium.ready);
    ASSERT_TRUE(medium.WriteScript(BrokenScript));
    EXPECT_SCRIPT_ERROR_RUN(e2e::RunAnsweringBoxes(medium.exe, "/LANG:GER"), e2e::GermanScriptError(medium.inf, 3));
    EXPECT_SCRIPT_ERROR_RUN(e2e::RunAnsweringBoxes(medium.exe, "/lang:ger /lang:eng"),
                            e2e::EnglishScriptError(medium.inf, 3));
}

TEST(MissingScript, ReportsLineZero)
{
    e2e::Medium medium("e2e-missing");
    ASSERT_TRUE(medium.ready);
    ASSERT_FALSE(testsupport::FileExists(medium.inf));
    EXPECT_SCRIPT_ERROR_RUN(e2e::RunAnsweringBoxes(medium.exe, "/lang:eng"), e2e::EnglishScriptError(medium.inf, 0));
    EXPECT_SCRIPT_ERROR_RUN(e2e::RunAnsweringBoxes(medium.exe, "/lang:ger"), e2e::GermanScriptError(medium.inf, 0));
}

TEST(MissingScript, UnreadableScriptReportsLineZero)
{
    e2e::Medium medium("e2e-locked");
    ASSERT_TRUE(medium.ready);
    ASSERT_TRUE(medium.WriteScript(ValidScript));
    // Held open without sharing, the file exists but cannot be read by the program.
    HANDLE lock = CreateFileA(medium.inf.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, lock);
    const e2e::BoxRun run = e2e::RunAnsweringBoxes(medium.exe, "/lang:eng");
    CloseHandle(lock);
    EXPECT_SCRIPT_ERROR_RUN(run, e2e::EnglishScriptError(medium.inf, 0));
}

TEST(ValidScript, OpensTheWizardOnTheWelcomePage)
{
    e2e::Medium medium("e2e-valid");
    ASSERT_TRUE(medium.ready);
    ASSERT_TRUE(medium.WriteScript(ValidScript));
    for (const char* arguments : {"", "/lang:eng", "/lang:ger /style:1", "/style:0", "/style:2"}) {
        SCOPED_TRACE(std::string("arguments: ") + arguments);
        EXPECT_WELCOME_PAGE_RUN(e2e::RunToFirstPageAndCancel(medium.exe, arguments));
    }

    // The welcome text below the title is the chosen language's.
    const e2e::FirstPageRun english = e2e::RunToFirstPageAndCancel(medium.exe, "/lang:eng");
    EXPECT_WELCOME_PAGE_RUN(english);
    EXPECT_EQ("Norvale Tessaro QX-40 Client Manager.\r\rClick on 'Next' to continue the installation.", english.text);
    const e2e::FirstPageRun german = e2e::RunToFirstPageAndCancel(medium.exe, "/lang:ger");
    EXPECT_WELCOME_PAGE_RUN(german);
    EXPECT_EQ("Norvale Tessaro QX-40 Client Manager.\r\rKlicken Sie auf 'Weiter', um die Installation zu beginnen.",
              german.text);
}
