// The resource images of brand.exe on bytes built here: string table blocks, the welcome
// text's invitation, BMP files taken apart, and .ico directories made into icon groups.

#include "../../brand/brandimage.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

void Put(std::vector<uint8_t>* bytes, uint32_t value, int size)
{
    for (int i = 0; i < size; ++i) bytes->push_back(static_cast<uint8_t>(value >> (8 * i)));
}

std::u16string Entry(const std::vector<uint8_t>& block, unsigned index)
{
    const uint16_t* text;
    size_t units;
    if (!StringBlockEntry(block.data(), block.size(), index, &text, &units)) return u"<none>";
    return std::u16string(reinterpret_cast<const char16_t*>(text), units);
}

} // namespace

TEST(BrandImage, AStringBlockEntryIsReplacedAndTheOthersKept)
{
    std::vector<uint8_t> block;
    for (unsigned i = 0; i < 16; ++i) {
        Put(&block, i % 3, 2);
        for (unsigned c = 0; c < i % 3; ++c) Put(&block, 'a' + i, 2);
    }
    const std::u16string title = u"Lumen";
    std::vector<uint8_t> out(block.size() + 10);
    const size_t size = ReplaceStringBlockEntry(block.data(), block.size(), 4, reinterpret_cast<const uint16_t*>(
                                                title.data()), title.size(), out.data(), out.size());
    ASSERT_EQ(block.size() + 8, size);
    out.resize(size);
    EXPECT_EQ(u"Lumen", Entry(out, 4));
    EXPECT_EQ(u"cc", Entry(out, 2));
    EXPECT_EQ(u"ff", Entry(out, 5));
    EXPECT_EQ(u"", Entry(out, 15));
    // A block shorter than its lengths say is refused.
    EXPECT_EQ(u"<none>", Entry(std::vector<uint8_t>(block.begin(), block.end() - 2), 15));
}

TEST(BrandImage, TheInvitationFollowsTheTitleAndItsFullStop)
{
    const struct { std::u16string welcome, title; size_t at; } rows[] = {
        {u"Norvale.\r\rClick on 'Next'.", u"Norvale", 10},
        {u"Norvale: Click.", u"Norvale", 7},
        {u"Click.", u"Norvale", 0},
        {u"Nor", u"Norvale", 0},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(row.at, WelcomeInvitation(reinterpret_cast<const uint16_t*>(row.welcome.data()), row.welcome.size(),
                                            reinterpret_cast<const uint16_t*>(row.title.data()), row.title.size()));
    }
}

TEST(BrandImage, ABmpFileGivesItsFactsAndThePiecesOfItsPackedBitmap)
{
    // 3x2 pixels, 4 bits, 16 colours; the pixels stand 6 bytes behind the colour table.
    std::vector<uint8_t> file = {'B', 'M'};
    Put(&file, 0, 4);
    Put(&file, 0, 4);
    Put(&file, 14 + 40 + 64 + 6, 4);
    for (uint32_t v : {40u, 3u, static_cast<uint32_t>(-2)}) Put(&file, v, 4);
    Put(&file, 1, 2);
    Put(&file, 4, 2);
    for (int i = 0; i < 6; ++i) Put(&file, 0, 4);
    file.resize(file.size() + 64 + 6 + 8, 0x11);
    BitmapFile bitmap;
    ASSERT_EQ(1, ReadBitmapFile(file.data(), file.size(), &bitmap));
    EXPECT_EQ(3, bitmap.width);
    EXPECT_EQ(2, bitmap.height);
    EXPECT_EQ(4, bitmap.bitCount);
    EXPECT_EQ(104u, bitmap.headerBytes);
    EXPECT_EQ(124u, bitmap.bits);
    EXPECT_EQ(8u, bitmap.bitsBytes);
    int32_t width, height;
    uint16_t bits;
    ASSERT_EQ(1, ReadPackedBitmap(file.data() + 14, bitmap.headerBytes, &width, &height, &bits));
    EXPECT_EQ(2, height);
    // Pixels cut short, or no "BM", is no BMP.
    EXPECT_EQ(0, ReadBitmapFile(file.data(), file.size() - 1, &bitmap));
    file[0] = 'X';
    EXPECT_EQ(0, ReadBitmapFile(file.data(), file.size(), &bitmap));
}

TEST(BrandImage, AnIcoDirectoryBecomesAnIconGroup)
{
    std::vector<uint8_t> ico;
    for (uint32_t v : {0u, 1u, 2u}) Put(&ico, v, 2);
    for (uint32_t size : {16u, 32u}) {
        for (uint32_t v : {size, size, 16u, 0u}) Put(&ico, v, 1);
        for (uint32_t v : {1u, 4u}) Put(&ico, v, 2);
        for (uint32_t v : {10u, 38u + (size == 32 ? 10u : 0u)}) Put(&ico, v, 4);
    }
    ico.resize(58, 0);
    IconImage images[MaxIconImages];
    ASSERT_EQ(2, ReadIconFile(ico.data(), ico.size(), images, MaxIconImages));
    EXPECT_EQ(48u, images[1].offset);
    const uint16_t ids[] = {7, 9};
    uint8_t group[64];
    ASSERT_EQ(34u, WriteIconGroup(images, ids, 2, group, sizeof group));
    uint16_t read[4];
    ASSERT_EQ(2, IconGroupIds(group, 34, read, 4));
    EXPECT_EQ(9, read[1]);
    EXPECT_EQ(32, group[6 + 14]);
    // A picture past the end of the file, or a BMP, is no .ico file.
    EXPECT_EQ(0, ReadIconFile(ico.data(), ico.size() - 1, images, MaxIconImages));
    EXPECT_EQ(0, ReadIconFile(reinterpret_cast<const uint8_t*>("BM\0\0\0\0"), 6, images, MaxIconImages));
}
