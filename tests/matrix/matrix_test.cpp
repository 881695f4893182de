// The package of the version matrix installed and removed as one Windows version, run by
// run-case.sh inside a private prefix in which setup.exe is that version.
//
// The package is a realistic one: four products (one refused by its start condition, one
// registering a service), a main part with the package's uninstall entry and "Reboot=1",
// start and product conditions asked of fixture condition libraries, plug-in steps at
// every level, Exec programs at the three levels, registry and INI entries, shortcuts, a
// cabinet copied under its own name, and install, remove and products sections for the
// Windows families, each variant leaving a mark of its own (a registry value, an INI
// entry, the parameters of its Exec programs, the products' display names).
//
// In this order: check that the prefix is a private one prepared for this case; lay out
// the medium; install unattended (/quiet) or through the wizard (page by page, with the
// texts of the case's language, Finish, the restart prompt answered No); check what the
// installation left; remove the products one by one through the commands their uninstall
// entries hold (with /quiet): the agent (its service goes), the log viewer while the test
// holds one of its files open (the file and its folder are scheduled for deletion at the
// restart), and the client, the last one, with which the main remove section runs while
// the installed setup.exe that runs the removal is itself in use; check after each step,
// and at the end that nothing is left but what the restart will delete. Started again
// after run-case.sh has restarted the prefix, it checks that the restart deleted it.
//
// The family rules checked: the platform sections chosen; services only on the NT family
// (on the Windows 95 family a service registered beforehand under the agent's name stays
// untouched);
// deletion at restart through wininit.ini's [Rename] section on the Windows 95 family
// (files only) and through PendingFileRenameOperations on the NT family (files, then
// their folders); the classic wizard on the Windows 95 family; the /lang: option making
// the pages' language on the NT family only.

#include "driver.h"
#include "testsupport.h"
#include "../../pages/checklist.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

// One run of setup.exe: the Exec programs, the service's start and stop waits and the
// restart prompt included, on a loaded machine (a run takes one or two seconds).
const DWORD RunLimitMs = 60000;
// One page, one box, the end of the program after Finish.
const DWORD StepLimitMs = 20000;

// ---- The case ----

// How a Windows version chooses among the script's platform sections. Windows 98 passes
// the Me test too (its minor version 10 is above 7), so it takes the products section of
// Windows Me; the install section of Windows Me is empty and therefore counts as missing.
//
// The wizard's language: the NT family makes the /lang: option its thread locale, from
// which the pages are loaded. The Windows 95 family leaves the thread locale alone, so
// its pages keep the user's language (English in these prefixes, see run-case.sh) even
// when the option asks for German, as Windows Me is asked here.
struct VersionCase {
    const char* name;
    bool family95;
    const char* installSection;
    const char* removeSection;
    bool productsForMe;         // "Products.WinMe" rather than the plain "Products"
    const char* option;         // the wizard's /lang: option
    const char* pages;          // the language of the wizard's pages
};

const VersionCase Versions[] = {
    {"win95", true, "Install.Win", "Remove.Win", false, "eng", "eng"},
    {"win98", true, "Install.Win98", "Remove.Win", true, "eng", "eng"},
    {"winme", true, "Install.Win98", "Remove.Win", true, "ger", "eng"},
    {"nt40", false, "Install.NT", "Remove.NT", false, "eng", "eng"},
    {"win2k", false, "Install.NT5", "Remove.NT", false, "ger", "ger"},
    {"winxp", false, "Install.NT5", "Remove.NT", false, "eng", "eng"},
    {"win7", false, "Install.NT5", "Remove.NT", false, "fre", "fre"},
};

// The wizard's texts in one language (ANSI code page 1252).
struct Texts {
    const char* language;
    const char* welcome;            // welcome page, 1203
    const char* componentsTitle;    // component page's header title, written into the page in the classic style
    const char* ready;              // ready page, 65534
    const char* finishTitle;        // install finish page, 1202
    const char* restartNote;        // install finish page, 1203
};

const Texts AllTexts[] = {
    {"eng", "Norvale Tessaro QX-40 Client Manager.\r\rClick on 'Next' to continue the installation.",
     "Software Components", "Setup is now ready to install the selected software.", "Setup complete",
     "A number of the updated files are currently in use. The system must therefore be restarted before the newly "
     "installed software can be used."},
    {"ger", "Norvale Tessaro QX-40 Client Manager.\r\rKlicken Sie auf 'Weiter', um die Installation zu beginnen.",
     "Software-Komponenten", "Setup ist nun bereit, die von Ihnen ausgew\xe4hlte Software zu installieren.",
     "Installation beendet",
     "Einige der aktualisierten Dateien sind zur Zeit in Benutzung, deshalb mu\xdf das System neu gestartet werden, "
     "bevor Sie die installierte Software verwenden k\xf6nnen."},
    {"fre", "Norvale Tessaro QX-40 Client Manager.\r\rPour commencer l'installation, cliquez sur Suivant.",
     "Composants logiciels",
     "Le logiciel d'installation est pr\xeat \xe0 installer les composants s\xe9lectionn\xe9s.",
     "L'installation est termin\xe9" "e",
     "Certains des fichiers mis \xe0 jour sont en cours d'utilisation, c'est pourquoi vous devez red\xe9marrer le "
     "syst\xe8me avant de pouvoir utiliser le logiciel install\xe9."},
};

const char* const ProductTitle = "Norvale Tessaro QX-40 Client Manager";

// The case named on the command line ("--case=win98.wizard").
std::string g_case;

// ---- The package ----

const char* const PackageKey = "NorvaleQX40";
const char* const PackageName = "Norvale Tessaro QX-40 Client Manager";
const char* const ServiceName = "NorvaleQX40Agent";
const char* const ServiceDisplayName = "Norvale QX-40 Monitoring Agent";
// The Windows 95 family has no services, so the program must not call the service control
// manager at all there. Wine offers a working one to a program that it reports as Windows
// 95 all the same, and a call that finds nothing to act on would go unseen: the test
// therefore registers the agent's name beforehand, stopped, with a display name and a
// program of its own, on which a start, a change or a deletion would show.
const char* const DecoyDisplayName = "QX-40 agent of an earlier installation";
const char* const RegistryRoot = "Software\\NorvaleTessaro";
const char* const RegistryKey = "Software\\NorvaleTessaro\\QX-40";
const char* const UninstallRoot = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const char* const IniName = "norvale.ini";
const char* const ShortcutFolder = "Norvale QX-40";

struct Product {
    const char* key;
    const char* name;       // display name in the plain products section
    const char* nameForMe;  // display name in the products section of Windows 98 and Me
    const char* version;
    bool offered;           // its install section's conditions hold
};

const Product Client = {"QX40Client", "QX-40 Client Manager", "QX-40 Client Manager for Windows 98 and Me", "2.1.30",
                        true};
const Product Viewer = {"QX40Viewer", "QX-40 Log Viewer", "QX-40 Log Viewer for Windows 98 and Me", "1.4", true};
const Product Agent = {"QX40Agent", "QX-40 Monitoring Agent", "QX-40 Monitoring Agent for Windows 98 and Me",
                       "1.0.7", true};
const Product Tools = {"QX40Tools", "QX-40 Service Tools", "QX-40 Service Tools for Windows 98 and Me", "3.0.2",
                       false};
const Product* const Products[] = {&Client, &Viewer, &Agent, &Tools};

// A file of the package: where the medium's copy comes from (a build output beside the
// test programs, or text written by the test), and where it is installed ("" the target
// folder itself, or a sub-folder; null: never installed) by which product (null: the
// main part).
struct PackageFile {
    const char* name;
    const char* buildFile;      // copied from the test programs' folder; null: written
    const char* folder;
    const Product* product;
};

