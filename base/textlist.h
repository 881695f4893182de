// Text lists: every list of names the program keeps (the product catalogue, the selected
// products, the section list, the service group order) has the layout of a REG_MULTI_SZ
// value: non-empty zero-terminated strings one after another, then one more zero byte,
// the end mark. An empty list is stored as two zero bytes.
//
// A fixed buffer belongs to the caller, and the operations on it allocate nothing. Lists
// read from outside (registry values, command-line input) are made well-formed with
// TextListTerminate before any other operation walks them. A list that has no fixed
// size (the selected products, the section list) is built with a TextListBuilder in a
// heap block that grows as needed, and is then kept through a plain pointer.
#pragma once

#include <cstddef>

// Number of strings; 0 for a missing list.
int TextListCount(const char* list);

// The string at `position`, or null for a missing list, a negative position or one past
// the last string.
const char* TextListItem(const char* list, int position);

// Position of the first string equal to `text` byte for byte (case counts), or -1.
int TextListIndexOf(const char* list, const char* text);

// Bytes from the start through the end mark; 2 for an empty list, 0 for a missing one.
int TextListSize(const char* list);

// Makes `text` the string at `position` (the last string when the position is negative
// or not smaller than the count). The buffer of `capacity` bytes must hold the former
// TextListSize plus the text and its zero; when it does not, or the text is empty (it
// would end the list early), the list is left unchanged and the result is 0.
int TextListInsert(char* list, size_t capacity, const char* text, int position);

// Removes the string at `position`; 0 (list unchanged) when there is none.
int TextListRemove(char* list, int position);

// Makes the first `used` bytes of a raw buffer of `capacity` bytes a well-formed list:
// the bytes are kept as they are and two zero bytes are written after them, so a value
// that lacked its end mark, or part of it, ends there. Returns 0 without a change when
// the two bytes do not fit behind `used`.
int TextListTerminate(char* list, size_t capacity, size_t used);

// Replaces the whole list by one string. Needs the text, its zero and the end mark to
// fit; otherwise the list becomes empty and the result is 0. An empty text also gives
// an empty list (and the result 1).
int TextListAssign(char* list, size_t capacity, const char* text);

// A list being built: strings are appended to a list in a heap block (std::malloc) that
// grows as needed. A zeroed record is an empty builder.
struct TextListBuilder {
    char*  Text;      // the list so far; null before the first string
    size_t Capacity;  // bytes of the block
    size_t Used;      // bytes of the list, its end mark included
};

// Appends `text` as the last string. 0, list unchanged, for an empty text (it would end
// the list early) or when memory runs out.
int TextListAppend(TextListBuilder* builder, const char* text);

// Hands the built list over to *list, freeing the built list that *list held (or
// nothing, when it is null). A build without strings gives a shared empty list that
// takes no block. The builder is empty afterwards.
void TextListKeep(char** list, TextListBuilder* builder);

// Frees a built list; null and the shared empty list are left alone.
void TextListFree(char* list);
