#include "placement.h"

void PlaceCentered(const PlacementRect& work, const PlacementRect& reference, bool referenceWindow, long width,
                   long height, long marginX, long marginY, long* x, long* y)
{
    long left = reference.left + (reference.right - reference.left - width) / 2;
    long top = reference.top + (reference.bottom - reference.top - height) / 2;
    if (referenceWindow) {
        if (left < reference.left + marginX) left = reference.left + marginX;
        if (top < reference.top + marginY) top = reference.top + marginY;
    }
    if (left < work.left) {
        left = work.left;
    } else if (left + width > work.right) {
        left = work.right - width;
    }
    if (top < work.top) {
        top = work.top;
    } else if (top + height > work.bottom) {
        top = work.bottom - height;
    }
    *x = left;
    *y = top;
}
