// The target page's rules for folders: a folder picked with Browse gets the script's
// default sub-folder name below it, unless the folder already ends with that name; and
// only a full path names a folder to install into.
#pragma once

#include <cstddef>

// Appends `subfolder` (one leading backslash skipped) to `path`, with a backslash
// between them unless the path ends with one, except when the path's last component is
// exactly the sub-folder name (case counts). Returns 0, leaving the path unchanged,
// when the result would not fit `capacity` bytes; else 1.
int AppendDefaultSubfolder(char* path, size_t capacity, const char* subfolder);

// 1 when `path` is a full path: a drive letter, a colon and a backslash (C:\Tools), or
// a network path of a server and a share (\\server\share); 0 for a path that depends on
// the current drive or folder.
int IsFullPath(const char* path);
