// Shortcuts against the real shell link object, registry and shell: folder codes
// resolved through the Explorer's "Shell Folders" values, links made from MakeIcons
// lines and read back through IShellLinkA, links and their emptied folders deleted from
// DelIcons lines, and the folder opened after a link is made.
//
// Every test points the eight "Shell Folders" values that the folder codes read (under
// HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER) at scratch folders of its own, so no link is
// written to the real menus, and restores them exactly (name, type and bytes) when it
// ends. Because those values are machine- and user-wide, the tests hold the ctest
// resource lock "ShellFolders".

#include "../../engine/shortcuts.h"
#include "../../setupapi/inf.h"
#include "../support/testsupport.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

const char kShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// The values the folder codes read, in the order of the codes CDSK CPRG CSTM CSTU under
// the local machine and UDSK UPRG USTM USTU under the current user.
const char* const kMachineValues[] = {"Common Desktop", "Common Programs", "Common Start Menu", "Common Startup"};
const char* const kUserValues[] = {"Desktop", "Programs", "Start Menu", "Startup"};

// A value as it was before the test: its stored name (letter case included), type and
// bytes, or its absence.
struct SavedValue {
    HKEY root;
    std::wstring name;
    bool present;
    DWORD type;
    std::vector<BYTE> data;
};

std::wstring Wide(const char* text)
{
    WCHAR wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, text, -1, wide, MAX_PATH);
    return wide;
}

// A path buffer of MAX_PATH bytes followed by bytes that no call may touch.
struct GuardedPath {
    char text[MAX_PATH];
    char guard[64];

    GuardedPath()
    {
        std::memset(text, 'x', sizeof text);
        std::memset(guard, 'G', sizeof guard);
    }
    bool GuardIntact() const
    {
        for (char c : guard) {
            if (c != 'G') return false;
        }
        return true;
    }
};

// What a link file holds, read back through the shell link object.
struct LinkContents {
    bool loaded = false;
    std::string path, arguments, directory, iconFile;
    int iconIndex = -1;
};

LinkContents ReadLink(const std::string& file)
{
    LinkContents contents;
    CoInitialize(nullptr);
    IShellLinkA* link = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   reinterpret_cast<void**>(&link)))) {
        IPersistFile* persist = nullptr;
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist)))) {
            if (SUCCEEDED(persist->Load(Wide(file.c_str()).c_str(), STGM_READ))) {
                char text[MAX_PATH] = "";
                WIN32_FIND_DATAA found;
                contents.loaded = true;
                if (SUCCEEDED(link->GetPath(text, sizeof text, &found, SLGP_RAWPATH))) contents.path = text;
                text[0] = '\0';
                if (SUCCEEDED(link->GetArguments(text, sizeof text))) contents.arguments = text;
                text[0] = '\0';
                if (SUCCEEDED(link->GetWorkingDirectory(text, sizeof text))) contents.directory = text;
                text[0] = '\0';
                if (SUCCEEDED(link->GetIconLocation(text, sizeof text, &contents.iconIndex)))
                    contents.iconFile = text;
            }
            persist->Release();
        }
        link->Release();
    }
    CoUninitialize();
    return contents;
}

bool IsFolder(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Every file below `folder`, as paths relative to it.
void ListFiles(const std::string& folder, const std::string& prefix, std::vector<std::string>* files)
{
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        const std::string name = entry.cFileName;
        if (name == "." || name == "..") continue;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            ListFiles(folder + "\\" + name, prefix + name + "\\", files);
        else
            files->push_back(prefix + name);
    } while (FindNextFileA(find, &entry));
    FindClose(find);
}

std::vector<std::string> FilesBelow(const std::string& folder)
{
    std::vector<std::string> files;
    ListFiles(folder, "", &files);
    return files;
}

// A folder window of the shell, found by its title.
struct FolderWindowSearch {
    const char* title;
    HWND window;
};

