// Window placement with any 32-bit coordinates (what a RECT holds in the program):
// the window lies inside the work area whenever it fits there; one larger than the
// work area is flush with an edge of it; moving every rectangle by the same amount
// moves the corner by that amount. Sizes are what a window can have (not negative) and
// the margins those of small icons.

#include "fuzzinput.h"

#include "../../pages/placement.h"

namespace {

struct Input {
    int32_t values[12];
};

void Place(const Input& in, long long shift, long long* x, long long* y)
{
    const PlacementRect work = {in.values[0] + shift, in.values[1] + shift, in.values[2] + shift,
                                in.values[3] + shift};
    const PlacementRect reference = {in.values[4] + shift, in.values[5] + shift, in.values[6] + shift,
                                     in.values[7] + shift};
    const bool referenceWindow = in.values[8] & 1;
    const long width = in.values[9] & 0x7FFFFFFF, height = in.values[10] & 0x7FFFFFFF;
    const long margin = (in.values[11] & 0x3F);
    long cornerX = 0, cornerY = 0;
    PlaceCentered(work, reference, referenceWindow, width, height, margin, margin, &cornerX, &cornerY);
    *x = cornerX;
    *y = cornerY;
}

void CheckAxis(long long low, long long high, long long size, long long corner)
{
    if (low > high) return;  // an empty work area: nothing to hold to
    if (size <= high - low) {
        FUZZ_CHECK(corner >= low && corner + size <= high);
    } else {
        FUZZ_CHECK(corner == low || corner + size == high);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Input in;
    if (size < sizeof in.values) return 0;
    std::memcpy(in.values, data, sizeof in.values);
    long long x, y;
    Place(in, 0, &x, &y);
    CheckAxis(in.values[0], in.values[2], in.values[9] & 0x7FFFFFFF, x);
    CheckAxis(in.values[1], in.values[3], in.values[10] & 0x7FFFFFFF, y);

    // In this build long has room for the shift; the arithmetic must not depend on it.
    if (sizeof(long) > 4) {
        const long long shift = size > sizeof in.values ? static_cast<int8_t>(data[sizeof in.values]) * 1000003LL : 7;
        long long shiftedX, shiftedY;
        Place(in, shift, &shiftedX, &shiftedY);
        FUZZ_CHECK(shiftedX == x + shift && shiftedY == y + shift);
    }
    return 0;
}
