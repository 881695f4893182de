// External programs of the script's Exec sections, started for real through the shell:
// which lines run at which Exec level, the window handle put into their parameters,
// waiting for them and deleting them after, missing programs and sections, the
// process's current directory, and programs named directly in the Exec key.
//
// The program started is exec_fixture.exe (tests/fixtures/programs), which appends
// what it was given and where it ran to the log file named by EXEC_FIXTURE_LOG, and
// can wait for a named event before it ends.

#include "../../engine/programs.h"
#include "../../setupapi/inf.h"
#include "../support/boxwatcher.h"
#include "../support/testsupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const char kLogVariable[] = "EXEC_FIXTURE_LOG";
const char kWaitVariable[] = "EXEC_FIXTURE_WAIT";
const DWORD kLimitMs = 30000;

// A handle given to the programs: only its text matters to them.
HWND const kWindow = reinterpret_cast<HWND>(static_cast<UINT_PTR>(0x0004a1bc));

// One start of the fixture as its log tells it.
struct ProgramRun {
    std::string pid;
    std::string directory;
    std::string parameters;
    std::string ending;  // "signaled", "timeout", "done", or empty while it runs
};

std::vector<std::string> SplitTabs(const std::string& line)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const size_t tab = line.find('\t', start);
        parts.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos) return parts;
        start = tab + 1;
    }
}

using testsupport::Lower;

// The section's programs, then one program directly, on a thread of their own.
struct ThreadCall {
    HINF inf;
    const char* section;
    int level;
    const char* program;
    int sectionResult;
    int programResult;
};

DWORD WINAPI RunProgramsThread(void* parameter)
{
    ThreadCall* call = static_cast<ThreadCall*>(parameter);
    call->sectionResult = RunSectionPrograms(call->inf, call->section, call->level, kWindow);
    call->programResult = RunExternalProgram(call->program, "-q", "", 0, kWindow);
    return 0;
}

class Programs : public ::testing::Test {
protected:
    void SetUp() override
    {
        GetCurrentDirectoryA(sizeof savedDirectory_, savedDirectory_);
        folder_ = testsupport::MakeScratchFolder(TestName().c_str());
        ASSERT_FALSE(folder_.empty());
        log_ = folder_ + "\\runs.log";
        ASSERT_TRUE(SetEnvironmentVariableA(kLogVariable, log_.c_str()));
        fixture_ = testsupport::TestFolder() + "\\exec_fixture.exe";
        ASSERT_TRUE(testsupport::FileExists(fixture_)) << fixture_;
    }

