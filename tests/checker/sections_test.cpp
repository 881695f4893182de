// The script's extensions read from the sections a run processes: services sections,
// shortcut sections and external programs, each problem written into a copy of the
// clean base package.

#include "checker_support.h"
#include "testsupport.h"

#include <gtest/gtest.h>

#include <string>

using checkertest::CheckRun;
using checkertest::Medium;

namespace {

const char GoodServiceSection[] = R"(
[Good.Service]
ServiceType   = 0x10
StartType     = 3
ErrorControl  = 1
ServiceBinary = %32768%\app.txt
)";

TEST(Services, UnknownKeysAreWarnings)
{
    Medium medium("svckeys");
    ASSERT_TRUE(medium.WriteBasePackage(std::string("[App.Install.Services]\nAddService = Good,,Good.Service\n"
                                                    "StopServices = Good\nStartService =\n") +
                                        GoodServiceSection + "StartMode = 3\n"));
    const CheckRun run = medium.Check();
    EXPECT_TRUE(run.Has("warning", "App.Install.Services", 2, "unknown key StopServices: setup.exe ignores the line"))
        << run.output;
    EXPECT_TRUE(run.Has("warning", "App.Install.Services", 3, "StartService names no service")) << run.output;
    EXPECT_TRUE(run.Has("warning", "Good.Service", 5, "StartMode is not a key of a service-install section"))
        << run.output;
    EXPECT_EQ(3, run.Count("warning")) << run.output;
    EXPECT_EQ(0, run.Count("error")) << run.output;
}

TEST(Services, AddServiceWithoutItsInstallSectionIsAnError)
{
    Medium medium("svcmissing");
    ASSERT_TRUE(medium.WriteBasePackage("[App.Install.Services]\nAddService = One,,Absent.Service\nAddService = Two\n"
                                        "[Remove.Services]\nAddService = Three,,\n"));
    const CheckRun run = medium.Check();
    EXPECT_TRUE(run.Has("error", "App.Install.Services", 1, "the service-install section [Absent.Service] of service One "
                                                            "is missing or empty: adding the service fails"))
        << run.output;
    EXPECT_TRUE(run.Has("error", "App.Install.Services", 2, "AddService for Two names no service-install section"))
        << run.output;
    EXPECT_TRUE(run.Has("error", "Remove.Services", 1, "AddService for Three names no service-install section"))
        << run.output;
    EXPECT_EQ(3, run.Count("error")) << run.output;
}

TEST(Services, ServiceInstallSectionNeedsABinaryAndAType)
{
    Medium medium("svccreate");
    ASSERT_TRUE(medium.WriteBasePackage("[App.Install.Services]\nAddService = Bare,,Bare.Service\n"
                                        "AddService = Typeless,,Typeless.Service\n"
                                        "[Bare.Service]\nDisplayName = \"Bare\"\nServiceGroupOrder = ,+Base\n"
                                        "[Typeless.Service]\nServiceType = none\nServiceBinary = %11%\\x.exe\n"));
    const CheckRun run = medium.Check();
    EXPECT_TRUE(run.Has("error", "Bare.Service", 0, "no ServiceBinary: service Bare cannot be created")) << run.output;
    EXPECT_TRUE(run.Has("error", "Bare.Service", 0, "no ServiceType: service Bare cannot be created")) << run.output;
    EXPECT_TRUE(run.Has("warning", "Bare.Service", 2, "ServiceGroupOrder names no group")) << run.output;
    EXPECT_TRUE(run.Has("error", "Typeless.Service", 1, "ServiceType is not a service type")) << run.output;
    EXPECT_EQ(3, run.Count("error")) << run.output;
}

TEST(Shortcuts, UnknownFolderCodesAreErrors)
{
    Medium medium("shortcodes");
    ASSERT_TRUE(medium.WriteBasePackage("[App.Install]\nMakeIcons = App.Icons\n[App.Remove]\nDelIcons = Old.Icons\n"
                                        "[App.Icons]\n1 = cprg,InfCheck\\App,%32768%\\app.txt\n"
                                        "2 = UPGR,InfCheck\\Typo,%32768%\\app.txt\n"
                                        "3 = UDSK,InfCheck\\NoTarget\n"
                                        "[Old.Icons]\n1 = USTU,InfCheck\\Old\n2 = ALLUSERSDESKTOPFOLDER,InfCheck\\Old\n3 = USTM\n"));
    const CheckRun run = medium.Check();
    EXPECT_TRUE(run.Has("error", "App.Icons", 2, "unknown folder code UPGR: setup.exe skips the line")) << run.output;
    EXPECT_TRUE(run.Has("error", "App.Icons", 3, "no target (field 3)")) << run.output;
    EXPECT_TRUE(run.Has("error", "Old.Icons", 2, "no folder code (field 1), or one longer than 15 characters"))
        << run.output;
    EXPECT_TRUE(run.Has("error", "Old.Icons", 3, "no link name (field 2)")) << run.output;
    EXPECT_EQ(4, run.Count("error")) << run.output;
}

