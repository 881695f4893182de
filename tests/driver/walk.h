// The wizard walk of driver.exe: goes through a program's wizard page by page the way a
// user clicking Next would, and stops on every page and every message box until the
// caller has taken a picture of it. tools/screenshots uses it to photograph setup.exe.
//
// For each page it prints "PAGE <index> <name> <buttons>" (index in the property sheet,
// a short page name, the usable wizard buttons), for each message box the driver's
// "BOX caption=... text=..." line, and after either a line
// "SHOT <n> <left> <top> <width> <height>": the screen rectangle to photograph (the
// wizard, or the wizard and the box). It then waits for a file "<n>.go" in the
// hand-over folder, deletes it, and goes on: Finish where Finish can be pressed, else
// Next; a box is answered with No where it has one (a restart prompt must not restart
// anything), else with OK. Every wait is bounded; a walk that cannot go on prints
// "STOP <reason>", cancels the wizard and ends the program.
#pragma once

#include "driver.h"

#include <string>

namespace walk {

// What the walk did: `completed` when it pressed Finish on a last page and the program
// then ended by itself; `exit` as WaitForExit reports the program's end.
struct WalkResult {
    bool completed = false;
    driver::ExitResult exit;
};

// Walks the wizard of the started `process` within `totalMs`, waiting at most `pauseMs`
// for each picture's "<n>.go" file in `handoverFolder`. `printBox` prints a message box
// before it is photographed and answered.
WalkResult WalkWizard(const driver::Process& process, const std::string& handoverFolder, DWORD totalMs,
                      DWORD pauseMs, driver::BoxSeen printBox);

} // namespace walk
