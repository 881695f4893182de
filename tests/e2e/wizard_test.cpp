// The interactive wizard, driven page by page from outside as a user would: the welcome
// page, the licence page that skips itself (the program carries no licence text), the
// component check list with its default checks, clicks, space key, description and the
// warning before a newer installed version is replaced, the target folder (proposed from
// the script or from an earlier installation, typed, or picked with Browse), the ready
// page with its Windows CD hint, the run itself (Cancel refused while it works, the
// progress bar), the finish page with and without the restart note and the restart
// prompt after it, a failed run, the remove pages started with /remove:KEY, and the
// pages in German and French.
//
// Every test lays out its own medium with product keys, folders and events named after
// the test and this process, and removes the uninstall entries that it or setup.exe
// made, also when it fails. Every wait is bounded.

#include "e2e_support.h"
#include "testsupport.h"
#include "../../pages/checklist.h"

#include <gtest/gtest.h>

#include <commctrl.h>
#include <shlobj.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// The pages of the sheet, and the helpers of every wizard test.
using e2e::WelcomePage;
using e2e::ComponentsPage;
using e2e::TargetPage;
using e2e::ReadyPage;
using e2e::InstallFinishPage;
using e2e::RemovePage;
using e2e::RemoveFinishPage;
using e2e::PressAndWaitForPage;
using e2e::Buttons;
using testsupport::ReplaceAll;

// In the check list a click this far from the left edge lands in the check box square
// (the rows are 18 pixels high, the square as wide as a row is high); a click at
// TextX lands on the row's name.
const int CheckBoxX = 9;
const int TextX = 100;

const char* const WelcomeText =
    "Norvale Tessaro QX-40 Client Manager.\r\rClick on 'Next' to continue the installation.";

// The package: a main part (setup.exe, setup.inf and a readme into the chosen folder)
// and three products. Client and Driver are checked by default; Driver may need the
// Windows CD (flag 4). "@ID@" makes keys and folders the test's own, "@INSTALL@" and
// "@REMOVE@" add lines to the main install and remove sections. The medium never has
// missing.txt: copying Missing.Files fails.
const char* const PackageScript =
    "[Version]\r\n"
    "Signature=\"$Chicago$\"\r\n"
    "[DestinationDirs]\r\n"
    "DefaultDestDir=24,NorvaleWizard@ID@\r\n"
    "Program.Files=32768\r\n"
    "Readme.Files=32768\r\n"
    "Client.Files=32768\r\n"
    "Tools.Files=32768\r\n"
    "Driver.Files=32768\r\n"
    "Missing.Files=32768\r\n"
    "[Install]\r\n"
    "CopyFiles=Program.Files\r\n"
    "@INSTALL@"
    "[Remove]\r\n"
    "DelFiles=Readme.Files\r\n"
    "@REMOVE@"
    "[Products]\r\n"
    "Client@ID@=\"Tessaro Client\",Client.Install,Client.Remove,1,3,\"The client program of the QX-40 terminals.\",2.0\r\n"
    "Tools@ID@=\"Tessaro Tools\",Tools.Install,Tools.Remove,0,5,\"Tools for the administrator.\",2.0\r\n"
    "Driver@ID@=\"Tessaro Driver\",Driver.Install,Driver.Remove,5,7,\"The terminal driver.\",3.9\r\n"
    "[Client.Install]\r\n"
    "CopyFiles=Client.Files\r\n"
    "[Client.Remove]\r\n"
    "DelFiles=Client.Files\r\n"
    "[Tools.Install]\r\n"
    "CopyFiles=Tools.Files\r\n"
    "[Tools.Remove]\r\n"
    "DelFiles=Tools.Files\r\n"
    "[Driver.Install]\r\n"
    "CopyFiles=Driver.Files\r\n"
    "[Driver.Remove]\r\n"
    "DelFiles=Driver.Files\r\n"
    "[Program.Files]\r\n"
    "setup.exe\r\n"
    "setup.inf\r\n"
    "readme.txt\r\n"
    "[Readme.Files]\r\n"
    "readme.txt\r\n"
    "[Client.Files]\r\n"
    "client.txt\r\n"
    "[Tools.Files]\r\n"
    "tools.txt\r\n"
    "[Driver.Files]\r\n"
    "driver.txt\r\n"
    "[Missing.Files]\r\n"
    "missing.txt\r\n"
    "[SourceDisksNames]\r\n"
    "1=\"Tessaro medium\",,,\r\n"
    "[SourceDisksFiles]\r\n"
    "setup.exe=1\r\n"
    "setup.inf=1\r\n"
    "readme.txt=1\r\n"
    "client.txt=1\r\n"
    "tools.txt=1\r\n"
    "driver.txt=1\r\n"
    "missing.txt=1\r\n";

// A medium with the package, the payload files and the uninstall entries of its three
// products, which are removed at the end whoever made them.
struct Package {
    explicit Package(const char* name)
        : id(std::string(name) + std::to_string(GetCurrentProcessId())), medium(("e2e-wizard-" + id).c_str()),
          client("Client" + id), tools("Tools" + id), driver("Driver" + id)
    {
        if (!medium.ready) return;
        target = medium.root + "\\InstalledHere";
        ready = WriteScript("") && testsupport::WriteFile(medium.folder + "\\readme.txt", "read me")
                && testsupport::WriteFile(medium.folder + "\\client.txt", "client")
                && testsupport::WriteFile(medium.folder + "\\tools.txt", "tools")
                && testsupport::WriteFile(medium.folder + "\\driver.txt", "driver");
    }

    // (Re)writes setup.inf with lines added to the main install and remove sections.
    bool WriteScript(const std::string& installLines, const std::string& removeLines = "") const
    {
        return medium.WriteScript(ReplaceAll(
            ReplaceAll(ReplaceAll(PackageScript, "@ID@", id), "@INSTALL@", installLines), "@REMOVE@", removeLines));
    }

    std::string id;
    e2e::Medium medium;
    e2e::UninstallEntry client, tools, driver;
    std::string target;     // a folder below the scratch folder, for typing into the target page
    bool ready = false;
};

