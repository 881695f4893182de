// Helpers of the end-to-end tests: a medium folder with a copy of setup.exe and a
// setup.inf written by the test, runs of that setup.exe through the driver that answer
// its message boxes or record its windows, the texts it is expected to show, and
// checks that report the calling test's line.
#pragma once

#include "driver.h"

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

} // namespace e2e

#define EXPECT_SCRIPT_ERROR_BOX(box, text) e2e::ExpectScriptErrorBox((box), (text), __FILE__, __LINE__)
#define EXPECT_SCRIPT_ERROR_RUN(run, text) e2e::ExpectScriptErrorRun((run), (text), __FILE__, __LINE__)
#define EXPECT_QUIET_RUN(run) e2e::ExpectQuietRun((run), __FILE__, __LINE__)
