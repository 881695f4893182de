// Uninstall registration against the real registry and Setup API: the keys written for
// the selected products and the main entry, the uninstall command and its limits, the
// removal title, the recorded target folder and the deletion of entries.
//
// Every registry key a test touches is named after the test and this process, so that
// tests running side by side in the same prefix do not meet; the fixture deletes them
// afterwards, also when a check failed.

#include "../../app/setup.h"
#include "../../catalogue/catalogue.h"
#include "../../catalogue/registration.h"
#include "../../setupapi/inf.h"
#include "../support/testsupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char kUninstall[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// A text list (zero-terminated strings and one more zero) from its strings.
std::string List(std::initializer_list<std::string> names)
{
    std::string list;
    for (const std::string& name : names) list += name + '\0';
    return list + '\0';
}

struct RegValue {
    bool exists = false;
    DWORD type = 0;
    DWORD size = 0;
    std::string data;  // the stored bytes as read, cut at `size`
};

RegValue ReadValue(const std::string& key, const char* name)
{
    RegValue value;
    HKEY handle;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, (std::string(kUninstall) + "\\" + key).c_str(), 0, KEY_READ, &handle)
        != ERROR_SUCCESS)
        return value;
    char data[2048];
    DWORD size = sizeof data;
    if (RegQueryValueExA(handle, name, nullptr, &value.type, reinterpret_cast<BYTE*>(data), &size) == ERROR_SUCCESS) {
        value.exists = true;
        value.size = size;
        value.data.assign(data, size);
    }
    RegCloseKey(handle);
    return value;
}

// Checks that value `name` of uninstall key `key` is REG_SZ text `expected` stored
// with its terminating zero counted in the size.
void ExpectText(int line, const std::string& key, const char* name, const std::string& expected)
{
    SCOPED_TRACE(testing::Message() << "checked at line " << line << ": " << key << " " << name);
    const RegValue value = ReadValue(key, name);
    ASSERT_TRUE(value.exists);
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), value.type);
    EXPECT_EQ(expected.size() + 1, value.size);
    EXPECT_EQ(expected + '\0', value.data);
}
#define EXPECT_REG_TEXT(key, name, expected) ExpectText(__LINE__, key, name, expected)

void ExpectNoValue(int line, const std::string& key, const char* name)
{
    SCOPED_TRACE(testing::Message() << "checked at line " << line << ": " << key << " " << name);
    EXPECT_TRUE(testsupport::UninstallEntryExists(key));
    EXPECT_FALSE(ReadValue(key, name).exists);
}
#define EXPECT_NO_REG_VALUE(key, name) ExpectNoValue(__LINE__, key, name)

// Keeps the process-wide section names, target folder and catalogue of one test and
// deletes the uninstall keys and folders it made.
class UninstallFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        savedSections_ = g_Sections;
        std::memcpy(savedTargetDir_, g_TargetDir, sizeof savedTargetDir_);
        g_Sections = {"Install", "Remove", "Products"};
        g_TargetDir[0] = '\0';
        folder_ = testsupport::MakeScratchFolder(TestName().c_str());
        ASSERT_FALSE(folder_.empty());
    }

    void TearDown() override
    {
        HKEY parent;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstall, 0, KEY_ALL_ACCESS, &parent) == ERROR_SUCCESS) {
            for (const std::string& key : keys_) RegDeleteKeyA(parent, key.c_str());
            RemoveStrayParentValues(parent);
            RegCloseKey(parent);
        }
        if (inf_ != INVALID_HANDLE_VALUE) SetupCloseInfFile(inf_);
        inf_ = INVALID_HANDLE_VALUE;
        FreeProductCatalogue();
        g_Sections = savedSections_;
        std::memcpy(g_TargetDir, savedTargetDir_, sizeof savedTargetDir_);
        testsupport::RemoveTree(folder_);
    }

    // Values that a faulty registration could put on the Uninstall key itself; removed
    // only when they carry this test's folder name.
    void RemoveStrayParentValues(HKEY parent)
    {
        char data[1024];
        DWORD size = sizeof data - 1;
        if (RegQueryValueExA(parent, "UninstallString", nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size)
            != ERROR_SUCCESS)
            return;
        data[size] = '\0';
        if (!std::strstr(data, Marker().c_str())) return;
        for (const char* name : {"DisplayName", "UninstallString", "ProductVersion", "UserTargetDir"})
            RegDeleteValueA(parent, name);
    }

    static std::string TestName()
    {
        return ::testing::UnitTest::GetInstance()->current_test_info()->name();
    }

    // Text unique to this test and process.
    static std::string Marker() { return TestName() + std::to_string(GetCurrentProcessId()); }

    // The uninstall key name for `suffix`, recorded for deletion.
    std::string Key(const std::string& suffix)
    {
        const std::string key = Marker() + suffix;
        for (const std::string& known : keys_) {
            if (known == key) return key;
        }
        keys_.push_back(key);
        return key;
    }

    // Replaces every "{X}" of `text` by Key("X").
    std::string Expand(std::string text)
    {
        size_t at;
        while ((at = text.find('{')) != std::string::npos) {
            const size_t end = text.find('}', at);
            text.replace(at, end - at + 1, Key(text.substr(at + 1, end - at - 1)));
        }
        return text;
    }

    // Writes the script (keys expanded) under a [Version] section and opens it.
    HINF Open(const std::string& body)
    {
        if (inf_ != INVALID_HANDLE_VALUE) SetupCloseInfFile(inf_);
        const std::string path = folder_ + "\\setup.inf";
        EXPECT_TRUE(testsupport::WriteFile(path, "[Version]\r\nSignature=\"$Chicago$\"\r\n" + Expand(body)));
        UINT errorLine = 0;
        inf_ = InfOpen(path.c_str(), &errorLine);
        EXPECT_NE(INVALID_HANDLE_VALUE, inf_) << "error line " << errorLine;
        return inf_;
    }

    // Opens the script and sets the user directory id 32768 to `user`.
    void OpenWithUserFolder(const std::string& body, const std::string& user)
    {
        ASSERT_NE(INVALID_HANDLE_VALUE, Open(body));
        ASSERT_TRUE(SetupSetDirectoryIdA(inf_, 32768, user.c_str()));
    }

    // A folder for directory id 32768, unique to this test; it need not exist.
    static std::string UserFolder(const char* prefix) { return prefix + Marker(); }

    // Creates uninstall key `key` with value UserTargetDir of the given type and bytes.
    void RecordFolder(const std::string& key, DWORD type, const std::string& bytes)
    {
        HKEY handle;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, (std::string(kUninstall) + "\\" + key).c_str(), 0,
                                                 nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle, nullptr));
        EXPECT_EQ(ERROR_SUCCESS, RegSetValueExA(handle, "UserTargetDir", 0, type,
                                                reinterpret_cast<const BYTE*>(bytes.data()),
                                                static_cast<DWORD>(bytes.size())));
        RegCloseKey(handle);
    }
    void RecordFolder(const std::string& key, const std::string& folder)
    {
        RecordFolder(key, REG_SZ, folder + '\0');
    }
    // An uninstall key without a UserTargetDir value.
    void CreateBareKey(const std::string& key)
    {
        HKEY handle;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, (std::string(kUninstall) + "\\" + key).c_str(), 0,
                                                 nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle, nullptr));
        RegSetValueExA(handle, "DisplayName", 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2);
        RegCloseKey(handle);
    }

    PlatformSections savedSections_ = {};
    char savedTargetDir_[MAX_PATH] = {};
    std::string folder_;
    std::vector<std::string> keys_;
    HINF inf_ = INVALID_HANDLE_VALUE;
};