// The buttons a user can press settle on `expected` within the limit.
void ExpectButtons(HWND sheet, const driver::WizardButtons& expected, const char* file, int line)
{
    ::testing::ScopedTrace trace(file, line, "buttons checked here");
    driver::WizardButtons seen;
    EXPECT_TRUE(driver::WaitForWizardButtons(sheet, expected, e2e::WaitLimitMs, &seen))
        << "expected" << driver::DescribeWizardButtons(expected) << ", seen" << driver::DescribeWizardButtons(seen);
}
#define EXPECT_BUTTONS(sheet, back, next, finish, cancel) \
    ExpectButtons((sheet), Buttons((back), (next), (finish), (cancel)), __FILE__, __LINE__)

// The check, image number and newer-version mark of a row of the check list.
int Checked(HWND list, int row)
{
    return CheckListDataCheck(driver::ListRowData(list, row));
}
int Image(HWND list, int row)
{
    return CheckListDataImage(driver::ListRowData(list, row));
}
int Newer(HWND list, int row)
{
    return CheckListDataNewer(driver::ListRowData(list, row));
}

// Waits until the row's check is `value`.
bool WaitForCheck(HWND list, int row, int value)
{
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < e2e::WaitLimitMs) {
        if (Checked(list, row) == value) return true;
        Sleep(20);
    }
    return false;
}

// The row becomes current, within the limit.
bool WaitForCurrentRow(HWND list, int row)
{
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < e2e::WaitLimitMs) {
        if (driver::ListCurrentRow(list) == row) return true;
        Sleep(20);
    }
    return false;
}

// A static icon control shows an icon.
bool ShowsIcon(HWND control)
{
    DWORD_PTR icon = 0;
    return driver::IsShown(control)
           && SendMessageTimeoutA(control, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, e2e::WaitLimitMs, &icon) && icon != 0;
}

// The wizard stands where the first page put it: centred on the desktop window, at least
// a small icon's size from its top left corner, and inside the work area.
void ExpectCentred(HWND sheet, const char* file, int line)
{
    ::testing::ScopedTrace trace(file, line, "placement checked here");
    RECT own = {}, desktop = {}, work = {};
    ASSERT_TRUE(GetWindowRect(sheet, &own));
    ASSERT_TRUE(GetWindowRect(GetDesktopWindow(), &desktop));
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0));
    const long width = own.right - own.left, height = own.bottom - own.top;
    long x = desktop.left + (desktop.right - desktop.left - width) / 2;
    long y = desktop.top + (desktop.bottom - desktop.top - height) / 2;
    x = std::max<long>(x, desktop.left + GetSystemMetrics(SM_CXSMICON));
    y = std::max<long>(y, desktop.top + GetSystemMetrics(SM_CYSMICON));
    if (x < work.left) x = work.left; else if (x + width > work.right) x = work.right - width;
    if (y < work.top) y = work.top; else if (y + height > work.bottom) y = work.bottom - height;
    EXPECT_EQ(x, own.left);
    EXPECT_EQ(y, own.top);
}
#define EXPECT_CENTRED(sheet) ExpectCentred((sheet), __FILE__, __LINE__)

void ExpectCleanEnd(const driver::ExitResult& exit, const std::vector<driver::MessageBoxInfo>& boxes,
                    const char* file, int line)
{
    ::testing::ScopedTrace trace(file, line, "end checked here");
    EXPECT_TRUE(boxes.empty()) << "boxes:" << e2e::DescribeBoxes(boxes);
    EXPECT_FALSE(exit.killed) << "setup.exe did not end within the limit";
    EXPECT_TRUE(exit.exited);
    EXPECT_EQ(0u, exit.exitCode);
}
#define EXPECT_CLEAN_END(exit, boxes) ExpectCleanEnd((exit), (boxes), __FILE__, __LINE__)

std::string ProgramFilesDir()
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", 0, KEY_READ, &key)
        != ERROR_SUCCESS)
        return std::string();
    char path[MAX_PATH + 1] = "";
    DWORD size = MAX_PATH, type = 0;
    const LONG result =
        RegQueryValueExA(key, "ProgramFilesDir", nullptr, &type, reinterpret_cast<BYTE*>(path), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return std::string();
    if (type == REG_SZ) return path;
    char expanded[MAX_PATH] = "";
    return ExpandEnvironmentStringsA(path, expanded, sizeof expanded) ? expanded : "";
}

// A manual-reset event that the Exec program waits for; set (so that the program ends)
// when the record goes out of scope, also after a failure.
struct ReleaseEvent {
    explicit ReleaseEvent(const std::string& eventName) : name(eventName)
    {
        handle = CreateEventA(nullptr, TRUE, FALSE, name.c_str());
    }
    ~ReleaseEvent()
    {
        if (handle) {
            SetEvent(handle);
            CloseHandle(handle);
        }
    }
    ReleaseEvent(const ReleaseEvent&) = delete;
    ReleaseEvent& operator=(const ReleaseEvent&) = delete;
    std::string name;
    HANDLE handle = nullptr;
};

// How often `part` occurs in `text`.
size_t Count(const std::string& text, const std::string& part)
{
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++count;
    return count;
}

// Waits until the log of the Exec program contains `text`.
bool WaitForLog(const std::string& log, const std::string& text)
{
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < e2e::WaitLimitMs) {
        std::string content;
        if (testsupport::ReadFile(log, &content) && content.find(text) != std::string::npos) return true;
        Sleep(20);
    }
    return false;
}

} // namespace

