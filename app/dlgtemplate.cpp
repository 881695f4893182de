#include "dlgtemplate.h"

#include "../base/bytes.h"

#include <cstring>

namespace {

size_t Align4(size_t offset)
{
    return (offset + 3) & ~static_cast<size_t>(3);
}

// Skips a menu, class or title field: 0xFFFF and an ordinal, or a zero-terminated
// UTF-16 string (a lone zero is an empty string). 0 when it runs past the end.
size_t SkipNameOrOrdinal(const uint8_t* data, size_t size, size_t at)
{
    if (at + 2 > size) return 0;
    if (ReadWord(data + at) == 0xFFFF) return at + 4 <= size ? at + 4 : 0;
    for (; at + 2 <= size; at += 2) {
        if (ReadWord(data + at) == 0) return at + 2;
    }
    return 0;
}

const uint32_t SetFontStyle = 0x40;  // DS_SETFONT

// Sizes of the fixed parts and the offsets of the fields that the rewrites change.
struct Layout {
    size_t header, countOffset, cyOffset, styleOffset;
    size_t itemFixed, itemYOffset;
};

const Layout Standard = {18, 8, 16, 0, 18, 10};
const Layout Extended = {26, 16, 24, 12, 24, 14};

// Offset behind one item starting at `at` (already aligned); 0 when malformed.
size_t SkipItem(const uint8_t* data, size_t size, size_t at, bool extended)
{
    const Layout& layout = extended ? Extended : Standard;
    at += layout.itemFixed;
    if (at > size) return 0;
    if (!(at = SkipNameOrOrdinal(data, size, at))) return 0;  // class
    if (!(at = SkipNameOrOrdinal(data, size, at))) return 0;  // title
    if (at + 2 > size) return 0;
    const uint16_t extra = ReadWord(data + at);
    if (extended) {
        at += 2 + extra;  // the count excludes itself
    } else {
        at += extra ? extra : 2;  // the size counts itself; 0 takes the word alone
    }
    return at <= size ? at : 0;
}

// Where the fields behind the fixed header lie: the title from `title` to `titleEnd`,
// the font fields (when the style asks for a font) up to `fontEnd`.
struct HeaderFields {
    bool extended;
    size_t title, titleEnd, fontEnd;
};

int WalkHeader(const uint8_t* data, size_t size, HeaderFields* fields)
{
    if (!data || size < 4) return 0;
    fields->extended = ReadWord(data + 2) == 0xFFFF;
    const Layout& layout = fields->extended ? Extended : Standard;
    if (size < layout.header) return 0;
    const uint32_t style = ReadDword(data + layout.styleOffset);
    size_t at = layout.header;
    if (!(at = SkipNameOrOrdinal(data, size, at))) return 0;  // menu
    if (!(at = SkipNameOrOrdinal(data, size, at))) return 0;  // class
    fields->title = at;
    if (!(at = SkipNameOrOrdinal(data, size, at))) return 0;
    fields->titleEnd = at;
    if (style & SetFontStyle) {
        at += fields->extended ? 6 : 2;  // point size, and weight, italic and character set
        if (at > size || !(at = SkipNameOrOrdinal(data, size, at))) return 0;
    }
    fields->fontEnd = at;
    return 1;
}

// The header of a template whose title is text; an ordinal there is no caption at all.
int FindCaption(const uint8_t* data, size_t size, HeaderFields* fields)
{
    return WalkHeader(data, size, fields) && ReadWord(data + fields->title) != 0xFFFF;
}

} // namespace

int ReadDialogTemplate(const uint8_t* data, size_t size, DialogTemplateInfo* info)
{
    HeaderFields fields;
    if (!WalkHeader(data, size, &fields)) return 0;
    const bool extended = fields.extended;
    const unsigned items = ReadWord(data + (extended ? Extended : Standard).countOffset);
    const size_t firstItem = Align4(fields.fontEnd);
    size_t at = firstItem;
    for (unsigned i = 0; i < items; ++i) {
        at = Align4(at);
        if (!(at = SkipItem(data, size, at, extended))) return 0;
    }
    info->extended = extended;
    info->items = items;
    info->firstItem = firstItem;
    info->used = Align4(at);
    return 1;
}

