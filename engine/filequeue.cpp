#include "filequeue.h"

#include "renameimage.h"
#include "../base/handles.h"
#include "../base/log.h"
#include "../base/messagebox.h"
#include "../base/options.h"
#include "../base/platform.h"

#include <cstdio>
#include <cstring>

namespace {

// The final component of a path (from its last backslash on), or the whole path.
const char* FinalComponent(const char* path)
{
    const char* slash = std::strrchr(path, '\\');
    return slash ? slash : path;
}

// A cabinet copied under its own name: same final component, both ending in ".cab".
bool IsCabinetCopiedAsItself(const char* source, const char* target)
{
    const char* sourceName = FinalComponent(source);
    const char* targetName = FinalComponent(target);
    if (lstrcmpiA(sourceName, targetName) != 0) return false;
    const char* sourceExtension = std::strrchr(sourceName, '.');
    const char* targetExtension = std::strrchr(targetName, '.');
    return sourceExtension && targetExtension && lstrcmpiA(sourceExtension, ".cab") == 0
           && lstrcmpiA(targetExtension, ".cab") == 0;
}

// Makes the folder of `target` and every missing folder above it. The queue makes the
// target folder only after the start-copy notification, so a cabinet that is the first
// file of a new folder would find none; a folder that exists (or a drive) just fails.
void MakeFolderOf(const char* target)
{
    char folder[MAX_PATH];
    lstrcpynA(folder, target, sizeof folder);
    char* last = std::strrchr(folder, '\\');
    if (!last) return;
    *last = '\0';
    for (char* p = folder + 1; *p; ++p) {
        if (*p != '\\') continue;
        *p = '\0';
        CreateDirectoryA(folder, nullptr);
        *p = '\\';
    }
    CreateDirectoryA(folder, nullptr);
}

UINT CopyCabinet(const FILEPATHS_A* paths)
{
    MakeFolderOf(paths->Target);
    SetFileAttributesA(paths->Target, FILE_ATTRIBUTE_NORMAL);
    const BOOL copied = CopyFileA(paths->Source, paths->Target, FALSE);
    SetFileAttributesA(paths->Target, FILE_ATTRIBUTE_NORMAL);
    return copied ? FILEOP_SKIP : FILEOP_ABORT;
}

bool FileExists(const char* path)
{
    WIN32_FIND_DATAA entry;
    UniqueFind find(FindFirstFileA(path, &entry));
    return static_cast<bool>(find);
}

void AfterDeletion(FileQueueContext* context, const char* target)
{
    char folder[MAX_PATH];
    lstrcpynA(folder, target, sizeof folder);
    char* slash = std::strrchr(folder, '\\');
    if (slash) *slash = '\0';

    if (std::strcmp(folder, context->CurrentFolder) != 0) {
        lstrcpynA(context->CurrentFolder, folder, MAX_PATH);
        context->PendingCount = 0;
    }
    // Only a file that is really scheduled asks for a restart and counts as leaving.
    if (FileExists(target) && DeleteFileAtRestart(target)) {
        g_Options.RebootNeeded = 1;
        ++context->PendingCount;
        ++context->Scheduled;
        LogLine("Restart needed: %s is in use and is deleted at the restart", target);
    }
    // A folder that is not there (a deletion in a folder that never existed) is not
    // scheduled: there is nothing to remove at the restart.
    if (CountFilesInFolder(folder) == context->PendingCount && !RemoveDirectoryA(folder)
        && GetLastError() != ERROR_FILE_NOT_FOUND && GetLastError() != ERROR_PATH_NOT_FOUND
        && DeleteFolderAtRestart(folder))
        LogLine("Folder %s is removed at the restart", folder);
}

// The Windows 95 family's next start: appends to wininit.ini's [Rename] section the
// deletion of `path` (no target) or its move onto `target`, both by short path.
int AddWininitRename(const char* path, const char* target)
{
    // Room for the longest Windows folder that fits 256 bytes and the file name.
    char wininit[256 + sizeof "\\wininit.ini"];
    const UINT length = GetWindowsDirectoryA(wininit, 256);
    if (length == 0 || length >= 256) return 0;
    lstrcatA(wininit, "\\wininit.ini");
    char shortPath[256], shortTarget[256];
    DWORD shortLength = GetShortPathNameA(path, shortPath, sizeof shortPath);
    if (shortLength == 0 || shortLength >= sizeof shortPath) return 0;
    if (target) {
        shortLength = GetShortPathNameA(target, shortTarget, sizeof shortTarget);
        if (shortLength == 0 || shortLength >= sizeof shortTarget) return 0;
    }

    // Read the whole section, growing the image until nothing was cut, so that the
    // entries already there are written back complete.
    for (DWORD capacity = 1024; capacity <= 64 * 1024; capacity *= 2) {
        UniqueHeapBlock block(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, capacity));
        char* image = static_cast<char*>(block.get());
        if (!image) return 0;
        const DWORD used = GetPrivateProfileSectionA("Rename", image, capacity, wininit);
        if (RenameImageMayBeCut(capacity, used)) continue;
        if (!AppendRenameEntry(image, capacity, used, shortPath, target ? shortTarget : nullptr)) continue;
        WritePrivateProfileSectionA("Rename", image, wininit);
        return 1;
    }
    // A section too large to read whole is left as it is; nothing is scheduled.
    return 0;
}

