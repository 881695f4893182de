// Placing a service's load-order group in the system's group order list (a text list).
#pragma once

#include <cstddef>

// Moves or inserts `group` as `position` asks: empty, "X" or "+X" directly before group
// X (at the head when X is not listed); "-X" directly after X, but at the end when X is
// not listed or is the first entry. A group already listed is moved, not duplicated.
// The list lies in `capacity` bytes; 0 with the list unchanged when the result would
// not fit or the group name is empty.
int PlaceServiceGroup(char* list, size_t capacity, const char* group, const char* position);
