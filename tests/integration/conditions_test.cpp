// Start conditions with real condition libraries: the cond_*.dll fixtures built beside
// this test program (see tests/fixtures), which count in this process's environment
// how often they were loaded and asked for their failure text. Covered: one condition
// (CallConditionFunction), a condition section, the Conditions key of a section, the
// start conditions with their message box, and the program folder and version check
// that the plug-in code shares.
//
// A message box would block the test's thread, so the tests that can show one start a
// BoxWatcher first: a thread that finds message boxes of this process, records what
// they show, and presses OK.

#include "../../catalogue/conditions.h"
#include "../../base/libraries.h"
#include "../../catalogue/plugins.h"
#include "../../setupapi/inf.h"
#include "../support/boxwatcher.h"
#include "../support/testsupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char kNorvaleText[] = "Norvale service pack 3 is required.";
const char kTessaroText[] = "Tessaro driver 2.1 is missing.";
const char kVersion0Text[] = "Version 0 library refuses.";
const char kVersionMinus1Text[] = "Version -1 library refuses.";
const char kEnglishCaption[] = "The installation cannot be executed";
const char kGermanCaption[] = "Die Installation kann nicht ausgef\xfchrt werden";

const char* const kFixtures[] = {"cond_norvale",   "cond_tessaro",   "cond_version0",
                                 "cond_versionm1", "cond_version2",  "cond_noversion",
                                 "cond_nomessage", "cond_longmessage"};

// A fixture's counter: "LOADED" (times mapped into the process) or "MESSAGE" (calls of
// GetLastFailMessage).
int Counter(const char* kind, const char* fixture)
{
    const std::string name = std::string("SETUP_FIXTURE_") + kind + "_" + fixture;
    char text[16] = "";
    if (GetEnvironmentVariableA(name.c_str(), text, sizeof text) >= sizeof text) return -1;
    return std::atoi(text);
}

int Loads(const char* fixture) { return Counter("LOADED", fixture); }
int MessageCalls(const char* fixture) { return Counter("MESSAGE", fixture); }

void ClearCounters()
{
    for (const char* fixture : kFixtures) {
        SetEnvironmentVariableA((std::string("SETUP_FIXTURE_LOADED_") + fixture).c_str(), nullptr);
        SetEnvironmentVariableA((std::string("SETUP_FIXTURE_MESSAGE_") + fixture).c_str(), nullptr);
    }
}

std::string FixturePath(const char* fixture)
{
    return testsupport::TestFolder() + "\\" + fixture + ".dll";
}

// Whether the fixture is mapped into the process now.
bool IsMapped(const char* fixture)
{
    return GetModuleHandleA(FixturePath(fixture).c_str()) != nullptr;
}

// The 255-character prefix that cond_longmessage.dll's text must be cut to.
std::string LongTextPrefix()
{
    std::string text;
    for (int i = 0; i < 255; ++i) text += static_cast<char>('a' + i % 26);
    return text;
}

// Switches the thread locale for one test and back; string 1324 follows it.
class ThreadLanguage {
public:
    explicit ThreadLanguage(WORD language) : saved_(GetThreadLocale())
    {
        SetThreadLocale(MAKELCID(language, SORT_DEFAULT));
    }
    ~ThreadLanguage() { SetThreadLocale(saved_); }
    ThreadLanguage(const ThreadLanguage&) = delete;
    ThreadLanguage& operator=(const ThreadLanguage&) = delete;
private:
    LCID saved_;
};

const WORD English = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
const WORD German = MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN);

// Scratch folder for the script, counters cleared, current folder restored.
class Conditions : public ::testing::Test {
protected:
    void SetUp() override
    {
        ClearCounters();
        GetCurrentDirectoryA(sizeof savedFolder_, savedFolder_);
        folder_ = testsupport::MakeScratchFolder("conditions");
        ASSERT_FALSE(folder_.empty());
        std::strcpy(message_, "earlier text");
    }
    void TearDown() override
    {
        if (inf_ != INVALID_HANDLE_VALUE) SetupCloseInfFile(inf_);
        if (owner_) DestroyWindow(owner_);
        SetCurrentDirectoryA(savedFolder_);
        testsupport::RemoveTree(folder_);
        ClearCounters();
    }