// The copy of `paths` failed because its target is held open by another program.
// Windows' Setup API then copies the file beside the target under a temporary name and
// replaces the target at the next start by itself; Wine's (observed on Wine 8) reports
// the sharing violation as a copy error instead. The same replacement is made here: on
// the NT family through MoveFileExA, on the Windows 95 family through wininit.ini. The
// result is 1 when the replacement is scheduled and a restart is needed.
int ReplaceAtRestart(const FILEPATHS_A* paths)
{
    if (!paths->Source || !paths->Target) return 0;
    if (paths->Win32Error != ERROR_SHARING_VIOLATION && paths->Win32Error != ERROR_LOCK_VIOLATION
        && paths->Win32Error != ERROR_USER_MAPPED_FILE)
        return 0;
    char folder[MAX_PATH], staged[MAX_PATH];
    lstrcpynA(folder, paths->Target, sizeof folder);
    char* slash = std::strrchr(folder, '\\');
    if (!slash) return 0;
    *slash = '\0';
    if (!GetTempFileNameA(folder, "stp", 0, staged)) return 0;
    if (!CopyFileA(paths->Source, staged, FALSE)
        || !(IsWindows95Family()
                 ? AddWininitRename(staged, paths->Target)
                 : MoveFileExA(staged, paths->Target, MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING))) {
        DeleteFileA(staged);
        SetLastError(paths->Win32Error);
        return 0;
    }
    SetFileAttributesA(staged, FILE_ATTRIBUTE_NORMAL);
    g_Options.RebootNeeded = 1;
    LogLine("Restart needed: %s is in use; the copy of %s waits in %s and replaces it at the restart", paths->Target,
            paths->Source, staged);
    return 1;
}

// Sends one progress message to the page without waiting for the page to handle it.
// A sent message of another thread is queued like SendMessageA's, ahead of posted ones
// and in order with the later synchronous messages of this thread, so the page sees
// the same messages in the same order; but the worker no longer stops per file until
// the page has handled the message and repainted its bar (about two thirds of a
// millisecond per file under Wine, as much as the copy itself for small files). For
// a window of this thread the message is handled at once, as before.
void ReportProgress(const FileQueueContext* context, WPARAM done, LPARAM count)
{
    if (context->ProgressWindow && context->ProgressMessage)
        SendNotifyMessageA(context->ProgressWindow, context->ProgressMessage, done, count);
}

} // namespace

void SendFileCount(FileQueueContext* context)
{
    if (!context->Progress || !context->Unsent) return;
    InterlockedExchange(&context->Progress->Told, 1);
    ReportProgress(context, 1, context->Unsent);
    context->Unsent = 0;
    context->SentAt = GetTickCount();
}

