// The files an installation copies from the medium, and what registering the package
// for removal needs: a copy of setup.exe installed by the script, with setup.inf and the
// start conditions' libraries beside it.

#include "checker_support.h"

#include <gtest/gtest.h>

#include <string>

using checkertest::CheckRun;
using checkertest::Medium;

namespace {

TEST(Files, SourceFilesMissingFromTheMediumAreErrors)
{
    Medium medium("sources");
    ASSERT_TRUE(medium.WriteBasePackage(R"(
[App.Files]
missing.txt
renamed.txt,source.txt
sub.txt
packed.txt
[SourceDisksNames]
2 = "Second disk",,,disk2
[SourceDisksFiles]
missing.txt = 1
source.txt  = 1
sub.txt     = 2,inner
)"));
    ASSERT_TRUE(medium.WriteFile("source.txt", "the source of renamed.txt"));
    ASSERT_TRUE(CreateDirectoryA(medium.PathOf("disk2").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(medium.PathOf("disk2\\inner").c_str(), nullptr));
    ASSERT_TRUE(medium.WriteFile("disk2\\inner\\sub.txt", "found through the second disk's folder"));
    // The compressed form of a name counts as the file.
    ASSERT_TRUE(medium.WriteFile("packed.tx_", "compressed"));
    const CheckRun run = medium.Check();
    EXPECT_TRUE(run.Has("error", "App.Files", 2, "source file missing.txt is missing from the medium ("
                                                 + medium.PathOf("missing.txt") + ")"))
        << run.output;
    EXPECT_EQ(1, run.Count("error")) << run.output;

    // Without its file in the second disk's folder, that is where it is looked for.
    ASSERT_TRUE(DeleteFileA(medium.PathOf("disk2\\inner\\sub.txt").c_str()));
    const CheckRun again = medium.Check();
    EXPECT_TRUE(again.Has("error", "App.Files", 4, "source file sub.txt is missing from the medium ("
                                                   + medium.PathOf("disk2\\inner\\sub.txt") + ")"))
        << again.output;
    EXPECT_EQ(2, again.Count("error")) << again.output;
}

TEST(Files, CopyFilesNamingAMissingSectionIsAnError)
{
    // A second CopyFiles line: the Setup API copies what every such line names.
    Medium medium("copysection");
    ASSERT_TRUE(medium.WriteBasePackage("[App.Install]\nCopyFiles = Absent.Files,@direct.txt\n"));
    const CheckRun run = medium.Check();
    EXPECT_TRUE(run.Has("error", "App.Install", 2, "CopyFiles names the section [Absent.Files], which is missing"))
        << run.output;
    EXPECT_TRUE(run.Has("error", "App.Install", 2, "source file direct.txt is missing from the medium")) << run.output;
    EXPECT_EQ(2, run.Count("error")) << run.output;
}

TEST(Files, CopySectionWithoutAnyDestinationIsAWarning)
{
    Medium medium("destination");
    ASSERT_TRUE(medium.WriteScript(R"([Version]
Signature="$Chicago$"
[DestinationDirs]
Setup.Files = 32768
[Install]
CopyFiles = Setup.Files,Loose.Files
Uninstall = InfCheckPackage
[Setup.Files]
setup.exe
setup.inf
[Loose.Files]
loose.txt
)"));
    ASSERT_TRUE(medium.WriteFile("setup.exe", "stand-in"));
    ASSERT_TRUE(medium.WriteFile("loose.txt", "loose"));
    const CheckRun run = medium.Check();
    EXPECT_TRUE(run.Has("warning", "Loose.Files", 0, "no line in [DestinationDirs] and no DefaultDestDir")) << run.output;
    EXPECT_EQ(1, run.Count("warning")) << run.output;
    EXPECT_EQ(0, run.Count("error")) << run.output;
}

// The base package without its copy of setup.exe.
std::string WithoutSetupCopy(bool removeSections, bool uninstallLine)
{
    std::string script = R"([Version]
Signature="$Chicago$"
[DestinationDirs]
App.Files = 32768
[Install]
CopyFiles = App.Files
)";
    if (uninstallLine) script += "Uninstall = InfCheckPackage,\"InfCheck Package\"\n";
    script += "[Products]\n";
    script += removeSections ? "App = \"Application\",App.Install,App.Remove\nTwo = \"Two\",App.Install,App.Remove\n"
                             : "App = \"Application\",App.Install,,\n";
    script += "[App.Install]\nCopyFiles = App.Files\n[App.Remove]\nDelFiles = App.Files\n[App.Files]\napp.txt\n";
    return script;
}

TEST(Registration, NoSetupCopyIsAWarningWhenNothingIsRegistered)
{
    Medium medium("nocopy");
    ASSERT_TRUE(medium.WriteScript(WithoutSetupCopy(false, false)));
    ASSERT_TRUE(medium.WriteFile("app.txt", "app"));
    const CheckRun run = medium.Check();
    EXPECT_TRUE(run.Has("warning", "", 0, "no install section copies setup.exe")) << run.output;
    EXPECT_EQ(0, run.Count("error")) << run.output;
    EXPECT_EQ(0u, run.exitCode);
}

TEST(Registration, NoSetupCopyIsAnErrorForWhatAsksForAnUninstallEntry)
{
    Medium medium("nocopyasked");
    ASSERT_TRUE(medium.WriteScript(WithoutSetupCopy(true, true)));
    ASSERT_TRUE(medium.WriteFile("app.txt", "app"));
    const CheckRun run = medium.Check();
    EXPECT_TRUE(run.Has("error", "Products", 1, "product App has a remove section, but neither [App.Install] nor "
                                                "[Install] copies setup.exe"))
        << run.output;
    EXPECT_TRUE(run.Has("error", "Products", 2, "product Two has a remove section")) << run.output;
    EXPECT_TRUE(run.Has("error", "Install", 2, "the uninstall entry InfCheckPackage cannot be registered: [Install] "
                                               "copies no setup.exe"))
        << run.output;
    EXPECT_FALSE(run.Mentions("warning", "no install section copies setup.exe")) << run.output;
    EXPECT_EQ(3, run.Count("error")) << run.output;
}

TEST(Registration, DisplayIconAndPublisherThatCannotBeRead)
{
    Medium medium("entryfacts");
    ASSERT_TRUE(medium.WriteBasePackage("[Install]\nPublisher = \"" + std::string(256, 'p') + "\"\n"
                                        "[App.Install]\nDisplayIcon = app.exe,first\n"));
    const CheckRun run = medium.Check();
    EXPECT_TRUE(run.Mentions("warning", "Publisher is missing or longer than 255 characters")) << run.output;
    EXPECT_TRUE(run.Mentions("error", "the image index of DisplayIcon is not a number: first")) << run.output;
    EXPECT_EQ(1, run.Count("error")) << run.output;
}

TEST(Registration, SetupInfMustBeInstalledBesideTheCopy)
{
    Medium medium("besideinf");
    ASSERT_TRUE(medium.WriteBasePackage());
    // The base package installs setup.inf beside setup.exe; this one into a sub-folder.
    std::string script = checkertest::BaseScript;
    script.replace(script.find("setup.exe\nsetup.inf\n"), 20, "setup.exe\n");
    ASSERT_TRUE(medium.WriteScript(script + "[DestinationDirs]\nScript.Files = 32768,Scripts\n"
                                            "[Install]\nCopyFiles = Script.Files\n[Script.Files]\nsetup.inf\n"));
    const CheckRun run = medium.Check();
    EXPECT_TRUE(run.Mentions("error", "setup.inf is not installed beside the copy of setup.exe")) << run.output;
    EXPECT_EQ(1, run.Count("error")) << run.output;
}

TEST(Registration, StartConditionLibrariesMustBeInstalledBesideTheCopy)
{
    Medium medium("besidecond");
    ASSERT_TRUE(medium.WriteBasePackage("[Install]\nConditions = Check.Conditions\n"
                                        "[Check.Conditions]\n1 = cond_norvale.dll,Holds\n"));
    ASSERT_TRUE(medium.CopyFixture("cond_norvale.dll"));
    const CheckRun run = medium.Check();
    EXPECT_TRUE(run.Has("error", "Check.Conditions", 1, "condition library cond_norvale.dll is not installed beside the "
                                                        "copy of setup.exe"))
        << run.output;
    EXPECT_EQ(1, run.Count("error")) << run.output;
}

} // namespace