    // Writes `sections` after a [Version] section as setup.inf and opens it.
    HINF Open(const std::string& sections)
    {
        const std::string path = folder_ + "\\setup.inf";
        EXPECT_TRUE(testsupport::WriteFile(path, "[Version]\r\nSignature=\"$Chicago$\"\r\n" + sections));
        UINT errorLine = 0;
        inf_ = InfOpen(path.c_str(), &errorLine);
        EXPECT_NE(INVALID_HANDLE_VALUE, inf_) << "line " << errorLine;
        return inf_;
    }

    // A hidden top-level window to own the message boxes.
    HWND Owner()
    {
        if (!owner_) owner_ = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        return owner_;
    }

    std::string folder_;
    char savedFolder_[MAX_PATH] = "";
    HINF inf_ = INVALID_HANDLE_VALUE;
    HWND owner_ = nullptr;
    char message_[ConditionMessageSize];
};

// ---------------------------------------------------------------------------------
// One condition: load, version check, call, failure text, unload.

using ConditionFunction = Conditions;

TEST_F(ConditionFunction, HoldingConditionIsCalledAndTheLibraryUnloaded)
{
    char text[FailureTextSize] = "";
    EXPECT_EQ(1, CallConditionFunction("cond_norvale.dll", "Holds", text));
    EXPECT_STREQ("", text);
    EXPECT_EQ(1, Loads("cond_norvale"));
    EXPECT_EQ(0, MessageCalls("cond_norvale"));
    EXPECT_FALSE(IsMapped("cond_norvale"));
}

TEST_F(ConditionFunction, FailingConditionGivesTheLibrarysText)
{
    char text[FailureTextSize] = "";
    EXPECT_EQ(0, CallConditionFunction("cond_norvale.dll", "Fails", text));
    EXPECT_STREQ(kNorvaleText, text);
    EXPECT_EQ(1, MessageCalls("cond_norvale"));
    EXPECT_FALSE(IsMapped("cond_norvale"));
}

TEST_F(ConditionFunction, ResultIsPassedOnAndOnlyZeroAsksForAText)
{
    char text[FailureTextSize] = "";
    EXPECT_EQ(2, CallConditionFunction("cond_norvale.dll", "ReturnsTwo", text));
    EXPECT_EQ(3, CallConditionFunction("cond_norvale.dll", "ReturnsThree", text));
    EXPECT_STREQ("", text);
    EXPECT_EQ(0, MessageCalls("cond_norvale"));
    EXPECT_EQ(2, Loads("cond_norvale"));
}

TEST_F(ConditionFunction, VersionsZeroAndMinusOneAreUsed)
{
    struct Case { const char* fixture; const char* text; };
    const Case cases[] = {{"cond_version0", kVersion0Text}, {"cond_versionm1", kVersionMinus1Text}};
    for (const Case& c : cases) {
        const std::string file = std::string(c.fixture) + ".dll";
        char text[FailureTextSize] = "";
        EXPECT_EQ(1, CallConditionFunction(file.c_str(), "Holds", text)) << c.fixture;
        EXPECT_EQ(0, CallConditionFunction(file.c_str(), "Fails", text)) << c.fixture;
        EXPECT_STREQ(c.text, text) << c.fixture;
        EXPECT_EQ(1, MessageCalls(c.fixture)) << c.fixture;
    }
}

TEST_F(ConditionFunction, TooNewOrUnversionedLibrariesAreNotUsed)
{
    for (const char* fixture : {"cond_version2", "cond_noversion"}) {
        const std::string file = std::string(fixture) + ".dll";
        char text[FailureTextSize] = "";
        // Loaded and looked at, but neither condition is asked: a Holds that were called
        // would give 1, a Fails would bring the library's text.
        EXPECT_EQ(0, CallConditionFunction(file.c_str(), "Holds", text)) << fixture;
        EXPECT_EQ(0, CallConditionFunction(file.c_str(), "Fails", text)) << fixture;
        EXPECT_STREQ("", text) << fixture;
        EXPECT_EQ(2, Loads(fixture)) << fixture;
        EXPECT_EQ(0, MessageCalls(fixture)) << fixture;
        EXPECT_FALSE(IsMapped(fixture)) << fixture;
    }
}

TEST_F(ConditionFunction, MissingFunctionOrMessageExportGivesZeroWithoutText)
{
    char text[FailureTextSize] = "";
    EXPECT_EQ(0, CallConditionFunction("cond_norvale.dll", "NoSuchCondition", text));
    EXPECT_STREQ("", text);
    EXPECT_EQ(0, MessageCalls("cond_norvale"));
    EXPECT_FALSE(IsMapped("cond_norvale"));

    EXPECT_EQ(0, CallConditionFunction("cond_nomessage.dll", "Fails", text));
    EXPECT_STREQ("", text);
    EXPECT_EQ(1, Loads("cond_nomessage"));
    EXPECT_FALSE(IsMapped("cond_nomessage"));
}