namespace {

// A file operation done: a message of its own, or a count for a page that takes counts.
void ReportFileDone(FileQueueContext* context)
{
    if (!context->Progress) {
        ReportProgress(context, 1, 0);
        return;
    }
    ++context->Unsent;
    const DWORD frameMs = 16;
    if (!context->Progress->Told && GetTickCount() - context->SentAt >= frameMs) SendFileCount(context);
}

// Counts the size of a file the queue copied, for the size its uninstall entries give.
void AddTargetSize(FileQueueContext* context, const char* target)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (target && GetFileAttributesExA(target, GetFileExInfoStandard, &data))
        context->CopiedBytes += (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// The default callback was asked for the medium of a file. Wine's answers "retry" even
// when the file is not there, and the queue then asks again for ever; Windows asks the
// user and answers "retry" only when the file has turned up. A retry for a file that
// is still missing is therefore taken as a missing file, and the commit ends.
UINT CheckMediaAnswer(UINT answer, const SOURCE_MEDIA_A* media, const char* newPath)
{
    if (answer != FILEOP_DOIT || !media || !media->SourceFile) return answer;
    const char* folder = newPath && *newPath ? newPath : media->SourcePath;
    char path[MAX_PATH];
    if (!folder || std::snprintf(path, sizeof path, "%s\\%s", folder, media->SourceFile) >= MAX_PATH) return answer;
    if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES) return answer;
    SetLastError(ERROR_FILE_NOT_FOUND);
    if (RunLogIsOpen()) {
        char what[MAX_PATH + 32];
        std::snprintf(what, sizeof what, "Source file %s", path);
        LogError(what, ERROR_FILE_NOT_FOUND);
    }
    return FILEOP_ABORT;
}

// The notifications of a copy onto a file that is newer, exists (a no-overwrite copy) or
// has another language. Windows' default callback asks the user whether to keep the
// file there; a run that answers itself keeps it (answer 0), as that question proposes.
// Observed on Wine 8: the default callback asks nothing and answers 0 as well.
UINT AnswerTargetConflict(const FileQueueContext* context, UINT notification, UINT_PTR parameter1,
                          UINT_PTR parameter2)
{
    const FILEPATHS_A* paths = reinterpret_cast<const FILEPATHS_A*>(parameter1);
    const UINT answer = RunAnswersItself()
                            ? 0
                            : SetupDefaultQueueCallbackA(context->DefaultContext, notification, parameter1, parameter2);
    const char* why = (notification & SPFILENOTIFY_TARGETNEWER)     ? "the file there is newer"
                      : (notification & SPFILENOTIFY_LANGMISMATCH) ? "the file there has another language"
                                                                    : "the file exists";
    LogLine("%s %s (notification 0x%X): %s", answer ? "replacing" : "keeping",
            paths && paths->Target ? paths->Target : "", notification, why);
    return answer;
}

// False when the folder of `target` cannot be made because the nearest part of its
// path that exists is a file. The queue copies folder by folder, so a folder found
// sound is not looked at again in the commit: each look is a request to the file
// system, and for every file of a large medium they add up (about 10 us each on Wine 8).
int TargetFolderCanBeMade(FileQueueContext* context, const char* target)
{
    char folder[MAX_PATH];
    lstrcpynA(folder, target, sizeof folder);
    char* slash = std::strrchr(folder, '\\');
    if (!slash) return 1;
    *slash = '\0';
    if (std::strcmp(folder, context->SoundFolder) == 0) return 1;
    char part[MAX_PATH];
    lstrcpynA(part, folder, sizeof part);
    for (char* end = part + std::strlen(part); end; end = std::strrchr(part, '\\')) {
        *end = '\0';
        const DWORD attributes = GetFileAttributesA(part);
        if (attributes == INVALID_FILE_ATTRIBUTES) continue;
        if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return 0;
        break;
    }
    lstrcpynA(context->SoundFolder, folder, MAX_PATH);
    return 1;
}

enum LoggedOperation { LoggedCopy, LoggedRename, LoggedDelete, LoggedCabinet };

// One file operation's line in the log: source and target, and the error when it failed.
void LogFileOperation(LoggedOperation operation, const FILEPATHS_A* paths, DWORD error)
{
    static const char* const done[] = {"Copied", "Renamed", "Deleted", "Copied the cabinet"};
    static const char* const failed[] = {"Copying", "Renaming", "Deleting", "Copying the cabinet"};
    if (!RunLogIsOpen() || !paths) return;
    const char* source = paths->Source && operation != LoggedDelete ? paths->Source : "";
    const char* target = paths->Target ? paths->Target : "";
    // The queue's sources are relative to the medium's folder, the current directory.
    char fullSource[MAX_PATH];
    const DWORD full = *source ? GetFullPathNameA(source, sizeof fullSource, fullSource, nullptr) : 0;
    if (full && full < sizeof fullSource) source = fullSource;
    const char* to = *source ? " to " : "";
    if (!error) {
        LogLine("%s %s%s%s", done[operation], source, to, target);
        return;
    }
    char text[2 * MAX_PATH + 64];
    std::snprintf(text, sizeof text, "%s %s%s%s", failed[operation], source, to, target);
    LogError(text, error);
}

} // namespace

