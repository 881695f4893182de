// Start-up decisions: the command-line table and its edge cases, the mutex name, the
// default wizard style and cutting the program path.

#include "../../app/startup.h"
#include "../../base/pathtext.h"
#include "../../base/textlist.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Parses `commandLine` into fresh options; the text stays alive with the result.
struct Parsed {
    explicit Parsed(const std::string& commandLine) : text(commandLine.begin(), commandLine.end())
    {
        text.push_back('\0');
        InitRunOptions(&options);
        options.Language = 0x0407;          // as if chosen before the options
        options.WizardStyle = Wizard97Composed;
        ParseCommandLine(text.data(), &options);
    }
    ~Parsed() { TextListFree(options.SelectedProducts); }
    std::vector<char> text;
    RunOptions options;

    std::vector<std::string> Selected() const
    {
        std::vector<std::string> keys;
        for (int i = 0; TextListItem(options.SelectedProducts, i); ++i)
            keys.push_back(TextListItem(options.SelectedProducts, i));
        return keys;
    }
};

using Keys = std::vector<std::string>;

TEST(CommandLine, NoOptionsKeepTheDefaults)
{
    Parsed p("");
    EXPECT_EQ(nullptr, p.options.UnattendedList);
    EXPECT_EQ(ActionInstall, p.options.Action);
    EXPECT_EQ(RebootPrompt, p.options.RebootMode);
    EXPECT_EQ(0x0407, p.options.Language);
    EXPECT_EQ(Wizard97Composed, p.options.WizardStyle);
    EXPECT_EQ(0, TextListCount(p.options.SelectedProducts));
}

TEST(CommandLine, QuietAndSilentInAnyCase)
{
    for (const char* option : {"/quiet", "/QUIET", "/Silent", "/silent", "/quiet:", "/SILENT:"}) {
        Parsed p(option);
        ASSERT_NE(nullptr, p.options.UnattendedList) << option;
        EXPECT_STREQ("", p.options.UnattendedList) << option;
    }
}

TEST(CommandLine, QuietWithAListKeepsTheTextAfterTheColon)
{
    Parsed p("/quiet:Client,Tools");
    ASSERT_NE(nullptr, p.options.UnattendedList);
    EXPECT_STREQ("Client,Tools", p.options.UnattendedList);
    Parsed s("/Silent:a");
    EXPECT_STREQ("a", s.options.UnattendedList);
}

TEST(CommandLine, BareOptionsMustMatchTheWholeToken)
{
    Parsed p("/quietly /silentium");
    EXPECT_EQ(nullptr, p.options.UnattendedList);
}

TEST(CommandLine, PrefixRowsMatchLongerTokens)
{
    Parsed installer("/remove /installer");
    EXPECT_EQ(ActionInstall, installer.options.Action);
    Parsed english("/lang:english");
    EXPECT_EQ(0x0409, english.options.Language);
    Parsed removal("/removeall");
    EXPECT_EQ(ActionRemove, removal.options.Action);
}

TEST(CommandLine, LanguagesIncludingNeutralSpanish)
{
    const std::pair<const char*, unsigned short> cases[] = {
        {"/lang:eng", 0x0409}, {"/lang:ger", 0x0407}, {"/LANG:FRE", 0x040C},
        {"/lang:ita", 0x0410}, {"/lang:spa", 0x000A}, {"/lang:dut", 0x0413},
    };
    for (const auto& c : cases) {
        Parsed p(c.first);
        EXPECT_EQ(c.second, p.options.Language) << c.first;
    }
    Parsed unknown("/lang:jpn");
    EXPECT_EQ(0x0407, unknown.options.Language);
}

TEST(CommandLine, InstallAndRemoveWithAKey)
{
    Parsed install("/install:Client");
    EXPECT_EQ(ActionInstall, install.options.Action);
    EXPECT_EQ(Keys{"Client"}, install.Selected());

    Parsed remove("/REMOVE:Client");
    EXPECT_EQ(ActionRemove, remove.options.Action);
    EXPECT_EQ(Keys{"Client"}, remove.Selected());
}

