// Numbers in script fields and options: atol-style decimal, and the strtol base-0 form
// of Exec levels and flags.

#include "../../base/numbers.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

TEST(ParseDecimal, ReadsLikeAtol)
{
    EXPECT_EQ(42, ParseDecimal("42"));
    EXPECT_EQ(42, ParseDecimal("  \t42abc"));
    EXPECT_EQ(-7, ParseDecimal("-7"));
    EXPECT_EQ(7, ParseDecimal("+7"));
    EXPECT_EQ(0, ParseDecimal(""));
    EXPECT_EQ(0, ParseDecimal("x"));
    EXPECT_EQ(0, ParseDecimal("- 5"));
    EXPECT_EQ(0, ParseDecimal("0x10"));
    EXPECT_EQ(10, ParseDecimal("010"));
    EXPECT_EQ(2, ParseDecimal("2.10"));
    EXPECT_EQ(0, ParseDecimal(nullptr));
}

TEST(ParseDecimal, HugeNumbersWrapAtThirtyTwoBitsInEveryBuild)
{
    // The program's long has 32 bits; a build with a wider long reads the same values.
    EXPECT_EQ(INT32_MAX, ParseDecimal("2147483647"));
    EXPECT_EQ(INT32_MIN, ParseDecimal("2147483648"));
    EXPECT_EQ(INT32_MIN, ParseDecimal("-2147483648"));
    EXPECT_EQ(-1, ParseDecimal("4294967295"));
    EXPECT_EQ(0, ParseDecimal("4294967296"));
    EXPECT_EQ(1, ParseDecimal("-4294967295"));
    EXPECT_EQ(1661992959, ParseDecimal("99999999999999999999"));  // modulo 2^32
}

TEST(ParseInteger, AcceptsDecimalHexadecimalAndOctal)
{
    EXPECT_EQ(2, ParseInteger("2"));
    EXPECT_EQ(2, ParseInteger("0x2"));
    EXPECT_EQ(255, ParseInteger("0XfF"));
    EXPECT_EQ(8, ParseInteger("010"));
    EXPECT_EQ(0, ParseInteger("08"));      // octal stops at 8
    EXPECT_EQ(0, ParseInteger("0x"));      // no hexadecimal digit: the 0 alone
    EXPECT_EQ(0, ParseInteger("0xg"));
    EXPECT_EQ(-16, ParseInteger(" -0x10"));
    EXPECT_EQ(3, ParseInteger("3,4"));
    EXPECT_EQ(0, ParseInteger("level"));
    EXPECT_EQ(0, ParseInteger(nullptr));
}

TEST(ParseInteger, ClampsAtThirtyTwoBitsLikeStrtol)
{
    EXPECT_EQ(INT32_MAX, ParseInteger("0xFFFFFFFFFF"));
    EXPECT_EQ(INT32_MAX, ParseInteger("0x80000000"));
    EXPECT_EQ(INT32_MAX, ParseInteger("2147483648"));
    EXPECT_EQ(INT32_MIN, ParseInteger("-99999999999"));
    EXPECT_EQ(INT32_MIN, ParseInteger("-2147483649"));
    EXPECT_EQ(INT32_MIN, ParseInteger("-2147483648"));
    EXPECT_EQ(INT32_MIN, ParseInteger("-020000000000"));
    EXPECT_EQ(-INT32_MAX, ParseInteger("-2147483647"));
    EXPECT_EQ(INT32_MAX, ParseInteger("2147483647"));
}

} // namespace
