// Unattended runs of setup.exe from outside: a medium with a setup.inf of three products
// (two checked by default, one not), their payload, and a main install section that
// copies setup.exe and setup.inf into the target folder and names the package's main
// uninstall entry. Each run must end by itself with exit code 0 and show no box; the
// test then looks at the target folder, the package's registry values and the Windows
// uninstall entries. A removal is started the way Windows starts it, with the entry's
// UninstallString (and /quiet appended). A run whose file copy fails shows the error box
// and then waits for the user, who cancels the wizard.
//
// The target folder is DefaultDestDir "24,\NorvaleE2E<tag><process>", which the program
// turns into the machine's program files folder and that sub-folder: these tests read
// ProgramFilesDir and hold its lock. Keys and folders are named after the test and its
// process and are removed at the end, also when a check fails.

#include "e2e_support.h"
#include "testsupport.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// The script; the names in braces are replaced per test (see Package).
const char* const ScriptTemplate =
    "; Norvale Tessaro QX-40 Client Manager, end-to-end medium\r\n"
    "[Version]\r\n"
    "Signature=\"$Chicago$\"\r\n"
    "\r\n"
    "[DestinationDirs]\r\n"
    "DefaultDestDir = 24,\\NorvaleE2E{ID}\r\n"
    "Setup.Files    = 32768\r\n"
    "Common.Files   = 32768\r\n"
    "Client.Files   = 32768,Client\r\n"
    "Viewer.Files   = 32768,Viewer\r\n"
    "Tools.Files    = 32768,Tools\r\n"
    "\r\n"
    "[Install]\r\n"
    "CopyFiles = Setup.Files,Common.Files\r\n"
    "AddReg    = Main.AddReg\r\n"
    "Uninstall = {MAIN},\"Norvale Tessaro QX-40 Client Manager {ID}\"\r\n"
    "\r\n"
    "[Remove]\r\n"
    "DelFiles = Common.Files\r\n"
    "DelReg   = Main.DelReg\r\n"
    "\r\n"
    "[Products]\r\n"
    "{CLIENT} = \"QX-40 Client\",Client.Install,Client.Remove,1,1,\"The client manager.\",2.1.30\r\n"
    "{VIEWER} = \"QX-40 Log Viewer\",Viewer.Install,Viewer.Remove,1,2,\"Reads the device logs.\",1.4\r\n"
    "{TOOLS}  = \"QX-40 Service Tools\",Tools.Install,Tools.Remove,0,3,\"For service technicians.\",3.0.2\r\n"
    "\r\n"
    "[Client.Install]\r\n"
    "CopyFiles = Client.Files\r\n"
    "AddReg    = Client.AddReg\r\n"
    "[Client.Remove]\r\n"
    "DelFiles  = Client.Files\r\n"
    "DelReg    = Client.DelReg\r\n"
    "[Viewer.Install]\r\n"
    "CopyFiles = Viewer.Files\r\n"
    "AddReg    = Viewer.AddReg\r\n"
    "[Viewer.Remove]\r\n"
    "DelFiles  = Viewer.Files\r\n"
    "DelReg    = Viewer.DelReg\r\n"
    "[Tools.Install]\r\n"
    "CopyFiles = Tools.Files\r\n"
    "AddReg    = Tools.AddReg\r\n"
    "[Tools.Remove]\r\n"
    "DelFiles  = Tools.Files\r\n"
    "DelReg    = Tools.DelReg\r\n"
    "\r\n"
    "[Setup.Files]\r\n"
    "setup.exe\r\n"
    "setup.inf\r\n"
    "[Common.Files]\r\n"
    "norvale.dll\r\n"
    "readme.txt\r\n"
    "[Client.Files]\r\n"
    "qxclient.dll\r\n"
    "qxclient.hlp\r\n"
    "[Viewer.Files]\r\n"
    "qxview.dll\r\n"
    "[Tools.Files]\r\n"
    "qxtools.dll\r\n"
    "\r\n"
    "[Main.AddReg]\r\n"
    "HKLM,\"{REG}\",Package,0,\"QX-40\"\r\n"
    "HKLM,\"{REG}\",InstallDir,0,\"%32768%\"\r\n"
    "[Main.DelReg]\r\n"
    "HKLM,\"{REG}\"\r\n"
    "HKLM,\"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{MAIN}\"\r\n"
    "[Client.AddReg]\r\n"
    "HKLM,\"{REG}\\Client\",Version,0,\"2.1.30\"\r\n"
    "[Client.DelReg]\r\n"
    "HKLM,\"{REG}\\Client\"\r\n"
    "[Viewer.AddReg]\r\n"
    "HKLM,\"{REG}\\Viewer\",Version,0,\"1.4\"\r\n"
    "[Viewer.DelReg]\r\n"
    "HKLM,\"{REG}\\Viewer\"\r\n"
    "[Tools.AddReg]\r\n"
    "HKLM,\"{REG}\\Tools\",Version,0,\"3.0.2\"\r\n"
    "[Tools.DelReg]\r\n"
    "HKLM,\"{REG}\\Tools\"\r\n"
    "\r\n"
    "[SourceDisksNames]\r\n"
    "1 = \"Norvale Tessaro QX-40 Client Manager\",,,\r\n"
    "\r\n"
    "[SourceDisksFiles]\r\n"
    "setup.exe    = 1\r\n"
    "setup.inf    = 1\r\n"
    "norvale.dll  = 1\r\n"
    "readme.txt   = 1\r\n"
    "qxclient.dll = 1\r\n"
    "qxclient.hlp = 1\r\n"
    "qxview.dll   = 1\r\n"
    "qxtools.dll  = 1\r\n";

