/* A sample plug-in library: three steps of an installation, named in a setup script by
 *
 *     [Install]
 *     Plugins = plugin_sample.dll
 *
 * In the order in which they run:
 *   level 0 CheckPreviousVersion  "Checking the previous version": reads the version
 *           from the configuration file an earlier installation left in the target folder
 *   level 2 WriteConfiguration    "Writing the configuration": writes the configuration
 *           file qx40.ini into the target folder, now that the files are there
 *   level 5 FinishInstallation    "Finishing": checks that the configuration is in place
 * Each step moves the progress bar in four moves and appends one line to qx40-setup.log
 * in the Windows temporary folder: what it found or did, and what the progress callback
 * returned (the bar's previous positions, so 0 25 50 75 when the bar started at 0).
 *
 * The target folder is the one the user chose; a plug-in learns it from the uninstall
 * entry, which the program writes before any step runs: the key named by the Uninstall
 * line of the section "Install" of the setup.inf beside this library, its value
 * UserTargetDir. A script installing such a configuration file should name it in its
 * remove section (DelFiles), since the program removes only what the script lists.
 *
 * The program loads the library anew for every step and unloads it afterwards, so a
 * step keeps nothing in variables for a later one: what it must pass on goes to files. */

#include "setupsdk.h"

#include <windows.h>
#include <setupapi.h>

#include <string.h>

/* The version this release of the plug-in writes into the configuration. */
#define CONFIGURATION_VERSION "1.0.0"
#define CONFIGURATION_FILE "qx40.ini"
#define CONFIGURATION_SECTION "QX-40"
#define LOG_FILE "qx40-setup.log"

/* A short pause between two moves of the bar, so that a person can see it move. */
#define PAUSE_MS 50

typedef struct StepEntry {
    int level;
    const char* functionName;
    const char* text;
    unsigned progressRange;
} StepEntry;

static const StepEntry g_steps[] = {
    {SETUPSDK_LEVEL_START, "CheckPreviousVersion", "Checking the previous version", 100},
    {SETUPSDK_LEVEL_AFTER_COPY, "WriteConfiguration", "Writing the configuration", 100},
    {SETUPSDK_LEVEL_AFTER_SHORTCUTS, "FinishInstallation", "Finishing", 100},
};

#define STEP_COUNT ((int)(sizeof g_steps / sizeof g_steps[0]))

/* This library's module, for finding the setup.inf beside it. */
static HINSTANCE g_module;

/* The progress callback of the running step and what its calls returned. */
typedef struct Progress {
    PluginProgressFunction callback;
    int returned[4];
    int count;
} Progress;

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) g_module = instance;
    return TRUE;
}

/* Copies `source` into `destination` (of `size` bytes) after what is already there, as
 * far as it fits. */
static void Append(char* destination, size_t size, const char* source)
{
    size_t used = (size_t)lstrlenA(destination);
    while (*source && used + 1 < size) destination[used++] = *source++;
    destination[used] = '\0';
}

/* Moves the bar to `position`, remembers the previous position, and pauses a moment. */
static void Advance(Progress* progress, int position)
{
    if (!progress->callback) return;
    if (progress->count < (int)(sizeof progress->returned / sizeof progress->returned[0]))
        progress->returned[progress->count++] = progress->callback(position);
    Sleep(PAUSE_MS);
}

/* The folder the user chose, recorded in the package's uninstall entry, without a
 * trailing backslash; 0 when there is none. Releases what it opened on every path. */
static int FindTargetFolder(char* folder)
{
    char path[MAX_PATH], key[256], keyPath[512];
    HINF inf = INVALID_HANDLE_VALUE;
    HKEY entry = NULL;
    INFCONTEXT line;
    DWORD type = 0, size = MAX_PATH - 1, length;
    int found = 0;
    char* slash;

    length = GetModuleFileNameA(g_module, path, sizeof path);
    slash = length && length < sizeof path ? strrchr(path, '\\') : NULL;
    if (!slash || (size_t)(slash + 1 - path) + sizeof "setup.inf" > sizeof path) goto done;
    lstrcpyA(slash + 1, "setup.inf");

    inf = SetupOpenInfFileA(path, NULL, INF_STYLE_WIN4, NULL);
    if (inf == INVALID_HANDLE_VALUE) goto done;
    if (!SetupFindFirstLineA(inf, "Install", "Uninstall", &line)) goto done;
    if (!SetupGetStringFieldA(&line, 1, key, sizeof key, NULL) || !key[0]) goto done;

    lstrcpyA(keyPath, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\");
    Append(keyPath, sizeof keyPath, key);
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_QUERY_VALUE, &entry) != ERROR_SUCCESS) {
        entry = NULL;
        goto done;
    }
    ZeroMemory(folder, MAX_PATH);
    if (RegQueryValueExA(entry, "UserTargetDir", NULL, &type, (BYTE*)folder, &size) != ERROR_SUCCESS
        || type != REG_SZ || !folder[0])
        goto done;
    length = (DWORD)lstrlenA(folder);
    if (folder[length - 1] == '\\') folder[length - 1] = '\0';
    found = 1;

done:
    if (entry) RegCloseKey(entry);
    if (inf != INVALID_HANDLE_VALUE) SetupCloseInfFile(inf);
    if (!found) folder[0] = '\0';
    return found;
}