    void TearDown() override
    {
        // Let every fixture still waiting go, and see them end before the folder goes.
        for (HANDLE event : events_) {
            SetEvent(event);
        }
        for (const ProgramRun& run : Runs()) {
            if (!run.ending.empty()) continue;
            HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, std::stoul(run.pid));
            if (process) {
                WaitForSingleObject(process, kLimitMs + 5000);
                CloseHandle(process);
            }
        }
        for (HANDLE event : events_) {
            CloseHandle(event);
        }
        SetEnvironmentVariableA(kLogVariable, nullptr);
        SetEnvironmentVariableA(kWaitVariable, nullptr);
        SetCurrentDirectoryA(savedDirectory_);
        if (inf_ != INVALID_HANDLE_VALUE) SetupCloseInfFile(inf_);
        // Observed on Wine 8: for a moment after a program has ended, the folder it ran
        // in cannot be removed yet (sharing violation), so removal is retried a while.
        const DWORD start = GetTickCount();
        for (;;) {
            testsupport::RemoveTree(folder_);
            if (!testsupport::FileExists(folder_) || GetTickCount() - start > 10000) break;
            Sleep(100);
        }
    }

    static std::string TestName()
    {
        return ::testing::UnitTest::GetInstance()->current_test_info()->name();
    }

    // Writes the script body under a [Version] section and opens it.
    HINF Open(const std::string& body)
    {
        const std::string path = folder_ + "\\setup.inf";
        EXPECT_TRUE(testsupport::WriteFile(path, "[Version]\r\nSignature=\"$Chicago$\"\r\n" + body));
        UINT errorLine = 0;
        inf_ = InfOpen(path.c_str(), &errorLine);
        EXPECT_NE(INVALID_HANDLE_VALUE, inf_) << "error line " << errorLine;
        return inf_;
    }

    // A program field naming the fixture (or another path), quoted for the script.
    static std::string Field(const std::string& path) { return "\"" + path + "\""; }

    // A copy of the fixture in the scratch folder, for the tests that may delete it.
    std::string CopyOfFixture(const char* name)
    {
        const std::string copy = folder_ + "\\" + name;
        EXPECT_TRUE(CopyFileA(fixture_.c_str(), copy.c_str(), FALSE));
        return copy;
    }

    // A new unset manual-reset event with a name unique to this test.
    std::string NewEvent()
    {
        const std::string name = "ExecFixture_" + TestName() + "_" + std::to_string(GetCurrentProcessId()) + "_"
                                 + std::to_string(events_.size());
        HANDLE event = CreateEventA(nullptr, TRUE, FALSE, name.c_str());
        EXPECT_NE(nullptr, event);
        if (event) events_.push_back(event);
        return name;
    }

    // The fixture's starts in order, with how each ended (if it has).
    std::vector<ProgramRun> Runs() const
    {
        std::vector<ProgramRun> runs;
        std::string text;
        if (!testsupport::ReadFile(log_, &text)) return runs;
        size_t start = 0;
        for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
            const std::vector<std::string> parts = SplitTabs(text.substr(start, end - start));
            if (parts.size() >= 4 && parts[0] == "start") {
                runs.push_back({parts[1], parts[2], parts[3], std::string()});
            } else if (parts.size() >= 3 && parts[0] == "end") {
                for (ProgramRun& run : runs) {
                    if (run.pid == parts[1] && run.ending.empty()) run.ending = parts[2];
                }
            }
        }
        return runs;
    }

    // The parameters of every start so far, in order.
    std::vector<std::string> Parameters() const
    {
        std::vector<std::string> list;
        for (const ProgramRun& run : Runs()) list.push_back(run.parameters);
        return list;
    }

    // Polls the log until it holds `count` starts (and, if asked, all of them ended).
    bool WaitForRuns(size_t count, bool ended) const
    {
        const DWORD start = GetTickCount();
        for (;;) {
            const std::vector<ProgramRun> runs = Runs();
            bool done = runs.size() >= count;
            for (const ProgramRun& run : runs) {
                if (ended && run.ending.empty()) done = false;
            }
            if (done) return true;
            if (GetTickCount() - start > kLimitMs) return false;
            Sleep(50);
        }
    }

    // Sets the event once the log shows `count` starts: releases a fixture that the
    // code under test is waiting for.
    struct Releaser {
        const Programs* test;
        size_t count;
        HANDLE event;
    };
    static DWORD WINAPI ReleaseWhenStarted(void* parameter)
    {
        Releaser* releaser = static_cast<Releaser*>(parameter);
        releaser->test->WaitForRuns(releaser->count, false);
        SetEvent(releaser->event);
        return 0;
    }
    HANDLE StartReleaser(Releaser* releaser) const
    {
        return CreateThread(nullptr, 0, ReleaseWhenStarted, releaser, 0, nullptr);
    }

    char savedDirectory_[MAX_PATH] = "";
    std::string folder_, log_, fixture_;
    HINF inf_ = INVALID_HANDLE_VALUE;
    std::vector<HANDLE> events_;
};