TEST(CommandLine, LaterTokensOverrideEarlierOnes)
{
    Parsed p("/remove:ABC /install");
    EXPECT_EQ(ActionInstall, p.options.Action);
    EXPECT_EQ(Keys{"ABC"}, p.Selected());

    Parsed keys("/install:One /install:Two");
    EXPECT_EQ(Keys{"Two"}, keys.Selected());

    Parsed languages("/lang:fre /lang:eng");
    EXPECT_EQ(0x0409, languages.options.Language);
}

TEST(CommandLine, RebootValuesAreReadLikeAtol)
{
    EXPECT_EQ(0, Parsed("/reboot:x").options.RebootMode);
    EXPECT_EQ(2, Parsed("/reboot:2").options.RebootMode);
    EXPECT_EQ(0, Parsed("/reboot:").options.RebootMode);
    EXPECT_EQ(7, Parsed("/reboot:7z").options.RebootMode);
    EXPECT_EQ(-1, Parsed("/reboot:-1").options.RebootMode);
}

TEST(CommandLine, StyleOutsideTheThreeKnownKeepsTheDefault)
{
    EXPECT_EQ(Classic, Parsed("/style:0").options.WizardStyle);
    EXPECT_EQ(Wizard97Resources, Parsed("/style:2").options.WizardStyle);
    EXPECT_EQ(Wizard97Composed, Parsed("/style:3").options.WizardStyle);
    EXPECT_EQ(Wizard97Composed, Parsed("/style:-1").options.WizardStyle);
    EXPECT_EQ(Classic, Parsed("/style:x").options.WizardStyle);  // reads as 0
}

TEST(CommandLine, TabsJoinAndQuotesHoldBlanks)
{
    // A tab joins two options into one token, which can only match by prefix.
    Parsed tab("/remove\t/quiet");
    EXPECT_EQ(ActionRemove, tab.options.Action);
    EXPECT_EQ(nullptr, tab.options.UnattendedList);

    // Quotes are removed, and the blanks between them stay in the token.
    Parsed quoted("\"/quiet\" \"/remove:Audit Blank\" /install:\"A \\\"B\\\"\"x");
    EXPECT_STREQ("", quoted.options.UnattendedList);
    EXPECT_EQ(Keys{"A \"B\"x"}, quoted.Selected());
    EXPECT_EQ(Keys{"Audit Blank"}, Parsed("/remove:\"Audit Blank\" /quiet").Selected());

    Parsed spaces("   /quiet    /remove:K   ");
    EXPECT_STREQ("", spaces.options.UnattendedList);
    EXPECT_EQ(Keys{"K"}, spaces.Selected());
}

TEST(CommandLine, LogFileAndExitCodes)
{
    Parsed both("/LOG:\"C:\\Log Folder\\setup.log\" /ExitCodes /quiet");
    EXPECT_STREQ("C:\\Log Folder\\setup.log", both.options.LogPath);
    EXPECT_EQ(1, both.options.ExitCodes);
    // An empty file name names no log; "/exitcodes" is a bare option.
    EXPECT_EQ(nullptr, Parsed("/log: /exitcodes:1 /exitcodesx").options.LogPath);
    EXPECT_EQ(0, Parsed("/log: /exitcodes:1 /exitcodesx").options.ExitCodes);
}

TEST(CommandLine, KeysUpToTheListSizeAndBeyond)
{
    const std::string longest(SelectedProductsSize - 2, 'k');
    Parsed fits("/install:" + longest);
    EXPECT_EQ(Keys{longest}, fits.Selected());

    // One character more cannot be a product key: it is dropped, the rest still applies.
    Parsed tooLong("/install:Early /remove:" + longest + "k");
    EXPECT_EQ(ActionRemove, tooLong.options.Action);
    EXPECT_EQ(Keys{"Early"}, tooLong.Selected());

    Parsed huge("/quiet:" + std::string(40000, 'q') + " /reboot:2");
    EXPECT_EQ(40000u, std::string(huge.options.UnattendedList).size());
    EXPECT_EQ(RebootForce, huge.options.RebootMode);
}

