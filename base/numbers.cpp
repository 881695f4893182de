#include "numbers.h"

#include <cstdint>

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

int DigitValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'z') return c - 'a' + 10;
    if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
    return 99;
}

// Skips blanks and one sign; returns 1 for a minus sign.
int ReadSign(const char** cursor)
{
    const char* p = *cursor;
    while (IsBlank(*p)) ++p;
    int negative = 0;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }
    *cursor = p;
    return negative;
}

} // namespace

long ParseDecimalAt(const char* text, const char** end)
{
    if (!text) {
        if (end) *end = text;
        return 0;
    }
    const char* p = text;
    int negative = ReadSign(&p);
    const char* digits = p;
    // Modulo 2^32 whatever the width of long in this build.
    uint32_t value = 0;
    while (*p >= '0' && *p <= '9') {
        value = value * 10u + static_cast<uint32_t>(*p - '0');
        ++p;
    }
    if (end) *end = p == digits ? text : p;
    if (negative) value = 0u - value;
    return value > static_cast<uint32_t>(INT32_MAX) ? static_cast<long>(static_cast<int64_t>(value) - 0x100000000LL)
                                                    : static_cast<long>(value);
}

long ParseDecimal(const char* text)
{
    return ParseDecimalAt(text, nullptr);
}

long ParseInteger(const char* text)
{
    if (!text) return 0;
    const char* p = text;
    int negative = ReadSign(&p);
    int base = 10;
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && DigitValue(p[2]) < 16) {
        base = 16;
        p += 2;
    } else if (p[0] == '0') {
        base = 8;
    }
    // Accumulate the magnitude, clamping to what 32 bits hold with the sign applied.
    const uint32_t limit = negative ? static_cast<uint32_t>(INT32_MAX) + 1u : static_cast<uint32_t>(INT32_MAX);
    uint32_t value = 0;
    int overflow = 0;
    for (int digit; (digit = DigitValue(*p)) < base; ++p) {
        if (value > (limit - static_cast<uint32_t>(digit)) / static_cast<uint32_t>(base))
            overflow = 1;
        else
            value = value * static_cast<uint32_t>(base) + static_cast<uint32_t>(digit);
    }
    if (overflow) return negative ? INT32_MIN : INT32_MAX;
    if (negative) return static_cast<long>(-static_cast<int64_t>(value));
    return static_cast<long>(value);
}
