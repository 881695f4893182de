// Runs the program's delayed file operations as whatever Windows version Wine reports to
// this executable, and prints the results, one "name=value" per line:
//   filequeue_probe windows              the Windows folder (where wininit.ini lives)
//   filequeue_probe deletefile PATH      DeleteFileAtRestart's result
//   filequeue_probe deletefolder PATH    DeleteFolderAtRestart's result
//   filequeue_probe commitdelete PATH    deletes PATH through a committed file queue and
//                                        FileQueueCallback while holding the file open
//                                        without sharing: the commit's result and
//                                        RebootNeeded afterwards
//   filequeue_probe commitcopy PATH FOLDER the same, copying FOLDER's file of PATH's name
//                                        onto PATH
// The integration tests run copies of it as Windows 95, 98, Me and NT 4.

#include "../../base/options.h"
#include "../../engine/filequeue.h"

#include <cstdio>
#include <cstring>

namespace {

int CommitLockedOperation(const char* path, const char* source)
{
    char folder[MAX_PATH];
    lstrcpynA(folder, path, sizeof folder);
    char* slash = std::strrchr(folder, '\\');
    if (!slash) return 2;
    *slash = '\0';

    HANDLE lock = CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (lock == INVALID_HANDLE_VALUE) {
        std::printf("error=lock %lu\n", GetLastError());
        return 1;
    }
    HSPFILEQ queue = SetupOpenFileQueue();
    const BOOL queued = source ? SetupQueueCopyA(queue, source, nullptr, slash + 1, nullptr, nullptr, folder, nullptr, 0)
                               : SetupQueueDeleteA(queue, folder, slash + 1);
    FileQueueContext context = {};
    context.DefaultContext = SetupInitDefaultQueueCallbackEx(nullptr, nullptr, 0, 0, nullptr);
    const BOOL committed = queued && SetupCommitFileQueueA(nullptr, queue, FileQueueCallback, &context);
    SetupTermDefaultQueueCallback(context.DefaultContext);
    SetupCloseFileQueue(queue);
    CloseHandle(lock);
    std::printf("queued=%d\ncommit=%d\nreboot=%ld\n", queued ? 1 : 0, committed ? 1 : 0, g_Options.RebootNeeded);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 2 && std::strcmp(argv[1], "windows") == 0) {
        char folder[MAX_PATH];
        const UINT length = GetWindowsDirectoryA(folder, sizeof folder);
        std::printf("windows=%s\n", length && length < sizeof folder ? folder : "");
        return 0;
    }
    if (argc >= 3 && std::strcmp(argv[1], "deletefile") == 0) {
        std::printf("result=%d\n", DeleteFileAtRestart(argv[2]));
        return 0;
    }
    if (argc >= 3 && std::strcmp(argv[1], "deletefolder") == 0) {
        std::printf("result=%d\n", DeleteFolderAtRestart(argv[2]));
        return 0;
    }
    if (argc >= 3 && std::strcmp(argv[1], "commitdelete") == 0) return CommitLockedOperation(argv[2], nullptr);
    if (argc >= 4 && std::strcmp(argv[1], "commitcopy") == 0) return CommitLockedOperation(argv[2], argv[3]);
    std::fprintf(stderr, "usage: filequeue_probe windows | deletefile PATH | deletefolder PATH | commitdelete PATH"
                         " | commitcopy PATH FOLDER\n");
    return 2;
}
