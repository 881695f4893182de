// The product catalogue against the real Setup API, registry and user32: which products
// lines are taken in install and remove runs and the message box when none is; the
// growth of the key buffer; the installed-version check against uninstall keys; the
// component list that is filled from the catalogue; and the lists and counts built from
// the selected products (selection by name, install and remove sections, flags,
// restart).
//
// Product keys carry the test's name and process id, so parallel tests never meet in
// the uninstall key; every key a test registers is deleted again in TearDown.

#include "../../app/setup.h"
#include "../../catalogue/catalogue.h"
#include "../../pages/pages.h"
#include "../../base/textlist.h"
#include "../../pages/checklist.h"
#include "../../resources/resource.h"
#include "../support/boxwatcher.h"
#include "../support/testsupport.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const char kPageClass[] = "CatalogueTestPage";

std::vector<std::string> Items(const char* list)
{
    std::vector<std::string> items;
    for (const char* item = list; item && *item; item += std::strlen(item) + 1) items.push_back(item);
    return items;
}

std::vector<std::string> CatalogueKeys()
{
    std::vector<std::string> keys;
    for (int i = 0; i < ProductCount(); ++i) keys.push_back(ProductKey(i));
    return keys;
}

// The strings as a built text list, as the selection and the section list are kept.
struct SelectedList {
    explicit SelectedList(const std::vector<std::string>& names = {})
    {
        TextListBuilder list = {};
        for (const std::string& name : names) EXPECT_EQ(1, TextListAppend(&list, name.c_str()));
        TextListKeep(&bytes, &list);
    }
    ~SelectedList() { TextListFree(bytes); }
    char* bytes = nullptr;
};

// One WM_COMMAND that the page received, with the row's item data at that moment.
struct PageCommand {
    WPARAM wParam;
    LPARAM lParam;
    DWORD dataSeen;
};

std::vector<PageCommand> g_PageCommands;

LRESULT CALLBACK PageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND) {
        const DWORD data = static_cast<DWORD>(
            SendMessageA(GetDlgItem(window, LOWORD(wParam)), LB_GETITEMDATA, LOWORD(lParam), 0));
        g_PageCommands.push_back({wParam, lParam, data});
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

class Catalogue : public ::testing::Test {
protected:
    void SetUp() override
    {
        savedSections_ = g_Sections;
        g_Sections.InstallSection = "Install.Test";
        g_Sections.RemoveSection = "Remove.Test";
        g_Sections.ProductsSection = "Products.Test";
        char pid[16];
        std::snprintf(pid, sizeof pid, "%lu", GetCurrentProcessId());
        prefix_ = std::string("Cat") + ::testing::UnitTest::GetInstance()->current_test_info()->name() + pid;
        folder_ = testsupport::MakeScratchFolder("catalogue");
        ASSERT_FALSE(folder_.empty());
        owner_ = CreateWindowExA(0, "STATIC", "catalogue test owner", WS_OVERLAPPED, 0, 0, 100, 100, nullptr,
                                 nullptr, nullptr, nullptr);
        ASSERT_NE(nullptr, owner_);
    }

    void TearDown() override
    {
        if (inf_ != INVALID_HANDLE_VALUE) SetupCloseInfFile(inf_);
        FreeProductCatalogue();
        g_Sections = savedSections_;
        for (const std::string& key : registered_) RegDeleteKeyA(HKEY_LOCAL_MACHINE, key.c_str());
        if (page_) DestroyWindow(page_);
        if (owner_) DestroyWindow(owner_);
        if (!folder_.empty()) testsupport::RemoveTree(folder_);
    }

    // This test's product key for a short name.
    std::string Key(const std::string& name) const { return prefix_ + name; }

    // Writes the script, with every "$P" replaced by this test's key prefix, and opens it.
    HINF Open(const std::string& text)
    {
        std::string script = "[Version]\r\nSignature=\"$Chicago$\"\r\n" + text;
        for (size_t at = script.find("$P"); at != std::string::npos; at = script.find("$P", at + prefix_.size()))
            script.replace(at, 2, prefix_);
        const std::string path = folder_ + "\\setup.inf";
        EXPECT_TRUE(testsupport::WriteFile(path, script));
        UINT errorLine = 0;
        inf_ = SetupOpenInfFileA(path.c_str(), nullptr, INF_STYLE_WIN4, &errorLine);
        EXPECT_NE(INVALID_HANDLE_VALUE, inf_) << "error line " << errorLine;
        return inf_;
    }

    // Builds the catalogue from g_Sections.ProductsSection, answering any box.
    int Build(int action, testsupport::BoxesSeen* report = nullptr)
    {
        testsupport::BoxWatcher watcher;
        const int result = BuildProductCatalogue(inf_, owner_, GetModuleHandleA(nullptr),
                                                 g_Sections.ProductsSection, action);
        const testsupport::BoxesSeen& seen = watcher.Finish();
        if (report)
            *report = seen;
        else
            EXPECT_TRUE(seen.boxes.empty())
                << "unexpected box: " << seen.boxes[0].caption << " / " << seen.boxes[0].text;
        return result;
    }

    // Creates the uninstall key of product `name`, with a ProductVersion of `type` and
    // `size` bytes when `version` is given.
    void Register(const std::string& name, const char* version = nullptr, DWORD type = REG_SZ, DWORD size = 0)
    {
        const std::string path = std::string(kUninstallKey) + "\\" + Key(name);
        HKEY key = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                                 nullptr, &key, nullptr));
        registered_.push_back(path);
        LONG status = RegSetValueExA(key, "DisplayName", 0, REG_SZ, reinterpret_cast<const BYTE*>(name.c_str()),
                                     static_cast<DWORD>(name.size() + 1));
        if (status == ERROR_SUCCESS && version) {
            if (!size) size = static_cast<DWORD>(std::strlen(version) + 1);
            status = RegSetValueExA(key, "ProductVersion", 0, type, reinterpret_cast<const BYTE*>(version), size);
        }
        RegCloseKey(key);
        ASSERT_EQ(ERROR_SUCCESS, status);
    }

    void Unregister(const std::string& name)
    {
        const std::string path = std::string(kUninstallKey) + "\\" + Key(name);
        ASSERT_EQ(ERROR_SUCCESS, RegDeleteKeyA(HKEY_LOCAL_MACHINE, path.c_str()));
    }

    // A hidden page with the component list box (id 1207) that records its commands.
    HWND MakePage()
    {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = PageProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = kPageClass;
        RegisterClassA(&windowClass);  // fails harmlessly when an earlier test registered it
        page_ = CreateWindowExA(0, kPageClass, "components", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr,
                                nullptr, GetModuleHandleA(nullptr), nullptr);
        EXPECT_NE(nullptr, page_);
        list_ = CreateWindowExA(0, "LISTBOX", "",
                                WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | LBS_NOTIFY | LBS_OWNERDRAWFIXED
                                    | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT,
                                10, 10, 300, 150, page_, reinterpret_cast<HMENU>(IDC_COMPONENT_LIST),
                                GetModuleHandleA(nullptr), nullptr);
        EXPECT_NE(nullptr, list_);
        g_PageCommands.clear();
        return page_;
    }

    std::string RowText(int row)
    {
        char text[512] = "";
        if (SendMessageA(list_, LB_GETTEXTLEN, row, 0) >= static_cast<LRESULT>(sizeof text)) return "<too long>";
        SendMessageA(list_, LB_GETTEXT, row, reinterpret_cast<LPARAM>(text));
        return text;
    }

    DWORD RowData(int row) { return static_cast<DWORD>(SendMessageA(list_, LB_GETITEMDATA, row, 0)); }

    // The list holds exactly these rows: their texts and item data, in order.
    void ExpectRows(const std::vector<std::string>& names, const std::vector<DWORD>& data)
    {
        ASSERT_EQ(static_cast<LRESULT>(names.size()), SendMessageA(list_, LB_GETCOUNT, 0, 0));
        for (int row = 0; row < static_cast<int>(names.size()); ++row) {
            EXPECT_EQ(names[row], RowText(row)) << row;
            EXPECT_EQ(data[row], RowData(row)) << row;
        }
    }

    PlatformSections savedSections_ = {};
    std::string prefix_;
    std::string folder_;
    HINF inf_ = INVALID_HANDLE_VALUE;
    HWND owner_ = nullptr;
    HWND page_ = nullptr;
    HWND list_ = nullptr;
    std::vector<std::string> registered_;
};