// The whole installation as a user clicks through it: the welcome page, the component
// list worked with the mouse and the space key, a typed target folder, the ready page,
// the finish page; the files of the one chosen product land in the typed folder and its
// uninstall entry records that folder.
TEST(Wizard, AnInstallationWalksEveryPageIntoTheTypedFolder)
{
    Package package("Walk");
    ASSERT_TRUE(package.ready);
    e2e::Running setup;
    HWND sheet = e2e::OpenWizard(package.medium.exe, "", &setup);
    ASSERT_TRUE(sheet);

    // Welcome: the product title and the welcome text; Next, and no Back on the first page.
    ASSERT_EQ(WelcomePage, driver::CurrentPageIndex(sheet));
    EXPECT_EQ(e2e::ProductTitle, driver::PageControlText(sheet, IDC_TITLE, nullptr));
    EXPECT_EQ(WelcomeText, driver::PageControlText(sheet, IDC_STATUS, nullptr));
    EXPECT_CENTRED(sheet);
    EXPECT_BUTTONS(sheet, false, true, false, true);

    // Next skips the licence page (no licence text), and so does Back on the way back.
    ASSERT_EQ(ComponentsPage, PressAndWaitForPage(sheet, driver::WizardNext));
    ASSERT_EQ(WelcomePage, PressAndWaitForPage(sheet, driver::WizardBack));
    ASSERT_EQ(ComponentsPage, PressAndWaitForPage(sheet, driver::WizardNext));

    // The rows in the script's order, with their images and the default checks.
    HWND list = driver::PageControl(sheet, IDC_COMPONENT_LIST);
    ASSERT_TRUE(list);
    ASSERT_EQ(3, driver::ListRowCount(list));
    EXPECT_EQ("Tessaro Client", driver::ListRowText(list, 0));
    EXPECT_EQ("Tessaro Tools", driver::ListRowText(list, 1));
    EXPECT_EQ("Tessaro Driver", driver::ListRowText(list, 2));
    EXPECT_EQ(1, Checked(list, 0));
    EXPECT_EQ(0, Checked(list, 1));
    EXPECT_EQ(1, Checked(list, 2));
    EXPECT_EQ(3, Image(list, 0));
    EXPECT_EQ(5, Image(list, 1));
    EXPECT_EQ(7, Image(list, 2));
    for (int row = 0; row < 3; ++row) EXPECT_EQ(0, Newer(list, row)) << row;
    EXPECT_BUTTONS(sheet, true, true, false, true);

    // The description follows the current row: first row 0, then the arrow key, then a
    // click on a row's name, which selects it without changing its check.
    HWND description = driver::PageControl(sheet, IDC_TITLE);
    EXPECT_EQ(0, driver::ListCurrentRow(list));
    EXPECT_TRUE(driver::WaitForText(description, "The client program of the QX-40 terminals.", e2e::WaitLimitMs))
        << driver::WindowText(description);
    ASSERT_TRUE(driver::PressKey(list, VK_DOWN));
    EXPECT_TRUE(WaitForCurrentRow(list, 1));
    EXPECT_TRUE(driver::WaitForText(description, "Tools for the administrator.", e2e::WaitLimitMs))
        << driver::WindowText(description);
    ASSERT_TRUE(driver::ClickListRow(list, 2, TextX));
    EXPECT_TRUE(WaitForCurrentRow(list, 2));
    EXPECT_TRUE(driver::WaitForText(description, "The terminal driver.", e2e::WaitLimitMs))
        << driver::WindowText(description);
    ASSERT_TRUE(driver::WaitForListIdle(list, e2e::WaitLimitMs));
    EXPECT_EQ(1, Checked(list, 2)) << "a click on the name must not toggle";

    // Space unchecks the current row, a click into the square unchecks row 0: nothing is
    // checked and Next is gone; a click into row 1's square brings it back.
    ASSERT_TRUE(driver::PressKey(list, VK_SPACE));
    EXPECT_TRUE(WaitForCheck(list, 2, 0));
    EXPECT_BUTTONS(sheet, true, true, false, true);
    ASSERT_TRUE(driver::ClickListRow(list, 0, CheckBoxX));
    EXPECT_TRUE(WaitForCheck(list, 0, 0));
    EXPECT_TRUE(WaitForCurrentRow(list, 0));
    EXPECT_BUTTONS(sheet, true, false, false, true);
    ASSERT_TRUE(driver::ClickListRow(list, 1, CheckBoxX));
    EXPECT_TRUE(WaitForCheck(list, 1, 1));
    EXPECT_BUTTONS(sheet, true, true, false, true);

    // Target: the box takes at most 259 characters, a relative folder offers no Next,
    // and the folder typed into the edit box is taken.
    ASSERT_EQ(TargetPage, PressAndWaitForPage(sheet, driver::WizardNext));
    HWND edit = driver::PageControl(sheet, IDC_TARGET_EDIT);
    EXPECT_EQ(MAX_PATH - 1, SendMessageA(edit, EM_GETLIMITTEXT, 0, 0));
    ASSERT_TRUE(driver::SetControlText(edit, "relative\\folder"));
    EXPECT_BUTTONS(sheet, true, false, false, true);
    ASSERT_TRUE(driver::SetControlText(edit, package.target));
    EXPECT_EQ(package.target, driver::WindowText(edit));
    EXPECT_BUTTONS(sheet, true, true, false, true);

    // Ready: no product that needs the Windows CD is chosen, so no hint.
    ASSERT_EQ(ReadyPage, PressAndWaitForPage(sheet, driver::WizardNext));
    EXPECT_BUTTONS(sheet, true, true, false, true);
    EXPECT_FALSE(driver::IsShown(driver::PageControl(sheet, IDC_TITLE)));
    EXPECT_FALSE(driver::IsShown(driver::PageControl(sheet, IDC_NOTE_ICON)));
    EXPECT_FALSE(driver::IsShown(driver::PageControl(sheet, IDC_PROGRESS)));

    // Next installs; the finish page follows by itself, without the restart note, and
    // offers only Finish.
    ASSERT_TRUE(driver::PressWizardButton(sheet, driver::WizardNext));
    ASSERT_TRUE(driver::WaitForPageIndex(sheet, InstallFinishPage, e2e::WaitLimitMs))
        << "now on page " << driver::CurrentPageIndex(sheet);
    EXPECT_EQ("Setup complete", driver::PageControlText(sheet, IDC_TITLE, nullptr));
    EXPECT_BUTTONS(sheet, false, false, true, false);
    EXPECT_FALSE(driver::IsShown(driver::PageControl(sheet, IDC_STATUS)));
    EXPECT_FALSE(driver::IsShown(driver::PageControl(sheet, IDC_NOTE_ICON)));

    ASSERT_TRUE(driver::PressWizardButton(sheet, driver::WizardFinish));
    std::vector<driver::MessageBoxInfo> boxes;
    EXPECT_CLEAN_END(e2e::EndWizardRun(&setup, &boxes), boxes);

    // The main part and the one chosen product, in the typed folder; nothing else.
    std::string content;
    EXPECT_TRUE(testsupport::ReadFile(package.target + "\\tools.txt", &content));
    EXPECT_EQ("tools", content);
    EXPECT_TRUE(testsupport::FileExists(package.target + "\\readme.txt"));
    EXPECT_TRUE(testsupport::FileExists(package.target + "\\setup.exe"));
    EXPECT_FALSE(testsupport::FileExists(package.target + "\\client.txt"));
    EXPECT_FALSE(testsupport::FileExists(package.target + "\\driver.txt"));

    // Only the chosen product is registered, with the typed folder.
    EXPECT_EQ("Tessaro Tools", package.tools.Read("DisplayName"));
    EXPECT_EQ(package.target + "\\setup.exe /remove:" + package.tools.key, package.tools.Read("UninstallString"));
    EXPECT_EQ("2.0", package.tools.Read("ProductVersion"));
    EXPECT_EQ(package.target, package.tools.Read("UserTargetDir"));
    EXPECT_FALSE(package.client.Exists());
    EXPECT_FALSE(package.driver.Exists());
}

