// Destination directories against the real Setup API and registry: the proposed target
// folder from DestinationDirs' DefaultDestDir (id 24 taken as the program files folder),
// the program files folder read from the registry in its several value types, and the
// path of the copy of setup.exe that a section's CopyFiles make.
//
// The tests of fixture ProgramFilesFolder change the machine's ProgramFilesDir value;
// they restore it exactly (type and bytes) and hold the ctest resource lock
// "ProgramFilesDir", like every test that reads that value.

#include "../../catalogue/destdirs.h"
#include "../../setupapi/inf.h"
#include "../support/testsupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

const char kCurrentVersion[] = "Software\\Microsoft\\Windows\\CurrentVersion";

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

std::string SystemFolder()
{
    char path[MAX_PATH];
    UINT length = GetSystemDirectoryA(path, sizeof path);
    return std::string(path, length);
}

// The root of the drive that holds Windows, "C:\" for example.
std::string WindowsDriveRoot()
{
    char path[MAX_PATH];
    GetWindowsDirectoryA(path, sizeof path);
    return std::string(path, 3);
}

using testsupport::Lower;

// A setup script in a scratch folder, opened through the program's own adapter.
class ScriptFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder_ = testsupport::MakeScratchFolder(TestName().c_str());
        ASSERT_FALSE(folder_.empty());
    }
    void TearDown() override
    {
        if (inf_ != INVALID_HANDLE_VALUE) SetupCloseInfFile(inf_);
        inf_ = INVALID_HANDLE_VALUE;
        testsupport::RemoveTree(folder_);
    }

    static std::string TestName()
    {
        return ::testing::UnitTest::GetInstance()->current_test_info()->name();
    }

    // Writes the script body under a [Version] section and opens it; a second call
    // replaces the first script.
    HINF Open(const std::string& body)
    {
        if (inf_ != INVALID_HANDLE_VALUE) SetupCloseInfFile(inf_);
        const std::string path = folder_ + "\\setup.inf";
        EXPECT_TRUE(testsupport::WriteFile(path, "[Version]\r\nSignature=\"$Chicago$\"\r\n" + body));
        UINT errorLine = 0;
        inf_ = InfOpen(path.c_str(), &errorLine);
        EXPECT_NE(INVALID_HANDLE_VALUE, inf_) << "error line " << errorLine;
        return inf_;
    }

    // A folder name for directory id 32768 that is unique to this test; it need not
    // exist, the Setup API only composes paths.
    std::string UserFolder(const char* tail) const
    {
        return "C:\\" + TestName() + std::to_string(GetCurrentProcessId()) + tail;
    }

    std::string folder_;
    HINF inf_ = INVALID_HANDLE_VALUE;
};

// ---------------------------------------------------------------------------------------
// Program files folder: these tests own the machine's ProgramFilesDir value while they
// run.

class ProgramFilesFolder : public ScriptFixture {
protected:
    void SetUp() override
    {
        ScriptFixture::SetUp();
        ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, kCurrentVersion, 0,
                                               KEY_QUERY_VALUE | KEY_SET_VALUE, &key_));
        // The wide form keeps the stored bytes exactly as they are.
        savedSize_ = sizeof savedData_;
        const LONG result = RegQueryValueExW(key_, L"ProgramFilesDir", nullptr, &savedType_, savedData_, &savedSize_);
        ASSERT_TRUE(result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND) << result;
        hadValue_ = result == ERROR_SUCCESS;
        saved_ = true;
    }

    void TearDown() override
    {
        if (saved_) {
            const LONG result = hadValue_ ? RegSetValueExW(key_, L"ProgramFilesDir", 0, savedType_, savedData_, savedSize_)
                                          : RegDeleteValueW(key_, L"ProgramFilesDir");
            EXPECT_EQ(ERROR_SUCCESS, result) << "ProgramFilesDir could not be restored";
        }
        if (key_) RegCloseKey(key_);
        ScriptFixture::TearDown();
    }

    void SetValue(DWORD type, const void* data, DWORD size)
    {
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key_, "ProgramFilesDir", 0, type, static_cast<const BYTE*>(data), size));
    }
    void SetText(DWORD type, const std::string& text)
    {
        SetValue(type, text.c_str(), static_cast<DWORD>(text.size() + 1));
    }
    void DeleteValue() { ASSERT_EQ(ERROR_SUCCESS, RegDeleteValueA(key_, "ProgramFilesDir")); }

    HKEY key_ = nullptr;
    bool saved_ = false;
    bool hadValue_ = false;
    DWORD savedType_ = 0;
    DWORD savedSize_ = 0;
    BYTE savedData_[2048] = {};
};