TEST(CommandLine, ANullCommandLineChangesNothing)
{
    RunOptions options;
    InitRunOptions(&options);
    ParseCommandLine(nullptr, &options);
    EXPECT_EQ(RebootPrompt, options.RebootMode);
}

TEST(ExitCode, OutcomeRestartAndTheOptionMapToTheCode)
{
    struct Row { int exitCodes, outcome, rebootNeeded, restartStarted, code; };
    const Row rows[] = {
        {0, OutcomeFailed, 1, 0, 0},           {0, OutcomeAnotherCopy, 0, 0, 0},
        {1, OutcomeSucceeded, 0, 0, 0},        {1, OutcomeSucceeded, 1, 0, 3010},
        {1, OutcomeSucceeded, 1, 1, 1641},     {1, OutcomeCancelled, 1, 0, 1602},
        {1, OutcomeFailed, 1, 1, 1603},        {1, OutcomeUnknownEntry, 0, 0, 1605},
        {1, OutcomeAnotherCopy, 0, 0, 1618},
    };
    for (const Row& row : rows) {
        RunOptions options;
        InitRunOptions(&options);
        options.ExitCodes = row.exitCodes, options.Outcome = row.outcome;
        options.RebootNeeded = row.rebootNeeded, options.RestartStarted = row.restartStarted;
        const char* meaning = nullptr;
        EXPECT_EQ(row.code, RunExitCode(&options, &meaning)) << row.exitCodes << " " << row.outcome;
        EXPECT_TRUE(meaning && *meaning);
    }
}

TEST(MutexName, LowerCasesAndReplacesBackslashes)
{
    char name[64];
    MakeInstanceMutexName("C:\\Setup Disk\\SETUP.EXE", name, sizeof name);
    EXPECT_STREQ("c:_setup disk_setup.exe", name);

    // Only A to Z change; other bytes stay as they are.
    MakeInstanceMutexName("D:\\\xC4pfel\\Setup.exe", name, sizeof name);
    EXPECT_STREQ("d:_\xC4pfel_setup.exe", name);
}

TEST(MutexName, IsCutToTheBuffer)
{
    char name[8] = "#######";
    MakeInstanceMutexName("C:\\ABCDEFGHIJ", name, 5);
    EXPECT_STREQ("c:_a", name);
    EXPECT_EQ('#', name[5]);
}

TEST(WizardStyle, DefaultFollowsTheCommonControlsAndTheSystem)
{
    const unsigned long xp = 0x0A280105, nt4 = 0x05650004, win95 = 0xC0000004, win98 = 0xC0000A04;
    EXPECT_EQ(Wizard97Composed, ChooseWizardStyle(1, 4, 71, xp));
    EXPECT_EQ(Wizard97Composed, ChooseWizardStyle(1, 5, 80, nt4));
    EXPECT_EQ(Wizard97Composed, ChooseWizardStyle(1, 6, 0, xp));
    EXPECT_EQ(Classic, ChooseWizardStyle(1, 4, 70, xp));
    EXPECT_EQ(Classic, ChooseWizardStyle(1, 4, 0, nt4));
    EXPECT_EQ(Classic, ChooseWizardStyle(0, 6, 0, xp));
    // The Windows 95 family keeps the classic wizard whatever the common controls are.
    EXPECT_EQ(Classic, ChooseWizardStyle(1, 5, 81, win95));
    EXPECT_EQ(Classic, ChooseWizardStyle(1, 5, 81, win98));
}

TEST(ProgramPath, CutAtTheLastBackslash)
{
    char folder[] = "C:\\Disk\\Setup\\setup.exe";
    CutAtLastBackslash(folder, 0);
    EXPECT_STREQ("C:\\Disk\\Setup", folder);

    char root[] = "M:\\setup.exe";
    CutAtLastBackslash(root, 0);
    EXPECT_STREQ("M:\\", root);

    char prefix[] = "C:\\setup.exe";
    CutAtLastBackslash(prefix, 1);
    EXPECT_STREQ("C:\\", prefix);

    char bare[] = "setup.exe";
    CutAtLastBackslash(bare, 1);
    EXPECT_STREQ("setup.exe", bare);
}

} // namespace
