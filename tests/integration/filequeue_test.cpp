// The file queue callback and the delayed file operations against the real Setup API:
// queues of copies and deletions (from a script written here or queued one by one) are
// committed through FileQueueCallback, with the default callback's prompts owned by a
// window of the test that records the progress messages the callback sends, and the
// files, folders, progress, the machine's PendingFileRenameOperations value and
// wininit.ini are checked afterwards. The Windows 95 family's side runs in copies of
// filequeue_probe.exe that Wine reports as Windows 95, 98 or Me (and NT 4 to compare).
//
// PendingFileRenameOperations and the Windows folder's wininit.ini belong to the whole
// machine: the tests that can change them save them first and put them back exactly,
// and hold the ctest resource locks "PendingFileRenameOperations" and "wininit.ini".
// While a test runs, the value starts empty, so that the test sees exactly what its
// commit scheduled.

#include "../../base/options.h"
#include "../../engine/filequeue.h"
#include "../support/testsupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace {

const UINT kProgressMessage = WM_USER + 11;
const char kSessionManager[] = "System\\CurrentControlSet\\Control\\Session Manager";
const char kPendingValue[] = "PendingFileRenameOperations";

std::string CurrentTestName()
{
    return ::testing::UnitTest::GetInstance()->current_test_info()->name();
}

// ---------------------------------------------------------------------------------
// The machine's list of operations for the next start.

struct SavedValue {
    bool present = false;
    DWORD type = 0;
    std::string bytes;
};

SavedValue ReadPendingValue()
{
    SavedValue saved;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return saved;
    DWORD size = 0;
    if (RegQueryValueExA(key, kPendingValue, nullptr, &saved.type, nullptr, &size) == ERROR_SUCCESS) {
        std::string bytes(size, '\0');
        if (RegQueryValueExA(key, kPendingValue, nullptr, &saved.type, reinterpret_cast<BYTE*>(&bytes[0]), &size)
            == ERROR_SUCCESS) {
            saved.present = true;
            saved.bytes = bytes.substr(0, size);
        }
    }
    RegCloseKey(key);
    return saved;
}

// Puts the value back as it was saved: the same type and bytes, or no value at all.
bool WritePendingValue(const SavedValue& value)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return false;
    LONG status;
    if (value.present) {
        status = RegSetValueExA(key, kPendingValue, 0, value.type, reinterpret_cast<const BYTE*>(value.bytes.data()),
                                static_cast<DWORD>(value.bytes.size()));
    } else {
        status = RegDeleteValueA(key, kPendingValue);
        if (status == ERROR_FILE_NOT_FOUND) status = ERROR_SUCCESS;
    }
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

// The scheduled operations in order: a deletion as its path, a rename as
// "source -> target", both without the "\??\" prefix of the stored names. The value
// holds pairs of strings, the target of a deletion being empty.
std::vector<std::string> PendingOperations()
{
    std::vector<std::string> operations;
    const SavedValue value = ReadPendingValue();
    if (!value.present) return operations;
    const std::string& bytes = value.bytes;
    auto strip = [](std::string name) { return name.compare(0, 4, "\\??\\") == 0 ? name.substr(4) : name; };
    size_t at = 0;
    while (at < bytes.size()) {
        size_t end = bytes.find('\0', at);
        if (end == std::string::npos) end = bytes.size();
        const std::string source = bytes.substr(at, end - at);
        if (source.empty()) break;
        at = end + 1;
        end = bytes.find('\0', at);
        if (end == std::string::npos) end = bytes.size();
        const std::string target = at < bytes.size() ? bytes.substr(at, end - at) : std::string();
        at = end + 1;
        operations.push_back(target.empty() ? strip(source) : strip(source) + " -> " + strip(target));
    }
    return operations;
}

using Strings = std::vector<std::string>;

// Saves the value, empties it for the test, and puts it back on every way out.
class PendingValueGuard {
public:
    PendingValueGuard() : saved_(ReadPendingValue()) { cleared_ = WritePendingValue(SavedValue()); }
    ~PendingValueGuard() { WritePendingValue(saved_); }
    bool Cleared() const { return cleared_; }
    PendingValueGuard(const PendingValueGuard&) = delete;
    PendingValueGuard& operator=(const PendingValueGuard&) = delete;

private:
    SavedValue saved_;
    bool cleared_ = false;
};

// ---------------------------------------------------------------------------------
// The window that owns the commit and records the progress messages sent to it.

using ProgressRecord = std::vector<std::pair<WPARAM, LPARAM>>;

LRESULT CALLBACK RecordingWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kProgressMessage) {
        auto* record = reinterpret_cast<ProgressRecord*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (record) record->emplace_back(wParam, lParam);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND CreateRecordingWindow(ProgressRecord* record)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = RecordingWindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "FileQueueTestRecorder";
    RegisterClassA(&windowClass);  // already registered by an earlier test: fine
    HWND window = CreateWindowA("FileQueueTestRecorder", "", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    if (window) SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(record));
    return window;
}

// ---------------------------------------------------------------------------------
// A scratch folder with sources in "src", a recording window, and commits through
// FileQueueCallback.

class QueueFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        root_ = testsupport::MakeScratchFolder(CurrentTestName().c_str());
        ASSERT_FALSE(root_.empty());
        sources_ = root_ + "\\src";
        ASSERT_TRUE(CreateDirectoryA(sources_.c_str(), nullptr));
        window_ = CreateRecordingWindow(&progress_);
        ASSERT_TRUE(window_ != nullptr);
        g_Options.RebootNeeded = 0;
    }

    void TearDown() override
    {
        for (HANDLE lock : locks_) CloseHandle(lock);
        locks_.clear();
        if (window_) DestroyWindow(window_);
        window_ = nullptr;
        testsupport::RemoveTree(root_);
        g_Options.RebootNeeded = 0;
    }

    std::string Path(const std::string& relative) const { return root_ + "\\" + relative; }

    // Writes a file below the root, making its folders first.
    bool MakeFile(const std::string& relative, const std::string& bytes)
    {
        for (size_t slash = relative.find('\\'); slash != std::string::npos; slash = relative.find('\\', slash + 1))
            CreateDirectoryA(Path(relative.substr(0, slash)).c_str(), nullptr);
        return testsupport::WriteFile(Path(relative), bytes);
    }

    // Holds a file open without sharing until the test ends, so that it cannot be
    // deleted or overwritten.
    bool Lock(const std::string& relative)
    {
        HANDLE file = CreateFileA(Path(relative).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) return false;
        locks_.push_back(file);
        return true;
    }

    void Unlock()
    {
        for (HANDLE lock : locks_) CloseHandle(lock);
        locks_.clear();
    }

    // Commits `queue` the way the step runner does: FileQueueCallback around the
    // default callback, whose prompts the recording window owns; the progress goes to
    // the recording window from FileQueueCallback, the default callback getting no
    // progress window (Wine's sends no progress at all).
    BOOL Commit(HSPFILEQ queue)
    {
        progress_.clear();
        FileQueueContext context = {};
        context.DefaultContext = SetupInitDefaultQueueCallbackEx(window_, nullptr, 0, 0, nullptr);
        context.ProgressWindow = window_;
        context.ProgressMessage = kProgressMessage;
        const BOOL committed = SetupCommitFileQueueA(window_, queue, FileQueueCallback, &context);
        const DWORD error = GetLastError();
        SetupTermDefaultQueueCallback(context.DefaultContext);
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
        SetLastError(error);
        return committed;
    }

    // Writes `script` as setup.inf in the root, points id 32768 at the root, queues the
    // copy, rename and delete operations of its section "Install" with the sources in
    // "src", and commits them. Fails the test when the script cannot be queued.
    BOOL CommitScript(const std::string& script, DWORD copyFlags)
    {
        const std::string path = Path("setup.inf");
        EXPECT_TRUE(testsupport::WriteFile(path, "[Version]\r\nSignature=\"$Chicago$\"\r\n" + script));
        UINT errorLine = 0;
        HINF inf = SetupOpenInfFileA(path.c_str(), nullptr, INF_STYLE_WIN4, &errorLine);
        EXPECT_NE(INVALID_HANDLE_VALUE, inf) << "line " << errorLine;
        if (inf == INVALID_HANDLE_VALUE) return FALSE;
        HSPFILEQ queue = SetupOpenFileQueue();
        BOOL committed = FALSE;
        const bool queued = SetupSetDirectoryIdA(inf, 32768, root_.c_str())
                            && SetupInstallFilesFromInfSectionA(inf, nullptr, queue, "Install", sources_.c_str(),
                                                               copyFlags);
        EXPECT_TRUE(queued) << GetLastError();
        if (queued) committed = Commit(queue);
        const DWORD error = GetLastError();
        SetupCloseFileQueue(queue);
        SetupCloseInfFile(inf);
        SetLastError(error);
        return committed;
    }

    bool Exists(const std::string& relative) const { return testsupport::FileExists(Path(relative)); }

    std::string Contents(const std::string& relative) const
    {
        std::string bytes;
        if (!testsupport::ReadFile(Path(relative), &bytes)) return "<unreadable>";
        return bytes;
    }

    std::string root_;
    std::string sources_;
    HWND window_ = nullptr;
    ProgressRecord progress_;
    std::vector<HANDLE> locks_;
};

// Deletions, with the machine's list of operations for the next start emptied for the
// test and restored afterwards.
class QueueDeletion : public QueueFixture {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(pending_.Cleared());
        QueueFixture::SetUp();
    }

    // Queues the deletion of each file (paths relative to the root) in the given order.
    BOOL CommitDeletions(const Strings& files)
    {
        HSPFILEQ queue = SetupOpenFileQueue();
        for (const std::string& file : files) {
            const size_t slash = file.find_last_of('\\');
            EXPECT_TRUE(SetupQueueDeleteA(queue, Path(file.substr(0, slash)).c_str(), file.substr(slash + 1).c_str()))
                << file;
        }
        const BOOL committed = Commit(queue);
        SetupCloseFileQueue(queue);
        return committed;
    }

    PendingValueGuard pending_;
};

