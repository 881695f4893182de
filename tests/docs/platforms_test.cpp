// The platforms example (docs/examples/platforms): install sections for Windows 2000 and
// later (.NT5), NT 4.0 (.NT), 98 and Me (.Win98) and 95 (the plain name), a products
// section for the Windows NT family (.NT) beside the plain one, and one plain remove
// section for all. The test runs the medium's setup.exe as each Windows version (Wine
// reports a version per program name; the copy has a name of its own) and checks which
// install section recorded itself and which products were offered; the removal runs the
// command the installation registered, as Windows would, on this prefix's own version.

#include "docs_support.h"
#include "testsupport.h"

#include <gtest/gtest.h>

namespace {

const char Core[] = "DocsPlatformsCore";
const char Monitor[] = "DocsPlatformsMonitor";
const char Registry[] = "Software\\Norvale Platforms";

// A copy of the medium's setup.exe that Wine runs as `version` ("" for the prefix's own
// version: the medium's setup.exe itself); the version setting goes with the record.
struct SetupAsVersion {
    SetupAsVersion(const e2e::Medium& medium, const std::string& windows)
        : exe(windows.empty() ? medium.exe : testsupport::ProgramAsVersion(medium.exe, windows)), version(windows)
    {
    }
    ~SetupAsVersion()
    {
        if (!version.empty() && !exe.empty())
            testsupport::SetWindowsVersionFor(exe.substr(exe.find_last_of('\\') + 1), "");
    }
    SetupAsVersion(const SetupAsVersion&) = delete;
    SetupAsVersion& operator=(const SetupAsVersion&) = delete;
    std::string exe, version;
};

// Installs the example as `version`, expects `section` to have run and the monitor to be
// offered (and, being checked, installed) exactly on the NT family; then removes every
// product through its entry.
void InstallAndRemoveAs(const std::string& version, const std::string& section, bool ntFamily)
{
    SCOPED_TRACE("Windows " + (version.empty() ? std::string("of the prefix") : version));
    docs::ExamplePackage package("platforms", "Platforms", {Core, Monitor}, {Registry});
    ASSERT_TRUE(package.ready) << package.target;
    SetupAsVersion setup(package.medium, version);
    ASSERT_FALSE(setup.exe.empty());

    DOCS_EXPECT_QUIET(package.RunProgram(setup.exe, "/quiet"));
    EXPECT_EQ(section, docs::MachineText(Registry, "Section"));
    EXPECT_TRUE(package.Installed("setup.exe"));
    EXPECT_TRUE(package.Installed("core.txt"));
    DOCS_EXPECT_ENTRY(Core, "Norvale Core", package.ExpectedCommand(Core), "<none>", package.target);
    EXPECT_EQ(ntFamily, package.Installed("monitor.txt"));
    if (ntFamily) {
        DOCS_EXPECT_ENTRY(Monitor, "Norvale Monitor", package.ExpectedCommand(Monitor), "<none>", package.target);
        DOCS_EXPECT_QUIET(package.RunUninstallCommand(Monitor, "/quiet /reboot:0"));
        EXPECT_FALSE(package.InTarget("monitor.txt"));
        // The core stays registered: the main remove section has not run.
        EXPECT_EQ(section, docs::MachineText(Registry, "Section"));
    } else {
        DOCS_EXPECT_NO_ENTRY(Monitor);
    }

    // The last product: the one plain remove section runs, whatever Windows installed.
    DOCS_EXPECT_QUIET(package.RunUninstallCommand(Core, "/quiet /reboot:0"));
    EXPECT_FALSE(package.InTarget("core.txt"));
    EXPECT_FALSE(package.InTarget("setup.inf"));
    EXPECT_FALSE(docs::MachineKeyExists(Registry));
    DOCS_EXPECT_NO_ENTRY(Core);
    EXPECT_TRUE(docs::DeletionAtRestartScheduled(package.target + "\\setup.exe"));
}

} // namespace

TEST(PlatformsExample, Windows95UsesThePlainSections)
{
    InstallAndRemoveAs("win95", "Install", false);
}

TEST(PlatformsExample, Windows98AndMeUseTheWin98Section)
{
    InstallAndRemoveAs("win98", "Install.Win98", false);
    InstallAndRemoveAs("winme", "Install.Win98", false);
}

TEST(PlatformsExample, WindowsNT4UsesTheNTSections)
{
    InstallAndRemoveAs("nt40", "Install.NT", true);
}

TEST(PlatformsExample, Windows2000AndLaterUseTheNT5SectionAndTheNTProducts)
{
    InstallAndRemoveAs("win2k", "Install.NT5", true);
    InstallAndRemoveAs("", "Install.NT5", true);
}
