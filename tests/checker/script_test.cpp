// infcheck as a whole: a script it cannot open, a clean package with and without every
// extension, the demo package, the exit codes, the default folder, the line numbers, and
// the sections it reports for each Windows family, compared with what the program's own
// rule chooses when it really runs as each version.

#include "checker_support.h"
#include "testsupport.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

using checkertest::CheckRun;
using checkertest::Medium;

namespace {

// Everything the script language offers, used correctly, on top of the base package.
const char EveryFeature[] = R"(
[Install]
Conditions = Check.Conditions
Plugins    = plugin_a.dll
Exec       = Check.Programs

[Check.Conditions]
1 = cond_norvale.dll,Holds

[Setup.Files]
cond_norvale.dll

[SourceDisksFiles]
cond_norvale.dll = 1

[App.Install]
Conditions = Check.Conditions
MakeIcons  = App.Icons

[App.Remove]
DelIcons = App.Icons

[App.Icons]
1 = uprg,InfCheck\Application,%32768%\app.txt

[Check.Programs]
1 = 0x2,exec_fixture.exe,-q,,1
2 = 1,%32768%\app.txt

[App.Install.Services]
AddService = InfCheckService,,InfCheck.Service

[App.Remove.Services]
StopService = InfCheckService
DelService  = InfCheckService

[InfCheck.Service]
DisplayName       = "InfCheck service"
ServiceType       = 0x10
StartType         = 3
ErrorControl      = 1
ServiceBinary     = %32768%\app.txt
ServiceGroupOrder = InfCheckGroup
)";

TEST(Script, MissingScriptExitsWithTwoAndTheProgramsMessage)
{
    Medium medium("noscript");
    const CheckRun run = medium.Check();
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(2u, run.exitCode) << run.output;
    ASSERT_EQ(1u, run.findings.size()) << run.output;
    EXPECT_EQ("error", run.findings[0].severity);
    EXPECT_EQ("There is an error in file " + medium.PathOf("setup.inf") + ", line 0. Installation can not continue.",
              run.findings[0].text);
}

TEST(Script, SyntaxErrorReportsTheSetupApisLine)
{
    Medium medium("syntax");
    ASSERT_TRUE(medium.WriteScript("[Version]\nSignature=\"$Chicago$\"\n\n[Products\nA = b\n"));
    const CheckRun run = medium.Check();
    EXPECT_EQ(2u, run.exitCode) << run.output;
    EXPECT_TRUE(run.Mentions("error", ", line 4. Installation can not continue.")) << run.output;
}

TEST(Script, ScriptWithoutSignatureCannotBeOpened)
{
    Medium medium("nosignature");
    ASSERT_TRUE(medium.WriteScript("[Products]\nA = b,c,d\n"));
    const CheckRun run = medium.Check();
    EXPECT_EQ(2u, run.exitCode) << run.output;
    EXPECT_TRUE(run.Mentions("error", "There is an error in file")) << run.output;
}

TEST(Script, CleanBasePackageHasNoFindings)
{
    Medium medium("clean");
    ASSERT_TRUE(medium.WriteBasePackage());
    const CheckRun run = medium.Check();
    EXPECT_EQ(0u, run.exitCode) << run.output;
    EXPECT_EQ(0, run.Count("error")) << run.output;
    EXPECT_EQ(0, run.Count("warning")) << run.output;
    EXPECT_TRUE(run.Mentions("info", "0 errors, 0 warnings")) << run.output;
}

TEST(Script, CleanPackageWithEveryExtensionHasNoFindings)
{
    Medium medium("everything");
    ASSERT_TRUE(medium.WriteBasePackage(EveryFeature));
    ASSERT_TRUE(medium.CopyFixture("cond_norvale.dll"));
    ASSERT_TRUE(medium.CopyFixture("plugin_a.dll"));
    ASSERT_TRUE(medium.CopyFixture("exec_fixture.exe"));
    const CheckRun run = medium.Check();
    EXPECT_EQ(0u, run.exitCode) << run.output;
    EXPECT_EQ(0, run.Count("error")) << run.output;
    EXPECT_EQ(0, run.Count("warning")) << run.output;
}

