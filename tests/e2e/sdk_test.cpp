// The SDK's sample libraries with the real program: a medium holds setup.exe, the
// sample condition library, the sample plug-in and a setup.inf that names both, as a
// package author would write it. An unattended installation must pass the conditions
// on this NT-family Windows, and the plug-in's three steps must run at levels 0, 2 and
// 5 in that order, move the bar through the program's callback, find the target folder
// through the uninstall entry and write their configuration file there. Run as the
// Windows 95 family, the same medium must be refused with the condition library's own
// text; run as NT 4.0 it must be let through.
//
// Everything is named after this process: the uninstall keys, the scratch folder that
// holds the medium, the target folder (an absolute destination, so that the machine's
// program files folder is not involved) and the temporary folder the plug-in logs to,
// which the test points TMP and TEMP at while setup.exe runs. All of it is removed at
// the end, also when a check fails.

#include "e2e_support.h"
#include "testsupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const char* const NtOnlyText =
    "This program needs Windows NT 4.0, Windows 2000 or a later version of Windows. "
    "It cannot be installed on Windows 95, 98 or Me.";

const char* const CannotInstallCaption = "The installation cannot be executed";

// The script; the names in braces are replaced per test.
const char* const ScriptTemplate =
    "[Version]\r\n"
    "Signature=\"$Chicago$\"\r\n"
    "\r\n"
    "[DestinationDirs]\r\n"
    "DefaultDestDir = -1,\"{TARGET}\"\r\n"
    "Setup.Files    = 32768\r\n"
    "Client.Files   = 32768\r\n"
    "Config.Files   = 32768\r\n"
    "\r\n"
    "[Install]\r\n"
    "Conditions = Sample.Conditions\r\n"
    "Plugins    = plugin_sample.dll\r\n"
    "CopyFiles  = Setup.Files\r\n"
    "Uninstall  = {MAIN},\"SDK samples {ID}\"\r\n"
    "\r\n"
    "[Remove]\r\n"
    "DelFiles = Setup.Files,Config.Files\r\n"
    "\r\n"
    "[Sample.Conditions]\r\n"
    "1 = condition_sample.dll,RequireNtFamily\r\n"
    "2 = condition_sample.dll,RequireFreeSpace\r\n"
    "\r\n"
    "[Products]\r\n"
    "{CLIENT} = \"SDK sample client\",Client.Install,Client.Remove,1,0,\"The client.\",1.0.0\r\n"
    "\r\n"
    "[Client.Install]\r\n"
    "CopyFiles = Client.Files\r\n"
    "[Client.Remove]\r\n"
    "DelFiles  = Client.Files\r\n"
    "\r\n"
    "[Setup.Files]\r\n"
    "setup.exe\r\n"
    "setup.inf\r\n"
    "condition_sample.dll\r\n"
    "[Client.Files]\r\n"
    "client.txt\r\n"
    "[Config.Files]\r\n"
    "qx40.ini\r\n"
    "\r\n"
    "[SourceDisksNames]\r\n"
    "1 = \"SDK samples\",,,\r\n"
    "\r\n"
    "[SourceDisksFiles]\r\n"
    "setup.exe            = 1\r\n"
    "setup.inf            = 1\r\n"
    "condition_sample.dll = 1\r\n"
    "client.txt           = 1\r\n";

using testsupport::ReplaceAll;

// The lines of a text file without their line ends; empty when it cannot be read.
std::vector<std::string> ReadLines(const std::string& path)
{
    std::vector<std::string> lines;
    std::string bytes;
    if (!testsupport::ReadFile(path, &bytes)) return lines;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find("\r\n", start);
        if (end == std::string::npos) end = bytes.size();
        lines.push_back(bytes.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

std::string ProfileValue(const std::string& file, const char* section, const char* key)
{
    char value[MAX_PATH] = "";
    GetPrivateProfileStringA(section, key, "<none>", value, sizeof value, file.c_str());
    return value;
}

// One environment variable of this process set for the length of a scope; setup.exe
// inherits the environment of the process that starts it.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const std::string& value) : name_(name)
    {
        char old[MAX_PATH * 2];
        const DWORD length = GetEnvironmentVariableA(name, old, sizeof old);
        had_ = length > 0 && length < sizeof old;
        if (had_) old_ = old;
        SetEnvironmentVariableA(name, value.c_str());
    }
    ~ScopedEnvironment() { SetEnvironmentVariableA(name_, had_ ? old_.c_str() : nullptr); }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    const char* name_;
    bool had_ = false;
    std::string old_;
};

// A copy of the medium's setup.exe that Wine runs as `version`; its setting goes when
// the record goes out of scope (the medium removes the file).
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

// One test's package: the medium with both sample libraries, its target and
// temporary folders inside the medium's scratch folder, and the uninstall entries the
// installation makes, deleted at the end.
class SamplePackage {
public:
    explicit SamplePackage(const char* tag)
        : medium_(("e2e-sdk-" + std::string(tag)).c_str()),
          id_(tag + std::to_string(GetCurrentProcessId())),
          main_("SdkPackage" + id_),
          client_("SdkClient" + id_)
    {
        if (!medium_.ready) return;
        target = medium_.root + "\\target";
        temp = medium_.root + "\\temp";
        log = temp + "\\qx40-setup.log";
        configuration = target + "\\qx40.ini";
        const std::string samples = SdkFolder();
        std::string script = ReplaceAll(ScriptTemplate, "{TARGET}", target);
        script = ReplaceAll(script, "{MAIN}", main_.key);
        script = ReplaceAll(script, "{CLIENT}", client_.key);
        script = ReplaceAll(script, "{ID}", id_);
        ready = CreateDirectoryA(temp.c_str(), nullptr) && medium_.WriteScript(script)
                && testsupport::WriteFile(medium_.folder + "\\client.txt", "SDK sample client " + id_ + "\r\n");
        for (const char* library : {"condition_sample.dll", "plugin_sample.dll"}) {
            const std::string source = samples + "\\" + library;
            ready = ready && CopyFileA(source.c_str(), (medium_.folder + "\\" + library).c_str(), FALSE);
        }
    }

    // build\sdk, beside build\setup.exe.
    static std::string SdkFolder()
    {
        const std::string setup = testsupport::SetupExePath();
        return setup.substr(0, setup.find_last_of('\\')) + "\\sdk";
    }

    // An unattended installation with the plug-in's temporary folder pointed at `temp`.
    e2e::UnattendedRun Install() const
    {
        ScopedEnvironment tmp("TMP", temp), tempVariable("TEMP", temp);
        return e2e::RunUnattended(medium_.exe, "/quiet /lang:eng");
    }

    const e2e::Medium& medium() const { return medium_; }

    bool ready = false;
    std::string target, temp, log, configuration;

private:
    e2e::Medium medium_;
    std::string id_;
    e2e::UninstallEntry main_, client_;
};

std::string ExpectedLine(int level, const std::string& text, const std::string& outcome)
{
    return "level " + std::to_string(level) + ", " + text + ": " + outcome + " (progress callback returned 0 25 50 75)";
}

} // namespace