const PackageFile Files[] = {
    {"setup.exe", nullptr, "", nullptr},    // from build\setup.exe
    {"setup.inf", nullptr, "", nullptr},    // the script itself
    {"cond_norvale.dll", "cond_norvale.dll", "", nullptr},
    {"plugin_levels.dll", "plugin_levels.dll", "", nullptr},
    {"plugin_a.dll", "plugin_a.dll", "", nullptr},
    {"norvale.dll", nullptr, "", nullptr},
    {"readme.txt", nullptr, "", nullptr},
    {"qxdata.cab", nullptr, "", nullptr},
    {"qxagent.exe", "service_stops.exe", "", nullptr},
    {"qxclient.exe", nullptr, "Client", &Client},
    {"qxclient.hlp", nullptr, "Client", &Client},
    {"qxview.exe", nullptr, "Viewer", &Viewer},
    {"qxview.dat", nullptr, "Viewer", &Viewer},
    {"qxagent.cfg", nullptr, "", &Agent},
    {"qxtools.dll", nullptr, "Tools", &Tools},
    // Used from the medium only: the client's condition, the Exec program.
    {"cond_tessaro.dll", "cond_tessaro.dll", nullptr, nullptr},
    {"exec_fixture.exe", "exec_fixture.exe", nullptr, nullptr},
};

// The file that the test holds open while the viewer is removed.
const char* const HeldFile = "qxview.dat";

// The content of a file that the test writes onto the medium. The cabinet is binary, with
// zero bytes, so that a copy that is not byte for byte shows.
std::string WrittenContent(const std::string& name)
{
    if (name == "qxdata.cab") {
        std::string bytes("MSCF\0\0\0\0", 8);
        for (int i = 0; i < 600; ++i) bytes += static_cast<char>((i * 7) & 0xFF);
        return bytes;
    }
    return "Norvale QX-40 " + name + "\r\n";
}

using testsupport::ReplaceAll;

// The main install section of one platform variant: all four are the same package; each
// marks the registry, the INI file and its Exec programs' parameters with its own name.
std::string InstallVariant(const std::string& section)
{
    return "[" + section + "]\r\n"
           "CopyFiles  = Setup.Files,Common.Files\r\n"
           "AddReg     = Main.AddReg," + section + ".AddReg\r\n"
           "UpdateInis = " + section + ".Inis\r\n"
           "Uninstall  = NorvaleQX40,\"Norvale Tessaro QX-40 Client Manager\"\r\n"
           "Reboot     = 1\r\n"
           "Exec       = " + section + ".Programs\r\n"
           "Plugins    = plugin_levels.dll\r\n"
           "MakeIcons  = Main.Icons\r\n"
           "[" + section + ".AddReg]\r\n"
           "HKLM,\"Software\\NorvaleTessaro\\QX-40\",Section,0,\"" + section + "\"\r\n"
           "HKLM,\"Software\\NorvaleTessaro\\QX-40\\Sections\",\"" + section + "\",0x10001,1\r\n"
           "[" + section + ".Inis]\r\n"
           "norvale.ini,Platform,,\"Section=" + section + "\"\r\n"
           "norvale.ini,Paths,,\"Target=%32768%\"\r\n"
           "[" + section + ".Programs]\r\n"
           "First = 1,\"@EXEC@\",\"" + section + " level1 %hwnd%\"\r\n"
           "Last  = 2,\"@EXEC@\",\"" + section + " level2 %hwnd%\"\r\n"
           "Final = 3,\"@EXEC@\",\"" + section + " level3 %hwnd%\"\r\n"
           "\r\n";
}

// The main remove section of one platform variant. The INI file goes first and the
// target folder's files after it, in one run, so that the last of them finds only the
// files scheduled for the restart left in the folder.
std::string RemoveVariant(const std::string& section)
{
    return "[" + section + "]\r\n"
           "DelFiles = Ini.Files,Setup.Files,Common.Files\r\n"
           "DelReg   = Main.DelReg\r\n"
           "DelIcons = Main.Icons\r\n"
           "Exec     = " + section + ".Programs\r\n"
           "Plugins  = plugin_levels.dll\r\n"
           "[" + section + ".Programs]\r\n"
           "First = 1,\"@EXEC@\",\"" + section + " level1 %hwnd%\"\r\n"
           "Last  = 2,\"@EXEC@\",\"" + section + " level2 %hwnd%\"\r\n"
           "Final = 3,\"@EXEC@\",\"" + section + " level3 %hwnd%\"\r\n"
           "\r\n";
}

std::string ProductLines(bool forMe)
{
    std::string lines;
    const char* const sections[] = {"Client", "Viewer", "Agent", "Tools"};
    const char* const descriptions[] = {"The client manager of the QX-40 terminals.", "Reads the terminals' logs.",
                                        "A service that watches the terminals.", "For service technicians."};
    for (int i = 0; i < 4; ++i) {
        const Product& product = *Products[i];
        lines += std::string(product.key) + " = \"" + (forMe ? product.nameForMe : product.name) + "\","
                 + sections[i] + ".Install," + sections[i] + ".Remove,1," + std::to_string(i + 1) + ",\""
                 + descriptions[i] + "\"," + product.version + "\r\n";
    }
    return lines;
}