TEST(Shortcuts, KeysNamingMissingSectionsAreErrors)
{
    Medium medium("shortsections");
    ASSERT_TRUE(medium.WriteBasePackage("[App.Install]\nMakeIcons = Absent.Icons\n"));
    const CheckRun run = medium.Check();
    EXPECT_TRUE(run.Has("error", "App.Install", 2, "MakeIcons names the section [Absent.Icons], which is missing"))
        << run.output;
}

TEST(Programs, LevelsOutsideOneToThreeAreErrors)
{
    Medium medium("execlevels");
    ASSERT_TRUE(medium.WriteBasePackage("[Install]\nExec = Check.Programs\n[Check.Programs]\n"
                                        "1 = 010,exec_fixture.exe\n2 = 0x2,exec_fixture.exe\n3 = 4,exec_fixture.exe\n"
                                        "4 = 3,exec_fixture.exe\n5 = two,exec_fixture.exe\n6 = ,exec_fixture.exe\n"
                                        "7 = 1\n"));
    ASSERT_TRUE(medium.CopyFixture("exec_fixture.exe"));
    const CheckRun run = medium.Check();
    EXPECT_TRUE(run.Has("error", "Check.Programs", 1, "Exec level 010 reads as 8, not 1, 2 or 3: the program never runs "
                                                      "(a leading 0 makes the number octal)"))
        << run.output;
    EXPECT_TRUE(run.Has("error", "Check.Programs", 3, "Exec level 4 reads as 4")) << run.output;
    EXPECT_TRUE(run.Has("error", "Check.Programs", 5, "Exec level two reads as 0")) << run.output;
    EXPECT_TRUE(run.Has("error", "Check.Programs", 6, "reads as 0")) << run.output;
    EXPECT_TRUE(run.Has("error", "Check.Programs", 7, "no program (field 2)")) << run.output;
    EXPECT_EQ(5, run.Count("error")) << run.output;
}

TEST(Programs, ProgramsThatCannotBeFoundAreWarnings)
{
    Medium medium("execfiles");
    Medium elsewhere("execelsewhere");
    ASSERT_TRUE(elsewhere.WriteFile("tool.exe", "a program outside the medium"));
    ASSERT_TRUE(medium.WriteBasePackage("[Install]\nExec = Check.Programs,@absent_direct.exe\n[Check.Programs]\n"
                                        "1 = 1,exec_fixture.exe\n"
                                        "2 = 2,absent_tool.exe\n"
                                        "3 = 2," + elsewhere.PathOf("tool.exe") + "\n"
                                        "4 = 2,C:\\absent\\tool.exe\n"
                                        "5 = 2,%32768%\\app.txt\n"
                                        "6 = 2,notepad.exe\n"
                                        "7 = 1,exec_fixture.exe,,,3\n"));
    ASSERT_TRUE(medium.CopyFixture("exec_fixture.exe"));
    const CheckRun run = medium.Check();
    EXPECT_TRUE(run.Has("warning", "Check.Programs", 2, "program absent_tool.exe is not on the medium")) << run.output;
    EXPECT_TRUE(run.Has("warning", "Check.Programs", 4, "program C:\\absent\\tool.exe is not on the medium"))
        << run.output;
    EXPECT_TRUE(run.Has("warning", "Install", 3, "program absent_direct.exe is not on the medium")) << run.output;
    EXPECT_TRUE(run.Has("warning", "Check.Programs", 7, "flags 3: setup.exe does not wait for the program (flag 1), "
                                                        "so it never deletes it (flag 2)"))
        << run.output;
    // On the medium, at an absolute path that exists, installed by the package, or on
    // the search path: no warning.
    EXPECT_EQ(4, run.Count("warning")) << run.output;
    EXPECT_EQ(0, run.Count("error")) << run.output;
}

TEST(Programs, ExecNamingMissingSectionsIsAnError)
{
    Medium medium("execsections");
    ASSERT_TRUE(medium.WriteBasePackage("[Remove]\nExec = Absent.Programs\n"));
    const CheckRun run = medium.Check();
    EXPECT_TRUE(run.Has("error", "Remove", 2, "Exec names the section [Absent.Programs], which is missing or empty"))
        << run.output;
}

} // namespace
