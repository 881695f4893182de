#include "brandimage.h"

#include "../base/bytes.h"

#include <cstring>

int StringBlockEntry(const uint8_t* block, size_t size, unsigned index, const uint16_t** text, size_t* units)
{
    if (!block || index > 15) return 0;
    size_t at = 0;
    for (unsigned i = 0;; ++i) {
        if (at + 2 > size) return 0;
        const size_t length = ReadWord(block + at);
        if (length > (size - at - 2) / 2) return 0;
        if (i == index) {
            *text = reinterpret_cast<const uint16_t*>(block + at + 2);
            *units = length;
            return 1;
        }
        at += 2 + 2 * length;
    }
}

size_t ReplaceStringBlockEntry(const uint8_t* block, size_t size, unsigned index, const uint16_t* text, size_t units,
                               uint8_t* out, size_t capacity)
{
    if (units > 0xFFFF) return 0;
    size_t written = 0;
    for (unsigned i = 0; i < 16; ++i) {
        const uint16_t* entry;
        size_t length;
        if (!StringBlockEntry(block, size, i, &entry, &length)) return 0;
        if (i == index) {
            entry = text;
            length = units;
        }
        if (2 + 2 * length > capacity - written) return 0;
        WriteWord(out + written, static_cast<uint16_t>(length));
        if (length) std::memcpy(out + written + 2, entry, 2 * length);
        written += 2 + 2 * length;
    }
    return written;
}

size_t WelcomeInvitation(const uint16_t* welcome, size_t units, const uint16_t* title, size_t titleUnits)
{
    if (titleUnits > units || std::memcmp(welcome, title, 2 * titleUnits) != 0) return 0;
    const uint16_t separator[] = {'.', '\r', '\r'};
    size_t at = titleUnits;
    if (units - at >= 3 && std::memcmp(welcome + at, separator, sizeof separator) == 0) at += 3;
    return at;
}

int ReadBitmapFile(const uint8_t* data, size_t size, BitmapFile* bitmap)
{
    if (!data || size < 14 + 12 || data[0] != 'B' || data[1] != 'M') return 0;
    const size_t bitsAt = ReadDword(data + 10);
    const uint32_t headerSize = ReadDword(data + 14);
    uint32_t compression = 0, imageSize = 0, colorsUsed = 0;
    int32_t width, height;
    uint16_t planes, bitCount;
    size_t entry = 4;  // bytes of a colour table entry
    if (headerSize == 12) {  // the OS/2 core header
        width = ReadWord(data + 18);
        height = ReadWord(data + 20);
        planes = ReadWord(data + 22);
        bitCount = ReadWord(data + 24);
        entry = 3;
    } else if (headerSize >= 40 && headerSize <= size - 14) {
        width = static_cast<int32_t>(ReadDword(data + 18));
        height = static_cast<int32_t>(ReadDword(data + 22));
        planes = ReadWord(data + 26);
        bitCount = ReadWord(data + 28);
        compression = ReadDword(data + 30);
        imageSize = ReadDword(data + 34);
        colorsUsed = ReadDword(data + 46);
    } else {
        return 0;
    }
    if (headerSize > size - 14) return 0;
    if (height < 0 && height != INT32_MIN) height = -height;
    if (planes != 1 || width <= 0 || width > 0xFFFF || height <= 0 || height > 0xFFFF) return 0;
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32)
        return 0;
    size_t colors = colorsUsed;
    if (!colors && bitCount <= 8) colors = static_cast<size_t>(1) << bitCount;
    if (colors > 256 && bitCount <= 8) return 0;
    if (colors > 0x10000) return 0;
    size_t masks = 0;
    if (headerSize == 40 && compression == 3) masks = 12;  // BI_BITFIELDS: three masks follow
    const size_t headerBytes = headerSize + masks + colors * entry;
    if (headerBytes > size - 14) return 0;
    // Uncompressed rows are padded to 4 bytes; compressed pixels say their own size.
    const uint64_t stride = ((static_cast<uint64_t>(width) * bitCount + 31) / 32) * 4;
    const uint64_t bitsBytes = (compression == 0 || compression == 3) ? stride * static_cast<uint64_t>(height)
                                                                       : imageSize;
    if (!bitsBytes || bitsAt < 14 + headerBytes || bitsAt > size || bitsBytes > size - bitsAt) return 0;
    bitmap->width = width;
    bitmap->height = height;
    bitmap->bitCount = bitCount;
    bitmap->header = 14;
    bitmap->headerBytes = headerBytes;
    bitmap->bits = bitsAt;
    bitmap->bitsBytes = static_cast<size_t>(bitsBytes);
    return 1;
}

int ReadPackedBitmap(const uint8_t* data, size_t size, int32_t* width, int32_t* height, uint16_t* bitCount)
{
    if (!data || size < 12) return 0;
    const uint32_t headerSize = ReadDword(data);
    if (headerSize == 12) {
        *width = ReadWord(data + 4);
        *height = ReadWord(data + 6);
        *bitCount = ReadWord(data + 10);
        return 1;
    }
    if (headerSize < 40 || size < 40) return 0;
    *width = static_cast<int32_t>(ReadDword(data + 4));
    const int32_t rows = static_cast<int32_t>(ReadDword(data + 8));
    *height = rows < 0 && rows != INT32_MIN ? -rows : rows;
    *bitCount = ReadWord(data + 14);
    return 1;
}

int ReadIconFile(const uint8_t* data, size_t size, IconImage* images, int capacity)
{
    if (!data || size < 6 || ReadWord(data) != 0 || ReadWord(data + 2) != 1) return 0;
    const int count = ReadWord(data + 4);
    if (count < 1 || count > capacity || size < 6 + 16 * static_cast<size_t>(count)) return 0;
    for (int i = 0; i < count; ++i) {
        const uint8_t* entry = data + 6 + 16 * i;
        IconImage& image = images[i];
        image.width = entry[0];
        image.height = entry[1];
        image.colors = entry[2];
        image.planes = ReadWord(entry + 4);
        image.bitCount = ReadWord(entry + 6);
        image.bytes = ReadDword(entry + 8);
        image.offset = ReadDword(entry + 12);
        if (!image.bytes || image.offset > size || image.bytes > size - image.offset) return 0;
    }
    return count;
}

int IconGroupIds(const uint8_t* group, size_t size, uint16_t* ids, int capacity)
{
    if (!group || size < 6) return -1;
    const int count = ReadWord(group + 4);
    if (count > capacity || size < 6 + 14 * static_cast<size_t>(count)) return -1;
    for (int i = 0; i < count; ++i) ids[i] = ReadWord(group + 6 + 14 * i + 12);
    return count;
}

size_t WriteIconGroup(const IconImage* images, const uint16_t* ids, int count, uint8_t* out, size_t capacity)
{
    if (count < 0 || count > 0xFFFF) return 0;
    const size_t size = 6 + 14 * static_cast<size_t>(count);
    if (size > capacity) return 0;
    WriteWord(out, 0);
    WriteWord(out + 2, 1);
    WriteWord(out + 4, static_cast<uint16_t>(count));
    for (int i = 0; i < count; ++i) {
        uint8_t* entry = out + 6 + 14 * i;
        entry[0] = images[i].width;
        entry[1] = images[i].height;
        entry[2] = images[i].colors;
        entry[3] = 0;
        WriteWord(entry + 4, images[i].planes);
        WriteWord(entry + 6, images[i].bitCount);
        std::memcpy(entry + 8, &images[i].bytes, 4);
        WriteWord(entry + 12, ids[i]);
    }
    return size;
}