// The whole setup.inf; `exec` is the full path of the Exec program on the medium.
std::string Script(const std::string& exec)
{
    std::string script =
        "; Norvale Tessaro QX-40 Client Manager: the package of the Windows version matrix\r\n"
        "[Version]\r\n"
        "Signature=\"$Chicago$\"\r\n"
        "\r\n"
        "[DestinationDirs]\r\n"
        "DefaultDestDir = 24,\"Norvale QX-40\"\r\n"
        "Setup.Files    = 32768\r\n"
        "Common.Files   = 32768\r\n"
        "Ini.Files      = 10\r\n"
        "Client.Files   = 32768,Client\r\n"
        "Viewer.Files   = 32768,Viewer\r\n"
        "Agent.Files    = 32768\r\n"
        "Tools.Files    = 32768,Tools\r\n"
        "\r\n"
        "; Asked before the wizard opens, for the installation and for every removal.\r\n"
        "[Install]\r\n"
        "Conditions = Start.Conditions\r\n"
        "[Start.Conditions]\r\n"
        "Norvale = cond_norvale.dll,Holds\r\n"
        "\r\n"
        "; Empty: Windows Me (and 98) go on to the Windows 98 variant.\r\n"
        "[Install.WinMe]\r\n"
        "\r\n";
    for (const char* section : {"Install.NT5", "Install.NT", "Install.Win98", "Install.Win"})
        script += InstallVariant(section);
    for (const char* section : {"Remove.NT", "Remove.Win"}) script += RemoveVariant(section);
    script +=
        "[Products]\r\n" + ProductLines(false) + "\r\n"
        "[Products.WinMe]\r\n" + ProductLines(true) + "\r\n"
        "[Client.Install]\r\n"
        "Conditions = Client.Conditions\r\n"
        "CopyFiles  = Client.Files\r\n"
        "AddReg     = Client.AddReg\r\n"
        "MakeIcons  = Client.Icons\r\n"
        "[Client.Conditions]\r\n"
        "Tessaro = cond_tessaro.dll,Holds\r\n"
        "[Client.Remove]\r\n"
        "DelFiles = Client.Files\r\n"
        "DelReg   = Client.DelReg\r\n"
        "DelIcons = Client.Icons\r\n"
        "\r\n"
        "[Viewer.Install]\r\n"
        "CopyFiles = Viewer.Files\r\n"
        "AddReg    = Viewer.AddReg\r\n"
        "MakeIcons = Viewer.Icons\r\n"
        "[Viewer.Remove]\r\n"
        "DelFiles = Viewer.Files\r\n"
        "DelReg   = Viewer.DelReg\r\n"
        "DelIcons = Viewer.Icons\r\n"
        "\r\n"
        "; The agent's program is part of the main files: it is deleted with them, by the\r\n"
        "; last removal, long after the agent's own removal has stopped the service.\r\n"
        "[Agent.Install]\r\n"
        "CopyFiles = Agent.Files\r\n"
        "AddReg    = Agent.AddReg\r\n"
        "[Agent.Install.Services]\r\n"
        "StopService  = NorvaleQX40Agent\r\n"
        "AddService   = NorvaleQX40Agent,,Agent.Service\r\n"
        "StartService = NorvaleQX40Agent\r\n"
        "[Agent.Service]\r\n"
        "DisplayName   = \"Norvale QX-40 Monitoring Agent\"\r\n"
        "ServiceType   = 16\r\n"
        "StartType     = 3\r\n"
        "ErrorControl  = 1\r\n"
        "ServiceBinary = \"%32768%\\qxagent.exe\"\r\n"
        "[Agent.Remove]\r\n"
        "DelFiles = Agent.Files\r\n"
        "DelReg   = Agent.DelReg\r\n"
        "Plugins  = plugin_a.dll\r\n"
        "[Agent.Remove.Services]\r\n"
        "StopService = NorvaleQX40Agent\r\n"
        "DelService  = NorvaleQX40Agent\r\n"
        "\r\n"
        "; Never offered: its condition does not hold.\r\n"
        "[Tools.Install]\r\n"
        "Conditions = Tools.Conditions\r\n"
        "CopyFiles  = Tools.Files\r\n"
        "[Tools.Conditions]\r\n"
        "Norvale = cond_norvale.dll,Fails\r\n"
        "[Tools.Remove]\r\n"
        "DelFiles = Tools.Files\r\n"
        "\r\n"
        "[Setup.Files]\r\n"
        "setup.exe\r\n"
        "setup.inf\r\n"
        "cond_norvale.dll\r\n"
        "plugin_levels.dll\r\n"
        "plugin_a.dll\r\n"
        "[Common.Files]\r\n"
        "norvale.dll\r\n"
        "readme.txt\r\n"
        "qxdata.cab\r\n"
        "qxagent.exe\r\n"
        "[Ini.Files]\r\n"
        "norvale.ini\r\n"
        "[Client.Files]\r\n"
        "qxclient.exe\r\n"
        "qxclient.hlp\r\n"
        "[Viewer.Files]\r\n"
        "qxview.dat\r\n"
        "qxview.exe\r\n"
        "[Agent.Files]\r\n"
        "qxagent.cfg\r\n"
        "[Tools.Files]\r\n"
        "qxtools.dll\r\n"
        "\r\n"
        "[Main.AddReg]\r\n"
        "HKLM,\"Software\\NorvaleTessaro\\QX-40\",InstallDir,0,\"%32768%\"\r\n"
        "HKCU,\"Software\\NorvaleTessaro\\QX-40\",FirstRun,0x10001,1\r\n"
        "[Main.DelReg]\r\n"
        "HKLM,\"Software\\NorvaleTessaro\"\r\n"
        "HKCU,\"Software\\NorvaleTessaro\"\r\n"
        "HKLM,\"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\NorvaleQX40\"\r\n"
        "[Client.AddReg]\r\n"
        "HKLM,\"Software\\NorvaleTessaro\\QX-40\\Client\",Version,0,\"2.1.30\"\r\n"
        "[Client.DelReg]\r\n"
        "HKLM,\"Software\\NorvaleTessaro\\QX-40\\Client\"\r\n"
        "[Viewer.AddReg]\r\n"
        "HKLM,\"Software\\NorvaleTessaro\\QX-40\\Viewer\",Version,0,\"1.4\"\r\n"
        "[Viewer.DelReg]\r\n"
        "HKLM,\"Software\\NorvaleTessaro\\QX-40\\Viewer\"\r\n"
        "[Agent.AddReg]\r\n"
        "HKLM,\"Software\\NorvaleTessaro\\QX-40\\Agent\",Service,0,\"NorvaleQX40Agent\"\r\n"
        "[Agent.DelReg]\r\n"
        "HKLM,\"Software\\NorvaleTessaro\\QX-40\\Agent\"\r\n"
        "\r\n"
        "[Main.Icons]\r\n"
        "ReadMe = CPRG,\"Norvale QX-40\\Read Me\",\"%32768%\\readme.txt\"\r\n"
        "[Client.Icons]\r\n"
        "Client = CPRG,\"Norvale QX-40\\Client Manager\",\"%32768%\\Client\\qxclient.exe\",\"/start\"\r\n"
        "[Viewer.Icons]\r\n"
        "Viewer = UDSK,\"QX-40 Log Viewer\",\"%32768%\\Viewer\\qxview.exe\"\r\n"
        "\r\n"
        "[SourceDisksNames]\r\n"
        "1 = \"Norvale Tessaro QX-40 medium\",,,\r\n"
        "\r\n"
        "[SourceDisksFiles]\r\n";
    for (const PackageFile& file : Files) {
        if (file.folder) script += std::string(file.name) + " = 1\r\n";
    }
    return ReplaceAll(script, "@EXEC@", exec);
}

// ---- Windows state, read as a program of the machine sees it ----

using testsupport::KeyExists;

// A REG_SZ value, or "<none>" when the key or value is missing, or "<type N>".
std::string ReadText(HKEY root, const std::string& path, const char* name)
{
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return "<none>";
    char value[1024] = {};
    DWORD type = 0, size = sizeof value - 1;
    const LONG result = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS) return "<none>";
    if (type != REG_SZ) return "<type " + std::to_string(type) + ">";
    return value;
}