// ---------------------------------------------------------------------------------------
// RegisterUninstallEntries

class Registration : public UninstallFixture {};

// The main install section and product A each copy setup.exe to a folder of their own.
const char kOneProduct[] =
    "[Install]\r\n"
    "CopyFiles = Main.Files\r\n"
    "[Main.Files]\r\n"
    "setup.exe\r\n"
    "[Products]\r\n"
    "{A} = \"Alpha Product\",A.Install,A.Remove,1,4,\"Alpha, described\",2.1.0\r\n"
    "[A.Install]\r\n"
    "CopyFiles = A.Files\r\n"
    "[A.Files]\r\n"
    "alpha.dll\r\n"
    "setup.exe\r\n"
    "[A.Remove]\r\n"
    "DelFiles = A.Files\r\n"
    "[DestinationDirs]\r\n"
    "Main.Files = 32768,Main\r\n"
    "A.Files = 32768\r\n";

TEST_F(Registration, WritesTheProductsValues)
{
    const std::string user = UserFolder("C:\\");
    OpenWithUserFolder(kOneProduct, user);
    std::strcpy(g_TargetDir, "D:\\Chosen Folder\\Alpha");
    const std::string a = Key("A");

    EXPECT_EQ(1, RegisterUninstallEntries(inf_, List({a}).c_str()));
    EXPECT_REG_TEXT(a, "DisplayName", "Alpha Product");
    // No blank in the path: written as it stands.
    EXPECT_REG_TEXT(a, "UninstallString", user + "\\setup.exe /remove:" + a);
    EXPECT_REG_TEXT(a, "ProductVersion", "2.1.0");
    EXPECT_REG_TEXT(a, "UserTargetDir", "D:\\Chosen Folder\\Alpha");

    // A second installation overwrites the values of the existing key.
    std::strcpy(g_TargetDir, "E:\\Elsewhere");
    EXPECT_EQ(1, RegisterUninstallEntries(inf_, List({a}).c_str()));
    EXPECT_REG_TEXT(a, "UserTargetDir", "E:\\Elsewhere");
}