/* The target folder and the configuration file in it; 0 when the target is unknown. */
static int FindConfiguration(char* folder, char* configuration)
{
    if (!FindTargetFolder(folder)) return 0;
    if ((size_t)lstrlenA(folder) + 1 + sizeof CONFIGURATION_FILE > MAX_PATH) return 0;
    lstrcpyA(configuration, folder);
    Append(configuration, MAX_PATH, "\\" CONFIGURATION_FILE);
    return 1;
}

/* Appends one line to the log: the step's text, what it found, and the callback's
 * results. The log is opened and closed for each line, since nothing stays open
 * between steps. */
static void WriteLog(int level, const char* text, const char* outcome, const Progress* progress)
{
    char path[MAX_PATH], line[2048], number[16];
    HANDLE file;
    DWORD length, written = 0;
    int i;

    length = GetTempPathA(sizeof path, path);
    if (length == 0 || length + sizeof LOG_FILE > sizeof path) return;
    Append(path, sizeof path, LOG_FILE);

    wsprintfA(line, "level %d, ", level);
    Append(line, sizeof line, text);
    Append(line, sizeof line, ": ");
    Append(line, sizeof line, outcome);
    Append(line, sizeof line, " (progress callback returned");
    for (i = 0; i < progress->count; ++i) {
        wsprintfA(number, " %d", progress->returned[i]);
        Append(line, sizeof line, number);
    }
    Append(line, sizeof line, ")\r\n");

    file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, NULL, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return;
    SetFilePointer(file, 0, NULL, FILE_END);
    WriteFile(file, line, (DWORD)lstrlenA(line), &written, NULL);
    CloseHandle(file);
}

SETUPSDK_EXPORT int __cdecl GetVersionNumber(void)
{
    return SETUPSDK_INTERFACE_VERSION;
}

SETUPSDK_EXPORT int __cdecl QuerySteps(void)
{
    return STEP_COUNT;
}

/* Sets all four of the library's fields: the program does not clear the record. */
SETUPSDK_EXPORT void __cdecl GetStepNumber(PluginStep* step, int index)
{
    if (index < 0 || index >= STEP_COUNT) return;
    step->level = g_steps[index].level;
    lstrcpynA(step->functionName, g_steps[index].functionName, sizeof step->functionName);
    lstrcpynA(step->text, g_steps[index].text, sizeof step->text);
    step->progressRange = g_steps[index].progressRange;
}

SETUPSDK_STEP(CheckPreviousVersion)
{
    Progress bar = {0};
    char folder[MAX_PATH], configuration[MAX_PATH], version[64], outcome[128];
    bar.callback = progress;

    Advance(&bar, 25);
    if (!FindConfiguration(folder, configuration)) {
        lstrcpyA(outcome, "the target folder is not known");
    } else {
        Advance(&bar, 50);
        GetPrivateProfileStringA(CONFIGURATION_SECTION, "Version", "", version, sizeof version, configuration);
        if (version[0]) {
            lstrcpyA(outcome, "found version ");
            Append(outcome, sizeof outcome, version);
        } else {
            lstrcpyA(outcome, "no previous version");
        }
    }
    Advance(&bar, 75);
    Advance(&bar, 100);
    WriteLog(g_steps[0].level, g_steps[0].text, outcome, &bar);
}

SETUPSDK_STEP(WriteConfiguration)
{
    Progress bar = {0};
    char configuration[MAX_PATH], folder[MAX_PATH], outcome[MAX_PATH + 64];
    int written;
    bar.callback = progress;

    Advance(&bar, 25);
    if (!FindConfiguration(folder, configuration)) {
        lstrcpyA(outcome, "the target folder is not known, nothing written");
    } else {
        Advance(&bar, 50);
        written = WritePrivateProfileStringA(CONFIGURATION_SECTION, "Version", CONFIGURATION_VERSION, configuration)
                  && WritePrivateProfileStringA(CONFIGURATION_SECTION, "Folder", folder, configuration);
        /* The Windows 95 family caches profile files; this writes the cache out now. */
        WritePrivateProfileStringA(NULL, NULL, NULL, configuration);
        lstrcpyA(outcome, written ? "wrote " : "could not write ");
        Append(outcome, sizeof outcome, configuration);
    }
    Advance(&bar, 75);
    Advance(&bar, 100);
    WriteLog(g_steps[1].level, g_steps[1].text, outcome, &bar);
}

SETUPSDK_STEP(FinishInstallation)
{
    Progress bar = {0};
    char folder[MAX_PATH], configuration[MAX_PATH], version[64];
    const char* outcome = "the target folder is not known";
    bar.callback = progress;

    Advance(&bar, 25);
    if (FindConfiguration(folder, configuration)) {
        Advance(&bar, 50);
        GetPrivateProfileStringA(CONFIGURATION_SECTION, "Version", "", version, sizeof version, configuration);
        outcome = lstrcmpA(version, CONFIGURATION_VERSION) == 0 ? "the configuration is in place"
                                                               : "the configuration is missing";
    }
    Advance(&bar, 75);
    Advance(&bar, 100);
    WriteLog(g_steps[2].level, g_steps[2].text, outcome, &bar);
}
