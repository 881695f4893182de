// The products lines as the product catalogue reads them, and the two 1024-byte lists
// that an installation with every product selected fills: each problem written into a
// copy of the clean base package, whose own products line is line 1 of [Products].

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

// The uninstall command quotes such a key, so it is as good as any other.
TEST(Products, KeyWithABlankIsNoLongerWarnedAbout)
{
    const CheckRun run = CheckBaseWith("blankkey", "[Products]\nMy Viewer = \"Viewer\",App.Install,App.Remove\n");
    EXPECT_EQ(0, run.Count("warning")) << run.output;
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

// Products whose keys and install sections have `length` characters each, enough of
// them to bring the list of `bytes` to `target` bytes from the base package's.
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

// Selected products: the base's "App" (4 bytes) and the end mark (1) leave 1019 bytes:
// seven keys of 127 characters (7 x 128 = 896) and one of 122 (123) fill exactly 1024.
TEST(Lists, SelectedProductsOver1024BytesAreAnError)
{
    const std::string exact = ProductsFilling('S', 127, 7, std::string(122, 's') + " = \"P\",App.Install,App.Remove\n");
    const CheckRun fits = CheckBaseWith("selectedfits", exact);
    EXPECT_FALSE(fits.Mentions("error", "list of selected products")) << fits.output;
    EXPECT_EQ(0, fits.Count("error")) << fits.output;

    const std::string over = ProductsFilling('S', 127, 7, std::string(123, 's') + " = \"P\",App.Install,App.Remove\n");
    const CheckRun overflows = CheckBaseWith("selectedover", over);
    EXPECT_TRUE(overflows.Has("error", "Products", 0, "the list of selected products needs 1025 bytes, more than 1024"))
        << overflows.output;
}

// The section list: "Install" (8 bytes), "App.Install" (12) and the end mark (1) leave
// 1003 bytes: four install sections of 200 characters (4 x 201 = 804) and one of 198
// (199) fill exactly 1024.
TEST(Lists, SectionListOver1024BytesIsAnError)
{
    auto script = [](size_t lastLength) {
        std::string text = "[Products]\n";
        for (int i = 0; i < 5; ++i) {
            const std::string section = std::string((i < 4 ? 200 : lastLength) - 1, 'I') + std::to_string(i);
            text += "K" + std::to_string(i) + " = \"P\"," + section + ",App.Remove\n[" + section + "]\na = 1\n[Products]\n";
        }
        return text;
    };
    const CheckRun fits = CheckBaseWith("sectionsfit", script(198));
    EXPECT_FALSE(fits.Mentions("error", "section list")) << fits.output;
    EXPECT_EQ(0, fits.Count("error")) << fits.output;

    const CheckRun overflows = CheckBaseWith("sectionsover", script(199));
    EXPECT_TRUE(overflows.Has("error", "Products", 0, "the section list (the main install section [Install] and each "
                                                       "product's install section) needs 1025 bytes"))
        << overflows.output;
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
