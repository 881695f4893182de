// Plug-in steps with real plug-in libraries: the plugin_*.dll fixtures built beside this
// test program (see tests/fixtures/plugins), collected from the Plugins keys of a test
// script and run against a real progress page, a window with a progress bar (1210) and
// a status static (1203).
//
// Each step function of a fixture appends one line to the log file named by
// SETUP_PLUGIN_LOG: its name ("A0", "B1", ...), the status text, the bar's visibility,
// range and position as the step found them, what the progress callback returned to it,
// where the bar ended, and the callback's address. The page is named to the libraries by
// SETUP_PLUGIN_PAGE. So the order of the lines is the order in which the steps ran, and
// each line is what the page looked like while that step ran.
//
// Covered: the collection order within a line and across sections, the end of a
// Plugins line, the version and export checks, texts that fill their fields, library
// paths that do not fit, a second collection and FreePluginSteps; running one level, the
// six levels in the runner's order, the status text, the bar's range and visibility, the
// progress callback, missing step functions, libraries changed after collection, a page
// without a bar, and steps run from a worker thread while the page's thread dispatches.

#include "../../base/libraries.h"
#include "../../catalogue/plugins.h"
#include "../../engine/pluginsteps.h"
#include "../../setupapi/inf.h"
#include "../support/testsupport.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char kPageClass[] = "PluginTestPage";
const char kProductTitle[] = "Norvale Tessaro QX-40 Client Manager";

const char* const kFixtures[] = {"plugin_a",      "plugin_b",      "plugin_zero",     "plugin_minus",
                                 "plugin_v2",     "plugin_noversion", "plugin_noquery", "plugin_levels",
                                 "plugin_ranges", "plugin_missing",   "plugin_unterminated"};

std::string FixturePath(const std::string& file)
{
    return testsupport::TestFolder() + "\\" + file;
}

// The program folder as the plug-in code sees it, with its final backslash.
std::string ProgramFolder()
{
    char folder[MAX_PATH] = "";
    GetProgramFolder(folder);
    return folder;
}

// One line of the log: what one step saw while it ran.
struct StepRun {
    std::string name;
    std::string text;
    int visible = -1;
    long low = -1, high = -1;
    long start = -1;
    long first = -1, second = -1;   // the callback's results for 10, then 25
    long pos = -1;
    unsigned long callback = 0;
};

// The value of "key=" among the tab-separated fields of a line.
std::string Field(const std::string& line, const std::string& key)
{
    size_t at = 0;
    for (;;) {
        const size_t end = line.find('\t', at);
        const std::string field = line.substr(at, end == std::string::npos ? std::string::npos : end - at);
        if (field.compare(0, key.size() + 1, key + "=") == 0) return field.substr(key.size() + 1);
        if (end == std::string::npos) return std::string();
        at = end + 1;
    }
}

StepRun ParseLine(const std::string& line)
{
    StepRun run;
    run.name = line.substr(0, line.find('\t'));
    run.text = Field(line, "text");
    run.visible = std::atoi(Field(line, "visible").c_str());
    const std::string range = Field(line, "range");
    run.low = std::strtol(range.c_str(), nullptr, 10);
    const size_t dash = range.find('-', 1);
    run.high = dash == std::string::npos ? -1 : std::strtol(range.c_str() + dash + 1, nullptr, 10);
    run.start = std::strtol(Field(line, "start").c_str(), nullptr, 10);
    const std::string returns = Field(line, "returns");
    run.first = std::strtol(returns.c_str(), nullptr, 10);
    const size_t comma = returns.find(',');
    run.second = comma == std::string::npos ? -1 : std::strtol(returns.c_str() + comma + 1, nullptr, 10);
    run.pos = std::strtol(Field(line, "pos").c_str(), nullptr, 10);
    run.callback = std::strtoul(Field(line, "callback").c_str(), nullptr, 10);
    return run;
}

