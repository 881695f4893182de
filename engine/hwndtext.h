// Putting the progress page's window handle into the parameters of an external program.
#pragma once

#include <cstddef>
#include <cstdint>

// Replaces "%hwnd%" (any case) by `handleText` as long as the first "%" of the text
// begins such a placeholder: the first "%" that does not ends the substitution, so
// "%1 %hwnd%" stays as it is. The text lies in `capacity` bytes; a replacement that
// would not fit ends the substitution too. Returns the number of replacements.
int SubstituteWindowHandle(char* text, size_t capacity, const char* handleText);

// The handle as "0x" and eight lower-case hexadecimal digits, into 11 bytes. Window
// handles of the 32-bit program have 32 bits; the type says so in every build, so
// eight digits always hold the whole value.
void FormatWindowHandle(uint32_t handle, char* text);
