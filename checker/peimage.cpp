// The walk: DOS header ("MZ", the offset of the PE headers at 0x3C), "PE\0\0", the file
// header (processor, library flag), the 32-bit optional header (export directory), the
// section headers (to turn the export directory's addresses into file offsets), the
// export directory, and its table of name addresses. A value taken from the file is
// used only after the range it points to was found inside the file. The structures are
// read field by field at their offsets, so the walk is the same in every build.

#include "peimage.h"

#include <cstring>

namespace {

// More names than this are not looked at; no library of the kind checked has so many.
const uint32_t MaxExportNames = 65536;

// Sizes and field offsets of the structures read.
const uint32_t FileHeaderSize = 20;        // IMAGE_FILE_HEADER
const uint32_t MachineI386 = 0x014C;
const uint32_t CharacteristicsDll = 0x2000;
const uint32_t OptionalMagic32 = 0x010B;
const uint32_t RvaCountOffset = 92;        // IMAGE_OPTIONAL_HEADER32.NumberOfRvaAndSizes
const uint32_t ExportEntryOffset = 96;     // DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT]
const uint32_t SectionHeaderSize = 40;     // IMAGE_SECTION_HEADER
const uint32_t ExportDirectorySize = 40;   // IMAGE_EXPORT_DIRECTORY

bool InFile(const PeImage* image, uint32_t offset, uint32_t length)
{
    return offset <= image->size && length <= image->size - offset;
}

uint32_t ReadDword(const PeImage* image, uint32_t offset)
{
    uint32_t value;
    std::memcpy(&value, image->data + offset, sizeof value);
    return value;
}

uint16_t ReadWord(const PeImage* image, uint32_t offset)
{
    uint16_t value;
    std::memcpy(&value, image->data + offset, sizeof value);
    return value;
}

// The file offset of a relative virtual address, through the section headers; false when
// no section holds it in the file (export structures never lie in the headers).
bool RvaToOffset(const PeImage* image, uint32_t rva, uint32_t* offset)
{
    for (uint32_t i = 0; i < image->sectionCount; ++i) {
        const uint32_t header = image->sectionTable + i * SectionHeaderSize;
        const uint32_t virtualSize = ReadDword(image, header + 8);
        const uint32_t virtualAddress = ReadDword(image, header + 12);
        const uint32_t rawSize = ReadDword(image, header + 16);
        const uint32_t rawPointer = ReadDword(image, header + 20);
        const uint32_t extent = virtualSize > rawSize ? virtualSize : rawSize;
        if (rva < virtualAddress || rva - virtualAddress >= extent) continue;
        const uint32_t within = rva - virtualAddress;
        if (within >= rawSize) return false;  // in memory only, not in the file
        // Compared, not added: a sum past 32 bits would wrap to some other offset.
        if (rawPointer >= image->size || within >= image->size - rawPointer) return false;
        *offset = rawPointer + within;
        return true;
    }
    return false;
}

// The zero-terminated name at relative address `rva`, or null when it does not end
// inside the file.
const char* NameAt(const PeImage* image, uint32_t rva)
{
    uint32_t offset = 0;
    if (!RvaToOffset(image, rva, &offset)) return nullptr;
    const void* end = std::memchr(image->data + offset, 0, image->size - offset);
    return end ? reinterpret_cast<const char*>(image->data + offset) : nullptr;
}

// Finds the export name table, when the image has an export directory.
void LocateExportNames(PeImage* image, uint32_t exportRva)
{
    uint32_t directory = 0;
    if (!exportRva || !RvaToOffset(image, exportRva, &directory) || !InFile(image, directory, ExportDirectorySize))
        return;
    const uint32_t numberOfNames = ReadDword(image, directory + 24);
    const uint32_t addressOfNames = ReadDword(image, directory + 32);
    uint32_t names = 0;
    const uint32_t count = numberOfNames < MaxExportNames ? numberOfNames : MaxExportNames;
    if (!count || !RvaToOffset(image, addressOfNames, &names) || !InFile(image, names, count * 4)) return;
    image->exportNames = names;
    image->nameCount = count;
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

PeStatus ParsePeImage(PeImage* image)
{
    image->sectionTable = image->sectionCount = image->exportNames = image->nameCount = 0;
    if (!image->data || !InFile(image, 0, 0x40) || image->data[0] != 'M' || image->data[1] != 'Z') return PeNotImage;
    const uint32_t pe = ReadDword(image, 0x3C);
    if (!InFile(image, pe, 4 + FileHeaderSize) || std::memcmp(image->data + pe, "PE\0\0", 4) != 0)
        return PeNotImage;
    const uint32_t file = pe + 4;
    const uint32_t machine = ReadWord(image, file);
    const uint32_t numberOfSections = ReadWord(image, file + 2);
    const uint32_t sizeOfOptionalHeader = ReadWord(image, file + 16);
    const uint32_t characteristics = ReadWord(image, file + 18);
    if (machine != MachineI386) return PeNot32Bit;

    const uint32_t optional = file + FileHeaderSize;
    if (!InFile(image, optional, 2) || ReadWord(image, optional) != OptionalMagic32) return PeNot32Bit;
    if (!(characteristics & CharacteristicsDll)) return PeNotLibrary;

    // The optional header must reach at least through the export directory's entry.
    const uint32_t directoryEnd = ExportEntryOffset + 8;
    if (sizeOfOptionalHeader < directoryEnd || !InFile(image, optional, sizeOfOptionalHeader)) return PeNotImage;

    image->sectionTable = optional + sizeOfOptionalHeader;
    if (!InFile(image, image->sectionTable, numberOfSections * SectionHeaderSize)) {
        image->sectionTable = 0;
        return PeNotImage;
    }
    image->sectionCount = numberOfSections;

    if (ReadDword(image, optional + RvaCountOffset) > 0)
        LocateExportNames(image, ReadDword(image, optional + ExportEntryOffset));
    return PeOk;
}

int PeHasExport(const PeImage* image, const char* name)
{
    for (uint32_t i = 0; i < image->nameCount; ++i) {
        const char* exported = NameAt(image, ReadDword(image, image->exportNames + i * 4));
        if (exported && std::strcmp(exported, name) == 0) return 1;
    }
    return 0;
}

int PeFindDecoratedExport(const PeImage* image, const char* name, char* found, size_t size)
{
    for (uint32_t i = 0; i < image->nameCount; ++i) {
        const char* exported = NameAt(image, ReadDword(image, image->exportNames + i * 4));
        if (!exported || !IsDecorationOf(exported, name)) continue;
        if (size) {
            const size_t length = std::strlen(exported);
            const size_t copied = length < size ? length : size - 1;
            std::memcpy(found, exported, copied);
            found[copied] = '\0';
        }
        return 1;
    }
    return 0;
}