using testsupport::MachineKeyExists;
using testsupport::ProgramFilesFolder;
using testsupport::ReadMachineText;
using testsupport::ReplaceAll;

// The payload files of the medium: name, the folder below the target they go to, and
// the product whose install section copies them (empty: the main install section).
struct Payload {
    const char* name;
    const char* folder;
    const char* product;
};

const Payload Payloads[] = {
    {"norvale.dll", "", ""},
    {"readme.txt", "", ""},
    {"qxclient.dll", "Client", "Client"},
    {"qxclient.hlp", "Client", "Client"},
    {"qxview.dll", "Viewer", "Viewer"},
    {"qxtools.dll", "Tools", "Tools"},
};

// One test's package: its medium, the names unique to the test and this process, and
// the clean-up of everything the runs may leave behind, which also runs when a check
// fails.
class Package {
public:
    explicit Package(const char* tag)
        : medium_(("e2e-unattended-" + std::string(tag)).c_str())
    {
        id = tag + std::to_string(GetCurrentProcessId());
        client = "QxClient" + id;
        viewer = "QxViewer" + id;
        tools = "QxTools" + id;
        main = "NorvaleQX40" + id;
        registry = "Software\\NorvaleE2E\\" + id;
        const std::string programFiles = ProgramFilesFolder();
        if (!programFiles.empty())
            target = programFiles + "\\NorvaleE2E" + id;
        ready = medium_.ready && !programFiles.empty() && !testsupport::FileExists(target);
        if (!ready) return;
        std::string script = ScriptTemplate;
        script = ReplaceAll(script, "{ID}", id);
        script = ReplaceAll(script, "{MAIN}", main);
        script = ReplaceAll(script, "{CLIENT}", client);
        script = ReplaceAll(script, "{VIEWER}", viewer);
        script = ReplaceAll(script, "{TOOLS}", tools);
        script = ReplaceAll(script, "{REG}", registry);
        ready = medium_.WriteScript(script);
        for (const Payload& payload : Payloads)
            ready = ready && testsupport::WriteFile(medium_.folder + "\\" + payload.name, Content(payload.name));
    }

