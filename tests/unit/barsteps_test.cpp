// The install page's rule for when a file step moves the progress bar.
#include "../../pages/barsteps.h"

#include <gtest/gtest.h>

#include <climits>

// A wide range on a narrow bar: steps are carried until the fill reaches a new pixel
// column, and over the whole range every column is reached exactly once.
TEST(BarSteps, MovesOncePerPixelColumnAndAtTheEnd)
{
    const int range = 2000, width = 300;
    int shown = 0, moves = 0;
    for (int target = 1; target <= range; ++target) {
        if (BarMoveIsVisible(shown, target, range, width)) {
            ++moves;
            EXPECT_NE(static_cast<long long>(shown) * width / range, static_cast<long long>(target) * width / range)
                << "a move that changes no column, at " << target;
            shown = target;
        }
    }
    EXPECT_EQ(range, shown) << "the last step is always shown";
    EXPECT_EQ(width, moves);
}

// A range narrower than the bar: every step is a new column.
TEST(BarSteps, FewStepsOnAWideBarAllShow)
{
    for (int target = 1; target <= 10; ++target) EXPECT_EQ(1, BarMoveIsVisible(target - 1, target, 10, 300));
}

TEST(BarSteps, EndOfRangeAndOddInputsAlwaysMove)
{
    EXPECT_EQ(1, BarMoveIsVisible(1998, 1999, 1999, 300)) << "reaching the end";
    EXPECT_EQ(1, BarMoveIsVisible(2000, 2001, 2000, 300)) << "passing the end (the bar wraps there)";
    EXPECT_EQ(1, BarMoveIsVisible(0, 1, 0, 300)) << "no range";
    EXPECT_EQ(1, BarMoveIsVisible(0, 1, 2000, 0)) << "no width (a hidden bar)";
    EXPECT_EQ(0, BarMoveIsVisible(0, 1, 2000, 300));
    // A range and width whose product passes 32 bits.
    EXPECT_EQ(0, BarMoveIsVisible(INT_MAX - 3, INT_MAX - 2, INT_MAX, 1000));
}