// A REG_DWORD value, or -1 when it is missing or of another type.
long ReadNumber(HKEY root, const std::string& path, const char* name)
{
    DWORD value = 0, size = sizeof value;
    if (RegGetValueA(root, path.c_str(), name, RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS) return -1;
    return static_cast<long>(value);
}

// The names of a key's values.
std::vector<std::string> ValueNames(HKEY root, const std::string& path)
{
    std::vector<std::string> names;
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return names;
    for (DWORD index = 0;; ++index) {
        char name[256];
        DWORD size = sizeof name;
        if (RegEnumValueA(key, index, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.push_back(name);
    }
    RegCloseKey(key);
    return names;
}

std::string UninstallKey(const std::string& key)
{
    return std::string(UninstallRoot) + "\\" + key;
}

using testsupport::ProgramFilesFolder;

std::string WindowsFolder()
{
    char path[MAX_PATH] = "";
    GetWindowsDirectoryA(path, sizeof path);
    return path;
}

// A shell folder as the Explorer's "Shell Folders" values name it.
std::string ShellFolder(HKEY root, const char* name)
{
    const std::string value =
        ReadText(root, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", name);
    return value[0] == '<' ? std::string() : value;
}

// The target of a shell link file as stored in it, or "<unreadable>".
std::string LinkTarget(const std::string& link, std::string* arguments)
{
    std::string target = "<unreadable>";
    if (FAILED(CoInitialize(nullptr))) return target;
    IShellLinkA* shellLink = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   reinterpret_cast<void**>(&shellLink)))) {
        IPersistFile* file = nullptr;
        if (SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            WCHAR wide[MAX_PATH];
            MultiByteToWideChar(CP_ACP, 0, link.c_str(), -1, wide, MAX_PATH);
            char path[MAX_PATH] = "", args[MAX_PATH] = "";
            if (SUCCEEDED(file->Load(wide, STGM_READ))
                && SUCCEEDED(shellLink->GetPath(path, MAX_PATH, nullptr, SLGP_RAWPATH))) {
                target = path;
                if (arguments && SUCCEEDED(shellLink->GetArguments(args, MAX_PATH))) *arguments = args;
            }
            file->Release();
        }
        shellLink->Release();
    }
    CoUninitialize();
    return target;
}

// The agent's service as the service control manager reports it.
struct ServiceState {
    bool exists = false;
    DWORD openError = 0;
    DWORD state = 0;
    std::string binary;
    std::string displayName;
    DWORD startType = 0;
};

ServiceState QueryAgentService()
{
    ServiceState result;
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (!manager) {
        result.openError = GetLastError();
        return result;
    }
    SC_HANDLE service = OpenServiceA(manager, ServiceName, SERVICE_QUERY_STATUS | SERVICE_QUERY_CONFIG);
    if (!service) {
        result.openError = GetLastError();
    } else {
        result.exists = true;
        SERVICE_STATUS status = {};
        if (QueryServiceStatus(service, &status)) result.state = status.dwCurrentState;
        union {
            QUERY_SERVICE_CONFIGA config;
            char bytes[8192];
        } buffer;
        DWORD needed = 0;
        if (QueryServiceConfigA(service, &buffer.config, sizeof buffer, &needed)) {
            result.binary = buffer.config.lpBinaryPathName ? buffer.config.lpBinaryPathName : "";
            result.displayName = buffer.config.lpDisplayName ? buffer.config.lpDisplayName : "";
            result.startType = buffer.config.dwStartType;
        }
        CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
    return result;
}

// Registers the agent's service name as another installation would have left it:
// stopped, started on demand, with a display name and a program of its own.
bool RegisterDecoyService(const std::string& binary)
{
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (!manager) return false;
    SC_HANDLE service = CreateServiceA(manager, ServiceName, DecoyDisplayName, SERVICE_ALL_ACCESS,
                                       SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                                       binary.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr);
    if (service) CloseServiceHandle(service);
    CloseServiceHandle(manager);
    return service != nullptr;
}

// The NT family's list of operations for the next start, as pairs of source and target
// (an empty target: delete). Empty when the value is missing.
std::vector<std::string> PendingRenames()
{
    std::vector<std::string> entries;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager", 0, KEY_READ, &key)
        != ERROR_SUCCESS)
        return entries;
    std::vector<char> data(65536);
    DWORD type = 0, size = static_cast<DWORD>(data.size());
    const LONG result = RegQueryValueExA(key, "PendingFileRenameOperations", nullptr, &type,
                                         reinterpret_cast<BYTE*>(data.data()), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS) return entries;
    // Every string ends with a zero, empty targets included; one more zero ends the list.
    for (DWORD at = 0; at < size;) {
        const std::string text(data.data() + at, strnlen(data.data() + at, size - at));
        entries.push_back(text);
        at += static_cast<DWORD>(text.size()) + 1;
    }
    if (entries.size() % 2 && entries.back().empty()) entries.pop_back();
    return entries;
}

// The lines of the [Rename] section of the Windows folder's wininit.ini, read from the
// file itself; `exists` tells whether the file is there.
std::vector<std::string> WininitRenameLines(bool* exists)
{
    std::vector<std::string> lines;
    std::string text;
    *exists = testsupport::ReadFile(WindowsFolder() + "\\wininit.ini", &text);
    bool inRename = false;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(at, end - at);
        at = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        if (line[0] == '[') {
            inRename = _stricmp(line.c_str(), "[Rename]") == 0;
        } else if (inRename) {
            lines.push_back(line);
        }
    }
    return lines;
}

std::string ShortPath(const std::string& path)
{
    char shortPath[MAX_PATH] = "";
    const DWORD length = GetShortPathNameA(path.c_str(), shortPath, sizeof shortPath);
    return length && length < sizeof shortPath ? shortPath : "<no short path for " + path + ">";
}

// Every file and folder below `folder`, relative to it, folders ending in a backslash.
void ListTree(const std::string& folder, const std::string& relative, std::vector<std::string>* entries)
{
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        const std::string name = entry.cFileName;
        if (name == "." || name == "..") continue;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            entries->push_back(relative + name + "\\");
            ListTree(folder + "\\" + name, relative + name + "\\", entries);
        } else {
            entries->push_back(relative + name);
        }
    } while (FindNextFileA(find, &entry));
    FindClose(find);
}

std::vector<std::string> Tree(const std::string& folder)
{
    std::vector<std::string> entries;
    ListTree(folder, "", &entries);
    std::sort(entries.begin(), entries.end());
    return entries;
}

std::string Join(const std::vector<std::string>& items)
{
    std::string text;
    for (const std::string& item : items) text += "\n    [" + item + "]";
    return text.empty() ? " (none)" : text;
}

// ---- Logs of the Exec program and the plug-in steps ----

struct ExecStart {
    std::string directory;
    std::string parameters;
};

// What the Exec program recorded: its starts in order, and how many ended by themselves.
struct ExecLog {
    std::vector<ExecStart> starts;
    int ends = 0;
};

std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(at, end - at);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) lines.push_back(line);
        at = end + 1;
    }
    return lines;
}

std::vector<std::string> SplitTabs(const std::string& line)
{
    std::vector<std::string> fields;
    size_t at = 0;
    for (;;) {
        const size_t tab = line.find('\t', at);
        fields.push_back(line.substr(at, tab == std::string::npos ? std::string::npos : tab - at));
        if (tab == std::string::npos) break;
        at = tab + 1;
    }
    return fields;
}

ExecLog ReadExecLog(const std::string& path)
{
    ExecLog log;
    std::string text;
    if (!testsupport::ReadFile(path, &text)) return log;
    for (const std::string& line : SplitLines(text)) {
        const std::vector<std::string> fields = SplitTabs(line);
        if (fields[0] == "start" && fields.size() >= 4) log.starts.push_back({fields[2], fields[3]});
        if (fields[0] == "end" && fields.size() >= 3 && fields[2] == "done") ++log.ends;
    }
    return log;
}

// The tags of the plug-in steps in the order they ran ("L1", "A0", ...).
std::vector<std::string> ReadPluginLog(const std::string& path)
{
    std::vector<std::string> tags;
    std::string text;
    if (!testsupport::ReadFile(path, &text)) return tags;
    for (const std::string& line : SplitLines(text)) tags.push_back(SplitTabs(line)[0]);
    return tags;
}