    ~Package()
    {
        if (!target.empty()) testsupport::RemoveTree(target);
        for (const std::string& key : {client, viewer, tools, main})
            testsupport::DeleteKeyTree(HKEY_LOCAL_MACHINE, testsupport::UninstallKeyPath(key));
        testsupport::DeleteKeyTree(HKEY_LOCAL_MACHINE, registry);
        // The shared parent goes with the last test that used it: a key that still has
        // subkeys (another test's) is not deleted.
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\NorvaleE2E");
    }

    Package(const Package&) = delete;
    Package& operator=(const Package&) = delete;

    const e2e::Medium& medium() const { return medium_; }

    // What the medium holds in the payload file `name`.
    std::string Content(const std::string& name) const { return "Norvale QX-40 " + name + " for " + id + "\r\n"; }

    std::string KeyOf(const std::string& product) const
    {
        return product == "Client" ? client : product == "Viewer" ? viewer : product == "Tools" ? tools : main;
    }

    std::string UninstallKey(const std::string& key) const { return testsupport::UninstallKeyPath(key); }

    // The command that the uninstall entry of `key` must hold: the installed copy of
    // setup.exe (quoted, as its path has blanks), " /remove:" and the key.
    std::string ExpectedCommand(const std::string& key) const
    {
        const std::string exe = target + "\\setup.exe";
        const std::string quoted = exe.find(' ') != std::string::npos ? "\"" + exe + "\"" : exe;
        return quoted + " /remove:" + key;
    }

    bool ready = false;
    std::string id, client, viewer, tools, main, registry, target;

private:
    e2e::Medium medium_;
};

// Checks the files of one product (or of the main install section, "") in the target
// folder: present with the medium's content, or absent, folder included.
void ExpectProductFiles(const Package& package, const std::string& product, bool installed)
{
    SCOPED_TRACE("files of " + (product.empty() ? std::string("the main install section") : product));
    for (const Payload& payload : Payloads) {
        if (product != payload.product) continue;
        const std::string folder = package.target + (*payload.folder ? "\\" + std::string(payload.folder) : "");
        const std::string path = folder + "\\" + payload.name;
        std::string bytes;
        if (installed) {
            ASSERT_TRUE(testsupport::ReadFile(path, &bytes)) << path << " is missing";
            EXPECT_EQ(package.Content(payload.name), bytes) << path;
        } else {
            EXPECT_FALSE(testsupport::FileExists(path)) << path << " is still there";
            // The last file of a product's own folder takes the folder with it.
            if (*payload.folder) {
                EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(folder.c_str())) << folder << " is still there";
            }
        }
    }
}

// Checks a product's uninstall entry, its registry value and its files together.
void ExpectProduct(const Package& package, const std::string& product, bool installed, const char* displayName,
                   const char* version)
{
    SCOPED_TRACE(product + (installed ? " installed" : " not installed"));
    const std::string key = package.KeyOf(product);
    const std::string entry = package.UninstallKey(key);
    ExpectProductFiles(package, product, installed);
    std::string text;
    if (!installed) {
        EXPECT_FALSE(MachineKeyExists(entry)) << entry;
        EXPECT_FALSE(MachineKeyExists(package.registry + "\\" + product)) << package.registry << "\\" << product;
        return;
    }
    ASSERT_TRUE(MachineKeyExists(entry)) << entry;
    EXPECT_TRUE(ReadMachineText(entry, "DisplayName", &text) && text == displayName) << text;
    EXPECT_TRUE(ReadMachineText(entry, "UninstallString", &text) && text == package.ExpectedCommand(key)) << text;
    EXPECT_TRUE(ReadMachineText(entry, "ProductVersion", &text) && text == version) << text;
    EXPECT_TRUE(ReadMachineText(entry, "UserTargetDir", &text) && text == package.target) << text;
    EXPECT_TRUE(ReadMachineText(package.registry + "\\" + product, "Version", &text) && text == version) << text;
}