TEST_F(QueueDeletion, LastFileDeletedRemovesTheFolderAtOnce)
{
    ASSERT_TRUE(MakeFile("A\\one.txt", "1"));
    ASSERT_TRUE(MakeFile("A\\two.txt", "2"));
    ASSERT_TRUE(MakeFile("K\\gone.txt", "3"));
    ASSERT_TRUE(MakeFile("K\\kept.txt", "4"));

    EXPECT_TRUE(CommitScript("[DestinationDirs]\r\nDel.A = 32768,A\r\nDel.K = 32768,K\r\n"
                             "[Install]\r\nDelFiles = Del.A, Del.K\r\n"
                             "[Del.A]\r\none.txt\r\ntwo.txt\r\n"
                             "[Del.K]\r\ngone.txt\r\n",
                             0));

    EXPECT_FALSE(Exists("A"));
    // A folder that still holds a file that was not to be deleted stays.
    EXPECT_FALSE(Exists("K\\gone.txt"));
    EXPECT_TRUE(Exists("K\\kept.txt"));
    EXPECT_EQ(Strings(), PendingOperations());
    EXPECT_EQ(0, g_Options.RebootNeeded);
}

TEST_F(QueueDeletion, FolderLeftWithASubfolderIsRemovedAtRestart)
{
    ASSERT_TRUE(MakeFile("A\\only.txt", "1"));
    // Files below the subfolder are not files of the folder itself.
    ASSERT_TRUE(MakeFile("A\\Sub\\inner.txt", "2"));

    EXPECT_TRUE(CommitScript("[DestinationDirs]\r\nDel.A = 32768,A\r\n"
                             "[Install]\r\nDelFiles = Del.A\r\n[Del.A]\r\nonly.txt\r\n",
                             0));

    EXPECT_FALSE(Exists("A\\only.txt"));
    EXPECT_TRUE(Exists("A\\Sub\\inner.txt"));
    EXPECT_EQ(Strings({Path("A")}), PendingOperations());
    // Only a file scheduled for the next start asks for a restart.
    EXPECT_EQ(0, g_Options.RebootNeeded);
}

TEST_F(QueueDeletion, FileInUseIsScheduledAndItsEmptiedFolderAfterIt)
{
    ASSERT_TRUE(MakeFile("A\\busy.dll", "1"));
    ASSERT_TRUE(MakeFile("B\\busy.dll", "2"));
    ASSERT_TRUE(MakeFile("B\\other.dll", "3"));
    ASSERT_TRUE(Lock("A\\busy.dll"));
    ASSERT_TRUE(Lock("B\\busy.dll"));

    // A file that cannot be deleted is not an error of the commit.
    EXPECT_TRUE(CommitDeletions({"A\\busy.dll", "B\\busy.dll"}));

    EXPECT_TRUE(Exists("A\\busy.dll"));
    EXPECT_TRUE(Exists("B\\busy.dll"));
    // A holds nothing but the scheduled file: it follows the file. B keeps another file.
    EXPECT_EQ(Strings({Path("A\\busy.dll"), Path("A"), Path("B\\busy.dll")}), PendingOperations());
    EXPECT_EQ(1, g_Options.RebootNeeded);
}

TEST_F(QueueDeletion, CountOfScheduledFilesRestartsWhenTheFolderChanges)
{
    // Deletions in A, A, B, A. The first file of A is in use and scheduled, which makes
    // A's count 1; the move to B starts a count of 0 (B is emptied and removed); the
    // move back to A starts a count of 0 again, so after the last deletion A, holding
    // its one scheduled file, does not count as emptied and is not scheduled. Had A
    // kept its count of 1, A would have been scheduled for removal.
    ASSERT_TRUE(MakeFile("A\\busy.dll", "1"));
    ASSERT_TRUE(MakeFile("A\\second.dll", "2"));
    ASSERT_TRUE(MakeFile("A\\fourth.dll", "4"));
    ASSERT_TRUE(MakeFile("B\\third.dll", "3"));
    ASSERT_TRUE(Lock("A\\busy.dll"));

    EXPECT_TRUE(CommitDeletions({"A\\busy.dll", "A\\second.dll", "B\\third.dll", "A\\fourth.dll"}));

    EXPECT_FALSE(Exists("B"));
    EXPECT_FALSE(Exists("A\\second.dll"));
    EXPECT_FALSE(Exists("A\\fourth.dll"));
    EXPECT_TRUE(Exists("A\\busy.dll"));
    EXPECT_EQ(Strings({Path("A\\busy.dll")}), PendingOperations());
    EXPECT_EQ(1, g_Options.RebootNeeded);
}

TEST_F(QueueDeletion, ScheduledFilesThatAreAllThatIsLeftLetTheFolderGo)
{
    // Two files of A in use and one deletable: after the third deletion the count of
    // scheduled files (2) equals the files left in A, and A follows them.
    ASSERT_TRUE(MakeFile("A\\first.dll", "1"));
    ASSERT_TRUE(MakeFile("A\\second.dll", "2"));
    ASSERT_TRUE(MakeFile("A\\third.dll", "3"));
    ASSERT_TRUE(Lock("A\\first.dll"));
    ASSERT_TRUE(Lock("A\\third.dll"));

    EXPECT_TRUE(CommitDeletions({"A\\first.dll", "A\\second.dll", "A\\third.dll"}));

    EXPECT_FALSE(Exists("A\\second.dll"));
    EXPECT_EQ(Strings({Path("A\\first.dll"), Path("A\\third.dll"), Path("A")}), PendingOperations());
    EXPECT_EQ(1, g_Options.RebootNeeded);
}

