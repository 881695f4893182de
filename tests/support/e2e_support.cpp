// The end-to-end helpers: media folders, runs through the driver, the expected texts and
// the shared checks (which report the test's own line through a scoped trace).

#include "e2e_support.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace e2e {

using testsupport::Remaining;

Medium::Medium(const char* prefix, size_t exePathLength)
{
    root = testsupport::MakeScratchFolder(prefix);
    if (root.empty()) return;
    folder = root;
    const std::string exeName = "\\setup.exe";
    if (exePathLength) {
        // CreateDirectoryA makes one level at a time; levels of up to 60 characters.
        for (int level = 1;; ++level) {
            const size_t used = folder.size() + exeName.size();
            if (used >= exePathLength) break;
            size_t remaining = exePathLength - used;        // backslash and name
            size_t name = std::min<size_t>(remaining - 1, 60);
            if (remaining - 1 - name == 1) --name;            // never leave room for a bare backslash
            if (name == 0) return;
            std::string part = "level" + std::to_string(level) + "-";
            part = (part + std::string(name, 'd')).substr(0, name);
            folder += "\\" + part;
            if (!CreateDirectoryA(folder.c_str(), nullptr)) return;
        }
    }
    exe = folder + exeName;
    inf = folder + "\\setup.inf";
    ready = CopyFileA(testsupport::SetupExePath().c_str(), exe.c_str(), FALSE) != 0;
}

namespace {

// Wine keeps the current folder of an ended program open for a few milliseconds after
// the program's handle is signalled, and a folder held that way cannot be removed: wait
// (bounded) until nothing holds it any more.
void WaitUntilFolderIsFree(const std::string& folder)
{
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < WaitLimitMs) {
        HANDLE probe = CreateFileA(folder.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (probe != INVALID_HANDLE_VALUE) {
            CloseHandle(probe);
            return;
        }
        if (GetLastError() != ERROR_SHARING_VIOLATION) return;
        Sleep(10);
    }
}

} // namespace

Medium::~Medium()
{
    if (root.empty()) return;
    WaitUntilFolderIsFree(folder);
    testsupport::RemoveTree(root);
}

bool Medium::WriteScript(const std::string& bytes) const
{
    return ready && testsupport::WriteFile(inf, bytes);
}

bool StartSetup(const std::string& exe, const std::string& arguments, Running* running)
{
    const std::string folder = exe.substr(0, exe.find_last_of('\\'));
    std::string commandLine = testsupport::Quote(exe);
    if (!arguments.empty()) commandLine += " " + arguments;
    return driver::StartProgram(commandLine, folder, &running->process);
}

void RecordBox(const driver::MessageBoxInfo& box, void* context)
{
    static_cast<std::vector<driver::MessageBoxInfo>*>(context)->push_back(box);
}

namespace {

// Reads one string table block: 16 strings, each a count of UTF-16 units and the units.
BOOL CALLBACK AddStringBlock(HMODULE module, LPCSTR type, LPCSTR name, WORD language, LONG_PTR parameter)
{
    std::vector<std::string>* strings = reinterpret_cast<std::vector<std::string>*>(parameter);
    HRSRC resource = FindResourceExA(module, type, name, language);
    HGLOBAL loaded = resource ? LoadResource(module, resource) : nullptr;
    const WCHAR* units = loaded ? static_cast<const WCHAR*>(LockResource(loaded)) : nullptr;
    if (!units) return TRUE;
    const WCHAR* end = units + SizeofResource(module, resource) / sizeof(WCHAR);
    for (int i = 0; i < 16 && units < end; ++i) {
        const int count = *units++;
        const int length = std::min<int>(count, static_cast<int>(end - units));
        if (length > 0) {
            std::string text(4 * length, '\0');
            const int size = WideCharToMultiByte(CP_ACP, 0, units, length, &text[0], static_cast<int>(text.size()),
                                                 nullptr, nullptr);
            text.resize(size > 0 ? size : 0);
            strings->push_back(text);
        }
        units += length;
    }
    return TRUE;
}

BOOL CALLBACK AddStringBlockLanguages(HMODULE module, LPCSTR type, LPSTR name, LONG_PTR parameter)
{
    EnumResourceLanguagesA(module, type, name, AddStringBlock, parameter);
    return TRUE;
}

} // namespace