// A progress page: a visible top-level window with a progress bar and a status static.
class ProgressPage {
public:
    explicit ProgressPage(int barId = IDC_PROGRESS, int statusId = IDC_STATUS, bool withBar = true)
    {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = kPageClass;
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        RegisterClassA(&windowClass);  // fails harmlessly when an earlier test registered it
        window = CreateWindowExA(0, kPageClass, "plug-in test page", WS_OVERLAPPEDWINDOW, 0, 0, 400, 200,
                                 nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        if (!window) return;
        if (withBar)
            bar = CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD | WS_VISIBLE, 10, 10, 300, 20, window,
                                  reinterpret_cast<HMENU>(static_cast<UINT_PTR>(barId)), nullptr, nullptr);
        status = CreateWindowExA(0, "STATIC", kProductTitle, WS_CHILD | WS_VISIBLE, 10, 40, 300, 20, window,
                                 reinterpret_cast<HMENU>(static_cast<UINT_PTR>(statusId)), nullptr, nullptr);
        ShowWindow(window, SW_SHOWNOACTIVATE);
    }
    ~ProgressPage()
    {
        if (window) DestroyWindow(window);
    }
    ProgressPage(const ProgressPage&) = delete;
    ProgressPage& operator=(const ProgressPage&) = delete;

    bool Ready(bool withBar = true) const { return window && status && (bar || !withBar); }

    std::string StatusText() const
    {
        char text[2048] = "";
        GetWindowTextA(status, text, sizeof text);
        return text;
    }
    long Position() const { return static_cast<long>(SendMessageA(bar, PBM_GETPOS, 0, 0)); }
    long RangeHigh() const { return static_cast<long>(SendMessageA(bar, PBM_GETRANGE, FALSE, 0)); }
    bool BarVisible() const { return IsWindowVisible(bar) != FALSE; }

    HWND window = nullptr;
    HWND bar = nullptr;
    HWND status = nullptr;
};

// Makes the libraries' steps look at `page`.
void NamePage(HWND page)
{
    char text[32];
    std::snprintf(text, sizeof text, "%lu", static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(page)));
    SetEnvironmentVariableA("SETUP_PLUGIN_PAGE", text);
}

// Scratch folder with the script and the log, a page, an empty step list; afterwards
// everything removed again, also after a failure.
class Plugins : public ::testing::Test {
protected:
    void SetUp() override
    {
        InitCommonControls();
        FreePluginSteps();
        const std::string name = std::string("plugins-") +
                                 ::testing::UnitTest::GetInstance()->current_test_info()->name();
        folder_ = testsupport::MakeScratchFolder(name.c_str());
        ASSERT_FALSE(folder_.empty());
        log_ = folder_ + "\\steps.log";
        SetEnvironmentVariableA("SETUP_PLUGIN_LOG", log_.c_str());
        page_ = new ProgressPage();
        ASSERT_TRUE(page_->Ready());
        NamePage(page_->window);
    }

    void TearDown() override
    {
        FreePluginSteps();
        if (inf_ != INVALID_HANDLE_VALUE) SetupCloseInfFile(inf_);
        delete page_;
        // A library that a failed run left loaded could not be deleted.
        for (const std::string& copy : copies_) {
            for (int i = 0; i < 16 && GetModuleHandleA(copy.c_str()); ++i) FreeLibrary(GetModuleHandleA(copy.c_str()));
            DeleteFileA(copy.c_str());
        }
        SetEnvironmentVariableA("SETUP_PLUGIN_LOG", nullptr);
        SetEnvironmentVariableA("SETUP_PLUGIN_PAGE", nullptr);
        testsupport::RemoveTree(folder_);
    }

