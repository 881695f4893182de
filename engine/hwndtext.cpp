// The progress page's window handle put into an external program's parameters: the
// handle as "0x" and eight lower-case hexadecimal digits, replacing each "%hwnd%" (any
// case) from the start of the text until the first "%" that does not begin one.

#include "hwndtext.h"

#include <cstdio>
#include <cstring>

namespace {

bool IsPlaceholder(const char* at)
{
    static const char placeholder[] = "%hwnd%";
    for (size_t i = 0; i < sizeof placeholder - 1; ++i) {
        char c = at[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != placeholder[i]) return false;
    }
    return true;
}

} // namespace

int SubstituteWindowHandle(char* text, size_t capacity, const char* handleText)
{
    const size_t placeholder = 6, replacement = std::strlen(handleText);
    int count = 0;
    for (;;) {
        char* at = std::strchr(text, '%');
        if (!at || !IsPlaceholder(at)) break;
        const size_t length = std::strlen(text);
        if (length - placeholder + replacement >= capacity) break;
        std::memmove(at + replacement, at + placeholder, std::strlen(at + placeholder) + 1);
        std::memcpy(at, handleText, replacement);
        ++count;
    }
    return count;
}

void FormatWindowHandle(uint32_t handle, char* text)
{
    std::snprintf(text, 11, "0x%08lx", static_cast<unsigned long>(handle));
}
