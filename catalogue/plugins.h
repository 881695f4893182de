// Plug-in and condition libraries beside the program: where they are, and whether
// their interface version is one this program understands.
#pragma once

#include <windows.h>
#include <setupapi.h>

#include <cstddef>

// Interface version this program implements; libraries reporting more are not used.
const int PluginInterfaceVersion = 1;

// The program's folder with its final backslash, in a buffer of MAX_PATH bytes.
int GetProgramFolder(char* folder);

// True when the library exports GetVersionNumber and it returns at most 1.
int IsPluginVersionSupported(HMODULE library);

// The library `fileName` from the program's folder; 0 when the path would not fit.
int MakeLibraryPath(const char* fileName, char* path);

// One step of a plug-in library. The record crosses the boundary to the libraries, so
// its layout is fixed: 1552 bytes, the offsets checked below. The library fills the
// first four fields in GetStepNumber; the program fills the rest.
struct PluginStep {
    int level;                  // 0 to 5: the point of the run at which the step runs
    char functionName[256];     // the library's exported step function
    char text[1024];            // status text shown while the step runs
    unsigned progressRange;     // 0: bar hidden; else the bar's range, low 16 bits
    char libraryPath[260];      // program folder and file name
    PluginStep* next;           // the step list's link
};

static_assert(sizeof(PluginStep) == 1552, "PluginStep is shared with plug-in libraries");
static_assert(offsetof(PluginStep, level) == 0, "PluginStep layout");
static_assert(offsetof(PluginStep, functionName) == 4, "PluginStep layout");
static_assert(offsetof(PluginStep, text) == 260, "PluginStep layout");
static_assert(offsetof(PluginStep, progressRange) == 1284, "PluginStep layout");
static_assert(offsetof(PluginStep, libraryPath) == 1288, "PluginStep layout");
static_assert(offsetof(PluginStep, next) == 1548, "PluginStep layout");

// The callback a step function receives: sets the progress bar, returns the old position.
typedef int(__cdecl* PluginProgressFunction)(int position);

// Collects the steps of every plug-in library named by the Plugins keys of the
// sections of `sections`, replacing any steps collected before.
void CollectPluginSteps(HINF inf, const char* sections);

// Runs the collected steps of `level`, showing their text in control `textId` and their
// progress in control `barId` of `window`.
void RunPluginSteps(int level, HWND window, int barId, int textId);

void FreePluginSteps();

int __cdecl PluginProgressCallback(int position);

// Trace texts of the step runner; they are discarded.
void TraceMessage(int kind, int detail, const char* format, ...);

// The collected steps, most recently collected first.
const PluginStep* FirstPluginStep();