    // Writes `sections` after a [Version] section as setup.inf and opens it.
    HINF Open(const std::string& sections)
    {
        if (inf_ != INVALID_HANDLE_VALUE) SetupCloseInfFile(inf_);
        const std::string path = folder_ + "\\setup.inf";
        EXPECT_TRUE(testsupport::WriteFile(path, "[Version]\r\nSignature=\"$Chicago$\"\r\n" + sections));
        UINT errorLine = 0;
        inf_ = InfOpen(path.c_str(), &errorLine);
        EXPECT_NE(INVALID_HANDLE_VALUE, inf_) << "line " << errorLine;
        return inf_;
    }

    // Opens `sections` and collects the steps of the text list `list`.
    void Collect(const std::string& sections, const char* list)
    {
        HINF inf = Open(sections);
        ASSERT_NE(INVALID_HANDLE_VALUE, inf);
        CollectPluginSteps(inf, list);
    }

    // Copies a fixture beside the test program under a name of this test and process.
    std::string CopyFixture(const char* fixture, const char* role)
    {
        char name[MAX_PATH];
        std::snprintf(name, sizeof name, "plugin_%s_%s_%lu.dll", role,
                      ::testing::UnitTest::GetInstance()->current_test_info()->name(), GetCurrentProcessId());
        const std::string copy = FixturePath(name);
        copies_.push_back(copy);
        EXPECT_TRUE(CopyFileA(FixturePath(std::string(fixture) + ".dll").c_str(), copy.c_str(), FALSE)) << copy;
        return name;
    }

    void Run(int level, HWND page = nullptr)
    {
        RunPluginSteps(level, page ? page : page_->window, IDC_PROGRESS, IDC_STATUS);
    }

    // Every step run so far, in order; the log is emptied.
    std::vector<StepRun> TakeRuns()
    {
        std::vector<StepRun> runs;
        std::string bytes;
        if (testsupport::ReadFile(log_, &bytes)) {
            size_t at = 0;
            for (size_t end; (end = bytes.find("\r\n", at)) != std::string::npos; at = end + 2)
                runs.push_back(ParseLine(bytes.substr(at, end - at)));
            EXPECT_EQ(bytes.size(), at) << "an unfinished log line";
        }
        DeleteFileA(log_.c_str());
        return runs;
    }

    static std::vector<std::string> Names(const std::vector<StepRun>& runs)
    {
        std::vector<std::string> names;
        for (const StepRun& run : runs) names.push_back(run.name);
        return names;
    }

    // Names of the steps that ran since the last call.
    std::vector<std::string> TakeNames() { return Names(TakeRuns()); }

    // The step list from the front.
    static std::vector<const PluginStep*> Listed()
    {
        std::vector<const PluginStep*> steps;
        for (const PluginStep* step = FirstPluginStep(); step && steps.size() < 1000; step = step->next)
            steps.push_back(step);
        return steps;
    }

    // Which fixtures stay mapped into the process.
    static std::vector<std::string> MappedFixtures()
    {
        std::vector<std::string> mapped;
        for (const char* fixture : kFixtures)
            if (GetModuleHandleA(FixturePath(std::string(fixture) + ".dll").c_str())) mapped.push_back(fixture);
        return mapped;
    }

    std::string folder_;
    std::string log_;
    HINF inf_ = INVALID_HANDLE_VALUE;
    ProgressPage* page_ = nullptr;
    std::vector<std::string> copies_;
};

typedef std::vector<std::string> StepNames;

// ---------------------------------------------------------------------------------
// Collection: which libraries a script's Plugins keys bring in, and in which order.

using PluginCollect = Plugins;

