// The program's own file and folder, and where the program takes its libraries from.
//
// setup.exe runs from download folders and removable media, where anybody may have put a
// library named like a system one. The only libraries it takes from its own folder are
// the condition and plug-in libraries that the script names, loaded by full path with
// their own folder searched for what they import; every system library comes from the
// system folder.
#pragma once

#include <windows.h>

// Takes the program's folder and the current folder out of the search for libraries
// that are loaded later, by the program or by the system libraries it uses. On systems
// that can say so, only the system folder is searched; on the others, the current
// folder at least is left out. Called first thing, before any other library is loaded.
void RestrictLibrarySearch();

// Loads a condition or plug-in library that the script names, by its full path. Its own
// folder is searched for the libraries it imports, then the default folders; setup.exe
// and infcheck load them through this one function, so that infcheck passes only what
// setup.exe can load. nullptr when the library cannot be loaded (the last error says why).
HMODULE LoadScriptLibrary(const char* path);

// Loads a library of the system folder by its full path (nullptr when that path does not
// fit MAX_PATH or the library cannot be loaded).
HMODULE LoadSystemLibrary(const char* name);

// Full path of the program file, at most `size` bytes; 0 when it cannot be had.
int GetProgramPath(char* path, DWORD size);
// The program's folder with its final backslash, in a buffer of MAX_PATH bytes.
int GetProgramFolder(char* folder);