// ---------------------------------------------------------------------------------
// Building the catalogue

const char kModesScript[] =
    "[Products.Test]\r\n"
    "$PA=Alpha,A.Install,A.Remove\r\n"
    "$PB=Beta,,B.Remove\r\n"
    "$PC=Gamma\r\n"
    "$PD=Delta,D.Install\r\n"
    "=Keyless,K.Install,K.Remove\r\n"
    "Loose,L.Install,L.Remove\r\n"
    "$PE=Epsilon,E.Install\r\n";

TEST_F(Catalogue, InstallRunsOfferOnlyProductsWithAnInstallSection)
{
    ASSERT_NE(INVALID_HANDLE_VALUE, Open(kModesScript));
    EXPECT_EQ(3, Build(ActionInstall));
    EXPECT_EQ((std::vector<std::string>{Key("A"), Key("D"), Key("E")}), CatalogueKeys());
    EXPECT_EQ(nullptr, ProductKey(3));
}

TEST_F(Catalogue, RemoveRunsTakeEveryLineWithAKey)
{
    ASSERT_NE(INVALID_HANDLE_VALUE, Open(kModesScript));
    EXPECT_EQ(5, Build(ActionRemove));
    EXPECT_EQ((std::vector<std::string>{Key("A"), Key("B"), Key("C"), Key("D"), Key("E")}), CatalogueKeys());
}

TEST_F(Catalogue, DuplicateKeysAreBothListedAndTheFirstLineAnswersForBoth)
{
    ASSERT_NE(INVALID_HANDLE_VALUE, Open("[Products.Test]\r\n"
                                         "$PA=First,A1.Install,A1.Remove,1,3,First text,1.0\r\n"
                                         "$PB=Other,B.Install\r\n"
                                         "$PA=Second,A2.Install,A2.Remove,2,4,Second text,2.0\r\n"));
    EXPECT_EQ(3, Build(ActionInstall));
    ASSERT_EQ((std::vector<std::string>{Key("A"), Key("B"), Key("A")}), CatalogueKeys());

    char text[256];
    for (int index : {0, 2}) {
        ASSERT_EQ(1, GetProductField(inf_, index, 1, text, sizeof text, g_Sections.ProductsSection)) << index;
        EXPECT_STREQ("First", text) << index;
        ASSERT_EQ(1, GetProductField(inf_, index, 3, text, sizeof text, g_Sections.ProductsSection)) << index;
        EXPECT_STREQ("A1.Remove", text) << index;
        ASSERT_NE(0, GetProductDescription(inf_, index, text, sizeof text)) << index;
        EXPECT_STREQ("First text", text) << index;
    }
    ASSERT_EQ(1, GetProductField(inf_, 2, 0, text, sizeof text, g_Sections.ProductsSection));
    EXPECT_EQ(Key("A"), text);
    EXPECT_EQ(0, GetProductField(inf_, 3, 1, text, sizeof text, g_Sections.ProductsSection));
}

