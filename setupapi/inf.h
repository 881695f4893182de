// The one way the program reads setup.inf: through the Windows Setup API.
//
// Every part of the program finds lines by section and key and reads fields by index
// (field 0 is the key) through these few functions, so that a difference between the
// Setup API of one system and another is handled in one place.
#pragma once

#include <windows.h>
#include <setupapi.h>

#include "../base/pathtext.h"

// Opens a script in the Windows 95 style with no class. On failure returns
// INVALID_HANDLE_VALUE and sets *errorLine to the line of the error, or 0 when the
// file itself could not be read (some Setup API versions leave the line untouched
// then). The last error stays as the Setup API left it.
HINF InfOpen(const char* path, UINT* errorLine);

// First line of `section` whose key equals `key` ignoring case, or the first line of
// the section when `key` is null. Fails for a missing or empty section.
int InfFindLine(HINF inf, const char* section, const char* key, INFCONTEXT* line);

// The next line of the same section; fails after the last.
int InfNextLine(INFCONTEXT* line);

// The first line after `after` in its section whose key equals `key` ignoring case, the
// way InfFindLine compares keys; fails when no later line has it.
int InfFindNextMatch(const INFCONTEXT* after, const char* key, INFCONTEXT* line);

// Number of lines of `section`; 0 for a missing or empty section.
DWORD InfLineCount(HINF inf, const char* section);

// The key of a line as the Setup API holds it, in UTF-16: the text it compares with when
// a line is found by key (the ANSI key of InfGetField may stand in for characters that
// the code page lacks). Fails when the line has no key or it does not fit.
int InfGetWideKey(const INFCONTEXT* line, WCHAR* buffer, DWORD size);

// A section exists when it has at least one line.
int InfSectionExists(HINF inf, const char* section);

// Copies field `index` into `buffer`. Fails when the line has no such field or the
// field does not fit; a present empty field reads as empty text.
int InfGetField(const INFCONTEXT* line, DWORD index, char* buffer, DWORD size);

// Field `index` read as text (at most 255 characters) and then as a decimal number the
// way atol reads it; fails when the field cannot be read, leaving *value as it was.
int InfGetDecimalField(const INFCONTEXT* line, DWORD index, long* value);

// As InfGetDecimalField with a text buffer of `size` bytes (at most 256): a longer field
// cannot be read.
int InfGetDecimalField(const INFCONTEXT* line, DWORD index, DWORD size, long* value);

// As InfGetDecimalField, but also accepting the hexadecimal and octal forms of strtol
// with base 0 (the level and flags of Exec lines). `size` is the text buffer's size.
int InfGetIntegerField(const INFCONTEXT* line, DWORD index, DWORD size, long* value);

// Field `index` of the first line with `key` in `section`.
int InfGetKeyField(HINF inf, const char* section, const char* key, DWORD index,
                   char* buffer, DWORD size);

// The destination folder of copy section `section` as DestinationDirs gives it (or
// DefaultDestDir when the section has no line there), in `size` bytes.
//
// The section is passed by name rather than through a line of it: Wine answers the
// folder of the first DestinationDirs line, whatever section a given line is in.
int InfGetSectionTargetPath(HINF inf, const char* section, char* path, DWORD size);

// The DefaultDestDir folder of DestinationDirs; the system folder when there is none.
//
// Asked for by the section name "DefaultDestDir": with neither a line nor a section
// Wine answers the system folder even when DefaultDestDir exists.
int InfGetDefaultTargetPath(HINF inf, char* path, DWORD size);

// Number of fields of a line after its key (SetupGetFieldCount).
DWORD InfFieldCount(const INFCONTEXT* line);

// Field `index` read with SetupGetIntField; fails when the line lacks it or it is no number.
int InfGetSetupIntField(const INFCONTEXT* line, DWORD index, int* value);

// Fields from `index` on as a multi-string (each field and its zero, then one more
// zero) in a new heap block that the caller frees with HeapFree; null when the line
// has no such field. *size receives the block's size in bytes.
char* InfGetMultiSzFields(const INFCONTEXT* line, DWORD index, DWORD* size);

// Processes the INI and registry entries of `section` that `flags` ask for
// (SetupInstallFromInfSectionA with no file operations, callback or root key), and fails
// when the registry entries were not all written. Observed on Wine 8: a key of an AddReg
// line that cannot be created or opened for writing (an access list that denies it) is
// skipped, and the call reports success with the values missing; Windows fails the call
// with the key's error. So the keys of every AddReg line are opened for writing after the
// call, which on Windows succeeds whenever the call did; the last error of a failure is
// the key's.
int InfInstallEntries(HWND owner, HINF inf, const char* section, UINT flags);