const char kVendorTool[] =
    "[DestinationDirs]\r\n"
    "Other.Files = 10,Other\r\n"
    "DefaultDestDir = 24,\\Vendor\\Tool\r\n";

TEST_F(ProgramFilesFolder, ReadsTextValues)
{
    GuardedPath path;
    SetText(REG_SZ, "C:\\Program Files");
    EXPECT_EQ(1, GetProgramFilesDir(path.text));
    EXPECT_STREQ("C:\\Program Files", path.text);

    // Stored without its terminating zero: still read as the same text.
    const char bare[] = "D:\\Apps";
    SetValue(REG_SZ, bare, sizeof bare - 1);
    std::memset(path.text, 'x', sizeof path.text);
    EXPECT_EQ(1, GetProgramFilesDir(path.text));
    EXPECT_STREQ("D:\\Apps", path.text);

    // The longest path that fits: 259 characters and the zero.
    const std::string longest = "C:\\" + std::string(256, 'p');
    SetText(REG_SZ, longest);
    EXPECT_EQ(1, GetProgramFilesDir(path.text));
    EXPECT_EQ(longest, path.text);
    EXPECT_TRUE(path.GuardIntact());

    // Longer than 260 bytes: cannot be read.
    SetText(REG_SZ, "C:\\" + std::string(297, 'p'));
    EXPECT_EQ(0, GetProgramFilesDir(path.text));
    EXPECT_TRUE(path.GuardIntact());
}

TEST_F(ProgramFilesFolder, ExpandsEnvironmentReferences)
{
    char drive[MAX_PATH] = "";
    ASSERT_NE(0u, GetEnvironmentVariableA("SystemDrive", drive, sizeof drive));
    const std::string tail = "\\Programme " + std::to_string(GetCurrentProcessId());

    GuardedPath path;
    SetText(REG_EXPAND_SZ, "%SystemDrive%" + tail);
    EXPECT_EQ(1, GetProgramFilesDir(path.text));
    EXPECT_EQ(std::string(drive) + tail, path.text);

    // Short enough stored, too long once expanded: refused, nothing written past the
    // buffer. The variable is this process's own.
    ASSERT_TRUE(SetEnvironmentVariableA("DestDirsLongFolder", ("C:\\" + std::string(200, 'e')).c_str()));
    SetText(REG_EXPAND_SZ, "%DestDirsLongFolder%\\" + std::string(100, 'f'));
    EXPECT_EQ(0, GetProgramFilesDir(path.text));
    EXPECT_TRUE(path.GuardIntact());
    SetEnvironmentVariableA("DestDirsLongFolder", nullptr);
}

TEST_F(ProgramFilesFolder, OtherTypesAndAMissingValueGiveNothing)
{
    char path[MAX_PATH];
    const DWORD number = 0x3a43;  // "C:" in its bytes, still not a path
    SetValue(REG_DWORD, &number, sizeof number);
    EXPECT_EQ(0, GetProgramFilesDir(path));

    SetText(REG_MULTI_SZ, std::string("C:\\Program Files\0", 17));
    EXPECT_EQ(0, GetProgramFilesDir(path));

    DeleteValue();
    EXPECT_EQ(0, GetProgramFilesDir(path));
}

