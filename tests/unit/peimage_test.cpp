// infcheck's reader of library files, on images built here: what a library is, exports
// found by exact and by decorated name, the decorated name cut to its buffer, and file
// offsets taken from the headers that lie outside the file or wrap past 32 bits.

#include "../../checker/peimage.h"

#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

namespace {

// A 32-bit library: headers, one section at file offset 0x200 (address 0x1000) holding
// the export directory, the table of name addresses and the names.
struct Library {
    std::vector<uint8_t> bytes;
    uint32_t section = 0;  // file offset of the section header

    void Word(uint32_t at, uint16_t value) { std::memcpy(&bytes[at], &value, 2); }
    void Dword(uint32_t at, uint32_t value) { std::memcpy(&bytes[at], &value, 4); }

    explicit Library(std::initializer_list<const char*> names, uint16_t machine = 0x014C,
                     uint16_t characteristics = 0x2102)
        : bytes(0x200, 0)
    {
        bytes[0] = 'M';
        bytes[1] = 'Z';
        Dword(0x3C, 0x40);
        std::memcpy(&bytes[0x40], "PE\0\0", 4);
        Word(0x44, machine);
        Word(0x46, 1);              // one section
        Word(0x54, 0xE0);           // size of the optional header
        Word(0x56, characteristics);
        Word(0x58, 0x010B);
        Dword(0x58 + 92, 16);       // data directories
        const uint32_t table = 0x1000 + 40;
        uint32_t name = table + 4 * static_cast<uint32_t>(names.size());
        std::vector<uint8_t> body(40, 0);
        auto put = [&body](uint32_t at, uint32_t value) { std::memcpy(&body[at], &value, 4); };
        put(24, static_cast<uint32_t>(names.size()));
        put(32, table);
        for (const char* n : names) {
            body.resize(body.size() + 4);
            put(static_cast<uint32_t>(body.size() - 4), name);
            name += static_cast<uint32_t>(std::strlen(n) + 1);
        }
        for (const char* n : names) body.insert(body.end(), n, n + std::strlen(n) + 1);
        Dword(0x58 + 96, 0x1000);
        Dword(0x58 + 100, static_cast<uint32_t>(body.size()));
        section = 0x58 + 0xE0;
        std::memcpy(&bytes[section], ".edata\0", 8);
        Dword(section + 8, static_cast<uint32_t>(body.size()));
        Dword(section + 12, 0x1000);
        Dword(section + 16, static_cast<uint32_t>(body.size()));
        Dword(section + 20, 0x200);
        bytes.insert(bytes.end(), body.begin(), body.end());
    }

    PeStatus Parse(PeImage* image)
    {
        *image = {bytes.data(), static_cast<uint32_t>(bytes.size()), 0, 0, 0, 0};
        return ParsePeImage(image);
    }
};

TEST(PeImage, TellsLibrariesFromOtherFiles)
{
    PeImage image;
    EXPECT_EQ(PeOk, Library({"Check"}).Parse(&image));
    EXPECT_EQ(PeNotLibrary, Library({"Check"}, 0x014C, 0x0102).Parse(&image));
    EXPECT_EQ(PeNot32Bit, Library({"Check"}, 0x8664).Parse(&image));
    Library truncated({"Check"});
    truncated.bytes.resize(0x100);  // the section table is cut off
    EXPECT_EQ(PeNotImage, truncated.Parse(&image));
    std::vector<uint8_t> text(200, 'x');
    image = {text.data(), static_cast<uint32_t>(text.size()), 0, 0, 0, 0};
    EXPECT_EQ(PeNotImage, ParsePeImage(&image));
}

TEST(PeImage, FindsExportsByExactAndByDecoratedName)
{
    Library library({"Check", "_Run@8", "CheckCondition"});
    PeImage image;
    ASSERT_EQ(PeOk, library.Parse(&image));
    EXPECT_EQ(3u, image.nameCount);
    EXPECT_EQ(1, PeHasExport(&image, "Check"));
    EXPECT_EQ(1, PeHasExport(&image, "CheckCondition"));
    EXPECT_EQ(0, PeHasExport(&image, "Run"));
    EXPECT_EQ(0, PeHasExport(&image, "check"));

    char found[16];
    EXPECT_EQ(1, PeFindDecoratedExport(&image, "Run", found, sizeof found));
    EXPECT_STREQ("_Run@8", found);
    EXPECT_EQ(0, PeFindDecoratedExport(&image, "Check", found, sizeof found));  // exact is no decoration
    // Cut to the buffer, and nothing written past it.
    char small[5] = {'G', 'G', 'G', 'G', 'G'};
    EXPECT_EQ(1, PeFindDecoratedExport(&image, "Run", small, 4));
    EXPECT_STREQ("_Ru", small);
    EXPECT_EQ('G', small[4]);
}

TEST(PeImage, OffsetsOutsideTheFileAreNotFollowed)
{
    // The section's data said to lie behind the end of the file.
    Library behind({"Check"});
    behind.Dword(behind.section + 20, static_cast<uint32_t>(behind.bytes.size()));
    PeImage image;
    ASSERT_EQ(PeOk, behind.Parse(&image));
    EXPECT_EQ(0u, image.nameCount);
    EXPECT_EQ(0, PeHasExport(&image, "Check"));

    // The name table said to lie in a second section whose file offset is so large that
    // adding the place within it wraps past 32 bits, back onto the real table (file
    // offset 0x228): what the wrapped sum points at may not be taken for the table.
    Library wrapping({"Check"});
    const uint32_t second = wrapping.section + 40;
    wrapping.Word(0x46, 2);
    wrapping.Dword(second + 8, 0x1000);        // virtual size
    wrapping.Dword(second + 12, 0x2000);       // address
    wrapping.Dword(second + 16, 0x1000);       // size in the file
    wrapping.Dword(second + 20, 0xFFFFFFF0u);  // file offset
    wrapping.Dword(0x200 + 32, 0x2000 + 0x10 + 0x228);
    ASSERT_EQ(PeOk, wrapping.Parse(&image));
    EXPECT_EQ(0u, image.nameCount);
    EXPECT_EQ(0, PeHasExport(&image, "Check"));
}

} // namespace