TEST_F(Catalogue, AMissingOrEmptyProductsSectionGivesAnEmptyCatalogueWithoutABox)
{
    ASSERT_NE(INVALID_HANDLE_VALUE, Open("[Products.Test]\r\n$PA=Alpha,A.Install\r\n[Products.Empty]\r\n"));
    // A catalogue built before is replaced, not extended.
    ASSERT_EQ(1, Build(ActionInstall));

    for (const char* section : {"Products.Missing", "Products.Empty"}) {
        for (int action : {ActionInstall, ActionRemove}) {
            g_Sections.ProductsSection = section;
            testsupport::BoxesSeen report;
            EXPECT_EQ(1, Build(action, &report)) << section << " " << action;
            EXPECT_EQ(0u, report.boxes.size()) << section << " " << action;
            EXPECT_EQ(0, ProductCount()) << section << " " << action;
            EXPECT_EQ(nullptr, ProductKey(0)) << section << " " << action;
        }
    }
}

TEST_F(Catalogue, NoQualifyingProductShowsTheEmptyReasonAndFails)
{
    // One product without an install section, one whose condition section is missing:
    // neither reports a text.
    ASSERT_NE(INVALID_HANDLE_VALUE, Open("[Products.Test]\r\n"
                                         "$PA=Alpha,A.Install\r\n"
                                         "$PB=Beta,,B.Remove\r\n"
                                         "[A.Install]\r\n"
                                         "Conditions=NoSuchConditions\r\n"));
    testsupport::BoxesSeen report;
    EXPECT_EQ(0, Build(ActionInstall, &report));
    EXPECT_EQ(0, ProductCount());

    char caption[256] = "";
    ASSERT_LT(0, LoadStringA(GetModuleHandleA(nullptr), IDS_CANNOT_INSTALL, caption, sizeof caption));
    ASSERT_EQ(1u, report.boxes.size());
    EXPECT_EQ(0, report.unclosed);
    EXPECT_EQ(caption, report.boxes[0].caption);
    EXPECT_EQ("", report.boxes[0].text);
    EXPECT_EQ(owner_, report.boxes[0].owner);
    EXPECT_EQ(1u, report.boxes[0].buttons.size());
    EXPECT_TRUE(driver::HasButton(report.boxes[0], IDOK));

    // In a removal the same lines are all taken, and nothing is shown.
    EXPECT_EQ(2, Build(ActionRemove));
}

TEST_F(Catalogue, TheBoxShowsTheTextOfTheLastProductThatReportedOne)
{
    ASSERT_NE(INVALID_HANDLE_VALUE, Open("[Products.Test]\r\n"
                                         "$PA=Alpha,A.Install\r\n"
                                         "$PB=Beta,B.Install\r\n"
                                         "$PC=Gamma,C.Install\r\n"
                                         "[A.Install]\r\n"
                                         "Conditions=Norvale\r\n"
                                         "[B.Install]\r\n"
                                         "Conditions=Tessaro\r\n"
                                         "[C.Install]\r\n"
                                         "Conditions=NoSuchConditions\r\n"
                                         "[Norvale]\r\n"
                                         "sp3=cond_norvale.dll,Fails\r\n"
                                         "[Tessaro]\r\n"
                                         "driver=cond_tessaro.dll,Fails\r\n"));
    ASSERT_TRUE(testsupport::FileExists(testsupport::TestFolder() + "\\cond_tessaro.dll"));
    testsupport::BoxesSeen report;
    EXPECT_EQ(0, Build(ActionInstall, &report));
    ASSERT_EQ(1u, report.boxes.size());
    // Gamma fails after Beta but without a text: Beta's text stays.
    EXPECT_EQ("Tessaro driver 2.1 is missing.", report.boxes[0].text);
    char caption[256] = "";
    LoadStringA(GetModuleHandleA(nullptr), IDS_CANNOT_INSTALL, caption, sizeof caption);
    EXPECT_EQ(caption, report.boxes[0].caption);
}

TEST_F(Catalogue, ProductsAreOfferedOnlyWhenTheirConditionsHold)
{
    ASSERT_NE(INVALID_HANDLE_VALUE, Open("[Products.Test]\r\n"
                                         "$PA=Alpha,A.Install\r\n"
                                         "$PB=Beta,B.Install\r\n"
                                         "$PC=Gamma,C.Install\r\n"
                                         "$PD=Delta,D.Install\r\n"
                                         "[A.Install]\r\n"
                                         "Conditions=Fails\r\n"
                                         "[B.Install]\r\n"
                                         "Conditions=Holds\r\n"
                                         "[C.Install]\r\n"
                                         "Conditions=Holds,Fails\r\n"
                                         "[Holds]\r\n"
                                         "ok=cond_norvale.dll,Holds\r\n"
                                         "[Fails]\r\n"
                                         "no=cond_norvale.dll,Fails\r\n"));
    EXPECT_EQ(2, Build(ActionInstall));
    EXPECT_EQ((std::vector<std::string>{Key("B"), Key("D")}), CatalogueKeys());
    // Conditions are not asked in a removal.
    EXPECT_EQ(4, Build(ActionRemove));
}

