// Message boxes that the code under test shows in the test program itself. Such a box
// blocks the thread that shows it until it is answered, so a thread of the watcher's own
// finds each one through the driver, reads it and presses OK, as the end-to-end tests
// do with setup.exe's boxes from outside.
#pragma once

#include "driver.h"

#include <windows.h>

#include <vector>

namespace testsupport {

// What the watcher saw, final after BoxWatcher::Finish.
struct BoxesSeen {
    std::vector<driver::MessageBoxInfo> boxes;  // every box of this process, in the order shown
    int unclosed = 0;                           // boxes that OK did not close (then closed with WM_CLOSE)
};

// Watches this process from construction to Finish (at most a minute, so that a box
// shown later fails its test by hanging no longer than ctest allows).
class BoxWatcher {
public:
    BoxWatcher();
    ~BoxWatcher();
    BoxWatcher(const BoxWatcher&) = delete;
    BoxWatcher& operator=(const BoxWatcher&) = delete;

    bool Started() const { return thread_ != nullptr; }

    // Stops watching and returns what was seen.
    const BoxesSeen& Finish();

private:
    static DWORD WINAPI Run(void* self);

    HANDLE stop_ = nullptr;
    HANDLE thread_ = nullptr;
    BoxesSeen seen_;
};

} // namespace testsupport
