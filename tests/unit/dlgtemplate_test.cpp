// Walking and rewriting dialog templates in both layouts, on bytes built here: items
// moved, the height changed, the count raised, static items appended at 4-byte
// boundaries, captions replaced (brand.exe), and malformed templates refused.

#include "../../app/dlgtemplate.h"
#include "../../brand/brandimage.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// Builds a template byte by byte, as a resource compiler lays it out.
struct Builder {
    std::vector<uint8_t> bytes;

    void Word(uint16_t value) { bytes.push_back(value & 0xFF); bytes.push_back(value >> 8); }
    void Dword(uint32_t value) { Word(value & 0xFFFF); Word(value >> 16); }
    void Text(const char* text)
    {
        for (; *text; ++text) Word(static_cast<uint8_t>(*text));
        Word(0);
    }
    void Ordinal(uint16_t value) { Word(0xFFFF); Word(value); }
    void Align() { while (bytes.size() % 4) bytes.push_back(0); }
    uint16_t WordAt(size_t at) const { return static_cast<uint16_t>(bytes[at] | bytes[at + 1] << 8); }
};

const uint32_t SetFont = 0x40;

// A standard template 317 by 143 with two items: a static with a class name and a
// title, and a button by ordinal with 6 bytes of creation data.
Builder StandardTemplate()
{
    Builder b;
    b.Dword(0x40C00000 | SetFont);  // WS_CHILD | WS_CAPTION | DS_SETFONT
    b.Dword(0);
    b.Word(2);
    b.Word(0); b.Word(0); b.Word(317); b.Word(143);
    b.Word(0);              // no menu
    b.Word(0);              // default class
    b.Text("Caption");
    b.Word(8);
    b.Text("MS Shell Dlg");
    b.Align();
    b.Dword(0x50000000); b.Dword(0);
    b.Word(21); b.Word(1); b.Word(275); b.Word(16); b.Word(65534);
    b.Text("STATIC");
    b.Text("Text");
    b.Word(0);              // no creation data
    b.Align();
    b.Dword(0x50010000); b.Dword(0);
    b.Word(21); b.Word(63); b.Word(50); b.Word(14); b.Word(1209);
    b.Ordinal(0x0080);
    b.Ordinal(7);
    b.Word(6); b.Word(0xAAAA); b.Word(0xBBBB);  // creation data counting its own size word
    return b;
}

// The same dialog in the extended layout.
Builder ExtendedTemplate()
{
    Builder b;
    b.Word(1); b.Word(0xFFFF);
    b.Dword(0);             // help id
    b.Dword(0);             // extended style
    b.Dword(0x40C00000 | SetFont);
    b.Word(2);
    b.Word(0); b.Word(0); b.Word(317); b.Word(143);
    b.Word(0); b.Word(0);
    b.Text("Caption");
    b.Word(8); b.Word(400); b.bytes.push_back(0); b.bytes.push_back(1);
    b.Text("MS Shell Dlg");
    b.Align();
    b.Dword(0); b.Dword(0); b.Dword(0x50000000);
    b.Word(21); b.Word(1); b.Word(275); b.Word(16); b.Dword(65534);
    b.Text("STATIC");
    b.Text("Text");
    b.Word(0);
    b.Align();
    b.Dword(0); b.Dword(0); b.Dword(0x50010000);
    b.Word(21); b.Word(63); b.Word(50); b.Word(14); b.Dword(1209);
    b.Ordinal(0x0080);
    b.Ordinal(7);
    b.Word(4); b.Dword(0xCCCCDDDD);  // a count of the bytes that follow
    return b;
}

struct Offsets {
    size_t count, cy, firstItemY, secondItemY;
};

TEST(DialogTemplate, WalksTheStandardLayout)
{
    Builder b = StandardTemplate();
    DialogTemplateInfo info;
    ASSERT_EQ(1, ReadDialogTemplate(b.bytes.data(), b.bytes.size(), &info));
    EXPECT_FALSE(info.extended);
    EXPECT_EQ(2u, info.items);
    EXPECT_EQ(0u, info.firstItem % 4);
    EXPECT_EQ((b.bytes.size() + 3) & ~size_t(3), info.used);
}

TEST(DialogTemplate, WalksTheExtendedLayout)
{
    Builder b = ExtendedTemplate();
    DialogTemplateInfo info;
    ASSERT_EQ(1, ReadDialogTemplate(b.bytes.data(), b.bytes.size(), &info));
    EXPECT_TRUE(info.extended);
    EXPECT_EQ(2u, info.items);
    EXPECT_EQ((b.bytes.size() + 3) & ~size_t(3), info.used);
}

