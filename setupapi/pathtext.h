// Text work on folder paths read from the setup script, without a Windows call.
#pragma once

// Collapses doubled backslashes inside a path (a root id followed by a sub-folder that
// begins with a backslash comes back as "C:\\Vendor"); a leading "\\" of a network
// path stays.
void CollapseDoubledBackslashes(char* path);
