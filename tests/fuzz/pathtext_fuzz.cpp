// Doubled backslashes collapsed in a folder path read from the script: the input is the
// path. The result never grows, holds no "\\" after its first character, differs from
// the path only in backslashes, and collapsing it again changes nothing.

#include "fuzzinput.h"

#include "../../base/pathtext.h"

namespace {

std::string WithoutBackslashes(const std::string& text)
{
    std::string rest;
    for (char c : text) {
        if (c != '\\') rest.push_back(c);
    }
    return rest;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string path = fuzz::Text(std::string(reinterpret_cast<const char*>(data), size));
    fuzz::Block buffer(path.size() + 1);
    std::memcpy(buffer.data(), path.c_str(), path.size() + 1);
    CollapseDoubledBackslashes(buffer.data());
    const std::string once = buffer.data();

    FUZZ_CHECK(once.size() <= path.size());
    FUZZ_CHECK(once.find("\\\\", 1) == std::string::npos);
    FUZZ_CHECK(WithoutBackslashes(once) == WithoutBackslashes(path));
    // A network path keeps its leading pair; nothing else is lost before the first other
    // character.
    if (path.compare(0, 2, "\\\\") == 0) FUZZ_CHECK(once.compare(0, 2, "\\\\") == 0);
    if (!path.empty()) FUZZ_CHECK(once[0] == path[0]);

    CollapseDoubledBackslashes(buffer.data());
    FUZZ_CHECK(once == buffer.data());
    CollapseDoubledBackslashes(nullptr);
    return 0;
}
