// The restart example (docs/examples/restart): "Reboot = 1" in the install section makes
// every installation and removal of the package need a restart. What the end of the run
// does about it is the caller's choice: /reboot:1 (the default) lets the system ask,
// /reboot:0 (and any value but 1 and 2) does nothing. (/reboot:2 restarts Windows at
// once; that ends the Wine session, so it is checked elsewhere, in a private prefix.)

#include "docs_support.h"

#include <gtest/gtest.h>

namespace {

const char Key[] = "DocsRestartFilter";

void ExpectInstalled(const docs::ExamplePackage& package)
{
    EXPECT_TRUE(package.Installed("filter.txt"));
    EXPECT_TRUE(package.Installed("setup.exe"));
    DOCS_EXPECT_ENTRY(Key, "Norvale Port Filter", package.ExpectedCommand(Key), "<none>", package.target);
}

} // namespace

TEST(RestartExample, TheDefaultAsksAfterTheInstallation)
{
    docs::ExamplePackage package("restart", "Restart", {Key}, {});
    ASSERT_TRUE(package.ready) << package.target;

    // The prompt comes after the work: the package is installed when it asks.
    DOCS_EXPECT_RESTART_PROMPT(package.Run("/quiet"));
    ExpectInstalled(package);
    // The same with /reboot:1 written out, on the removal.
    DOCS_EXPECT_RESTART_PROMPT(package.RunUninstallCommand(Key, "/quiet /reboot:1"));
    EXPECT_FALSE(package.InTarget("filter.txt"));
    DOCS_EXPECT_NO_ENTRY(Key);
}

TEST(RestartExample, Reboot0NeitherAsksNorRestarts)
{
    docs::ExamplePackage package("restart", "Restart", {Key}, {});
    ASSERT_TRUE(package.ready) << package.target;

    DOCS_EXPECT_QUIET(package.Run("/quiet /reboot:0"));
    ExpectInstalled(package);
    // A value that is not 0, 1 or 2 acts like 0.
    DOCS_EXPECT_QUIET(package.RunUninstallCommand(Key, "/quiet /reboot:3"));
    EXPECT_FALSE(package.InTarget("filter.txt"));
    DOCS_EXPECT_NO_ENTRY(Key);
}
