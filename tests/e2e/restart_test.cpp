// The restart at the end of a run, and the refused end of the Windows session, seen from
// outside.
//
//  - RestartAtTheEnd: a run whose install section says "Reboot=1" needs a restart. With
//    /reboot:1 (the default) the system's restart prompt (Yes/No, owned by the hidden
//    "SETUP" window) appears after the wizard has closed; with /reboot:0, or any value
//    other than 1 and 2, nothing asks and the program ends by itself. Interactively the
//    finish page shows the restart note, and the prompt follows Finish. A run that needs
//    no restart asks nothing.
//  - EndSession: WM_QUERYENDSESSION sent to the hidden window is answered TRUE while no
//    worker runs (the welcome page) and FALSE while the install worker waits for an Exec
//    program of level 1; the refusal makes a restart needed, so the prompt follows the
//    run. While the programs of level 3 run the session is not refused.
//
// Every box is answered No: Yes would restart, and a restart ends the Wine session of
// every test in the prefix. /reboot:2, which restarts without asking, runs only in a
// private copy of the prefix (restart_force.sh).

#include "e2e_support.h"
#include "testsupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const char* const RestartScript =
    "[Version]\r\n"
    "Signature=\"$Chicago$\"\r\n"
    "[Install]\r\n"
    "Reboot=1\r\n";

const char* const PlainScript =
    "[Version]\r\n"
    "Signature=\"$Chicago$\"\r\n"
    "[Install]\r\n"
    "Reboot=0\r\n";

const char* const EnglishNote =
    "A number of the updated files are currently in use. The system must therefore be restarted before the "
    "newly installed software can be used.";
// "muß" and "können" in the ANSI code page.
const char* const GermanNote =
    "Einige der aktualisierten Dateien sind zur Zeit in Benutzung, deshalb mu\xdf das System neu gestartet werden, "
    "bevor Sie die installierte Software verwenden k\xf6nnen.";


// ---- Boxes ----

struct SeenBox {
    driver::MessageBoxInfo box;
    bool sheetShown = false;    // the wizard was still on the screen when the box came
};

struct BoxWatch {
    DWORD processId;
    std::vector<SeenBox>* boxes;
};

void RecordWithSheet(const driver::MessageBoxInfo& box, void* context)
{
    BoxWatch* watch = static_cast<BoxWatch*>(context);
    SeenBox seen;
    seen.box = box;
    seen.sheetShown = driver::FindPropertySheet(watch->processId) != nullptr;
    watch->boxes->push_back(seen);
}

struct EndOfRun {
    bool started = false;
    std::vector<SeenBox> boxes;
    driver::ExitResult exit;
};

// Answers every box of the running program with No until it ends (killed at the limit).
void AnswerNoUntilExit(const driver::Process& process, EndOfRun* run)
{
    BoxWatch watch = {process.id, &run->boxes};
    run->exit = driver::AnswerBoxesUntilExit(process, e2e::WaitLimitMs, IDNO, RecordWithSheet, &watch);
}

EndOfRun RunAnsweringNo(const std::string& exe, const std::string& arguments)
{
    EndOfRun run;
    e2e::Running setup;
    run.started = e2e::StartSetup(exe, arguments, &setup);
    if (run.started) AnswerNoUntilExit(setup.process, &run);
    return run;
}

std::string Describe(const std::vector<SeenBox>& boxes)
{
    std::string text;
    for (const SeenBox& seen : boxes)
        text += " [\"" + seen.box.caption + "\": \"" + seen.box.text + "\"" + e2e::DescribeButtons(seen.box) + "]";
    return text.empty() ? " none" : text;
}

// The restart prompt: a question with exactly Yes and No, owned by the hidden window,
// shown after the wizard has gone.
void ExpectRestartPrompt(const SeenBox& seen, const char* file, int line)
{
    ::testing::ScopedTrace trace(file, line, "restart prompt");
    EXPECT_FALSE(seen.box.text.empty());
    ASSERT_EQ(2u, seen.box.buttons.size()) << e2e::DescribeButtons(seen.box);
    EXPECT_EQ(IDYES, seen.box.buttons[0].id);
    EXPECT_EQ(IDNO, seen.box.buttons[1].id);
    EXPECT_EQ("SETUP", seen.box.ownerClass);
    EXPECT_FALSE(seen.sheetShown) << "the prompt came while the wizard was still shown";
}

