// Plug-in and condition libraries beside the program: where they are, and whether
// their interface version is one this program understands.
#pragma once

#include <windows.h>
#include <setupapi.h>

#include <cstddef>

#include "../sdk/setupsdk.h"

// Interface version this program implements; libraries reporting more are not used.
const int PluginInterfaceVersion = 1;

// True when the library exports GetVersionNumber and it returns at most 1.
int IsPluginVersionSupported(HMODULE library);

// The library `fileName` from the program's folder; 0 when the path would not fit.
int MakeLibraryPath(const char* fileName, char* path);

// The step record (PluginStep) and the progress callback (PluginProgressFunction) are
// declared once, in the header that library authors build against: the record crosses
// the boundary to the libraries, so both sides read it through the same declaration.

// Collects the steps of every plug-in library named by the Plugins keys of the
// sections of `sections`, replacing any steps collected before.
void CollectPluginSteps(HINF inf, const char* sections);

void FreePluginSteps();

// Trace texts of the step runner; they are discarded.
void TraceMessage(int kind, int detail, const char* format, ...);

// The collected steps, most recently collected first.
const PluginStep* FirstPluginStep();