// Checks the main install section's work: setup.exe and setup.inf copied, the common
// files, the package's registry values and the main uninstall entry.
void ExpectMainPackage(const Package& package, bool installed)
{
    SCOPED_TRACE(installed ? "main package installed" : "main package removed");
    ExpectProductFiles(package, "", installed);
    const std::string entry = package.UninstallKey(package.main);
    std::string text;
    if (!installed) {
        EXPECT_FALSE(MachineKeyExists(entry)) << entry;
        EXPECT_FALSE(MachineKeyExists(package.registry)) << package.registry;
        return;
    }
    std::string setupBytes, installedBytes;
    ASSERT_TRUE(testsupport::ReadFile(testsupport::SetupExePath(), &setupBytes));
    EXPECT_TRUE(testsupport::ReadFile(package.target + "\\setup.exe", &installedBytes));
    EXPECT_TRUE(installedBytes == setupBytes) << "the installed setup.exe differs from the program";
    EXPECT_TRUE(testsupport::FileExists(package.target + "\\setup.inf"));

    ASSERT_TRUE(MachineKeyExists(entry)) << entry;
    EXPECT_TRUE(ReadMachineText(entry, "DisplayName", &text)
                && text == "Norvale Tessaro QX-40 Client Manager " + package.id)
        << text;
    EXPECT_TRUE(ReadMachineText(entry, "UninstallString", &text) && text == package.ExpectedCommand(package.main))
        << text;
    EXPECT_TRUE(ReadMachineText(entry, "UserTargetDir", &text) && text == package.target) << text;
    // The main entry names no version.
    EXPECT_FALSE(ReadMachineText(entry, "ProductVersion", &text)) << text;
    EXPECT_TRUE(ReadMachineText(package.registry, "Package", &text) && text == "QX-40") << text;
    // The Setup API resolved the user directory id to the folder the run used.
    EXPECT_TRUE(ReadMachineText(package.registry, "InstallDir", &text) && text == package.target) << text;
}

// Starts the removal the way Windows does, with the recorded command, unattended.
e2e::UnattendedRun RemoveWithRecordedCommand(const Package& package, const std::string& key)
{
    std::string command;
    if (!ReadMachineText(package.UninstallKey(key), "UninstallString", &command)) return e2e::UnattendedRun();
    return e2e::RunUnattendedCommand(command + " /quiet");
}

} // namespace

TEST(Unattended, QuietInstallsTheDefaultProductsAndTheEntriesRemoveThemOneByOne)
{
    Package package("D");
    ASSERT_TRUE(package.ready) << package.target;

    EXPECT_UNATTENDED_RUN(e2e::RunUnattended(package.medium().exe, "/quiet"));
    ExpectMainPackage(package, true);
    ExpectProduct(package, "Client", true, "QX-40 Client", "2.1.30");
    ExpectProduct(package, "Viewer", true, "QX-40 Log Viewer", "1.4");
    ExpectProduct(package, "Tools", false, nullptr, nullptr);

    // The client's entry removes the client; the viewer keeps the package registered.
    {
        SCOPED_TRACE("removal of the client");
        const e2e::UnattendedRun run = RemoveWithRecordedCommand(package, package.client);
        EXPECT_UNATTENDED_RUN(run);
        ExpectProduct(package, "Client", false, nullptr, nullptr);
        ExpectProduct(package, "Viewer", true, "QX-40 Log Viewer", "1.4");
        ExpectMainPackage(package, true);
    }

    // The viewer is the last product: the main remove section runs after its own.
    {
        SCOPED_TRACE("removal of the viewer, the last product");
        const e2e::UnattendedRun run = RemoveWithRecordedCommand(package, package.viewer);
        EXPECT_UNATTENDED_RUN(run);
        ExpectProduct(package, "Viewer", false, nullptr, nullptr);
        ExpectProduct(package, "Client", false, nullptr, nullptr);
        ExpectMainPackage(package, false);
    }
}