TEST_F(PluginCollect, OneLineListsTheLastLibrarysLastStepFirst)
{
    Collect("[Install]\r\nPlugins=plugin_a.dll,plugin_b.dll\r\n", "Install\0");
    const std::vector<const PluginStep*> steps = Listed();
    ASSERT_EQ(4u, steps.size());
    struct Expected { const char* function; const char* text; const char* library; };
    const Expected expected[] = {{"Step1", "Plug-in B, step 1", "plugin_b.dll"},
                                 {"Step0", "Plug-in B, step 0", "plugin_b.dll"},
                                 {"Step1", "Plug-in A, step 1", "plugin_a.dll"},
                                 {"Step0", "Plug-in A, step 0", "plugin_a.dll"}};
    for (size_t i = 0; i < steps.size(); ++i) {
        EXPECT_EQ(2, steps[i]->level) << i;
        EXPECT_STREQ(expected[i].function, steps[i]->functionName) << i;
        EXPECT_STREQ(expected[i].text, steps[i]->text) << i;
        EXPECT_EQ(100u, steps[i]->progressRange) << i;
        EXPECT_EQ(ProgramFolder() + expected[i].library, steps[i]->libraryPath) << i;
    }
    // Loaded only while their steps were asked for.
    EXPECT_EQ(StepNames(), MappedFixtures());

    Run(2);
    EXPECT_EQ((StepNames{"B1", "B0", "A1", "A0"}), TakeNames());
}

TEST_F(PluginCollect, SectionsCollectInListOrderAndTheLastRunsFirst)
{
    const char script[] =
        "[Install]\r\nPlugins=plugin_a.dll\r\n"
        "[Quiet]\r\nCopyFiles=Nothing\r\n"
        "[Product]\r\nplugins = plugin_b.dll\r\n";
    Collect(script, "Install\0Quiet\0Absent\0Product\0");
    Run(2);
    EXPECT_EQ((StepNames{"B1", "B0", "A1", "A0"}), TakeNames());

    // The same script with the list the other way round: the list decides, not the file.
    Collect(script, "Product\0Install\0");
    Run(2);
    EXPECT_EQ((StepNames{"A1", "A0", "B1", "B0"}), TakeNames());

    // A library named twice contributes twice.
    Collect(script, "Install\0Install\0");
    Run(2);
    EXPECT_EQ((StepNames{"A1", "A0", "A1", "A0"}), TakeNames());
}

TEST_F(PluginCollect, AnEmptyFieldEndsTheLine)
{
    Collect("[Install]\r\nPlugins=plugin_a.dll,,plugin_b.dll\r\n", "Install\0");
    Run(2);
    EXPECT_EQ((StepNames{"A1", "A0"}), TakeNames());

    // An empty first field: nothing from this line, but the next section still counts.
    Collect("[Install]\r\nPlugins=,plugin_a.dll\r\n[Product]\r\nPlugins=plugin_b.dll,\r\n", "Install\0Product\0");
    Run(2);
    EXPECT_EQ((StepNames{"B1", "B0"}), TakeNames());
}

TEST_F(PluginCollect, LibraryThatCannotBeLoadedIsPassedOver)
{
    Collect("[Install]\r\nPlugins=plugin_nowhere.dll,plugin_a.dll\r\n", "Install\0");
    EXPECT_EQ(2u, Listed().size());
    Run(2);
    EXPECT_EQ((StepNames{"A1", "A0"}), TakeNames());
}

TEST_F(PluginCollect, VersionAboveOneOrMissingExportsContributeNothing)
{
    Collect("[Install]\r\n"
            "Plugins=plugin_v2.dll,plugin_zero.dll,plugin_noquery.dll,plugin_minus.dll,plugin_noversion.dll\r\n",
            "Install\0");
    const std::vector<const PluginStep*> steps = Listed();
    ASSERT_EQ(4u, steps.size());
    for (const PluginStep* step : steps) {
        const std::string path = step->libraryPath;
        EXPECT_TRUE(path == ProgramFolder() + "plugin_zero.dll" || path == ProgramFolder() + "plugin_minus.dll")
            << path;
    }
    EXPECT_EQ(StepNames(), MappedFixtures());
    Run(2);
    EXPECT_EQ((StepNames{"Minus1", "Minus0", "Zero1", "Zero0"}), TakeNames());
}

