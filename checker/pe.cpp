// A library file read whole into memory, for peimage.cpp's reader of its headers and
// export names.

#include "pe.h"

#include "../base/handles.h"

#include <windows.h>

#include <cstring>

namespace {

// Larger files are not libraries a setup medium would carry; they are not read.
const DWORD MaxImageSize = 64 * 1024 * 1024;

bool ReadWholeFile(const char* path, PeImage* image)
{
    UniqueFile file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                nullptr));
    if (!file) return false;
    bool ok = false;
    const DWORD size = GetFileSize(file.get(), nullptr);
    if (size != INVALID_FILE_SIZE && size <= MaxImageSize) {
        image->data = static_cast<BYTE*>(HeapAlloc(GetProcessHeap(), 0, size ? size : 1));
        if (image->data) {
            DWORD read = 0;
            ok = ReadFile(file.get(), image->data, size, &read, nullptr) && read == size;
            image->size = size;
        }
    }
    return ok;
}

} // namespace

PeStatus ReadPeImage(const char* path, PeImage* image)
{
    std::memset(image, 0, sizeof *image);
    if (!ReadWholeFile(path, image)) return PeUnreadable;
    return ParsePeImage(image);
}

void FreePeImage(PeImage* image)
{
    if (image->data) HeapFree(GetProcessHeap(), 0, image->data);
    std::memset(image, 0, sizeof *image);
}