TEST(Script, DemoPackagePasses)
{
    Medium medium("demo");
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((checkertest::DemoFolder() + "\\*").c_str(), &entry);
    ASSERT_NE(INVALID_HANDLE_VALUE, find) << checkertest::DemoFolder();
    int copied = 0;
    do {
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        ASSERT_TRUE(medium.CopyIn(checkertest::DemoFolder() + "\\" + entry.cFileName, entry.cFileName));
        ++copied;
    } while (FindNextFileA(find, &entry));
    FindClose(find);
    ASSERT_GT(copied, 1);
    ASSERT_TRUE(medium.CopyIn(testsupport::BuildFolder() + "\\setup.exe", "setup.exe"));
    // The sample libraries of the SDK lie beside setup.exe on the demo's medium.
    find = FindFirstFileA((testsupport::BuildFolder() + "\\sdk\\*.dll").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do ASSERT_TRUE(medium.CopyIn(testsupport::BuildFolder() + "\\sdk\\" + entry.cFileName, entry.cFileName));
        while (FindNextFileA(find, &entry));
        FindClose(find);
    }
    const CheckRun run = medium.Check();
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(0u, run.exitCode) << run.output;
    EXPECT_EQ(0, run.Count("error")) << run.output;
}

TEST(Script, ErrorsGiveExitCodeOneAndWarningsAloneZero)
{
    Medium warned("warned");
    ASSERT_TRUE(warned.WriteBasePackage("[Products]\nBare = \"Bare product\"\n"));
    const CheckRun warning = warned.Check();
    EXPECT_EQ(0u, warning.exitCode) << warning.output;
    EXPECT_EQ(0, warning.Count("error")) << warning.output;
    EXPECT_GE(warning.Count("warning"), 1) << warning.output;
    EXPECT_TRUE(warning.Mentions("info", "0 errors, 2 warnings")) << warning.output;

    Medium failed("failed");
    ASSERT_TRUE(failed.WriteBasePackage("[Products]\n= \"No key\",App.Install\n"));
    const CheckRun error = failed.Check();
    EXPECT_EQ(1u, error.exitCode) << error.output;
    EXPECT_EQ(1, error.Count("error")) << error.output;
    EXPECT_TRUE(error.Mentions("info", "1 error, 0 warnings")) << error.output;
}

TEST(Script, WithoutArgumentTheCurrentFolderIsChecked)
{
    Medium medium("currentfolder");
    ASSERT_TRUE(medium.WriteBasePackage("[Products]\n= \"No key\",App.Install\n"));
    const CheckRun run = medium.CheckFromInside();
    EXPECT_EQ(1u, run.exitCode) << run.output;
    EXPECT_TRUE(run.Has("error", "Products", 2, "products line with an empty key")) << run.output;
}

TEST(Script, HelpOptionPrintsTheUsageAndTooManyArgumentsAreRefused)
{
    const CheckRun help = checkertest::RunInfcheck("/?", "");
    EXPECT_EQ(0u, help.exitCode);
    EXPECT_NE(std::string::npos, help.output.find("Usage: infcheck [MEDIUM-FOLDER]")) << help.output;
    EXPECT_NE(std::string::npos, help.output.find("LoadLibrary")) << help.output;
    const CheckRun wrong = checkertest::RunInfcheck("one two", "");
    EXPECT_EQ(2u, wrong.exitCode);
}

// A line's number is its place in its section: comments and blank lines do not count,
// and a second part of a section continues the first one's count.
TEST(Script, LineNumbersCountTheLinesOfTheSection)
{
    Medium medium("linenumbers");
    ASSERT_TRUE(medium.WriteBasePackage("[Products]\n; a comment\n\nGood = \"Good\",App.Install,App.Remove\n"
                                        "\n; another comment\n= \"No key\",App.Install,App.Remove\n"));
    const CheckRun run = medium.Check();
    EXPECT_TRUE(run.Has("error", "Products", 3, "products line with an empty key")) << run.output;
    EXPECT_EQ(1, run.Count("error")) << run.output;
}

// The lines "info: FAMILY: install [..], remove [..], products [..]" by family.
std::map<std::string, std::string> FamilyLines(const CheckRun& run)
{
    std::map<std::string, std::string> lines;
    for (const checkertest::Finding& finding : run.findings) {
        const size_t colon = finding.text.find(": install ");
        if (finding.severity == "info" && colon != std::string::npos)
            lines[finding.text.substr(0, colon)] = finding.text.substr(colon + 2);
    }
    return lines;
}

