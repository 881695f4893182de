// Reading integers out of script fields and option texts.
//
// The setup script's numeric fields and the numbers of the command line are read the
// way the C runtime's atol reads them; the level and flags of an Exec line also accept
// the hexadecimal and octal forms that strtol with base 0 understands. Both are written
// out here so that their edge cases (no digits, overflow, odd prefixes) are defined and
// testable without a Windows call.
//
// The numbers are 32-bit, the width of long in the program: the results lie in the range
// of int32_t in every build, also where long is wider (the tests' 64-bit host build).
#pragma once

// Leading white space, one optional sign, decimal digits up to the first other
// character; no digits give 0. Values beyond 32 bits wrap around (modulo 2^32) instead
// of being undefined, so any text gives a defined result.
long ParseDecimal(const char* text);

// As ParseDecimal, but after the sign "0x" or "0X" followed by a hexadecimal digit
// selects base 16 and a leading "0" selects base 8 (strtol with base 0). Values beyond
// 32 bits are clamped to INT32_MIN and INT32_MAX, as strtol does with a 32-bit long.
long ParseInteger(const char* text);

// As ParseDecimal, and sets *end to the first character after the digits, or to `text`
// itself when there are no digits (as strtol does).
long ParseDecimalAt(const char* text, const char** end);