TEST_F(Registration, EntriesTellDeploymentToolsWhatTheyLookFor)
{
    const std::string user = UserFolder("C:\\");
    std::string script = kOneProduct;
    script.insert(script.find("[A.Install]\r\n") + 13, "DisplayIcon = bin\\alpha.exe,2\r\n");
    script.insert(11, "Publisher = \"Norvale Tessaro\"\r\nUninstall = {Main}\r\n");
    OpenWithUserFolder(script, user);
    std::strcpy(g_TargetDir, "D:\\Alpha");
    const std::string a = Key("A"), main = Key("Main");
    ASSERT_EQ(1, RegisterUninstallEntries(inf_, List({a}).c_str()));
    RecordInstalledSize(inf_, List({a}).c_str(), 1234);

    EXPECT_REG_TEXT(a, "DisplayVersion", "2.1.0");
    EXPECT_NO_REG_VALUE(main, "DisplayVersion");
    EXPECT_REG_TEXT(a, "DisplayIcon", "D:\\Alpha\\bin\\alpha.exe,2");
    EXPECT_REG_TEXT(main, "DisplayIcon", user + "\\Main\\setup.exe,0");
    SYSTEMTIME today;
    GetLocalTime(&today);
    char date[16];
    std::snprintf(date, sizeof date, "%04u%02u%02u", today.wYear, today.wMonth, today.wDay);
    for (const std::string& entry : {a, main}) {
        EXPECT_REG_TEXT(entry, "Publisher", "Norvale Tessaro");
        EXPECT_REG_TEXT(entry, "InstallLocation", "D:\\Alpha");
        EXPECT_REG_TEXT(entry, "InstallDate", date);
        const std::string command = ReadValue(entry, "UninstallString").data.c_str();
        EXPECT_REG_TEXT(entry, "QuietUninstallString", command + " /quiet");
        for (const char* name : {"NoModify", "NoRepair", "EstimatedSize"}) {
            const RegValue value = ReadValue(entry, name);
            EXPECT_EQ(static_cast<DWORD>(REG_DWORD), value.type) << name;
            const DWORD expected = std::strcmp(name, "EstimatedSize") == 0 ? 1234 : 1;
            EXPECT_EQ(expected, *reinterpret_cast<const DWORD*>(value.data.data())) << name;
        }
    }
}

TEST_F(Registration, ProductVersionOnlyWhenTheFieldExists)
{
    const std::string user = UserFolder("C:\\");
    OpenWithUserFolder(
        "[Products]\r\n"
        "{Six} = \"Six Fields\",P.Install,P.Remove,0,0,\"description\"\r\n"
        "{Empty} = \"Empty Version\",P.Install,P.Remove,0,0,\"description\",\r\n"
        "[P.Install]\r\n"
        "CopyFiles = P.Files\r\n"
        "[P.Files]\r\n"
        "setup.exe\r\n"
        "[P.Remove]\r\n"
        "DelFiles = P.Files\r\n"
        "[DestinationDirs]\r\n"
        "P.Files = 32768\r\n",
        user);
    const std::string six = Key("Six"), empty = Key("Empty");

    // No target folder chosen: no UserTargetDir either.
    EXPECT_EQ(1, RegisterUninstallEntries(inf_, List({six, empty}).c_str()));
    EXPECT_REG_TEXT(six, "DisplayName", "Six Fields");
    EXPECT_NO_REG_VALUE(six, "ProductVersion");
    EXPECT_NO_REG_VALUE(six, "UserTargetDir");
    EXPECT_REG_TEXT(empty, "DisplayName", "Empty Version");
    EXPECT_REG_TEXT(empty, "ProductVersion", "");
    EXPECT_NO_REG_VALUE(empty, "UserTargetDir");
}

TEST_F(Registration, ProductsWithoutRemoveSectionGetNoKey)
{
    const std::string user = UserFolder("C:\\");
    OpenWithUserFolder(
        "[Install]\r\n"
        "CopyFiles = P.Files\r\n"
        "Uninstall = {Main}\r\n"
        "[Products]\r\n"
        "{Missing} = \"No Remove Field\",P.Install\r\n"
        "{Empty} = \"Empty Remove Field\",P.Install,,1\r\n"
        "{Kept} = \"Kept\",P.Install,P.Remove\r\n"
        "[P.Install]\r\n"
        "CopyFiles = P.Files\r\n"
        "[P.Files]\r\n"
        "setup.exe\r\n"
        "[P.Remove]\r\n"
        "DelFiles = P.Files\r\n"
        "[DestinationDirs]\r\n"
        "P.Files = 32768\r\n",
        user);
    const std::string missing = Key("Missing"), empty = Key("Empty"), kept = Key("Kept"), unknown = Key("Unknown");

    // The skipped products and one the products section does not know come first: the
    // ones after them and the main entry are still written.
    EXPECT_EQ(1, RegisterUninstallEntries(inf_, List({missing, empty, unknown, kept}).c_str()));
    EXPECT_FALSE(testsupport::UninstallEntryExists(missing));
    EXPECT_FALSE(testsupport::UninstallEntryExists(empty));
    EXPECT_FALSE(testsupport::UninstallEntryExists(unknown));
    EXPECT_REG_TEXT(kept, "UninstallString", user + "\\setup.exe /remove:" + kept);
    EXPECT_REG_TEXT(Key("Main"), "DisplayName", Key("Main"));
}

