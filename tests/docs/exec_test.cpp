// The Exec example (docs/examples/exec): programs of a program section at Exec level 1
// (written 1), 2 (written 0x2 and 2) and 3 (written 03), with the progress page's window
// handle in the parameters, a working directory, a program deleted after it ran (flags
// 2), one that is not waited for (flags 1), and a program named directly in the Exec key
// ("@"), which runs at level 2 after the section's own lines. The removal runs its
// program before the files go. docstool.exe and firstrun.exe are a real program of the
// tests' fixtures that logs how it was started (EXEC_FIXTURE_LOG names the log; setup.exe
// and the programs inherit it from the test).

#include "docs_support.h"
#include "testsupport.h"

#include <gtest/gtest.h>

#include <cctype>

namespace {

const char Key[] = "DocsExecTool";

struct Start {
    std::string directory, parameters, commandLine;
};

// The start lines and the number of end lines of the log.
struct Log {
    std::vector<Start> starts;
    size_t ends = 0;
};

std::vector<std::string> Split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    size_t from = 0;
    for (;;) {
        const size_t at = text.find(separator, from);
        parts.push_back(text.substr(from, at == std::string::npos ? std::string::npos : at - from));
        if (at == std::string::npos) return parts;
        from = at + 1;
    }
}

Log ReadLog(const std::string& path)
{
    Log log;
    std::string text;
    if (!testsupport::ReadFile(path, &text)) return log;
    for (std::string line : Split(text, '\n')) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::vector<std::string> fields = Split(line, '\t');
        if (fields[0] == "start" && fields.size() >= 5) log.starts.push_back({fields[2], fields[3], fields[4]});
        if (fields[0] == "end") ++log.ends;
    }
    return log;
}

// Waits until every started program has logged its end.
Log WaitForEnds(const std::string& path, size_t count)
{
    const DWORD start = GetTickCount();
    Log log = ReadLog(path);
    while ((log.starts.size() < count || log.ends < log.starts.size()) && GetTickCount() - start < e2e::WaitLimitMs) {
        Sleep(20);
        log = ReadLog(path);
    }
    return log;
}

bool SameFolder(const std::string& a, const std::string& b)
{
    return lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

// "0x" and eight lower-case hexadecimal digits, not all zero.
bool IsWindowHandleText(const std::string& text)
{
    if (text.size() != 10 || text.compare(0, 2, "0x") != 0 || text == "0x00000000") return false;
    for (size_t i = 2; i < text.size(); ++i) {
        const char c = text[i];
        if (!std::isdigit(static_cast<unsigned char>(c)) && (c < 'a' || c > 'f')) return false;
    }
    return true;
}

// Names the log in the environment that setup.exe and its programs inherit; removed
// again at the end.
struct LogVariable {
    explicit LogVariable(const std::string& path) { SetEnvironmentVariableA("EXEC_FIXTURE_LOG", path.c_str()); }
    ~LogVariable() { SetEnvironmentVariableA("EXEC_FIXTURE_LOG", nullptr); }
};

} // namespace

TEST(ExecExample, TheProgramsRunAtTheirLevelsAndTheRemovalRunsItsOwn)
{
    docs::ExamplePackage package("exec", "Exec", {Key}, {});
    ASSERT_TRUE(package.ready) << package.target;
    const std::string installLog = package.medium.root + "\\install.log";
    const std::string removeLog = package.medium.root + "\\remove.log";
    const std::string tool = package.target + "\\docstool.exe";

    {
        LogVariable variable(installLog);
        DOCS_EXPECT_QUIET(package.Run("/quiet"));
    }
    const Log log = WaitForEnds(installLog, 5);
    ASSERT_EQ(5u, log.starts.size());
    EXPECT_EQ(5u, log.ends);

    // Level 1: the program of the medium (a name without folder, found in the current
    // directory: the folder of the running setup.exe), before anything is installed.
    EXPECT_EQ("-check", log.starts[0].parameters);
    EXPECT_TRUE(SameFolder(package.medium.folder, log.starts[0].directory)) << log.starts[0].directory;
    EXPECT_EQ("\"docstool.exe\" -check", log.starts[0].commandLine);

    // Level 2, written 0x2: the installed program in its working directory, with the
    // window handle in place of %hwnd%.
    const std::string registerPrefix = "-register -owner ";
    ASSERT_EQ(0u, log.starts[1].parameters.compare(0, registerPrefix.size(), registerPrefix)) << log.starts[1].parameters;
    EXPECT_TRUE(IsWindowHandleText(log.starts[1].parameters.substr(registerPrefix.size()))) << log.starts[1].parameters;
    EXPECT_TRUE(SameFolder(package.target, log.starts[1].directory)) << log.starts[1].directory;
    EXPECT_EQ("\"" + tool + "\" " + log.starts[1].parameters, log.starts[1].commandLine);

    // Level 2: the program deleted after it ended (flags 2); no working directory given,
    // so it runs in the current directory.
    EXPECT_EQ("-once", log.starts[2].parameters);
    EXPECT_EQ("\"" + package.target + "\\firstrun.exe\" -once", log.starts[2].commandLine);
    EXPECT_TRUE(SameFolder(package.medium.folder, log.starts[2].directory)) << log.starts[2].directory;
    EXPECT_FALSE(package.InTarget("firstrun.exe"));

    // Level 2, after the section's lines: the program named with "@", without parameters.
    EXPECT_EQ("", log.starts[3].parameters);
    EXPECT_EQ("\"" + tool + "\"", log.starts[3].commandLine);

    // Level 3, written 03 (octal 3), last; not waited for (flags 1).
    EXPECT_EQ("-welcome", log.starts[4].parameters);
    EXPECT_TRUE(package.Installed("docstool.exe"));
    DOCS_EXPECT_ENTRY(Key, "Norvale Tool", package.ExpectedCommand(Key), "<none>", package.target);

    {
        LogVariable variable(removeLog);
        DOCS_EXPECT_QUIET(package.RunUninstallCommand(Key, "/quiet /reboot:0"));
    }
    const Log removal = WaitForEnds(removeLog, 1);
    ASSERT_EQ(1u, removal.starts.size());
    EXPECT_EQ(1u, removal.ends);
    // Run by the installed setup.exe, whose folder is the current directory; the program
    // ran before its file was deleted.
    EXPECT_EQ("-unregister", removal.starts[0].parameters);
    EXPECT_EQ("\"" + tool + "\" -unregister", removal.starts[0].commandLine);
    EXPECT_TRUE(SameFolder(package.target, removal.starts[0].directory)) << removal.starts[0].directory;
    EXPECT_FALSE(package.InTarget("docstool.exe"));
    DOCS_EXPECT_NO_ENTRY(Key);
}
