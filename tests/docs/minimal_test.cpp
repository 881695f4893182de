// The minimal example (docs/examples/minimal): one product, installed unattended into
// "Norvale Docs\Minimal" below the program files folder, registered for removal with the
// installed copy of setup.exe, and removed through that entry. The removal's main remove
// section deletes the running copy of setup.exe, which Windows can only do at the next
// start: without /reboot:0 the system's restart prompt follows the removal.

#include "docs_support.h"

#include <gtest/gtest.h>

namespace {

const char Key[] = "DocsMinimalNotes";

void ExpectInstalled(const docs::ExamplePackage& package)
{
    EXPECT_TRUE(package.Installed("notes.txt"));
    EXPECT_TRUE(package.Installed("setup.exe"));
    EXPECT_TRUE(package.Installed("setup.inf"));
    // No field 7 in the products line: no ProductVersion.
    DOCS_EXPECT_ENTRY(Key, "Norvale Notes", package.ExpectedCommand(Key), "<none>", package.target);
}

void ExpectRemoved(const docs::ExamplePackage& package)
{
    EXPECT_FALSE(package.InTarget("notes.txt"));
    EXPECT_FALSE(package.InTarget("setup.inf"));
    // The copy of setup.exe that ran the removal, and its folder, go at the next start.
    EXPECT_TRUE(package.InTarget("setup.exe"));
    EXPECT_TRUE(docs::DeletionAtRestartScheduled(package.target + "\\setup.exe"));
    EXPECT_TRUE(docs::DeletionAtRestartScheduled(package.target));
    DOCS_EXPECT_NO_ENTRY(Key);
}

} // namespace

TEST(MinimalExample, InstallsTheProductAndItsEntryRemovesIt)
{
    docs::ExamplePackage package("minimal", "Minimal", {Key}, {});
    ASSERT_TRUE(package.ready) << package.target;

    DOCS_EXPECT_QUIET(package.Run("/quiet"));
    ExpectInstalled(package);
    // The folder has a blank, so the command quotes the program.
    EXPECT_EQ("\"" + package.target + "\\setup.exe\" /remove:" + Key, package.ExpectedCommand(Key));

    DOCS_EXPECT_QUIET(package.RunUninstallCommand(Key, "/quiet /reboot:0"));
    ExpectRemoved(package);
}

TEST(MinimalExample, WithoutReboot0TheRemovalEndsWithTheRestartPrompt)
{
    docs::ExamplePackage package("minimal", "Minimal", {Key}, {});
    ASSERT_TRUE(package.ready) << package.target;

    DOCS_EXPECT_QUIET(package.Run("/quiet"));
    ExpectInstalled(package);

    DOCS_EXPECT_RESTART_PROMPT(package.RunUninstallCommand(Key, "/quiet"));
    ExpectRemoved(package);
}
