// The conditions example (docs/examples/conditions): the start conditions of the section
// "Install" ask docscheck.dll whether Windows is 98, NT 4.0 or later; the agent's install
// section asks whether it is the Windows NT family. The library is the example's own
// (docs/examples/conditions/source), built by the tests. Run as Windows 95 the program
// shows the library's text and installs nothing; as Windows 98 it offers only the
// viewer; on the prefix's own Windows both. A removal asks the start conditions again,
// with the library beside the installed setup.exe.

#include "docs_support.h"
#include "testsupport.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

const char Viewer[] = "DocsConditionsViewer";
const char Agent[] = "DocsConditionsAgent";
const char Caption[] = "The installation cannot be executed";

docs::ExamplePackage* NewPackage()
{
    return new docs::ExamplePackage("conditions", "Conditions", {Viewer, Agent}, {});
}

// A copy of the medium's setup.exe that Wine runs as `version`.
struct SetupAsVersion {
    SetupAsVersion(const e2e::Medium& medium, const char* version)
        : exe(testsupport::ProgramAsVersion(medium.exe, version))
    {
    }
    ~SetupAsVersion()
    {
        if (!exe.empty()) testsupport::SetWindowsVersionFor(exe.substr(exe.find_last_of('\\') + 1), "");
    }
    SetupAsVersion(const SetupAsVersion&) = delete;
    SetupAsVersion& operator=(const SetupAsVersion&) = delete;
    std::string exe;
};

// One box, the refusal: caption 1324, the library's text, OK alone.
void ExpectRefusal(const e2e::UnattendedRun& run, const std::string& text)
{
    ASSERT_TRUE(run.started);
    ASSERT_EQ(1u, run.boxes.size()) << e2e::DescribeBoxes(run.boxes);
    EXPECT_EQ(Caption, run.boxes[0].caption);
    EXPECT_EQ(text, run.boxes[0].text);
    ASSERT_EQ(1u, run.boxes[0].buttons.size()) << e2e::DescribeButtons(run.boxes[0]);
    EXPECT_EQ(IDOK, run.boxes[0].buttons[0].id);
    EXPECT_TRUE(run.exit.exited);
    EXPECT_EQ(0u, run.exit.exitCode);
}

} // namespace

TEST(ConditionsExample, BothProductsOnTheWindowsNTFamily)
{
    std::unique_ptr<docs::ExamplePackage> package(NewPackage());
    ASSERT_TRUE(package->ready) << package->target;

    DOCS_EXPECT_QUIET(package->Run("/quiet"));
    EXPECT_TRUE(package->Installed("viewer.txt"));
    EXPECT_TRUE(package->Installed("agent.txt"));
    EXPECT_TRUE(package->Installed("docscheck.dll"));
    DOCS_EXPECT_ENTRY(Viewer, "Norvale Viewer", package->ExpectedCommand(Viewer), "<none>", package->target);
    DOCS_EXPECT_ENTRY(Agent, "Norvale Agent", package->ExpectedCommand(Agent), "<none>", package->target);

    DOCS_EXPECT_QUIET(package->RunUninstallCommand(Agent, "/quiet"));
    EXPECT_FALSE(package->InTarget("agent.txt"));
    DOCS_EXPECT_QUIET(package->RunUninstallCommand(Viewer, "/quiet /reboot:0"));
    EXPECT_FALSE(package->InTarget("viewer.txt"));
    DOCS_EXPECT_NO_ENTRY(Viewer);
}

TEST(ConditionsExample, Windows98IsOfferedTheViewerOnly)
{
    std::unique_ptr<docs::ExamplePackage> package(NewPackage());
    ASSERT_TRUE(package->ready) << package->target;
    SetupAsVersion windows98(package->medium, "win98");
    ASSERT_FALSE(windows98.exe.empty());

    // The agent is checked by default but not offered: the viewer alone is installed.
    DOCS_EXPECT_QUIET(package->RunProgram(windows98.exe, "/quiet"));
    EXPECT_TRUE(package->Installed("viewer.txt"));
    EXPECT_FALSE(package->InTarget("agent.txt"));
    DOCS_EXPECT_ENTRY(Viewer, "Norvale Viewer", package->ExpectedCommand(Viewer), "<none>", package->target);
    DOCS_EXPECT_NO_ENTRY(Agent);

    DOCS_EXPECT_QUIET(package->RunUninstallCommand(Viewer, "/quiet /reboot:0"));
    EXPECT_FALSE(package->InTarget("viewer.txt"));
    DOCS_EXPECT_NO_ENTRY(Viewer);
}

TEST(ConditionsExample, Windows95IsRefusedWithTheLibrarysText)
{
    std::unique_ptr<docs::ExamplePackage> package(NewPackage());
    ASSERT_TRUE(package->ready) << package->target;
    SetupAsVersion windows95(package->medium, "win95");
    ASSERT_FALSE(windows95.exe.empty());

    ExpectRefusal(package->RunProgram(windows95.exe, "/quiet /lang:eng"),
                  "Norvale packages need Windows 98, Windows NT 4.0 or a later Windows.");
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(package->target.c_str()));
    DOCS_EXPECT_NO_ENTRY(Viewer);
    DOCS_EXPECT_NO_ENTRY(Agent);
}

TEST(ConditionsExample, ARemovalWithoutTheLibraryIsRefused)
{
    std::unique_ptr<docs::ExamplePackage> package(NewPackage());
    ASSERT_TRUE(package->ready) << package->target;
    DOCS_EXPECT_QUIET(package->Run("/quiet"));
    ASSERT_TRUE(package->Installed("docscheck.dll"));

    // Without the library beside the installed setup.exe the start conditions cannot
    // hold: the refusal has no text, and nothing is removed.
    ASSERT_TRUE(DeleteFileA((package->target + "\\docscheck.dll").c_str()));
    ExpectRefusal(package->RunUninstallCommand(Viewer, "/quiet /lang:eng"), "");
    EXPECT_TRUE(package->Installed("viewer.txt"));
    DOCS_EXPECT_ENTRY(Viewer, "Norvale Viewer", package->ExpectedCommand(Viewer), "<none>", package->target);
}

TEST(ConditionsExample, InstallKeyDoesNotAskTheProductsConditions)
{
    std::unique_ptr<docs::ExamplePackage> package(NewPackage());
    ASSERT_TRUE(package->ready) << package->target;
    SetupAsVersion windows98(package->medium, "win98");
    ASSERT_FALSE(windows98.exe.empty());

    // Not offered on Windows 98, but named with /install: it is installed all the same;
    // the start conditions still hold there.
    DOCS_EXPECT_QUIET(package->RunProgram(windows98.exe, "/install:DocsConditionsAgent /quiet"));
    EXPECT_TRUE(package->Installed("agent.txt"));
    EXPECT_FALSE(package->InTarget("viewer.txt"));
    DOCS_EXPECT_ENTRY(Agent, "Norvale Agent", package->ExpectedCommand(Agent), "<none>", package->target);

    DOCS_EXPECT_QUIET(package->RunUninstallCommand(Agent, "/quiet /reboot:0"));
    EXPECT_FALSE(package->InTarget("agent.txt"));
    DOCS_EXPECT_NO_ENTRY(Agent);
}
