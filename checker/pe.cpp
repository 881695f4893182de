// A library file read as data: its headers checked for a 32-bit Windows library and its
// export names looked up, without loading it.
//
// The walk: DOS header ("MZ", the offset of the PE headers at 0x3C), "PE\0\0", the file
// header (processor, library flag), the 32-bit optional header (export directory), the
// section headers (to turn the export directory's addresses into file offsets), the
// export directory, and its table of name addresses. A value taken from the file is
// used only after the range it points to was found inside the file.

#include "pe.h"

#include <cstring>

namespace {

// Larger files are not libraries a setup medium would carry; they are not read.
const DWORD MaxImageSize = 64 * 1024 * 1024;

// More names than this are not looked at; no library of the kind checked has so many.
const DWORD MaxExportNames = 65536;

bool InFile(const PeImage* image, DWORD offset, DWORD length)
{
    return offset <= image->size && length <= image->size - offset;
}

DWORD ReadDword(const PeImage* image, DWORD offset)
{
    DWORD value;
    std::memcpy(&value, image->data + offset, sizeof value);
    return value;
}

WORD ReadWord(const PeImage* image, DWORD offset)
{
    WORD value;
    std::memcpy(&value, image->data + offset, sizeof value);
    return value;
}

// The file offset of a relative virtual address, through the section headers; false when
// no section holds it in the file (export structures never lie in the headers).
bool RvaToOffset(const PeImage* image, DWORD rva, DWORD* offset)
{
    for (DWORD i = 0; i < image->sectionCount; ++i) {
        IMAGE_SECTION_HEADER header;
        std::memcpy(&header, image->data + image->sectionTable + i * sizeof header, sizeof header);
        const DWORD extent = header.Misc.VirtualSize > header.SizeOfRawData ? header.Misc.VirtualSize
                                                                             : header.SizeOfRawData;
        if (rva < header.VirtualAddress || rva - header.VirtualAddress >= extent) continue;
        const DWORD within = rva - header.VirtualAddress;
        if (within >= header.SizeOfRawData) return false;  // in memory only, not in the file
        *offset = header.PointerToRawData + within;
        return *offset < image->size;
    }
    return false;
}

// The zero-terminated name at relative address `rva`, or null when it does not end
// inside the file.
const char* NameAt(const PeImage* image, DWORD rva)
{
    DWORD offset = 0;
    if (!RvaToOffset(image, rva, &offset)) return nullptr;
    const void* end = std::memchr(image->data + offset, 0, image->size - offset);
    return end ? reinterpret_cast<const char*>(image->data + offset) : nullptr;
}

bool ReadWholeFile(const char* path, PeImage* image)
{
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool ok = false;
    const DWORD size = GetFileSize(file, nullptr);
    if (size != INVALID_FILE_SIZE && size <= MaxImageSize) {
        image->data = static_cast<BYTE*>(HeapAlloc(GetProcessHeap(), 0, size ? size : 1));
        if (image->data) {
            DWORD read = 0;
            ok = ReadFile(file, image->data, size, &read, nullptr) && read == size;
            image->size = size;
        }
    }
    CloseHandle(file);
    return ok;
}

// Finds the export name table, when the image has an export directory.
void LocateExportNames(PeImage* image, DWORD exportRva)
{
    DWORD directory = 0;
    if (!exportRva || !RvaToOffset(image, exportRva, &directory) || !InFile(image, directory, sizeof(IMAGE_EXPORT_DIRECTORY)))
        return;
    IMAGE_EXPORT_DIRECTORY exports;
    std::memcpy(&exports, image->data + directory, sizeof exports);
    DWORD names = 0;
    const DWORD count = exports.NumberOfNames < MaxExportNames ? exports.NumberOfNames : MaxExportNames;
    if (!count || !RvaToOffset(image, exports.AddressOfNames, &names) || !InFile(image, names, count * 4)) return;
    image->exportNames = names;
    image->nameCount = count;
}

// Checks the headers and records where the sections and the export names are.
PeStatus ParseHeaders(PeImage* image)
{
    if (!InFile(image, 0, 0x40) || image->data[0] != 'M' || image->data[1] != 'Z') return PeNotImage;
    const DWORD pe = ReadDword(image, 0x3C);
    if (!InFile(image, pe, 4 + sizeof(IMAGE_FILE_HEADER)) || std::memcmp(image->data + pe, "PE\0\0", 4) != 0)
        return PeNotImage;
    IMAGE_FILE_HEADER file;
    std::memcpy(&file, image->data + pe + 4, sizeof file);
    if (file.Machine != IMAGE_FILE_MACHINE_I386) return PeNot32Bit;

    const DWORD optional = pe + 4 + sizeof file;
    if (!InFile(image, optional, 2) || ReadWord(image, optional) != IMAGE_NT_OPTIONAL_HDR32_MAGIC) return PeNot32Bit;
    if (!(file.Characteristics & IMAGE_FILE_DLL)) return PeNotLibrary;

    const DWORD directoryEnd = offsetof(IMAGE_OPTIONAL_HEADER32, DataDirectory) + sizeof(IMAGE_DATA_DIRECTORY);
    if (file.SizeOfOptionalHeader < directoryEnd || !InFile(image, optional, file.SizeOfOptionalHeader))
        return PeNotImage;
    IMAGE_OPTIONAL_HEADER32 header = {};
    std::memcpy(&header, image->data + optional,
                file.SizeOfOptionalHeader < sizeof header ? file.SizeOfOptionalHeader : sizeof header);

    image->sectionTable = optional + file.SizeOfOptionalHeader;
    if (!InFile(image, image->sectionTable, file.NumberOfSections * sizeof(IMAGE_SECTION_HEADER))) return PeNotImage;
    image->sectionCount = file.NumberOfSections;

    if (header.NumberOfRvaAndSizes > IMAGE_DIRECTORY_ENTRY_EXPORT)
        LocateExportNames(image, header.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT].VirtualAddress);
    return PeOk;
}