// "0x" and eight lower-case hexadecimal digits, not all zero: a window handle as the
// program writes it into an Exec program's parameters.
bool IsHandleText(const std::string& text)
{
    if (text.size() != 10 || text.compare(0, 2, "0x") != 0 || text == "0x00000000") return false;
    return std::all_of(text.begin() + 2, text.end(), [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

// The Exec programs of `section` ran at the three levels, in order, each waited for, in
// `directory` (the folder of the running setup.exe), with the page's window handle: `page`
// when the test knows it, else any handle.
void ExpectExecLevels(const ExecLog& log, const std::string& section, const std::string& directory, HWND page)
{
    SCOPED_TRACE("Exec programs of " + section);
    ASSERT_EQ(3u, log.starts.size()) << "parameters seen:" << [&] {
        std::string text;
        for (const ExecStart& start : log.starts) text += " [" + start.parameters + "]";
        return text;
    }();
    for (int level = 1; level <= 3; ++level) {
        const ExecStart& start = log.starts[level - 1];
        const std::string prefix = section + " level" + std::to_string(level) + " ";
        EXPECT_EQ(prefix, start.parameters.substr(0, prefix.size())) << start.parameters;
        const std::string handle = start.parameters.substr(std::min(prefix.size(), start.parameters.size()));
        EXPECT_TRUE(IsHandleText(handle)) << "no window handle in place of %hwnd%: " << start.parameters;
        if (page) {
            char expected[16];
            std::snprintf(expected, sizeof expected, "0x%08lx", static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(page)));
            EXPECT_EQ(expected, handle) << "not the handle of the install page";
        }
        EXPECT_EQ(0, _stricmp(directory.c_str(), start.directory.c_str())) << start.directory;
    }
    EXPECT_EQ(3, log.ends) << "every program is waited for, so each ends before the next starts";
}

// ---- Running setup.exe ----

struct Run {
    bool started = false;
    std::vector<driver::MessageBoxInfo> boxes;  // in the order shown
    driver::ExitResult exit;
};

using driver::HasButton;
using testsupport::Remaining;

std::string DescribeBoxes(const std::vector<driver::MessageBoxInfo>& boxes)
{
    std::string text;
    for (const driver::MessageBoxInfo& box : boxes) {
        text += "\n    [caption \"" + box.caption + "\" text \"" + box.text + "\" owner \"" + box.ownerClass
                + "\" buttons";
        for (const driver::ControlInfo& button : box.buttons)
            text += " " + std::to_string(button.id) + ":\"" + button.text + "\"";
        text += "]";
    }
    return text.empty() ? " none" : text;
}

// Until the program ends (within `limitMs` of `start`): every box it shows is recorded and
// answered with No where it has No (the restart prompt must not restart the session),
// else OK. A box that is not the restart prompt reports a failure, after which nothing
// presses the wizard's buttons any more: the wizard is cancelled so that the run ends.
void FollowToTheEnd(driver::Process* process, DWORD start, DWORD limitMs, Run* run)
{
    while (Remaining(start, limitMs) > 0 && !driver::WaitUntilExited(*process, 20)) {
        if (HWND box = driver::FindMessageBox(process->id)) {
            driver::MessageBoxInfo info;
            if (!driver::ReadMessageBox(box, &info)) continue;
            // The wizard's sheet, caught by the window search just before the program
            // destroys it, no longer answers the driver's question for its page and then
            // reads as a box without caption, text or visible buttons (seen about once in
            // a hundred runs). A message box always shows at least one button.
            if (info.buttons.empty()) {
                Sleep(20);
                continue;
            }
            run->boxes.push_back(info);
            driver::AnswerMessageBox(box, HasButton(info, IDNO) ? IDNO : IDOK);
            driver::WaitForWindowGone(box, Remaining(start, limitMs));
        } else if (!run->boxes.empty() && !HasButton(run->boxes.back(), IDNO)) {
            if (HWND sheet = driver::FindPropertySheet(process->id)) driver::PressWizardButton(sheet, driver::WizardCancel);
        }
    }
    run->exit = driver::WaitForExit(*process, Remaining(start, limitMs));
    driver::CloseProcess(process);
}

// A run that needs nobody, from a whole command line.
Run RunUnattended(const std::string& commandLine)
{
    Run run;
    driver::Process process;
    run.started = driver::StartProgram(commandLine, std::string(), &process);
    if (run.started) FollowToTheEnd(&process, GetTickCount(), RunLimitMs, &run);
    return run;
}

// The run's only box was the restart prompt that "Reboot=1" asks for (Yes and No, owned
// by the program's hidden main window), answered No, and the program then ended with 0.
void ExpectRunWithRestartPrompt(const Run& run)
{
    ASSERT_TRUE(run.started);
    EXPECT_FALSE(run.exit.killed) << "setup.exe did not end within the limit; boxes:" << DescribeBoxes(run.boxes);
    EXPECT_TRUE(run.exit.exited);
    EXPECT_EQ(0u, run.exit.exitCode);
    ASSERT_EQ(1u, run.boxes.size()) << "boxes:" << DescribeBoxes(run.boxes);
    const driver::MessageBoxInfo& prompt = run.boxes[0];
    EXPECT_TRUE(HasButton(prompt, IDYES) && HasButton(prompt, IDNO) && prompt.buttons.size() == 2)
        << "not the restart prompt:" << DescribeBoxes(run.boxes);
    EXPECT_EQ("SETUP", prompt.ownerClass) << "the prompt belongs to the program's main window";
}

// ---- The case under test ----

class MatrixCase {
public:
    MatrixCase(const VersionCase& version, bool wizard) : version_(version), wizard_(wizard)
    {
        for (const Texts& texts : AllTexts) {
            if (std::strcmp(texts.language, version.pages) == 0) texts_ = &texts;
        }
    }

    // The machine is a private prefix prepared for this case, and the folders that the
    // package uses are known.
    void Locate()
    {
        ASSERT_EQ(version_.name, ReadText(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\setup.exe", "Version"))
            << "not a case prefix of run-case.sh: setup.exe is not given the case's version";
        ASSERT_TRUE(texts_) << "no texts for " << version_.pages;
        programFiles_ = ProgramFilesFolder();
        ASSERT_FALSE(programFiles_.empty());
        target_ = programFiles_ + "\\Norvale QX-40";
        commonPrograms_ = ShellFolder(HKEY_LOCAL_MACHINE, "Common Programs");
        desktop_ = ShellFolder(HKEY_CURRENT_USER, "Desktop");
        ASSERT_FALSE(commonPrograms_.empty());
        ASSERT_FALSE(desktop_.empty());
    }

    // The prefix holds nothing of the package yet.
    void CheckPrefix()
    {
        ASSERT_NO_FATAL_FAILURE(Locate());
        ASSERT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, RegistryRoot));
        ASSERT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, UninstallKey(PackageKey)));
        ASSERT_TRUE(PendingRenames().empty()) << Join(PendingRenames());
        bool wininit = false;
        ASSERT_TRUE(WininitRenameLines(&wininit).empty());
        ASSERT_FALSE(QueryAgentService().exists);
        ASSERT_FALSE(testsupport::FileExists(target_)) << target_;
        decoyBinary_ = testsupport::TestFolder() + "\\service_stops.exe";
        if (version_.family95) {
            ASSERT_TRUE(RegisterDecoyService(decoyBinary_)) << "error " << GetLastError();
        }
    }

    // After the restart that the removal asked for: the system has carried out the
    // deletions it was given. The NT family deletes the files and then their folders, so
    // nothing is left; the Windows 95 family deletes the files only, and the two folders
    // stay, empty. Wine carries the list out while it boots, before or while this program
    // starts, so the wait for the list to be gone is bounded.
    void CheckRestart()
    {
        ASSERT_NO_FATAL_FAILURE(Locate());
        const DWORD start = GetTickCount();
        bool wininit = true;
        while (Remaining(start, StepLimitMs) > 0) {
            WininitRenameLines(&wininit);
            if (version_.family95 ? !wininit : PendingRenames().empty()) break;
            Sleep(100);
        }
        EXPECT_TRUE(PendingRenames().empty()) << Join(PendingRenames());
        const std::vector<std::string> renames = WininitRenameLines(&wininit);
        EXPECT_TRUE(renames.empty()) << "wininit.ini's [Rename] still holds:" << Join(renames);
        if (version_.family95) {
            EXPECT_EQ((std::vector<std::string>{"Viewer\\"}), Tree(target_))
                << "left in " << target_ << ":" << Join(Tree(target_));
        } else {
            EXPECT_FALSE(testsupport::FileExists(target_))
                << "left in " << target_ << ":" << Join(Tree(target_));
        }
    }

    // The medium: the program, the script, the payload and the fixtures; a folder for the
    // logs of the Exec program and the plug-in steps.
    void LayOutMedium()
    {
        medium_ = testsupport::MakeScratchFolder("qx40-medium");
        logs_ = testsupport::MakeScratchFolder("qx40-logs");
        ASSERT_FALSE(medium_.empty());
        ASSERT_FALSE(logs_.empty());
        const std::string tests = testsupport::TestFolder();
        for (const PackageFile& file : Files) {
            const std::string path = medium_ + "\\" + file.name;
            if (std::strcmp(file.name, "setup.exe") == 0) {
                ASSERT_TRUE(CopyFileA(testsupport::SetupExePath().c_str(), path.c_str(), FALSE)) << path;
            } else if (std::strcmp(file.name, "setup.inf") == 0) {
                ASSERT_TRUE(testsupport::WriteFile(path, Script(medium_ + "\\exec_fixture.exe")));
            } else if (file.buildFile) {
                ASSERT_TRUE(CopyFileA((tests + "\\" + file.buildFile).c_str(), path.c_str(), FALSE)) << path;
            } else {
                ASSERT_TRUE(testsupport::WriteFile(path, WrittenContent(file.name))) << path;
            }
        }
        // A read-only cabinet: the copy must end with normal attributes all the same.
        ASSERT_TRUE(SetFileAttributesA((medium_ + "\\qxdata.cab").c_str(), FILE_ATTRIBUTE_READONLY));
    }

    // The logs of the next run of setup.exe; the Exec program and the plug-in steps find
    // them through the environment that setup.exe inherits from here.
    void StartLogs(const std::string& run)
    {
        execLog_ = logs_ + "\\" + run + ".exec.log";
        pluginLog_ = logs_ + "\\" + run + ".plugin.log";
        SetEnvironmentVariableA("EXEC_FIXTURE_LOG", execLog_.c_str());
        SetEnvironmentVariableA("SETUP_PLUGIN_LOG", pluginLog_.c_str());
    }

    void Install()
    {
        StartLogs("install");
        if (wizard_) {
            WalkInstallWizard();
        } else {
            SCOPED_TRACE("setup.exe /quiet");
            ExpectRunWithRestartPrompt(RunUnattended(testsupport::Quote(medium_ + "\\setup.exe") + " /quiet"));
        }
    }

    // What the installation left: files, registry, INI file, uninstall entries, shortcuts,
    // the service (NT family only), the Exec programs and plug-in steps that ran.
    void CheckInstallation()
    {
        {
            SCOPED_TRACE("files");
            for (const PackageFile& file : Files) {
                if (!file.folder) continue;
                const std::string path = InstalledPath(file);
                if (file.product && !file.product->offered) {
                    EXPECT_FALSE(testsupport::FileExists(path)) << path;
                    continue;
                }
                std::string installed, original;
                EXPECT_TRUE(testsupport::ReadFile(path, &installed)) << path << " is missing";
                ASSERT_TRUE(testsupport::ReadFile(medium_ + "\\" + file.name, &original));
                EXPECT_TRUE(installed == original) << path << " differs from the medium's copy";
            }
            const DWORD cabinet = GetFileAttributesA((target_ + "\\qxdata.cab").c_str());
            EXPECT_NE(INVALID_FILE_ATTRIBUTES, cabinet);
            EXPECT_EQ(0u, cabinet & FILE_ATTRIBUTE_READONLY) << "the cabinet keeps the medium's read-only attribute";
            EXPECT_FALSE(testsupport::FileExists(target_ + "\\Tools"));
        }
        {
            SCOPED_TRACE("uninstall entries");
            for (const Product* product : Products) {
                const std::string key = UninstallKey(product->key);
                if (!product->offered) {
                    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, key)) << key;
                    continue;
                }
                EXPECT_EQ(DisplayName(*product), ReadText(HKEY_LOCAL_MACHINE, key, "DisplayName")) << key;
                EXPECT_EQ(Command(product->key), ReadText(HKEY_LOCAL_MACHINE, key, "UninstallString")) << key;
                EXPECT_EQ(product->version, ReadText(HKEY_LOCAL_MACHINE, key, "ProductVersion")) << key;
                EXPECT_EQ(target_, ReadText(HKEY_LOCAL_MACHINE, key, "UserTargetDir")) << key;
            }
            const std::string main = UninstallKey(PackageKey);
            EXPECT_EQ(PackageName, ReadText(HKEY_LOCAL_MACHINE, main, "DisplayName"));
            EXPECT_EQ(Command(PackageKey), ReadText(HKEY_LOCAL_MACHINE, main, "UninstallString"));
            EXPECT_EQ(target_, ReadText(HKEY_LOCAL_MACHINE, main, "UserTargetDir"));
            EXPECT_EQ("<none>", ReadText(HKEY_LOCAL_MACHINE, main, "ProductVersion"));
        }
        {
            SCOPED_TRACE("registry and INI entries of the main install section " + std::string(version_.installSection));
            EXPECT_EQ(target_, ReadText(HKEY_LOCAL_MACHINE, RegistryKey, "InstallDir"));
            EXPECT_EQ(1, ReadNumber(HKEY_CURRENT_USER, RegistryKey, "FirstRun"));
            EXPECT_EQ(version_.installSection, ReadText(HKEY_LOCAL_MACHINE, RegistryKey, "Section"));
            EXPECT_EQ(std::vector<std::string>{version_.installSection},
                      ValueNames(HKEY_LOCAL_MACHINE, std::string(RegistryKey) + "\\Sections"))
                << "exactly one main install section ran";
            EXPECT_EQ("2.1.30", ReadText(HKEY_LOCAL_MACHINE, std::string(RegistryKey) + "\\Client", "Version"));
            EXPECT_EQ("1.4", ReadText(HKEY_LOCAL_MACHINE, std::string(RegistryKey) + "\\Viewer", "Version"));
            EXPECT_EQ(ServiceName, ReadText(HKEY_LOCAL_MACHINE, std::string(RegistryKey) + "\\Agent", "Service"));
            char value[MAX_PATH] = "";
            GetPrivateProfileStringA("Platform", "Section", "<none>", value, sizeof value, IniPath().c_str());
            EXPECT_EQ(version_.installSection, std::string(value));
            GetPrivateProfileStringA("Paths", "Target", "<none>", value, sizeof value, IniPath().c_str());
            EXPECT_EQ(target_, std::string(value));
        }
        {
            SCOPED_TRACE("shortcuts");
            std::string arguments;
            EXPECT_EQ(target_ + "\\readme.txt", LinkTarget(ReadMeLink(), nullptr));
            EXPECT_EQ(target_ + "\\Client\\qxclient.exe", LinkTarget(ClientLink(), &arguments));
            EXPECT_EQ("/start", arguments);
            EXPECT_EQ(target_ + "\\Viewer\\qxview.exe", LinkTarget(ViewerLink(), nullptr));
        }
        {
            SCOPED_TRACE("the agent's service");
            const ServiceState service = QueryAgentService();
            if (version_.family95) {
                ExpectDecoyUntouched();
            } else {
                ASSERT_TRUE(service.exists) << "error " << service.openError;
                EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), service.state) << "StartService runs it";
                EXPECT_EQ(target_ + "\\qxagent.exe", service.binary);
                EXPECT_EQ(ServiceDisplayName, service.displayName);
                EXPECT_EQ(static_cast<DWORD>(SERVICE_DEMAND_START), service.startType);
            }
        }
        {
            SCOPED_TRACE("Exec programs and plug-in steps of the installation");
            ExpectExecLevels(ReadExecLog(execLog_), version_.installSection, medium_, installPage_);
            // plugin_levels.dll offers one step per level, given out of order; they run at
            // the levels 0, 1, 2, 4, 3, 5 of the step sequence, and those of the levels 6
            // and -1 never.
            EXPECT_EQ((std::vector<std::string>{"L1", "L3", "L5", "L4", "L0", "L2"}), ReadPluginLog(pluginLog_));
        }
        {
            SCOPED_TRACE("nothing is scheduled for the restart yet");
            EXPECT_TRUE(PendingRenames().empty()) << Join(PendingRenames());
            bool wininit = false;
            EXPECT_TRUE(WininitRenameLines(&wininit).empty());
        }
    }

    // Removes a product the way Windows does: the command of its uninstall entry, with
    // /quiet added. With `holdFile` the test holds that installed file open, without
    // sharing, for the whole run.
    void Remove(const Product& product, const PackageFile* holdFile)
    {
        SCOPED_TRACE(std::string("removal of ") + product.key);
        StartLogs(std::string("remove-") + product.key);
        const std::string command = ReadText(HKEY_LOCAL_MACHINE, UninstallKey(product.key), "UninstallString");
        ASSERT_EQ(Command(product.key), command);
        HANDLE held = INVALID_HANDLE_VALUE;
        if (holdFile) {
            held = CreateFileA(InstalledPath(*holdFile).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
            ASSERT_NE(INVALID_HANDLE_VALUE, held) << InstalledPath(*holdFile) << " error " << GetLastError();
        }
        const Run run = RunUnattended(command + " /quiet");
        if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
        // Every removal reads "Reboot=1" in the main install section as well.
        ExpectRunWithRestartPrompt(run);
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, UninstallKey(product.key)));
    }

    void RemoveAgent()
    {
        Remove(Agent, nullptr);
        EXPECT_FALSE(testsupport::FileExists(target_ + "\\qxagent.cfg"));
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, std::string(RegistryKey) + "\\Agent"));
        if (version_.family95) {
            ExpectDecoyUntouched();
        } else {
            const ServiceState service = QueryAgentService();
            EXPECT_FALSE(service.exists) << "the service is stopped and deleted; state " << service.state;
            EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST), service.openError);
        }
        // The other products stay, and the package with them.
        EXPECT_TRUE(testsupport::FileExists(target_ + "\\qxagent.exe"));
        EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, UninstallKey(PackageKey)));
        EXPECT_FALSE(testsupport::FileExists(execLog_)) << "only the main sections run Exec programs";
        // plugin_a.dll's two steps at level 2, run from the front of the step list: the
        // later one first.
        EXPECT_EQ((std::vector<std::string>{"A1", "A0"}), ReadPluginLog(pluginLog_));
        EXPECT_TRUE(PendingRenames().empty()) << Join(PendingRenames());
    }

    // The viewer's file that the test holds stays, scheduled for deletion at the restart;
    // on the NT family its folder is scheduled after it.
    void RemoveViewerWhileItsFileIsHeld()
    {
        const PackageFile* held = nullptr;
        for (const PackageFile& file : Files) {
            if (std::strcmp(file.name, HeldFile) == 0) held = &file;
        }
        Remove(Viewer, held);
        const std::string heldPath = InstalledPath(*held);
        EXPECT_TRUE(testsupport::FileExists(heldPath)) << "a file in use cannot be deleted at once";
        EXPECT_FALSE(testsupport::FileExists(target_ + "\\Viewer\\qxview.exe"));
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, std::string(RegistryKey) + "\\Viewer"));
        EXPECT_FALSE(testsupport::FileExists(ViewerLink()));
        EXPECT_TRUE(testsupport::FileExists(ClientLink())) << "the client's shortcut stays";
        ExpectScheduled({heldPath}, {target_ + "\\Viewer"});
    }

    // The last product: the main remove section runs after the client's own, with the
    // installed setup.exe that carries out the removal still running.
    void RemoveClientAndThePackage()
    {
        Remove(Client, nullptr);
        SCOPED_TRACE("the last removal, with the main remove section");
        ExpectExecLevels(ReadExecLog(execLog_), version_.removeSection, target_, nullptr);
        // The installed plugin_levels.dll runs its steps of the levels 0 and 1; the file
        // queue, committed next, deletes the library, so the steps of the later levels find
        // it gone and are skipped.
        EXPECT_EQ((std::vector<std::string>{"L1", "L3"}), ReadPluginLog(pluginLog_));
        ExpectScheduled({target_ + "\\Viewer\\" + HeldFile, target_ + "\\setup.exe"},
                        {target_ + "\\Viewer", target_});
    }

    // At the end, nothing of the package is left but what the restart will delete: the held
    // file, the running setup.exe and their folders.
    void CheckNothingIsLeft()
    {
        EXPECT_EQ((std::vector<std::string>{"Viewer\\", std::string("Viewer\\") + HeldFile, "setup.exe"}),
                  Tree(target_))
            << "left in " << target_ << ":" << Join(Tree(target_));
        for (const Product* product : Products)
            EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, UninstallKey(product->key))) << product->key;
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, UninstallKey(PackageKey)));
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, RegistryRoot));
        EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, RegistryRoot));
        EXPECT_FALSE(testsupport::FileExists(IniPath()));
        EXPECT_FALSE(testsupport::FileExists(ReadMeLink()));
        EXPECT_FALSE(testsupport::FileExists(ClientLink()));
        EXPECT_FALSE(testsupport::FileExists(commonPrograms_ + "\\" + ShortcutFolder))
            << "the emptied shortcut folder goes too";
        EXPECT_FALSE(testsupport::FileExists(ViewerLink()));
        if (version_.family95) {
            ExpectDecoyUntouched();
        } else {
            EXPECT_FALSE(QueryAgentService().exists);
        }
    }

    // The wizard as a user walks it: welcome, components (the licence page skips itself),
    // target folder, ready, the run, the finish page with the restart note, Finish, and
    // the restart prompt answered No.
    void WalkInstallWizard()
    {
        SCOPED_TRACE(std::string("the wizard, /lang:") + version_.option);
        driver::Process process;
        const std::string exe = medium_ + "\\setup.exe";
        ASSERT_TRUE(driver::StartProgram(testsupport::Quote(exe) + " /lang:" + version_.option, medium_, &process));
        const DWORD start = GetTickCount();
        Run run;
        run.started = true;
        WalkPages(process);
        // A walk that stopped early leaves the wizard to Cancel, so that the program ends
        // soon; either way it is led to its end, and killed at the limit.
        if (::testing::Test::HasFatalFailure()) {
            if (HWND sheet = driver::FindPropertySheet(process.id)) driver::PressWizardButton(sheet, driver::WizardCancel);
        }
        FollowToTheEnd(&process, start, RunLimitMs + StepLimitMs, &run);
        ExpectRunWithRestartPrompt(run);
    }

