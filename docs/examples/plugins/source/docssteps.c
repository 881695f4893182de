/* docssteps.dll, the plug-in library of the plugins example.
 *
 * A plug-in library exports GetVersionNumber (the interface version, 1), QuerySteps (how
 * many steps it offers), GetStepNumber (fills the record of one step) and one function
 * per step; all of them cdecl with undecorated names. Its steps write what they did
 * under HKEY_LOCAL_MACHINE\Software\Norvale Steps: the value of each step, and "Steps",
 * the names of the steps in the order in which they ran. */

#include <windows.h>

#define EXPORT __declspec(dllexport)

/* The record of one step, 1552 bytes; the library fills the first four fields. */
typedef struct PluginStep {
    int level;                   /* 0 to 5: when the step runs */
    char functionName[256];      /* the exported step function */
    char text[1024];             /* the status text while it runs */
    unsigned progressRange;      /* 0: no progress bar; else the bar runs from 0 to this */
    char libraryPath[260];       /* the program's */
    struct PluginStep* next;     /* the program's */
} PluginStep;

/* Moves the progress bar to a position and returns the one before. */
typedef int(__cdecl* ProgressCallback)(int position);

static const char Key[] = "Software\\Norvale Steps";

/* Sets the value `name` to `text` and appends `step` to the value "Steps". */
static void Record(const char* step, const char* name, const char* text)
{
    HKEY key;
    char steps[512] = "";
    DWORD size = sizeof steps - 64;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, Key, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL) != ERROR_SUCCESS)
        return;
    if (RegQueryValueExA(key, "Steps", NULL, NULL, (BYTE*)steps, &size) != ERROR_SUCCESS) steps[0] = '\0';
    if (steps[0]) lstrcatA(steps, ";");
    lstrcatA(steps, step);
    RegSetValueExA(key, "Steps", 0, REG_SZ, (const BYTE*)steps, lstrlenA(steps) + 1);
    RegSetValueExA(key, name, 0, REG_SZ, (const BYTE*)text, lstrlenA(text) + 1);
    RegCloseKey(key);
}

EXPORT int __cdecl GetVersionNumber(void)
{
    return 1;
}

EXPORT int __cdecl QuerySteps(void)
{
    return 2;
}

EXPORT void __cdecl GetStepNumber(PluginStep* step, int index)
{
    if (index == 0) {
        step->level = 2;
        lstrcpyA(step->functionName, "ConvertSettings");
        lstrcpyA(step->text, "Converting the settings of the earlier version ...");
        step->progressRange = 100;
    } else {
        step->level = 5;
        lstrcpyA(step->functionName, "PrepareFirstStart");
        lstrcpyA(step->text, "Preparing the first start ...");
        step->progressRange = 0;
    }
}

EXPORT void __cdecl ConvertSettings(ProgressCallback progress)
{
    int percent;
    for (percent = 25; percent <= 100; percent += 25) {
        Sleep(50);
        progress(percent);
    }
    Record("ConvertSettings", "Settings", "converted");
}

EXPORT void __cdecl PrepareFirstStart(ProgressCallback progress)
{
    (void)progress;
    Record("PrepareFirstStart", "FirstStart", "prepared");
}