BOOL CALLBACK FindFolderWindow(HWND window, LPARAM parameter)
{
    FolderWindowSearch* search = reinterpret_cast<FolderWindowSearch*>(parameter);
    char title[MAX_PATH] = "";
    GetWindowTextA(window, title, sizeof title);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != GetCurrentProcessId() && lstrcmpiA(title, search->title) == 0) {
        search->window = window;
        return FALSE;
    }
    return TRUE;
}

class Shortcuts : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder_ = testsupport::MakeScratchFolder(TestName().c_str());
        ASSERT_FALSE(folder_.empty());
        common_ = folder_ + "\\common";
        user_ = folder_ + "\\user";
        ASSERT_TRUE(CreateDirectoryA(common_.c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryA(user_.c_str(), nullptr));

        ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, kShellFolders, 0,
                                               KEY_QUERY_VALUE | KEY_SET_VALUE, &machine_));
        ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, kShellFolders, 0,
                                               KEY_QUERY_VALUE | KEY_SET_VALUE, &user_key_));
        for (const char* name : kMachineValues) Save(machine_, name);
        for (const char* name : kUserValues) Save(user_key_, name);

        // Each code's folder its own scratch path; the programs menus are real folders.
        const char* const machineFolders[] = {"\\common-desktop", "\\common", "\\common-start", "\\common-startup"};
        const char* const userFolders[] = {"\\user-desktop", "\\user", "\\user-start", "\\user-startup"};
        for (int i = 0; i < 4; ++i) {
            ASSERT_TRUE(SetFolderValue(machine_, kMachineValues[i], REG_SZ, folder_ + machineFolders[i]));
            ASSERT_TRUE(SetFolderValue(user_key_, kUserValues[i], REG_SZ, folder_ + userFolders[i]));
        }
    }

    void TearDown() override
    {
        CloseFolderWindows();
        for (const SavedValue& value : savedValues_) Restore(value);
        if (machine_) RegCloseKey(machine_);
        if (user_key_) RegCloseKey(user_key_);
        if (inf_ != INVALID_HANDLE_VALUE) SetupCloseInfFile(inf_);
        testsupport::RemoveTree(folder_);
    }

    static std::string TestName()
    {
        return ::testing::UnitTest::GetInstance()->current_test_info()->name();
    }

    // Remembers a value under the name it is stored with.
    void Save(HKEY root, const char* name)
    {
        SavedValue value = {root, Wide(name), false, 0, {}};
        for (DWORD index = 0;; ++index) {
            WCHAR stored[256];
            DWORD length = 256;
            if (RegEnumValueW(root, index, stored, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                break;
            if (lstrcmpiW(stored, value.name.c_str()) == 0) {
                value.name = stored;
                break;
            }
        }
        DWORD size = 0;
        if (RegQueryValueExW(root, value.name.c_str(), nullptr, &value.type, nullptr, &size) == ERROR_SUCCESS) {
            value.data.resize(size);
            value.present = RegQueryValueExW(root, value.name.c_str(), nullptr, &value.type,
                                             value.data.empty() ? nullptr : value.data.data(), &size) == ERROR_SUCCESS;
            value.data.resize(size);
        }
        savedValues_.push_back(value);
    }

    static void Restore(const SavedValue& value)
    {
        RegDeleteValueW(value.root, value.name.c_str());
        if (value.present)
            RegSetValueExW(value.root, value.name.c_str(), 0, value.type,
                           value.data.empty() ? nullptr : value.data.data(), static_cast<DWORD>(value.data.size()));
    }

    static bool SetFolderValue(HKEY key, const char* name, DWORD type, const std::string& text)
    {
        return RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                              static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
    }

    // Writes the script body under a [Version] section and opens it.
    HINF Open(const std::string& body)
    {
        const std::string path = folder_ + "\\setup.inf";
        EXPECT_TRUE(testsupport::WriteFile(path, "[Version]\r\nSignature=\"$Chicago$\"\r\n" + body));
        UINT errorLine = 0;
        inf_ = InfOpen(path.c_str(), &errorLine);
        EXPECT_NE(INVALID_HANDLE_VALUE, inf_) << "error line " << errorLine;
        return inf_;
    }

    std::string Resolve(const char* code, int* result)
    {
        GuardedPath path;
        *result = ResolveShellFolder(code, path.text);
        EXPECT_TRUE(path.GuardIntact()) << code;
        return *result ? std::string(path.text) : std::string();
    }

    // Waits (bounded) for the shell's window on the folder titled `title`, then closes
    // it and sees its process end.
    HWND WaitForFolderWindow(const char* title)
    {
        const DWORD start = GetTickCount();
        for (;;) {
            FolderWindowSearch search = {title, nullptr};
            EnumWindows(FindFolderWindow, reinterpret_cast<LPARAM>(&search));
            if (search.window) {
                folderWindows_.push_back(search.window);
                return search.window;
            }
            if (GetTickCount() - start > 30000) return nullptr;
            Sleep(100);
        }
    }

    void CloseFolderWindows()
    {
        for (HWND window : folderWindows_) {
            DWORD id = 0;
            GetWindowThreadProcessId(window, &id);
            HANDLE process = id ? OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, id) : nullptr;
            PostMessageA(window, WM_CLOSE, 0, 0);
            if (process) {
                // The shell's window process inherited the test's output handles; it must
                // not outlive the test.
                if (WaitForSingleObject(process, 10000) != WAIT_OBJECT_0) {
                    TerminateProcess(process, 1);
                    WaitForSingleObject(process, 5000);
                }
                CloseHandle(process);
            }
        }
        folderWindows_.clear();
    }

    std::string folder_, common_, user_;
    HKEY machine_ = nullptr, user_key_ = nullptr;
    std::vector<SavedValue> savedValues_;
    std::vector<HWND> folderWindows_;
    HINF inf_ = INVALID_HANDLE_VALUE;
};

