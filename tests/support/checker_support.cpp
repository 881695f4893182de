// Laying out media for infcheck, running it and reading its findings back.

#include "checker_support.h"

#include "testsupport.h"

#include <algorithm>
#include <cstdlib>

namespace checkertest {

namespace {

// infcheck ends within a second or two; the limit only stops a hung run.
const DWORD CheckTimeoutMs = 60000;

// "error: [Section] line 3: text", "error: [Section]: text" or "error: text".
bool ParseFinding(const std::string& line, Finding* finding)
{
    const size_t colon = line.find(": ");
    if (colon == std::string::npos) return false;
    finding->severity = line.substr(0, colon);
    if (finding->severity != "error" && finding->severity != "warning" && finding->severity != "info") return false;
    std::string rest = line.substr(colon + 2);
    if (!rest.empty() && rest[0] == '[') {
        const size_t close = rest.find(']');
        if (close != std::string::npos) {
            finding->section = rest.substr(1, close - 1);
            rest = rest.substr(close + 1);
            if (rest.compare(0, 6, " line ") == 0) {
                finding->line = std::atoi(rest.c_str() + 6);
                rest = rest.substr(rest.find(':') + 1);
            } else if (!rest.empty() && rest[0] == ':') {
                rest = rest.substr(1);
            }
            if (!rest.empty() && rest[0] == ' ') rest = rest.substr(1);
        }
    }
    finding->text = rest;
    return true;
}

std::vector<Finding> ParseFindings(const std::string& output)
{
    std::vector<Finding> findings;
    size_t at = 0;
    while (at < output.size()) {
        size_t end = output.find('\n', at);
        if (end == std::string::npos) end = output.size();
        std::string line = output.substr(at, end - at);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        Finding finding;
        if (ParseFinding(line, &finding)) findings.push_back(finding);
        at = end + 1;
    }
    return findings;
}

} // namespace

const char BaseScript[] = R"([Version]
Signature="$Chicago$"

[DestinationDirs]
DefaultDestDir = 24,\InfCheck\Package
Setup.Files    = 32768
App.Files      = 32768

[Install]
CopyFiles = Setup.Files
Uninstall = InfCheckPackage,"InfCheck Package"

[Remove]
DelFiles = Setup.Files

[Products]
App = "Application",App.Install,App.Remove,1,0,"The application.",1.0

[App.Install]
CopyFiles = App.Files

[App.Remove]
DelFiles = App.Files

[Setup.Files]
setup.exe
setup.inf

[App.Files]
app.txt

[SourceDisksNames]
1 = "InfCheck medium",,,

[SourceDisksFiles]
setup.exe = 1
setup.inf = 1
app.txt   = 1
)";

int CheckRun::Count(const std::string& severity) const
{
    return static_cast<int>(std::count_if(findings.begin(), findings.end(),
                                          [&](const Finding& finding) { return finding.severity == severity; }));
}

bool CheckRun::Has(const std::string& severity, const std::string& section, int line, const std::string& part) const
{
    for (const Finding& finding : findings) {
        if (finding.severity == severity && finding.section == section && (line < 0 || finding.line == line)
            && finding.text.find(part) != std::string::npos)
            return true;
    }
    return false;
}

bool CheckRun::Mentions(const std::string& severity, const std::string& part) const
{
    for (const Finding& finding : findings) {
        if (finding.severity == severity && finding.text.find(part) != std::string::npos) return true;
    }
    return false;
}

std::string DemoFolder()
{
    return testsupport::UnixFolder(INFCHECK_DEMO_DIR);
}

Medium::Medium(const char* name) : folder_(testsupport::MakeScratchFolder((std::string("infcheck-") + name).c_str()))
{
}

Medium::~Medium()
{
    if (!folder_.empty()) testsupport::RemoveTree(folder_);
}

bool Medium::WriteScript(const std::string& text) const
{
    return WriteFile("setup.inf", text);
}

bool Medium::WriteFile(const std::string& name, const std::string& bytes) const
{
    return !folder_.empty() && testsupport::WriteFile(PathOf(name), bytes);
}

bool Medium::CopyFixture(const std::string& fileName, const std::string& as) const
{
    return CopyIn(testsupport::TestFolder() + "\\" + fileName, as.empty() ? fileName : as);
}

bool Medium::CopyIn(const std::string& path, const std::string& as) const
{
    return CopyFileA(path.c_str(), PathOf(as).c_str(), FALSE) != 0;
}

bool Medium::WriteBasePackage(const std::string& extra) const
{
    return WriteScript(std::string(BaseScript) + extra) && WriteFile("setup.exe", "a stand-in for setup.exe")
           && WriteFile("app.txt", "the application");
}

CheckRun Medium::Check() const
{
    return RunInfcheck(testsupport::Quote(folder_), "");
}

CheckRun Medium::CheckFromInside() const
{
    return RunInfcheck("", folder_);
}

CheckRun RunInfcheck(const std::string& arguments, const std::string& folder)
{
    const std::string command = testsupport::Quote(testsupport::BuildFolder() + "\\infcheck.exe")
                                + (arguments.empty() ? "" : " ") + arguments;
    const testsupport::ProcessResult process = testsupport::RunProgram(command, folder, CheckTimeoutMs);
    CheckRun run;
    run.finished = process.finished;
    run.exitCode = process.exitCode;
    run.output = process.output;
    run.findings = ParseFindings(process.output);
    return run;
}

} // namespace checkertest