TEST_F(Registration, SetupCopyFromTheProductsSectionElseTheMainSection)
{
    // The platform's sections are used; the plain ones would give other folders.
    g_Sections = {"Install.NT5", "Remove.NT5", "Products.NT5"};
    const std::string user = UserFolder("C:\\");
    OpenWithUserFolder(
        "[Install]\r\n"
        "CopyFiles = Decoy.Files\r\n"
        "Uninstall = {Decoy}\r\n"
        "[Products]\r\n"
        "{A} = \"Decoy A\",Decoy.Install,A.Remove\r\n"
        "[Install.NT5]\r\n"
        "CopyFiles = Main.Files\r\n"
        "Uninstall = {Main},\"Main Package\"\r\n"
        "[Products.NT5]\r\n"
        "{A} = \"Alpha\",A.Install,A.Remove\r\n"
        "{B} = \"Beta\",B.Install,B.Remove\r\n"
        "{C} = \"Gamma\",,C.Remove\r\n"
        "[A.Install]\r\n"
        "CopyFiles = A.Files\r\n"
        "[B.Install]\r\n"
        "CopyFiles = B.Files\r\n"
        "[Decoy.Install]\r\n"
        "CopyFiles = Decoy.Files\r\n"
        "[A.Files]\r\n"
        "setup.exe\r\n"
        "[B.Files]\r\n"
        "beta.dll\r\n"
        "[Main.Files]\r\n"
        "setup.exe\r\n"
        "[Decoy.Files]\r\n"
        "setup.exe\r\n"
        "[A.Remove]\r\n"
        "DelFiles = A.Files\r\n"
        "[B.Remove]\r\n"
        "DelFiles = B.Files\r\n"
        "[C.Remove]\r\n"
        "DelFiles = B.Files\r\n"
        "[DestinationDirs]\r\n"
        "Decoy.Files = 32768,Decoy\r\n"
        "A.Files = 32768,Alpha\r\n"
        "Main.Files = 32768,Main\r\n",
        user);
    const std::string a = Key("A"), b = Key("B"), c = Key("C"), main = Key("Main");

    EXPECT_EQ(1, RegisterUninstallEntries(inf_, List({a, b, c}).c_str()));
    EXPECT_REG_TEXT(a, "DisplayName", "Alpha");
    EXPECT_REG_TEXT(a, "UninstallString", user + "\\Alpha\\setup.exe /remove:" + a);
    // B copies no setup.exe and C has no install section: the main section's copy.
    EXPECT_REG_TEXT(b, "UninstallString", user + "\\Main\\setup.exe /remove:" + b);
    EXPECT_REG_TEXT(c, "UninstallString", user + "\\Main\\setup.exe /remove:" + c);
    EXPECT_REG_TEXT(main, "DisplayName", "Main Package");
    EXPECT_REG_TEXT(main, "UninstallString", user + "\\Main\\setup.exe /remove:" + main);
    EXPECT_FALSE(testsupport::UninstallEntryExists(Key("Decoy")));
}

TEST_F(Registration, MainEntryNamesAndValues)
{
    const std::string user = UserFolder("C:\\");
    std::strcpy(g_TargetDir, "D:\\Target");
    const std::string named = Key("Named"), bare = Key("Bare");
    const std::string files =
        "CopyFiles = Main.Files\r\n"
        "[Main.Files]\r\n"
        "setup.exe\r\n"
        "[DestinationDirs]\r\n"
        "Main.Files = 32768\r\n";

    // With a display name: field 2; no ProductVersion for the main entry.
    OpenWithUserFolder("[Install]\r\nUninstall = {Named},\"Main Package\"\r\n" + files, user);
    EXPECT_EQ(1, RegisterUninstallEntries(inf_, List({}).c_str()));
    EXPECT_REG_TEXT(named, "DisplayName", "Main Package");
    EXPECT_REG_TEXT(named, "UninstallString", user + "\\setup.exe /remove:" + named);
    EXPECT_NO_REG_VALUE(named, "ProductVersion");
    EXPECT_REG_TEXT(named, "UserTargetDir", "D:\\Target");

    // Without one: the entry's name; without a target folder: no UserTargetDir.
    g_TargetDir[0] = '\0';
    OpenWithUserFolder("[Install]\r\nUninstall = {Bare}\r\n" + files, user);
    EXPECT_EQ(1, RegisterUninstallEntries(inf_, List({}).c_str()));
    EXPECT_REG_TEXT(bare, "DisplayName", bare);
    EXPECT_REG_TEXT(bare, "UninstallString", user + "\\setup.exe /remove:" + bare);
    EXPECT_NO_REG_VALUE(bare, "ProductVersion");
    EXPECT_NO_REG_VALUE(bare, "UserTargetDir");
}

TEST_F(Registration, NothingToWriteSucceeds)
{
    // No products selected and no Uninstall line: nothing is written, not even with
    // no setup.exe copy anywhere.
    ASSERT_NE(INVALID_HANDLE_VALUE, Open("[Install]\r\nAddReg = Some.Reg\r\n[Some.Reg]\r\nHKLM,Software\\{X},,,1\r\n"));
    EXPECT_EQ(1, RegisterUninstallEntries(inf_, List({}).c_str()));
    EXPECT_FALSE(testsupport::UninstallEntryExists(Key("X")));
}

