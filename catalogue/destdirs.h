// Folders that the setup script implies: the proposed target folder, the program files
// folder, and where a section installs its copy of setup.exe.
#pragma once

#include <windows.h>
#include <setupapi.h>

// The folder proposed when no earlier installation recorded one; `subfolder` (MAX_PATH
// bytes, may be null) receives DefaultDestDir's sub-folder as written. Always 1.
int GetDefaultTargetDir(HINF inf, char* path, char* subfolder);
int GetProgramFilesDir(char* path);
int FindInstalledSetupPath(HINF inf, const char* section, char* path);
