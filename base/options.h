// The process-wide settings and run flags of one setup run.
//
// RunOptions is filled at start-up (language, wizard style, command line) and then read
// by the wizard, the pages and the workers. Its last two fields are run state: single
// aligned words that the worker thread, the file queue callback and the hidden main
// window set without a lock, each only ever to 0 or 1.
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
};

// The one record of the process.
extern RunOptions g_Options;

// Resets a record to its start-up state: everything zero except RebootMode (Prompt).
void InitRunOptions(RunOptions* options);