// ---------------------------------------------------------------------------------------
// Folder codes

TEST_F(Shortcuts, EachFolderCodeReadsItsOwnValueInAnyCase)
{
    const struct {
        const char* code;
        const char* folder;
    } cases[] = {
        {"CDSK", "\\common-desktop"}, {"CPRG", "\\common"}, {"CSTM", "\\common-start"},
        {"CSTU", "\\common-startup"}, {"UDSK", "\\user-desktop"}, {"UPRG", "\\user"},
        {"USTM", "\\user-start"},     {"USTU", "\\user-startup"}, {"cprg", "\\common"},
        {"uStU", "\\user-startup"},   {"Cdsk", "\\common-desktop"},
    };
    for (const auto& c : cases) {
        int result = -1;
        EXPECT_EQ(folder_ + c.folder, Resolve(c.code, &result)) << c.code;
        EXPECT_EQ(1, result) << c.code;
    }
    for (const char* unknown : {"XPRG", "", "CPR", "CPRGX", "PRG", "Programs"}) {
        int result = -1;
        Resolve(unknown, &result);
        EXPECT_EQ(0, result) << unknown;
    }
}

TEST_F(Shortcuts, AllUsersCodesFallBackToTheCurrentUsersValues)
{
    for (const char* name : kMachineValues) ASSERT_EQ(ERROR_SUCCESS, RegDeleteValueA(machine_, name));
    const struct {
        const char* code;
        const char* folder;
    } cases[] = {
        {"CDSK", "\\user-desktop"}, {"CPRG", "\\user"}, {"CSTM", "\\user-start"}, {"CSTU", "\\user-startup"},
    };
    for (const auto& c : cases) {
        int result = -1;
        EXPECT_EQ(folder_ + c.folder, Resolve(c.code, &result)) << c.code;
        EXPECT_EQ(1, result) << c.code;
    }

    // The current user's codes have no fallback.
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteValueA(user_key_, "Programs"));
    int result = -1;
    Resolve("UPRG", &result);
    EXPECT_EQ(0, result);
    Resolve("CPRG", &result);
    EXPECT_EQ(0, result);
}