TEST_F(Catalogue, KeysLongerThan127CharactersAreSkippedNotCut)
{
    std::string key127 = Key("L");
    key127.resize(127, 'a');
    std::string key128 = Key("M");
    key128.resize(128, 'b');
    std::string key300 = Key("N");
    key300.resize(300, 'c');
    ASSERT_NE(INVALID_HANDLE_VALUE, Open("[Products.Test]\r\n" + key128 + "=Too long,X.Install\r\n" + key127
                                         + "=Longest,X.Install\r\n" + key300 + "=Far too long,X.Install\r\n"
                                         + "$PS=Short,X.Install\r\n"));
    EXPECT_EQ(2, Build(ActionInstall));
    EXPECT_EQ((std::vector<std::string>{key127, Key("S")}), CatalogueKeys());
    EXPECT_EQ(2, Build(ActionRemove));
    EXPECT_EQ((std::vector<std::string>{key127, Key("S")}), CatalogueKeys());
}

// ---------------------------------------------------------------------------------
// Growing the key buffer

TEST_F(Catalogue, ManyLongKeysAreAppendedIntact)
{
    ResetProductCatalogue();
    DWORD capacity = 1;
    std::vector<std::string> appended;
    for (int i = 0; i < 2000; ++i) {
        char head[16];
        std::snprintf(head, sizeof head, "%05d", i);
        std::string key = head;
        key.resize(100, static_cast<char>('a' + i % 26));
        ASSERT_EQ(1, AppendProduct(key.c_str(), &capacity)) << i;
        appended.push_back(key);
        ASSERT_LE(static_cast<DWORD>(TextListSize(ProductKey(0))), capacity) << i;
    }
    EXPECT_EQ(2000, ProductCount());
    EXPECT_EQ(appended, CatalogueKeys());
    EXPECT_EQ(2000 * 101 + 1, TextListSize(ProductKey(0)));
    EXPECT_NE(0, HeapValidate(GetProcessHeap(), 0, nullptr));
}

TEST_F(Catalogue, KeysLongerThanOneGrowthStepAreAppendedIntact)
{
    ResetProductCatalogue();
    DWORD capacity = 1;
    std::vector<std::string> appended;
    for (int i = 0; i < 60; ++i) {
        // Long keys between short ones, so growth steps of both sizes happen.
        std::string key(i % 3 == 2 ? 3 : 600, static_cast<char>('A' + i % 26));
        key[0] = static_cast<char>('0' + i % 10);
        ASSERT_EQ(1, AppendProduct(key.c_str(), &capacity)) << i;
        appended.push_back(key);
        ASSERT_LE(static_cast<DWORD>(TextListSize(ProductKey(0))), capacity) << i;
    }
    EXPECT_EQ(appended, CatalogueKeys());
    EXPECT_NE(0, HeapValidate(GetProcessHeap(), 0, nullptr));

    // A new catalogue starts empty again, and grows again from its small start.
    ResetProductCatalogue();
    EXPECT_EQ(0, ProductCount());
    capacity = 1;
    const std::string key(600, 'z');
    ASSERT_EQ(1, AppendProduct(key.c_str(), &capacity));
    EXPECT_EQ((std::vector<std::string>{key}), CatalogueKeys());
}

// ---------------------------------------------------------------------------------
// Installed versions

const char kVersionScript[] =
    "[Products.Test]\r\n"
    "$PA=Numbers,A.Install,,,,,2.9\r\n"
    "$PB=Shorter,B.Install,,,,,1.2.5\r\n"
    "$PC=Empty,C.Install,,,,,\r\n"
    "$PD=Text,D.Install,,,,,2.3\r\n"
    "$PE=NotInstalled,E.Install,,,,,5.0\r\n"
    "$PF=NoValue,F.Install,,,,,5.0\r\n"
    "$PG=NoField,G.Install\r\n"
    "$PH=Binary,H.Install,,,,,1.7\r\n"
    "$PI=Full,I.Install,,,,,1.7\r\n"
    "$PJ=TooLong,J.Install,,,,,1.7\r\n"
    "$PK=Older,K.Install,,,,,4.0\r\n";

TEST_F(Catalogue, InstalledVersionsAreComparedWithTheOfferedOnes)
{
    ASSERT_NE(INVALID_HANDLE_VALUE, Open(kVersionScript));
    ASSERT_EQ(11, Build(ActionInstall));
    Register("A", "2.10");
    Register("B", "1.2");
    Register("C", "3");
    Register("D", "2.1beta");
    Register("F");
    Register("G", "9");
    Register("K", "3.0");

    char offered[128] = "x";
    ASSERT_EQ(1, GetProductField(inf_, 2, 7, offered, sizeof offered, g_Sections.ProductsSection));
    ASSERT_STREQ("", offered) << "an empty field 7 must be readable for this test";

    EXPECT_EQ(-1, CompareInstalledVersion(inf_, 0));  // 2.10 installed is newer than 2.9
    EXPECT_EQ(0, CompareInstalledVersion(inf_, 1));   // 1.2 equals 1.2.5 as far as it goes
    EXPECT_EQ(-3, CompareInstalledVersion(inf_, 2));  // an empty offered version is 0
    EXPECT_EQ(2, CompareInstalledVersion(inf_, 3));   // 2.1beta: the text ends the walk
    EXPECT_EQ(0, CompareInstalledVersion(inf_, 4));   // no uninstall key
    EXPECT_EQ(0, CompareInstalledVersion(inf_, 5));   // no ProductVersion value
    EXPECT_EQ(0, CompareInstalledVersion(inf_, 6));   // no field 7
    EXPECT_EQ(1, CompareInstalledVersion(inf_, 10));  // an older copy is installed
    EXPECT_EQ(0, CompareInstalledVersion(inf_, 11));  // past the catalogue
}

