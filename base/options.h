// The process-wide settings and run flags of one setup run.
//
// RunOptions is filled at start-up (language, wizard style, command line) and then read
// by the wizard, the pages and the workers. RebootNeeded, EndSessionGuard, Outcome and
// RestartStarted are run state: single aligned words that the worker thread, the file
// queue callback, the pages and the hidden main window set without a lock.
#pragma once

enum WizardStyle {
    Classic = 0,            // old-style wizard, pictures drawn into the page templates
    Wizard97Composed = 1,   // Wizard97 sheet, watermark and header composed at run time
    Wizard97Resources = 2,  // Wizard97 sheet, both bitmaps straight from the resources
};

enum RebootMode {
    RebootNever = 0,
    RebootPrompt = 1,       // let the system ask the user
    RebootForce = 2,        // restart at once
};

enum SetupAction {
    ActionInstall = 0,
    ActionRemove = 1,
};

// How the run ended, as the exit code tells it with "/exitcodes" (RunExitCode).
enum RunOutcome {
    OutcomeSucceeded = 0,
    OutcomeCancelled = 1,      // the user left the wizard before its work was done
    OutcomeFailed = 2,         // script, start conditions, catalogue, folder or a step failed
    OutcomeUnknownEntry = 3,   // "/remove:" named an entry unknown to the script or not installed
    OutcomeAnotherCopy = 4,    // another copy of this program file runs
};

// A key after "/install:" or "/remove:" with its zero and the list's end mark, at most;
// no product key is that long (keys have at most 127 characters).
const unsigned SelectedProductsSize = 1024;

struct RunOptions {
    const char*    UnattendedList;   // null: interactive; else the product keys after the colon
    int            Action;           // SetupAction
    char*          SelectedProducts; // text list of product keys, built (TextListKeep); null: none
    unsigned short Language;         // interface language identifier
    int            WizardStyle;      // WizardStyle
    int            RebootMode;       // RebootMode; values other than 0 to 2 act like 0
    volatile long  RebootNeeded;     // a restart is needed to finish; never cleared
    volatile long  EndSessionGuard;  // a worker runs: refuse to let Windows end
    const char*    LogPath;          // "/log:FILE": the file the run's log is appended to; null: none
    int            ExitCodes;        // "/exitcodes": the exit code tells the outcome; else always 0
    volatile long  Outcome;          // RunOutcome; see RecordOutcome
    volatile long  RestartStarted;   // the run started the restart of the system
};

// The one record of the process.
extern RunOptions g_Options;

// Resets a record to its start-up state: everything zero except RebootMode (Prompt).
void InitRunOptions(RunOptions* options);

// Records how the run ends. A failure is kept when the user cancels after it; a run
// that succeeds after all (the user ran the steps again) sets OutcomeSucceeded itself.
inline void RecordOutcome(int outcome)
{
    if (outcome != OutcomeCancelled || g_Options.Outcome == OutcomeSucceeded) g_Options.Outcome = outcome;
}