TEST_F(PluginCollect, TextsThatFillTheirFieldsAreCutAtTheFieldsEnd)
{
    Collect("[Install]\r\nPlugins=plugin_unterminated.dll\r\n", "Install\0");
    const std::vector<const PluginStep*> steps = Listed();
    ASSERT_EQ(1u, steps.size());
    EXPECT_EQ(std::string(255, 'U'), steps[0]->functionName);
    EXPECT_EQ(std::string(1023, 'T'), steps[0]->text);
    EXPECT_EQ(0x00640064u, steps[0]->progressRange);
    EXPECT_EQ(ProgramFolder() + "plugin_unterminated.dll", steps[0]->libraryPath);

    // The cut name is the library's 255-character export, so the step runs; read past
    // its end, the name would run on into the text and find nothing. The status text
    // read past its end would go on into the range's bytes ("d").
    Run(4);
    const std::vector<StepRun> runs = TakeRuns();
    ASSERT_EQ(1u, runs.size());
    EXPECT_EQ("U0", runs[0].name);
    EXPECT_EQ(std::string(1023, 'T'), runs[0].text);
    EXPECT_EQ(100, runs[0].high);
}

TEST_F(PluginCollect, LibraryPathPastMaxPathIsLeftOut)
{
    // Names that reach the libraries through "." folders, so that their length can be
    // chosen: program folder and name together 259 characters (fits) or 260.
    const std::string folder = ProgramFolder();
    ASSERT_FALSE(folder.empty());
    ASSERT_LT(folder.size() + 20, 259u) << folder;
    auto padded = [&folder](size_t total, const std::string& file) {
        // "x\..\" (five characters) makes an odd length even; "x" need not exist.
        std::string name = file;
        size_t missing = total - folder.size() - name.size();
        if (missing % 2) {
            name = "x\\..\\" + file;
            missing -= 5;
        }
        while (missing >= 2) {
            name = ".\\" + name;
            missing -= 2;
        }
        return name;
    };
    const std::string fits = padded(259, "plugin_a.dll");
    const std::string tooLong = padded(260, "plugin_b.dll");
    // Cut to 259 characters, this one would name plugin_b.dll.
    const std::string cutWouldLoad = padded(259, "plugin_b.dll") + "x";
    ASSERT_EQ(259u, folder.size() + fits.size());
    ASSERT_EQ(260u, folder.size() + tooLong.size());
    ASSERT_EQ(260u, folder.size() + cutWouldLoad.size());
    // The names themselves are loadable, so only their length keeps them out.
    HMODULE check = LoadLibraryA((folder + fits).c_str());
    ASSERT_NE(nullptr, check) << "the padded name does not load: " << fits;
    FreeLibrary(check);

    Collect("[Install]\r\nPlugins=" + tooLong + "," + cutWouldLoad + "," + fits + "\r\n", "Install\0");
    const std::vector<const PluginStep*> steps = Listed();
    ASSERT_EQ(2u, steps.size());
    EXPECT_EQ(folder + fits, steps[0]->libraryPath);
    EXPECT_EQ(folder + fits, steps[1]->libraryPath);
    Run(2);
    EXPECT_EQ((StepNames{"A1", "A0"}), TakeNames());
}

TEST_F(PluginCollect, SecondCollectionReplacesTheListAndFreeEmptiesIt)
{
    Collect("[Install]\r\nPlugins=plugin_a.dll\r\n[Product]\r\nPlugins=plugin_b.dll\r\n", "Install\0");
    ASSERT_EQ(2u, Listed().size());
    CollectPluginSteps(inf_, "Product\0");
    const std::vector<const PluginStep*> steps = Listed();
    ASSERT_EQ(2u, steps.size());
    for (const PluginStep* step : steps) EXPECT_EQ(ProgramFolder() + "plugin_b.dll", step->libraryPath);
    Run(2);
    EXPECT_EQ((StepNames{"B1", "B0"}), TakeNames());

    // A collection that finds nothing leaves the list empty, not the old one.
    CollectPluginSteps(inf_, "Absent\0");
    EXPECT_EQ(nullptr, FirstPluginStep());

    CollectPluginSteps(inf_, "Install\0Product\0");
    ASSERT_EQ(4u, Listed().size());
    FreePluginSteps();
    EXPECT_EQ(nullptr, FirstPluginStep());
    FreePluginSteps();
    EXPECT_EQ(nullptr, FirstPluginStep());
    Run(2);
    EXPECT_EQ(StepNames(), TakeNames());
}