TEST_F(ConditionFunction, UnterminatedTextIsCutAfter255Characters)
{
    // The caller's buffer is 256 bytes; the bytes behind it must stay untouched.
    char area[512];
    std::memset(area, 'z', sizeof area);
    EXPECT_EQ(0, CallConditionFunction("cond_longmessage.dll", "Fails", area));
    EXPECT_EQ(1, MessageCalls("cond_longmessage"));
    ASSERT_EQ('\0', area[255]);
    EXPECT_EQ(LongTextPrefix(), std::string(area));
    for (size_t i = FailureTextSize; i < sizeof area; ++i) ASSERT_EQ('z', area[i]) << "byte " << i;
}

TEST_F(ConditionFunction, LibraryThatCannotBeLoadedDoesNotHold)
{
    char text[FailureTextSize] = "";
    EXPECT_EQ(0, CallConditionFunction("cond_absent.dll", "Holds", text));
    EXPECT_STREQ("", text);
    // A name that with the program folder exceeds a path's length.
    const std::string longName = std::string(250, 'n') + ".dll";
    EXPECT_EQ(0, CallConditionFunction(longName.c_str(), "Holds", text));
    EXPECT_STREQ("", text);
}

TEST_F(ConditionFunction, LibrariesComeFromTheProgramFolderNotTheCurrentOne)
{
    const std::string name = "cond_elsewhere_" + std::to_string(GetCurrentProcessId()) + ".dll";
    ASSERT_TRUE(CopyFileA(FixturePath("cond_norvale").c_str(), (folder_ + "\\" + name).c_str(), FALSE));
    ASSERT_TRUE(SetCurrentDirectoryA(folder_.c_str()));
    // A plain load by name would find the copy in the current folder...
    HMODULE plain = LoadLibraryA(name.c_str());
    ASSERT_NE(nullptr, plain);
    FreeLibrary(plain);
    ClearCounters();
    // ...but the program looks only beside itself.
    char text[FailureTextSize] = "";
    EXPECT_EQ(0, CallConditionFunction(name.c_str(), "Holds", text));
    EXPECT_EQ(0, Loads("cond_norvale"));
}

// ---------------------------------------------------------------------------------
// A condition section: every line must hold; the first that does not ends it.

using ConditionSection = Conditions;

TEST_F(ConditionSection, EveryLineHoldsWhateverItsKey)
{
    ASSERT_NE(INVALID_HANDLE_VALUE, Open("[Needs]\r\n"
                                         "First = cond_norvale.dll, Holds\r\n"
                                         "cond_tessaro.dll, Holds\r\n"
                                         "Third = cond_norvale.dll, ReturnsThree\r\n"));
    EXPECT_EQ(1, CheckConditionSection(inf_, "Needs", message_));
    EXPECT_STREQ("earlier text", message_);
    EXPECT_EQ(2, Loads("cond_norvale"));
    EXPECT_EQ(1, Loads("cond_tessaro"));
}

TEST_F(ConditionSection, FirstFailingLineGivesTheTextAndEndsTheSection)
{
    ASSERT_NE(INVALID_HANDLE_VALUE, Open("[Needs]\r\n"
                                         "A = cond_version0.dll, Holds\r\n"
                                         "B = cond_norvale.dll, Fails\r\n"
                                         "C = cond_tessaro.dll, Fails\r\n"));
    EXPECT_EQ(0, CheckConditionSection(inf_, "Needs", message_));
    EXPECT_STREQ(kNorvaleText, message_);
    EXPECT_EQ(1, Loads("cond_version0"));
    EXPECT_EQ(0, Loads("cond_tessaro"));
}

TEST_F(ConditionSection, ResultTwoDoesNotHoldAndLeavesAnEmptyText)
{
    ASSERT_NE(INVALID_HANDLE_VALUE, Open("[Needs]\r\n"
                                         "A = cond_norvale.dll, ReturnsTwo\r\n"
                                         "B = cond_tessaro.dll, Holds\r\n"));
    EXPECT_EQ(0, CheckConditionSection(inf_, "Needs", message_));
    EXPECT_STREQ("", message_);
    EXPECT_EQ(1, Loads("cond_norvale"));
    EXPECT_EQ(0, MessageCalls("cond_norvale"));
    EXPECT_EQ(0, Loads("cond_tessaro"));
}