TEST_F(QueueDeletion, ProgressReachesTheOwnerWindow)
{
    ASSERT_TRUE(MakeFile("A\\one.txt", "1"));
    ASSERT_TRUE(MakeFile("A\\two.txt", "2"));
    ASSERT_TRUE(MakeFile("A\\three.txt", "3"));
    ASSERT_TRUE(Lock("A\\two.txt"));

    EXPECT_TRUE(CommitDeletions({"A\\one.txt", "A\\two.txt", "A\\three.txt"}));

    // The part's start with the number of its operations, then one message per file,
    // the scheduled one included.
    EXPECT_EQ(ProgressRecord({{0, 3}, {1, 0}, {1, 0}, {1, 0}}), progress_);
}

// ---------------------------------------------------------------------------------
// Copies of cabinets. Every copy is queued with SP_COPY_DELETESOURCE: when the Setup
// API copies a file itself, it then deletes the source, so a source that is still
// there afterwards shows that the queue left the copy to the callback.

class QueueCabinet : public QueueFixture {
protected:
    // Bytes of every value, zeros included, so that a copy that is not byte for byte
    // shows.
    static std::string BinaryBytes(int offset)
    {
        std::string bytes;
        for (int i = 0; i < 3000; ++i) bytes.push_back(static_cast<char>((i * 7 + offset) & 0xff));
        return bytes;
    }