// "/log:FILE": every line stamped with the time and ended with CR LF, naming the
// command line, the platform sections, the selection, each copy with its source and
// target, the registry sections applied and the end of the run.
TEST(Unattended, LogTellsWhatTheRunDid)
{
    Package package("L");
    ASSERT_TRUE(package.ready) << package.target;
    const std::string log = package.medium().root + "\\run.log";
    EXPECT_UNATTENDED_RUN(e2e::RunUnattended(package.medium().exe, "/quiet /log:\"" + log + "\""));
    std::string text;
    ASSERT_TRUE(testsupport::ReadFile(log, &text)) << log;
    size_t lines = 0;
    for (size_t at = 0, end; at < text.size(); at = end + 2, ++lines) {
        end = text.find("\r\n", at);
        ASSERT_NE(std::string::npos, end) << "no CR LF after: " << text.substr(at);
        const std::string line = text.substr(at, end - at);
        EXPECT_EQ(std::string::npos, line.find('\n')) << line;
        int year, month, day, hour, minute, second, millisecond, used = 0;
        EXPECT_EQ(7, std::sscanf(line.c_str(), "%4d-%2d-%2d %2d:%2d:%2d.%3d %n", &year, &month, &day, &hour, &minute,
                                 &second, &millisecond, &used))
            << line;
        EXPECT_EQ(24, used) << line;
    }
    EXPECT_GT(lines, 20u);
    for (const std::string& expected :
         {"Command line: /quiet /log:\"" + log + "\"",
          std::string("Platform sections: install [Install], remove [Remove], products [Products]"),
          "Installation of the selected products: " + package.client + ", " + package.viewer,
          "Copied " + package.medium().folder + "\\qxclient.dll to " + package.target + "\\Client\\qxclient.dll",
          std::string("Registry and INI entries of [Client.Install] applied: AddReg [Client.AddReg]"),
          std::string("End of the run\r\n")})
        EXPECT_NE(std::string::npos, text.find(expected)) << expected << "\nin:\n" << text;
}

// A log that cannot be opened never stops the run: it installs as without one.
TEST(Unattended, LogInAMissingFolderLeavesTheRunWithoutALog)
{
    Package package("N");
    ASSERT_TRUE(package.ready) << package.target;
    const std::string log = package.medium().root + "\\missing\\run.log";
    EXPECT_UNATTENDED_RUN(e2e::RunUnattended(package.medium().exe, "/quiet /log:\"" + log + "\""));
    ExpectMainPackage(package, true);
    ExpectProduct(package, "Client", true, "QX-40 Client", "2.1.30");
    EXPECT_FALSE(testsupport::FileExists(log));
}

TEST(Unattended, QuietListSelectsExactlyTheNamedProducts)
{
    Package package("L");
    ASSERT_TRUE(package.ready) << package.target;

    // Names in another letter case, an unknown one among them, and the silent synonym.
    std::string tools = package.tools, client = package.client;
    for (char& c : tools) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    for (char& c : client) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    EXPECT_UNATTENDED_RUN(e2e::RunUnattended(package.medium().exe, "/SILENT:" + tools + ",NoSuchProduct," + client));

    ExpectMainPackage(package, true);
    // The entries carry the catalogue's spelling of the keys (ExpectProduct compares the
    // whole command).
    ExpectProduct(package, "Tools", true, "QX-40 Service Tools", "3.0.2");
    ExpectProduct(package, "Client", true, "QX-40 Client", "2.1.30");
    // Checked by default, but not named.
    ExpectProduct(package, "Viewer", false, nullptr, nullptr);
}

TEST(Unattended, InstallOptionSelectsJustThatProduct)
{
    Package package("I");
    ASSERT_TRUE(package.ready) << package.target;

    // The tools are not checked by default; the two that are stay out.
    EXPECT_UNATTENDED_RUN(e2e::RunUnattended(package.medium().exe, "/install:" + package.tools + " /quiet"));
    ExpectMainPackage(package, true);
    ExpectProduct(package, "Tools", true, "QX-40 Service Tools", "3.0.2");
    ExpectProduct(package, "Client", false, nullptr, nullptr);
    ExpectProduct(package, "Viewer", false, nullptr, nullptr);

    // Its removal is the removal of the last product.
    EXPECT_UNATTENDED_RUN(RemoveWithRecordedCommand(package, package.tools));
    ExpectProduct(package, "Tools", false, nullptr, nullptr);
    ExpectMainPackage(package, false);
}