TEST_F(ConditionSection, RejectedLibraryReplacesTheTextWithAnEmptyOne)
{
    ASSERT_NE(INVALID_HANDLE_VALUE, Open("[Needs]\r\n"
                                         "A = cond_version2.dll, Holds\r\n"));
    EXPECT_EQ(0, CheckConditionSection(inf_, "Needs", message_));
    EXPECT_STREQ("", message_);
}

TEST_F(ConditionSection, MissingOrEmptySectionDoesNotHoldAndKeepsTheText)
{
    ASSERT_NE(INVALID_HANDLE_VALUE, Open("[Empty]\r\n"
                                         "[Other]\r\n"
                                         "A = cond_norvale.dll, Holds\r\n"));
    EXPECT_EQ(0, CheckConditionSection(inf_, "Empty", message_));
    EXPECT_STREQ("earlier text", message_);
    EXPECT_EQ(0, CheckConditionSection(inf_, "Nowhere", message_));
    EXPECT_STREQ("earlier text", message_);
    EXPECT_EQ(0, Loads("cond_norvale"));
}

// ---------------------------------------------------------------------------------
// The Conditions key of a section: all condition sections it names must hold.

using SectionConditions = Conditions;

const char kConditionSections[] =
    "[NeedsNorvale]\r\n"
    "cond_norvale.dll, Holds\r\n"
    "[NeedsTessaro]\r\n"
    "cond_tessaro.dll, Holds\r\n"
    "[RefusedByNorvale]\r\n"
    "cond_norvale.dll, Fails\r\n"
    "[RefusedByTessaro]\r\n"
    "cond_tessaro.dll, Fails\r\n";

TEST_F(SectionConditions, SectionWithoutConditionsHolds)
{
    ASSERT_NE(INVALID_HANDLE_VALUE, Open(std::string("[Plain]\r\n"
                                                     "Other = RefusedByNorvale\r\n") +
                                         kConditionSections));
    EXPECT_EQ(1, CheckSectionConditions(inf_, "Plain", message_));
    EXPECT_EQ(1, CheckSectionConditions(inf_, "Nowhere", message_));
    EXPECT_STREQ("earlier text", message_);
    EXPECT_EQ(0, Loads("cond_norvale"));
}

TEST_F(SectionConditions, AllNamedSectionsHold)
{
    ASSERT_NE(INVALID_HANDLE_VALUE, Open(std::string("[Product]\r\n"
                                                     "Conditions = NeedsNorvale, NeedsTessaro\r\n") +
                                         kConditionSections));
    EXPECT_EQ(1, CheckSectionConditions(inf_, "Product", message_));
    EXPECT_STREQ("earlier text", message_);
    EXPECT_EQ(1, Loads("cond_norvale"));
    EXPECT_EQ(1, Loads("cond_tessaro"));
}

TEST_F(SectionConditions, FirstFailingSectionEndsTheEvaluation)
{
    ASSERT_NE(INVALID_HANDLE_VALUE, Open(std::string("[Product]\r\n"
                                                     "Conditions = RefusedByNorvale, RefusedByTessaro, NeedsTessaro\r\n") +
                                         kConditionSections));
    EXPECT_EQ(0, CheckSectionConditions(inf_, "Product", message_));
    EXPECT_STREQ(kNorvaleText, message_);
    EXPECT_EQ(1, Loads("cond_norvale"));
    EXPECT_EQ(0, Loads("cond_tessaro"));
}

TEST_F(SectionConditions, LaterSectionIsAskedWhenTheFirstHolds)
{
    ASSERT_NE(INVALID_HANDLE_VALUE, Open(std::string("[Product]\r\n"
                                                     "Conditions = NeedsNorvale, RefusedByTessaro\r\n") +
                                         kConditionSections));
    EXPECT_EQ(0, CheckSectionConditions(inf_, "Product", message_));
    EXPECT_STREQ(kTessaroText, message_);
}

TEST_F(SectionConditions, EmptyFieldNamesNoSection)
{
    ASSERT_NE(INVALID_HANDLE_VALUE, Open(std::string("[Product]\r\n"
                                                     "Conditions = NeedsNorvale,,NeedsTessaro\r\n") +
                                         kConditionSections));
    EXPECT_EQ(0, CheckSectionConditions(inf_, "Product", message_));
    EXPECT_STREQ("earlier text", message_);
    EXPECT_EQ(1, Loads("cond_norvale"));
    EXPECT_EQ(0, Loads("cond_tessaro"));
}