private:
    void WalkPages(const driver::Process& process)
    {
        HWND sheet = driver::WaitForPropertySheet(process, StepLimitMs);
        ASSERT_TRUE(sheet) << "no wizard; a box: " << (driver::FindMessageBox(process.id) ? "yes" : "no");
        EXPECT_EQ(ProductTitle, driver::WindowText(sheet));

        ASSERT_EQ(0, driver::CurrentPageIndex(sheet));
        EXPECT_EQ(ProductTitle, driver::PageControlText(sheet, 1202, nullptr));
        EXPECT_EQ(texts_->welcome, driver::PageControlText(sheet, 1203, nullptr));

        // The components: the three products whose conditions hold, with the names of the
        // products section of this Windows version, all checked as their flags say.
        ASSERT_EQ(2, driver::PressAndWaitForPage(sheet, driver::WizardNext, StepLimitMs));
        HWND list = driver::PageControl(sheet, 1207);
        ASSERT_TRUE(list);
        ASSERT_EQ(3, driver::ListRowCount(list));
        const Product* const offered[] = {&Client, &Viewer, &Agent};
        for (int row = 0; row < 3; ++row) {
            EXPECT_EQ(DisplayName(*offered[row]), driver::ListRowText(list, row));
            EXPECT_EQ(1, CheckListDataCheck(driver::ListRowData(list, row))) << "row " << row << " is not checked";
        }
        // The classic wizard, whose pages carry their header in their own template, is the
        // style of the Windows 95 family; the NT family gets the Wizard97 sheet, which draws
        // the header itself.
        bool header = false;
        const std::string headerTitle = driver::PageControlText(sheet, 0xFFF0, &header);
        if (version_.family95) {
            EXPECT_TRUE(header) << "not the classic wizard";
            EXPECT_EQ(texts_->componentsTitle, headerTitle);
        } else {
            EXPECT_FALSE(header) << "the classic wizard on the NT family: " << headerTitle;
        }

        ASSERT_EQ(3, driver::PressAndWaitForPage(sheet, driver::WizardNext, StepLimitMs));
        EXPECT_EQ(target_, driver::PageControlText(sheet, 1208, nullptr)) << "the script's default folder";

        ASSERT_EQ(4, driver::PressAndWaitForPage(sheet, driver::WizardNext, StepLimitMs));
        installPage_ = driver::CurrentPage(sheet);
        EXPECT_EQ(texts_->ready, driver::PageControlText(sheet, 65534, nullptr));

        ASSERT_TRUE(driver::PressWizardButton(sheet, driver::WizardNext));
        ASSERT_TRUE(driver::WaitForPageIndex(sheet, 5, RunLimitMs))
            << "the run did not reach the finish page; now on page " << driver::CurrentPageIndex(sheet)
            << (driver::FindMessageBox(process.id) ? ", a box is shown" : "");

        // "Reboot=1": the finish page shows the restart note with its icon.
        EXPECT_EQ(texts_->finishTitle, driver::PageControlText(sheet, 1202, nullptr));
        HWND note = driver::PageControl(sheet, 1203);
        EXPECT_TRUE(driver::WaitForShown(note, true, StepLimitMs)) << "the restart note is hidden";
        EXPECT_EQ(texts_->restartNote, driver::WindowText(note));
        EXPECT_TRUE(driver::IsShown(driver::PageControl(sheet, 1205))) << "the note's icon is hidden";
        ASSERT_TRUE(driver::PressWizardButton(sheet, driver::WizardFinish));
    }

    // On the Windows 95 family: the service registered before the installation is as it
    // was, stopped, with its own display name and program.
    void ExpectDecoyUntouched()
    {
        SCOPED_TRACE("no service calls on the Windows 95 family");
        const ServiceState service = QueryAgentService();
        ASSERT_TRUE(service.exists) << "deleted: error " << service.openError;
        EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), service.state) << "started";
        EXPECT_EQ(DecoyDisplayName, service.displayName) << "reconfigured";
        EXPECT_EQ(decoyBinary_, service.binary) << "reconfigured";
    }

    std::string DisplayName(const Product& product) const
    {
        return version_.productsForMe ? product.nameForMe : product.name;
    }

    // The command that an uninstall entry must hold: the installed setup.exe (quoted, as
    // the path has blanks), " /remove:" and the key.
    std::string Command(const std::string& key) const
    {
        return "\"" + target_ + "\\setup.exe\" /remove:" + key;
    }

    std::string InstalledPath(const PackageFile& file) const
    {
        return target_ + (*file.folder ? "\\" + std::string(file.folder) : "") + "\\" + file.name;
    }

    std::string IniPath() const { return WindowsFolder() + "\\" + IniName; }
    std::string ReadMeLink() const { return commonPrograms_ + "\\" + ShortcutFolder + "\\Read Me.lnk"; }
    std::string ClientLink() const { return commonPrograms_ + "\\" + ShortcutFolder + "\\Client Manager.lnk"; }
    std::string ViewerLink() const { return desktop_ + "\\QX-40 Log Viewer.lnk"; }

    // Exactly `files` (still there) and, on the NT family, `folders` are scheduled for
    // deletion at the restart, in that order: each folder after the files in it. The
    // Windows 95 family lists the files' short paths in wininit.ini's [Rename] section
    // and cannot schedule folders; the NT family uses PendingFileRenameOperations.
    void ExpectScheduled(const std::vector<std::string>& files, const std::vector<std::string>& folders)
    {
        SCOPED_TRACE("scheduled for the restart");
        bool wininit = false;
        const std::vector<std::string> renames = WininitRenameLines(&wininit);
        const std::vector<std::string> pending = PendingRenames();
        if (version_.family95) {
            std::vector<std::string> expected;
            for (const std::string& file : files) expected.push_back("NUL=" + ShortPath(file));
            EXPECT_TRUE(wininit) << "no wininit.ini in " << WindowsFolder();
            EXPECT_EQ(expected, renames) << "[Rename] holds:" << Join(renames);
            EXPECT_TRUE(pending.empty()) << "the Windows 95 family has no PendingFileRenameOperations:" << Join(pending);
        } else {
            // Each deletion is a source and an empty target; the files of a folder come
            // before the folder.
            std::vector<std::string> expected;
            for (size_t i = 0; i < files.size(); ++i) {
                expected.push_back("\\??\\" + files[i]);
                expected.push_back("");
                expected.push_back("\\??\\" + folders[i]);
                expected.push_back("");
            }
            EXPECT_EQ(expected, pending) << "PendingFileRenameOperations holds:" << Join(pending);
            EXPECT_TRUE(renames.empty()) << "the NT family does not use wininit.ini:" << Join(renames);
        }
    }

    const VersionCase& version_;
    const bool wizard_;
    const Texts* texts_ = nullptr;
    std::string programFiles_, target_, commonPrograms_, desktop_;
    std::string medium_, logs_, execLog_, pluginLog_;
    HWND installPage_ = nullptr;    // the page that runs the installation, when walked
    std::string decoyBinary_;
};