// An earlier installation of a newer Driver (3.10 against the offered 3.9): its row
// starts unchecked although its flags check it, checking it asks first (No keeps it
// unchecked, Yes checks it), unchecking never asks; and the target page proposes the
// folder that the earlier installation recorded.
TEST(Wizard, AnEarlierInstallationIsRespected)
{
    Package package("Earlier");
    ASSERT_TRUE(package.ready);
    const std::string recorded = package.medium.root + "\\Earlier Folder";
    ASSERT_TRUE(package.driver.Write("DisplayName", "Tessaro Driver"));
    ASSERT_TRUE(package.driver.Write("ProductVersion", "3.10"));
    ASSERT_TRUE(package.driver.Write("UserTargetDir", recorded));

    e2e::Running setup;
    HWND sheet = e2e::OpenWizard(package.medium.exe, "", &setup);
    ASSERT_TRUE(sheet);
    ASSERT_EQ(ComponentsPage, PressAndWaitForPage(sheet, driver::WizardNext));
    HWND list = driver::PageControl(sheet, IDC_COMPONENT_LIST);
    ASSERT_TRUE(list);
    ASSERT_EQ(3, driver::ListRowCount(list));
    EXPECT_EQ(1, Checked(list, 0));
    EXPECT_EQ(0, Checked(list, 2)) << "a newer installed version is never checked by default";
    EXPECT_NE(0, Newer(list, 2));
    EXPECT_EQ(0, Newer(list, 0));

    // Checking the row: the warning, with No as the default button. No keeps it unchecked.
    ASSERT_TRUE(driver::ClickListRow(list, 2, CheckBoxX));
    driver::MessageBoxInfo box;
    ASSERT_TRUE(driver::WaitForMessageBox(setup.process, e2e::WaitLimitMs, &box));
    EXPECT_EQ("Warning", box.caption);
    EXPECT_EQ("A more recent version of Tessaro Driver is currently installed on your system.\r\r"
              "Do you really want to replace the existing version?",
              box.text);
    ASSERT_EQ(2u, box.buttons.size()) << e2e::DescribeButtons(box);
    EXPECT_EQ(IDYES, box.buttons[0].id);
    EXPECT_EQ(IDNO, box.buttons[1].id);
    HWND no = GetDlgItem(box.window, IDNO);
    EXPECT_EQ(static_cast<LONG>(BS_DEFPUSHBUTTON), GetWindowLongA(no, GWL_STYLE) & BS_TYPEMASK)
        << "No is the default button";
    EXPECT_EQ(sheet, box.owner) << "the box belongs to the wizard";
    ASSERT_TRUE(driver::AnswerMessageBox(box.window, IDNO));
    ASSERT_TRUE(driver::WaitForWindowGone(box.window, e2e::WaitLimitMs));
    ASSERT_TRUE(driver::WaitForListIdle(list, e2e::WaitLimitMs));
    EXPECT_EQ(0, Checked(list, 2));
    EXPECT_EQ(2, driver::ListCurrentRow(list));

    // The space key asks the same; Yes checks the row.
    ASSERT_TRUE(driver::PressKey(list, VK_SPACE));
    ASSERT_TRUE(driver::WaitForMessageBox(setup.process, e2e::WaitLimitMs, &box));
    EXPECT_EQ("Warning", box.caption);
    ASSERT_TRUE(driver::AnswerMessageBox(box.window, IDYES));
    EXPECT_TRUE(WaitForCheck(list, 2, 1));

    // Unchecking never asks: the row is unchecked without a box (a box would hold the
    // change until answered).
    ASSERT_TRUE(driver::ClickListRow(list, 2, CheckBoxX));
    EXPECT_TRUE(WaitForCheck(list, 2, 0));
    EXPECT_EQ(nullptr, driver::FindMessageBox(setup.process.id));

    // The target page proposes the recorded folder, not the script's default.
    ASSERT_EQ(TargetPage, PressAndWaitForPage(sheet, driver::WizardNext));
    EXPECT_EQ(recorded, driver::PageControlText(sheet, IDC_TARGET_EDIT, nullptr));
    EXPECT_BUTTONS(sheet, true, true, false, true);

    // Cancel ends the program; nothing was installed or registered.
    ASSERT_TRUE(driver::PressWizardButton(sheet, driver::WizardCancel));
    std::vector<driver::MessageBoxInfo> boxes;
    EXPECT_CLEAN_END(e2e::EndWizardRun(&setup, &boxes), boxes);
    EXPECT_FALSE(testsupport::FileExists(recorded));
    EXPECT_FALSE(package.client.Exists());
    EXPECT_EQ("3.10", package.driver.Read("ProductVersion"));
}