TEST_F(SectionConditions, OverlongSectionNameDoesNotHold)
{
    // A name of 300 characters cannot be read into 256 bytes; it names no section, and
    // must not end the list as if it were the last field.
    const std::string longName(300, 'L');
    ASSERT_NE(INVALID_HANDLE_VALUE, Open("[Product]\r\n"
                                         "Conditions = NeedsNorvale, " + longName + ", NeedsTessaro\r\n"
                                         "[Last]\r\n"
                                         "Conditions = NeedsNorvale, " + longName + "\r\n" +
                                         kConditionSections));
    EXPECT_EQ(0, CheckSectionConditions(inf_, "Product", message_));
    EXPECT_EQ(0, Loads("cond_tessaro"));
    EXPECT_EQ(0, CheckSectionConditions(inf_, "Last", message_));
    EXPECT_STREQ("earlier text", message_);
}

// ---------------------------------------------------------------------------------
// The start conditions: the section "Install", and the message box when they fail.

using StartConditions = Conditions;

TEST_F(StartConditions, HoldWithoutInstallSectionEvenWhenAPlatformSectionHasConditions)
{
    ASSERT_NE(INVALID_HANDLE_VALUE, Open(std::string("[Install.NT5]\r\n"
                                                     "Conditions = RefusedByNorvale\r\n") +
                                         kConditionSections));
    testsupport::BoxWatcher answerer;
    ASSERT_TRUE(answerer.Started());
    EXPECT_EQ(1, CheckStartConditions(inf_, GetModuleHandleA(nullptr), Owner()));
    const testsupport::BoxesSeen& seen = answerer.Finish();
    EXPECT_EQ(0u, seen.boxes.size());
    EXPECT_EQ(0, Loads("cond_norvale"));
}

TEST_F(StartConditions, OnlyTheSectionNamedInstallCounts)
{
    ASSERT_NE(INVALID_HANDLE_VALUE, Open(std::string("[Install]\r\n"
                                                     "Conditions = NeedsTessaro\r\n"
                                                     "[Install.NT5]\r\n"
                                                     "Conditions = RefusedByNorvale\r\n"
                                                     "[Install.Win9x]\r\n"
                                                     "Conditions = RefusedByNorvale\r\n") +
                                         kConditionSections));
    testsupport::BoxWatcher answerer;
    ASSERT_TRUE(answerer.Started());
    EXPECT_EQ(1, CheckStartConditions(inf_, GetModuleHandleA(nullptr), Owner()));
    const testsupport::BoxesSeen& seen = answerer.Finish();
    EXPECT_EQ(0u, seen.boxes.size());
    EXPECT_EQ(1, Loads("cond_tessaro"));
    EXPECT_EQ(0, Loads("cond_norvale"));
}

TEST_F(StartConditions, InstallWithoutConditionsKeyHolds)
{
    ASSERT_NE(INVALID_HANDLE_VALUE, Open(std::string("[Install]\r\n"
                                                     "CopyFiles = Nothing\r\n"
                                                     "[Install.NT5]\r\n"
                                                     "Conditions = RefusedByNorvale\r\n") +
                                         kConditionSections));
    testsupport::BoxWatcher answerer;
    ASSERT_TRUE(answerer.Started());
    EXPECT_EQ(1, CheckStartConditions(inf_, GetModuleHandleA(nullptr), Owner()));
    const testsupport::BoxesSeen& seen = answerer.Finish();
    EXPECT_EQ(0u, seen.boxes.size());
    EXPECT_EQ(0, Loads("cond_norvale"));
}

TEST_F(StartConditions, FailureShowsTheFirstTextInAPlainBox)
{
    ThreadLanguage english(English);
    ASSERT_NE(INVALID_HANDLE_VALUE, Open(std::string("[Install]\r\n"
                                                     "Conditions = RefusedByNorvale, RefusedByTessaro\r\n") +
                                         kConditionSections));
    testsupport::BoxWatcher answerer;
    ASSERT_TRUE(answerer.Started());
    EXPECT_EQ(0, CheckStartConditions(inf_, GetModuleHandleA(nullptr), Owner()));
    const testsupport::BoxesSeen& seen = answerer.Finish();
    ASSERT_EQ(1u, seen.boxes.size());
    const driver::MessageBoxInfo& box = seen.boxes[0];
    EXPECT_EQ(kEnglishCaption, box.caption);
    EXPECT_EQ(kNorvaleText, box.text);
    EXPECT_EQ(Owner(), box.owner);
    EXPECT_EQ(1u, box.buttons.size());
    EXPECT_TRUE(driver::HasButton(box, IDOK));
    EXPECT_EQ(0, box.icons);
    EXPECT_EQ(0, Loads("cond_tessaro"));
}

