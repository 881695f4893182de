// Key signatures: keys that the Setup API takes for the same key (its comparison ignores
// letter case) must have one signature, or the component list could take a later line
// of a key for the first; and the set of signatures must answer "perhaps" once full.

#include "../../catalogue/keysignature.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#include <cwctype>
#endif

namespace {

uint32_t Signature(const std::wstring& key)
{
    return KeySignature(key.c_str());
}

TEST(KeySignature, KeysThatDifferOnlyInLetterCaseShareOne)
{
    EXPECT_EQ(Signature(L"BenchProduct0001"), Signature(L"benchPRODUCT0001"));
    // The non-ASCII partners of ASCII letters: dotted capital I, dotless i, the Kelvin
    // sign and the long s.
    EXPECT_EQ(Signature(L"Mix"), Signature(L"M\u0130x"));
    EXPECT_EQ(Signature(L"MIX"), Signature(L"M\u0131X"));
    EXPECT_EQ(Signature(L"kilo"), Signature(L"\u212Ailo"));
    EXPECT_EQ(Signature(L"Last"), Signature(L"La\u017Ft"));
    // Letters outside ASCII, in Latin-1, Greek (with final sigma) and Cyrillic.
    EXPECT_EQ(Signature(L"\u00C9t\u00E9"), Signature(L"\u00E9T\u00C9"));
    EXPECT_EQ(Signature(L"\u03A3\u03C3\u03C2"), Signature(L"\u03C3\u03C2\u03A3"));
    EXPECT_EQ(Signature(L"\u0416"), Signature(L"\u0436"));
}

TEST(KeySignature, KeysThatDifferOtherwiseAreTold)
{
    // Not a promise of the signature, but the walk only saves work when these differ.
    const std::vector<std::wstring> keys = {L"", L"A", L"B", L"AB", L"BA", L"A_B", L"A-B", L"Product1", L"Product2",
                                            L"Product10", L"Product01", L"BenchProduct0999", L"BenchProduct1000"};
    for (size_t i = 0; i < keys.size(); ++i)
        for (size_t j = i + 1; j < keys.size(); ++j)
            EXPECT_NE(Signature(keys[i]), Signature(keys[j])) << i << " " << j;
    EXPECT_NE(0u, Signature(L""));
}

#ifdef _WIN32
// Every UTF-16 unit against every case mapping the platform has: the C library's (the
// comparison Wine's Setup API makes) and user32's (which Windows' uses), so no unit can
// have a case partner that the signature tells apart.
TEST(KeySignature, EveryUnitSharesItsSignatureWithItsCasePartners)
{
    int pairs = 0;
    for (unsigned code = 1; code <= 0xFFFF; ++code) {
        const wchar_t unit[2] = {static_cast<wchar_t>(code), 0};
        const uint32_t own = KeySignature(unit);
        wchar_t upper[2] = {static_cast<wchar_t>(code), 0};
        wchar_t lower[2] = {static_cast<wchar_t>(code), 0};
        CharUpperBuffW(upper, 1);
        CharLowerBuffW(lower, 1);
        const wchar_t partners[4][2] = {{static_cast<wchar_t>(std::towupper(unit[0])), 0},
                                        {static_cast<wchar_t>(std::towlower(unit[0])), 0},
                                        {upper[0], 0},
                                        {lower[0], 0}};
        for (const auto& partner : partners) {
            if (partner[0] == unit[0]) continue;
            ++pairs;
            EXPECT_EQ(own, KeySignature(partner)) << std::hex << code << " " << static_cast<unsigned>(partner[0]);
        }
    }
    // The platform maps the cases of well over a thousand units.
    EXPECT_GT(pairs, 1000);
}
#endif

TEST(KeySignatureSet, RemembersWhatWasAdded)
{
    std::vector<uint32_t> set(16, 0);
    const uint32_t a = Signature(L"A"), b = Signature(L"B");
    EXPECT_EQ(0, KeySignatureKnown(set.data(), set.size(), a));
    EXPECT_EQ(1, AddKeySignature(set.data(), set.size(), a));
    EXPECT_EQ(1, KeySignatureKnown(set.data(), set.size(), a));
    EXPECT_EQ(0, KeySignatureKnown(set.data(), set.size(), b));
    // Adding again changes nothing.
    EXPECT_EQ(1, AddKeySignature(set.data(), set.size(), a));
    int used = 0;
    for (uint32_t slot : set) used += slot != 0;
    EXPECT_EQ(1, used);
}

TEST(KeySignatureSet, SignaturesWithTheSameHomeSlotAreAllKept)
{
    // Far more signatures than slots share a home slot; every one is found again.
    std::vector<uint32_t> set(64, 0);
    for (uint32_t signature = 1; signature <= 48; ++signature)
        ASSERT_EQ(1, AddKeySignature(set.data(), set.size(), signature * 64)) << signature;
    for (uint32_t signature = 1; signature <= 48; ++signature)
        EXPECT_EQ(1, KeySignatureKnown(set.data(), set.size(), signature * 64)) << signature;
    EXPECT_EQ(0, KeySignatureKnown(set.data(), set.size(), 49 * 64));
}

TEST(KeySignatureSet, AFullSetAnswersPerhapsAndTakesNoMore)
{
    std::vector<uint32_t> set(4, 0);
    for (uint32_t signature = 1; signature <= 4; ++signature)
        ASSERT_EQ(1, AddKeySignature(set.data(), set.size(), signature));
    EXPECT_EQ(0, AddKeySignature(set.data(), set.size(), 5));
    EXPECT_EQ(1, KeySignatureKnown(set.data(), set.size(), 5));
    // No storage at all: nothing is kept and everything is perhaps known.
    EXPECT_EQ(0, AddKeySignature(nullptr, 0, 5));
    EXPECT_EQ(1, KeySignatureKnown(nullptr, 0, 5));
}

} // namespace
