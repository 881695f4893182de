// The sections chosen for each Windows version, and the default wizard style, with the
// program's own code running as Windows 95, 98, Me, NT 4, 2000 and 7 (Wine reports the
// version per executable, so each version runs a copy of the probe program).

#include "../support/testsupport.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

// Runs the probe as `version` and returns its "name=value" lines.
std::map<std::string, std::string> Probe(const std::string& version, const std::string& arguments)
{
    std::map<std::string, std::string> values;
    const std::string probe = testsupport::ProgramAsVersion(testsupport::TestFolder() + "\\platform_probe.exe", version);
    EXPECT_FALSE(probe.empty()) << version;
    if (probe.empty()) return values;
    testsupport::ProcessResult run = testsupport::RunProgram(testsupport::Quote(probe) + " " + arguments, "", 30000);
    EXPECT_TRUE(run.finished) << version;
    size_t at = 0;
    while (at < run.output.size()) {
        size_t end = run.output.find('\n', at);
        if (end == std::string::npos) end = run.output.size();
        std::string line = run.output.substr(at, end - at);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        size_t equals = line.find('=');
        if (equals != std::string::npos) values[line.substr(0, equals)] = line.substr(equals + 1);
        at = end + 1;
    }
    const size_t slash = probe.find_last_of('\\');
    testsupport::SetWindowsVersionFor(probe.substr(slash + 1), "");
    DeleteFileA(probe.c_str());
    return values;
}

class PlatformSections : public ::testing::Test {
protected:
    void SetUp() override { folder_ = testsupport::MakeScratchFolder("platform"); }
    void TearDown() override { testsupport::RemoveTree(folder_); }

    // The install, remove and products sections chosen for `script` on `version`.
    std::map<std::string, std::string> Choose(const std::string& version, const std::string& sections)
    {
        const std::string path = folder_ + "\\setup.inf";
        testsupport::WriteFile(path, "[Version]\r\nSignature=\"$Chicago$\"\r\n" + sections);
        return Probe(version, "sections " + testsupport::Quote(path));
    }

    std::string folder_;
};

TEST_F(PlatformSections, ReportedVersionsAreTheOnesAskedFor)
{
    EXPECT_EQ("c0000004", Probe("win95", "version")["version"]);
    EXPECT_EQ("c0000a04", Probe("win98", "version")["version"]);
    EXPECT_EQ("05650004", Probe("nt40", "version")["version"]);
}

// The Setup API of the Windows 95 family may lack the wide functions.
TEST_F(PlatformSections, TheWindows95FamilyReadsProductKeysThroughTheAnsiSetupApi)
{
    const std::string path = folder_ + "\\setup.inf";
    testsupport::WriteFile(path, "[Version]\r\nSignature=\"$Chicago$\"\r\n[Products]\r\nAlpha=A\r\nBeta=B\r\n");
    for (const std::string version : {"win95", "win98", "winme", "nt40"}) {
        auto seen = Probe(version, "keys " + testsupport::Quote(path));
        EXPECT_EQ("Alpha,Beta,", seen["keys"]) << version;
        EXPECT_EQ(version != "nt40", seen["wide"] == "0") << version << ": " << seen["wide"];
    }
}

TEST_F(PlatformSections, Windows2000TakesNTOverPlainAndSkipsEmptySections)
{
    auto chosen = Choose("win2k", "[Install.NT]\r\nA=1\r\n[Install]\r\nA=1\r\n");
    EXPECT_EQ("Install.NT", chosen["install"]);
    EXPECT_EQ("Remove", chosen["remove"]);
    EXPECT_EQ("Products", chosen["products"]);

    chosen = Choose("win2k", "[Install.NT]\r\n[Install]\r\nA=1\r\n");
    EXPECT_EQ("Install", chosen["install"]);
}

TEST_F(PlatformSections, NT5NamesFromVersion5On)
{
    const char* script = "[Install.NT5]\r\nA=1\r\n[Install.NTx86]\r\nA=1\r\n[Install.NT]\r\nA=1\r\n";
    EXPECT_EQ("Install.NT5", Choose("win2k", script)["install"]);
    EXPECT_EQ("Install.NT5", Choose("win7", script)["install"]);
    EXPECT_EQ("Install.NTx86", Choose("nt40", script)["install"]);
    EXPECT_EQ("Remove.NT", Choose("nt40", "[Remove.NT5]\r\nA=1\r\n[Remove.NT]\r\nA=1\r\n")["remove"]);
}

TEST_F(PlatformSections, FamiliesAreChosenIndependently)
{
    auto chosen = Choose("win2k", "[Install.NT5]\r\nA=1\r\n[Products]\r\nP=1\r\n[Remove.NTx86]\r\nA=1\r\n");
    EXPECT_EQ("Install.NT5", chosen["install"]);
    EXPECT_EQ("Remove.NTx86", chosen["remove"]);
    EXPECT_EQ("Products", chosen["products"]);
}

TEST_F(PlatformSections, Windows98PassesTheMeTestToo)
{
    const char* script = "[Products.WinMe]\r\nP=1\r\n[Products.Win98]\r\nP=1\r\n[Products.Win]\r\nP=1\r\n";
    EXPECT_EQ("Products.WinMe", Choose("win98", script)["products"]);
    EXPECT_EQ("Products.WinMe", Choose("winme", script)["products"]);
    EXPECT_EQ("Products.Win", Choose("win95", script)["products"]);
    EXPECT_EQ("Products.Win98", Choose("win98", "[Products.Win98]\r\nP=1\r\n[Products.Win]\r\nP=1\r\n")["products"]);
}

TEST_F(PlatformSections, Windows95UsesOnlyWinOrPlain)
{
    EXPECT_EQ("Remove", Choose("win95", "[Remove.Win98]\r\nA=1\r\n")["remove"]);
    EXPECT_EQ("Remove.Win", Choose("win95", "[Remove.Win98]\r\nA=1\r\n[Remove.Win]\r\nA=1\r\n")["remove"]);
}

TEST_F(PlatformSections, EachFamilyIgnoresTheOthersSections)
{
    EXPECT_EQ("Install", Choose("win98", "[Install.NT5]\r\nA=1\r\n[Install.NT]\r\nA=1\r\n")["install"]);
    EXPECT_EQ("Install", Choose("win7", "[Install.WinMe]\r\nA=1\r\n[Install.Win]\r\nA=1\r\n")["install"]);
}

TEST(WizardStyleProbe, Windows95FamilyAlwaysGetsTheClassicWizard)
{
    EXPECT_EQ("0", Probe("win95", "style")["style"]);
    EXPECT_EQ("0", Probe("win98", "style")["style"]);
    EXPECT_EQ("0", Probe("winme", "style")["style"]);
    // Wine's common controls are newer than 4.71 on every NT version.
    EXPECT_EQ("1", Probe("nt40", "style")["style"]);
    EXPECT_EQ("1", Probe("win7", "style")["style"]);
}

} // namespace