TEST_F(Catalogue, AnyTypeAndLengthOfProductVersionGivesADefinedResult)
{
    ASSERT_NE(INVALID_HANDLE_VALUE, Open(kVersionScript));
    ASSERT_EQ(11, Build(ActionInstall));

    // Binary data without a terminating zero.
    Register("H", "1.5", REG_BINARY, 3);
    EXPECT_EQ(2, CompareInstalledVersion(inf_, 7));

    // Exactly 128 bytes without a zero: the last byte still counts, nothing after it.
    std::string full = "1." + std::string(125, '0') + "5";
    ASSERT_EQ(128u, full.size());
    Register("I", full.c_str(), REG_BINARY, 128);
    EXPECT_EQ(2, CompareInstalledVersion(inf_, 8));

    // A value too long for the buffer cannot be read: no warning.
    std::string tooLong = "1.1" + std::string(197, '0');
    Register("J", tooLong.c_str(), REG_SZ);
    EXPECT_EQ(0, CompareInstalledVersion(inf_, 9));
    Unregister("J");
    Register("J", tooLong.c_str(), REG_BINARY, static_cast<DWORD>(tooLong.size()));
    EXPECT_EQ(0, CompareInstalledVersion(inf_, 9));
}

// ---------------------------------------------------------------------------------
// The component list

const char kComponentScript[] =
    "[Products.Test]\r\n"
    "$PZ=Zeta Name,Z.Install,Z.Remove,1,3,Zeta description,2.0\r\n"
    "$PB=Beta Name,B.Install,B.Remove,0,7,,1.0\r\n"
    "$PN=Newer Name,N.Install,N.Remove,3,255,Newer description,2.9\r\n"
    "$PE=Equal Name,E.Install,,1,256,,1.2.5\r\n"
    "$PX=Plain Name,X.Install\r\n";

TEST_F(Catalogue, TheComponentListShowsTheCatalogueInOrderWithImagesAndDefaultChecks)
{
    ASSERT_NE(INVALID_HANDLE_VALUE, Open(kComponentScript));
    ASSERT_EQ(5, Build(ActionInstall));
    Register("N", "2.10");  // newer than the offered 2.9
    Register("E", "1.2");   // equal as far as it goes
    ASSERT_NE(nullptr, MakePage());

    EXPECT_EQ(5, FillComponentList(page_, inf_));
    // Check in bit 0, newer version in bit 1, image number in 2-9, catalogue index from
    // bit 10. Newer asks for a default check but a newer copy is installed; image 256
    // keeps its low byte.
    const std::vector<DWORD> data = {0x0000000Du, 0x0000041Cu, 0x00000BFEu, 0x00000C01u, 0x00001000u};
    ExpectRows({"Zeta Name", "Beta Name", "Newer Name", "Equal Name", "Plain Name"}, data);
    EXPECT_EQ(1, CheckList_GetNewer(list_, 2));
    EXPECT_EQ(0, CheckList_GetCheck(list_, 2));

    // One CLN_CHECKCHANGED per row, also for rows left unchecked; the row already has
    // its image and newer-version byte when the page hears of it.
    ASSERT_EQ(5u, g_PageCommands.size());
    for (int row = 0; row < 5; ++row) {
        EXPECT_EQ(MAKEWPARAM(IDC_COMPONENT_LIST, CLN_CHECKCHANGED), g_PageCommands[row].wParam) << row;
        EXPECT_EQ(MAKELPARAM(row, data[row] & 1), g_PageCommands[row].lParam) << row;
        EXPECT_EQ(data[row], g_PageCommands[row].dataSeen) << row;
    }
}

TEST_F(Catalogue, EveryRowTakesTheFirstLineOfItsKeyInAnyLetterCase)
{
    // The list finds the lines of its rows in one walk over the products section; these
    // are the lines that walk must pass or see through: a key whose first line offers
    // nothing, a line without a key, a key too long to be a product, and keys again in
    // other letter cases.
    std::string lowerA = Key("A"), upperB = Key("B");
    for (char& c : lowerA) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (char& c : upperB) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    ASSERT_NE(INVALID_HANDLE_VALUE, Open("[Products.Test]\r\n"
                                         "$PC=Cee first,,C.Remove,1,9\r\n"
                                         "$PA=First A,A1.Install,,1,3,,1.0\r\n"
                                         "=Keyless,K.Install\r\n"
                                         + std::string(200, 'L') + "=Long,L.Install\r\n"
                                         "$PB=Bee,B1.Install,,0,4\r\n"
                                         + lowerA + "=Second A,A2.Install,,0,5\r\n"
                                         "$PC=Cee second,C2.Install,,0,6\r\n"
                                         + upperB + "=Bee again,B2.Install,,1,7\r\n"
                                         "$PD=Dee,D.Install,,1,8\r\n"));
    ASSERT_EQ(6, Build(ActionInstall));
    ASSERT_EQ((std::vector<std::string>{Key("A"), Key("B"), lowerA, Key("C"), upperB, Key("D")}), CatalogueKeys());
    ASSERT_NE(nullptr, MakePage());

    EXPECT_EQ(6, FillComponentList(page_, inf_));
    // C's first line has no install section, so C (entry 3) has no row and D's row is
    // row 4: the selection goes through each row's catalogue index.
    ExpectRows({"First A", "Bee", "First A", "Bee", "Dee"}, {0x000Du, 0x0410u, 0x080Du, 0x1010u, 0x1421u});
    SelectedList selected;
    ASSERT_EQ(1, CollectCheckedProducts(page_, inf_, &selected.bytes));
    EXPECT_EQ((std::vector<std::string>{Key("A"), lowerA, Key("D")}), Items(selected.bytes));
}