    // What this system reports for a file whose attributes were set to
    // FILE_ATTRIBUTE_NORMAL: Windows reports FILE_ATTRIBUTE_NORMAL itself, Wine 8 (which
    // keeps no archive bit) FILE_ATTRIBUTE_ARCHIVE. Read-only, hidden and system are
    // clear on both.
    DWORD NormalAttributes()
    {
        const std::string reference = Path("reference.txt");
        if (!testsupport::WriteFile(reference, "") || !SetFileAttributesA(reference.c_str(), FILE_ATTRIBUTE_NORMAL))
            return INVALID_FILE_ATTRIBUTES;
        const DWORD attributes = GetFileAttributesA(reference.c_str());
        DeleteFileA(reference.c_str());
        EXPECT_EQ(0u, attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
        return attributes;
    }
};

TEST_F(QueueCabinet, CabinetUnderItsOwnNameIsCopiedByTheCallback)
{
    const std::string first = BinaryBytes(1);
    const std::string second = BinaryBytes(2);
    ASSERT_TRUE(MakeFile("src\\data.cab", first));
    ASSERT_TRUE(MakeFile("src\\Second.CAB", second));
    ASSERT_TRUE(MakeFile("T\\data.cab", "an older cabinet"));
    ASSERT_TRUE(SetFileAttributesA(Path("T\\data.cab").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    // A copy takes its source's attributes: these must not survive either. (Not
    // read-only: the queue could not delete such a source.)
    ASSERT_TRUE(SetFileAttributesA(Path("src\\data.cab").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    ASSERT_TRUE(SetFileAttributesA(Path("src\\Second.CAB").c_str(), FILE_ATTRIBUTE_HIDDEN));

    // The second one differs from its source only in letter case, and is the first file
    // of a folder that is not there yet.
    EXPECT_TRUE(CommitScript("[DestinationDirs]\r\nCab.Files = 32768,T\r\nCab.New = 32768,New\\Sub\r\n"
                             "[Install]\r\nCopyFiles = Cab.Files, Cab.New\r\n"
                             "[Cab.Files]\r\ndata.cab\r\n[Cab.New]\r\nsecond.cab,Second.CAB\r\n",
                             SP_COPY_DELETESOURCE));

    EXPECT_EQ(first, Contents("T\\data.cab"));
    EXPECT_EQ(NormalAttributes(), GetFileAttributesA(Path("T\\data.cab").c_str()));
    EXPECT_TRUE(second == Contents("New\\Sub\\second.cab"));
    EXPECT_EQ(NormalAttributes(), GetFileAttributesA(Path("New\\Sub\\second.cab").c_str()));
    EXPECT_TRUE(Exists("src\\data.cab"));
    EXPECT_TRUE(Exists("src\\Second.CAB"));
    // Each cabinet is reported done once, by the callback.
    EXPECT_EQ(ProgressRecord({{0, 2}, {1, 0}, {1, 0}}), progress_);
}

TEST_F(QueueCabinet, OtherCopiesArePassedOnToTheSetupApi)
{
    ASSERT_TRUE(MakeFile("src\\renamed.cab", BinaryBytes(3)));
    ASSERT_TRUE(MakeFile("src\\other.cab", BinaryBytes(4)));
    ASSERT_TRUE(MakeFile("src\\notes.txt", BinaryBytes(5)));
    ASSERT_TRUE(MakeFile("src\\cab", BinaryBytes(6)));
    ASSERT_TRUE(MakeFile("src\\packed.cab.old", BinaryBytes(7)));

    // Another name, another extension, a name that is no cabinet, a name without any
    // extension, and a name whose last extension is not ".cab".
    EXPECT_TRUE(CommitScript("[DestinationDirs]\r\nAll.Files = 32768,T\r\n"
                             "[Install]\r\nCopyFiles = All.Files\r\n"
                             "[All.Files]\r\nnew-name.cab,renamed.cab\r\nother.bin,other.cab\r\nnotes.txt\r\n"
                             "cab\r\npacked.cab.old\r\n",
                             SP_COPY_DELETESOURCE));

    EXPECT_EQ(BinaryBytes(3), Contents("T\\new-name.cab"));
    EXPECT_EQ(BinaryBytes(4), Contents("T\\other.bin"));
    EXPECT_EQ(BinaryBytes(5), Contents("T\\notes.txt"));
    EXPECT_EQ(BinaryBytes(6), Contents("T\\cab"));
    EXPECT_EQ(BinaryBytes(7), Contents("T\\packed.cab.old"));
    for (const char* source : {"renamed.cab", "other.cab", "notes.txt", "cab", "packed.cab.old"})
        EXPECT_FALSE(Exists(std::string("src\\") + source)) << source << " was not copied by the Setup API";
    EXPECT_EQ(ProgressRecord({{0, 5}, {1, 0}, {1, 0}, {1, 0}, {1, 0}, {1, 0}}), progress_);
}

TEST_F(QueueCabinet, FailedCopyEndsTheCommitWithItsError)
{
    // A cabinet the callback cannot copy (its target is held open without sharing), and
    // an ordinary file the queue cannot read (its source is held so). The later file of
    // the same queue ("z-" sorts it last, whatever order a queue keeps) must not be
    // copied, and nothing may be left staged beside the target.
    for (const char* name : {"a.cab", "a.txt"}) {
        SCOPED_TRACE(name);
        const bool cabinet = std::string(name) == "a.cab";
        ASSERT_TRUE(MakeFile(std::string("src\\") + name, BinaryBytes(8)));
        ASSERT_TRUE(MakeFile("src\\z-later.txt", "later"));
        ASSERT_TRUE(MakeFile(std::string("T\\") + name, "in use"));
        ASSERT_TRUE(Lock(std::string(cabinet ? "T\\" : "src\\") + name));

        SetLastError(0xdeadbeef);
        EXPECT_FALSE(CommitScript("[DestinationDirs]\r\nAll.Files = 32768,T\r\n"
                                  "[Install]\r\nCopyFiles = All.Files\r\n[All.Files]\r\n"
                                  + std::string(name) + "\r\nz-later.txt\r\n",
                                  0));
        EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), GetLastError());

        Unlock();
        EXPECT_EQ("in use", Contents(std::string("T\\") + name));
        EXPECT_FALSE(Exists("T\\z-later.txt"));
        WIN32_FIND_DATAA entry;
        HANDLE find = FindFirstFileA(Path("T\\*.tmp").c_str(), &entry);
        EXPECT_EQ(INVALID_HANDLE_VALUE, find) << "staged: " << entry.cFileName;
        if (find != INVALID_HANDLE_VALUE) FindClose(find);
        EXPECT_EQ(0, g_Options.RebootNeeded);
        testsupport::RemoveTree(Path("T"));
    }
}

class QueueTarget : public QueueFixture {};

// A folder found sound is not looked at again in the commit, but every other one is.
TEST_F(QueueTarget, AFolderBelowAFileFailsTheCommitAfterASoundOne)
{
    ASSERT_TRUE(MakeFile("src\\a.txt", "a") && MakeFile("src\\b.txt", "b") && MakeFile("Blocker", "a file"));
    EXPECT_FALSE(CommitScript("[DestinationDirs]\r\nGood.Files = 32768,T\r\nBad.Files = 32768,Blocker\\Sub\r\n"
                              "[Install]\r\nCopyFiles = Good.Files, Bad.Files\r\n"
                              "[Good.Files]\r\na.txt\r\nb.txt\r\n[Bad.Files]\r\na.txt\r\n", 0));
    EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), GetLastError());
    EXPECT_EQ("b", Contents("T\\b.txt"));
}

class QueueRename : public QueueFixture {};

// A rename whose new name is taken ends the commit with its error, as a failed copy does.
TEST_F(QueueRename, FailedRenameEndsTheCommitWithItsError)
{
    ASSERT_TRUE(MakeFile("T\\old.txt", "old") && MakeFile("T\\taken.txt", "taken"));
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(CommitScript("[DestinationDirs]\r\nRen.Files = 32768,T\r\n[Install]\r\nRenFiles = Ren.Files\r\n"
                              "[Ren.Files]\r\ntaken.txt,old.txt\r\n", 0));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ALREADY_EXISTS), GetLastError());
}

// Copies onto targets that are in use, with the machine's list of operations for the
// next start emptied for the test and restored afterwards.
class QueueReplacement : public QueueFixture {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(pending_.Cleared());
        QueueFixture::SetUp();
    }

    PendingValueGuard pending_;
};

