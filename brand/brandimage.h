// The resource images that brand.exe reads and rewrites, as pure logic on byte buffers
// (a dialog template's caption is the dialog template code's): a string table block with
// another entry, the
// welcome text split at its invitation, a BMP file taken apart into the packed bitmap
// that a bitmap resource holds, and an .ico file's directory turned into an icon group.
// Every offset is checked against the size of its buffer.
#pragma once

#include <cstddef>
#include <cstdint>

// A string table block holds 16 strings, each a 16-bit length and that many UTF-16 units.
// Entry `index` (0 to 15) of `block`: its text (unterminated) and length. 0 when the
// block is shorter than its lengths say.
int StringBlockEntry(const uint8_t* block, size_t size, unsigned index, const uint16_t** text, size_t* units);

// Writes `block` to `out` with entry `index` replaced by `units` units of `text`.
// Returns the new size, or 0 when the block is malformed or `out` too small.
size_t ReplaceStringBlockEntry(const uint8_t* block, size_t size, unsigned index, const uint16_t* text, size_t units,
                               uint8_t* out, size_t capacity);

// The welcome text is the title, a full stop, two carriage returns and an invitation.
// Where the invitation starts in `welcome` when it begins with `title` (and the full
// stop and returns, when they follow); 0 when it does not begin with the title.
size_t WelcomeInvitation(const uint16_t* welcome, size_t units, const uint16_t* title, size_t titleUnits);

// A BMP file taken apart: its picture's facts, and the two pieces that, put together,
// make the packed bitmap of a bitmap resource: the header with its colour table, and the
// pixels, which the file may hold further on.
struct BitmapFile {
    int32_t width;
    int32_t height;      // positive also for a top-down picture
    uint16_t bitCount;
    size_t header;       // offset of the information header in the file (14)
    size_t headerBytes;  // information header, colour masks and colour table
    size_t bits;         // offset of the pixels in the file
    size_t bitsBytes;
};

// Reads a BMP file: "BM", an information header of 12 or at least 40 bytes, and the
// colour table and pixels that it announces inside the file. 0 when it is not one.
int ReadBitmapFile(const uint8_t* data, size_t size, BitmapFile* bitmap);

// Width, height and colour depth of a packed bitmap (a bitmap resource). 0 when its
// header is incomplete.
int ReadPackedBitmap(const uint8_t* data, size_t size, int32_t* width, int32_t* height, uint16_t* bitCount);

// One picture of an .ico file's directory.
struct IconImage {
    uint8_t width, height, colors;
    uint16_t planes, bitCount;
    uint32_t bytes, offset;
};

const int MaxIconImages = 64;

// Reads the directory of an .ico file: reserved word 0, type 1, 1 to `capacity`
// pictures, each inside the file. Returns the count, 0 when it is not an .ico file.
int ReadIconFile(const uint8_t* data, size_t size, IconImage* images, int capacity);

// The icon ids of an icon group resource, at most `capacity`; -1 when it is malformed.
int IconGroupIds(const uint8_t* group, size_t size, uint16_t* ids, int capacity);

// Writes the icon group resource for `count` pictures, picture i under icon id ids[i].
// Returns its size, or 0 when it does not fit `capacity`.
size_t WriteIconGroup(const IconImage* images, const uint16_t* ids, int count, uint8_t* out, size_t capacity);
