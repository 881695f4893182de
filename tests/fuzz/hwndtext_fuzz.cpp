// The window handle in a program's parameters. The first four bytes are the handle,
// the fifth how many bytes of room the buffer has beyond the text; the rest is the
// text. The result is checked against the rule worked on a std::string, and the buffer
// ends with its heap block.

#include "fuzzinput.h"

#include "../../engine/hwndtext.h"

namespace {

bool IsPlaceholder(const std::string& text, size_t at)
{
    static const char placeholder[] = "%hwnd%";
    if (text.size() - at < 6) return false;
    for (size_t i = 0; i < 6; ++i) {
        char c = text[at + i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
        if (c != placeholder[i]) return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 5) return 0;
    uint32_t handle;
    std::memcpy(&handle, data, sizeof handle);
    const size_t spare = data[4];
    const std::string text = fuzz::Text(std::string(reinterpret_cast<const char*>(data + 5), size - 5));

    fuzz::Block handleText(11, 'G');
    FormatWindowHandle(handle, handleText.data());
    char expectedHandle[32];
    std::snprintf(expectedHandle, sizeof expectedHandle, "0x%08x", handle);
    FUZZ_CHECK(std::strcmp(handleText.data(), expectedHandle) == 0);

    const size_t capacity = text.size() + 1 + spare;
    fuzz::Block buffer(capacity, 'G');
    std::memcpy(buffer.data(), text.c_str(), text.size() + 1);
    const int count = SubstituteWindowHandle(buffer.data(), capacity, handleText.data());

    std::string expected = text;
    int expectedCount = 0;
    for (;;) {
        const size_t at = expected.find('%');
        if (at == std::string::npos || !IsPlaceholder(expected, at)) break;
        if (expected.size() - 6 + 10 >= capacity) break;
        expected.replace(at, 6, handleText.data());
        ++expectedCount;
    }
    FUZZ_CHECK(count == expectedCount);
    FUZZ_CHECK(expected == buffer.data());
    return 0;
}
