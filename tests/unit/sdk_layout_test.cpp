// The SDK header is the one declaration of the plug-in step record, which the program
// and the libraries share: its fields lie at the offsets libraries were built for, its
// interface version and failure text size are the program's, and its levels are the
// ones the step runner asks for.

#include "../../catalogue/conditions.h"
#include "../../catalogue/plugins.h"

#include <cstddef>

#include <gtest/gtest.h>

namespace {

static_assert(SETUPSDK_INTERFACE_VERSION == PluginInterfaceVersion, "interface version");
static_assert(SETUPSDK_FAIL_MESSAGE_SIZE == FailureTextSize, "failure text size");

TEST(SdkLayout, TheFieldsLieAtTheOffsetsLibrariesWereBuiltFor)
{
    EXPECT_EQ(1552u, sizeof(PluginStep));
    EXPECT_EQ(0u, offsetof(PluginStep, level));
    EXPECT_EQ(4u, offsetof(PluginStep, functionName));
    EXPECT_EQ(260u, offsetof(PluginStep, text));
    EXPECT_EQ(1284u, offsetof(PluginStep, progressRange));
    EXPECT_EQ(1288u, offsetof(PluginStep, libraryPath));
    EXPECT_EQ(1548u, offsetof(PluginStep, next));
    // The program cuts the texts at the ends of their fields.
    EXPECT_EQ(256u, sizeof(PluginStep::functionName));
    EXPECT_EQ(1024u, sizeof(PluginStep::text));
}

TEST(SdkLayout, TheLevelsRunInTheOrderTheHeaderGives)
{
    // The header lists the levels in running order; the values are those the program's
    // step runner asks for, 0, 1, 2, 4, 3, 5.
    const int order[] = {SETUPSDK_LEVEL_START,         SETUPSDK_LEVEL_BEFORE_COPY,    SETUPSDK_LEVEL_AFTER_COPY,
                         SETUPSDK_LEVEL_AFTER_REGISTRY, SETUPSDK_LEVEL_AFTER_SERVICES, SETUPSDK_LEVEL_AFTER_SHORTCUTS};
    const int expected[] = {0, 1, 2, 4, 3, 5};
    for (size_t i = 0; i < sizeof order / sizeof order[0]; ++i) EXPECT_EQ(expected[i], order[i]) << "position " << i;
}

} // namespace