// ---------------------------------------------------------------------------------
// Running: which steps a level runs, and what the page shows while they run.

using PluginRun = Plugins;

TEST_F(PluginRun, OnlyTheRequestedLevelRunsAndTheListStays)
{
    Collect("[Install]\r\nPlugins=plugin_a.dll,plugin_levels.dll,plugin_b.dll\r\n", "Install\0");
    Run(3);
    EXPECT_EQ((StepNames{"L0"}), TakeNames());
    Run(2);
    EXPECT_EQ((StepNames{"B1", "B0", "L5", "A1", "A0"}), TakeNames());
    // Running a level does not use up its steps.
    Run(2);
    EXPECT_EQ((StepNames{"B1", "B0", "L5", "A1", "A0"}), TakeNames());
    EXPECT_EQ(StepNames(), MappedFixtures());
}

TEST_F(PluginRun, LevelsZeroToFiveInTheRunnersOrder)
{
    Collect("[Install]\r\nPlugins=plugin_levels.dll\r\n", "Install\0");
    ASSERT_EQ(8u, Listed().size());
    // The step runner's order: level 4 before level 3.
    std::vector<std::string> all;
    for (int level : {0, 1, 2, 4, 3, 5}) {
        Run(level);
        for (const StepRun& run : TakeRuns()) {
            all.push_back(run.name);
            EXPECT_EQ("Level " + std::to_string(level), run.text) << run.name;
        }
    }
    // Steps at levels 6 and -1 (L6, L7) never run.
    EXPECT_EQ((StepNames{"L1", "L3", "L5", "L4", "L0", "L2"}), all);
}

TEST_F(PluginRun, StatusShowsEachStepsTextWhileItRuns)
{
    Collect("[Install]\r\nPlugins=plugin_a.dll,plugin_b.dll\r\n", "Install\0");
    ASSERT_EQ(kProductTitle, page_->StatusText());
    Run(1);
    EXPECT_EQ(kProductTitle, page_->StatusText()) << "a level without steps changed the status";
    Run(2);
    const std::vector<StepRun> runs = TakeRuns();
    ASSERT_EQ(4u, runs.size());
    for (const StepRun& run : runs) {
        const std::string expected = std::string("Plug-in ") + run.name[0] + ", step " + run.name[1];
        EXPECT_EQ(expected, run.text) << run.name;
    }
    EXPECT_EQ("Plug-in A, step 0", page_->StatusText());
}

