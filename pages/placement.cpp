#include "placement.h"

// The sums and differences are taken in 64 bits: with the 32-bit coordinates of the
// program, a reference or work area that spans more than half the coordinate range
// would overflow them. The corner lies between the work area's edges, or one window
// size before the right or bottom edge, so it fits a long for any real screen.
void PlaceCentered(const PlacementRect& work, const PlacementRect& reference, bool referenceWindow, long width,
                   long height, long marginX, long marginY, long* x, long* y)
{
    typedef long long Wide;
    Wide left = reference.left + (static_cast<Wide>(reference.right) - reference.left - width) / 2;
    Wide top = reference.top + (static_cast<Wide>(reference.bottom) - reference.top - height) / 2;
    if (referenceWindow) {
        if (left < static_cast<Wide>(reference.left) + marginX) left = static_cast<Wide>(reference.left) + marginX;
        if (top < static_cast<Wide>(reference.top) + marginY) top = static_cast<Wide>(reference.top) + marginY;
    }
    if (left < work.left) {
        left = work.left;
    } else if (left + width > work.right) {
        left = static_cast<Wide>(work.right) - width;
    }
    if (top < work.top) {
        top = work.top;
    } else if (top + height > work.bottom) {
        top = static_cast<Wide>(work.bottom) - height;
    }
    *x = static_cast<long>(left);
    *y = static_cast<long>(top);
}