// Without an earlier installation the target page proposes the script's folder (id 24
// stands for the program files folder). The ready page warns about the Windows CD
// while Driver is chosen; Back to the component page, Driver unchecked, and the hint is
// gone.
TEST(Wizard, TheScriptsFolderIsProposedAndTheWindowsCdHintFollowsTheChoice)
{
    Package package("Default");
    ASSERT_TRUE(package.ready);
    const std::string programFiles = ProgramFilesDir();
    ASSERT_FALSE(programFiles.empty());
    const std::string proposal = programFiles + "\\NorvaleWizard" + package.id;

    e2e::Running setup;
    HWND sheet = e2e::OpenWizard(package.medium.exe, "", &setup);
    ASSERT_TRUE(sheet);
    ASSERT_EQ(ComponentsPage, PressAndWaitForPage(sheet, driver::WizardNext));
    ASSERT_EQ(TargetPage, PressAndWaitForPage(sheet, driver::WizardNext));
    EXPECT_EQ(proposal, driver::PageControlText(sheet, IDC_TARGET_EDIT, nullptr));
    EXPECT_BUTTONS(sheet, true, true, false, true);

    // Client and Driver are chosen by default; Driver may need the Windows CD.
    ASSERT_EQ(ReadyPage, PressAndWaitForPage(sheet, driver::WizardNext));
    HWND hint = driver::PageControl(sheet, IDC_TITLE);
    EXPECT_TRUE(driver::WaitForShown(hint, true, e2e::WaitLimitMs));
    EXPECT_EQ("Please keep your Microsoft Windows CD-ROM handy. Files from this CD may be required during the "
              "installation.",
              driver::WindowText(hint));
    EXPECT_TRUE(ShowsIcon(driver::PageControl(sheet, IDC_NOTE_ICON)));
    EXPECT_BUTTONS(sheet, true, true, false, true);

    // Back twice; the component page counts its checks again and offers Next.
    ASSERT_EQ(TargetPage, PressAndWaitForPage(sheet, driver::WizardBack));
    ASSERT_EQ(ComponentsPage, PressAndWaitForPage(sheet, driver::WizardBack));
    EXPECT_BUTTONS(sheet, true, true, false, true);
    HWND list = driver::PageControl(sheet, IDC_COMPONENT_LIST);
    ASSERT_TRUE(list);
    ASSERT_TRUE(driver::ClickListRow(list, 2, CheckBoxX));
    EXPECT_TRUE(WaitForCheck(list, 2, 0));
    EXPECT_EQ(1, Checked(list, 0));

    ASSERT_EQ(TargetPage, PressAndWaitForPage(sheet, driver::WizardNext));
    ASSERT_EQ(ReadyPage, PressAndWaitForPage(sheet, driver::WizardNext));
    EXPECT_TRUE(driver::WaitForShown(driver::PageControl(sheet, IDC_TITLE), false, e2e::WaitLimitMs));
    EXPECT_FALSE(driver::IsShown(driver::PageControl(sheet, IDC_NOTE_ICON)));
    EXPECT_BUTTONS(sheet, true, true, false, true);

    ASSERT_TRUE(driver::PressWizardButton(sheet, driver::WizardCancel));
    std::vector<driver::MessageBoxInfo> boxes;
    EXPECT_CLEAN_END(e2e::EndWizardRun(&setup, &boxes), boxes);
    EXPECT_FALSE(testsupport::FileExists(proposal)) << "cancelled before anything was installed";
}

// A run that takes its time (Exec programs wait for the test's events): while it works
// no wizard button can be pressed and Cancel is refused, however it is pressed; after
// the last phase the status line is empty, the bar hidden and at the count of files;
// when the run ends the finish page shows the restart note that the script's
// "Reboot=1" asks for, and Finish hands the restart to the system's prompt.
TEST(Wizard, CancelIsRefusedWhileTheWorkRunsAndTheRestartNoteFollows)
{
    Package package("Busy");
    ASSERT_TRUE(package.ready);
    ReleaseEvent release("NorvaleWizardFirst" + package.id);
    ReleaseEvent releaseLast("NorvaleWizardLast" + package.id);
    ASSERT_TRUE(release.handle);
    ASSERT_TRUE(releaseLast.handle);
    // One Exec program at level 1 (before any change) and one at level 2 (after the
    // last phase); the log in the scratch folder, whose path has no blanks.
    const std::string exec = testsupport::TestFolder() + "\\exec_fixture.exe";
    const std::string log = package.medium.root + "\\exec.log";
    ASSERT_TRUE(package.WriteScript("Exec=Wait.Programs\r\nReboot=1\r\n[Wait.Programs]\r\n"
                                    "1=1,\"" + exec + "\",\"" + log + " -wait:" + release.name + "\"\r\n"
                                    "2=2,\"" + exec + "\",\"" + log + " -wait:" + releaseLast.name + "\"\r\n"));

    e2e::Running setup;
    HWND sheet = e2e::OpenWizard(package.medium.exe, "", &setup);
    ASSERT_TRUE(sheet);
    ASSERT_EQ(ComponentsPage, PressAndWaitForPage(sheet, driver::WizardNext));
    ASSERT_EQ(TargetPage, PressAndWaitForPage(sheet, driver::WizardNext));
    ASSERT_TRUE(driver::SetControlText(driver::PageControl(sheet, IDC_TARGET_EDIT), package.target));
    ASSERT_EQ(ReadyPage, PressAndWaitForPage(sheet, driver::WizardNext));
    HWND readyPage = driver::CurrentPage(sheet);
    EXPECT_BUTTONS(sheet, true, true, false, true);

    // Next starts the work; the first Exec program holds it. No button can be pressed,
    // the progress bar is shown.
    ASSERT_TRUE(driver::PressWizardButton(sheet, driver::WizardNext));
    ASSERT_TRUE(WaitForLog(log, "-wait:" + release.name)) << "the first Exec program did not start";
    EXPECT_BUTTONS(sheet, false, false, false, false);
    HWND bar = driver::PageControl(sheet, IDC_PROGRESS);
    EXPECT_TRUE(driver::WaitForShown(bar, true, e2e::WaitLimitMs));

    // Cancel as the sheet's button, as the command that the Escape key gives and as the
    // caption's close box: each is handled (sent, so it is done when the call returns)
    // and refused.
    ASSERT_TRUE(driver::SendAndWait(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0));
    ASSERT_TRUE(driver::SendAndWait(sheet, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0));
    ASSERT_TRUE(driver::SendAndWait(sheet, WM_SYSCOMMAND, SC_CLOSE, 0));
    EXPECT_TRUE(driver::IsShown(sheet));
    EXPECT_EQ(readyPage, driver::CurrentPage(sheet));
    EXPECT_FALSE(driver::HasExited(setup.process));

    // The files are copied and every phase passes; the second program holds the work
    // after the last phase, which emptied the status line and hid the bar. The bar
    // counted the five files (the main part's three, Client's and Driver's) of the five
    // announced.
    ASSERT_TRUE(SetEvent(release.handle));
    ASSERT_TRUE(WaitForLog(log, "-wait:" + releaseLast.name)) << "the second Exec program did not start";
    EXPECT_TRUE(driver::WaitForShown(bar, false, e2e::WaitLimitMs));
    EXPECT_EQ("", driver::PageControlText(sheet, IDC_STATUS, nullptr));
    DWORD_PTR position = 0, high = 0;
    ASSERT_TRUE(SendMessageTimeoutA(bar, PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, e2e::WaitLimitMs, &position));
    ASSERT_TRUE(SendMessageTimeoutA(bar, PBM_GETRANGE, FALSE, 0, SMTO_ABORTIFHUNG, e2e::WaitLimitMs, &high));
    EXPECT_EQ(5u, position);
    EXPECT_EQ(5u, high);
    EXPECT_BUTTONS(sheet, false, false, false, false);
    EXPECT_EQ(readyPage, driver::CurrentPage(sheet));
    ASSERT_TRUE(SetEvent(releaseLast.handle));

    // The work ends; the sheet, still there, goes on to the finish page with the note.
    ASSERT_TRUE(driver::WaitForPageIndex(sheet, InstallFinishPage, e2e::WaitLimitMs))
        << "now on page " << driver::CurrentPageIndex(sheet) << ", program ended: " << driver::HasExited(setup.process);
    std::string content;
    ASSERT_TRUE(testsupport::ReadFile(log, &content));
    EXPECT_EQ(2u, Count(content, "\tsignaled")) << "an Exec program ended without the test's event:\n" << content;
    EXPECT_BUTTONS(sheet, false, false, true, false);
    HWND note = driver::PageControl(sheet, IDC_STATUS);
    EXPECT_TRUE(driver::IsShown(note));
    EXPECT_EQ("A number of the updated files are currently in use. The system must therefore be restarted before "
              "the newly installed software can be used.",
              driver::WindowText(note));
    EXPECT_TRUE(ShowsIcon(driver::PageControl(sheet, IDC_NOTE_ICON)));
    EXPECT_TRUE(testsupport::FileExists(package.target + "\\client.txt"));

    // Finish: the restart is left to the system's prompt (on Wine, whose Setup API never
    // asks, the shell's), answered No here: one Yes/No box of the main window.
    ASSERT_TRUE(driver::PressWizardButton(sheet, driver::WizardFinish));
    std::vector<driver::MessageBoxInfo> boxes;
    const driver::ExitResult exit = e2e::EndWizardRun(&setup, &boxes);
    EXPECT_FALSE(exit.killed) << "setup.exe did not end within the limit";
    EXPECT_TRUE(exit.exited);
    EXPECT_EQ(0u, exit.exitCode);
    ASSERT_EQ(1u, boxes.size()) << "boxes:" << e2e::DescribeBoxes(boxes);
    ASSERT_EQ(2u, boxes[0].buttons.size()) << e2e::DescribeButtons(boxes[0]);
    EXPECT_EQ(IDYES, boxes[0].buttons[0].id);
    EXPECT_EQ(IDNO, boxes[0].buttons[1].id);
    EXPECT_EQ("SETUP", boxes[0].ownerClass) << "the prompt belongs to the program's main window";
}