BoxRun RunAnsweringBoxes(const std::string& exe, const std::string& arguments)
{
    BoxRun run;
    Running running;
    run.started = StartSetup(exe, arguments, &running);
    if (!run.started) return run;
    run.exit = driver::AnswerBoxesUntilExit(running.process, WaitLimitMs, IDOK, RecordBox, &run.boxes);
    return run;
}

WindowRun RunWatchingWindows(const std::string& exe, const std::string& arguments)
{
    WindowRun run;
    Running running;
    run.started = StartSetup(exe, arguments, &running);
    if (!run.started) return run;
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < WaitLimitMs) {
        for (const driver::WindowInfo& window : driver::ListVisibleWindows(running.process.id)) {
            const bool known = std::any_of(run.windows.begin(), run.windows.end(),
                                           [&](const driver::WindowInfo& seen) { return seen.window == window.window; });
            if (!known) run.windows.push_back(window);
        }
        // A box would hold the program up until the limit; answering lets the run end.
        if (HWND box = driver::FindMessageBox(running.process.id)) driver::AnswerMessageBox(box, IDOK);
        if (driver::WaitUntilExited(running.process, 10)) break;
    }
    run.exit = driver::WaitForExit(running.process, Remaining(start, WaitLimitMs));
    return run;
}

std::string EnglishScriptError(const std::string& infPath, int line)
{
    return "There is an error in file " + infPath + ", line " + std::to_string(line)
           + ". Installation can not continue.";
}

std::string GermanScriptError(const std::string& infPath, int line)
{
    return "Die Datei " + infPath + " enthaelt in Zeile " + std::to_string(line)
           + " einen Fehler. Die Installation kann nicht fortgesetzt werden.";
}

std::vector<std::string> ProgramStrings(const std::string& exe)
{
    std::vector<std::string> strings;
    HMODULE module = LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module) return strings;
    EnumResourceNamesA(module, reinterpret_cast<LPCSTR>(RT_STRING), AddStringBlockLanguages,
                       reinterpret_cast<LONG_PTR>(&strings));
    FreeLibrary(module);
    return strings;
}

std::string DescribeButtons(const driver::MessageBoxInfo& box)
{
    std::string text;
    for (const driver::ControlInfo& button : box.buttons)
        text += " [" + std::to_string(button.id) + " \"" + button.text + "\"]";
    return text.empty() ? " none" : text;
}

std::string DescribeWindows(const std::vector<driver::WindowInfo>& windows)
{
    std::string text;
    for (const driver::WindowInfo& window : windows)
        text += " [class \"" + window.className + "\" caption \"" + window.caption + "\"]";
    return text.empty() ? " none" : text;
}

namespace {

void CheckScriptErrorBox(const driver::MessageBoxInfo& box, const std::string& expectedText)
{
    EXPECT_EQ(expectedText, box.text);
    EXPECT_EQ(SystemErrorCaption, box.caption);
    ASSERT_EQ(1u, box.buttons.size()) << "buttons:" << DescribeButtons(box);
    EXPECT_EQ(IDOK, box.buttons[0].id);
    EXPECT_EQ("OK", box.buttons[0].text);
    EXPECT_TRUE(box.owner != nullptr);
    EXPECT_EQ("SETUP", box.ownerClass);
}

} // namespace

void ExpectScriptErrorBox(const driver::MessageBoxInfo& box, const std::string& expectedText, const char* file,
                          int line)
{
    ::testing::ScopedTrace trace(file, line, "checked here");
    CheckScriptErrorBox(box, expectedText);
}