TEST_F(PluginRun, ProgressRangeSetsTheBarAndZeroHidesIt)
{
    Collect("[Install]\r\nPlugins=plugin_ranges.dll\r\n", "Install\0");
    SendMessageA(page_->bar, PBM_SETRANGE, 0, MAKELPARAM(0, 1000));
    SendMessageA(page_->bar, PBM_SETPOS, 500, 0);

    Run(1);
    const std::vector<StepRun> runs = TakeRuns();
    ASSERT_EQ((StepNames{"R2", "R1", "R0"}), Names(runs));
    // Range 0: hidden while the step runs.
    EXPECT_EQ(0, runs[0].visible);
    // Low 16 bits 100, high bits set: 0 to 100.
    EXPECT_EQ(1, runs[1].visible);
    EXPECT_EQ(0, runs[1].low);
    EXPECT_EQ(100, runs[1].high);
    EXPECT_EQ(0, runs[1].start);
    EXPECT_EQ(1, runs[2].visible);
    EXPECT_EQ(0, runs[2].low);
    EXPECT_EQ(50, runs[2].high);
    EXPECT_EQ(0, runs[2].start);
    EXPECT_TRUE(page_->BarVisible());
    EXPECT_EQ(50, page_->RangeHigh());

    // The last step of a level hid the bar; it is shown again afterwards. A range whose
    // low 16 bits are 0 but whose high bits are not is not 0: the bar stays visible.
    Run(2);
    const std::vector<StepRun> second = TakeRuns();
    ASSERT_EQ((StepNames{"R4", "R3"}), Names(second));
    EXPECT_EQ(1, second[0].visible);
    EXPECT_EQ(0, second[0].high);
    EXPECT_EQ(0, second[1].visible);
    EXPECT_TRUE(page_->BarVisible());

    // A level without steps shows a hidden bar as well.
    ShowWindow(page_->bar, SW_HIDE);
    Run(5);
    EXPECT_TRUE(page_->BarVisible());
}

TEST_F(PluginRun, CallbackMovesTheBarAndReturnsThePreviousPosition)
{
    Collect("[Install]\r\nPlugins=plugin_a.dll\r\n", "Install\0");
    SendMessageA(page_->bar, PBM_SETPOS, 70, 0);
    Run(2);
    const std::vector<StepRun> runs = TakeRuns();
    ASSERT_EQ((StepNames{"A1", "A0"}), Names(runs));
    for (const StepRun& run : runs) {
        // Each step starts at 0, whatever the last one left.
        EXPECT_EQ(0, run.start) << run.name;
        EXPECT_EQ(0, run.first) << run.name;
        EXPECT_EQ(10, run.second) << run.name;
        EXPECT_EQ(25, run.pos) << run.name;
        EXPECT_EQ(static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(&PluginProgressCallback)), run.callback)
            << run.name;
    }
    EXPECT_EQ(25, page_->Position());

    // The target is the window and bar id of the last RunPluginSteps, here another page
    // whose controls have other ids.
    ProgressPage other(1300, 1301);
    ASSERT_TRUE(other.Ready());
    SendMessageA(other.bar, PBM_SETPOS, 30, 0);
    RunPluginSteps(5, other.window, 1300, 1301);
    EXPECT_EQ(30, PluginProgressCallback(60));
    EXPECT_EQ(60, PluginProgressCallback(45));
    EXPECT_EQ(45, other.Position());
    EXPECT_EQ(25, page_->Position());
}

TEST_F(PluginRun, StepWithoutExportIsSkippedAndTouchesNothing)
{
    Collect("[Install]\r\nPlugins=plugin_missing.dll\r\n", "Install\0");
    ASSERT_EQ(3u, Listed().size());
    Run(3);
    const std::vector<StepRun> runs = TakeRuns();
    ASSERT_EQ((StepNames{"M2", "M1"}), Names(runs));
    EXPECT_EQ("Present step 2", runs[0].text);
    EXPECT_EQ(60, runs[0].high);
    EXPECT_EQ("Present step 1", runs[1].text);
    EXPECT_EQ(40, runs[1].high);
    // The missing step came last: its text and range were not applied.
    EXPECT_EQ("Present step 1", page_->StatusText());
    EXPECT_EQ(40, page_->RangeHigh());
    EXPECT_EQ(25, page_->Position());
    EXPECT_EQ(StepNames(), MappedFixtures());
}