TEST(Unattended, EmptyListMeansTheDefaultsAndTheMainEntryLeavesRegisteredProductsAlone)
{
    Package package("E");
    ASSERT_TRUE(package.ready) << package.target;

    EXPECT_UNATTENDED_RUN(e2e::RunUnattended(package.medium().exe, "/quiet:"));
    ExpectMainPackage(package, true);
    ExpectProduct(package, "Client", true, "QX-40 Client", "2.1.30");
    ExpectProduct(package, "Viewer", true, "QX-40 Log Viewer", "1.4");
    ExpectProduct(package, "Tools", false, nullptr, nullptr);

    // The main entry's command names no product: its key goes, and as two products stay
    // registered, no section runs, the main remove section included.
    EXPECT_UNATTENDED_RUN(RemoveWithRecordedCommand(package, package.main));
    EXPECT_FALSE(MachineKeyExists(package.UninstallKey(package.main)));
    ExpectProductFiles(package, "", true);
    std::string text;
    EXPECT_TRUE(ReadMachineText(package.registry, "Package", &text) && text == "QX-40") << text;
    ExpectProduct(package, "Client", true, "QX-40 Client", "2.1.30");
    ExpectProduct(package, "Viewer", true, "QX-40 Log Viewer", "1.4");
}

// Another program's entry is not this package's to delete: a removal of a name that the
// script does not know removes nothing and says so.
TEST(Unattended, RemovalOfANameTheScriptDoesNotKnowRemovesNothing)
{
    Package package("O");
    ASSERT_TRUE(package.ready) << package.target;
    e2e::UninstallEntry other("OtherVendorApp" + package.id);
    ASSERT_TRUE(other.Write("DisplayName", "Another vendor's application"));

    const e2e::UnattendedRun run = e2e::RunUnattended(package.medium().exe, "/remove:" + other.key + " /quiet /lang:eng");
    ASSERT_EQ(1u, run.boxes.size()) << e2e::DescribeBoxes(run.boxes);
    EXPECT_EQ("This installation package does not contain " + other.key + ".\r\rNothing has been removed.",
              run.boxes[0].text);
    EXPECT_TRUE(other.Exists());
    EXPECT_TRUE(run.exit.exited);

    // With /exitcodes: no box, 1605; a product of the package that is not installed too.
    for (const std::string& key : {other.key, package.client}) {
        const e2e::UnattendedRun told =
            e2e::RunUnattended(package.medium().exe, "/remove:" + key + " /quiet /exitcodes");
        EXPECT_TRUE(told.boxes.empty() && told.exit.exited) << key << e2e::DescribeBoxes(told.boxes);
        EXPECT_EQ(1605u, told.exit.exitCode) << key;
    }
    EXPECT_TRUE(other.Exists());
}

