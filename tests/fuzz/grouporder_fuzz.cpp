// The service group order: field 0 is the capacity (first byte) and the raw list value,
// field 1 the group, field 2 its position ("X", "+X", "-X" or empty). The result is
// checked against the rule worked on a vector of names, and a refusal leaves every
// byte of the list as it was.

#include "fuzzinput.h"

#include "../../engine/grouporder.h"
#include "../../base/textlist.h"

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<std::string> fields = fuzz::SplitFields(data, size);
    if (fields.size() < 2 || fields[0].empty()) return 0;
    const size_t capacity = static_cast<unsigned char>(fields[0][0]);
    const std::string raw = fields[0].substr(1);
    if (capacity < 2 || raw.size() > capacity - 2) return 0;
    const std::string group = fuzz::Text(fields[1]);
    const std::string position = fields.size() > 2 ? fuzz::Text(fields[2]) : std::string();

    fuzz::Block list(capacity, 'G');
    std::memcpy(list.data(), raw.data(), raw.size());
    FUZZ_CHECK(TextListTerminate(list.data(), capacity, raw.size()));
    std::vector<std::string> names = fuzz::WalkList(list.data(), capacity).strings;
    const std::string before = list.Bytes();

    const int result = PlaceServiceGroup(list.data(), capacity, group.c_str(), position.c_str());

    // The rule: take the group out, find its place among the rest, put it there.
    std::vector<std::string> expected = names;
    const auto listed = std::find(expected.begin(), expected.end(), group);
    if (listed != expected.end()) expected.erase(listed);
    std::string reference = position;
    const bool after = !reference.empty() && reference[0] == '-';
    if (!reference.empty() && (reference[0] == '+' || reference[0] == '-')) reference.erase(0, 1);
    size_t index = 0;
    const auto found = reference.empty() ? expected.end() : std::find(expected.begin(), expected.end(), reference);
    if (found != expected.end()) index = static_cast<size_t>(found - expected.begin());
    if (after) index = index != 0 ? index + 1 : expected.size();
    expected.insert(expected.begin() + static_cast<long>(index), group);

    if (group.empty() || fuzz::ListSize(expected) > capacity) {
        FUZZ_CHECK(result == 0);
        FUZZ_CHECK(list.Bytes() == before);
        return 0;
    }
    FUZZ_CHECK(result == 1);
    const fuzz::WalkedList walked = fuzz::WalkList(list.data(), capacity);
    FUZZ_CHECK(walked.endMark < capacity);
    FUZZ_CHECK(walked.strings == expected);
    return 0;
}