TEST(SdkSamples, AnInstallationPassesTheConditionsAndRunsThePluginSteps)
{
    SamplePackage package("install");
    ASSERT_TRUE(package.ready);

    // No box: both conditions held (NT family, free space), and the installation ran.
    EXPECT_UNATTENDED_RUN(package.Install());
    EXPECT_TRUE(testsupport::FileExists(package.target + "\\client.txt"));

    // The steps ran at levels 0, 2 and 5 in that order, each with a freshly loaded
    // library that found the target through the uninstall entry. The callback returned
    // the bar's previous positions, so it moved the bar the program had reset to 0.
    const std::vector<std::string> first = ReadLines(package.log);
    ASSERT_EQ(3u, first.size()) << package.log;
    EXPECT_EQ(ExpectedLine(0, "Checking the previous version", "no previous version"), first[0]);
    EXPECT_EQ(ExpectedLine(2, "Writing the configuration", "wrote " + package.configuration), first[1]);
    EXPECT_EQ(ExpectedLine(5, "Finishing", "the configuration is in place"), first[2]);
    EXPECT_EQ("1.0.0", ProfileValue(package.configuration, "QX-40", "Version"));
    EXPECT_EQ(package.target, ProfileValue(package.configuration, "QX-40", "Folder"));

    // Installed again over itself: the level 0 step runs before the level 2 step
    // rewrites the file, so it sees the configuration the first run left.
    EXPECT_UNATTENDED_RUN(package.Install());
    const std::vector<std::string> second = ReadLines(package.log);
    ASSERT_EQ(6u, second.size()) << package.log;
    EXPECT_EQ(ExpectedLine(0, "Checking the previous version", "found version 1.0.0"), second[3]);
    EXPECT_EQ(ExpectedLine(2, "Writing the configuration", "wrote " + package.configuration), second[4]);
    EXPECT_EQ(ExpectedLine(5, "Finishing", "the configuration is in place"), second[5]);
}

TEST(SdkSamples, TheWindows95FamilyIsRefusedWithTheLibrarysText)
{
    SamplePackage package("win9x");
    ASSERT_TRUE(package.ready);
    for (const char* version : {"win95", "win98", "winme"}) {
        SCOPED_TRACE(version);
        SetupAsVersion setup(package.medium(), version);
        ASSERT_FALSE(setup.exe.empty());
        const e2e::BoxRun run = e2e::RunAnsweringBoxes(setup.exe, "/quiet /lang:eng");
        ASSERT_TRUE(run.started);
        ASSERT_EQ(1u, run.boxes.size()) << e2e::DescribeBoxes(run.boxes);
        EXPECT_EQ(CannotInstallCaption, run.boxes[0].caption);
        EXPECT_EQ(NtOnlyText, run.boxes[0].text);
        EXPECT_TRUE(run.exit.exited);
        EXPECT_EQ(0u, run.exit.exitCode);
    }
    // Refused before anything ran: no steps, no target folder.
    EXPECT_FALSE(testsupport::FileExists(package.log));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(package.target.c_str()));
}

TEST(SdkSamples, WindowsNT4PassesTheConditions)
{
    SamplePackage package("nt40");
    ASSERT_TRUE(package.ready);
    SetupAsVersion setup(package.medium(), "nt40");
    ASSERT_FALSE(setup.exe.empty());
    // The conditions held: no box, and the wizard opened on its welcome page.
    EXPECT_WELCOME_PAGE_RUN(e2e::RunToFirstPageAndCancel(setup.exe, "/lang:eng"));
}