// The run showed one box, the restart prompt, and ended by itself with 0 after No.
void ExpectPromptedRun(const EndOfRun& run, const char* file, int line)
{
    ::testing::ScopedTrace trace(file, line, "run with a restart prompt");
    ASSERT_TRUE(run.started);
    ASSERT_EQ(1u, run.boxes.size()) << Describe(run.boxes);
    ExpectRestartPrompt(run.boxes[0], file, line);
    EXPECT_TRUE(run.exit.exited) << "setup.exe did not end after No";
    EXPECT_EQ(0u, run.exit.exitCode);
}

// The run showed no box and ended by itself with 0.
void ExpectSilentEnd(const EndOfRun& run, const char* file, int line)
{
    ::testing::ScopedTrace trace(file, line, "run without a box");
    ASSERT_TRUE(run.started);
    EXPECT_TRUE(run.boxes.empty()) << Describe(run.boxes);
    EXPECT_TRUE(run.exit.exited) << "setup.exe did not end by itself";
    EXPECT_EQ(0u, run.exit.exitCode);
}

#define EXPECT_RESTART_PROMPT(seen) ExpectRestartPrompt((seen), __FILE__, __LINE__)
#define EXPECT_PROMPTED_RUN(run) ExpectPromptedRun((run), __FILE__, __LINE__)
#define EXPECT_SILENT_END(run) ExpectSilentEnd((run), __FILE__, __LINE__)

// ---- Wizard ----

using e2e::Buttons;

// Presses Next once the sheet offers exactly `buttons`.
bool NextWhenOffered(HWND sheet, const driver::WizardButtons& buttons)
{
    return driver::WaitForWizardButtons(sheet, buttons, e2e::WaitLimitMs, nullptr)
           && driver::PressWizardButton(sheet, driver::WizardNext);
}

// From the welcome page through the target directory page to the install page, whose
// Next starts the worker. Returns whether Next could be pressed there.
bool StartInstallation(HWND sheet)
{
    return driver::WaitForPageIndex(sheet, 0, e2e::WaitLimitMs) && NextWhenOffered(sheet, Buttons(0, 1, 0, 1))
           && driver::WaitForPageIndex(sheet, 3, e2e::WaitLimitMs) && NextWhenOffered(sheet, Buttons(1, 1, 0, 1))
           && driver::WaitForPageIndex(sheet, 4, e2e::WaitLimitMs) && NextWhenOffered(sheet, Buttons(1, 1, 0, 1));
}

// ---- The hidden window and the end of the session ----

struct WindowSearch {
    DWORD processId;
    HWND window;
};

BOOL CALLBACK FindSetupWindow(HWND window, LPARAM parameter)
{
    WindowSearch* search = reinterpret_cast<WindowSearch*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || driver::ClassName(window) != "SETUP") return TRUE;
    search->window = window;
    return FALSE;
}

// The program's hidden "SETUP" window (never visible, so not among the driver's windows).
HWND WaitForMainWindow(const driver::Process& process)
{
    const DWORD start = GetTickCount();
    for (;;) {
        WindowSearch search = {process.id, nullptr};
        EnumWindows(FindSetupWindow, reinterpret_cast<LPARAM>(&search));
        if (search.window) return search.window;
        if (driver::HasExited(process) || GetTickCount() - start > e2e::WaitLimitMs) return nullptr;
        Sleep(20);
    }
}

// What the window answered to WM_QUERYENDSESSION, as Windows asks before it ends.
struct EndSessionAnswer {
    bool answered = false;      // the window answered within the limit
    LRESULT result = 0;
};

EndSessionAnswer QueryEndSession(HWND window, LPARAM reason)
{
    EndSessionAnswer answer;
    DWORD_PTR result = 0;
    answer.answered =
        SendMessageTimeoutA(window, WM_QUERYENDSESSION, 0, reason, SMTO_ABORTIFHUNG, 5000, &result) != 0;
    answer.result = static_cast<LRESULT>(result);
    return answer;
}

