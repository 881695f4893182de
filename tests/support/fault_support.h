// Helpers of the fault tests: a package of a main part and one product, laid out on a
// medium with the fault plug-in beside setup.exe, the orders that tell the plug-in which
// fault to cause at which level, and the checks of what an installation or a removal
// left behind (files, registry values, uninstall entries).
//
// The package installs below the program files folder (DefaultDestDir 24), so the tests
// that use it hold the ProgramFilesDir lock. Its keys, folders and services are named
// after the test and this process and are removed at the end, also after a failure.
#pragma once

#include "e2e_support.h"

#include <windows.h>

#include <string>
#include <vector>

namespace faults {

const char* const InstallFailed = "The installation did not complete successfully.";
const char* const RemoveFailed = "The deinstallation did not complete successfully.";
const char* const InstallRestartNote =
    "A number of the updated files are currently in use. The system must therefore be restarted before the newly "
    "installed software can be used.";
const char* const RemoveRestartNote = "You have to reboot your system to remove some files that are currently in use.";

// The error box of a failed run: the sentence, and for a code that the system has an
// English text for, an empty line and that text.
std::string ErrorBoxText(const char* sentence, DWORD code);

// The package. `install`, `remove` and `sections` are added to the main install section,
// the main remove section and the end of the script.
class Package {
public:
    Package(const char* tag, const std::string& install = "", const std::string& remove = "",
            const std::string& sections = "");
    ~Package();
    Package(const Package&) = delete;
    Package& operator=(const Package&) = delete;

    // Tells the fault plug-in of the program in `folder` (the medium by default) to
    // carry out `action` on `argument` at plug-in level `level`.
    bool Order(int level, const std::string& action, const std::string& argument, const std::string& folder = "") const;
    // What the plug-in logged in `folder` (the medium by default).
    std::string FaultLog(const std::string& folder = "") const;

    std::string MediumFile(const std::string& name) const { return medium.folder + "\\" + name; }
    // A payload file's place in the target folder.
    std::string TargetFile(const std::string& name) const;
    std::string Content(const std::string& name) const { return "Norvale fault payload " + name + " of " + id + "\r\n"; }
    std::string UninstallKey(const std::string& key) const;

    bool ready = false;
    std::string id, client, main, registry, target;
    e2e::Medium medium;
};

// The payload of the package: every file with the product that installs it (empty: the
// main part).
struct PayloadFile {
    const char* name;
    const char* product;
};
extern const PayloadFile Payload[4];

// Everything of the package is in place: the files with the medium's content, setup.exe
// and setup.inf, the registry values, and both uninstall entries with commands that
// start the installed setup.exe.
void ExpectInstalled(const Package& package, const char* file, int line);
// Nothing of the package is left: no payload file, no product folder, no registry key,
// no uninstall entry (setup.exe and setup.inf stay; the package does not remove them).
void ExpectRemoved(const Package& package, const char* file, int line);

// Runs the command of an uninstall entry with " /quiet" appended.
e2e::UnattendedRun RemoveWithRecordedCommand(const Package& package, const std::string& key);

// A manual-reset event that the fault plug-in waits for; set when the record goes out of
// scope, so that nothing waits for a test that failed.
struct ReleaseEvent {
    explicit ReleaseEvent(const std::string& eventName);
    ~ReleaseEvent();
    ReleaseEvent(const ReleaseEvent&) = delete;
    ReleaseEvent& operator=(const ReleaseEvent&) = delete;
    std::string name;
    HANDLE handle = nullptr;
};

// The wizard of `exe` opened and walked with the proposed choices to the ready page;
// null when a page did not come.
HWND OpenWizardOnReadyPage(const std::string& exe, e2e::Running* running);

// Waits for the error box of a failed run, checks its text, caption, button and owner,
// and answers it.
void ExpectErrorBox(const e2e::Running& setup, HWND sheet, const std::string& text, const char* file, int line);

// Waits for the install finish page, checks that it shows no restart note, presses
// Finish and checks that the wizard ends by itself with exit code 0 and no message box.
void ExpectFinishedWithoutRestart(e2e::Running* setup, HWND sheet, const char* file, int line);

// The pending file renames that name a file below `folder` (case-insensitive), as pairs
// of source and target ("" for a deletion); and their removal from the machine's list.
std::vector<std::pair<std::string, std::string>> PendingRenamesBelow(const std::string& folder);
void DropPendingRenamesBelow(const std::string& folder);

} // namespace faults

#define EXPECT_INSTALLED(package) faults::ExpectInstalled((package), __FILE__, __LINE__)
#define EXPECT_REMOVED(package) faults::ExpectRemoved((package), __FILE__, __LINE__)
#define EXPECT_ERROR_BOX(setup, sheet, text) faults::ExpectErrorBox((setup), (sheet), (text), __FILE__, __LINE__)
#define EXPECT_FINISHED_WITHOUT_RESTART(setup, sheet) \
    faults::ExpectFinishedWithoutRestart((setup), (sheet), __FILE__, __LINE__)
