// Putting the progress page's window handle into the parameters of an external program.
#pragma once

#include <cstddef>

// Replaces "%hwnd%" (any case) by `handleText` as long as the first "%" of the text
// begins such a placeholder: the first "%" that does not ends the substitution, so
// "%1 %hwnd%" stays as it is. The text lies in `capacity` bytes; a replacement that
// would not fit ends the substitution too. Returns the number of replacements.
int SubstituteWindowHandle(char* text, size_t capacity, const char* handleText);

// The handle as "0x" and eight lower-case hexadecimal digits, into 11 bytes.
void FormatWindowHandle(unsigned long handle, char* text);