TEST_F(Programs, EachLevelRunsOnlyItsOwnLines)
{
    // Levels in decimal, hexadecimal and octal; "010" is level 8. Lines lacking the
    // program are skipped, and an empty level is level 0.
    ASSERT_NE(INVALID_HANDLE_VALUE,
              Open("[Install]\r\n"
                   "Exec=Tools.Run\r\n"
                   "[Tools.Run]\r\n"
                   "A=1," + Field(fixture_) + ",one\r\n"
                   "B=2," + Field(fixture_) + ",two\r\n"
                   "C=3," + Field(fixture_) + ",three\r\n"
                   "D=0x2," + Field(fixture_) + ",hex-two\r\n"
                   "E=010," + Field(fixture_) + ",octal-eight\r\n"
                   "F=1\r\n"
                   "G=,," + Field(fixture_) + ",no-level\r\n"
                   "H=1," + Field(fixture_) + ",one-again\r\n"));

    EXPECT_EQ(1, RunSectionPrograms(inf_, "Install", 1, kWindow));
    EXPECT_EQ((std::vector<std::string>{"one", "one-again"}), Parameters());
    EXPECT_EQ(1, RunSectionPrograms(inf_, "Install", 2, kWindow));
    EXPECT_EQ((std::vector<std::string>{"one", "one-again", "two", "hex-two"}), Parameters());
    EXPECT_EQ(1, RunSectionPrograms(inf_, "Install", 3, kWindow));
    EXPECT_EQ((std::vector<std::string>{"one", "one-again", "two", "hex-two", "three"}), Parameters());

    // "010" is not level 10 or 1 either, but 8.
    EXPECT_EQ(1, RunSectionPrograms(inf_, "Install", 10, kWindow));
    EXPECT_EQ(5u, Runs().size());
    EXPECT_EQ(1, RunSectionPrograms(inf_, "Install", 8, kWindow));
    EXPECT_EQ((std::vector<std::string>{"one", "one-again", "two", "hex-two", "three", "octal-eight"}),
              Parameters());
}

TEST_F(Programs, TheWindowHandleReplacesHwndInTheParameters)
{
    ASSERT_NE(INVALID_HANDLE_VALUE,
              Open("[Install]\r\n"
                   "Exec=Tools.Run\r\n"
                   "[Tools.Run]\r\n"
                   "Owner=1," + Field(fixture_) + ",\"-owner %hwnd% -q\"\r\n"
                   "Upper=1," + Field(fixture_) + ",%HWND%\r\n"
                   "Other=1," + Field(fixture_) + ",\"%1 %hwnd%\"\r\n"
                   "Twice=1," + Field(fixture_) + ",\"/a:%hwnd% /b:%Hwnd%\"\r\n"));

    ASSERT_EQ(1, RunSectionPrograms(inf_, "Install", 1, kWindow));
    EXPECT_EQ((std::vector<std::string>{"-owner 0x0004a1bc -q", "0x0004a1bc", "%1 %hwnd%",
                                        "/a:0x0004a1bc /b:0x0004a1bc"}),
              Parameters());
}

TEST_F(Programs, Flags2WaitsForTheProgramThenDeletesIt)
{
    const std::string copy = CopyOfFixture("delete_me.exe");
    const std::string event = NewEvent();
    ASSERT_NE(INVALID_HANDLE_VALUE,
              Open("[Install]\r\n"
                   "Exec=Tools.Run\r\n"
                   "[Tools.Run]\r\n"
                   "Run=2," + Field(copy) + ",-wait:" + event + ",,2\r\n"));

    // The fixture waits for the event, which is set only once it has started: the
    // call can only have returned after its end if it waited.
    Releaser releaser = {this, 1, events_.back()};
    HANDLE thread = StartReleaser(&releaser);
    ASSERT_NE(nullptr, thread);
    EXPECT_EQ(1, RunSectionPrograms(inf_, "Install", 2, kWindow));
    const std::vector<ProgramRun> runs = Runs();
    ASSERT_EQ(1u, runs.size());
    EXPECT_EQ("signaled", runs[0].ending);
    EXPECT_FALSE(testsupport::FileExists(copy));
    WaitForSingleObject(thread, kLimitMs + 5000);
    CloseHandle(thread);
}

