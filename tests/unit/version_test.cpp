// Comparing an installed version with an offered one: components as numbers, the walk
// ending at the shorter version or at text after a number, and the result the offered
// minus the installed component where they first differ.

#include "../../catalogue/version.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {

TEST(CompareVersionStrings, ComponentsCompareAsNumbers)
{
    EXPECT_EQ(-1, CompareVersionStrings("2.10", "2.9"));
    EXPECT_EQ(1, CompareVersionStrings("2.9", "2.10"));
    EXPECT_EQ(4, CompareVersionStrings("1.2.3", "1.2.7"));
    EXPECT_EQ(-5, CompareVersionStrings("7", "2"));
    EXPECT_EQ(-1, CompareVersionStrings("1.0.0.1", "1.0.0.0"));
    EXPECT_EQ(1, CompareVersionStrings("1.2.3.4.5.6.7.8", "1.2.3.4.5.6.7.9"));
    // Leading zeros do not make a component smaller or larger.
    EXPECT_EQ(0, CompareVersionStrings("1.02", "1.2"));
    EXPECT_EQ(-1, CompareVersionStrings("1.010", "1.9"));
    // The first difference decides; later components do not matter.
    EXPECT_EQ(1, CompareVersionStrings("1.9.9", "2.0.0"));
    EXPECT_EQ(0, CompareVersionStrings("3.1.4", "3.1.4"));
}

TEST(CompareVersionStrings, TheShorterVersionEndsTheComparison)
{
    EXPECT_EQ(0, CompareVersionStrings("1.2", "1.2.5"));
    EXPECT_EQ(0, CompareVersionStrings("1.2.5", "1.2"));
    EXPECT_EQ(0, CompareVersionStrings("1.2", "1.2.0"));
    EXPECT_EQ(0, CompareVersionStrings("1", "1.9.9"));
    // A trailing dot is consumed, and what follows it reads as 0.
    EXPECT_EQ(4, CompareVersionStrings("1.", "1.4"));
    EXPECT_EQ(-4, CompareVersionStrings("1.4", "1."));
}

TEST(CompareVersionStrings, EmptyAndMissingVersionsCountAsZero)
{
    EXPECT_EQ(-3, CompareVersionStrings("3", ""));
    EXPECT_EQ(4, CompareVersionStrings("", "4.1"));
    EXPECT_EQ(0, CompareVersionStrings("", ""));
    EXPECT_EQ(0, CompareVersionStrings("0.5", ""));
    EXPECT_EQ(2, CompareVersionStrings(nullptr, "2"));
    EXPECT_EQ(-2, CompareVersionStrings("2", nullptr));
    EXPECT_EQ(0, CompareVersionStrings(nullptr, nullptr));
}

TEST(CompareVersionStrings, TextAfterANumberEndsTheComparison)
{
    EXPECT_EQ(0, CompareVersionStrings("2.1beta", "2.1.5"));
    EXPECT_EQ(2, CompareVersionStrings("2.1beta", "2.3"));
    // The later components differ, but the walk never reaches them.
    EXPECT_EQ(0, CompareVersionStrings("2a.5", "2.9"));
    EXPECT_EQ(0, CompareVersionStrings("2.5", "2-9.1"));
    // Text before any digit reads as 0.
    EXPECT_EQ(3, CompareVersionStrings("v2", "3"));
    EXPECT_EQ(-2, CompareVersionStrings("2", "v3"));
    EXPECT_EQ(0, CompareVersionStrings("1,2", "1.7"));
}

TEST(CompareVersionStrings, SignsAndBlanksAreReadLikeAtol)
{
    EXPECT_EQ(2, CompareVersionStrings("-1", "1"));
    EXPECT_EQ(0, CompareVersionStrings("+2", "2"));
    EXPECT_EQ(5, CompareVersionStrings("1.-2", "1.3"));
    EXPECT_EQ(-6, CompareVersionStrings("1.+4", "1.-2"));
    // Blanks before a number are skipped, also after a dot.
    EXPECT_EQ(2, CompareVersionStrings(" 2. 5", "2.7"));
    EXPECT_EQ(1, CompareVersionStrings("\t3", " 4"));
    // A blank before the dot is text after the number: the walk ends there.
    EXPECT_EQ(0, CompareVersionStrings("2 .5", "2.7"));
    // A sign not followed by a digit gives no number: 0.
    EXPECT_EQ(0, CompareVersionStrings("- 5", "0"));
    EXPECT_EQ(0, CompareVersionStrings("+", ""));
}

TEST(CompareVersionStrings, HugeDifferencesAreClampedToTheRangeOfInt)
{
    EXPECT_EQ(INT_MAX, CompareVersionStrings("-2147483648", "2147483647"));
    EXPECT_EQ(INT_MAX, CompareVersionStrings("-2147483647", "2147483647"));
    EXPECT_EQ(INT_MIN, CompareVersionStrings("2147483647", "-2147483648"));
    EXPECT_EQ(INT_MIN, CompareVersionStrings("2.2147483647", "2.-2147483647"));
    // Just inside the range nothing is clamped.
    EXPECT_EQ(INT_MAX, CompareVersionStrings("0", "2147483647"));
    EXPECT_EQ(-INT_MAX, CompareVersionStrings("2147483647", "0"));
}

TEST(CompareVersionStrings, HugeComponentsGiveADefinedResult)
{
    // Equal texts compare equal however long their numbers are, and the walk goes on.
    EXPECT_EQ(0, CompareVersionStrings("99999999999999999999.3", "99999999999999999999.3"));
    EXPECT_EQ(1, CompareVersionStrings("99999999999999999999.3", "99999999999999999999.4"));
    // A long run of digits is read to its end without reading past the text.
    const std::string digits(5000, '9');
    EXPECT_EQ(0, CompareVersionStrings(digits.c_str(), digits.c_str()));
    EXPECT_EQ(0, CompareVersionStrings(digits.c_str(), (digits + ".7").c_str()));
    EXPECT_EQ(5, CompareVersionStrings((digits + ".2").c_str(), (digits + ".7").c_str()));
}

TEST(CompareVersionStrings, ComponentsAreThirtyTwoBitNumbersInEveryBuild)
{
    // Components wrap like the program's 32-bit atol, also where long is wider: 4294967297
    // reads as 1, and 2147483648 as -2147483648, whose difference to 2147483647 clamps.
    EXPECT_EQ(0, CompareVersionStrings("1.4294967297", "1.1"));
    EXPECT_EQ(INT_MAX, CompareVersionStrings("2147483648", "2147483647"));
    // Components far beyond 64 bits: read modulo 2^32 (-1778080000 and -625104891), with
    // no overflow on the way.
    EXPECT_EQ(1152975109, CompareVersionStrings("1147484748321474847483648", "48474832147484742147483653"));
}

} // namespace