// A medium whose install section runs build\tests\exec_fixture.exe at Exec level `level`;
// the program logs its start and end and waits for the named event of the gate.
struct WaitingProgram {
    WaitingProgram(const e2e::Medium& medium, int level, const char* testName)
        : log(medium.folder + "\\fixture.log"),
          eventName("e2e-restart-" + std::string(testName) + "-" + std::to_string(GetCurrentProcessId())),
          gate(CreateEventA(nullptr, TRUE, FALSE, eventName.c_str()))
    {
        const std::string program = medium.folder + "\\exec_fixture.exe";
        // The program takes the log from the first word of its parameters.
        ready = gate && log.find(' ') == std::string::npos
                && CopyFileA((testsupport::TestFolder() + "\\exec_fixture.exe").c_str(), program.c_str(), FALSE)
                && medium.WriteScript("[Version]\r\n"
                                      "Signature=\"$Chicago$\"\r\n"
                                      "[Install]\r\n"
                                      "Exec=Wait.Programs\r\n"
                                      "[Wait.Programs]\r\n"
                                      "1="
                                      + std::to_string(level) + ",\"" + program + "\",\"" + log + " -wait:" + eventName
                                      + "\"\r\n");
    }

    // A program still waiting is let go, so that it never outlives the test by its limit.
    ~WaitingProgram()
    {
        if (gate) {
            SetEvent(gate);
            CloseHandle(gate);
        }
    }

    WaitingProgram(const WaitingProgram&) = delete;
    WaitingProgram& operator=(const WaitingProgram&) = delete;

    // Waits until the log holds a line beginning with `word` and a tab.
    bool WaitForLine(const char* word) const
    {
        const std::string wanted = std::string(word) + "\t";
        const DWORD start = GetTickCount();
        for (;;) {
            std::string text;
            if (testsupport::ReadFile(log, &text)
                && (text.compare(0, wanted.size(), wanted) == 0 || text.find("\n" + wanted) != std::string::npos))
                return true;
            if (GetTickCount() - start > e2e::WaitLimitMs) return false;
            Sleep(20);
        }
    }

    bool Release() const { return SetEvent(gate) != 0; }

    // The program ended because the gate opened, not by its own time limit.
    bool EndedReleased() const
    {
        std::string text;
        return WaitForLine("end") && testsupport::ReadFile(log, &text) && text.find("\tsignaled") != std::string::npos;
    }

    std::string log;
    std::string eventName;
    HANDLE gate;
    bool ready = false;
};

} // namespace

// ---------------------------------------------------------------------------------------
// The restart at the end of the run
// ---------------------------------------------------------------------------------------

TEST(RestartAtTheEnd, ThePromptFollowsAnUnattendedRunThatNeedsARestart)
{
    e2e::Medium medium("e2e-restart-prompt");
    ASSERT_TRUE(medium.ready);
    ASSERT_TRUE(medium.WriteScript(RestartScript));
    EXPECT_PROMPTED_RUN(RunAnsweringNo(medium.exe, "/quiet"));            // /reboot:1 is the default
    EXPECT_PROMPTED_RUN(RunAnsweringNo(medium.exe, "/quiet /reboot:1"));
    EXPECT_PROMPTED_RUN(RunAnsweringNo(medium.exe, "/quiet /reboot:0 /reboot:1"));  // the later option wins

    // No restart needed: nothing asks, whatever the mode.
    ASSERT_TRUE(medium.WriteScript(PlainScript));
    EXPECT_SILENT_END(RunAnsweringNo(medium.exe, "/quiet"));
}

TEST(RestartAtTheEnd, ModesOtherThanOneAndTwoNeitherAskNorRestart)
{
    e2e::Medium medium("e2e-restart-never");
    ASSERT_TRUE(medium.ready);
    ASSERT_TRUE(medium.WriteScript(RestartScript));
    EXPECT_SILENT_END(RunAnsweringNo(medium.exe, "/quiet /reboot:0"));
    EXPECT_SILENT_END(RunAnsweringNo(medium.exe, "/quiet /reboot:1 /reboot:0"));
    EXPECT_SILENT_END(RunAnsweringNo(medium.exe, "/quiet /reboot:x"));   // no digits read as 0
    EXPECT_SILENT_END(RunAnsweringNo(medium.exe, "/quiet /reboot:3"));
    EXPECT_SILENT_END(RunAnsweringNo(medium.exe, "/quiet /reboot:-1"));
}

