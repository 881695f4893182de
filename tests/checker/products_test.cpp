// The products lines as the product catalogue reads them, and the lists that an
// installation with every product selected fills: each problem written into a copy of
// the clean base package, whose own products line is line 1 of [Products].

#include "checker_support.h"

#include <gtest/gtest.h>

#include <string>

using checkertest::CheckRun;
using checkertest::Medium;

namespace {

CheckRun CheckBaseWith(const char* name, const std::string& extra)
{
    Medium medium(name);
    EXPECT_TRUE(medium.WriteBasePackage(extra));
    return medium.Check();
}

TEST(Products, LinesWithoutKeyAreErrors)
{
    const CheckRun run = CheckBaseWith("nokey", "[Products]\n\"Quoted\",App.Install,App.Remove\n= \"Empty\",App.Install\n");
    EXPECT_TRUE(run.Has("error", "Products", 2, "products line without a key")) << run.output;
    EXPECT_TRUE(run.Has("error", "Products", 3, "products line with an empty key")) << run.output;
    EXPECT_EQ(2, run.Count("error")) << run.output;
    EXPECT_EQ(1u, run.exitCode);
}

TEST(Products, KeysOfMoreThan127CharactersAreErrors)
{
    const std::string longest(127, 'K');
    const std::string tooLong(128, 'L');
    const CheckRun run = CheckBaseWith("longkey", "[Products]\n" + longest + " = \"Longest\",App.Install,App.Remove\n"
                                                      + tooLong + " = \"Too long\",App.Install,App.Remove\n");
    EXPECT_TRUE(run.Has("error", "Products", 3, "128 characters long, more than 127")) << run.output;
    EXPECT_FALSE(run.Has("error", "Products", 2, "characters long")) << run.output;
    EXPECT_EQ(1, run.Count("error")) << run.output;
}

TEST(Products, KeyWithABlankCannotBeNamedOnTheCommandLineWarning)
{
    const CheckRun run = CheckBaseWith("blankkey", "[Products]\nMy Viewer = \"Viewer\",App.Install,App.Remove\n");
    EXPECT_TRUE(run.Has("warning", "Products", 2, "the key of product My Viewer contains a blank")) << run.output;
    EXPECT_EQ(1, run.Count("warning")) << run.output;
    EXPECT_EQ(0, run.Count("error")) << run.output;
    EXPECT_EQ(0u, run.exitCode);
}

TEST(Products, MissingOrOverlongDisplayNameIsAnError)
{
    const CheckRun run = CheckBaseWith("displayname", "[Products]\nNoName = ,App.Install,App.Remove\nLongName = \""
                                                          + std::string(256, 'n') + "\",App.Install,App.Remove\n");
    EXPECT_TRUE(run.Has("error", "Products", 2, "product NoName has an empty display name")) << run.output;
    EXPECT_TRUE(run.Has("error", "Products", 3, "256 characters long, more than 255")) << run.output;
    EXPECT_EQ(2, run.Count("error")) << run.output;
}

TEST(Products, ProductWithoutInstallSectionIsNeverOfferedWarning)
{
    const CheckRun run = CheckBaseWith("noinstall", "[Products]\nOld = \"Old\",,App.Remove\n");
    EXPECT_TRUE(run.Has("warning", "Products", 2, "product Old has no install section (field 2): it is never offered"))
        << run.output;
    EXPECT_EQ(0, run.Count("error")) << run.output;
    EXPECT_EQ(0u, run.exitCode);
}

TEST(Products, ProductWithoutRemoveSectionGetsNoUninstallEntryWarning)
{
    const CheckRun run = CheckBaseWith("noremove", "[Products]\nKeep = \"Keep\",App.Install\n");
    EXPECT_TRUE(run.Has("warning", "Products", 2, "product Keep has no remove section (field 3): it gets no uninstall"))
        << run.output;
    EXPECT_EQ(1, run.Count("warning")) << run.output;
    EXPECT_EQ(0, run.Count("error")) << run.output;
}

TEST(Products, NamedSectionsThatDoNotExistAreErrors)
{
    const CheckRun run = CheckBaseWith("nosections", "[Products]\nGhost = \"Ghost\",Ghost.Install,Ghost.Remove\n"
                                                         "[Ghost.Remove]\n; nothing but a comment\n");
    EXPECT_TRUE(run.Has("error", "Products", 2, "install section [Ghost.Install] of product Ghost is missing or empty"))
        << run.output;
    EXPECT_TRUE(run.Has("error", "Products", 2, "remove section [Ghost.Remove] of product Ghost is missing or empty"))
        << run.output;
}

TEST(Products, SecondLineWithTheSameKeyIsAWarning)
{
    const CheckRun run = CheckBaseWith("duplicate", "[Products]\napp = \"Again\",App.Install,App.Remove\n");
    EXPECT_TRUE(run.Has("warning", "Products", 2, "has the key of line 1 as well")) << run.output;
    EXPECT_FALSE(run.Has("warning", "Products", 1, "has the key of")) << run.output;
}

// `count` products whose keys and install sections have `length` characters each, then
// the line `last`.
std::string ProductsFilling(char letter, size_t length, int count, const std::string& last)
{
    std::string text = "[Products]\n";
    for (int i = 0; i < count; ++i) {
        const std::string key = std::string(length - 3, letter) + std::to_string(100 + i);
        text += key + " = \"P\"," + key + ",App.Remove\n[" + key + "]\na = 1\n[Products]\n";
    }
    text += last;
    return text;
}

// The selection and the section list grow as needed: eight keys and install sections
// of 127 characters, more than 1,024 bytes of each list, are no error; nor is an install
// section name of 255 characters.
TEST(Lists, LongSelectionsAndSectionListsAreNoError)
{
    const std::string name(255, 'I');
    const std::string last = "Longest = \"P\"," + name + ",App.Remove\n[" + name + "]\na = 1\n";
    const CheckRun run = CheckBaseWith("listsover", ProductsFilling('S', 127, 8, last));
    EXPECT_FALSE(run.Mentions("error", "list")) << run.output;
    EXPECT_EQ(0, run.Count("error")) << run.output;
}

// Wine's Setup API cuts every field at 511 characters, so of the two longer limits only
// the version's (127) can be passed here; the description's (1023) only on Windows.
TEST(Products, OverlongVersionIsAWarning)
{
    const CheckRun run = CheckBaseWith("longversion", "[Products]\nTexts = \"Texts\",App.Install,App.Remove,0,0,"
                                                          "\"Text\"," + std::string(128, '9') + "\n");
    EXPECT_TRUE(run.Has("warning", "Products", 2, "version of product Texts is 128 characters long, more than 127"))
        << run.output;
    EXPECT_EQ(1, run.Count("warning")) << run.output;
}

TEST(Keys, RepeatedKeysThatSetupExeReadsOnceAreWarnings)
{
    const CheckRun run = CheckBaseWith("repeated", "[Install]\nExec = @notepad.exe\nExec = @regedit.exe\n"
                                                       "[App.Install]\nCopyFiles = App.Files\n");
    EXPECT_TRUE(run.Has("warning", "Install", 4, "another Exec line: setup.exe reads only the first one (line 3)"))
        << run.output;
    // CopyFiles is the Setup API's: every line of it counts.
    EXPECT_FALSE(run.Mentions("warning", "another CopyFiles")) << run.output;
    EXPECT_EQ(1, run.Count("warning")) << run.output;
}

} // namespace