TEST_F(Registration, StopsWhenNoSetupCopyIsFound)
{
    const std::string user = UserFolder("C:\\");
    OpenWithUserFolder(
        "[Install]\r\n"
        "CopyFiles = Main.Files\r\n"
        "Uninstall = {Main},\"Main Package\"\r\n"
        "[Main.Files]\r\n"
        "main.dll\r\n"
        "[Products]\r\n"
        "{A} = \"Alpha\",A.Install,P.Remove\r\n"
        "{B} = \"Beta\",B.Install,P.Remove\r\n"
        "{C} = \"Gamma\",A.Install,P.Remove\r\n"
        "[A.Install]\r\n"
        "CopyFiles = A.Files\r\n"
        "[B.Install]\r\n"
        "AddReg = B.Reg\r\n"
        "[A.Files]\r\n"
        "setup.exe\r\n"
        "[B.Reg]\r\n"
        "HKLM,Software\\{B},,,1\r\n"
        "[P.Remove]\r\n"
        "DelFiles = A.Files\r\n"
        "[DestinationDirs]\r\n"
        "A.Files = 32768\r\n",
        user);
    const std::string a = Key("A"), b = Key("B"), c = Key("C"), main = Key("Main");

    // B has no copy of setup.exe, nor has the main install section: A stays written,
    // C and the main entry are not written.
    EXPECT_EQ(0, RegisterUninstallEntries(inf_, List({a, b, c}).c_str()));
    EXPECT_REG_TEXT(a, "UninstallString", user + "\\setup.exe /remove:" + a);
    EXPECT_FALSE(testsupport::UninstallEntryExists(b));
    EXPECT_FALSE(testsupport::UninstallEntryExists(c));
    EXPECT_FALSE(testsupport::UninstallEntryExists(main));

    // Only the main entry, and no copy for it either.
    EXPECT_EQ(0, RegisterUninstallEntries(inf_, List({}).c_str()));
    EXPECT_FALSE(testsupport::UninstallEntryExists(main));
}

TEST_F(Registration, PathWithBlanksIsQuoted)
{
    // An unquoted command with blanks could start C:\Program.exe instead.
    const std::string user = UserFolder("C:\\Program Files\\Reg ");
    OpenWithUserFolder(
        "[Install]\r\n"
        "CopyFiles = Main.Files\r\n"
        "Uninstall = {Main}\r\n"
        "[Main.Files]\r\n"
        "setup.exe\r\n"
        "[Products]\r\n"
        "{A} = \"Alpha\",,A.Remove\r\n"
        "[A.Remove]\r\n"
        "DelFiles = Main.Files\r\n"
        "[DestinationDirs]\r\n"
        "Main.Files = 32768\r\n",
        user);
    const std::string a = Key("A"), main = Key("Main");

    EXPECT_EQ(1, RegisterUninstallEntries(inf_, List({a}).c_str()));
    EXPECT_REG_TEXT(a, "UninstallString", "\"" + user + "\\setup.exe\" /remove:" + a);
    EXPECT_REG_TEXT(main, "UninstallString", "\"" + user + "\\setup.exe\" /remove:" + main);
}

TEST_F(Registration, CommandPastTheLimitIsNotWritten)
{
    const std::string user = UserFolder("C:\\");
    const std::string a = Key("A"), b = Key("B"), main = Key("Main");
    // Sub-folders that make A's command 260 characters and B's 259:
    // user + "\" + sub + "\setup.exe" + " /remove:" + key.
    const size_t fixed = user.size() + 1 + 10 + 9 + a.size();
    ASSERT_LT(fixed + 10, 259u);
    const std::string subA(260 - fixed, 'a'), subB(259 - fixed, 'b');
    OpenWithUserFolder(
        "[Install]\r\n"
        "CopyFiles = Main.Files\r\n"
        "Uninstall = {Main}\r\n"
        "[Main.Files]\r\n"
        "setup.exe\r\n"
        "[Products]\r\n"
        "{A} = \"Alpha\",A.Install,P.Remove\r\n"
        "{B} = \"Beta\",B.Install,P.Remove\r\n"
        "[A.Install]\r\n"
        "CopyFiles = A.Files\r\n"
        "[B.Install]\r\n"
        "CopyFiles = B.Files\r\n"
        "[A.Files]\r\n"
        "setup.exe\r\n"
        "[B.Files]\r\n"
        "setup.exe\r\n"
        "[P.Remove]\r\n"
        "DelFiles = Main.Files\r\n"
        "[DestinationDirs]\r\n"
        "Main.Files = 32768\r\n"
        "A.Files = 32768," + subA + "\r\n"
        "B.Files = 32768," + subB + "\r\n",
        user);

    // A is skipped rather than registered with a cut command; B and the main entry are
    // written.
    EXPECT_EQ(1, RegisterUninstallEntries(inf_, List({a, b}).c_str()));
    EXPECT_FALSE(testsupport::UninstallEntryExists(a));
    const std::string commandB = user + "\\" + subB + "\\setup.exe /remove:" + b;
    ASSERT_EQ(259u, commandB.size());
    EXPECT_REG_TEXT(b, "UninstallString", commandB);
    EXPECT_REG_TEXT(main, "UninstallString", user + "\\setup.exe /remove:" + main);
}

TEST_F(Registration, MainEntryCommandPastTheLimitIsNotWritten)
{
    const std::string user = UserFolder("C:\\");
    const std::string a = Key("A"), main = Key("Main");
    const size_t fixed = user.size() + 1 + 10 + 9 + main.size();
    ASSERT_LT(fixed + 10, 259u);
    OpenWithUserFolder(
        "[Install]\r\n"
        "CopyFiles = Main.Files\r\n"
        "Uninstall = {Main},\"Main Package\"\r\n"
        "[Main.Files]\r\n"
        "setup.exe\r\n"
        "[Products]\r\n"
        "{A} = \"Alpha\",A.Install,P.Remove\r\n"
        "[A.Install]\r\n"
        "CopyFiles = A.Files\r\n"
        "[A.Files]\r\n"
        "setup.exe\r\n"
        "[P.Remove]\r\n"
        "DelFiles = A.Files\r\n"
        "[DestinationDirs]\r\n"
        "A.Files = 32768\r\n"
        "Main.Files = 32768," + std::string(260 - fixed, 'm') + "\r\n",
        user);

    EXPECT_EQ(0, RegisterUninstallEntries(inf_, List({a}).c_str()));
    EXPECT_REG_TEXT(a, "UninstallString", user + "\\setup.exe /remove:" + a);
    EXPECT_FALSE(testsupport::UninstallEntryExists(main));
}

