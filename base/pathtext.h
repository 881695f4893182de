// Text work on folder paths, without a Windows call.
#pragma once

// Collapses doubled backslashes inside a path (a root id followed by a sub-folder that
// begins with a backslash comes back as "C:\\Vendor"); a leading "\\" of a network
// path stays.
void CollapseDoubledBackslashes(char* path);

// Cuts a path at its last backslash. With keepBackslash the backslash stays (the folder
// as a prefix for file names, so a drive root stays valid: "C:\"); without it the
// backslash goes too ("C:\Setup\setup.exe" gives "C:\Setup"), except after a drive
// letter: "M:\setup.exe" gives the root "M:\", as "M:" would name the current folder of
// that drive. A path without a backslash stays whole.
void CutAtLastBackslash(char* path, int keepBackslash);