int AdjustDialogTemplate(uint8_t* data, size_t size, int dy, int dcy, unsigned addedItems)
{
    DialogTemplateInfo info;
    if (!ReadDialogTemplate(data, size, &info)) return 0;
    // The count is a 16-bit word: a sum beyond it would wrap and hide items.
    if (addedItems > 0xFFFFu - info.items) return 0;
    const Layout& layout = info.extended ? Extended : Standard;
    size_t at = info.firstItem;
    for (unsigned i = 0; i < info.items; ++i) {
        at = Align4(at);
        uint8_t* y = data + at + layout.itemYOffset;
        WriteWord(y, static_cast<uint16_t>(static_cast<int16_t>(ReadWord(y)) + dy));
        at = SkipItem(data, size, at, info.extended);
    }
    uint8_t* cy = data + layout.cyOffset;
    WriteWord(cy, static_cast<uint16_t>(static_cast<int16_t>(ReadWord(cy)) + dcy));
    WriteWord(data + layout.countOffset, static_cast<uint16_t>(info.items + addedItems));
    return 1;
}

size_t StaticItemSize(bool extended, int titleLength)
{
    const size_t fixed = extended ? Extended.itemFixed : Standard.itemFixed;
    const size_t title = titleLength < 0 ? 4 : 2 * (static_cast<size_t>(titleLength) + 1);
    return Align4(fixed + 4 + title + 2);
}

size_t AppendStaticItem(uint8_t* data, size_t capacity, size_t offset, bool extended, const StaticItem& item)
{
    int titleLength = -1;
    if (item.title) {
        titleLength = 0;
        while (item.title[titleLength]) ++titleLength;
    }
    const size_t length = StaticItemSize(extended, titleLength);
    if (offset % 4 || offset > capacity || length > capacity - offset) return 0;
    uint8_t* at = data + offset;
    std::memset(at, 0, length);
    if (extended) {
        WriteDword(at, 0);           // help id
        WriteDword(at + 4, 0);       // extended style
        WriteDword(at + 8, item.style);
        at += 12;
    } else {
        WriteDword(at, item.style);
        WriteDword(at + 4, 0);       // extended style
        at += 8;
    }
    WriteWord(at, static_cast<uint16_t>(item.x));
    WriteWord(at + 2, static_cast<uint16_t>(item.y));
    WriteWord(at + 4, static_cast<uint16_t>(item.cx));
    WriteWord(at + 6, static_cast<uint16_t>(item.cy));
    at += 8;
    if (extended) {
        WriteDword(at, item.id);
        at += 4;
    } else {
        WriteWord(at, item.id);
        at += 2;
    }
    WriteWord(at, 0xFFFF);           // class: the static ordinal
    WriteWord(at + 2, 0x0082);
    at += 4;
    if (item.title) {
        std::memcpy(at, item.title, 2 * (static_cast<size_t>(titleLength) + 1));
        at += 2 * (static_cast<size_t>(titleLength) + 1);
    } else {
        WriteWord(at, 0xFFFF);
        WriteWord(at + 2, item.titleOrdinal);
        at += 4;
    }
    WriteWord(at, 0);                // no creation data
    return offset + length;
}

int DialogCaption(const uint8_t* data, size_t size, const uint16_t** caption, size_t* units)
{
    HeaderFields fields;
    if (!FindCaption(data, size, &fields)) return 0;
    *caption = reinterpret_cast<const uint16_t*>(data + fields.title);
    *units = (fields.titleEnd - fields.title) / 2 - 1;
    return 1;
}

size_t ReplaceDialogCaption(const uint8_t* data, size_t size, const uint16_t* caption, size_t units, uint8_t* out,
                            size_t capacity)
{
    HeaderFields fields;
    if (!FindCaption(data, size, &fields)) return 0;
    const size_t font = fields.fontEnd - fields.titleEnd;  // point size and face, when there is a font
    const size_t firstItem = Align4(fields.fontEnd);
    const size_t items = size > firstItem ? size - firstItem : 0;
    if (capacity < fields.title + 2 || units > (capacity - fields.title - 2) / 2) return 0;
    const size_t headEnd = fields.title + 2 * (units + 1);
    const size_t itemsAt = Align4(headEnd + font);
    if (itemsAt > capacity || items > capacity - itemsAt) return 0;
    std::memcpy(out, data, fields.title);
    if (units) std::memcpy(out + fields.title, caption, 2 * units);
    WriteWord(out + fields.title + 2 * units, 0);
    // The font fields end unaligned; the items begin at the next multiple of 4.
    std::memset(out + headEnd, 0, itemsAt - headEnd);
    std::memcpy(out + headEnd, data + fields.titleEnd, font);
    if (items) std::memcpy(out + itemsAt, data + firstItem, items);
    return itemsAt + items;
}
