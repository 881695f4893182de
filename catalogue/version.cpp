// Comparing dotted decimal versions: both texts are walked together, one number at a
// time, until a pair differs or either text stops going on with a ".".

#include "version.h"

#include "../base/numbers.h"

#include <climits>

int CompareVersionStrings(const char* installed, const char* offered)
{
    const char* a = installed ? installed : "";
    const char* b = offered ? offered : "";
    long installedPart = 0, offeredPart = 0;
    for (;;) {
        installedPart = ParseDecimalAt(a, &a);
        offeredPart = ParseDecimalAt(b, &b);
        if (installedPart != offeredPart) break;
        if (*a != '.') break;
        ++a;
        if (*b != '.') break;
        ++b;
    }
    const long long difference = static_cast<long long>(offeredPart) - installedPart;
    if (difference > INT_MAX) return INT_MAX;
    if (difference < INT_MIN) return INT_MIN;
    return static_cast<int>(difference);
}