TEST_F(Shortcuts, ValueTypesAndLengths)
{
    // REG_EXPAND_SZ is expanded with this process's environment.
    const std::string variable = "SHORTCUTS_TEST_" + std::to_string(GetCurrentProcessId());
    ASSERT_TRUE(SetEnvironmentVariableA(variable.c_str(), folder_.c_str()));
    ASSERT_TRUE(SetFolderValue(user_key_, "Programs", REG_EXPAND_SZ, "%" + variable + "%\\expanded"));
    int result = -1;
    EXPECT_EQ(folder_ + "\\expanded", Resolve("UPRG", &result));
    EXPECT_EQ(1, result);

    // An expansion longer than a path is no folder, and the buffer is not overrun.
    ASSERT_TRUE(SetEnvironmentVariableA(variable.c_str(), std::string(240, 'e').c_str()));
    ASSERT_TRUE(SetFolderValue(user_key_, "Programs", REG_EXPAND_SZ, "C:\\%" + variable + "%\\%" + variable + "%"));
    Resolve("UPRG", &result);
    EXPECT_EQ(0, result);
    SetEnvironmentVariableA(variable.c_str(), nullptr);

    // Any other type is no folder.
    const DWORD number = 7;
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(user_key_, "Desktop", 0, REG_DWORD,
                                            reinterpret_cast<const BYTE*>(&number), sizeof number));
    Resolve("UDSK", &result);
    EXPECT_EQ(0, result);

    // 255 characters and the zero fit the 256 bytes read; one more does not.
    const std::string longest = "C:\\" + std::string(252, 'L');
    ASSERT_TRUE(SetFolderValue(user_key_, "Start Menu", REG_SZ, longest));
    EXPECT_EQ(longest, Resolve("USTM", &result));
    EXPECT_EQ(1, result);
    ASSERT_TRUE(SetFolderValue(user_key_, "Start Menu", REG_SZ, longest + "L"));
    Resolve("USTM", &result);
    EXPECT_EQ(0, result);

    // A value that fills the 256 bytes without its zero is those 256 characters, and not
    // a byte more of what lies behind the buffer (Resolve checks the guard). Windows hands
    // the 256 bytes over; Wine wants room for a zero of its own and hands nothing, so there
    // the value is no folder.
    const std::string unterminated = "C:\\" + std::string(253, 'U');
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(user_key_, "Startup", 0, REG_SZ,
                                            reinterpret_cast<const BYTE*>(unterminated.data()), 256));
    const std::string startup = Resolve("USTU", &result);
    if (result) {
        EXPECT_EQ(unterminated, startup);
    }
}

// ---------------------------------------------------------------------------------------
// Making links

TEST_F(Shortcuts, ACprgLineMakesTheLinkInTheAllUsersProgramsMenu)
{
    ASSERT_NE(INVALID_HANDLE_VALUE,
              Open("[Install]\r\n"
                   "MakeIcons=Tools.Icons\r\n"
                   "[Tools.Icons]\r\n"
                   "Monitor=CPRG,Tools\\Monitor,C:\\App\\mon.exe,\"-watch -q\",C:\\App\\mon.ico,3\r\n"));
    ASSERT_FALSE(IsFolder(common_ + "\\Tools"));

    EXPECT_EQ(1, UpdateSectionShortcuts(inf_, "Install"));

    const std::string file = common_ + "\\Tools\\Monitor.lnk";
    const LinkContents link = ReadLink(file);
    ASSERT_TRUE(link.loaded) << file;
    EXPECT_STREQ("C:\\App\\mon.exe", link.path.c_str());
    EXPECT_STREQ("C:\\App", link.directory.c_str());
    EXPECT_STREQ("-watch -q", link.arguments.c_str());
    EXPECT_STREQ("C:\\App\\mon.ico", link.iconFile.c_str());
    EXPECT_EQ(3, link.iconIndex);
    EXPECT_EQ(std::vector<std::string>{"Tools\\Monitor.lnk"}, FilesBelow(common_));
    EXPECT_TRUE(FilesBelow(user_).empty());
}