TEST(Platforms, EachFamilyIsToldItsOwnSections)
{
    Medium medium("families");
    ASSERT_TRUE(medium.WriteScript(R"([Version]
Signature="$Chicago$"
[Install.NT5]
a = 1
[Install.NTx86]
a = 1
[Install.Win98]
a = 1
[Install.WinMe]
a = 1
[Install.Win]
; empty: counts as missing
[Remove.NT]
a = 1
[Products.Win]
a = "A"
)"));
    const CheckRun run = medium.Check();
    const std::map<std::string, std::string> lines = FamilyLines(run);
    EXPECT_EQ("install [Install] (missing), remove [Remove] (missing), products [Products.Win]",
              lines.at("Windows 95")) << run.output;
    // Windows 98 passes the Me test too, so the Me section wins there.
    EXPECT_EQ("install [Install.WinMe], remove [Remove] (missing), products [Products.Win]", lines.at("Windows 98"))
        << run.output;
    EXPECT_EQ("install [Install.WinMe], remove [Remove] (missing), products [Products.Win]", lines.at("Windows Me"))
        << run.output;
    EXPECT_EQ("install [Install.NTx86], remove [Remove.NT], products [Products] (missing)", lines.at("Windows NT 4"))
        << run.output;
    EXPECT_EQ("install [Install.NT5], remove [Remove.NT], products [Products] (missing)",
              lines.at("Windows NT 5 and later")) << run.output;
}

// The program's own choice, made by platform_probe running as each Windows version.
std::map<std::string, std::string> ProbeSections(const std::string& version, const std::string& script)
{
    std::map<std::string, std::string> values;
    const std::string probe = testsupport::ProgramAsVersion(testsupport::TestFolder() + "\\platform_probe.exe", version);
    EXPECT_FALSE(probe.empty()) << version;
    if (probe.empty()) return values;
    const testsupport::ProcessResult run =
        testsupport::RunProgram(testsupport::Quote(probe) + " sections " + testsupport::Quote(script), "", 30000);
    EXPECT_TRUE(run.finished) << version;
    size_t at = 0;
    while (at < run.output.size()) {
        size_t end = run.output.find('\n', at);
        if (end == std::string::npos) end = run.output.size();
        std::string line = run.output.substr(at, end - at);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const size_t equals = line.find('=');
        if (equals != std::string::npos) values[line.substr(0, equals)] = line.substr(equals + 1);
        at = end + 1;
    }
    testsupport::SetWindowsVersionFor(probe.substr(probe.find_last_of('\\') + 1), "");
    DeleteFileA(probe.c_str());
    return values;
}

TEST(Platforms, AgreeWithTheProgramRunningAsEachVersion)
{
    Medium medium("agree");
    const std::set<std::string> present = {"Install.NT5", "Install.Win98", "Remove.NTx86", "Remove.WinMe",
                                           "Remove.Win",  "Products.NT",   "Products.Win98", "Products"};
    std::string script = "[Version]\nSignature=\"$Chicago$\"\n";
    for (const std::string& section : present) script += "[" + section + "]\na = 1\n";
    ASSERT_TRUE(medium.WriteScript(script));
    const CheckRun run = medium.Check();
    const std::map<std::string, std::string> lines = FamilyLines(run);

    const std::pair<const char*, const char*> versions[] = {{"Windows 95", "win95"},   {"Windows 98", "win98"},
                                                            {"Windows Me", "winme"},   {"Windows NT 4", "nt40"},
                                                            {"Windows NT 5 and later", "win2k"},
                                                            {"Windows NT 5 and later", "win7"}};
    auto describe = [&](const std::string& name) {
        return "[" + name + "]" + (present.count(name) ? "" : " (missing)");
    };
    for (const auto& version : versions) {
        std::map<std::string, std::string> chosen = ProbeSections(version.second, medium.PathOf("setup.inf"));
        ASSERT_EQ(3u, chosen.size()) << version.second;
        const std::string expected = "install " + describe(chosen["install"]) + ", remove " + describe(chosen["remove"])
                                     + ", products " + describe(chosen["products"]);
        ASSERT_TRUE(lines.count(version.first)) << run.output;
        EXPECT_EQ(expected, lines.at(version.first)) << version.second;
    }
}

} // namespace
