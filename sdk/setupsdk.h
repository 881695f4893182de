/* setupsdk.h: what a condition library or a plug-in library for setup.exe exports,
 * and the record and callback it shares with the program. Usable from C and C++.
 *
 * A condition library exports GetVersionNumber, one or more condition functions and
 * GetLastFailMessage; setup.exe asks them before the wizard whether the installation may
 * run at all (the Conditions key of the section "Install") and which products it may
 * offer (the Conditions key of each product's install section).
 *
 * A plug-in library exports GetVersionNumber, QuerySteps, GetStepNumber and one function
 * per step; setup.exe collects the steps before the installation's or removal's step run
 * and calls each one at its level. The levels run in the order 0, 1, 2, 4, 3, 5.
 *
 * Every export uses the cdecl calling convention and must be exported under its plain
 * name (no leading underscore, no "@n"); see README.md for building with mingw-w64.
 * Texts are 8-bit, in the ANSI code page. Only 32-bit libraries fit the program. */
#ifndef SETUPSDK_H
#define SETUPSDK_H

#include <stddef.h>

#ifdef __cplusplus
#define SETUPSDK_EXTERN_C extern "C"
#else
#define SETUPSDK_EXTERN_C
#endif

/* Compile-time check that works in C89 to C17 and C++98 to C++17: the record below
 * crosses the boundary between separately built modules, so a layout that differs
 * from the program's must not compile at all. */
#if defined(__cplusplus) && __cplusplus >= 201103L
#define SETUPSDK_STATIC_ASSERT(condition, name) static_assert(condition, #name)
#elif !defined(__cplusplus) && defined(__STDC_VERSION__) && __STDC_VERSION__ >= 201112L
#define SETUPSDK_STATIC_ASSERT(condition, name) _Static_assert(condition, #name)
#else
#define SETUPSDK_STATIC_ASSERT(condition, name) typedef char setupsdk_check_##name[(condition) ? 1 : -1]
#endif

/* Marks a function that the program looks up by name. */
#define SETUPSDK_EXPORT SETUPSDK_EXTERN_C __declspec(dllexport)

/* The interface version that this header describes. The program uses a library only
 * when its GetVersionNumber returns at most the version the program implements (signed
 * comparison; 0 and negative values pass), so return this constant. */
#define SETUPSDK_INTERFACE_VERSION 1

/* Size of the buffer that GetLastFailMessage receives, its terminating zero included. */
#define SETUPSDK_FAIL_MESSAGE_SIZE 256

/* The six levels of a step run, in the order in which they run: level 4 comes before
 * level 3. Any other level never runs. */
#define SETUPSDK_LEVEL_START 0           /* after the first external programs, before services are stopped */
#define SETUPSDK_LEVEL_BEFORE_COPY 1     /* services stopped, files not yet copied or deleted */
#define SETUPSDK_LEVEL_AFTER_COPY 2      /* files copied or deleted, registry and INI entries not yet made */
#define SETUPSDK_LEVEL_AFTER_REGISTRY 4  /* registry and INI entries made, services not yet added or deleted */
#define SETUPSDK_LEVEL_AFTER_SERVICES 3  /* services added or deleted, shortcuts not yet made */
#define SETUPSDK_LEVEL_AFTER_SHORTCUTS 5 /* shortcuts made, services not yet started */

#ifdef __cplusplus
extern "C" {
#endif

/* One step of a plug-in library: 1552 bytes, allocated by the program. GetStepNumber
 * fills the first four fields; the program fills the rest. The program does not clear
 * the record first, so set all four. */
typedef struct PluginStep {
    int level;                /* 0 to 5: when the step runs */
    char functionName[256];   /* the exported step function, zero-terminated */
    char text[1024];          /* status text shown while the step runs, zero-terminated */
    unsigned progressRange;   /* 0: bar hidden during the step; else range 0 to the low 16 bits */
    char libraryPath[260];    /* the program's: folder and file name of the library */
    struct PluginStep* next;  /* the program's: link of its step list */
} PluginStep;

SETUPSDK_STATIC_ASSERT(sizeof(PluginStep) == 1552, PluginStep_size);
SETUPSDK_STATIC_ASSERT(offsetof(PluginStep, level) == 0, PluginStep_level);
SETUPSDK_STATIC_ASSERT(offsetof(PluginStep, functionName) == 4, PluginStep_functionName);
SETUPSDK_STATIC_ASSERT(offsetof(PluginStep, text) == 260, PluginStep_text);
SETUPSDK_STATIC_ASSERT(offsetof(PluginStep, progressRange) == 1284, PluginStep_progressRange);
SETUPSDK_STATIC_ASSERT(offsetof(PluginStep, libraryPath) == 1288, PluginStep_libraryPath);
SETUPSDK_STATIC_ASSERT(offsetof(PluginStep, next) == 1548, PluginStep_next);

/* The program's callback that a step receives. It sets the progress bar to `position`
 * and returns the position the bar had before. Call it from the step itself, as often
 * as needed, and only while the step runs. */
typedef int(__cdecl* PluginProgressFunction)(int position);

/* A condition function of a condition library, named by the setup script. */
typedef int(__cdecl* ConditionFunction)(void);

/* A step function of a plug-in library, named by the step's functionName. */
typedef void(__cdecl* PluginStepFunction)(PluginProgressFunction progress);

/* ---- Both kinds of library ---- */

/* Called right after every load, before anything else. The library is used only when
 * the result is at most the program's interface version; otherwise it is unloaded and
 * treated as missing (a condition does not hold, a plug-in offers no steps). */
SETUPSDK_EXPORT int __cdecl GetVersionNumber(void);

/* ---- Condition libraries ----
 *
 * A condition function takes no arguments and returns 1 when its condition holds and 0
 * when it does not. The program combines results bitwise, so only the lowest bit
 * counts: 2 does not hold, 3 holds. Define one with SETUPSDK_CONDITION(Name). */
#define SETUPSDK_CONDITION(name) SETUPSDK_EXPORT int __cdecl name(void)

/* Called only after a condition function of the same load returned exactly 0. Write
 * the reason, zero-terminated, into `buffer` (SETUPSDK_FAIL_MESSAGE_SIZE bytes); the
 * program shows it to the user (the first failing start condition ends the run). */
SETUPSDK_EXPORT void __cdecl GetLastFailMessage(char* buffer);

/* ---- Plug-in libraries ---- */

/* Called once when the steps are collected: the number of steps the library offers. */
SETUPSDK_EXPORT int __cdecl QuerySteps(void);

/* Called once for each index from 0 to QuerySteps() - 1, in ascending order, with a new
 * record. Fill level, functionName, text and progressRange; the result is ignored.
 * Texts longer than their fields are cut at the field's end. */
SETUPSDK_EXPORT void __cdecl GetStepNumber(PluginStep* step, int index);

/* A step function: called once at its level, on the program's worker thread, with the
 * library freshly loaded for this one call. It returns when the step is done; nothing
 * it returns is looked at, so a step cannot stop the installation. Define one with
 * SETUPSDK_STEP(Name). */
#define SETUPSDK_STEP(name) SETUPSDK_EXPORT void __cdecl name(PluginProgressFunction progress)

#ifdef __cplusplus
}
#endif

#endif /* SETUPSDK_H */