// A run that fails (a file of the medium is missing): the error box names the failure
// with the system's text; then the page is ready again: Back, Next and Cancel work, and
// Cancel ends the program with 0.
TEST(Wizard, AFailedRunIsReportedAndTheWizardGoesOn)
{
    Package package("Failing");
    ASSERT_TRUE(package.ready);
    ASSERT_TRUE(DeleteFileA((package.medium.folder + "\\client.txt").c_str()));

    e2e::Running setup;
    HWND sheet = e2e::OpenWizard(package.medium.exe, "", &setup);
    ASSERT_TRUE(sheet);
    ASSERT_EQ(ComponentsPage, PressAndWaitForPage(sheet, driver::WizardNext));
    ASSERT_EQ(TargetPage, PressAndWaitForPage(sheet, driver::WizardNext));
    ASSERT_TRUE(driver::SetControlText(driver::PageControl(sheet, IDC_TARGET_EDIT), package.target));
    ASSERT_EQ(ReadyPage, PressAndWaitForPage(sheet, driver::WizardNext));
    ASSERT_TRUE(driver::PressWizardButton(sheet, driver::WizardNext));

    driver::MessageBoxInfo box;
    ASSERT_TRUE(driver::WaitForMessageBox(setup.process, e2e::WaitLimitMs, &box));
    const std::string system =
        testsupport::SystemErrorText(ERROR_FILE_NOT_FOUND, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    ASSERT_FALSE(system.empty());
    EXPECT_EQ("The installation did not complete successfully.\r\n\r\n" + system, box.text);
    EXPECT_EQ(e2e::SystemErrorCaption, box.caption);
    ASSERT_EQ(1u, box.buttons.size()) << e2e::DescribeButtons(box);
    EXPECT_EQ(IDOK, box.buttons[0].id);
    EXPECT_EQ(sheet, box.owner);
    ASSERT_TRUE(driver::AnswerMessageBox(box.window, IDOK));
    ASSERT_TRUE(driver::WaitForWindowGone(box.window, e2e::WaitLimitMs));

    // Ready again: the status line empty, the bar hidden, Back, Next and Cancel usable.
    EXPECT_BUTTONS(sheet, true, true, false, true);
    EXPECT_EQ(ReadyPage, driver::CurrentPageIndex(sheet));
    EXPECT_EQ("", driver::PageControlText(sheet, IDC_STATUS, nullptr));
    EXPECT_TRUE(driver::WaitForShown(driver::PageControl(sheet, IDC_PROGRESS), false, e2e::WaitLimitMs));

    ASSERT_EQ(TargetPage, PressAndWaitForPage(sheet, driver::WizardBack));
    EXPECT_EQ(package.target, driver::PageControlText(sheet, IDC_TARGET_EDIT, nullptr)) << "the typed folder is kept";
    ASSERT_EQ(ReadyPage, PressAndWaitForPage(sheet, driver::WizardNext));
    EXPECT_BUTTONS(sheet, true, true, false, true);
    ASSERT_TRUE(driver::PressWizardButton(sheet, driver::WizardCancel));
    std::vector<driver::MessageBoxInfo> boxes;
    EXPECT_CLEAN_END(e2e::EndWizardRun(&setup, &boxes), boxes);
}

// /remove:KEY of an installed product: the wizard opens on the remove page with the
// product's name and image and no way back; Next removes it, the finish page offers only
// Finish; the product's files and the main files go, its uninstall entry too.
TEST(Wizard, TheRemoveActionStartsOnTheRemovePage)
{
    Package package("Remove");
    ASSERT_TRUE(package.ready);
    ASSERT_TRUE(CreateDirectoryA(package.target.c_str(), nullptr));
    for (const char* name : {"client.txt", "readme.txt", "keep.txt"})
        ASSERT_TRUE(testsupport::WriteFile(package.target + "\\" + name, name));
    ASSERT_TRUE(package.client.Write("DisplayName", "Tessaro Client"));
    ASSERT_TRUE(package.client.Write("UninstallString", package.medium.exe + " /remove:" + package.client.key));
    ASSERT_TRUE(package.client.Write("UserTargetDir", package.target));

    e2e::Running setup;
    HWND sheet = e2e::OpenWizard(package.medium.exe, "/remove:" + package.client.key, &setup);
    ASSERT_TRUE(sheet);
    ASSERT_EQ(RemovePage, driver::CurrentPageIndex(sheet));
    EXPECT_EQ(e2e::ProductTitle, driver::PageControlText(sheet, IDC_TITLE, nullptr));
    EXPECT_EQ("Tessaro Client", driver::PageControlText(sheet, IDC_STATUS, nullptr));
    EXPECT_CENTRED(sheet);
    EXPECT_TRUE(ShowsIcon(driver::PageControl(sheet, IDC_NOTE_ICON))) << "the product's image 3";
    EXPECT_BUTTONS(sheet, false, true, false, true);

    ASSERT_TRUE(driver::PressWizardButton(sheet, driver::WizardNext));
    ASSERT_TRUE(driver::WaitForPageIndex(sheet, RemoveFinishPage, e2e::WaitLimitMs))
        << "now on page " << driver::CurrentPageIndex(sheet);
    EXPECT_EQ("Uninstall complete", driver::PageControlText(sheet, IDC_TITLE, nullptr));
    EXPECT_BUTTONS(sheet, false, false, true, false);
    EXPECT_FALSE(driver::IsShown(driver::PageControl(sheet, IDC_STATUS)));
    EXPECT_FALSE(driver::IsShown(driver::PageControl(sheet, IDC_NOTE_ICON)));

    ASSERT_TRUE(driver::PressWizardButton(sheet, driver::WizardFinish));
    std::vector<driver::MessageBoxInfo> boxes;
    EXPECT_CLEAN_END(e2e::EndWizardRun(&setup, &boxes), boxes);

    EXPECT_FALSE(testsupport::FileExists(package.target + "\\client.txt"));
    EXPECT_FALSE(testsupport::FileExists(package.target + "\\readme.txt")) << "no other product stays: main part too";
    EXPECT_TRUE(testsupport::FileExists(package.target + "\\keep.txt"));
    EXPECT_FALSE(package.client.Exists());
}

// The pages and the warning speak the language chosen with /lang: (German and French
// here; English is everywhere above), in the classic style, whose header texts the
// program writes into the pages itself.
TEST(Wizard, ThePagesSpeakTheChosenLanguage)
{
    struct Language {
        const char* option;
        const char* welcome;
        const char* instruction;
        const char* headerTitle;
        const char* headerSubtitle;
        const char* warningCaption;
        const char* warning;
    };
    const Language languages[] = {
        {"/lang:ger", "Norvale Tessaro QX-40 Client Manager.\r\rKlicken Sie auf 'Weiter', um die Installation zu beginnen.",
         "Bitte markieren Sie die einzelnen Software-Komponenten, die installiert werden sollen. Entfernen Sie die "
         "Markierung um eine Komponente von der Installation auszuschlie\xdf" "en.",
         "Software-Komponenten", "W\xe4hlen Sie die Software-Komponenten aus, die von Setup installiert werden sollen.",
         "Warnung",
         "Auf Ihrem System ist bereits eine neuere Version von Tessaro Driver vorhanden.\r\rSoll die vorhandene "
         "Version wirklich \xfc" "berschrieben werden?"},
        {"/lang:fre", "Norvale Tessaro QX-40 Client Manager.\r\rPour commencer l'installation, cliquez sur Suivant.",
         "S\xe9lectionnez les composants \xe0 installer. Pour exclure un composant de l'installation, supprimez la "
         "s\xe9lection correspondante.",
         "Composants logiciels", "S\xe9lectionnez les composants \xe0 installer.", "Avertissement",
         "Une nouvelle version de Tessaro Driver est d\xe9j\xe0 install\xe9" "e sur votre syst\xe8me.\r\rSouhaitez vous "
         "quand m\xeame remplacer le version pr\xe9sente ?"},
    };
    Package package("Language");
    ASSERT_TRUE(package.ready);
    ASSERT_TRUE(package.driver.Write("ProductVersion", "4.0"));

    for (const Language& language : languages) {
        SCOPED_TRACE(language.option);
        e2e::Running setup;
        ASSERT_TRUE(e2e::StartSetup(package.medium.exe, std::string("/style:0 ") + language.option, &setup));
        HWND sheet = driver::WaitForPropertySheet(setup.process, e2e::WaitLimitMs);
        ASSERT_TRUE(sheet);
        EXPECT_EQ(e2e::ProductTitle, driver::WindowText(sheet));
        EXPECT_EQ(language.welcome, driver::PageControlText(sheet, IDC_STATUS, nullptr));

        ASSERT_EQ(ComponentsPage, PressAndWaitForPage(sheet, driver::WizardNext));
        EXPECT_EQ(language.instruction, driver::PageControlText(sheet, 65534, nullptr));
        EXPECT_EQ(language.headerTitle, driver::PageControlText(sheet, 0xFFF0, nullptr));
        EXPECT_EQ(language.headerSubtitle, driver::PageControlText(sheet, 0xFFF1, nullptr));

        HWND list = driver::PageControl(sheet, IDC_COMPONENT_LIST);
        ASSERT_TRUE(list);
        ASSERT_TRUE(driver::ClickListRow(list, 2, CheckBoxX));
        driver::MessageBoxInfo box;
        ASSERT_TRUE(driver::WaitForMessageBox(setup.process, e2e::WaitLimitMs, &box));
        EXPECT_EQ(language.warningCaption, box.caption);
        EXPECT_EQ(language.warning, box.text);
        ASSERT_TRUE(driver::AnswerMessageBox(box.window, IDNO));
        ASSERT_TRUE(driver::WaitForWindowGone(box.window, e2e::WaitLimitMs));

        ASSERT_TRUE(driver::PressWizardButton(sheet, driver::WizardCancel));
        std::vector<driver::MessageBoxInfo> boxes;
        EXPECT_CLEAN_END(e2e::EndWizardRun(&setup, &boxes), boxes);
    }
}

// Browse opens the shell's folder picker titled with the program's request; Cancel
// keeps the text, a chosen folder (here the picker's root, the desktop) comes back with
// the script's default sub-folder appended.
TEST(Wizard, BrowsePicksAFolderAndAppendsTheScriptsSubfolder)
{
    Package package("Browse");
    ASSERT_TRUE(package.ready);
    char desktop[MAX_PATH] = "";
    ASSERT_EQ(S_OK, SHGetFolderPathA(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, SHGFP_TYPE_CURRENT, desktop));

    e2e::Running setup;
    HWND sheet = e2e::OpenWizard(package.medium.exe, "", &setup);
    ASSERT_TRUE(sheet);
    ASSERT_EQ(ComponentsPage, PressAndWaitForPage(sheet, driver::WizardNext));
    ASSERT_EQ(TargetPage, PressAndWaitForPage(sheet, driver::WizardNext));
    HWND edit = driver::PageControl(sheet, IDC_TARGET_EDIT);
    ASSERT_TRUE(driver::SetControlText(edit, package.target));
    HWND browse = driver::PageControl(sheet, 1209);
    ASSERT_TRUE(browse);

    // The picker, owned by the wizard, asks with the program's text; Cancel changes nothing.
    ASSERT_TRUE(PostMessageA(browse, BM_CLICK, 0, 0));
    driver::MessageBoxInfo picker;
    ASSERT_TRUE(driver::WaitForMessageBox(setup.process, e2e::WaitLimitMs, &picker));
    EXPECT_EQ(sheet, picker.owner);
    EXPECT_EQ("Please select a target folder for installation:", picker.text);
    ASSERT_TRUE(driver::AnswerMessageBox(picker.window, IDCANCEL));
    ASSERT_TRUE(driver::WaitForWindowGone(picker.window, e2e::WaitLimitMs));
    ASSERT_TRUE(driver::SendAndWait(edit, WM_NULL, 0, 0));
    EXPECT_EQ(package.target, driver::WindowText(edit));

    // The root of the picker's tree is the desktop; OK takes it with the sub-folder.
    ASSERT_TRUE(PostMessageA(browse, BM_CLICK, 0, 0));
    ASSERT_TRUE(driver::WaitForMessageBox(setup.process, e2e::WaitLimitMs, &picker));
    HWND tree = nullptr;
    for (const driver::ControlInfo& control : driver::ListControls(picker.window)) {
        if (control.className == "SysTreeView32") tree = control.window;
    }
    ASSERT_TRUE(tree);
    DWORD_PTR root = 0, selected = 0;
    ASSERT_TRUE(SendMessageTimeoutA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0, SMTO_ABORTIFHUNG, e2e::WaitLimitMs, &root));
    ASSERT_NE(0u, root);
    ASSERT_TRUE(SendMessageTimeoutA(tree, TVM_SELECTITEM, TVGN_CARET, static_cast<LPARAM>(root), SMTO_ABORTIFHUNG,
                                    e2e::WaitLimitMs, &selected));
    ASSERT_TRUE(driver::AnswerMessageBox(picker.window, IDOK));
    const std::string expected = std::string(desktop) + "\\NorvaleWizard" + package.id;
    EXPECT_TRUE(driver::WaitForText(edit, expected, e2e::WaitLimitMs)) << driver::WindowText(edit);
    EXPECT_BUTTONS(sheet, true, true, false, true);

    ASSERT_TRUE(driver::PressWizardButton(sheet, driver::WizardCancel));
    std::vector<driver::MessageBoxInfo> boxes;
    EXPECT_CLEAN_END(e2e::EndWizardRun(&setup, &boxes), boxes);
    EXPECT_FALSE(testsupport::FileExists(expected)) << "choosing a folder creates nothing";
}