void ExpectAdjusted(const Builder& original, const Offsets& at)
{
    Builder b = original;
    DialogTemplateInfo info;
    ASSERT_EQ(1, ReadDialogTemplate(b.bytes.data(), b.bytes.size(), &info));
    ASSERT_EQ(1, AdjustDialogTemplate(b.bytes.data(), b.bytes.size(), 36, 36, 3));
    EXPECT_EQ(5, b.WordAt(at.count));
    EXPECT_EQ(179, b.WordAt(at.cy));
    EXPECT_EQ(37, b.WordAt(at.firstItemY));
    EXPECT_EQ(99, b.WordAt(at.secondItemY));

    // The raised count now claims items that are not there yet: the template cannot be
    // walked until they are appended.
    EXPECT_EQ(0, AdjustDialogTemplate(b.bytes.data(), b.bytes.size(), 1, 1, 0));

    Builder fresh = original;
    ASSERT_EQ(1, AdjustDialogTemplate(fresh.bytes.data(), fresh.bytes.size(), -7, -14, 0));
    EXPECT_EQ(static_cast<uint16_t>(-6), fresh.WordAt(at.firstItemY));  // items may go above the top
    EXPECT_EQ(56, fresh.WordAt(at.secondItemY));
    EXPECT_EQ(129, fresh.WordAt(at.cy));
    EXPECT_EQ(2, fresh.WordAt(at.count));
}

TEST(DialogTemplate, MovesItemsAndResizesInBothLayouts)
{
    // Standard: count at 8, cy at 16; items at 4-byte boundaries with y at +10.
    Builder standard = StandardTemplate();
    DialogTemplateInfo info;
    ReadDialogTemplate(standard.bytes.data(), standard.bytes.size(), &info);
    const size_t first = info.firstItem;
    size_t second = first + 18 + 14 + 10 + 2;  // fixed part, "STATIC", "Text", creation word
    second = (second + 3) & ~size_t(3);
    ExpectAdjusted(standard, {8, 16, first + 10, second + 10});

    Builder extended = ExtendedTemplate();
    ReadDialogTemplate(extended.bytes.data(), extended.bytes.size(), &info);
    const size_t firstEx = info.firstItem;
    size_t secondEx = (firstEx + 24 + 14 + 10 + 2 + 3) & ~size_t(3);
    ExpectAdjusted(extended, {16, 24, firstEx + 14, secondEx + 14});
}

TEST(DialogTemplate, ACountThatWouldPassItsSixteenBitsIsNotRaised)
{
    // 65534 minimal items (an ordinal class, an empty title, no creation data): one
    // more fits the count, two would wrap it to zero and hide every item.
    Builder b;
    b.Dword(0x40C00000); b.Dword(0);
    b.Word(65534);
    b.Word(0); b.Word(0); b.Word(100); b.Word(50);
    b.Word(0); b.Word(0); b.Word(0);  // no menu, default class, no title
    for (int i = 0; i < 65534; ++i) {
        b.Align();
        b.Dword(0x50000000); b.Dword(0);
        b.Word(0); b.Word(10); b.Word(10); b.Word(10); b.Word(1);
        b.Ordinal(0x0082);
        b.Word(0);  // empty title
        b.Word(0);  // no creation data
    }
    const std::vector<uint8_t> before = b.bytes;
    EXPECT_EQ(0, AdjustDialogTemplate(b.bytes.data(), b.bytes.size(), 5, 5, 2));
    EXPECT_EQ(before, b.bytes);
    EXPECT_EQ(1, AdjustDialogTemplate(b.bytes.data(), b.bytes.size(), 5, 5, 1));
    EXPECT_EQ(65535, b.WordAt(8));
    EXPECT_EQ(55, b.WordAt(16));
}

TEST(DialogTemplate, AppendedItemsAreReadBackAsPartOfTheTemplate)
{
    for (Builder b : {StandardTemplate(), ExtendedTemplate()}) {
        DialogTemplateInfo info;
        ASSERT_EQ(1, ReadDialogTemplate(b.bytes.data(), b.bytes.size(), &info));
        // A title of 1023 characters, the longest header text the wizard loads.
        std::vector<uint16_t> title(1024, 'W');
        title[1023] = 0;
        const size_t room = StaticItemSize(info.extended, 1023) + StaticItemSize(info.extended, -1);
        std::vector<uint8_t> grown(b.bytes);
        grown.resize(info.used + room, 0xEE);

        StaticItem text = {0x5002000C, 7, 0, 310, 8, 0xFFF0, title.data(), 0};
        StaticItem picture = {0x5002080E, 0, 0, 95, 179, 0xFFFF, nullptr, 4};
        size_t at = AppendStaticItem(grown.data(), grown.size(), info.used, info.extended, text);
        ASSERT_NE(0u, at);
        EXPECT_EQ(0u, at % 4);
        at = AppendStaticItem(grown.data(), grown.size(), at, info.extended, picture);
        ASSERT_EQ(grown.size(), at) << "the room computed is exactly what is written";
        ASSERT_EQ(1, AdjustDialogTemplate(grown.data(), grown.size(), 0, 0, 2));

        DialogTemplateInfo after;
        ASSERT_EQ(1, ReadDialogTemplate(grown.data(), grown.size(), &after));
        EXPECT_EQ(4u, after.items);
        EXPECT_EQ(grown.size(), after.used);
    }
}

