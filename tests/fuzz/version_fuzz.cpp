// Version comparison: two texts separated by a line feed. Any text compares equal to
// itself; swapping the two negates the result (INT_MIN and INT_MAX pair up, the
// difference being clamped); a version that only adds components is equal.

#include "fuzzinput.h"

#include "../../catalogue/version.h"

#include <climits>

namespace {

int Compare(const std::string& installed, const std::string& offered)
{
    fuzz::Block a(installed.size() + 1), b(offered.size() + 1);
    std::memcpy(a.data(), installed.c_str(), installed.size() + 1);
    std::memcpy(b.data(), offered.c_str(), offered.size() + 1);
    return CompareVersionStrings(a.data(), b.data());
}

bool IsPlainVersion(const std::string& text)
{
    if (text.empty() || text.front() == '.' || text.back() == '.') return false;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '.' ? text[i + 1] == '.' : (text[i] < '0' || text[i] > '9')) return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<std::string> fields = fuzz::SplitFields(data, size);
    const std::string installed = fuzz::Text(fields[0]);
    const std::string offered = fields.size() > 1 ? fuzz::Text(fields[1]) : std::string();

    FUZZ_CHECK(Compare(installed, installed) == 0);
    const int forward = Compare(installed, offered), backward = Compare(offered, installed);
    if (forward == INT_MIN)
        FUZZ_CHECK(backward == INT_MAX);
    else if (backward == INT_MIN)
        FUZZ_CHECK(forward == INT_MAX);
    else
        FUZZ_CHECK(forward == -backward);
    FUZZ_CHECK(CompareVersionStrings(nullptr, installed.c_str()) == Compare("", installed));

    if (IsPlainVersion(installed) && IsPlainVersion(offered)) {
        FUZZ_CHECK(Compare(installed, installed + "." + offered) == 0);
        FUZZ_CHECK(Compare(installed + "." + offered, installed) == 0);
    }
    return 0;
}