TEST_F(Catalogue, CheckedRowsBecomeTheSelectionInCatalogueOrder)
{
    ASSERT_NE(INVALID_HANDLE_VALUE, Open(kComponentScript));
    ASSERT_EQ(5, Build(ActionInstall));
    Register("N", "2.10");
    ASSERT_NE(nullptr, MakePage());
    ASSERT_EQ(5, FillComponentList(page_, inf_));

    // Whatever the list held before is replaced.
    SelectedList selected({"Stale", "Entries"});
    CollectCheckedProducts(page_, inf_, &selected.bytes);
    EXPECT_EQ((std::vector<std::string>{Key("Z"), Key("E")}), Items(selected.bytes));

    // Any non-zero check value checks.
    ASSERT_EQ(1, CheckList_SetCheck(list_, 4, 2));
    ASSERT_EQ(1, CheckList_SetCheck(list_, 2, 1));
    ASSERT_EQ(1, CheckList_SetCheck(list_, 0, 0));
    CollectCheckedProducts(page_, inf_, &selected.bytes);
    EXPECT_EQ((std::vector<std::string>{Key("N"), Key("E"), Key("X")}), Items(selected.bytes));

    for (int row = 0; row < 5; ++row) CheckList_SetCheck(list_, row, 0);
    CollectCheckedProducts(page_, inf_, &selected.bytes);
    EXPECT_EQ(std::vector<std::string>(), Items(selected.bytes));
    EXPECT_EQ(0, selected.bytes[1]);
}

TEST_F(Catalogue, DescriptionsAreReadFromField6)
{
    // As long as Wine's Setup API reads a field; the full length is tested below.
    const std::string longText(511, 'd');
    ASSERT_NE(INVALID_HANDLE_VALUE, Open("[Products.Test]\r\n"
                                         "$PA=Alpha,A.Install,,0,0,\"Alpha, the first\"\r\n"
                                         "$PB=Beta,B.Install,,0,0,,9.9\r\n"
                                         "$PC=Gamma,C.Install\r\n"
                                         "$PL=Long,L.Install,,0,0," + longText + "\r\n"));
    ASSERT_EQ(4, Build(ActionInstall));

    char text[1024];
    std::strcpy(text, "stale");
    EXPECT_NE(0, GetProductDescription(inf_, 0, text, sizeof text));
    EXPECT_STREQ("Alpha, the first", text);
    std::strcpy(text, "stale");
    EXPECT_NE(0, GetProductDescription(inf_, 1, text, sizeof text));
    EXPECT_STREQ("", text);
    std::strcpy(text, "stale");
    EXPECT_EQ(0, GetProductDescription(inf_, 2, text, sizeof text));
    EXPECT_STREQ("", text);
    std::strcpy(text, "stale");
    EXPECT_NE(0, GetProductDescription(inf_, 3, text, sizeof text));
    EXPECT_EQ(longText, text);
    std::strcpy(text, "stale");
    EXPECT_EQ(0, GetProductDescription(inf_, 4, text, sizeof text));
    EXPECT_STREQ("", text);
}