TEST(DialogTemplate, AppendRefusesWhatDoesNotFit)
{
    std::vector<uint8_t> buffer(40, 0xEE);
    const uint16_t title[] = {'A', 'B', 0};
    StaticItem item = {0x50020000, 1, 2, 3, 4, 5, title, 0};
    const size_t size = StaticItemSize(false, 2);
    EXPECT_EQ(0u, AppendStaticItem(buffer.data(), size - 1, 0, false, item));
    EXPECT_EQ(0xEE, buffer[0]);
    EXPECT_EQ(0u, AppendStaticItem(buffer.data(), buffer.size(), 2, false, item));  // not aligned
    EXPECT_EQ(size, AppendStaticItem(buffer.data(), size, 0, false, item));
}

TEST(DialogTemplate, WritesTheStandardItemByteForByte)
{
    std::vector<uint8_t> buffer(64, 0xEE);
    StaticItem picture = {0x5002080E, 0, 0, 95, 179, 0xFFFF, nullptr, 4};
    ASSERT_EQ(28u, AppendStaticItem(buffer.data(), buffer.size(), 0, false, picture));
    const uint8_t expected[] = {0x0E, 0x08, 0x02, 0x50, 0, 0, 0, 0,   // style, extended style
                                0, 0, 0, 0, 95, 0, 179, 0,             // x, y, cx, cy
                                0xFF, 0xFF,                            // id
                                0xFF, 0xFF, 0x82, 0x00,                // class: static
                                0xFF, 0xFF, 0x04, 0x00,                // title: bitmap 4
                                0, 0};                                 // no creation data
    EXPECT_EQ(0, std::memcmp(expected, buffer.data(), sizeof expected));
    EXPECT_EQ(0xEE, buffer[28]);
}

TEST(DialogTemplate, MalformedTemplatesAreRefused)
{
    Builder b = StandardTemplate();
    DialogTemplateInfo info;
    // Cut anywhere short of the last item's end: never read past the size.
    for (size_t size = 0; size + 2 < b.bytes.size(); ++size)
        EXPECT_EQ(0, ReadDialogTemplate(b.bytes.data(), size, &info)) << size;
    // An unterminated title runs to the end.
    Builder open;
    open.Dword(0); open.Dword(0); open.Word(0);
    open.Word(0); open.Word(0); open.Word(10); open.Word(10);
    open.Word(0); open.Word(0);
    open.Word('x'); open.Word('y');
    EXPECT_EQ(0, ReadDialogTemplate(open.bytes.data(), open.bytes.size(), &info));
    EXPECT_EQ(0, AdjustDialogTemplate(open.bytes.data(), open.bytes.size(), 1, 1, 1));
    // A count claiming more items than there are.
    Builder many = StandardTemplate();
    many.bytes[8] = 9;
    EXPECT_EQ(0, ReadDialogTemplate(many.bytes.data(), many.bytes.size(), &info));
}

} // namespace

// A longer and a shorter caption in both layouts: the items follow at a 4-byte boundary,
// unchanged, and a buffer too small is refused.
TEST(DialogTemplate, ACaptionIsReplacedAndTheItemsKeepTheirBytes)
{
    const std::u16string captions[] = {u"Lumen Atlas 3 f\u00fcr B\u00fcros", u"", u"Ab"};
    for (const Builder& original : {StandardTemplate(), ExtendedTemplate()}) {
        DialogTemplateInfo before;
        ASSERT_EQ(1, ReadDialogTemplate(original.bytes.data(), original.bytes.size(), &before));
        for (const std::u16string& caption : captions) {
            std::vector<uint8_t> out(original.bytes.size() + 64);
            const uint16_t* text = reinterpret_cast<const uint16_t*>(caption.data());
            const size_t size = ReplaceDialogCaption(original.bytes.data(), original.bytes.size(), text,
                                                     caption.size(), out.data(), out.size());
            ASSERT_NE(0u, size);
            DialogTemplateInfo after;
            ASSERT_EQ(1, ReadDialogTemplate(out.data(), size, &after));
            EXPECT_EQ(before.items, after.items);
            EXPECT_EQ(0, std::memcmp(original.bytes.data() + before.firstItem, out.data() + after.firstItem,
                                     original.bytes.size() - before.firstItem));
            const uint16_t* read;
            size_t units;
            ASSERT_EQ(1, DialogCaption(out.data(), size, &read, &units));
            EXPECT_EQ(caption, std::u16string(reinterpret_cast<const char16_t*>(read), units));
            EXPECT_EQ(0u, ReplaceDialogCaption(original.bytes.data(), original.bytes.size(), text, caption.size(),
                                               out.data(), size - 1));
        }
    }
}
