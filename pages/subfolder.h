// The target page's rule for a folder picked with Browse: the script's default
// sub-folder name goes below it, unless the folder already ends with that name.
#pragma once

#include <cstddef>

// Appends `subfolder` (one leading backslash skipped) to `path`, with a backslash
// between them unless the path ends with one, except when the path's last component is
// exactly the sub-folder name (case counts). Returns 0, leaving the path unchanged,
// when the result would not fit `capacity` bytes; else 1.
int AppendDefaultSubfolder(char* path, size_t capacity, const char* subfolder);
