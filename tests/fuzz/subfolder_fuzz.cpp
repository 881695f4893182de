// The Browse sub-folder rule: the first byte is how much room the path buffer has
// beyond the path, then the path, a line feed and the sub-folder. Checked against the
// rule worked on a std::string; a refused path is unchanged, byte for byte.

#include "fuzzinput.h"

#include "../../pages/subfolder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (!size) return 0;
    const size_t spare = data[0];
    const std::vector<std::string> fields = fuzz::SplitFields(data + 1, size - 1);
    const std::string path = fuzz::Text(fields[0]);
    const std::string subfolder = fields.size() > 1 ? fuzz::Text(fields[1]) : std::string();

    const size_t capacity = path.size() + 1 + spare;
    fuzz::Block buffer(capacity, 'G');
    std::memcpy(buffer.data(), path.c_str(), path.size() + 1);
    const std::string before = buffer.Bytes();
    const int result = AppendDefaultSubfolder(buffer.data(), capacity, subfolder.c_str());

    std::string name = subfolder;
    if (!name.empty() && name[0] == '\\') name.erase(0, 1);
    const size_t last = path.rfind('\\');
    const bool already = last != std::string::npos && path.compare(last + 1, std::string::npos, name) == 0;
    if (name.empty() || already) {
        FUZZ_CHECK(result == 1);
        FUZZ_CHECK(buffer.Bytes() == before);
        return 0;
    }
    const std::string expected = path + (path.empty() || path.back() != '\\' ? "\\" : "") + name;
    if (expected.size() >= capacity) {
        FUZZ_CHECK(result == 0);
        FUZZ_CHECK(buffer.Bytes() == before);
    } else {
        FUZZ_CHECK(result == 1);
        FUZZ_CHECK(expected == buffer.data());
    }
    return 0;
}