void ExpectScriptErrorRun(const BoxRun& run, const std::string& expectedText, const char* file, int line)
{
    ::testing::ScopedTrace trace(file, line, "checked here");
    ASSERT_TRUE(run.started);
    EXPECT_FALSE(run.exit.killed) << "setup.exe did not end within the limit";
    EXPECT_TRUE(run.exit.exited);
    EXPECT_EQ(0u, run.exit.exitCode);
    ASSERT_EQ(1u, run.boxes.size());
    CheckScriptErrorBox(run.boxes[0], expectedText);
}

void ExpectQuietRun(const WindowRun& run, const char* file, int line)
{
    ::testing::ScopedTrace trace(file, line, "checked here");
    ASSERT_TRUE(run.started);
    EXPECT_FALSE(run.exit.killed) << "setup.exe did not end within the limit";
    EXPECT_TRUE(run.exit.exited);
    EXPECT_EQ(0u, run.exit.exitCode);
    EXPECT_TRUE(run.windows.empty()) << "windows shown:" << DescribeWindows(run.windows);
}

namespace {

// The button that does least harm: No, else Cancel, else OK, else the first one.
int HarmlessButton(const driver::MessageBoxInfo& box)
{
    for (int id : {IDNO, IDCANCEL, IDOK}) {
        if (driver::HasButton(box, id)) return id;
    }
    return box.buttons.empty() ? IDOK : box.buttons[0].id;
}

} // namespace

FirstPageRun RunToFirstPageAndCancel(const std::string& exe, const std::string& arguments)
{
    FirstPageRun run;
    Running running;
    run.started = StartSetup(exe, arguments, &running);
    if (!run.started) return run;
    const DWORD start = GetTickCount();
    HWND sheet = nullptr;
    // A box shown instead of the wizard is recorded and answered, and the run goes on.
    while (!sheet && Remaining(start, WaitLimitMs) > 0 && !driver::HasExited(running.process)) {
        sheet = driver::FindPropertySheet(running.process.id);
        if (sheet) break;
        if (HWND box = driver::FindMessageBox(running.process.id)) {
            driver::MessageBoxInfo info;
            if (driver::ReadMessageBox(box, &info)) run.boxes.push_back(info);
            driver::AnswerMessageBox(box, IDOK);
            driver::WaitForWindowGone(box, Remaining(start, WaitLimitMs));
        }
        Sleep(20);
    }
    if (sheet) {
        run.sheetShown = true;
        run.sheetCaption = driver::WindowText(sheet);
        run.title = driver::PageControlText(sheet, IDC_TITLE, nullptr);
        run.text = driver::PageControlText(sheet, IDC_STATUS, nullptr);
        driver::PressWizardButton(sheet, driver::WizardCancel);
    }
    run.exit = driver::AnswerBoxesUntilExit(running.process, Remaining(start, WaitLimitMs), IDOK, RecordBox,
                                            &run.boxes);
    return run;
}

void ExpectWelcomePageRun(const FirstPageRun& run, const char* file, int line)
{
    ::testing::ScopedTrace trace(file, line, "checked here");
    ASSERT_TRUE(run.started);
    EXPECT_TRUE(run.sheetShown) << "no wizard; boxes:" << DescribeBoxes(run.boxes);
    EXPECT_EQ(ProductTitle, run.sheetCaption);
    EXPECT_EQ(ProductTitle, run.title);
    EXPECT_TRUE(run.boxes.empty()) << "boxes:" << DescribeBoxes(run.boxes);
    EXPECT_FALSE(run.exit.killed) << "setup.exe did not end within the limit after Cancel";
    EXPECT_TRUE(run.exit.exited);
    EXPECT_EQ(0u, run.exit.exitCode);
}

UnattendedRun RunUnattendedCommand(const std::string& commandLine)
{
    UnattendedRun run;
    Running running;
    run.started = driver::StartProgram(commandLine, std::string(), &running.process);
    if (!run.started) return run;
    const DWORD start = GetTickCount();
    while (Remaining(start, WaitLimitMs) > 0 && !driver::WaitUntilExited(running.process, 10)) {
        if (HWND box = driver::FindMessageBox(running.process.id)) {
            driver::MessageBoxInfo info;
            if (!driver::ReadMessageBox(box, &info)) continue;
            run.boxes.push_back(info);
            driver::AnswerMessageBox(box, HarmlessButton(info));
            driver::WaitForWindowGone(box, Remaining(start, WaitLimitMs));
        } else if (!run.boxes.empty()) {
            // After a failure nothing presses a button: the wizard waits for a user.
            if (HWND sheet = driver::FindPropertySheet(running.process.id))
                driver::PressWizardButton(sheet, driver::WizardCancel);
        }
    }
    run.exit = driver::WaitForExit(running.process, Remaining(start, WaitLimitMs));
    return run;
}