// An ordinary file whose target another program holds open without sharing: the new
// file is staged beside the target and replaces it at the next start, a restart is
// needed, and the commit goes on with the next file.
TEST_F(QueueReplacement, ATargetInUseIsReplacedAtTheNextStart)
{
    ASSERT_TRUE(MakeFile("src\\a.txt", "new"));
    ASSERT_TRUE(MakeFile("src\\z-later.txt", "later"));
    ASSERT_TRUE(MakeFile("T\\a.txt", "in use"));
    ASSERT_TRUE(Lock("T\\a.txt"));

    EXPECT_TRUE(CommitScript("[DestinationDirs]\r\nAll.Files = 32768,T\r\n"
                             "[Install]\r\nCopyFiles = All.Files\r\n[All.Files]\r\na.txt\r\nz-later.txt\r\n",
                             0));
    Unlock();
    EXPECT_EQ("in use", Contents("T\\a.txt"));
    EXPECT_EQ("later", Contents("T\\z-later.txt"));
    EXPECT_EQ(1, g_Options.RebootNeeded);
    const Strings operations = PendingOperations();
    ASSERT_EQ(1u, operations.size());
    const std::string arrow = " -> ";
    const size_t at = operations[0].find(arrow);
    ASSERT_NE(std::string::npos, at) << operations[0];
    const std::string staged = operations[0].substr(0, at);
    std::string target = operations[0].substr(at + arrow.size());
    // "!" asks to replace an existing file; the name behind it keeps its "\??\".
    if (!target.empty() && target[0] == '!') target.erase(0, 1);
    if (target.compare(0, 4, "\\??\\") == 0) target.erase(0, 4);
    EXPECT_EQ(Path("T\\a.txt"), target);
    EXPECT_EQ(Path("T"), staged.substr(0, staged.find_last_of('\\'))) << "staged outside the target's folder";
    std::string bytes;
    EXPECT_TRUE(testsupport::ReadFile(staged, &bytes));
    EXPECT_EQ("new", bytes);
    // Each file counts once on the way.
    EXPECT_EQ(ProgressRecord({{0, 2}, {1, 0}, {1, 0}}), progress_);
}

// ---------------------------------------------------------------------------------

class FolderCount : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder_ = testsupport::MakeScratchFolder("FolderCount");
        ASSERT_FALSE(folder_.empty());
    }
    void TearDown() override { testsupport::RemoveTree(folder_); }
    std::string folder_;
};

TEST_F(FolderCount, CountsFilesButNotFolders)
{
    EXPECT_EQ(0, CountFilesInFolder(folder_.c_str()));

    ASSERT_TRUE(testsupport::WriteFile(folder_ + "\\plain.txt", "1"));
    ASSERT_TRUE(testsupport::WriteFile(folder_ + "\\hidden.sys", "2"));
    ASSERT_TRUE(testsupport::WriteFile(folder_ + "\\readonly", "3"));
    ASSERT_TRUE(SetFileAttributesA((folder_ + "\\hidden.sys").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    ASSERT_TRUE(SetFileAttributesA((folder_ + "\\readonly").c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(CreateDirectoryA((folder_ + "\\Empty").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((folder_ + "\\Full").c_str(), nullptr));
    ASSERT_TRUE(testsupport::WriteFile(folder_ + "\\Full\\a.txt", "4"));
    ASSERT_TRUE(testsupport::WriteFile(folder_ + "\\Full\\b.txt", "5"));

    EXPECT_EQ(3, CountFilesInFolder(folder_.c_str()));
    EXPECT_EQ(0, CountFilesInFolder((folder_ + "\\Empty").c_str()));
    EXPECT_EQ(2, CountFilesInFolder((folder_ + "\\Full").c_str()));
}

TEST_F(FolderCount, MissingFolderOrAFileCountsNothing)
{
    ASSERT_TRUE(testsupport::WriteFile(folder_ + "\\file.txt", "1"));
    EXPECT_EQ(0, CountFilesInFolder((folder_ + "\\Missing").c_str()));
    EXPECT_EQ(0, CountFilesInFolder((folder_ + "\\file.txt").c_str()));
}

// ---------------------------------------------------------------------------------
// Scheduling directly, on the NT family (this test program).

class RestartDeletion : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(pending_.Cleared());
        folder_ = testsupport::MakeScratchFolder("RestartDeletion");
        ASSERT_FALSE(folder_.empty());
    }
    void TearDown() override { testsupport::RemoveTree(folder_); }

    PendingValueGuard pending_;
    std::string folder_;
};

TEST_F(RestartDeletion, NTFamilySchedulesFilesAndFoldersInOrder)
{
    ASSERT_EQ(0u, GetVersion() & 0x80000000u);
    const std::string sub = folder_ + "\\Sub";
    const std::string file = sub + "\\tool.dll";
    ASSERT_TRUE(CreateDirectoryA(sub.c_str(), nullptr));
    ASSERT_TRUE(testsupport::WriteFile(file, "x"));

    EXPECT_EQ(1, DeleteFileAtRestart(file.c_str()));
    EXPECT_EQ(1, DeleteFolderAtRestart(sub.c_str()));

    EXPECT_TRUE(testsupport::FileExists(file));
    EXPECT_EQ(Strings({file, sub}), PendingOperations());
}

// ---------------------------------------------------------------------------------
// The Windows 95 family, in copies of the probe. wininit.ini lies in the Windows folder
// the probe reports; the test saves it (or its absence) and puts it back.

// Runs the probe as `version` and returns its "name=value" lines.
std::map<std::string, std::string> Probe(const std::string& version, const std::string& arguments)
{
    std::map<std::string, std::string> values;
    const std::string probe = testsupport::ProgramAsVersion(testsupport::TestFolder() + "\\filequeue_probe.exe", version);
    EXPECT_FALSE(probe.empty()) << version;
    if (probe.empty()) return values;
    testsupport::ProcessResult run = testsupport::RunProgram(testsupport::Quote(probe) + " " + arguments, "", 60000);
    EXPECT_TRUE(run.started) << version << " " << arguments << ": error " << GetLastError();
    EXPECT_TRUE(run.finished) << version << " " << arguments;
    size_t at = 0;
    while (at < run.output.size()) {
        size_t end = run.output.find('\n', at);
        if (end == std::string::npos) end = run.output.size();
        std::string line = run.output.substr(at, end - at);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const size_t equals = line.find('=');
        if (equals != std::string::npos) values[line.substr(0, equals)] = line.substr(equals + 1);
        at = end + 1;
    }
    const size_t slash = probe.find_last_of('\\');
    testsupport::SetWindowsVersionFor(probe.substr(slash + 1), "");
    DeleteFileA(probe.c_str());
    return values;
}

// The lines of section `name` of a profile file's text, in order, blank lines left out.
Strings SectionLines(const std::string& text, const std::string& name)
{
    Strings lines;
    bool inside = false;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(at, end - at);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        at = end + 1;
        if (!line.empty() && line[0] == '[') {
            inside = lstrcmpiA(line.c_str(), ("[" + name + "]").c_str()) == 0;
        } else if (inside && !line.empty()) {
            lines.push_back(line);
        }
    }
    return lines;
}

std::string ShortPath(const std::string& path)
{
    char shortPath[MAX_PATH];
    const DWORD length = GetShortPathNameA(path.c_str(), shortPath, sizeof shortPath);
    return length && length < sizeof shortPath ? std::string(shortPath, length) : std::string();
}

class RestartDeletion95 : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(pending_.Cleared());
        folder_ = testsupport::MakeScratchFolder(CurrentTestName().c_str());
        ASSERT_FALSE(folder_.empty());
        const std::string windows = Probe("win98", "windows")["windows"];
        ASSERT_FALSE(windows.empty());
        wininit_ = windows + "\\wininit.ini";
        hadWininit_ = testsupport::ReadFile(wininit_, &savedWininit_);
        saved_ = true;
    }

    void TearDown() override
    {
        if (saved_) {
            if (hadWininit_) {
                SetFileAttributesA(wininit_.c_str(), FILE_ATTRIBUTE_NORMAL);
                EXPECT_TRUE(testsupport::WriteFile(wininit_, savedWininit_));
            } else {
                DeleteFileA(wininit_.c_str());
            }
        }
        testsupport::RemoveTree(folder_);
    }

    // A file with a long name in a folder with a long name, so that its short path
    // differs from it.
    std::string MakeLongNamedFile()
    {
        const std::string folder = folder_ + "\\Program Components";
        const std::string file = folder + "\\Long Library Name.dll";
        EXPECT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
        EXPECT_TRUE(testsupport::WriteFile(file, "library"));
        return file;
    }

    std::string Wininit() const
    {
        std::string text;
        if (!testsupport::ReadFile(wininit_, &text)) return "<missing>";
        return text;
    }

    PendingValueGuard pending_;
    std::string folder_;
    std::string wininit_;
    std::string savedWininit_;
    bool hadWininit_ = false;
    bool saved_ = false;
};

