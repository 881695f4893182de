// The script checker on the examples: every example package, laid out as a medium the way
// the install tests lay it out (setup.exe, the example's files and its programs), passes
// build\infcheck.exe with exit code 0. infcheck reads the medium's setup.inf the way
// setup.exe does and reports what cannot work; warnings are allowed (the package-entry
// example's products have, on purpose, no remove sections).

#include "docs_support.h"
#include "testsupport.h"

#include <gtest/gtest.h>

namespace {

std::string CheckerPath()
{
    const std::string tests = testsupport::TestFolder();
    return tests.substr(0, tests.find_last_of('\\')) + "\\infcheck.exe";
}

} // namespace

TEST(Infcheck, EveryExamplePasses)
{
    ASSERT_TRUE(testsupport::FileExists(CheckerPath())) << CheckerPath();
    const std::vector<std::string> examples = docs::ExampleNames();
    ASSERT_FALSE(examples.empty());
    for (const std::string& example : examples) {
        SCOPED_TRACE(example);
        e2e::Medium medium(("docs-infcheck-" + example).c_str());
        ASSERT_TRUE(docs::LayOutExample(example, medium));
        const testsupport::ProcessResult result =
            testsupport::RunProgram(testsupport::Quote(CheckerPath()) + " " + testsupport::Quote(medium.folder),
                                    medium.folder, e2e::WaitLimitMs);
        ASSERT_TRUE(result.started);
        EXPECT_TRUE(result.finished) << "infcheck did not end within the limit";
        EXPECT_EQ(0u, result.exitCode) << result.output;
        // It read the script: its summary names the sections it chose.
        EXPECT_NE(std::string::npos, result.output.find("info")) << result.output;
    }
}

TEST(Infcheck, AnExampleWithoutItsProgramsFails)
{
    // The check above can fail: the services example without its service program.
    e2e::Medium medium("docs-infcheck-missing");
    ASSERT_TRUE(docs::LayOutExample("services", medium));
    ASSERT_TRUE(DeleteFileA((medium.folder + "\\docsagent.exe").c_str()));
    const testsupport::ProcessResult result = testsupport::RunProgram(
        testsupport::Quote(CheckerPath()) + " " + testsupport::Quote(medium.folder), medium.folder, e2e::WaitLimitMs);
    ASSERT_TRUE(result.started);
    EXPECT_TRUE(result.finished);
    EXPECT_EQ(1u, result.exitCode) << result.output;
    EXPECT_NE(std::string::npos, result.output.find("docsagent.exe")) << result.output;
}