TEST_F(Shortcuts, WithoutTheAllUsersValueTheLinkGoesToTheUsersProgramsMenu)
{
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteValueA(machine_, "Common Programs"));
    ASSERT_NE(INVALID_HANDLE_VALUE,
              Open("[Install]\r\n"
                   "MakeIcons=Tools.Icons\r\n"
                   "[Tools.Icons]\r\n"
                   "Monitor=CPRG,Tools\\Monitor,C:\\App\\mon.exe\r\n"));

    EXPECT_EQ(1, UpdateSectionShortcuts(inf_, "Install"));

    const LinkContents link = ReadLink(user_ + "\\Tools\\Monitor.lnk");
    ASSERT_TRUE(link.loaded);
    EXPECT_STREQ("C:\\App\\mon.exe", link.path.c_str());
    EXPECT_STREQ("C:\\App", link.directory.c_str());
    EXPECT_STREQ("", link.arguments.c_str());
    EXPECT_EQ(0, link.iconIndex);
    EXPECT_TRUE(FilesBelow(common_).empty());
}

TEST_F(Shortcuts, ExpandedValuesLeadToTheirFolder)
{
    const std::string variable = "SHORTCUTS_TEST_" + std::to_string(GetCurrentProcessId());
    ASSERT_TRUE(SetEnvironmentVariableA(variable.c_str(), folder_.c_str()));
    ASSERT_TRUE(SetFolderValue(machine_, "Common Desktop", REG_EXPAND_SZ, "%" + variable + "%\\common"));
    ASSERT_NE(INVALID_HANDLE_VALUE,
              Open("[Install]\r\n"
                   "MakeIcons=Desk.Icons\r\n"
                   "[Desk.Icons]\r\n"
                   "Desk=cdsk,Monitor,C:\\App\\mon.exe\r\n"));

    EXPECT_EQ(1, UpdateSectionShortcuts(inf_, "Install"));
    SetEnvironmentVariableA(variable.c_str(), nullptr);
    EXPECT_EQ(std::vector<std::string>{"Monitor.lnk"}, FilesBelow(common_));
}

TEST_F(Shortcuts, UnknownCodesAndIncompleteLinesAreSkippedSilently)
{
    ASSERT_NE(INVALID_HANDLE_VALUE,
              Open("[Install]\r\n"
                   "MakeIcons=Missing.Icons,Empty.Icons,Tools.Icons\r\n"
                   "[Empty.Icons]\r\n"
                   "[Tools.Icons]\r\n"
                   "Unknown=XPRG,Unknown,C:\\App\\mon.exe\r\n"
                   "NoTarget=CPRG,NoTarget\r\n"
                   "NoName=CPRG\r\n"
                   "Lower=cprg,Lower\\Monitor,C:\\App\\mon.exe\r\n"
                   "[Nothing]\r\n"
                   "Other=1\r\n"));

    EXPECT_EQ(1, UpdateSectionShortcuts(inf_, "Install"));
    EXPECT_EQ(std::vector<std::string>{"Lower\\Monitor.lnk"}, FilesBelow(common_));
    EXPECT_TRUE(FilesBelow(user_).empty());
    EXPECT_EQ(1, UpdateSectionShortcuts(inf_, "Nothing"));
    EXPECT_EQ(1, UpdateSectionShortcuts(inf_, "NoSuchSection"));

    // Called directly: 1 when the link was saved, else 0.
    EXPECT_EQ(0, CreateShortcut("XPRG", "Direct", "C:\\App\\mon.exe", "", "", 0, 0));
    EXPECT_EQ(1, CreateShortcut("UPRG", "Direct", "C:\\App\\mon.exe", "", "", 0, 0));
    EXPECT_EQ(std::vector<std::string>{"Direct.lnk"}, FilesBelow(user_));
}

