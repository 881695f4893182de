#include "textlist.h"

#include <cstdlib>
#include <cstring>

int TextListCount(const char* list)
{
    if (!list) return 0;
    int count = 0;
    for (const char* p = list; *p; p += std::strlen(p) + 1) ++count;
    return count;
}

const char* TextListItem(const char* list, int position)
{
    if (!list || position < 0) return nullptr;
    for (const char* p = list; *p; p += std::strlen(p) + 1) {
        if (position-- == 0) return p;
    }
    return nullptr;
}

int TextListIndexOf(const char* list, const char* text)
{
    if (!list || !text) return -1;
    int position = 0;
    for (const char* p = list; *p; p += std::strlen(p) + 1, ++position) {
        if (std::strcmp(p, text) == 0) return position;
    }
    return -1;
}

int TextListSize(const char* list)
{
    if (!list) return 0;
    if (!*list) return 2;
    const char* p = list;
    while (*p) p += std::strlen(p) + 1;
    return static_cast<int>(p - list) + 1;
}

int TextListInsert(char* list, size_t capacity, const char* text, int position)
{
    if (!list || !text || !*text) return 0;
    const size_t length = std::strlen(text);
    const size_t size = static_cast<size_t>(TextListSize(list));
    if (size > capacity || length + 1 > capacity - size) return 0;

    // The insertion point: the string at `position`, or the end mark.
    char* at = list;
    for (int n = position; *at && (position < 0 || n > 0); --n) at += std::strlen(at) + 1;

    // Move everything from there through the last byte of the list (both zeros of an
    // empty list) up to make room, then put the text in.
    const size_t tail = size - static_cast<size_t>(at - list);
    std::memmove(at + length + 1, at, tail);
    std::memcpy(at, text, length + 1);
    return 1;
}

int TextListRemove(char* list, int position)
{
    char* item = const_cast<char*>(TextListItem(list, position));
    if (!item) return 0;
    const size_t length = std::strlen(item) + 1;
    char* end = item + length;
    while (*end) end += std::strlen(end) + 1;
    // `end` is the end mark; move the strings after the item, and the end mark, down.
    std::memmove(item, item + length, static_cast<size_t>(end - (item + length)) + 1);
    return 1;
}

int TextListTerminate(char* list, size_t capacity, size_t used)
{
    if (!list || capacity < 2 || used > capacity - 2) return 0;
    list[used] = '\0';
    list[used + 1] = '\0';
    return 1;
}

int TextListAssign(char* list, size_t capacity, const char* text)
{
    if (!list || capacity < 2) return 0;
    const size_t length = text ? std::strlen(text) : 0;
    if (length > capacity - 2) {
        list[0] = list[1] = '\0';
        return 0;
    }
    if (length) std::memcpy(list, text, length);
    list[length] = '\0';
    list[length + 1] = '\0';
    return 1;
}

namespace {

// The list of a build without strings: nothing ever writes into an empty list.
char g_EmptyList[2] = {'\0', '\0'};

} // namespace

int TextListAppend(TextListBuilder* builder, const char* text)
{
    if (!builder || !text || !*text) return 0;
    const size_t length = std::strlen(text);
    const size_t used = builder->Text ? builder->Used : 1;  // an empty list's second zero is its end mark
    if (length + 1 > static_cast<size_t>(-1) - used) return 0;
    if (used + length + 1 > builder->Capacity) {
        // Doubling keeps a long build from copying the list once per string.
        size_t grown = builder->Capacity > 64 ? builder->Capacity : 64;
        while (grown < used + length + 1) grown = grown > static_cast<size_t>(-1) / 2 ? used + length + 1 : grown * 2;
        char* block = static_cast<char*>(std::realloc(builder->Text, grown));
        if (!block) return 0;
        builder->Text = block;
        builder->Capacity = grown;
    }
    // The text takes the place of the end mark, and a new end mark follows it.
    std::memcpy(builder->Text + used - 1, text, length + 1);
    builder->Text[used + length] = '\0';
    builder->Used = used + length + 1;
    return 1;
}

void TextListKeep(char** list, TextListBuilder* builder)
{
    TextListFree(*list);
    *list = builder->Text ? builder->Text : g_EmptyList;
    builder->Text = nullptr;
    builder->Capacity = builder->Used = 0;
}

void TextListFree(char* list)
{
    if (list != g_EmptyList) std::free(list);
}
