// The window handle in an external program's parameters: where "%hwnd%" is replaced,
// where the replacing stops, what happens at the buffer's end, and the exact text of
// the handle.

#include "../../engine/hwndtext.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

const char kHandle[] = "0x0004a1bc";

// Parameters in a buffer of `capacity` bytes followed by guard bytes that no call may
// touch; the bytes of the buffer after the text are filled too, so that a write past
// the text's end but inside the capacity is not mistaken for one past the capacity.
struct Buffer {
    char bytes[1100];
    size_t capacity;

    Buffer(const char* text, size_t capacity_) : capacity(capacity_)
    {
        std::memset(bytes, 'G', sizeof bytes);
        std::strcpy(bytes, text);
    }
    bool GuardIntact() const
    {
        for (size_t i = capacity; i < sizeof bytes; ++i) {
            if (bytes[i] != 'G') return false;
        }
        return true;
    }
    int Substitute() { return SubstituteWindowHandle(bytes, capacity, kHandle); }
};

std::string Substituted(const char* text, int* count = nullptr)
{
    Buffer buffer(text, 1024);
    const int replaced = buffer.Substitute();
    if (count) *count = replaced;
    EXPECT_TRUE(buffer.GuardIntact()) << text;
    return buffer.bytes;
}

TEST(SubstituteWindowHandle, ReplacesThePlaceholderWhereverItStands)
{
    int count = -1;
    EXPECT_EQ("0x0004a1bc", Substituted("%hwnd%", &count));
    EXPECT_EQ(1, count);
    EXPECT_EQ("-owner 0x0004a1bc -q", Substituted("-owner %hwnd% -q", &count));
    EXPECT_EQ(1, count);
    EXPECT_EQ("0x0004a1bc -q", Substituted("%hwnd% -q"));
    EXPECT_EQ("/owner=0x0004a1bc", Substituted("/owner=%hwnd%"));
    EXPECT_EQ("a0x0004a1bcb", Substituted("a%hwnd%b"));
}

TEST(SubstituteWindowHandle, IgnoresTheCaseOfThePlaceholder)
{
    EXPECT_EQ("0x0004a1bc", Substituted("%HWND%"));
    EXPECT_EQ("x 0x0004a1bc", Substituted("x %HwNd%"));
}

TEST(SubstituteWindowHandle, ReplacesEveryPlaceholderBeforeAnyOtherPercent)
{
    int count = -1;
    EXPECT_EQ("0x0004a1bc 0x0004a1bc", Substituted("%hwnd% %HWND%", &count));
    EXPECT_EQ(2, count);
    EXPECT_EQ("0x0004a1bc0x0004a1bc0x0004a1bc", Substituted("%hwnd%%hwnd%%hwnd%", &count));
    EXPECT_EQ(3, count);
}

TEST(SubstituteWindowHandle, StopsAtTheFirstOtherPercent)
{
    int count = -1;
    EXPECT_EQ("%1 %hwnd%", Substituted("%1 %hwnd%", &count));
    EXPECT_EQ(0, count);
    // Replaced up to the other "%", the rest stays as written.
    EXPECT_EQ("0x0004a1bc %1 %hwnd%", Substituted("%hwnd% %1 %hwnd%", &count));
    EXPECT_EQ(1, count);
    EXPECT_EQ("100% %hwnd%", Substituted("100% %hwnd%"));
    EXPECT_EQ("%%hwnd%", Substituted("%%hwnd%"));
}

TEST(SubstituteWindowHandle, LeavesIncompletePlaceholdersAndTextWithoutPercent)
{
    int count = -1;
    EXPECT_EQ("-q", Substituted("-q", &count));
    EXPECT_EQ(0, count);
    EXPECT_EQ("", Substituted("", &count));
    EXPECT_EQ(0, count);
    EXPECT_EQ("%hwnd", Substituted("%hwnd"));
    EXPECT_EQ("-w %hwn%", Substituted("-w %hwn%"));
    EXPECT_EQ("%hwndx%", Substituted("%hwndx%"));
    EXPECT_EQ("%", Substituted("%"));
}

TEST(SubstituteWindowHandle, AReplacementThatWouldNotFitEndsTheSubstitution)
{
    // "%hwnd%" plus 10 characters becomes 20 characters and needs 21 bytes.
    const char text[] = "0123456789%hwnd%";
    {
        Buffer buffer(text, 21);
        EXPECT_EQ(1, buffer.Substitute());
        EXPECT_STREQ("01234567890x0004a1bc", buffer.bytes);
        EXPECT_TRUE(buffer.GuardIntact());
    }
    {
        Buffer buffer(text, 20);
        EXPECT_EQ(0, buffer.Substitute());
        EXPECT_STREQ(text, buffer.bytes);
        EXPECT_TRUE(buffer.GuardIntact());
    }
    {
        // Room for the first replacement only: the second placeholder stays.
        Buffer buffer("%hwnd%%hwnd%", 17);
        EXPECT_EQ(1, buffer.Substitute());
        EXPECT_STREQ("0x0004a1bc%hwnd%", buffer.bytes);
        EXPECT_TRUE(buffer.GuardIntact());
    }
}

TEST(SubstituteWindowHandle, AFullParameterBufferNeverOverflows)
{
    // 1000 characters, most of them placeholders, in the 1024 bytes the program uses:
    // each replacement adds four characters, so five fit (1020 characters and the
    // zero) and the sixth would not; the remaining placeholders stay as written.
    std::string text;
    for (int i = 0; i < 100; ++i) text += "%hwnd%";
    text.append(400, 'x');
    Buffer buffer(text.c_str(), 1024);
    EXPECT_EQ(5, buffer.Substitute());
    EXPECT_TRUE(buffer.GuardIntact());
    EXPECT_EQ(1020u, std::strlen(buffer.bytes));
    EXPECT_EQ(0, std::strncmp(buffer.bytes, "0x0004a1bc0x0004a1bc0x0004a1bc0x0004a1bc0x0004a1bc%hwnd%", 56));
    EXPECT_EQ(std::string(400, 'x'), std::string(buffer.bytes + 620));
}

TEST(FormatWindowHandle, WritesZeroXAndEightLowerCaseDigits)
{
    struct Case {
        unsigned long handle;
        const char* text;
    } const cases[] = {
        {0x0004a1bcul, "0x0004a1bc"},
        {0ul, "0x00000000"},
        {0xABCDEF12ul, "0xabcdef12"},
        {0xfffffffful, "0xffffffff"},
        {0x10ul, "0x00000010"},
    };
    for (const Case& c : cases) {
        char text[16];
        std::memset(text, 'G', sizeof text);
        FormatWindowHandle(c.handle, text);
        EXPECT_STREQ(c.text, text);
        // Eleven bytes are promised; the ones after them are not written.
        for (size_t i = 11; i < sizeof text; ++i) EXPECT_EQ('G', text[i]) << c.text << " byte " << i;
    }
}

} // namespace