TEST_F(RestartDeletion95, FileIsAppendedToTheRenameSectionBehindItsEntries)
{
    const std::string file = MakeLongNamedFile();
    const std::string shortPath = ShortPath(file);
    ASSERT_FALSE(shortPath.empty());
    ASSERT_NE(file, shortPath);
    ASSERT_TRUE(testsupport::WriteFile(wininit_, "[Rename]\r\n"
                                                 "NUL=C:\\WINDOWS\\OLDFILE.DLL\r\n"
                                                 "C:\\WINDOWS\\SYSTEM\\NEW.DLL=C:\\WINDOWS\\SYSTEM\\NEW.TMP\r\n"
                                                 "NUL=C:\\PROGRA~1\\OLD\\OLD.EXE\r\n"
                                                 "[Other]\r\nkept=yes\r\n"));

    EXPECT_EQ("1", Probe("win98", "deletefile " + testsupport::Quote(file))["result"]);

    const std::string text = Wininit();
    EXPECT_EQ(Strings({"NUL=C:\\WINDOWS\\OLDFILE.DLL", "C:\\WINDOWS\\SYSTEM\\NEW.DLL=C:\\WINDOWS\\SYSTEM\\NEW.TMP",
                       "NUL=C:\\PROGRA~1\\OLD\\OLD.EXE", "NUL=" + shortPath}),
              SectionLines(text, "Rename"))
        << text;
    EXPECT_EQ(Strings({"kept=yes"}), SectionLines(text, "Other"));
    // The file itself stays until the next start, and the NT family's list is untouched.
    EXPECT_TRUE(testsupport::FileExists(file));
    EXPECT_EQ(Strings(), PendingOperations());
}

TEST_F(RestartDeletion95, MissingWininitIsCreatedWithTheEntry)
{
    const std::string file = MakeLongNamedFile();
    DeleteFileA(wininit_.c_str());
    ASSERT_FALSE(testsupport::FileExists(wininit_));

    EXPECT_EQ("1", Probe("win95", "deletefile " + testsupport::Quote(file))["result"]);

    EXPECT_EQ(Strings({"NUL=" + ShortPath(file)}), SectionLines(Wininit(), "Rename")) << Wininit();
}