// A removal that fails (the main remove section copies a file that the medium lacks):
// the error box names the failure with the system's text; the remove page is ready
// again with Next and Cancel but no Back, its status line empty; the product's uninstall
// entry is gone all the same, and Cancel ends the program with 0.
TEST(Wizard, AFailedRemovalIsReportedAndCanBeCancelled)
{
    Package package("FailingRemoval");
    ASSERT_TRUE(package.ready);
    ASSERT_TRUE(package.WriteScript("", "CopyFiles=Missing.Files\r\n"));
    ASSERT_TRUE(CreateDirectoryA(package.target.c_str(), nullptr));
    ASSERT_TRUE(testsupport::WriteFile(package.target + "\\client.txt", "client"));
    ASSERT_TRUE(package.client.Write("DisplayName", "Tessaro Client"));
    ASSERT_TRUE(package.client.Write("UserTargetDir", package.target));

    e2e::Running setup;
    HWND sheet = e2e::OpenWizard(package.medium.exe, "/remove:" + package.client.key, &setup);
    ASSERT_TRUE(sheet);
    ASSERT_EQ(RemovePage, driver::CurrentPageIndex(sheet));
    HWND removePage = driver::CurrentPage(sheet);
    ASSERT_TRUE(driver::PressWizardButton(sheet, driver::WizardNext));

    driver::MessageBoxInfo box;
    ASSERT_TRUE(driver::WaitForMessageBox(setup.process, e2e::WaitLimitMs, &box));
    const std::string system =
        testsupport::SystemErrorText(ERROR_FILE_NOT_FOUND, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    ASSERT_FALSE(system.empty());
    EXPECT_EQ("The deinstallation did not complete successfully.\r\n\r\n" + system, box.text);
    EXPECT_EQ(e2e::SystemErrorCaption, box.caption);
    ASSERT_EQ(1u, box.buttons.size()) << e2e::DescribeButtons(box);
    EXPECT_EQ(sheet, box.owner);
    EXPECT_TRUE(package.client.Exists()) << "a failed removal keeps the entry";
    ASSERT_TRUE(driver::AnswerMessageBox(box.window, IDOK));
    ASSERT_TRUE(driver::WaitForWindowGone(box.window, e2e::WaitLimitMs));

    EXPECT_BUTTONS(sheet, false, true, false, true);
    EXPECT_EQ(removePage, driver::CurrentPage(sheet));
    EXPECT_EQ("", driver::PageControlText(sheet, 1204, nullptr));
    EXPECT_EQ("Tessaro Client", driver::PageControlText(sheet, IDC_STATUS, nullptr));

    ASSERT_TRUE(driver::PressWizardButton(sheet, driver::WizardCancel));
    std::vector<driver::MessageBoxInfo> boxes;
    EXPECT_CLEAN_END(e2e::EndWizardRun(&setup, &boxes), boxes);
}