TEST(Unattended, FailedFileCopyShowsTheErrorAndWaitsForTheUser)
{
    Package package("F");
    ASSERT_TRUE(package.ready) << package.target;
    // The viewer's library is missing from the medium. Observed on Wine 8: the Setup
    // API's default queue callback asks nobody for the missing file, so the commit fails
    // at once; Windows first shows its own prompt for the file, which a user cancels.
    ASSERT_TRUE(DeleteFileA((package.medium().folder + "\\qxview.dll").c_str()));

    e2e::Running setup;
    ASSERT_TRUE(e2e::StartSetup(package.medium().exe, "/quiet /lang:eng", &setup));
    driver::MessageBoxInfo box;
    ASSERT_TRUE(driver::WaitForMessageBox(setup.process, e2e::WaitLimitMs, &box));
    EXPECT_EQ("The installation did not complete successfully.\r\n\r\n" + testsupport::SystemErrorText(ERROR_FILE_NOT_FOUND, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)),
              box.text);
    EXPECT_EQ(e2e::SystemErrorCaption, box.caption);
    ASSERT_EQ(1u, box.buttons.size()) << e2e::DescribeButtons(box);
    EXPECT_EQ(IDOK, box.buttons[0].id);
    HWND sheet = driver::FindPropertySheet(setup.process.id);
    ASSERT_TRUE(sheet != nullptr) << "the box came without the wizard";
    EXPECT_EQ(sheet, box.owner) << "the box belongs to the wizard";
    ASSERT_TRUE(driver::AnswerMessageBox(box.window, IDOK));
    ASSERT_TRUE(driver::WaitForWindowGone(box.window, e2e::WaitLimitMs));

    // Nothing presses a button after a failure: the wizard stays on the install page,
    // with its status line emptied and Cancel enabled again.
    EXPECT_FALSE(driver::WaitUntilExited(setup.process, 1000)) << "the program ended without a user";
    ASSERT_TRUE(IsWindow(sheet));
    bool found = false;
    EXPECT_EQ("", driver::PageControlText(sheet, 1203, &found));
    EXPECT_TRUE(found) << "the page shown is not the install page";
    HWND bar = GetDlgItem(driver::CurrentPage(sheet), 1210);
    ASSERT_TRUE(bar != nullptr) << "the page shown is not the install page";
    EXPECT_FALSE(IsWindowVisible(bar)) << "the progress bar is hidden again";
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(sheet, IDCANCEL)));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(sheet, driver::SheetNextId)));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(sheet, driver::SheetBackId)));

    // The uninstall entries were written before the steps ran and stay.
    std::string text;
    EXPECT_TRUE(ReadMachineText(package.UninstallKey(package.viewer), "UninstallString", &text)
                && text == package.ExpectedCommand(package.viewer))
        << text;
    EXPECT_TRUE(MachineKeyExists(package.UninstallKey(package.main)));

    ASSERT_TRUE(driver::PressWizardButton(sheet, driver::WizardCancel));
    std::vector<driver::MessageBoxInfo> later;
    const driver::ExitResult exit =
        driver::AnswerBoxesUntilExit(setup.process, e2e::WaitLimitMs, IDNO, e2e::RecordBox, &later);
    EXPECT_TRUE(later.empty()) << "boxes after Cancel:" << e2e::DescribeBoxes(later);
    EXPECT_FALSE(exit.killed) << "setup.exe did not end after Cancel";
    EXPECT_TRUE(exit.exited);
    EXPECT_EQ(0u, exit.exitCode);

    // The watcher of the other tests sees such a box (so their "no box" means something),
    // answers it and cancels the waiting wizard, and the run still ends with 0.
    const e2e::UnattendedRun watched = e2e::RunUnattended(package.medium().exe, "/quiet /lang:eng");
    ASSERT_TRUE(watched.started);
    ASSERT_EQ(1u, watched.boxes.size()) << e2e::DescribeBoxes(watched.boxes);
    EXPECT_EQ(box.text, watched.boxes[0].text);
    EXPECT_TRUE(watched.exit.exited);
    EXPECT_EQ(0u, watched.exit.exitCode);

    // With /exitcodes nobody is asked: the run ends by itself with 1603, and the box's
    // text (one line) is in the log, whose last line is the exit code.
    const std::string log = package.medium().folder + "\\setup.log";
    const e2e::UnattendedRun told =
        e2e::RunUnattended(package.medium().exe, "/quiet /exitcodes /lang:eng \"/log:" + log + "\"");
    EXPECT_TRUE(told.boxes.empty() && told.exit.exited) << e2e::DescribeBoxes(told.boxes);
    EXPECT_EQ(1603u, told.exit.exitCode);
    std::string logText;
    ASSERT_TRUE(testsupport::ReadFile(log, &logText));
    EXPECT_NE(std::string::npos, logText.find("The installation did not complete successfully. ")) << logText;
    for (const char* step : {"Stage 7: ended early", ": error 2: "})
        EXPECT_NE(std::string::npos, logText.find(step)) << step << " in:\n" << logText;
    const std::string last = "exit code 1603 (failed)\r\n";
    EXPECT_TRUE(logText.size() > last.size() && logText.compare(logText.size() - last.size(), last.size(), last) == 0)
        << logText;
}