TEST(RestartAtTheEnd, TheFinishPageShowsTheNoteAndFinishBringsThePrompt)
{
    e2e::Medium medium("e2e-restart-finish");
    ASSERT_TRUE(medium.ready);
    struct Case {
        const char* script;
        const char* arguments;
        bool restart;
        const char* note;
    };
    const Case cases[] = {
        {RestartScript, "/lang:eng", true, EnglishNote},
        {RestartScript, "/lang:ger", true, GermanNote},
        {PlainScript, "/lang:eng", false, EnglishNote},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.arguments) + (c.restart ? ", restart needed" : ", no restart needed"));
        ASSERT_TRUE(medium.WriteScript(c.script));
        e2e::Running setup;
        ASSERT_TRUE(e2e::StartSetup(medium.exe, c.arguments, &setup));
        HWND sheet = driver::WaitForPropertySheet(setup.process, e2e::WaitLimitMs);
        ASSERT_TRUE(sheet != nullptr);
        ASSERT_TRUE(StartInstallation(sheet));
        ASSERT_TRUE(driver::WaitForPageIndex(sheet, 5, e2e::WaitLimitMs) != nullptr) << "no finish page";
        driver::WizardButtons last;
        EXPECT_TRUE(driver::WaitForWizardButtons(sheet, Buttons(0, 0, 1, 0), e2e::WaitLimitMs, &last))
            << "buttons:" << driver::DescribeWizardButtons(last);

        HWND note = driver::PageControl(sheet, 1203);
        HWND icon = driver::PageControl(sheet, 1205);
        ASSERT_TRUE(note != nullptr);
        ASSERT_TRUE(icon != nullptr);
        EXPECT_EQ(c.restart, driver::IsShown(note));
        EXPECT_EQ(c.restart, driver::IsShown(icon));
        EXPECT_EQ(c.note, driver::WindowText(note));

        // Nothing asks before Finish.
        EXPECT_TRUE(driver::FindMessageBox(setup.process.id) == nullptr);
        ASSERT_TRUE(driver::PressWizardButton(sheet, driver::WizardFinish));
        EndOfRun run;
        run.started = true;
        AnswerNoUntilExit(setup.process, &run);
        if (c.restart) {
            EXPECT_PROMPTED_RUN(run);
        } else {
            EXPECT_SILENT_END(run);
        }
    }
}

// ---------------------------------------------------------------------------------------
// The end of the Windows session while a worker runs
// ---------------------------------------------------------------------------------------

