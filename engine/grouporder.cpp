// Placing a load-order group in the group order list: the group is taken out first
// when it is listed, then its place is found among the remaining groups and it is
// inserted there, all inside the caller's buffer.

#include "grouporder.h"

#include "../base/textlist.h"

#include <cstring>

int PlaceServiceGroup(char* list, size_t capacity, const char* group, const char* position)
{
    if (!list || !group || !*group) return 0;
    const int present = TextListIndexOf(list, group);
    // The size of the result, counted before anything changes: the strings that stay,
    // the group with its zero, and the end mark. Nothing may be taken out of a list
    // that then has no room for the group.
    const size_t length = std::strlen(group);
    const size_t size = static_cast<size_t>(TextListSize(list));
    const size_t strings = *list ? size - 1 : 0;
    const size_t others = present >= 0 ? strings - (length + 1) : strings;
    if (others + length + 2 > capacity) return 0;
    if (present >= 0) TextListRemove(list, present);
    // An insertion into an empty list would take one spare byte behind the end mark.
    if (!*list) return TextListAssign(list, capacity, group);

    const char* reference = position ? position : "";
    const bool after = *reference == '-';
    if (*reference == '+' || *reference == '-') ++reference;
    int index = *reference ? TextListIndexOf(list, reference) : -1;
    if (index < 0) index = 0;
    if (after) index = index != 0 ? index + 1 : -1;
    return TextListInsert(list, capacity, group, index);
}