TEST_F(Programs, Flags3NeitherWaitsNorDeletes)
{
    const std::string copy = CopyOfFixture("keep_me.exe");
    const std::string event = NewEvent();
    ASSERT_NE(INVALID_HANDLE_VALUE,
              Open("[Install]\r\n"
                   "Exec=Tools.Run\r\n"
                   "[Tools.Run]\r\n"
                   "Run=1," + Field(copy) + ",-wait:" + event + ",,3\r\n"));

    // Nothing sets the event yet: a call that waited would come back only after the
    // fixture gave up waiting, and its end would be in the log.
    EXPECT_EQ(1, RunSectionPrograms(inf_, "Install", 1, kWindow));
    ASSERT_TRUE(WaitForRuns(1, false));
    std::vector<ProgramRun> runs = Runs();
    ASSERT_EQ(1u, runs.size());
    EXPECT_EQ("", runs[0].ending) << "the program had ended before the call returned";

    SetEvent(events_.back());
    ASSERT_TRUE(WaitForRuns(1, true));
    runs = Runs();
    EXPECT_EQ("signaled", runs[0].ending);
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, std::stoul(runs[0].pid));
    if (process) {
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process, kLimitMs));
        CloseHandle(process);
    }
    EXPECT_TRUE(testsupport::FileExists(copy));
}

TEST_F(Programs, Flags0WaitsAndKeepsTheProgram)
{
    const std::string copy = CopyOfFixture("wait_keep.exe");
    const std::string event = NewEvent();
    ASSERT_NE(INVALID_HANDLE_VALUE,
              Open("[Install]\r\n"
                   "Exec=Tools.Run\r\n"
                   "[Tools.Run]\r\n"
                   "Run=3," + Field(copy) + ",-wait:" + event + "\r\n"));

    Releaser releaser = {this, 1, events_.back()};
    HANDLE thread = StartReleaser(&releaser);
    ASSERT_NE(nullptr, thread);
    EXPECT_EQ(1, RunSectionPrograms(inf_, "Install", 3, kWindow));
    const std::vector<ProgramRun> runs = Runs();
    ASSERT_EQ(1u, runs.size());
    EXPECT_EQ("signaled", runs[0].ending);
    EXPECT_TRUE(testsupport::FileExists(copy));
    WaitForSingleObject(thread, kLimitMs + 5000);
    CloseHandle(thread);
}

TEST_F(Programs, AMissingProgramIsSkippedWithoutAMessage)
{
    const std::string missing = folder_ + "\\nowhere\\missing.exe";
    ASSERT_NE(INVALID_HANDLE_VALUE,
              Open("[Install]\r\n"
                   "Exec=Tools.Run\r\n"
                   "[Tools.Run]\r\n"
                   "Missing=1," + Field(missing) + ",-q\r\n"
                   "Empty=1,\"\"\r\n"
                   "After=1," + Field(fixture_) + ",after\r\n"));

    // Run on a thread of its own: a message box would hold it until it is answered.
    testsupport::BoxWatcher watcher;
    ASSERT_TRUE(watcher.Started());
    ThreadCall call = {inf_, "Install", 1, missing.c_str(), -1, -1};
    HANDLE thread = CreateThread(nullptr, 0, RunProgramsThread, &call, 0, nullptr);
    ASSERT_NE(nullptr, thread);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 2 * kLimitMs));
    CloseHandle(thread);

    EXPECT_EQ(0u, watcher.Finish().boxes.size()) << "a message box was shown";
    EXPECT_EQ(1, call.sectionResult);
    EXPECT_EQ(0, call.programResult);
    EXPECT_EQ((std::vector<std::string>{"after"}), Parameters());
    // A program that starts (and is waited for) gives 1.
    EXPECT_EQ(1, RunExternalProgram(fixture_.c_str(), "direct", "", 0, kWindow));
    EXPECT_EQ((std::vector<std::string>{"after", "direct"}), Parameters());
}

TEST_F(Programs, MissingExecKeysAndSectionsRunNothing)
{
    ASSERT_NE(INVALID_HANDLE_VALUE,
              Open("[Install]\r\n"
                   "Exec=Nowhere,Empty.Run,Tools.Run\r\n"
                   "[Plain]\r\n"
                   "CopyFiles=Files\r\n"
                   "[Empty.Run]\r\n"
                   "[Tools.Run]\r\n"
                   "Run=1," + Field(fixture_) + ",present\r\n"));

    EXPECT_EQ(1, RunSectionPrograms(inf_, "Plain", 1, kWindow));
    EXPECT_EQ(1, RunSectionPrograms(inf_, "NoSuchSection", 1, kWindow));
    EXPECT_TRUE(Runs().empty());
    // The missing and the empty program sections are passed over; the next one runs.
    EXPECT_EQ(1, RunSectionPrograms(inf_, "Install", 1, kWindow));
    EXPECT_EQ((std::vector<std::string>{"present"}), Parameters());
}

