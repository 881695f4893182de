// Conditions keys, condition sections and plug-in libraries, with the real condition and
// plug-in libraries that the other tests load (built into build\tests), copied onto the
// medium, some of them with a byte changed to make a broken library.

#include "checker_support.h"
#include "testsupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using checkertest::CheckRun;
using checkertest::Medium;

namespace {

TEST(Conditions, MissingEmptyAndUnnamedConditionSectionsAreErrors)
{
    Medium medium("condsections");
    ASSERT_TRUE(medium.WriteBasePackage("[Install]\nConditions = Absent.Conditions,,Empty.Conditions\n"
                                        "[Empty.Conditions]\n; no lines\n"));
    const CheckRun run = medium.Check();
    EXPECT_TRUE(run.Has("error", "Install", 3, "the condition section [Absent.Conditions] is missing or empty: the "
                                               "conditions never hold, so setup.exe ends before its wizard"))
        << run.output;
    EXPECT_TRUE(run.Has("error", "Install", 3, "field 2 of Conditions is empty and names no section")) << run.output;
    EXPECT_TRUE(run.Has("error", "Install", 3, "the condition section [Empty.Conditions] is missing or empty"))
        << run.output;
    EXPECT_EQ(1u, run.exitCode);
}

TEST(Conditions, ProductConditionsNamingAMissingSectionAreAnError)
{
    Medium medium("productconds");
    ASSERT_TRUE(medium.WriteBasePackage("[App.Install]\nConditions = Absent.Conditions\n"));
    const CheckRun run = medium.Check();
    EXPECT_TRUE(run.Has("error", "App.Install", 2, "so the product is never offered")) << run.output;
}

TEST(Conditions, LibraryMissingFromTheMediumIsAnError)
{
    Medium medium("condmissing");
    ASSERT_TRUE(medium.WriteBasePackage("[App.Install]\nConditions = Check.Conditions\n"
                                        "[Check.Conditions]\n1 = cond_absent.dll,Holds\n"));
    const CheckRun run = medium.Check();
    EXPECT_TRUE(run.Has("error", "Check.Conditions", 1, "condition library cond_absent.dll is missing from the medium"))
        << run.output;
}

TEST(Conditions, MissingExportsAreReported)
{
    Medium medium("condexports");
    ASSERT_TRUE(medium.WriteBasePackage("[App.Install]\nConditions = Check.Conditions\n[Check.Conditions]\n"
                                        "1 = cond_noversion.dll,Holds\n2 = cond_nomessage.dll,Holds\n"
                                        "3 = cond_norvale.dll,NoSuchCondition\n4 = cond_norvale.dll\n"));
    for (const char* library : {"cond_noversion.dll", "cond_nomessage.dll", "cond_norvale.dll"})
        ASSERT_TRUE(medium.CopyFixture(library));
    const CheckRun run = medium.Check();
    EXPECT_TRUE(run.Has("error", "Check.Conditions", 1, "cond_noversion.dll does not export GetVersionNumber"))
        << run.output;
    EXPECT_TRUE(run.Has("warning", "Check.Conditions", 2, "cond_nomessage.dll does not export GetLastFailMessage: a "
                                                          "condition that fails shows an empty message"))
        << run.output;
    EXPECT_TRUE(run.Has("error", "Check.Conditions", 3, "does not export NoSuchCondition: the condition never holds"))
        << run.output;
    EXPECT_TRUE(run.Has("error", "Check.Conditions", 4, "the line names no function of condition library"))
        << run.output;
    EXPECT_EQ(3, run.Count("error")) << run.output;
    EXPECT_EQ(1, run.Count("warning")) << run.output;
}

TEST(Conditions, InterfaceVersionAboveOneIsAnError)
{
    Medium medium("condversion");
    ASSERT_TRUE(medium.WriteBasePackage("[App.Install]\nConditions = Check.Conditions\n[Check.Conditions]\n"
                                        "1 = cond_version2.dll,Holds\n2 = cond_version0.dll,Holds\n"
                                        "3 = cond_versionm1.dll,Holds\n"));
    for (const char* library : {"cond_version2.dll", "cond_version0.dll", "cond_versionm1.dll"})
        ASSERT_TRUE(medium.CopyFixture(library));
    const CheckRun run = medium.Check();
    EXPECT_TRUE(run.Has("error", "Check.Conditions", 1, "cond_version2.dll reports interface version 2; setup.exe uses "
                                                        "only libraries of version 1 or lower"))
        << run.output;
    EXPECT_EQ(1, run.Count("error")) << run.output;
}

// A copy of a fixture library with bytes replaced: `from` must occur in it.
bool CopyPatched(const Medium& medium, const std::string& fixture, const std::string& as, const std::string& from,
                 const std::string& to)
{
    std::string bytes;
    if (!testsupport::ReadFile(testsupport::TestFolder() + "\\" + fixture, &bytes)) return false;
    const size_t at = bytes.find(from);
    if (at == std::string::npos) return false;
    bytes.replace(at, to.size(), to);
    return medium.WriteFile(as, bytes);
}

// The same library with its processor field (after "PE\0\0") set to x64's.
bool CopyAs64Bit(const Medium& medium, const std::string& fixture, const std::string& as)
{
    std::string bytes;
    if (!testsupport::ReadFile(testsupport::TestFolder() + "\\" + fixture, &bytes) || bytes.size() < 0x40) return false;
    DWORD pe = 0;
    std::memcpy(&pe, bytes.data() + 0x3C, sizeof pe);
    if (pe + 6 > bytes.size()) return false;
    bytes[pe + 4] = static_cast<char>(0x64);
    bytes[pe + 5] = static_cast<char>(0x86);
    return medium.WriteFile(as, bytes);
}

TEST(Conditions, FilesThatAreNoUsableLibraryAreErrors)
{
    Medium medium("condbroken");
    ASSERT_TRUE(medium.WriteBasePackage("[App.Install]\nConditions = Check.Conditions\n[Check.Conditions]\n"
                                        "1 = text.dll,Holds\n2 = program.dll,Holds\n3 = wide.dll,Holds\n"
                                        "4 = unloadable.dll,Holds\n"));
    ASSERT_TRUE(medium.WriteFile("text.dll", "This is not a library."));
    ASSERT_TRUE(medium.CopyFixture("exec_fixture.exe", "program.dll"));
    ASSERT_TRUE(CopyAs64Bit(medium, "cond_norvale.dll", "wide.dll"));
    // Its import of the C runtime names a library that does not exist.
    ASSERT_TRUE(CopyPatched(medium, "cond_norvale.dll", "unloadable.dll", std::string("msvcrt.dll\0", 11),
                            std::string("msvcrq.dll\0", 11)));
    const CheckRun run = medium.Check();
    EXPECT_TRUE(run.Has("error", "Check.Conditions", 1, "text.dll is not a Windows library")) << run.output;
    EXPECT_TRUE(run.Has("error", "Check.Conditions", 2, "program.dll is a program, not a library")) << run.output;
    EXPECT_TRUE(run.Has("error", "Check.Conditions", 3, "wide.dll is not a 32-bit library")) << run.output;
    EXPECT_TRUE(run.Has("error", "Check.Conditions", 4, "unloadable.dll cannot be loaded (error 126")) << run.output;
    EXPECT_EQ(4, run.Count("error")) << run.output;
}

// A library whose GetVersionNumber is exported under a decorated name, as a __stdcall
// function exports it: the names in its export table are rewritten in place.
TEST(Conditions, DecoratedExportNamesAreShownInTheMessage)
{
    Medium medium("conddecorated");
    ASSERT_TRUE(medium.WriteBasePackage("[App.Install]\nConditions = Check.Conditions\n[Check.Conditions]\n"
                                        "1 = decorated.dll,Holds\n"));
    ASSERT_TRUE(CopyPatched(medium, "cond_norvale.dll", "decorated.dll",
                            std::string("GetLastFailMessage\0GetVersionNumber\0", 36),
                            std::string("GetVersionNumber@0\0GetVersionNumbe\0\0", 36)));
    const CheckRun run = medium.Check();
    EXPECT_TRUE(run.Has("error", "Check.Conditions", 1, "decorated.dll does not export GetVersionNumber (it exports "
                                                        "GetVersionNumber@0; the name must be plain"))
        << run.output;
    EXPECT_TRUE(run.Has("warning", "Check.Conditions", 1, "decorated.dll does not export GetLastFailMessage: "))
        << run.output;
    EXPECT_EQ(1, run.Count("error")) << run.output;
}

TEST(Conditions, ConditionsOutsideInstallAndProductSectionsAreNeverRead)
{
    Medium medium("condunread");
    ASSERT_TRUE(medium.WriteBasePackage("[Install.NT5]\nCopyFiles = Setup.Files\nConditions = Check.Conditions\n"
                                        "[Check.Conditions]\n1 = cond_norvale.dll,Holds\n"
                                        "[App.Remove]\nConditions = Check.Conditions\n"));
    ASSERT_TRUE(medium.CopyFixture("cond_norvale.dll"));
    const CheckRun run = medium.Check();
    EXPECT_TRUE(run.Has("warning", "Install.NT5", 2, "setup.exe never reads this Conditions key")) << run.output;
    EXPECT_TRUE(run.Has("warning", "App.Remove", 2, "setup.exe never reads this Conditions key")) << run.output;
    EXPECT_EQ(0, run.Count("error")) << run.output;
}

TEST(Plugins, LibrariesAreCheckedLikeSetupExeUsesThem)
{
    Medium medium("plugins");
    ASSERT_TRUE(medium.WriteBasePackage("[App.Install]\nPlugins = plugin_a.dll,plugin_zero.dll,plugin_minus.dll,"
                                        "plugin_v2.dll,plugin_noversion.dll,plugin_noquery.dll,plugin_absent.dll\n"));
    for (const char* library : {"plugin_a.dll", "plugin_zero.dll", "plugin_minus.dll", "plugin_v2.dll",
                                "plugin_noversion.dll", "plugin_noquery.dll"})
        ASSERT_TRUE(medium.CopyFixture(library));
    const CheckRun run = medium.Check();
    EXPECT_TRUE(run.Has("error", "App.Install", 2, "plugin_v2.dll reports interface version 2")) << run.output;
    EXPECT_TRUE(run.Has("error", "App.Install", 2, "plugin_noversion.dll does not export GetVersionNumber: setup.exe "
                                                   "does not use the library"))
        << run.output;
    EXPECT_TRUE(run.Has("error", "App.Install", 2, "plugin_noquery.dll does not export QuerySteps")) << run.output;
    EXPECT_TRUE(run.Has("error", "App.Install", 2, "plug-in library plugin_absent.dll is missing from the medium"))
        << run.output;
    EXPECT_EQ(4, run.Count("error")) << run.output;
}

TEST(Plugins, AnEmptyFieldEndsTheList)
{
    Medium medium("pluginsempty");
    ASSERT_TRUE(medium.WriteBasePackage("[Install]\nPlugins = plugin_a.dll,,plugin_absent.dll\n"));
    ASSERT_TRUE(medium.CopyFixture("plugin_a.dll"));
    const CheckRun run = medium.Check();
    EXPECT_TRUE(run.Has("warning", "Install", 3, "field 2 of Plugins is empty: setup.exe stops there")) << run.output;
    // The library after the empty field is never loaded, so its absence does not matter.
    EXPECT_FALSE(run.Mentions("error", "plugin_absent.dll")) << run.output;
    EXPECT_EQ(0, run.Count("error")) << run.output;
}

TEST(Plugins, LibrariesOfRemoveSectionsMustBeInstalledBesideTheCopy)
{
    Medium medium("pluginsbeside");
    ASSERT_TRUE(medium.WriteBasePackage("[Remove]\nPlugins = plugin_a.dll\n"));
    ASSERT_TRUE(medium.CopyFixture("plugin_a.dll"));
    const CheckRun run = medium.Check();
    EXPECT_TRUE(run.Has("warning", "Remove", 2, "plug-in library plugin_a.dll is not installed beside the copy of "
                                                "setup.exe"))
        << run.output;
}

} // namespace
