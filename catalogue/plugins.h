// Plug-in and condition libraries beside the program: where they are, and whether
// their interface version is one this program understands.
#pragma once

#include <windows.h>

// Interface version this program implements; libraries reporting more are not used.
const int PluginInterfaceVersion = 1;

// The program's folder with its final backslash, in a buffer of MAX_PATH bytes.
int GetProgramFolder(char* folder);

// True when the library exports GetVersionNumber and it returns at most 1.
int IsPluginVersionSupported(HMODULE library);

// The library `fileName` from the program's folder; 0 when the path would not fit.
int MakeLibraryPath(const char* fileName, char* path);