UnattendedRun RunUnattended(const std::string& exe, const std::string& arguments)
{
    std::string commandLine = testsupport::Quote(exe);
    if (!arguments.empty()) commandLine += " " + arguments;
    return RunUnattendedCommand(commandLine);
}

void ExpectUnattendedRun(const UnattendedRun& run, const char* file, int line)
{
    ::testing::ScopedTrace trace(file, line, "checked here");
    ASSERT_TRUE(run.started);
    EXPECT_TRUE(run.boxes.empty()) << "an unattended run showed boxes:" << DescribeBoxes(run.boxes);
    EXPECT_FALSE(run.exit.killed) << "setup.exe did not end within the limit";
    EXPECT_TRUE(run.exit.exited);
    EXPECT_EQ(0u, run.exit.exitCode);
}

std::string DescribeBoxes(const std::vector<driver::MessageBoxInfo>& boxes)
{
    std::string text;
    for (const driver::MessageBoxInfo& box : boxes)
        text += " [caption \"" + box.caption + "\" text \"" + box.text + "\" buttons" + DescribeButtons(box) + "]";
    return text.empty() ? " none" : text;
}

UninstallEntry::~UninstallEntry()
{
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, testsupport::UninstallKeyPath(key).c_str());
}

bool UninstallEntry::Write(const char* value, const std::string& text) const
{
    HKEY handle = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, testsupport::UninstallKeyPath(key).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                        nullptr, &handle, nullptr)
        != ERROR_SUCCESS)
        return false;
    const LONG result = RegSetValueExA(handle, value, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                       static_cast<DWORD>(text.size() + 1));
    RegCloseKey(handle);
    return result == ERROR_SUCCESS;
}

std::string UninstallEntry::Read(const char* value) const
{
    return testsupport::MachineText(testsupport::UninstallKeyPath(key), value);
}

bool UninstallEntry::Exists() const
{
    return testsupport::UninstallEntryExists(key);
}

HWND OpenWizard(const std::string& exe, const std::string& arguments, Running* running)
{
    if (!StartSetup(exe, arguments.empty() ? "/lang:eng" : arguments + " /lang:eng", running)) return nullptr;
    return driver::WaitForPropertySheet(running->process, WaitLimitMs);
}

driver::ExitResult EndWizardRun(Running* running, std::vector<driver::MessageBoxInfo>* boxes)
{
    const DWORD start = GetTickCount();
    for (;;) {
        const DWORD used = GetTickCount() - start;
        if (used >= WaitLimitMs) break;
        driver::MessageBoxInfo box;
        if (driver::WaitForMessageBox(running->process, WaitLimitMs - used, &box)) {
            boxes->push_back(box);
            driver::AnswerMessageBox(box.window, driver::HasButton(box, IDNO) ? IDNO : IDOK);
            if (!driver::WaitForWindowGone(box.window, Remaining(start, WaitLimitMs))) break;
        } else if (driver::HasExited(running->process)) {
            break;
        }
    }
    return driver::WaitForExit(running->process, Remaining(start, WaitLimitMs));
}

int PressAndWaitForPage(HWND sheet, driver::WizardButton button)
{
    return driver::PressAndWaitForPage(sheet, button, WaitLimitMs);
}

driver::WizardButtons Buttons(bool back, bool next, bool finish, bool cancel)
{
    driver::WizardButtons buttons;
    buttons.back = back;
    buttons.next = next;
    buttons.finish = finish;
    buttons.cancel = cancel;
    return buttons;
}

} // namespace e2e
