// Shortcuts (shell link files) made and deleted from the script's MakeIcons and DelIcons
// sections. A line names its place by a folder code: CDSK, CPRG, CSTM, CSTU (desktop,
// programs menu, start menu, startup folder of all users, falling back to the current
// user's) and UDSK, UPRG, USTM, USTU (the current user's). Shortcut work never fails a run.
#pragma once

#include <windows.h>
#include <setupapi.h>

int UpdateSectionShortcuts(HINF inf, const char* section);
int ResolveShellFolder(const char* code, char* path);
int CreateShortcut(const char* code, const char* linkName, const char* target, const char* arguments,
                   const char* iconFile, int iconIndex, int openFolder);
int DeleteShortcut(const char* code, const char* linkName);
