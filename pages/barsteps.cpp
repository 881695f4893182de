#include "barsteps.h"

int BarMoveIsVisible(int shown, int target, int range, int width)
{
    if (range <= 0 || width <= 0 || target >= range || shown >= range || target < 0 || shown < 0) return 1;
    // In 64 bits: a position times a width may pass 2^31.
    const long long from = static_cast<long long>(shown) * width / range;
    const long long to = static_cast<long long>(target) * width / range;
    return from != to;
}