TEST_F(PluginRun, LibraryIsLoadedAgainWhenItsStepIsDue)
{
    const std::string copy = CopyFixture("plugin_a", "due");
    Collect("[Install]\r\nPlugins=plugin_b.dll," + copy + "\r\n", "Install\0");
    ASSERT_EQ(4u, Listed().size());

    // Replaced by a library of version 2 after the collection: the version is not asked
    // again, its steps run by name.
    ASSERT_TRUE(CopyFileA(FixturePath("plugin_v2.dll").c_str(), FixturePath(copy).c_str(), FALSE))
        << "the collected library stayed loaded";
    Run(2);
    EXPECT_EQ((StepNames{"V2x1", "V2x0", "B1", "B0"}), TakeNames());

    // Gone: its steps are skipped, the others run.
    ASSERT_TRUE(DeleteFileA(FixturePath(copy).c_str()));
    Run(2);
    EXPECT_EQ((StepNames{"B1", "B0"}), TakeNames());
}

TEST_F(PluginRun, PageWithoutBarGetsTheTextOnly)
{
    // The remove confirmation page: a status static showing the product title, no bar.
    ProgressPage confirm(IDC_PROGRESS, IDC_STATUS, false);
    ASSERT_TRUE(confirm.Ready(false));
    NamePage(confirm.window);
    Collect("[Remove]\r\nPlugins=plugin_a.dll\r\n", "Remove\0");
    Run(2, confirm.window);
    const std::vector<StepRun> runs = TakeRuns();
    ASSERT_EQ((StepNames{"A1", "A0"}), Names(runs));
    for (const StepRun& run : runs) {
        EXPECT_EQ(0, run.visible) << run.name;
        EXPECT_EQ(0, run.first) << run.name;
        EXPECT_EQ(0, run.second) << run.name;
    }
    EXPECT_EQ("Plug-in A, step 0", confirm.StatusText());
    EXPECT_EQ(0, PluginProgressCallback(10));
}

// RunPluginSteps as the worker runs it: on its own thread, the page on this one.
struct WorkerRun {
    int level;
    HWND page;
    DWORD threadId;
};

DWORD WINAPI RunLevelOnWorker(void* parameter)
{
    WorkerRun* run = static_cast<WorkerRun*>(parameter);
    run->threadId = GetCurrentThreadId();
    RunPluginSteps(run->level, run->page, IDC_PROGRESS, IDC_STATUS);
    return 0;
}

TEST_F(PluginRun, StepsOnAWorkerThreadUpdateThePageThroughItsThread)
{
    Collect("[Install]\r\nPlugins=plugin_a.dll,plugin_b.dll\r\n", "Install\0");
    WorkerRun request = {2, page_->window, 0};
    HANDLE thread = CreateThread(nullptr, 0, RunLevelOnWorker, &request, 0, nullptr);
    ASSERT_NE(nullptr, thread);
    // Dispatch this thread's messages until the worker ends (at most a minute).
    DWORD waited = WAIT_TIMEOUT;
    const DWORD startTick = GetTickCount();
    while (GetTickCount() - startTick < 60000) {
        waited = MsgWaitForMultipleObjects(1, &thread, FALSE, 1000, QS_ALLINPUT);
        if (waited == WAIT_OBJECT_0) break;
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    if (waited != WAIT_OBJECT_0) {
        ADD_FAILURE() << "the worker did not end";
        TerminateThread(thread, 1);
    }
    CloseHandle(thread);
    ASSERT_EQ(WAIT_OBJECT_0, waited);
    EXPECT_NE(GetCurrentThreadId(), request.threadId);

    const std::vector<StepRun> runs = TakeRuns();
    ASSERT_EQ((StepNames{"B1", "B0", "A1", "A0"}), Names(runs));
    for (const StepRun& run : runs) {
        EXPECT_EQ(std::string("Plug-in ") + run.name[0] + ", step " + run.name[1], run.text);
        EXPECT_EQ(1, run.visible) << run.name;
        EXPECT_EQ(100, run.high) << run.name;
        EXPECT_EQ(0, run.first) << run.name;
        EXPECT_EQ(10, run.second) << run.name;
        EXPECT_EQ(25, run.pos) << run.name;
    }
    EXPECT_EQ("Plug-in A, step 0", page_->StatusText());
    EXPECT_EQ(25, page_->Position());
}

} // namespace
