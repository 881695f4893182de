// Helpers of the end-to-end tests: a medium folder with a copy of setup.exe and a
// setup.inf written by the test, runs of that setup.exe through the driver that answer
// its message boxes or record its windows, the texts it is expected to show, and
// checks that report the calling test's line.
#pragma once

#include "driver.h"
#include "testsupport.h"

#include <windows.h>

#include <string>
#include <vector>

namespace e2e {

// Every wait of these tests: long enough for a slow machine, short enough for CI.
const DWORD WaitLimitMs = 20000;

// What Wine 8's MessageBoxA shows as caption when the program passes none; Windows
// shows its own "Error" in the system's language.
const char* const SystemErrorCaption = "Error";

// A medium: a folder holding a copy of build\setup.exe, made in a new scratch folder
// and removed with everything in it when the record goes out of scope. `ready` tells
// whether folder and copy could be made.
struct Medium {
    // With `exePathLength` the medium is nested in folders below the scratch folder so
    // that the full path of its setup.exe has exactly that many characters.
    explicit Medium(const char* prefix, size_t exePathLength = 0);
    ~Medium();
    Medium(const Medium&) = delete;
    Medium& operator=(const Medium&) = delete;

    // Writes setup.inf beside the program, byte for byte.
    bool WriteScript(const std::string& bytes) const;

    bool ready = false;
    std::string root;       // the scratch folder, removed at the end
    std::string folder;     // the medium itself: root, or a folder nested in it
    std::string exe;        // folder\setup.exe
    std::string inf;        // folder\setup.inf
};

// A started program that is killed, if it still runs, when the record goes out of scope.
struct Running {
    Running() = default;
    ~Running() { driver::CloseProcess(&process); }
    Running(const Running&) = delete;
    Running& operator=(const Running&) = delete;
    driver::Process process;
};

// Starts `exe` (quoted) with `arguments` in its own folder.
bool StartSetup(const std::string& exe, const std::string& arguments, Running* running);

// A run in which every message box was answered with OK.
struct BoxRun {
    bool started = false;
    std::vector<driver::MessageBoxInfo> boxes;  // in the order shown
    driver::ExitResult exit;
};

// A driver::BoxSeen that appends the box to the std::vector<driver::MessageBoxInfo>
// given as context.
void RecordBox(const driver::MessageBoxInfo& box, void* context);

BoxRun RunAnsweringBoxes(const std::string& exe, const std::string& arguments);

// A run in which every visible top-level window of the program was recorded (a message
// box is answered with OK after being recorded, so that the run can end).
struct WindowRun {
    bool started = false;
    std::vector<driver::WindowInfo> windows;    // each window once
    driver::ExitResult exit;
};

WindowRun RunWatchingWindows(const std::string& exe, const std::string& arguments);

// The message for a setup.inf that cannot be opened, as the program words it.
std::string EnglishScriptError(const std::string& infPath, int line);
std::string GermanScriptError(const std::string& infPath, int line);

// Every string of every string table of the program file `exe`, in every language.
std::vector<std::string> ProgramStrings(const std::string& exe);

// The checks below report the calling test's file and line (use the macros).

// Texts and ids of a box's buttons, for failure messages.
std::string DescribeButtons(const driver::MessageBoxInfo& box);
std::string DescribeWindows(const std::vector<driver::WindowInfo>& windows);

// The script error box: `expectedText`, the system's caption, only an OK button, owned
// by the program's hidden "SETUP" window.
void ExpectScriptErrorBox(const driver::MessageBoxInfo& box, const std::string& expectedText, const char* file,
                          int line);

// The whole run: exactly one box, the script error box, then the program ended by
// itself with exit code 0.
void ExpectScriptErrorRun(const BoxRun& run, const std::string& expectedText, const char* file, int line);

// A run that showed no window at all and ended by itself with exit code 0.
void ExpectQuietRun(const WindowRun& run, const char* file, int line);

// A run that was stopped on the wizard's first page: the program showed its property
// sheet, the texts of that page were read and the sheet's Cancel was pressed. Message
// boxes shown before the sheet or after Cancel are recorded and answered with OK.
struct FirstPageRun {
    bool started = false;
    bool sheetShown = false;
    std::string sheetCaption;
    std::string title;      // control IDC_TITLE of the page shown first
    std::string text;       // control IDC_STATUS of the page shown first
    std::vector<driver::MessageBoxInfo> boxes;
    driver::ExitResult exit;
};

FirstPageRun RunToFirstPageAndCancel(const std::string& exe, const std::string& arguments);

// The product title of the program, in every language; the welcome page's title line
// and the caption of every page.
const char* const ProductTitle = "Norvale Tessaro QX-40 Client Manager";

// The welcome page was shown first (its title line holds the product title, under the
// sheet caption of the same text), no box was shown, and after Cancel the program ended
// by itself with exit code 0.
void ExpectWelcomePageRun(const FirstPageRun& run, const char* file, int line);

// A run that should need nobody. Every box it shows is recorded and answered with its
// most harmless button (No, else Cancel, else OK; never Yes, so that a restart prompt
// cannot end the Wine session), and once a box was seen, a wizard that stays open is
// cancelled, so that even a run that went wrong ends within the limit.
struct UnattendedRun {
    bool started = false;
    std::vector<driver::MessageBoxInfo> boxes;  // in the order shown
    driver::ExitResult exit;
};

// Runs a whole command line (program and arguments, as CreateProcessA takes it).
UnattendedRun RunUnattendedCommand(const std::string& commandLine);

// Runs `exe` (quoted) with `arguments`.
UnattendedRun RunUnattended(const std::string& exe, const std::string& arguments);

// The run showed no message box and ended by itself with exit code 0.
void ExpectUnattendedRun(const UnattendedRun& run, const char* file, int line);

// The boxes of a run with caption, text and buttons, for failure messages.
std::string DescribeBoxes(const std::vector<driver::MessageBoxInfo>& boxes);


// ---- Uninstall entries, for the wizard's tests ----

// An uninstall entry that a test makes itself or lets setup.exe make: the key is
// deleted, with its values, when the record goes out of scope (also after a failure).
struct UninstallEntry {
    explicit UninstallEntry(const std::string& productKey) : key(productKey) {}
    ~UninstallEntry();
    UninstallEntry(const UninstallEntry&) = delete;
    UninstallEntry& operator=(const UninstallEntry&) = delete;

