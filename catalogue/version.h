// Comparing dotted decimal versions such as 2.1.30, component by component as numbers.
#pragma once

// Offered minus installed at the first pair of components that differ; 0 when they are
// equal as far as the shorter version goes (1.2 equals 1.2.0 and 1.2.7). Each component
// is read like atol; the walk stops when either text does not go on with a ".", so text
// after a number ends the comparison and an empty version counts as 0. The difference is
// clamped to the range of int.
int CompareVersionStrings(const char* installed, const char* offered);