TEST_F(ProgramFilesFolder, Id24WithSubFolderIsUnderProgramFiles)
{
    SetText(REG_SZ, "C:\\Program Files");
    ASSERT_NE(INVALID_HANDLE_VALUE, Open(kVendorTool));
    GuardedPath path, sub;
    EXPECT_EQ(1, GetDefaultTargetDir(inf_, path.text, sub.text));
    EXPECT_STREQ("C:\\Program Files\\Vendor\\Tool", path.text);
    EXPECT_STREQ("\\Vendor\\Tool", sub.text);  // as written

    // Without the leading backslash the same folder; the sub-folder still as written.
    ASSERT_NE(INVALID_HANDLE_VALUE, Open("[DestinationDirs]\r\nDefaultDestDir = 24,Vendor\\Tool\r\n"));
    EXPECT_EQ(1, GetDefaultTargetDir(inf_, path.text, sub.text));
    EXPECT_STREQ("C:\\Program Files\\Vendor\\Tool", path.text);
    EXPECT_STREQ("Vendor\\Tool", sub.text);

    // A sub-folder that ends with a backslash (quoted, or the parser would take the
    // backslash for a line continuation) does not leave one at the end of the path.
    ASSERT_NE(INVALID_HANDLE_VALUE, Open("[DestinationDirs]\r\nDefaultDestDir = 24,\"Vendor\\Tool\\\"\r\n"));
    EXPECT_EQ(1, GetDefaultTargetDir(inf_, path.text, sub.text));
    EXPECT_STREQ("C:\\Program Files\\Vendor\\Tool", path.text);
    EXPECT_STREQ("Vendor\\Tool\\", sub.text);

    // The sub-folder out-parameter is optional.
    std::memset(path.text, 'x', sizeof path.text);
    EXPECT_EQ(1, GetDefaultTargetDir(inf_, path.text, nullptr));
    EXPECT_STREQ("C:\\Program Files\\Vendor\\Tool", path.text);
}

TEST_F(ProgramFilesFolder, Id24AloneIsTheFolderWithoutTrailingBackslash)
{
    ASSERT_NE(INVALID_HANDLE_VALUE, Open("[DestinationDirs]\r\nDefaultDestDir = 24\r\n"));
    GuardedPath path, sub;

    SetText(REG_SZ, "C:\\Program Files");
    EXPECT_EQ(1, GetDefaultTargetDir(inf_, path.text, sub.text));
    EXPECT_STREQ("C:\\Program Files", path.text);
    EXPECT_STREQ("", sub.text);

    SetText(REG_SZ, "C:\\Program Files\\");
    EXPECT_EQ(1, GetDefaultTargetDir(inf_, path.text, sub.text));
    EXPECT_STREQ("C:\\Program Files", path.text);
}

TEST_F(ProgramFilesFolder, TrailingBackslashOfTheFolderIsNotDoubled)
{
    SetText(REG_SZ, "C:\\Program Files\\");
    ASSERT_NE(INVALID_HANDLE_VALUE, Open(kVendorTool));
    GuardedPath path;
    EXPECT_EQ(1, GetDefaultTargetDir(inf_, path.text, nullptr));
    EXPECT_STREQ("C:\\Program Files\\Vendor\\Tool", path.text);
}

TEST_F(ProgramFilesFolder, ExpandableFolderIsExpanded)
{
    char drive[MAX_PATH] = "";
    ASSERT_NE(0u, GetEnvironmentVariableA("SystemDrive", drive, sizeof drive));
    SetText(REG_EXPAND_SZ, "%SystemDrive%\\Programme");
    ASSERT_NE(INVALID_HANDLE_VALUE, Open(kVendorTool));
    GuardedPath path;
    EXPECT_EQ(1, GetDefaultTargetDir(inf_, path.text, nullptr));
    EXPECT_EQ(std::string(drive) + "\\Programme\\Vendor\\Tool", path.text);
}

