// The watcher's thread: polls for a box of this process, reads it, answers OK and waits
// for it to close before it looks again, so that no box is counted twice.

#include "boxwatcher.h"

namespace testsupport {

namespace {

const DWORD WatchLimitMs = 60000;
const DWORD CloseLimitMs = 5000;
const DWORD PollMs = 10;

} // namespace

BoxWatcher::BoxWatcher()
{
    stop_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (stop_) thread_ = CreateThread(nullptr, 0, Run, this, 0, nullptr);
}

BoxWatcher::~BoxWatcher()
{
    Finish();
}

const BoxesSeen& BoxWatcher::Finish()
{
    if (thread_) {
        SetEvent(stop_);
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
        thread_ = nullptr;
    }
    if (stop_) {
        CloseHandle(stop_);
        stop_ = nullptr;
    }
    return seen_;
}

DWORD WINAPI BoxWatcher::Run(void* self)
{
    BoxWatcher* watcher = static_cast<BoxWatcher*>(self);
    const DWORD start = GetTickCount();
    while (WaitForSingleObject(watcher->stop_, PollMs) == WAIT_TIMEOUT && GetTickCount() - start < WatchLimitMs) {
        HWND box = driver::FindMessageBox(GetCurrentProcessId());
        driver::MessageBoxInfo info;
        if (!box || !driver::ReadMessageBox(box, &info)) continue;
        watcher->seen_.boxes.push_back(info);
        driver::AnswerMessageBox(box, IDOK);
        if (!driver::WaitForWindowGone(box, CloseLimitMs)) {
            ++watcher->seen_.unclosed;
            PostMessageA(box, WM_CLOSE, 0, 0);
            driver::WaitForWindowGone(box, CloseLimitMs);
        }
    }
    return 0;
}

} // namespace testsupport
