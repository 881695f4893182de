// Reading a library's file as data: the file is read whole into memory, and
// peimage.h's reader checks its headers and looks up its export names.
#pragma once

#include "peimage.h"

// Reads `path` and checks its headers; the image must be released with FreePeImage
// whatever the result.
PeStatus ReadPeImage(const char* path, PeImage* image);
void FreePeImage(PeImage* image);
