// Placing a load-order group in the group order list: the group is taken out first
// when it is listed, then its place is found among the remaining groups and it is
// inserted there, all inside the caller's buffer.

#include "grouporder.h"

#include "../catalogue/textlist.h"

#include <cstring>

int PlaceServiceGroup(char* list, size_t capacity, const char* group, const char* position)
{
    if (!group || !*group) return 0;
    const int present = TextListIndexOf(list, group);
    // Room for the group wherever it goes, counted before it is taken out.
    const size_t size = static_cast<size_t>(TextListSize(list));
    const size_t needed = present >= 0 ? size : size + std::strlen(group) + 1;
    if (needed > capacity) return 0;
    if (present >= 0) TextListRemove(list, present);

    const char* reference = position ? position : "";
    const bool after = *reference == '-';
    if (*reference == '+' || *reference == '-') ++reference;
    int index = *reference ? TextListIndexOf(list, reference) : -1;
    if (index < 0) index = 0;
    if (after) index = index != 0 ? index + 1 : -1;
    return TextListInsert(list, capacity, group, index);
}