TEST_F(ProgramFilesFolder, FolderAndSubFolderPastTheLimitDoNotOverrun)
{
    const std::string sub(40, 's');
    ASSERT_NE(INVALID_HANDLE_VALUE, Open("[DestinationDirs]\r\nDefaultDestDir = 24,\\" + sub + "\r\n"));
    GuardedPath path, subfolder;

    // 230 + 1 + 40 characters would not fit: the program files folder is proposed
    // without the sub-folder rather than a cut path.
    const std::string programFiles = "C:\\" + std::string(227, 'p');
    SetText(REG_SZ, programFiles);
    EXPECT_EQ(1, GetDefaultTargetDir(inf_, path.text, subfolder.text));
    EXPECT_EQ(programFiles, path.text);
    EXPECT_EQ("\\" + sub, subfolder.text);
    EXPECT_TRUE(path.GuardIntact());
    EXPECT_TRUE(subfolder.GuardIntact());

    // The longest folder with a trailing backslash: no room even for the separator.
    const std::string longest = "C:\\" + std::string(255, 'p') + "\\";
    SetText(REG_SZ, longest);
    EXPECT_EQ(1, GetDefaultTargetDir(inf_, path.text, nullptr));
    EXPECT_EQ(longest.substr(0, longest.size() - 1), path.text);
    EXPECT_TRUE(path.GuardIntact());

    // Exactly at the limit: folder, separator and sub-folder make 259 characters.
    const std::string fitting = "C:\\" + std::string(259 - 3 - 1 - sub.size(), 'p');
    SetText(REG_SZ, fitting);
    EXPECT_EQ(1, GetDefaultTargetDir(inf_, path.text, nullptr));
    EXPECT_EQ(fitting + "\\" + sub, path.text);
    EXPECT_TRUE(path.GuardIntact());
}

TEST_F(ProgramFilesFolder, WithoutAProgramFilesFolderId24IsTheWindowsDriveRoot)
{
    // The Setup API resolves id 24 to the root of the Windows drive; the leading
    // backslash of the sub-folder must not double the separator.
    ASSERT_NE(INVALID_HANDLE_VALUE, Open(kVendorTool));
    const std::string expected = Lower(WindowsDriveRoot() + "Vendor\\Tool");
    GuardedPath path, sub;

    const DWORD number = 1;
    SetValue(REG_DWORD, &number, sizeof number);
    EXPECT_EQ(1, GetDefaultTargetDir(inf_, path.text, sub.text));
    EXPECT_EQ(expected, Lower(path.text));
    EXPECT_STREQ("\\Vendor\\Tool", sub.text);

    DeleteValue();
    std::memset(path.text, 'x', sizeof path.text);
    EXPECT_EQ(1, GetDefaultTargetDir(inf_, path.text, sub.text));
    EXPECT_EQ(expected, Lower(path.text));
}

// ---------------------------------------------------------------------------------------
// Other directory ids: the Setup API's answer, without reading ProgramFilesDir.

class DefaultTargetDir : public ScriptFixture {};

TEST_F(DefaultTargetDir, OtherIdIsResolvedByTheSetupApi)
{
    ASSERT_NE(INVALID_HANDLE_VALUE, Open("[DestinationDirs]\r\nOther.Files = 10\r\nDefaultDestDir = 11,Drivers\r\n"));
    GuardedPath path, sub;
    EXPECT_EQ(1, GetDefaultTargetDir(inf_, path.text, sub.text));
    EXPECT_EQ(Lower(SystemFolder() + "\\Drivers"), Lower(path.text));
    EXPECT_STREQ("Drivers", sub.text);

    // The user directory id with a sub-folder, as the Setup API composes it.
    ASSERT_NE(INVALID_HANDLE_VALUE, Open("[DestinationDirs]\r\nDefaultDestDir = 32768,Sub\\Dir\r\n"));
    const std::string user = UserFolder("\\Chosen Folder");
    ASSERT_TRUE(SetupSetDirectoryIdA(inf_, 32768, user.c_str()));
    EXPECT_EQ(1, GetDefaultTargetDir(inf_, path.text, sub.text));
    EXPECT_EQ(user + "\\Sub\\Dir", path.text);
    EXPECT_STREQ("Sub\\Dir", sub.text);
}