// True when `candidate` is `name` with a leading "_" and/or a trailing "@digits".
bool IsDecorationOf(const char* candidate, const char* name)
{
    const char* rest = candidate;
    if (*rest == '_') ++rest;
    const size_t length = std::strlen(name);
    if (std::strncmp(rest, name, length) != 0) return false;
    rest += length;
    if (*rest == '\0') return rest - length != candidate;  // "_name"; plain "name" is no decoration
    if (*rest != '@' || !rest[1]) return false;
    for (++rest; *rest; ++rest) {
        if (*rest < '0' || *rest > '9') return false;
    }
    return true;
}

} // namespace

PeStatus ReadPeImage(const char* path, PeImage* image)
{
    std::memset(image, 0, sizeof *image);
    if (!ReadWholeFile(path, image)) return PeUnreadable;
    return ParseHeaders(image);
}

void FreePeImage(PeImage* image)
{
    if (image->data) HeapFree(GetProcessHeap(), 0, image->data);
    std::memset(image, 0, sizeof *image);
}

int PeHasExport(const PeImage* image, const char* name)
{
    for (DWORD i = 0; i < image->nameCount; ++i) {
        const char* exported = NameAt(image, ReadDword(image, image->exportNames + i * 4));
        if (exported && std::strcmp(exported, name) == 0) return 1;
    }
    return 0;
}

int PeFindDecoratedExport(const PeImage* image, const char* name, char* found, size_t size)
{
    for (DWORD i = 0; i < image->nameCount; ++i) {
        const char* exported = NameAt(image, ReadDword(image, image->exportNames + i * 4));
        if (!exported || !IsDecorationOf(exported, name)) continue;
        lstrcpynA(found, exported, static_cast<int>(size));
        return 1;
    }
    return 0;
}
