// Text list operations on a buffer that ends with its heap block. The first field's
// first byte is the capacity and its other bytes the raw value to terminate (as read
// from the registry); every further field is one operation, checked against a list of
// strings kept beside it:
//   i<d><text>  insert at position d - '0' ('-' for the end)
//   r<d>        remove at position d - '0'
//   a<text>     assign one string
//   t<n>        terminate again after n - '0' bytes
//   b<text>     append to a built list (TextListBuilder), kept beside the buffer
// After every operation the buffer holds a list with its end mark inside the capacity,
// and the built list its strings inside its block.

#include "fuzzinput.h"

#include "../../base/textlist.h"

namespace {

int Position(char c)
{
    return c == '-' ? -1 : static_cast<int>(static_cast<unsigned char>(c)) - '0';
}

void CheckAgainst(const fuzz::Block& list, const std::vector<std::string>& model)
{
    const fuzz::WalkedList walked = fuzz::WalkList(list.data(), list.capacity());
    FUZZ_CHECK(walked.endMark < list.capacity());
    FUZZ_CHECK(walked.strings == model);
    FUZZ_CHECK(TextListCount(list.data()) == static_cast<int>(model.size()));
    FUZZ_CHECK(static_cast<size_t>(TextListSize(list.data())) == fuzz::ListSize(model));
    FUZZ_CHECK(fuzz::ListSize(model) <= list.capacity());
    for (size_t i = 0; i < model.size(); ++i) {
        FUZZ_CHECK(model[i] == TextListItem(list.data(), static_cast<int>(i)));
        const int first = TextListIndexOf(list.data(), model[i].c_str());
        FUZZ_CHECK(first >= 0 && static_cast<size_t>(first) <= i && model[static_cast<size_t>(first)] == model[i]);
    }
    FUZZ_CHECK(TextListItem(list.data(), static_cast<int>(model.size())) == nullptr);
    FUZZ_CHECK(TextListItem(list.data(), -1) == nullptr);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<std::string> fields = fuzz::SplitFields(data, size);
    if (fields[0].empty()) return 0;
    const size_t capacity = static_cast<unsigned char>(fields[0][0]);
    const std::string raw = fields[0].substr(1);
    fuzz::Block list(capacity, 'G');
    if (capacity) std::memcpy(list.data(), raw.data(), std::min(raw.size(), capacity));

    std::vector<std::string> model;
    if (!TextListTerminate(list.data(), capacity, raw.size())) {
        FUZZ_CHECK(capacity < 2 || raw.size() > capacity - 2);
        if (!TextListAssign(list.data(), capacity, "")) {
            FUZZ_CHECK(capacity < 2);
            return 0;
        }
    } else {
        model = fuzz::WalkList(list.data(), capacity).strings;
    }
    CheckAgainst(list, model);
    TextListBuilder built = {};
    std::vector<std::string> builtModel;

    for (size_t f = 1; f < fields.size(); ++f) {
        const std::string& op = fields[f];
        if (op.empty()) continue;
        const std::string text = op.size() > 2 ? fuzz::Text(op.substr(2)) : std::string();
        if (op[0] == 'i' && op.size() >= 2) {
            const int position = Position(op[1]);
            const bool fits = fuzz::ListSize(model) + text.size() + 1 <= capacity;
            const int result = TextListInsert(list.data(), capacity, text.c_str(), position);
            FUZZ_CHECK(result == (fits && !text.empty() ? 1 : 0));
            if (result) {
                const size_t at = position < 0 || static_cast<size_t>(position) > model.size()
                                      ? model.size() : static_cast<size_t>(position);
                model.insert(model.begin() + static_cast<long>(at), text);
            }
        } else if (op[0] == 'r' && op.size() >= 2) {
            const int position = Position(op[1]);
            const bool present = position >= 0 && static_cast<size_t>(position) < model.size();
            FUZZ_CHECK(TextListRemove(list.data(), position) == (present ? 1 : 0));
            if (present) model.erase(model.begin() + position);
        } else if (op[0] == 'a') {
            const std::string one = fuzz::Text(op.substr(1));
            const int result = TextListAssign(list.data(), capacity, one.c_str());
            model.clear();
            FUZZ_CHECK(result == (one.size() + 2 <= capacity ? 1 : 0));
            if (result && !one.empty()) model.push_back(one);
        } else if (op[0] == 't' && op.size() >= 2) {
            // Cutting a well-formed list: what stands before the cut stays.
            const size_t used = static_cast<unsigned char>(op[1]) - static_cast<size_t>('0') > 255
                                    ? 0 : static_cast<unsigned char>(op[1]) - static_cast<size_t>('0');
            const int result = TextListTerminate(list.data(), capacity, used);
            FUZZ_CHECK(result == (used + 2 <= capacity ? 1 : 0));
            if (result) model = fuzz::WalkList(list.data(), capacity).strings;
        } else if (op[0] == 'b') {
            const std::string one = fuzz::Text(op.substr(1));
            FUZZ_CHECK(TextListAppend(&built, one.c_str()) == (one.empty() ? 0 : 1));
            if (!one.empty()) builtModel.push_back(one);
            FUZZ_CHECK(fuzz::WalkList(built.Text ? built.Text : "", built.Capacity).strings == builtModel);
            FUZZ_CHECK(!built.Text || built.Used == fuzz::ListSize(builtModel));
        }
        CheckAgainst(list, model);
    }
    char* kept = nullptr;
    TextListKeep(&kept, &built);
    FUZZ_CHECK(fuzz::WalkList(kept, fuzz::ListSize(builtModel)).strings == builtModel);
    TextListFree(kept);
    return 0;
}