// A proposed folder that is not a full path is named in an error box (as one too long
// for the target page is, see the hostile tests), and the run then ends by itself
// without installing below whatever the current folder is.
TEST(Unattended, ARelativeFolderIsNamedAndTheRunEnds)
{
    e2e::Medium medium("e2e-unattended-folder");
    ASSERT_TRUE(medium.ready);
    ASSERT_TRUE(medium.WriteScript("[Version]\r\nSignature=\"$Chicago$\"\r\n[DestinationDirs]\r\nDefaultDestDir=-1,"
                                   "relative\\folder\r\n[Install]\r\nCopyFiles=Files\r\n[Files]\r\nsetup.inf\r\n"));
    const e2e::BoxRun run = e2e::RunAnsweringBoxes(medium.exe, "/quiet /lang:eng");
    ASSERT_EQ(1u, run.boxes.size()) << e2e::DescribeBoxes(run.boxes);
    EXPECT_EQ("The target directory \x93relative\\folder\x94 cannot be used. Please give a full path of at most 259 "
              "characters: a drive letter followed by a colon and a backslash, or a network path.",
              run.boxes[0].text);
    EXPECT_FALSE(run.exit.killed);
    EXPECT_FALSE(testsupport::FileExists(medium.folder + "\\relative\\folder\\setup.inf"));
}

// A deployment tool's part, as docs/deployment.md shows it: it installs with the guide's
// command and maps the exit code (0 and 3010 succeed), detects the product by its entry
// and DisplayVersion, installs again (still success, one entry), removes it with the
// command of QuietUninstallString, and no longer detects it.
TEST(Unattended, ADeploymentToolInstallsDetectsAndRemovesThePackage)
{
    Package package("T");
    ASSERT_TRUE(package.ready) << package.target;
    const std::string log = package.medium().root + "\\deploy.log";
    const auto succeeded = [](const e2e::UnattendedRun& run) {
        return run.boxes.empty() && run.exit.exited && (run.exit.exitCode == 0 || run.exit.exitCode == 3010);
    };
    const auto detected = [&package] {
        std::string version;
        return ReadMachineText(package.UninstallKey(package.client), "DisplayVersion", &version) && version == "2.1.30";
    };
    const std::string install = "/quiet /exitcodes \"/log:" + log + "\"";
    for (int run = 0; run < 2; ++run) {
        EXPECT_TRUE(succeeded(e2e::RunUnattended(package.medium().exe, install))) << "install " << run;
        EXPECT_TRUE(detected()) << "install " << run;
        ExpectProduct(package, "Client", true, "QX-40 Client", "2.1.30");
    }
    std::string quiet;
    ASSERT_TRUE(ReadMachineText(package.UninstallKey(package.client), "QuietUninstallString", &quiet));
    EXPECT_TRUE(succeeded(e2e::RunUnattendedCommand(quiet + " /exitcodes \"/log:" + log + "\"")));
    EXPECT_FALSE(detected());
    ExpectProduct(package, "Client", false, nullptr, nullptr);
    std::string text;
    ASSERT_TRUE(testsupport::ReadFile(log, &text));
    // One log for the three runs, each ending with its code.
    size_t ends = 0;
    for (size_t at = text.find(" exit code "); at != std::string::npos; at = text.find(" exit code ", at + 1)) ++ends;
    EXPECT_EQ(3u, ends) << text;
}