TEST_F(DefaultTargetDir, MissingEntryGivesTheSetupApisAnswer)
{
    // DestinationDirs without DefaultDestDir, and no DestinationDirs at all: what the
    // Setup API gives for a missing DefaultDestDir, which is the system folder.
    const char* scripts[] = {
        "[DestinationDirs]\r\nOther.Files = 10,Other\r\n",
        "[Install]\r\nCopyFiles = Other.Files\r\n",
    };
    for (const char* script : scripts) {
        SCOPED_TRACE(script);
        ASSERT_NE(INVALID_HANDLE_VALUE, Open(script));
        char setupApi[MAX_PATH] = "";
        ASSERT_TRUE(SetupGetTargetPathA(inf_, nullptr, "DefaultDestDir", setupApi, sizeof setupApi, nullptr));
        GuardedPath path, sub;
        EXPECT_EQ(1, GetDefaultTargetDir(inf_, path.text, sub.text));
        EXPECT_STREQ(setupApi, path.text);
        EXPECT_EQ(Lower(SystemFolder()), Lower(path.text));
        EXPECT_STREQ("", sub.text);
    }
}

// ---------------------------------------------------------------------------------------
// Where a section's CopyFiles put the copy of setup.exe.

class SetupCopyPath : public ScriptFixture {
protected:
    // Opens `body` and sets directory id 32768 to `user`.
    void OpenWithUserFolder(const std::string& body, const std::string& user)
    {
        ASSERT_NE(INVALID_HANDLE_VALUE, Open(body));
        ASSERT_TRUE(SetupSetDirectoryIdA(inf_, 32768, user.c_str()));
    }
};

TEST_F(SetupCopyPath, UpperCaseLineGivesTheUserFolderAndLowerCaseName)
{
    const std::string user = UserFolder(" Folder");
    OpenWithUserFolder(
        "[Install]\r\n"
        "CopyFiles = Setup.Files\r\n"
        "[Setup.Files]\r\n"
        "SETUP.EXE\r\n"
        "[DestinationDirs]\r\n"
        "Setup.Files = 32768\r\n",
        user);
    GuardedPath path;
    EXPECT_EQ(1, FindInstalledSetupPath(inf_, "Install", path.text));
    EXPECT_EQ(user + "\\setup.exe", path.text);
    // Section names are found without regard to case.
    EXPECT_EQ(1, FindInstalledSetupPath(inf_, "INSTALL", path.text));
    EXPECT_EQ(user + "\\setup.exe", path.text);
}

TEST_F(SetupCopyPath, SearchesEveryCopySectionInTurn)
{
    // The first named sections do not exist, are empty, or hold other files (names that
    // only resemble setup.exe among them); the last one copies setup.exe under another
    // source name.
    const std::string user = UserFolder("");
    OpenWithUserFolder(
        "[Install]\r\n"
        "CopyFiles = Missing.Files, Empty.Files, Other.Files, Setup.Files\r\n"
        "[Empty.Files]\r\n"
        "[Other.Files]\r\n"
        "readme.txt\r\n"
        "mysetup.exe\r\n"
        "setup.exe.bak\r\n"
        "setup.ex_,setup.exe\r\n"
        "[Setup.Files]\r\n"
        "tool.dll\r\n"
        "setup.exe,setup.ex_\r\n"
        "[DestinationDirs]\r\n"
        "Other.Files = 10,Other\r\n"
        "Setup.Files = 32768,Bin\r\n",
        user);
    GuardedPath path;
    EXPECT_EQ(1, FindInstalledSetupPath(inf_, "Install", path.text));
    EXPECT_EQ(user + "\\Bin\\setup.exe", path.text);
}

TEST_F(SetupCopyPath, SectionsThatCopyNoSetupGiveNothing)
{
    OpenWithUserFolder(
        "[Install]\r\n"
        "AddReg = Some.Reg\r\n"
        "[Install.Other]\r\n"
        "CopyFiles = Other.Files, Missing.Files\r\n"
        "[Install.Empty]\r\n"
        "CopyFiles =\r\n"
        "[Other.Files]\r\n"
        "readme.txt\r\n"
        "[Some.Reg]\r\n"
        "HKLM,Software\\Nothing,Value,,1\r\n"
        "[DestinationDirs]\r\n"
        "DefaultDestDir = 32768\r\n",
        UserFolder(""));
    char path[MAX_PATH];
    EXPECT_EQ(0, FindInstalledSetupPath(inf_, "Install", path));
    EXPECT_EQ(0, FindInstalledSetupPath(inf_, "Install.Other", path));
    EXPECT_EQ(0, FindInstalledSetupPath(inf_, "Install.Empty", path));
    EXPECT_EQ(0, FindInstalledSetupPath(inf_, "No.Such.Section", path));
    EXPECT_EQ(0, FindInstalledSetupPath(inf_, "", path));
}

