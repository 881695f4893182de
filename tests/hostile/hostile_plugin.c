/* Plug-in libraries that misbehave, built several times with different settings.
 *
 *   HOSTILE_HUGE   QuerySteps offers 0x7FFFFFFF steps. Steps 0 to 2 run at level 2 as
 *                  "Low", step 4095 as "Last" and step 4096 as "Beyond"; every other
 *                  step has level 6, which never runs.
 *   HOSTILE_CRASH  QuerySteps offers three steps; GetStepNumber fills step 0 ("Low",
 *                  level 2) and writes through a null pointer for step 1.
 *   HOSTILE_ONE    an ordinary library: one step, "Last" at level 2.
 *
 * Each step function appends its own name and a line break to the file that the
 * environment variable HOSTILE_PLUGIN_LOG names, so a test sees from outside which
 * steps ran, in which order. All exports are cdecl with undecorated names. */

#include <windows.h>

#include <string.h>

#define EXPORT __declspec(dllexport)

typedef int(__cdecl* ProgressFunction)(int position);

/* The record the program hands to GetStepNumber; its layout is fixed. */
typedef struct PluginStep {
    int level;
    char functionName[256];
    char text[1024];
    unsigned progressRange;
    char libraryPath[260];
    struct PluginStep* next;
} PluginStep;

static void Log(const char* name)
{
    char path[MAX_PATH];
    HANDLE file;
    DWORD written;
    DWORD length = GetEnvironmentVariableA("HOSTILE_PLUGIN_LOG", path, sizeof path);
    if (length == 0 || length >= sizeof path) return;
    file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return;
    WriteFile(file, name, (DWORD)strlen(name), &written, NULL);
    WriteFile(file, "\r\n", 2, &written, NULL);
    CloseHandle(file);
}

static void Fill(PluginStep* step, int level, const char* name)
{
    step->level = level;
    lstrcpynA(step->functionName, name, sizeof step->functionName);
    lstrcpynA(step->text, name, sizeof step->text);
    step->progressRange = 0;
}

EXPORT int __cdecl GetVersionNumber(void)
{
    return 1;
}

EXPORT void __cdecl Low(ProgressFunction progress)
{
    (void)progress;
    Log("Low");
}

EXPORT void __cdecl Last(ProgressFunction progress)
{
    (void)progress;
    Log("Last");
}

EXPORT void __cdecl Beyond(ProgressFunction progress)
{
    (void)progress;
    Log("Beyond");
}

#ifdef HOSTILE_HUGE
EXPORT int __cdecl QuerySteps(void)
{
    return 0x7FFFFFFF;
}

EXPORT void __cdecl GetStepNumber(PluginStep* step, int index)
{
    if (index < 3)
        Fill(step, 2, "Low");
    else if (index == 4095)
        Fill(step, 2, "Last");
    else if (index == 4096)
        Fill(step, 2, "Beyond");
    else
        Fill(step, 6, "Never");
}
#endif

#ifdef HOSTILE_CRASH
EXPORT int __cdecl QuerySteps(void)
{
    return 3;
}

EXPORT void __cdecl GetStepNumber(PluginStep* step, int index)
{
    if (index == 0) {
        Fill(step, 2, "Low");
        return;
    }
    /* volatile, so that the compiler keeps the faulting write. */
    *(volatile int*)(INT_PTR)(index - 1) = index;
    Fill(step, 2, "Beyond");
}
#endif

#ifdef HOSTILE_ONE
EXPORT int __cdecl QuerySteps(void)
{
    return 1;
}

EXPORT void __cdecl GetStepNumber(PluginStep* step, int index)
{
    (void)index;
    Fill(step, 2, "Last");
}
#endif
