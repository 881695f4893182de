// Where a window goes when it is centred over a reference rectangle and then pulled into
// the work area of its monitor.
#pragma once

struct PlacementRect {
    long left, top, right, bottom;
};

// The top-left corner for a window of `width` by `height` centred on `reference`
// (division rounds toward zero). With a reference window the corner keeps at least
// `marginX`, `marginY` away from the reference's top-left corner; then the work area
// wins: a window that sticks out is moved inside, and one larger than the work area
// ends flush with its left or top edge when it started beyond that edge, else flush
// with its right or bottom edge.
void PlaceCentered(const PlacementRect& work, const PlacementRect& reference, bool referenceWindow, long width,
                   long height, long marginX, long marginY, long* x, long* y);