TEST_F(Registration, EmptyMainEntryNameWritesNothingOnTheParentKey)
{
    // "Uninstall\" with an empty name opens the Uninstall key itself: its values must
    // not be written there.
    const std::string user = UserFolder("C:\\");
    OpenWithUserFolder(
        "[Install]\r\n"
        "CopyFiles = Main.Files\r\n"
        "Uninstall = ,\"Nameless\"\r\n"
        "[Main.Files]\r\n"
        "setup.exe\r\n"
        "[DestinationDirs]\r\n"
        "Main.Files = 32768\r\n",
        user);
    std::strcpy(g_TargetDir, "D:\\Target");
    EXPECT_EQ(0, RegisterUninstallEntries(inf_, List({}).c_str()));
    HKEY parent;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstall, 0, KEY_READ, &parent));
    char data[1024] = "";
    DWORD size = sizeof data - 1;
    const LONG result = RegQueryValueExA(parent, "UninstallString", nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(parent);
    EXPECT_TRUE(result != ERROR_SUCCESS || !std::strstr(data, Marker().c_str())) << data;
}

// ---------------------------------------------------------------------------------------
// The uninstall command itself

// A buffer of `Size` bytes followed by bytes that no call may touch.
template <unsigned Size>
struct GuardedText {
    char text[Size];
    char guard[32];

