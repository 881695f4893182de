// Reading and rewriting in-memory dialog templates, both the standard layout and the
// extended one (told apart by 0xFFFF as the second 16-bit word). The classic wizard
// draws its side picture and header band into copies of the page templates: every
// item moves by some dialog units, the dialog changes height, and static items are
// appended at the end; brand.exe gives a copy another caption. All offsets are checked
// against the template's size.
#pragma once

#include <cstddef>
#include <cstdint>

struct DialogTemplateInfo {
    bool extended;       // DLGTEMPLATEEX
    unsigned items;      // item count
    size_t firstItem;    // offset of the first item (4-byte aligned)
    size_t used;         // end of the last item, aligned to 4 bytes: where items are appended
};

// Walks a template of `size` bytes; 0 when it is malformed or runs past its size.
int ReadDialogTemplate(const uint8_t* data, size_t size, DialogTemplateInfo* info);

// Adds `dy` to every item's y, `dcy` to the dialog's height and `addedItems` to the
// item count; 0 (nothing changed) when the template cannot be walked or the count
// would exceed 65535.
int AdjustDialogTemplate(uint8_t* data, size_t size, int dy, int dcy, unsigned addedItems);

// Bytes an appended static item takes, including its alignment, in either layout, with
// a UTF-16 title of `titleLength` characters (or an ordinal title when titleLength < 0).
size_t StaticItemSize(bool extended, int titleLength);

struct StaticItem {
    uint32_t style;
    int16_t x, y, cx, cy;
    uint16_t id;
    const uint16_t* title;   // zero-terminated UTF-16 text, or null for an ordinal title
    uint16_t titleOrdinal;   // the resource id shown when title is null (a bitmap)
};

// Writes a static item (class ordinal 0x0082, no creation data, extended style 0, help
// id 0) at `offset`, which must be 4-byte aligned, in the template's layout. Returns
// the offset behind it, aligned to 4 bytes, or 0 when it does not fit `capacity`.
size_t AppendStaticItem(uint8_t* data, size_t capacity, size_t offset, bool extended, const StaticItem& item);

// The caption of a dialog template: its UTF-16 text and length in units. 0 when the
// template cannot be walked or its title is an ordinal.
int DialogCaption(const uint8_t* data, size_t size, const uint16_t** caption, size_t* units);

// Writes `data` (a dialog template of `size` bytes, either layout) to `out` with its
// caption replaced by `units` UTF-16 units of `caption`; the items keep their 4-byte
// alignment. Returns the new size, or 0 when the template cannot be walked, its title is
// an ordinal, or the result does not fit `capacity`.
size_t ReplaceDialogCaption(const uint8_t* data, size_t size, const uint16_t* caption, size_t units, uint8_t* out,
                            size_t capacity);
