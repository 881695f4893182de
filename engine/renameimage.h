// The [Rename] section image of wininit.ini, through which the Windows 95 family deletes
// and replaces files at its next start: "NUL=<short path>" entries delete a file,
// "<short target>=<short source>" entries move the source onto the target, each entry
// zero-terminated, the whole ended by one more zero (the layout of
// GetPrivateProfileSectionA).
#pragma once

#include <cstddef>

// Appends the entry "NUL=<path>" (or, with a target, "<target>=<path>") behind the
// `used` characters of existing entries (the count GetPrivateProfileSectionA returned,
// not counting the final zero) and ends the image with two zeros. Existing entries are
// never moved, cut or overwritten: when the new entry does not fit `capacity` bytes,
// nothing is written and the result is 0.
int AppendRenameEntry(char* image, size_t capacity, size_t used, const char* path, const char* target = nullptr);

// Whether an image read with `used` characters into `capacity` bytes may have been
// cut by the reader (GetPrivateProfileSectionA returns capacity - 2 when the section
// did not fit); such an image must not be written back.
int RenameImageMayBeCut(size_t capacity, size_t used);