TEST_F(SetupCopyPath, EachCopySectionKeepsItsOwnDestination)
{
    // Setup.Files is not the first line of DestinationDirs: its own entry must be used,
    // not the folder of the first line.
    const std::string user = UserFolder("");
    OpenWithUserFolder(
        "[Install]\r\n"
        "CopyFiles = Setup.Files\r\n"
        "[Install.Both]\r\n"
        "CopyFiles = First.Files, Setup.Files\r\n"
        "[Install.Default]\r\n"
        "CopyFiles = Plain.Files\r\n"
        "[First.Files]\r\n"
        "first.dll\r\n"
        "[Setup.Files]\r\n"
        "setup.exe\r\n"
        "[Plain.Files]\r\n"
        "setup.exe\r\n"
        "[DestinationDirs]\r\n"
        "First.Files = 11\r\n"
        "Setup.Files = 32768,Setup\r\n"
        "DefaultDestDir = 32768,Default\r\n",
        user);
    GuardedPath path;
    EXPECT_EQ(1, FindInstalledSetupPath(inf_, "Install", path.text));
    EXPECT_EQ(user + "\\Setup\\setup.exe", path.text);
    EXPECT_EQ(1, FindInstalledSetupPath(inf_, "Install.Both", path.text));
    EXPECT_EQ(user + "\\Setup\\setup.exe", path.text);
    // A copy section without an entry of its own goes to DefaultDestDir.
    EXPECT_EQ(1, FindInstalledSetupPath(inf_, "Install.Default", path.text));
    EXPECT_EQ(user + "\\Default\\setup.exe", path.text);
}

TEST_F(SetupCopyPath, PathPastTheLimitIsNotReturned)
{
    // The folder fits the Setup API's 260 bytes, the folder plus "\setup.exe" does not.
    std::string user = UserFolder("\\");
    user += std::string(255 - user.size(), 'u');
    OpenWithUserFolder(
        "[Install]\r\n"
        "CopyFiles = Setup.Files\r\n"
        "[Setup.Files]\r\n"
        "setup.exe\r\n"
        "[DestinationDirs]\r\n"
        "Setup.Files = 32768\r\n",
        user);
    GuardedPath path;
    EXPECT_EQ(0, FindInstalledSetupPath(inf_, "Install", path.text));
    EXPECT_TRUE(path.GuardIntact());

    // Six characters shorter it fits exactly: 259 characters.
    ASSERT_TRUE(SetupSetDirectoryIdA(inf_, 32768, user.substr(0, user.size() - 6).c_str()));
    EXPECT_EQ(1, FindInstalledSetupPath(inf_, "Install", path.text));
    EXPECT_EQ(259u, std::strlen(path.text));
    EXPECT_TRUE(path.GuardIntact());
}

// ---------------------------------------------------------------------------------------
// The adapter's repair of doubled separators in the Setup API's answers.

TEST(DoubledBackslashes, CollapseInsideThePathButNotBeforeAServer)
{
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {
        {"C:\\\\Vendor\\Tool", "C:\\Vendor\\Tool"},
        {"C:\\Vendor\\\\\\Tool\\\\", "C:\\Vendor\\Tool\\"},
        {"\\\\server\\share\\\\dir", "\\\\server\\share\\dir"},
        {"\\\\\\server", "\\\\server"},
        {"C:\\Program Files", "C:\\Program Files"},
        {"\\", "\\"},
        {"", ""},
    };
    for (const Case& c : cases) {
        char path[64];
        std::strcpy(path, c.in);
        CollapseDoubledBackslashes(path);
        EXPECT_STREQ(c.out, path) << c.in;
    }
    CollapseDoubledBackslashes(nullptr);  // accepted without effect
}

} // namespace