TEST_F(Shortcuts, TheWorkingDirectoryIsTheTargetsFolder)
{
    EXPECT_EQ(1, CreateShortcut("UPRG", "Deep", "C:\\App\\bin\\x86\\mon.exe", "", "", 0, 0));
    EXPECT_STREQ("C:\\App\\bin\\x86", ReadLink(user_ + "\\Deep.lnk").directory.c_str());
    // A target without a backslash is its own working directory.
    EXPECT_EQ(1, CreateShortcut("UPRG", "Bare", "mon.exe", "", "", 0, 0));
    EXPECT_STREQ("mon.exe", ReadLink(user_ + "\\Bare.lnk").directory.c_str());
}

// ---------------------------------------------------------------------------------------
// Deleting links

TEST_F(Shortcuts, DeletingRemovesTheLinkAndItsEmptiedFoldersButNeverTheShellFolder)
{
    ASSERT_NE(INVALID_HANDLE_VALUE,
              Open("[Install]\r\n"
                   "MakeIcons=Tools.Icons\r\n"
                   "[Remove]\r\n"
                   "DelIcons=First.Delete\r\n"
                   "[Remove.Rest]\r\n"
                   "DelIcons=Rest.Delete\r\n"
                   "[Tools.Icons]\r\n"
                   "Monitor=CPRG,Tools\\Monitor,C:\\App\\mon.exe\r\n"
                   "Viewer=CPRG,Tools\\Viewer,C:\\App\\view.exe\r\n"
                   "Nested=CPRG,Deep\\Er\\Link,C:\\App\\mon.exe\r\n"
                   "Top=CPRG,Top,C:\\App\\mon.exe\r\n"
                   "[First.Delete]\r\n"
                   "Monitor=CPRG,Tools\\Monitor\r\n"
                   "[Rest.Delete]\r\n"
                   "Viewer=cprg,Tools\\Viewer\r\n"
                   "Nested=CPRG,Deep\\Er\\Link\r\n"
                   "Top=CPRG,Top\r\n"
                   "Unknown=XPRG,Top\r\n"
                   "NoName=CPRG\r\n"
                   "Absent=CPRG,Tools\\Absent\r\n"));
    ASSERT_EQ(1, UpdateSectionShortcuts(inf_, "Install"));
    ASSERT_EQ(4u, FilesBelow(common_).size());

    // Another link still in Tools: only the link goes.
    EXPECT_EQ(1, UpdateSectionShortcuts(inf_, "Remove"));
    EXPECT_FALSE(testsupport::FileExists(common_ + "\\Tools\\Monitor.lnk"));
    EXPECT_TRUE(IsFolder(common_ + "\\Tools"));
    EXPECT_TRUE(testsupport::FileExists(common_ + "\\Tools\\Viewer.lnk"));

    // The last links: their folders go from the innermost outward; the shell folder,
    // empty now, stays.
    EXPECT_EQ(1, UpdateSectionShortcuts(inf_, "Remove.Rest"));
    EXPECT_FALSE(IsFolder(common_ + "\\Tools"));
    EXPECT_FALSE(IsFolder(common_ + "\\Deep"));
    EXPECT_TRUE(FilesBelow(common_).empty());
    EXPECT_TRUE(IsFolder(common_));
}