    // Creates the key if needed and writes a REG_SZ value.
    bool Write(const char* value, const std::string& text) const;
    // The REG_SZ value, or "<none>" when the key or the value is missing.
    std::string Read(const char* value) const;
    bool Exists() const;

    std::string key;
};

// ---- The interactive wizard ----

// The indices of the wizard's pages, in the order of the sheet.
const int WelcomePage = 0;
const int LicensePage = 1;
const int ComponentsPage = 2;
const int TargetPage = 3;
const int ReadyPage = 4;
const int InstallFinishPage = 5;
const int RemovePage = 6;
const int RemoveFinishPage = 7;

// Presses a wizard button; the index of the page shown next, or -1 when none came within
// the limit.
int PressAndWaitForPage(HWND sheet, driver::WizardButton button);

// The wizard buttons that a user could press, to compare with driver::ReadWizardButtons.
driver::WizardButtons Buttons(bool back, bool next, bool finish, bool cancel);

// Starts `exe` with `arguments` and English texts and waits for its wizard; null when
// the program could not be started or showed no wizard within the limit.
HWND OpenWizard(const std::string& exe, const std::string& arguments, Running* running);

// After Finish or Cancel: until the program ends, every box it shows is recorded in
// `boxes` and answered with No where it has No (a restart prompt must not restart
// anything), else with OK. The program is killed when it has not ended within the limit.
driver::ExitResult EndWizardRun(Running* running, std::vector<driver::MessageBoxInfo>* boxes);

} // namespace e2e

#define EXPECT_WELCOME_PAGE_RUN(run) e2e::ExpectWelcomePageRun((run), __FILE__, __LINE__)
#define EXPECT_UNATTENDED_RUN(run) e2e::ExpectUnattendedRun((run), __FILE__, __LINE__)
#define EXPECT_SCRIPT_ERROR_BOX(box, text) e2e::ExpectScriptErrorBox((box), (text), __FILE__, __LINE__)
#define EXPECT_SCRIPT_ERROR_RUN(run, text) e2e::ExpectScriptErrorRun((run), (text), __FILE__, __LINE__)
#define EXPECT_QUIET_RUN(run) e2e::ExpectQuietRun((run), __FILE__, __LINE__)
