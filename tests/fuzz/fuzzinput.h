// Shared pieces of the fuzz targets: splitting an input into fields, buffers that end
// exactly where a heap block ends (so AddressSanitizer reports any byte written past
// the capacity a function was given), and a check that stops the run with a message.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#define FUZZ_CHECK(condition)                                                                 \
    do {                                                                                      \
        if (!(condition)) {                                                                   \
            std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                     \
        }                                                                                     \
    } while (0)

namespace fuzz {

// The input cut at every `separator` byte; the last field runs to the end.
inline std::vector<std::string> SplitFields(const uint8_t* data, size_t size, char separator = '\n')
{
    std::vector<std::string> fields(1);
    for (size_t i = 0; i < size; ++i) {
        if (static_cast<char>(data[i]) == separator)
            fields.emplace_back();
        else
            fields.back().push_back(static_cast<char>(data[i]));
    }
    return fields;
}

// A field as a C string: cut at its first zero byte.
inline std::string Text(const std::string& field)
{
    return std::string(field.c_str());
}

// `capacity` bytes at the very end of their own heap block, filled with `fill`.
class Block {
public:
    explicit Block(size_t capacity, char fill = '\0')
        : bytes_(new char[capacity ? capacity : 1]), capacity_(capacity)
    {
        std::memset(bytes_.get(), fill, capacity ? capacity : 1);
    }
    char* data() { return bytes_.get(); }
    const char* data() const { return bytes_.get(); }
    size_t capacity() const { return capacity_; }
    std::string Bytes() const { return std::string(bytes_.get(), capacity_); }

private:
    std::unique_ptr<char[]> bytes_;
    size_t capacity_;
};

// A text list read back with no step past `capacity`: the strings, and the offset of
// the end mark (capacity when there is none inside the buffer).
struct WalkedList {
    std::vector<std::string> strings;
    size_t endMark;
};

inline WalkedList WalkList(const char* list, size_t capacity)
{
    WalkedList walked{{}, capacity};
    size_t at = 0;
    while (at < capacity && list[at]) {
        size_t end = at;
        while (end < capacity && list[end]) ++end;
        if (end == capacity) return walked;  // a string without its zero
        walked.strings.emplace_back(list + at, end - at);
        at = end + 1;
    }
    walked.endMark = at;
    return walked;
}

// Bytes that a list of these strings takes through its end mark (2 when empty).
inline size_t ListSize(const std::vector<std::string>& strings)
{
    size_t size = 1;
    for (const std::string& s : strings) size += s.size() + 1;
    return strings.empty() ? 2 : size;
}

} // namespace fuzz