TEST_F(Shortcuts, AFolderThatHoldsOtherFilesStays)
{
    EXPECT_EQ(1, CreateShortcut("UPRG", "Tools\\Sub\\Monitor", "C:\\App\\mon.exe", "", "", 0, 0));
    ASSERT_TRUE(testsupport::WriteFile(user_ + "\\Tools\\readme.txt", "kept"));

    EXPECT_EQ(1, DeleteShortcut("UPRG", "Tools\\Sub\\Monitor"));
    EXPECT_FALSE(IsFolder(user_ + "\\Tools\\Sub"));
    EXPECT_EQ(std::vector<std::string>{"Tools\\readme.txt"}, FilesBelow(user_));

    // A code that cannot be resolved: nothing happens, still 1.
    EXPECT_EQ(1, DeleteShortcut("XPRG", "Tools\\readme"));
    EXPECT_EQ(1, DeleteShortcut("UPRG", "Tools\\Nothing"));
    EXPECT_EQ(std::vector<std::string>{"Tools\\readme.txt"}, FilesBelow(user_));
}

TEST_F(Shortcuts, MakeIconsAreProcessedBeforeDelIcons)
{
    // The DelIcons key comes first in the section; the link it names is made by the
    // MakeIcons key and must be gone afterwards.
    ASSERT_NE(INVALID_HANDLE_VALUE,
              Open("[Install]\r\n"
                   "DelIcons=Old.Icons\r\n"
                   "MakeIcons=New.Icons\r\n"
                   "[New.Icons]\r\n"
                   "Old=CPRG,Tools\\Old,C:\\App\\old.exe\r\n"
                   "New=CPRG,Tools\\New,C:\\App\\new.exe\r\n"
                   "[Old.Icons]\r\n"
                   "Old=CPRG,Tools\\Old\r\n"));

    EXPECT_EQ(1, UpdateSectionShortcuts(inf_, "Install"));
    EXPECT_EQ(std::vector<std::string>{"Tools\\New.lnk"}, FilesBelow(common_));
}

// ---------------------------------------------------------------------------------------
// Opening the folder

TEST_F(Shortcuts, TheOpenFolderFlagOpensTheLinksFolder)
{
    // Wine's shell opens a folder in a window of a new explorer.exe process, titled with
    // the folder's name; a name unique to this run tells it apart.
    const std::string sub = "Opened" + std::to_string(GetCurrentProcessId());
    ASSERT_NE(INVALID_HANDLE_VALUE,
              Open("[Install]\r\n"
                   "MakeIcons=Tools.Icons\r\n"
                   "[Tools.Icons]\r\n"
                   "Monitor=CPRG," + sub + "\\Monitor,C:\\App\\mon.exe,,,0,1\r\n"));

    EXPECT_EQ(1, UpdateSectionShortcuts(inf_, "Install"));
    EXPECT_TRUE(testsupport::FileExists(common_ + "\\" + sub + "\\Monitor.lnk"));
    ASSERT_NE(nullptr, WaitForFolderWindow(sub.c_str())) << "no window opened on " << sub;
}

TEST_F(Shortcuts, TheOpenedFolderWindowDoesNotTakeTheFocus)
{
    const std::string sub = "Unfocused" + std::to_string(GetCurrentProcessId());
    EXPECT_EQ(1, CreateShortcut("UPRG", (sub + "\\Monitor").c_str(), "C:\\App\\mon.exe", "", "", 0, 1));
    const HWND window = WaitForFolderWindow(sub.c_str());
    ASSERT_NE(nullptr, window) << "no window opened on " << sub;
    if (window == GetForegroundWindow() && testsupport::RunningOnWine()) {
        // Observed on Wine 8: explorer.exe shows and activates its folder window whatever
        // show command it was started with (SW_SHOWMINNOACTIVE gives a normal, active
        // window too), so the program's SW_SHOWNA cannot be seen here.
        GTEST_SKIP() << "Wine's explorer.exe ignores the show command and activates its window";
    }
    EXPECT_NE(window, GetForegroundWindow());
}

} // namespace
