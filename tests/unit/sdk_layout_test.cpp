// The SDK header and the program agree: the program keeps its own declaration of the
// plug-in step record, and library authors build against sdk/setupsdk.h, so the two
// must describe the same bytes. The SDK's declarations live in the namespace `sdk`
// here, the program's in the global one. Sizes, offsets, field sizes, the callback
// type and the interface version are compared at compile time; a record written
// through the SDK's view is then read back through the program's, as a library's
// GetStepNumber writes what the program's step runner reads.

#include "../../catalogue/conditions.h"
#include "../../catalogue/plugins.h"

#include <cstddef>
#include <cstring>
#include <type_traits>

namespace sdk {
#include "../../sdk/setupsdk.h"
}

#include <gtest/gtest.h>

namespace {

#define SAME_FIELD(field)                                                                              \
    static_assert(offsetof(::PluginStep, field) == offsetof(sdk::PluginStep, field), #field " offset"); \
    static_assert(sizeof(::PluginStep::field) == sizeof(sdk::PluginStep::field), #field " size")

static_assert(sizeof(::PluginStep) == sizeof(sdk::PluginStep), "record size");
SAME_FIELD(level);
SAME_FIELD(functionName);
SAME_FIELD(text);
SAME_FIELD(progressRange);
SAME_FIELD(libraryPath);
SAME_FIELD(next);
static_assert(std::is_same<::PluginProgressFunction, sdk::PluginProgressFunction>::value, "callback type");
static_assert(SETUPSDK_INTERFACE_VERSION == PluginInterfaceVersion, "interface version");
static_assert(SETUPSDK_FAIL_MESSAGE_SIZE == FailureTextSize, "failure text size");

TEST(SdkLayout, ARecordFilledThroughTheSdkReadsTheSameInTheProgram)
{
    // Every byte set first, as the program does not clear the record for the library.
    sdk::PluginStep written;
    std::memset(&written, 0x5A, sizeof written);
    written.level = 4;
    std::strcpy(written.functionName, "WriteConfiguration");
    std::strcpy(written.text, "Writing the configuration");
    written.progressRange = 0x12340064u;

    ::PluginStep read;
    static_assert(sizeof read == sizeof written, "record size");
    std::memcpy(&read, &written, sizeof read);
    EXPECT_EQ(4, read.level);
    EXPECT_STREQ("WriteConfiguration", read.functionName);
    EXPECT_STREQ("Writing the configuration", read.text);
    EXPECT_EQ(0x12340064u, read.progressRange);
    // The fields the library does not fill are where the program expects its own.
    EXPECT_EQ(0x5A, static_cast<unsigned char>(read.libraryPath[0]));
    EXPECT_EQ(0x5A, static_cast<unsigned char>(read.libraryPath[sizeof read.libraryPath - 1]));
}

TEST(SdkLayout, TheFieldsLieAtTheOffsetsLibrariesWereBuiltFor)
{
    EXPECT_EQ(1552u, sizeof(sdk::PluginStep));
    EXPECT_EQ(0u, offsetof(sdk::PluginStep, level));
    EXPECT_EQ(4u, offsetof(sdk::PluginStep, functionName));
    EXPECT_EQ(260u, offsetof(sdk::PluginStep, text));
    EXPECT_EQ(1284u, offsetof(sdk::PluginStep, progressRange));
    EXPECT_EQ(1288u, offsetof(sdk::PluginStep, libraryPath));
    EXPECT_EQ(1548u, offsetof(sdk::PluginStep, next));
    // The program's text fields end where the SDK says they do: it cuts texts there.
    EXPECT_EQ(256u, sizeof(::PluginStep::functionName));
    EXPECT_EQ(1024u, sizeof(::PluginStep::text));
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
