// A library's file held in memory and read as data: whether it is a 32-bit Windows
// library, and which names its export table holds. Nothing of the library runs; every
// offset taken from the file is checked against the file's size before it is used.
// No Windows call: reading the file is pe.h's part.
#pragma once

#include <cstddef>
#include <cstdint>

enum PeStatus {
    PeOk,
    PeUnreadable,     // the file cannot be opened or read, or is too large
    PeNotImage,       // no MZ and PE headers: not a Windows program or library
    PeNot32Bit,       // a Windows image for another processor than the i386
    PeNotLibrary,     // a program, not a library
};

struct PeImage {
    uint8_t* data;            // the whole file
    uint32_t size;
    uint32_t sectionTable;    // file offset of the section headers
    uint32_t sectionCount;
    uint32_t exportNames;     // file offset of the export name pointer table, 0 when none
    uint32_t nameCount;
};

// Checks the headers of the image->size bytes at image->data (the caller sets those two)
// and records where the sections and the export names are.
PeStatus ParsePeImage(PeImage* image);

// True when the export table holds `name` exactly (GetProcAddress's lookup by name).
int PeHasExport(const PeImage* image, const char* name);

// The first exported name that differs from `name` only by a decoration: a leading
// underscore and/or an "@n" suffix, as __stdcall or a compiler adds them. Copied into
// `found` (`size` bytes, cut to fit); 0 when there is none.
int PeFindDecoratedExport(const PeImage* image, const char* name, char* found, size_t size);