TEST_F(Programs, AProgramSectionNamedTwiceRunsTwice)
{
    ASSERT_NE(INVALID_HANDLE_VALUE,
              Open("[Install]\r\n"
                   "Exec=Tools.Run,Other.Run,Tools.Run\r\n"
                   "[Product.Install]\r\n"
                   "Exec=Tools.Run\r\n"
                   "[Tools.Run]\r\n"
                   "Run=1," + Field(fixture_) + ",tools\r\n"
                   "[Other.Run]\r\n"
                   "Run=1," + Field(fixture_) + ",other\r\n"));

    EXPECT_EQ(1, RunSectionPrograms(inf_, "Install", 1, kWindow));
    EXPECT_EQ((std::vector<std::string>{"tools", "other", "tools"}), Parameters());
    // Named by a second section of the section list: once more.
    EXPECT_EQ(1, RunSectionPrograms(inf_, "Product.Install", 1, kWindow));
    EXPECT_EQ((std::vector<std::string>{"tools", "other", "tools", "tools"}), Parameters());
}

TEST_F(Programs, TheCurrentDirectoryIsKeptWhateverTheWorkingDirectory)
{
    const std::string home = folder_ + "\\home";
    const std::string work = folder_ + "\\work";
    ASSERT_TRUE(CreateDirectoryA(home.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(work.c_str(), nullptr));
    ASSERT_TRUE(SetCurrentDirectoryA(home.c_str()));
    ASSERT_NE(INVALID_HANDLE_VALUE,
              Open("[Install]\r\n"
                   "Exec=Tools.Run\r\n"
                   "[Tools.Run]\r\n"
                   "Elsewhere=1," + Field(fixture_) + ",elsewhere," + Field(work) + "\r\n"
                   "Here=1," + Field(fixture_) + ",here\r\n"));

    EXPECT_EQ(1, RunSectionPrograms(inf_, "Install", 1, kWindow));
    const std::vector<ProgramRun> runs = Runs();
    ASSERT_EQ(2u, runs.size());
    EXPECT_EQ(Lower(work), Lower(runs[0].directory));
    // Without a working directory the program starts in the process's own.
    EXPECT_EQ(Lower(home), Lower(runs[1].directory));
    char current[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof current, current);
    EXPECT_EQ(Lower(home), Lower(current));
}

TEST_F(Programs, AProgramNamedInTheExecKeyRunsAtLevel2AndIsWaitedFor)
{
    // "@program": no parameters, no working directory, waited for, kept; it runs at
    // the end of the run (level 2) only, however often the key is read.
    const std::string copy = CopyOfFixture("direct.exe");
    const std::string event = NewEvent();
    ASSERT_TRUE(SetEnvironmentVariableA(kWaitVariable, event.c_str()));
    ASSERT_NE(INVALID_HANDLE_VALUE,
              Open("[Install]\r\n"
                   "Exec=@" + copy + ",@\r\n"));

    EXPECT_EQ(1, RunSectionPrograms(inf_, "Install", 1, kWindow));
    EXPECT_EQ(1, RunSectionPrograms(inf_, "Install", 3, kWindow));
    EXPECT_TRUE(Runs().empty());

    Releaser releaser = {this, 1, events_.back()};
    HANDLE thread = StartReleaser(&releaser);
    ASSERT_NE(nullptr, thread);
    EXPECT_EQ(1, RunSectionPrograms(inf_, "Install", 2, kWindow));
    const std::vector<ProgramRun> runs = Runs();
    ASSERT_EQ(1u, runs.size());
    EXPECT_EQ("", runs[0].parameters);
    EXPECT_EQ("signaled", runs[0].ending);
    EXPECT_TRUE(testsupport::FileExists(copy));
    WaitForSingleObject(thread, kLimitMs + 5000);
    CloseHandle(thread);
}

} // namespace