TEST_F(Catalogue, ADescriptionOf1023CharactersIsReadWhole)
{
    if (GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version"))
        GTEST_SKIP() << "Wine 8's Setup API cuts every field after 511 characters while loading the script";
    const std::string longText(1023, 'd');
    ASSERT_NE(INVALID_HANDLE_VALUE, Open("[Products.Test]\r\n$PL=Long,L.Install,,0,0," + longText + "\r\n"));
    ASSERT_EQ(1, Build(ActionInstall));
    char text[1024];
    EXPECT_NE(0, GetProductDescription(inf_, 0, text, sizeof text));
    EXPECT_EQ(longText, text);
}

// ---------------------------------------------------------------------------------
// Selecting by name

TEST_F(Catalogue, NamesSelectCatalogueKeysIgnoringCase)
{
    ResetProductCatalogue();
    DWORD capacity = 1;
    for (const char* key : {"Alpha", "Beta", "Gamma", "BETA"}) ASSERT_EQ(1, AppendProduct(key, &capacity));

    SelectedList selected({"Stale"});
    EXPECT_EQ(2, SelectProductsByName("gamma,ALPHA", &selected.bytes));
    EXPECT_EQ((std::vector<std::string>{"Gamma", "Alpha"}), Items(selected.bytes));

    // The catalogue's spelling of the first matching key, as often as it is named.
    EXPECT_EQ(3, SelectProductsByName("beta,BETA,Beta", &selected.bytes));
    EXPECT_EQ((std::vector<std::string>{"Beta", "Beta", "Beta"}), Items(selected.bytes));

    // Unknown names and empty pieces are dropped.
    EXPECT_EQ(2, SelectProductsByName(",Alpha,Nobody,,Gamma,", &selected.bytes));
    EXPECT_EQ((std::vector<std::string>{"Alpha", "Gamma"}), Items(selected.bytes));

    // Blanks are part of the name.
    EXPECT_EQ(1, SelectProductsByName(" Alpha,Beta ,Gamma, Beta", &selected.bytes));
    EXPECT_EQ((std::vector<std::string>{"Gamma"}), Items(selected.bytes));

    EXPECT_EQ(0, SelectProductsByName("", &selected.bytes));
    EXPECT_EQ(std::vector<std::string>(), Items(selected.bytes));
    EXPECT_EQ(0, selected.bytes[1]);

    // A piece far longer than any key names nothing.
    const std::string huge = std::string(5000, 'A') + ",Beta";
    EXPECT_EQ(1, SelectProductsByName(huge.c_str(), &selected.bytes));
    EXPECT_EQ((std::vector<std::string>{"Beta"}), Items(selected.bytes));
}

TEST_F(Catalogue, EveryCheckedProductIsSelectedAndEveryInstallSectionListed)
{
    // 120 products checked by default: keys of 13 and install sections of 21 characters,
    // far more than 1,024 bytes of either list.
    std::string script = "[Products.Test]\r\n";
    for (int i = 100; i < 220; ++i)
        script += "Key" + std::to_string(i) + "abcdefg=P," + std::string(18, 'S') + std::to_string(i) + ",,1\r\n";
    ASSERT_NE(INVALID_HANDLE_VALUE, Open(script));
    ASSERT_EQ(120, Build(ActionInstall));
    ASSERT_NE(nullptr, MakePage());
    ASSERT_EQ(120, FillComponentList(page_, inf_));
    SelectedList selected, sections;
    ASSERT_EQ(1, CollectCheckedProducts(page_, inf_, &selected.bytes));
    EXPECT_EQ(CatalogueKeys(), Items(selected.bytes));
    CollectInstallSections(inf_, selected.bytes, &sections.bytes);
    EXPECT_EQ(120u, Items(selected.bytes).size());
    EXPECT_EQ(121u, Items(sections.bytes).size());
}

// ---------------------------------------------------------------------------------
// Section lists

const char kSectionScript[] =
    "[Products.Test]\r\n"
    "$PA=Alpha,A.Install,A.Remove\r\n"
    "$PB=Beta,B.Install,B.Remove\r\n"
    "$PE=Empty,,,0\r\n"
    "$PF=Fieldless\r\n";

TEST_F(Catalogue, InstallSectionsStartWithTheMainOne)
{
    ASSERT_NE(INVALID_HANDLE_VALUE, Open(kSectionScript));
    ASSERT_EQ(4, Build(ActionRemove));

    SelectedList selected({Key("B"), Key("Unknown"), Key("E"), Key("F"), Key("a")});
    SelectedList sections;
    CollectInstallSections(inf_, selected.bytes, &sections.bytes);
    EXPECT_EQ((std::vector<std::string>{"Install.Test", "B.Install", "A.Install"}), Items(sections.bytes));

    SelectedList none;
    CollectInstallSections(inf_, none.bytes, &sections.bytes);
    EXPECT_EQ((std::vector<std::string>{"Install.Test"}), Items(sections.bytes));

    SelectedList unknown({Key("Unknown")});
    CollectInstallSections(inf_, unknown.bytes, &sections.bytes);
    EXPECT_EQ((std::vector<std::string>{"Install.Test"}), Items(sections.bytes));
}

TEST_F(Catalogue, AnInstallSectionNameOf255CharactersIsListed)
{
    const std::string section(255, 'S');
    ASSERT_NE(INVALID_HANDLE_VALUE, Open("[Products.Test]\r\n$PL=Long," + section + "\r\n"));
    SelectedList selected({Key("L")}), sections;
    CollectInstallSections(inf_, selected.bytes, &sections.bytes);
    EXPECT_EQ((std::vector<std::string>{"Install.Test", section}), Items(sections.bytes));
}

TEST_F(Catalogue, AnotherRegisteredProductKeepsTheMainRemoveSectionOut)
{
    ASSERT_NE(INVALID_HANDLE_VALUE, Open(kSectionScript));
    ASSERT_EQ(4, Build(ActionRemove));
    Register("A");
    Register("B");
    SelectedList sections;

    // B's entry can be read but not written: it is still registered.
    ASSERT_TRUE(testsupport::LockKey(std::string(kUninstallKey) + "\\" + Key("B"), true));
    SelectedList alpha({Key("A")});
    EXPECT_EQ(1, CollectRemoveSections(inf_, alpha.bytes, &sections.bytes));
    EXPECT_EQ((std::vector<std::string>{"A.Remove"}), Items(sections.bytes));

    // The selection names the product in another letter case: the same product.
    std::string lower = Key("A");
    for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    SelectedList alphaLower({lower});
    EXPECT_EQ(1, CollectRemoveSections(inf_, alphaLower.bytes, &sections.bytes));
    EXPECT_EQ((std::vector<std::string>{"A.Remove"}), Items(sections.bytes));

    // Naming the product twice does not make the other one leave.
    SelectedList twice({Key("A"), Key("A")});
    EXPECT_EQ(2, CollectRemoveSections(inf_, twice.bytes, &sections.bytes));
    EXPECT_EQ((std::vector<std::string>{"A.Remove", "A.Remove"}), Items(sections.bytes));
}

TEST_F(Catalogue, TheLastRegisteredProductAlsoRunsTheMainRemoveSection)
{
    ASSERT_NE(INVALID_HANDLE_VALUE, Open(kSectionScript));
    ASSERT_EQ(4, Build(ActionRemove));
    Register("A");
    Register("B");
    SelectedList sections;

    Unregister("B");
    SelectedList alpha({Key("A")});
    EXPECT_EQ(2, CollectRemoveSections(inf_, alpha.bytes, &sections.bytes));
    EXPECT_EQ((std::vector<std::string>{"A.Remove", "Remove.Test"}), Items(sections.bytes));

    // Named twice, in two letter cases: still nothing else stays registered.
    std::string lower = Key("A");
    for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    SelectedList twice({Key("A"), lower});
    EXPECT_EQ(3, CollectRemoveSections(inf_, twice.bytes, &sections.bytes));
    EXPECT_EQ((std::vector<std::string>{"A.Remove", "A.Remove", "Remove.Test"}), Items(sections.bytes));

    // Its uninstall entry already gone: the same.
    Unregister("A");
    EXPECT_EQ(2, CollectRemoveSections(inf_, alpha.bytes, &sections.bytes));
    EXPECT_EQ((std::vector<std::string>{"A.Remove", "Remove.Test"}), Items(sections.bytes));
}

TEST_F(Catalogue, AProductListedTwiceInTheCatalogueLeavesAsOne)
{
    ASSERT_NE(INVALID_HANDLE_VALUE, Open("[Products.Test]\r\n"
                                         "$PA=Alpha,A.Install,A.Remove\r\n"
                                         "$PB=Beta,B.Install,B.Remove\r\n"
                                         "$PA=Again,A2.Install,A2.Remove\r\n"));
    ASSERT_EQ(3, Build(ActionRemove));
    Register("A");
    SelectedList sections;

    SelectedList alpha({Key("A")});
    EXPECT_EQ(2, CollectRemoveSections(inf_, alpha.bytes, &sections.bytes));
    EXPECT_EQ((std::vector<std::string>{"A.Remove", "Remove.Test"}), Items(sections.bytes));

    Register("B");
    EXPECT_EQ(1, CollectRemoveSections(inf_, alpha.bytes, &sections.bytes));
    EXPECT_EQ((std::vector<std::string>{"A.Remove"}), Items(sections.bytes));
}

TEST_F(Catalogue, TheMainEntryRemovesNothingWhileAProductStaysRegistered)
{
    ASSERT_NE(INVALID_HANDLE_VALUE, Open(kSectionScript));
    ASSERT_EQ(4, Build(ActionRemove));
    Register("B");
    SelectedList sections;

    // The main uninstall entry's name is no product key.
    SelectedList main({Key("Main")});
    EXPECT_EQ(0, CollectRemoveSections(inf_, main.bytes, &sections.bytes));
    EXPECT_EQ(std::vector<std::string>(), Items(sections.bytes));
    EXPECT_EQ(0, sections.bytes[1]);

    Unregister("B");
    EXPECT_EQ(1, CollectRemoveSections(inf_, main.bytes, &sections.bytes));
    EXPECT_EQ((std::vector<std::string>{"Remove.Test"}), Items(sections.bytes));
}

TEST_F(Catalogue, AnEmptyRemoveSectionDoesNotCutOffTheMainOne)
{
    ASSERT_NE(INVALID_HANDLE_VALUE, Open(kSectionScript));
    ASSERT_EQ(4, Build(ActionRemove));
    Register("E");
    SelectedList sections;

    SelectedList empty({Key("E")});
    EXPECT_EQ(1, CollectRemoveSections(inf_, empty.bytes, &sections.bytes));
    EXPECT_EQ((std::vector<std::string>{"Remove.Test"}), Items(sections.bytes));

    Register("A");
    SelectedList both({Key("E"), Key("A"), Key("F")});
    EXPECT_EQ(2, CollectRemoveSections(inf_, both.bytes, &sections.bytes));
    EXPECT_EQ((std::vector<std::string>{"A.Remove", "Remove.Test"}), Items(sections.bytes));
}

// ---------------------------------------------------------------------------------
// Flags and restart

const char kFlagScript[] =
    "[Install.Reboot1]\r\n"
    "Reboot=1\r\n"
    "[Install.Reboot0]\r\n"
    "Reboot=0\r\n"
    "[Install.RebootText]\r\n"
    "Reboot=\" 2 times\"\r\n"
    "[Products.Test]\r\n"
    "$P1=One,1.Install,,1\r\n"
    "$P2=Two,2.Install,,2\r\n"
    "$P6=Six,6.Install,,6\r\n"
    "$P4=Four,4.Install,,\" +4\"\r\n"
    "$PT=Text,T.Install,,x\r\n"
    "$PN=Negative,N.Install,,-2\r\n"
    "$PM=Missing,M.Install\r\n";

TEST_F(Catalogue, ProductsAreCountedByTheirFlags)
{
    ASSERT_NE(INVALID_HANDLE_VALUE, Open(kFlagScript));
    SelectedList all({Key("1"), Key("2"), Key("6"), Key("4"), Key("T"), Key("N"), Key("M"), Key("Unknown")});
    EXPECT_EQ(1, CountProductsWithFlags(inf_, all.bytes, 1));
    EXPECT_EQ(3, CountProductsWithFlags(inf_, all.bytes, 2));  // 2, 6, -2
    EXPECT_EQ(3, CountProductsWithFlags(inf_, all.bytes, 4));  // 6, +4, -2
    EXPECT_EQ(5, CountProductsWithFlags(inf_, all.bytes, 7));
    EXPECT_EQ(0, CountProductsWithFlags(inf_, all.bytes, 0));

    SelectedList twice({Key("2"), Key("2")});
    EXPECT_EQ(2, CountProductsWithFlags(inf_, twice.bytes, 2));
    SelectedList none;
    EXPECT_EQ(0, CountProductsWithFlags(inf_, none.bytes, 7));
}

TEST_F(Catalogue, ARestartIsNeededForFlag2OrANonZeroRebootLine)
{
    ASSERT_NE(INVALID_HANDLE_VALUE, Open(kFlagScript));
    SelectedList one({Key("1"), Key("4")});
    SelectedList two({Key("1"), Key("2")});
    SelectedList none;

    // No Reboot line in the install section.
    EXPECT_EQ(0, IsRestartRequired(inf_, one.bytes));
    EXPECT_NE(0, IsRestartRequired(inf_, two.bytes));

    g_Sections.InstallSection = "Install.Reboot1";
    EXPECT_NE(0, IsRestartRequired(inf_, one.bytes));
    EXPECT_NE(0, IsRestartRequired(inf_, none.bytes));

    g_Sections.InstallSection = "Install.Reboot0";
    EXPECT_EQ(0, IsRestartRequired(inf_, one.bytes));
    EXPECT_NE(0, IsRestartRequired(inf_, two.bytes));

    g_Sections.InstallSection = "Install.RebootText";
    EXPECT_NE(0, IsRestartRequired(inf_, none.bytes));
}

} // namespace