TEST(EndSession, AnsweredTrueWithoutAWorkerAndRefusedWhileTheWorkerWaits)
{
    e2e::Medium medium("e2e-endsession-wizard");
    ASSERT_TRUE(medium.ready);
    WaitingProgram program(medium, 1, "wizard");
    ASSERT_TRUE(program.ready);

    e2e::Running setup;
    ASSERT_TRUE(e2e::StartSetup(medium.exe, "/lang:eng", &setup));
    HWND sheet = driver::WaitForPropertySheet(setup.process, e2e::WaitLimitMs);
    ASSERT_TRUE(sheet != nullptr);
    ASSERT_TRUE(driver::WaitForPageIndex(sheet, 0, e2e::WaitLimitMs) != nullptr);
    HWND window = WaitForMainWindow(setup.process);
    ASSERT_TRUE(window != nullptr);

    // The welcome page: no worker, Windows may end.
    EndSessionAnswer answer = QueryEndSession(window, 0);
    ASSERT_TRUE(answer.answered);
    EXPECT_EQ(TRUE, answer.result);
    answer = QueryEndSession(window, ENDSESSION_LOGOFF);
    ASSERT_TRUE(answer.answered);
    EXPECT_EQ(TRUE, answer.result);

    // The worker waits for the program of level 1: refused, for a shutdown and a log-off.
    ASSERT_TRUE(StartInstallation(sheet));
    ASSERT_TRUE(program.WaitForLine("start")) << "the Exec program did not start";
    answer = QueryEndSession(window, 0);
    ASSERT_TRUE(answer.answered);
    EXPECT_EQ(FALSE, answer.result);
    answer = QueryEndSession(window, ENDSESSION_LOGOFF);
    ASSERT_TRUE(answer.answered);
    EXPECT_EQ(FALSE, answer.result);

    // The run goes on; the script needs no restart, the refusal made one needed: the
    // finish page shows the note, and the prompt follows Finish.
    ASSERT_TRUE(program.Release());
    ASSERT_TRUE(driver::WaitForPageIndex(sheet, 5, e2e::WaitLimitMs) != nullptr) << "no finish page";
    EXPECT_TRUE(program.EndedReleased());
    HWND note = driver::PageControl(sheet, 1203);
    EXPECT_TRUE(driver::IsShown(note));
    EXPECT_EQ(EnglishNote, driver::WindowText(note));
    ASSERT_TRUE(driver::WaitForWizardButtons(sheet, Buttons(0, 0, 1, 0), e2e::WaitLimitMs, nullptr));
    ASSERT_TRUE(driver::PressWizardButton(sheet, driver::WizardFinish));
    EndOfRun run;
    run.started = true;
    AnswerNoUntilExit(setup.process, &run);
    EXPECT_PROMPTED_RUN(run);
}

TEST(EndSession, UnattendedRunRefusesWhileTheWorkerWaitsAndThenAsksForARestart)
{
    struct Case {
        const char* arguments;
        bool prompt;
    };
    // With /reboot:0 the refusal still makes a restart needed, but nothing asks.
    const Case cases[] = {{"/quiet", true}, {"/quiet /reboot:0", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        e2e::Medium medium("e2e-endsession-quiet");
        ASSERT_TRUE(medium.ready);
        WaitingProgram program(medium, 1, "quiet");
        ASSERT_TRUE(program.ready);

        e2e::Running setup;
        ASSERT_TRUE(e2e::StartSetup(medium.exe, c.arguments, &setup));
        HWND window = WaitForMainWindow(setup.process);
        ASSERT_TRUE(window != nullptr);
        ASSERT_TRUE(program.WaitForLine("start")) << "the Exec program did not start";
        const EndSessionAnswer answer = QueryEndSession(window, 0);
        ASSERT_TRUE(answer.answered);
        EXPECT_EQ(FALSE, answer.result);

        ASSERT_TRUE(program.Release());
        EndOfRun run;
        run.started = true;
        AnswerNoUntilExit(setup.process, &run);
        if (c.prompt) {
            EXPECT_PROMPTED_RUN(run);
        } else {
            EXPECT_SILENT_END(run);
        }
        EXPECT_TRUE(program.EndedReleased());
    }
}

TEST(EndSession, NotRefusedWhileTheProgramsOfTheLastLevelRun)
{
    e2e::Medium medium("e2e-endsession-level3");
    ASSERT_TRUE(medium.ready);
    WaitingProgram program(medium, 3, "level3");
    ASSERT_TRUE(program.ready);

    e2e::Running setup;
    ASSERT_TRUE(e2e::StartSetup(medium.exe, "/quiet", &setup));
    HWND window = WaitForMainWindow(setup.process);
    ASSERT_TRUE(window != nullptr);
    // The worker waits for the program, but at the last level Windows may end.
    ASSERT_TRUE(program.WaitForLine("start")) << "the Exec program did not start";
    EXPECT_FALSE(driver::HasExited(setup.process));
    const EndSessionAnswer answer = QueryEndSession(window, 0);
    ASSERT_TRUE(answer.answered);
    EXPECT_EQ(TRUE, answer.result);

    // Nothing made a restart needed: no prompt.
    ASSERT_TRUE(program.Release());
    EndOfRun run;
    run.started = true;
    AnswerNoUntilExit(setup.process, &run);
    EXPECT_SILENT_END(run);
    EXPECT_TRUE(program.EndedReleased());
}