// The case named with --case=VERSION.MODE.
void ParseCase(const VersionCase** version, bool* wizard)
{
    const size_t dot = g_case.find('.');
    ASSERT_NE(std::string::npos, dot) << "usage: matrix_test.exe --case=VERSION.MODE (run by run-case.sh)";
    const std::string name = g_case.substr(0, dot), mode = g_case.substr(dot + 1);
    ASSERT_TRUE(mode == "quiet" || mode == "wizard") << mode;
    *wizard = mode == "wizard";
    for (const VersionCase& candidate : Versions) {
        if (name == candidate.name) *version = &candidate;
    }
    ASSERT_TRUE(*version) << "unknown version " << name;
}

} // namespace

// The whole life of the package as one Windows version: installed, checked, removed
// product by product, checked after each removal and at the end. Each step needs the one
// before it, so a failed step ends the test.
TEST(Matrix, InstallAndRemoveThePackage)
{
    const VersionCase* version = nullptr;
    bool wizard = false;
    ASSERT_NO_FATAL_FAILURE(ParseCase(&version, &wizard));
    SCOPED_TRACE("case " + g_case);

    MatrixCase matrix(*version, wizard);
    ASSERT_NO_FATAL_FAILURE(matrix.CheckPrefix());
    ASSERT_NO_FATAL_FAILURE(matrix.LayOutMedium());
    ASSERT_NO_FATAL_FAILURE(matrix.Install());
    ASSERT_NO_FATAL_FAILURE(matrix.CheckInstallation());
    ASSERT_NO_FATAL_FAILURE(matrix.RemoveAgent());
    ASSERT_NO_FATAL_FAILURE(matrix.RemoveViewerWhileItsFileIsHeld());
    ASSERT_NO_FATAL_FAILURE(matrix.RemoveClientAndThePackage());
    matrix.CheckNothingIsLeft();
}

// Run by run-case.sh after the test above, once it has restarted the prefix (stopped its
// wineserver and started a new one, which Wine boots as Windows boots after a restart).
TEST(Matrix, TheRestartCompletesTheRemoval)
{
    const VersionCase* version = nullptr;
    bool wizard = false;
    ASSERT_NO_FATAL_FAILURE(ParseCase(&version, &wizard));
    SCOPED_TRACE("case " + g_case);

    MatrixCase matrix(*version, wizard);
    matrix.CheckRestart();
}

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--case=", 7) == 0) g_case = argv[i] + 7;
    }
    return RUN_ALL_TESTS();
}
