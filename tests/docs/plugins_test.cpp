// The plugins example (docs/examples/plugins): the viewer's install section names
// docssteps.dll, whose two steps run at plug-in levels 2 (after the files, with a
// progress bar) and 5 (after the shortcuts) and record themselves under
// HKLM\Software\Norvale Steps. The library is the example's own
// (docs/examples/plugins/source), built by the tests. The removal, whose sections name
// no plug-in, deletes the key with the registry entries of its remove section.

#include "docs_support.h"

#include <gtest/gtest.h>

namespace {

const char Key[] = "DocsPluginsViewer";
const char Registry[] = "Software\\Norvale Steps";

} // namespace

TEST(PluginsExample, TheStepsRunInTheirLevelsOrder)
{
    docs::ExamplePackage package("plugins", "Plugins", {Key}, {Registry});
    ASSERT_TRUE(package.ready) << package.target;

    DOCS_EXPECT_QUIET(package.Run("/quiet"));
    EXPECT_TRUE(package.Installed("viewer.txt"));
    DOCS_EXPECT_ENTRY(Key, "Norvale Viewer", package.ExpectedCommand(Key), "<none>", package.target);
    EXPECT_EQ("ConvertSettings;PrepareFirstStart", docs::MachineText(Registry, "Steps"));
    EXPECT_EQ("converted", docs::MachineText(Registry, "Settings"));
    EXPECT_EQ("prepared", docs::MachineText(Registry, "FirstStart"));
    // The library stays on the medium; nothing copies it.
    EXPECT_FALSE(package.InTarget("docssteps.dll"));

    DOCS_EXPECT_QUIET(package.RunUninstallCommand(Key, "/quiet /reboot:0"));
    EXPECT_FALSE(docs::MachineKeyExists(Registry));
    EXPECT_FALSE(package.InTarget("viewer.txt"));
    DOCS_EXPECT_NO_ENTRY(Key);
}