TEST_F(StartConditions, RefusalWithoutATextShowsAnEmptyText)
{
    // A library that is not used, and a result of 2, which asks for no text.
    ThreadLanguage english(English);
    ASSERT_NE(INVALID_HANDLE_VALUE, Open("[Install]\r\n"
                                         "Conditions = TooNew\r\n"
                                         "[Install.Product]\r\n"
                                         "Conditions = OddResult\r\n"
                                         "[TooNew]\r\n"
                                         "cond_version2.dll, Fails\r\n"
                                         "[OddResult]\r\n"
                                         "cond_norvale.dll, ReturnsTwo\r\n"));
    {
        testsupport::BoxWatcher answerer;
        ASSERT_TRUE(answerer.Started());
        EXPECT_EQ(0, CheckStartConditions(inf_, GetModuleHandleA(nullptr), Owner()));
        const testsupport::BoxesSeen& seen = answerer.Finish();
        ASSERT_EQ(1u, seen.boxes.size());
        EXPECT_EQ(kEnglishCaption, seen.boxes[0].caption);
        EXPECT_EQ("", seen.boxes[0].text);
        EXPECT_EQ(1, Loads("cond_version2"));
        EXPECT_EQ(0, MessageCalls("cond_version2"));
    }
    // The same through the per-product path that the catalogue takes: the section's
    // conditions and then the failure box with whatever text they left.
    std::strcpy(message_, "");
    EXPECT_EQ(0, CheckSectionConditions(inf_, "Install.Product", message_));
    EXPECT_EQ(1, Loads("cond_norvale"));
    EXPECT_EQ(0, MessageCalls("cond_norvale"));
    testsupport::BoxWatcher answerer;
    ASSERT_TRUE(answerer.Started());
    ShowConditionFailure(GetModuleHandleA(nullptr), Owner(), message_);
    const testsupport::BoxesSeen& seen = answerer.Finish();
    ASSERT_EQ(1u, seen.boxes.size());
    EXPECT_EQ("", seen.boxes[0].text);
}

TEST_F(StartConditions, FailureBoxCaptionFollowsTheLanguage)
{
    ThreadLanguage german(German);
    testsupport::BoxWatcher answerer;
    ASSERT_TRUE(answerer.Started());
    ShowConditionFailure(GetModuleHandleA(nullptr), Owner(), kTessaroText);
    const testsupport::BoxesSeen& seen = answerer.Finish();
    ASSERT_EQ(1u, seen.boxes.size());
    EXPECT_EQ(kGermanCaption, seen.boxes[0].caption);
    EXPECT_EQ(kTessaroText, seen.boxes[0].text);
    EXPECT_EQ(1u, seen.boxes[0].buttons.size());
    EXPECT_EQ(0, seen.boxes[0].icons);
}

// ---------------------------------------------------------------------------------
// The program folder and the interface version check shared with the plug-ins.

TEST(LibraryFolderAndVersion, ProgramFolderIsThisProgramsFolderWithABackslash)
{
    char folder[MAX_PATH];
    std::memset(folder, 'x', sizeof folder);
    ASSERT_EQ(1, GetProgramFolder(folder));
    EXPECT_EQ(testsupport::TestFolder() + "\\", std::string(folder));
}

TEST(LibraryFolderAndVersion, VersionCheckAcceptsOneAndBelow)
{
    struct Case { const char* fixture; int supported; };
    const Case cases[] = {{"cond_norvale", 1},  {"cond_version0", 1},  {"cond_versionm1", 1},
                          {"cond_version2", 0}, {"cond_noversion", 0}};
    for (const Case& c : cases) {
        HMODULE library = LoadLibraryA(FixturePath(c.fixture).c_str());
        ASSERT_NE(nullptr, library) << c.fixture;
        EXPECT_EQ(c.supported, IsPluginVersionSupported(library)) << c.fixture;
        FreeLibrary(library);
    }
    // A module without the export at all: this test program.
    EXPECT_EQ(0, IsPluginVersionSupported(GetModuleHandleA(nullptr)));
}

} // namespace