    GuardedText()
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

TEST(UninstallCommand, QuotesPathsAndKeysWithBlanks)
{
    GuardedText<MAX_PATH> command;
    EXPECT_EQ(1, BuildUninstallCommand("C:\\Tools\\setup.exe", "Key", command.text, MAX_PATH));
    EXPECT_STREQ("C:\\Tools\\setup.exe /remove:Key", command.text);
    EXPECT_EQ(1, BuildUninstallCommand("C:\\Program Files\\X\\setup.exe", "Key", command.text, MAX_PATH));
    EXPECT_STREQ("\"C:\\Program Files\\X\\setup.exe\" /remove:Key", command.text);
    EXPECT_EQ(1, BuildUninstallCommand("C:\\Tools\\setup.exe", "Audit Blank", command.text, MAX_PATH));
    EXPECT_STREQ("C:\\Tools\\setup.exe \"/remove:Audit Blank\"", command.text);
    EXPECT_TRUE(command.GuardIntact());
}

TEST(UninstallCommand, At259CharactersAndNoMore)
{
    const std::string tail = "\\setup.exe";
    const std::string key = "Key";
    // " /remove:Key" is 12 characters.
    const std::string fits = "C:\\" + std::string(259 - 12 - 3 - tail.size(), 'f') + tail;
    GuardedText<MAX_PATH> command;
    EXPECT_EQ(1, BuildUninstallCommand(fits.c_str(), key.c_str(), command.text, MAX_PATH));
    EXPECT_EQ(fits + " /remove:Key", command.text);
    EXPECT_EQ(259u, std::strlen(command.text));

    // One more character: refused, and no cut command is left in the buffer.
    const std::string longer = "C:\\f" + fits.substr(3);
    std::memset(command.text, 'x', sizeof command.text);
    EXPECT_EQ(0, BuildUninstallCommand(longer.c_str(), key.c_str(), command.text, MAX_PATH));
    EXPECT_STREQ("", command.text);
    EXPECT_TRUE(command.GuardIntact());

    // The quotes count: a path with a blank two characters shorter than the limit fits,
    // one character longer does not.
    const std::string blank = "C:\\ " + std::string(259 - 12 - 2 - 4 - tail.size(), 'b') + tail;
    EXPECT_EQ(1, BuildUninstallCommand(blank.c_str(), key.c_str(), command.text, MAX_PATH));
    EXPECT_EQ("\"" + blank + "\" /remove:Key", command.text);
    EXPECT_EQ(259u, std::strlen(command.text));
    const std::string blankLonger = "C:\\ b" + blank.substr(4);
    EXPECT_EQ(0, BuildUninstallCommand(blankLonger.c_str(), key.c_str(), command.text, MAX_PATH));
    EXPECT_STREQ("", command.text);
    EXPECT_TRUE(command.GuardIntact());

    // A small buffer is respected the same way.
    GuardedText<16> small;
    EXPECT_EQ(0, BuildUninstallCommand("C:\\setup.exe", "Key", small.text, sizeof small.text));
    EXPECT_STREQ("", small.text);
    EXPECT_TRUE(small.GuardIntact());
}

// ---------------------------------------------------------------------------------------
// GetRemovalTitle

class RemovalTitle : public UninstallFixture {};

const char kTitles[] =
    "[Install]\r\n"
    "Uninstall = MainPkg,\"Main Package\"\r\n"
    "[Products]\r\n"
    "P1 = \"Product One\",P1.Install,P1.Remove,0,7\r\n"
    "P2 = \"Product Two\",P2.Install,P2.Remove\r\n"
    "P3 = \"Product Three\",P3.Install,P3.Remove,0,-3,\"description\"\r\n";

TEST_F(RemovalTitle, ProductsTitleAndImage)
{
    ASSERT_NE(INVALID_HANDLE_VALUE, Open(kTitles));
    char title[256];
    int image = 1234;
    EXPECT_EQ(1, GetRemovalTitle(inf_, List({"P1", "P2"}).c_str(), title, sizeof title, &image));
    EXPECT_STREQ("Product One", title);
    EXPECT_EQ(7, image);

    // Keys are compared without regard to case; a missing field 5 gives image 0.
    image = 1234;
    EXPECT_EQ(1, GetRemovalTitle(inf_, List({"p2"}).c_str(), title, sizeof title, &image));
    EXPECT_STREQ("Product Two", title);
    EXPECT_EQ(0, image);

    EXPECT_EQ(1, GetRemovalTitle(inf_, List({"P3"}).c_str(), title, sizeof title, &image));
    EXPECT_STREQ("Product Three", title);
    EXPECT_EQ(-3, image);
}

TEST_F(RemovalTitle, MainEntryByNameOrForAnEmptyName)
{
    ASSERT_NE(INVALID_HANDLE_VALUE, Open(kTitles));
    char title[256];
    int image = 1234;
    EXPECT_EQ(1, GetRemovalTitle(inf_, List({"mainpkg"}).c_str(), title, sizeof title, &image));
    EXPECT_STREQ("Main Package", title);
    EXPECT_EQ(0, image);

    // An empty name takes the main entry's field 2 whatever its field 1.
    image = 1234;
    std::strcpy(title, "old");
    EXPECT_EQ(1, GetRemovalTitle(inf_, "\0", title, sizeof title, &image));
    EXPECT_STREQ("Main Package", title);
    EXPECT_EQ(0, image);

    // Neither a product nor the main entry.
    image = 1234;
    EXPECT_EQ(0, GetRemovalTitle(inf_, List({"Stranger"}).c_str(), title, sizeof title, &image));
    EXPECT_EQ(1234, image);

    // A title that does not fit the buffer is no title.
    char small[8];
    EXPECT_EQ(0, GetRemovalTitle(inf_, List({"P1"}).c_str(), small, sizeof small, &image));
    EXPECT_EQ(1234, image);
}

TEST_F(RemovalTitle, MainEntryWithoutDisplayNameHasNoTitle)
{
    // Unlike the registration, which falls back to the entry's name.
    ASSERT_NE(INVALID_HANDLE_VALUE, Open("[Install]\r\nUninstall = Pkg\r\n[Products]\r\nP1 = \"One\",I,R,0,7\r\n"));
    char title[256];
    int image = 1234;
    EXPECT_EQ(0, GetRemovalTitle(inf_, List({"Pkg"}).c_str(), title, sizeof title, &image));
    EXPECT_EQ(1234, image);
    EXPECT_EQ(0, GetRemovalTitle(inf_, "\0", title, sizeof title, &image));
    EXPECT_EQ(1234, image);

    // No Uninstall line at all.
    ASSERT_NE(INVALID_HANDLE_VALUE, Open("[Install]\r\nCopyFiles = X\r\n"));
    EXPECT_EQ(0, GetRemovalTitle(inf_, "\0", title, sizeof title, &image));
    EXPECT_EQ(1234, image);
}

TEST_F(RemovalTitle, UsesThePlatformsSections)
{
    g_Sections = {"Install.NT5", "Remove.NT5", "Products.NT5"};
    ASSERT_NE(INVALID_HANDLE_VALUE, Open(std::string(kTitles) +
                                         "[Install.NT5]\r\n"
                                         "Uninstall = NtPkg,\"NT Package\"\r\n"
                                         "[Products.NT5]\r\n"
                                         "P1 = \"NT Product One\",I,R,0,9\r\n"));
    char title[256];
    int image = 1234;
    EXPECT_EQ(1, GetRemovalTitle(inf_, List({"P1"}).c_str(), title, sizeof title, &image));
    EXPECT_STREQ("NT Product One", title);
    EXPECT_EQ(9, image);
    EXPECT_EQ(1, GetRemovalTitle(inf_, "\0", title, sizeof title, &image));
    EXPECT_STREQ("NT Package", title);
    image = 1234;
    EXPECT_EQ(0, GetRemovalTitle(inf_, List({"P2"}).c_str(), title, sizeof title, &image));
    EXPECT_EQ(0, GetRemovalTitle(inf_, List({"MainPkg"}).c_str(), title, sizeof title, &image));
    EXPECT_EQ(1234, image);
}

// ---------------------------------------------------------------------------------------
// FindRecordedTargetDir

class RecordedTargetDir : public UninstallFixture {
protected:
    // Products P1 to P4 in file order, and the main entry.
    void OpenProducts()
    {
        ASSERT_NE(INVALID_HANDLE_VALUE, Open("[Install]\r\n"
                                             "Uninstall = {Main}\r\n"
                                             "[Products]\r\n"
                                             "{P1} = \"One\",I1,R1\r\n"
                                             "{P2} = \"Two\",I2,R2\r\n"
                                             "{P3} = \"Three\",I3,R3\r\n"
                                             "{P4} = \"Four\",I4,R4\r\n"));
    }
};

TEST_F(RecordedTargetDir, GivenKeysComeFirst)
{
    OpenProducts();
    const std::string x = Key("X"), y = Key("Y"), z = Key("Z");
    CreateBareKey(y);  // opens, but has no UserTargetDir
    RecordFolder(z, "D:\\From Z");
    RecordFolder(Key("P1"), "D:\\From P1");
    RecordFolder(Key("Main"), "D:\\From Main");

    char folder[MAX_PATH];
    EXPECT_EQ(1, FindRecordedTargetDir(inf_, List({x, y, z}).c_str(), folder));
    EXPECT_STREQ("D:\\From Z", folder);

    // Given keys without a recorded folder: the products section follows.
    EXPECT_EQ(1, FindRecordedTargetDir(inf_, List({x, y}).c_str(), folder));
    EXPECT_STREQ("D:\\From P1", folder);
}

TEST_F(RecordedTargetDir, ProductsInFileOrderThenTheMainEntry)
{
    OpenProducts();
    // The catalogue offers only P4; P3 is not offered and still counts.
    ResetProductCatalogue();
    DWORD capacity = 2;
    ASSERT_EQ(1, AppendProduct(Key("P4").c_str(), &capacity));

    CreateBareKey(Key("P2"));
    RecordFolder(Key("P3"), "D:\\From P3");
    RecordFolder(Key("P4"), "D:\\From P4");
    RecordFolder(Key("Main"), "D:\\From Main");

    char folder[MAX_PATH];
    EXPECT_EQ(1, FindRecordedTargetDir(inf_, nullptr, folder));
    EXPECT_STREQ("D:\\From P3", folder);
    // An empty list is no list.
    EXPECT_EQ(1, FindRecordedTargetDir(inf_, "\0", folder));
    EXPECT_STREQ("D:\\From P3", folder);

    RegDeleteKeyA(HKEY_LOCAL_MACHINE, (std::string(kUninstall) + "\\" + Key("P3")).c_str());
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, (std::string(kUninstall) + "\\" + Key("P4")).c_str());
    EXPECT_EQ(1, FindRecordedTargetDir(inf_, nullptr, folder));
    EXPECT_STREQ("D:\\From Main", folder);

