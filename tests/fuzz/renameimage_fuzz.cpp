// The wininit.ini [Rename] image: the first byte is the capacity, the second the
// number of characters already used, then the path after a line feed; the image's
// existing bytes are the rest of the first field. An entry that fits is appended with
// the two closing zeros; otherwise not one byte changes. The image ends with its heap
// block.

#include "fuzzinput.h"

#include "../../engine/renameimage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<std::string> fields = fuzz::SplitFields(data, size);
    if (fields.size() < 2 || fields[0].size() < 2) return 0;
    const size_t capacity = static_cast<unsigned char>(fields[0][0]);
    const size_t used = static_cast<unsigned char>(fields[0][1]);
    const std::string existing = fields[0].substr(2);
    const std::string path = fuzz::Text(fields[1]);

    fuzz::Block image(capacity, 'G');
    if (capacity) std::memcpy(image.data(), existing.data(), std::min(existing.size(), capacity));
    const std::string before = image.Bytes();

    const bool fits = used <= capacity && used + 4 + path.size() + 2 <= capacity;
    const int result = AppendRenameEntry(image.data(), capacity, used, path.c_str());
    FUZZ_CHECK(result == (fits ? 1 : 0));
    if (!fits) {
        FUZZ_CHECK(image.Bytes() == before);
    } else {
        const std::string after = image.Bytes();
        FUZZ_CHECK(after.compare(0, used, before, 0, used) == 0);
        FUZZ_CHECK(after.compare(used, path.size() + 6, "NUL=" + path + std::string(2, '\0')) == 0);
        const size_t end = used + path.size() + 6;
        FUZZ_CHECK(after.compare(end, std::string::npos, before, end, std::string::npos) == 0);
    }
    // Read with `used` characters into `capacity` bytes, the image may have been cut
    // exactly when the reader filled all it could.
    FUZZ_CHECK(RenameImageMayBeCut(capacity, used) == (capacity >= 2 && used >= capacity - 2 ? 1 : 0));
    return 0;
}
