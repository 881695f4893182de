// Reading a library's file as data: whether it is a 32-bit Windows library, and which
// names its export table holds. Nothing of the library runs; every offset taken from
// the file is checked against the file's size before it is used.
#pragma once

#include <windows.h>

#include <cstddef>

enum PeStatus {
    PeOk,
    PeUnreadable,     // the file cannot be opened or read, or is too large
    PeNotImage,       // no MZ and PE headers: not a Windows program or library
    PeNot32Bit,       // a Windows image for another processor than the i386
    PeNotLibrary,     // a program, not a library
};

struct PeImage {
    BYTE* data;       // the whole file, on the process heap
    DWORD size;
    DWORD sectionTable;   // file offset of the section headers
    DWORD sectionCount;
    DWORD exportNames;    // file offset of the export name pointer table, 0 when none
    DWORD nameCount;
};

// Reads `path` and checks its headers; the image must be released with FreePeImage
// whatever the result.
PeStatus ReadPeImage(const char* path, PeImage* image);
void FreePeImage(PeImage* image);

// True when the export table holds `name` exactly (GetProcAddress's lookup by name).
int PeHasExport(const PeImage* image, const char* name);

// The first exported name that differs from `name` only by a decoration: a leading
// underscore and/or an "@n" suffix, as __stdcall or a compiler adds them. Copied into
// `found` (`size` bytes); 0 when there is none.
int PeFindDecoratedExport(const PeImage* image, const char* name, char* found, size_t size);
