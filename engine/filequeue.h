// The file queue callback of the step runner's commit, and deletion at the next start.
//
// Almost every notification goes on to the Setup API's default callback (prompts, error
// dialogs). The progress messages to the page are sent here, not by the default
// callback: Wine's default callback sends none, so the default callback is set up
// without a progress window and this callback reports every part and operation itself,
// the same on every system. Two behaviours are added: a cabinet file
// copied under its own name is copied byte for byte here, not unpacked or version-
// checked by the queue; and after each deletion a file that is still there is
// scheduled for deletion at the next start, and a folder that the deletions emptied
// (but for such scheduled files) is removed now or at the next start. Two more make
// every system behave like Windows: a copy whose target is held open is staged beside
// it and replaces it at the next start, and a read-only file is deleted like any other.
// A copy or a rename that fails ends the commit with its error. Every operation, its
// paths and its result go to the run's log.
//
// The Setup API's own dialogs (a source file that cannot be found, a delete error, a
// target that is newer, exists or has another language) are answered here, without a
// dialog, in a run that answers itself (unattended with "/exitcodes"); every such
// notification and its answer go to the run's log.
#pragma once

#include <windows.h>
#include <setupapi.h>

#include "../base/messages.h"

struct FileQueueContext {
    void* DefaultContext;  // from SetupInitDefaultQueueCallbackEx
    char* CurrentFolder;   // folder of the latest deletion; MAX_PATH bytes while the queue runs
    int   PendingCount;    // files of CurrentFolder scheduled since it last changed
    HWND  ProgressWindow;  // receives ProgressMessage: wParam 0 and a count when a part of
    UINT  ProgressMessage; // the queue starts, wParam 1 and the operations done; 0: none
    int   Copied;          // counts for the run's log: files copied, renamed and deleted,
    int   Renamed;         // and files left to be replaced or deleted at the restart
    int   Deleted;
    int   Scheduled;
    ULONGLONG CopiedBytes; // sizes of the files copied, as they lie in their targets
    FileProgress* Progress; // the page takes counts (see FileProgress); null: a message per file
    int   Unsent;          // operations done that the page has not been told of
    DWORD SentAt;          // GetTickCount of the last count sent
    char  SoundFolder[MAX_PATH]; // the latest target folder found free to be made
};

UINT CALLBACK FileQueueCallback(PVOID context, UINT notification, UINT_PTR parameter1, UINT_PTR parameter2);

// Tells a page that takes counts the operations done since its last count; the commit's
// caller calls it once more after the commit, in case the queue ended without its end
// notification.
void SendFileCount(FileQueueContext* context);

// Entries of a folder that are not folders; 0 when it cannot be listed.
int CountFilesInFolder(const char* folder);

// Schedules a file for deletion at the next start: MoveFileExA on the NT family, the
// [Rename] section of wininit.ini on the Windows 95 family.
int DeleteFileAtRestart(const char* path);

// Schedules a folder for removal at the next start; the Windows 95 family cannot, and
// the result is then 0.
int DeleteFolderAtRestart(const char* folder);
