// The [Rename] section image of wininit.ini: appending one "NUL=<path>" entry behind the
// entries already read, byte for byte, at the capacity limit and beyond it, and the
// test that tells whether the profile reader may have cut the image.

#include "../../engine/renameimage.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// A section image of `capacity` bytes holding `entries` (each zero-terminated, the
// whole ended by one more zero), the rest filled with 'Z' so that stray writes show.
// `used` receives the count the profile reader would return: the characters before the
// final zero.
std::vector<char> MakeImage(std::initializer_list<const char*> entries, size_t capacity, size_t* used)
{
    std::vector<char> image(capacity, 'Z');
    size_t at = 0;
    for (const char* entry : entries) {
        std::memcpy(&image[at], entry, std::strlen(entry) + 1);
        at += std::strlen(entry) + 1;
    }
    *used = at;
    image[at] = '\0';
    if (at == 0) image[1] = '\0';
    return image;
}

std::string Bytes(const std::vector<char>& image)
{
    return std::string(image.data(), image.size());
}

TEST(RenameImage, AppendsBehindExistingEntriesWithTwoZeros)
{
    size_t used = 0;
    std::vector<char> image = MakeImage({"NUL=C:\\OLD.TXT", "C:\\NEW.DLL=C:\\NEW.TMP"}, 64, &used);
    ASSERT_EQ(37u, used);

    EXPECT_EQ(1, AppendRenameEntry(image.data(), image.size(), used, "C:\\PROGRA~1\\TOOL.EXE"));

    std::string expected("NUL=C:\\OLD.TXT\0C:\\NEW.DLL=C:\\NEW.TMP\0NUL=C:\\PROGRA~1\\TOOL.EXE\0\0", 63);
    expected.append(64 - expected.size(), 'Z');
    EXPECT_EQ(expected, Bytes(image));
}

TEST(RenameImage, AppendsToAnEmptySection)
{
    size_t used = 0;
    std::vector<char> image = MakeImage({}, 16, &used);
    ASSERT_EQ(0u, used);

    EXPECT_EQ(1, AppendRenameEntry(image.data(), image.size(), used, "C:\\A"));
    EXPECT_EQ(std::string("NUL=C:\\A\0\0ZZZZZZ", 16), Bytes(image));
    // A replacement: the target, not NUL, is the key.
    image = MakeImage({}, 16, &used);
    EXPECT_EQ(0, AppendRenameEntry(image.data(), 10, used, "C:\\B", "C:\\A"));
    EXPECT_EQ(1, AppendRenameEntry(image.data(), image.size(), used, "C:\\B", "C:\\A"));
    EXPECT_EQ(std::string("C:\\A=C:\\B\0\0ZZZZZ", 16), Bytes(image));
}

TEST(RenameImage, EntryThatFillsTheImageExactlyIsWritten)
{
    // "a=1" + zero, then "NUL=C:\X" (8) + zero + the final zero: 4 + 10 = 14 bytes.
    size_t used = 0;
    std::vector<char> image = MakeImage({"a=1"}, 14, &used);

    EXPECT_EQ(1, AppendRenameEntry(image.data(), image.size(), used, "C:\\X"));
    EXPECT_EQ(std::string("a=1\0NUL=C:\\X\0\0", 14), Bytes(image));
}

TEST(RenameImage, EntryThatDoesNotFitWritesNothing)
{
    // One byte short of the case above.
    size_t used = 0;
    std::vector<char> image = MakeImage({"a=1"}, 13, &used);
    const std::string before = Bytes(image);

    EXPECT_EQ(0, AppendRenameEntry(image.data(), image.size(), used, "C:\\X"));
    EXPECT_EQ(before, Bytes(image));

    // Far too small, and an image that the reader filled to the last byte.
    image = MakeImage({"NUL=C:\\LONGER\\PATH.TXT"}, 32, &used);
    const std::string full = Bytes(image);
    EXPECT_EQ(0, AppendRenameEntry(image.data(), image.size(), used, "C:\\PROGRAM FILES\\VENDOR\\TOOL.EXE"));
    EXPECT_EQ(full, Bytes(image));
    EXPECT_EQ(0, AppendRenameEntry(image.data(), image.size(), image.size() - 1, "C:\\X"));
    EXPECT_EQ(full, Bytes(image));
}

TEST(RenameImage, UsedCountBeyondTheCapacityIsRefused)
{
    std::vector<char> image(8, 'Z');
    EXPECT_EQ(0, AppendRenameEntry(image.data(), image.size(), 9, ""));
    EXPECT_EQ(0, AppendRenameEntry(image.data(), image.size(), 8, ""));
    EXPECT_EQ(std::string(8, 'Z'), Bytes(image));
}

TEST(RenameImage, LongestShortPathFitsTheThousandByteImage)
{
    // A short path of 255 characters behind 700 bytes of entries: 700 + 4 + 255 + 2.
    std::vector<char> image(1024, 'Z');
    std::memset(image.data(), 'e', 699);
    image[699] = '\0';
    image[700] = '\0';
    const std::string path(255, 'p');

    EXPECT_EQ(1, AppendRenameEntry(image.data(), image.size(), 700, path.c_str()));
    EXPECT_EQ(std::string(699, 'e') + '\0' + "NUL=" + path + '\0' + '\0', std::string(image.data(), 961));
    EXPECT_EQ(std::string(1024 - 961, 'Z'), std::string(image.data() + 961, 1024 - 961));
}

TEST(RenameImage, ReaderResultTwoShortOfTheCapacityMayBeCut)
{
    // The profile reader returns capacity - 2 when the section did not fit.
    EXPECT_EQ(1, RenameImageMayBeCut(1024, 1022));
    EXPECT_EQ(1, RenameImageMayBeCut(1024, 1023));
    EXPECT_EQ(0, RenameImageMayBeCut(1024, 1021));
    EXPECT_EQ(0, RenameImageMayBeCut(1024, 0));
    EXPECT_EQ(1, RenameImageMayBeCut(2048, 2046));
    EXPECT_EQ(0, RenameImageMayBeCut(2048, 1022));
}

} // namespace