    RegDeleteKeyA(HKEY_LOCAL_MACHINE, (std::string(kUninstall) + "\\" + Key("Main")).c_str());
    EXPECT_EQ(0, FindRecordedTargetDir(inf_, nullptr, folder));
}

TEST_F(RecordedTargetDir, ValuesOfAnyTypeAreCutToTheBuffer)
{
    OpenProducts();
    GuardedText<MAX_PATH> folder;

    // Binary without a terminating zero: the bytes, ended.
    RecordFolder(Key("P1"), REG_BINARY, "D:\\Binary");
    EXPECT_EQ(1, FindRecordedTargetDir(inf_, nullptr, folder.text));
    EXPECT_STREQ("D:\\Binary", folder.text);

    // 260 bytes without a zero: 259 characters and the zero, nothing beyond.
    const std::string full(MAX_PATH, 'f');
    RecordFolder(Key("P1"), REG_BINARY, full);
    std::memset(folder.text, 'x', sizeof folder.text);
    EXPECT_EQ(1, FindRecordedTargetDir(inf_, nullptr, folder.text));
    EXPECT_EQ(full.substr(0, MAX_PATH - 1), folder.text);
    EXPECT_TRUE(folder.GuardIntact());

    // 259 characters and the zero as REG_SZ: read whole.
    RecordFolder(Key("P1"), "D:\\" + std::string(256, 's'));
    EXPECT_EQ(1, FindRecordedTargetDir(inf_, nullptr, folder.text));
    EXPECT_EQ("D:\\" + std::string(256, 's'), folder.text);
    EXPECT_TRUE(folder.GuardIntact());
}

TEST_F(RecordedTargetDir, ValueTooLongToReadIsPassedOver)
{
    OpenProducts();
    GuardedText<MAX_PATH> folder;
    RecordFolder(Key("P1"), REG_SZ, std::string(299, 'l') + '\0');
    RecordFolder(Key("P2"), REG_BINARY, std::string(300, 'b'));

    // Neither can be read into 260 bytes: no later candidate, no folder.
    EXPECT_EQ(0, FindRecordedTargetDir(inf_, nullptr, folder.text));
    EXPECT_TRUE(folder.GuardIntact());

    // With a later candidate, that one is taken.
    RecordFolder(Key("Main"), "D:\\Main");
    EXPECT_EQ(1, FindRecordedTargetDir(inf_, List({Key("P1")}).c_str(), folder.text));
    EXPECT_STREQ("D:\\Main", folder.text);
    EXPECT_TRUE(folder.GuardIntact());
}

// ---------------------------------------------------------------------------------------
// DeleteUninstallEntries

TEST_F(Registration, DeleteRemovesOnlyTheNamedKeys)
{
    const std::string a = Key("A"), b = Key("B"), c = Key("C");
    RecordFolder(a, "D:\\A");
    RecordFolder(b, "D:\\B");
    RecordFolder(c, "D:\\C");

    EXPECT_EQ(1, DeleteUninstallEntries(List({a, Key("Missing"), c}).c_str()));
    EXPECT_FALSE(testsupport::UninstallEntryExists(a));
    EXPECT_TRUE(testsupport::UninstallEntryExists(b));
    EXPECT_FALSE(testsupport::UninstallEntryExists(c));

    EXPECT_EQ(1, DeleteUninstallEntries("\0"));
    EXPECT_TRUE(testsupport::UninstallEntryExists(b));
}

} // namespace