TEST_F(RestartDeletion95, RenameSectionLargerThanTheFirstImageKeepsEveryEntry)
{
    // About 3000 bytes of entries: more than the first 1024-byte image, and more than
    // twice that.
    const std::string file = MakeLongNamedFile();
    std::string section = "[Rename]\r\n";
    Strings expected;
    for (int i = 0; i < 80; ++i) {
        char entry[64];
        std::snprintf(entry, sizeof entry, "NUL=C:\\PROGRA~1\\VENDOR\\MODULES\\FILE%04d.DLL", i);
        section += std::string(entry) + "\r\n";
        expected.push_back(entry);
    }
    ASSERT_GT(section.size(), 3000u);
    ASSERT_TRUE(testsupport::WriteFile(wininit_, section));
    expected.push_back("NUL=" + ShortPath(file));

    EXPECT_EQ("1", Probe("win98", "deletefile " + testsupport::Quote(file))["result"]);

    EXPECT_EQ(expected, SectionLines(Wininit(), "Rename"));
}

TEST_F(RestartDeletion95, FolderIsNeverScheduled)
{
    const std::string sub = folder_ + "\\Remaining Folder";
    ASSERT_TRUE(CreateDirectoryA(sub.c_str(), nullptr));
    ASSERT_TRUE(testsupport::WriteFile(wininit_, "[Rename]\r\nNUL=C:\\OLD.TXT\r\n"));
    const std::string before = Wininit();

    for (const char* version : {"win95", "win98", "winme"})
        EXPECT_EQ("0", Probe(version, "deletefolder " + testsupport::Quote(sub))["result"]) << version;

    EXPECT_TRUE(testsupport::FileExists(sub));
    EXPECT_EQ(before, Wininit());
    EXPECT_EQ(Strings(), PendingOperations());
}

TEST_F(RestartDeletion95, FileInUseDuringACommitGoesToWininitAndTheFolderStays)
{
    const std::string file = MakeLongNamedFile();
    const std::string folder = file.substr(0, file.find_last_of('\\'));
    ASSERT_TRUE(testsupport::WriteFile(wininit_, "[Rename]\r\nNUL=C:\\OLD.TXT\r\n"));

    auto result = Probe("win98", "commitdelete " + testsupport::Quote(file));
    EXPECT_EQ("1", result["queued"]);
    EXPECT_EQ("1", result["commit"]);
    EXPECT_EQ("1", result["reboot"]);

    EXPECT_EQ(Strings({"NUL=C:\\OLD.TXT", "NUL=" + ShortPath(file)}), SectionLines(Wininit(), "Rename"));
    EXPECT_TRUE(testsupport::FileExists(file));
    EXPECT_TRUE(testsupport::FileExists(folder));
    EXPECT_EQ(Strings(), PendingOperations());
}

TEST_F(RestartDeletion95, CopyOntoAFileInUseIsStagedAndEnteredInWininit)
{
    const std::string file = MakeLongNamedFile();
    ASSERT_TRUE(testsupport::WriteFile(folder_ + "\\Long Library Name.dll", "new"));
    DeleteFileA(wininit_.c_str());

    auto result = Probe("win98", "commitcopy " + testsupport::Quote(file) + " " + testsupport::Quote(folder_));
    EXPECT_EQ("1", result["commit"]);
    EXPECT_EQ("1", result["reboot"]);
    // "<short target>=<short staged file>".
    const Strings lines = SectionLines(Wininit(), "Rename");
    ASSERT_EQ(1u, lines.size()) << Wininit();
    const std::string staged = lines[0].substr(lines[0].find('=') + 1);
    EXPECT_EQ(ShortPath(file) + "=" + ShortPath(staged), lines[0]);
    std::string bytes;
    EXPECT_TRUE(testsupport::ReadFile(staged, &bytes) && bytes == "new") << staged;
}

// A deletion that cannot be entered (a section over 64 KiB) asks for no restart.
TEST_F(RestartDeletion95, DeletionThatCannotBeEnteredAsksForNoRestart)
{
    const std::string file = MakeLongNamedFile();
    std::string section = "[Rename]\r\n";
    while (section.size() <= 66 * 1024) section += "NUL=C:\\PROGRA~1\\VENDOR\\MODULES\\FILE0000.DLL\r\n";
    ASSERT_TRUE(testsupport::WriteFile(wininit_, section));

    auto result = Probe("win98", "commitdelete " + testsupport::Quote(file));
    EXPECT_EQ("1", result["commit"]);
    EXPECT_EQ("0", result["reboot"]);
}

TEST_F(RestartDeletion95, NT4UsesTheNTFamilyListNotWininit)
{
    const std::string file = MakeLongNamedFile();
    const std::string folder = file.substr(0, file.find_last_of('\\'));
    ASSERT_TRUE(testsupport::WriteFile(wininit_, "[Rename]\r\nNUL=C:\\OLD.TXT\r\n"));
    const std::string before = Wininit();

    EXPECT_EQ("1", Probe("nt40", "deletefile " + testsupport::Quote(file))["result"]);
    EXPECT_EQ("1", Probe("nt40", "deletefolder " + testsupport::Quote(folder))["result"]);

    EXPECT_EQ(before, Wininit());
    EXPECT_EQ(Strings({file, folder}), PendingOperations());
}

} // namespace