UINT CALLBACK FileQueueCallback(PVOID contextPointer, UINT notification, UINT_PTR parameter1, UINT_PTR parameter2)
{
    FileQueueContext* context = static_cast<FileQueueContext*>(contextPointer);
    const FILEPATHS_A* paths = reinterpret_cast<const FILEPATHS_A*>(parameter1);
    // Observed on Wine 8: the default callback shows no dialog at all. It answers a
    // missing source with FILEOP_DOIT, a copy, rename or delete error with FILEOP_SKIP,
    // and a newer, existing or other-language target with 0. Windows' default callback
    // asks the user for each. The copy and rename errors never reach it here.
    if (notification & (SPFILENOTIFY_LANGMISMATCH | SPFILENOTIFY_TARGETEXISTS | SPFILENOTIFY_TARGETNEWER))
        return AnswerTargetConflict(context, notification, parameter1, parameter2);
    switch (notification) {
    case SPFILENOTIFY_ENDSUBQUEUE:
        SendFileCount(context);
        break;
    case SPFILENOTIFY_STARTSUBQUEUE:
        SendFileCount(context);
        LogLine("File queue: %lu %s operations", static_cast<unsigned long>(parameter2),
                parameter1 == FILEOP_DELETE ? "delete" : parameter1 == FILEOP_RENAME ? "rename" : "copy");
        ReportProgress(context, 0, static_cast<LPARAM>(parameter2));
        break;
    case SPFILENOTIFY_ENDCOPY:
        LogFileOperation(LoggedCopy, paths, paths ? paths->Win32Error : 0);
        if (paths && !paths->Win32Error) {
            ++context->Copied;
            AddTargetSize(context, paths->Target);
        }
        ReportFileDone(context);
        break;
    case SPFILENOTIFY_ENDRENAME:
        LogFileOperation(LoggedRename, paths, paths ? paths->Win32Error : 0);
        if (paths && !paths->Win32Error) ++context->Renamed;
        ReportFileDone(context);
        break;
    case SPFILENOTIFY_COPYERROR:
        // A target in use is replaced at the next start, as Windows' Setup API does.
        if (paths && ReplaceAtRestart(paths)) {
            ++context->Scheduled;
            ReportFileDone(context);
            return FILEOP_SKIP;
        }
        // Any other copy that failed ends the commit with its error. Left to the default
        // callback it is skipped without a word on Wine, and the run would report success
        // with files missing; the page shows the error and the user may run the steps again.
        if (paths) LogFileOperation(LoggedCopy, paths, paths->Win32Error);
        if (paths) SetLastError(paths->Win32Error);
        return FILEOP_ABORT;
    case SPFILENOTIFY_RENAMEERROR:
        // A rename that failed ends the commit with its error, as a failed copy does;
        // Wine's default callback (observed on Wine 8) skips it without a word.
        if (paths) LogFileOperation(LoggedRename, paths, paths->Win32Error);
        if (paths) SetLastError(paths->Win32Error);
        return FILEOP_ABORT;
    case SPFILENOTIFY_STARTDELETE:
        // A read-only file that the script deletes is deleted: the attribute guards
        // against changes by mistake, not against the removal of the package, and left
        // alone it would stay until the next start as if it were in use.
        if (paths && paths->Target) {
            const DWORD attributes = GetFileAttributesA(paths->Target);
            if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)
                && !(attributes & FILE_ATTRIBUTE_DIRECTORY))
                SetFileAttributesA(paths->Target, attributes & ~FILE_ATTRIBUTE_READONLY);
        }
        break;
    case SPFILENOTIFY_DELETEERROR:
        // Windows' default callback asks the user to retry or skip. A run that answers
        // itself skips: the file is still there, and the end of the deletion schedules it
        // for the next start.
        if (RunAnswersItself()) return FILEOP_SKIP;
        break;
    case SPFILENOTIFY_NEEDMEDIA: {
        // Windows' default callback asks the user for a source file that is not where
        // the script says; a run that answers itself takes it from there or fails.
        const SOURCE_MEDIA_A* media = reinterpret_cast<const SOURCE_MEDIA_A*>(parameter1);
        const bool answered = RunAnswersItself() != 0;
        const UINT answer = answered ? FILEOP_DOIT
                                     : SetupDefaultQueueCallbackA(context->DefaultContext, notification, parameter1,
                                                                  parameter2);
        const char* newPath = answered ? nullptr : reinterpret_cast<const char*>(parameter2);
        return CheckMediaAnswer(answer, media, newPath);
    }
    case SPFILENOTIFY_STARTQUEUE:
        context->CurrentFolder = static_cast<char*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, MAX_PATH));
        context->PendingCount = 0;
        break;
    case SPFILENOTIFY_ENDQUEUE:
        SendFileCount(context);
        if (context->CurrentFolder) HeapFree(GetProcessHeap(), 0, context->CurrentFolder);
        context->CurrentFolder = nullptr;
        break;
    case SPFILENOTIFY_ENDDELETE:
        LogFileOperation(LoggedDelete, paths, paths ? paths->Win32Error : 0);
        if (paths && !paths->Win32Error) ++context->Deleted;
        if (context->CurrentFolder && paths && paths->Target) AfterDeletion(context, paths->Target);
        ReportFileDone(context);
        break;
    case SPFILENOTIFY_STARTCOPY:
        // A target folder below an existing file: Windows fails the copy, while Wine 8's
        // Setup API tries to make the folder again and again for ever. The copy fails
        // here first, with the error Windows reports.
        if (paths && paths->Target && !TargetFolderCanBeMade(context, paths->Target)) {
            LogFileOperation(LoggedCopy, paths, ERROR_PATH_NOT_FOUND);
            SetLastError(ERROR_PATH_NOT_FOUND);
            return FILEOP_ABORT;
        }
        // The default callback does not see a cabinet that is copied here, and the queue
        // reports no end of its copy: the operation is counted here.
        if (paths && paths->Source && paths->Target && IsCabinetCopiedAsItself(paths->Source, paths->Target)) {
            const UINT result = CopyCabinet(paths);
            LogFileOperation(LoggedCabinet, paths, result == FILEOP_SKIP ? 0 : GetLastError());
            if (result == FILEOP_SKIP) {
                ++context->Copied;
                AddTargetSize(context, paths->Target);
                ReportFileDone(context);
            }
            return result;
        }
        break;
    }
    return SetupDefaultQueueCallbackA(context->DefaultContext, notification, parameter1, parameter2);
}

int CountFilesInFolder(const char* folder)
{
    char pattern[MAX_PATH + 2];
    if (std::snprintf(pattern, sizeof pattern, "%s\\*", folder) >= static_cast<int>(sizeof pattern)) return 0;
    WIN32_FIND_DATAA entry;
    UniqueFind find(FindFirstFileA(pattern, &entry));
    if (!find) return 0;
    int count = 0;
    do {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++count;
    } while (FindNextFileA(find.get(), &entry));
    return count;
}

int DeleteFileAtRestart(const char* path)
{
    if (!IsWindows95Family()) return MoveFileExA(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) ? 1 : 0;
    return AddWininitRename(path, nullptr);
}

int DeleteFolderAtRestart(const char* folder)
{
    if (IsWindows95Family()) return 0;
    return MoveFileExA(folder, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) ? 1 : 0;
}
