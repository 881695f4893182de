// Centring a window over a reference and pulling it into the monitor's work area, on a
// 1024 by 768 screen with 16-pixel small icons as the margins.

#include "../../pages/placement.h"

#include <gtest/gtest.h>

namespace {

const PlacementRect Screen = {0, 0, 1024, 768};

struct Corner {
    long x, y;
    bool operator==(const Corner& other) const { return x == other.x && y == other.y; }
};

std::ostream& operator<<(std::ostream& out, const Corner& c)
{
    return out << c.x << "," << c.y;
}

Corner Place(const PlacementRect& work, long width, long height, bool referenceWindow = true,
             const PlacementRect& reference = Screen)
{
    Corner corner = {};
    PlaceCentered(work, reference, referenceWindow, width, height, 16, 16, &corner.x, &corner.y);
    return corner;
}

TEST(Placement, ASmallWindowIsCentred)
{
    EXPECT_EQ((Corner{312, 234}), Place(Screen, 400, 300));
    // A task bar at the bottom leaves room enough: the window stays where it was.
    EXPECT_EQ((Corner{312, 234}), Place({0, 0, 1024, 738}, 400, 300));
}

TEST(Placement, AScreenSizedWindowKeepsTheMarginUnlessTheWorkAreaWins)
{
    EXPECT_EQ((Corner{0, 0}), Place(Screen, 1024, 768));
    EXPECT_EQ((Corner{0, -30}), Place({0, 0, 1024, 738}, 1024, 768));
    EXPECT_EQ((Corner{60, 0}), Place({60, 0, 1024, 768}, 1024, 768));
}

TEST(Placement, WithoutAReferenceWindowThereIsNoMargin)
{
    // Centred on the work area itself: a window as large as the screen starts at 0,0.
    EXPECT_EQ((Corner{0, 0}), Place(Screen, 1024, 768, false));
    EXPECT_EQ((Corner{-8, -8}), Place({-100, -100, 2000, 2000}, 1040, 784, false));
}

TEST(Placement, OddDifferencesRoundTowardZero)
{
    // (1024 - 401) / 2 = 311.5 -> 311; a negative half rounds up toward zero.
    EXPECT_EQ((Corner{311, 234}), Place(Screen, 401, 300));
    EXPECT_EQ((Corner{-50, -50}), Place({-100, -100, 2000, 2000}, 101, 101, false, {0, 0, 0, 0}));
}

TEST(Placement, AWindowOnASecondMonitorIsPulledIntoItsWorkArea)
{
    const PlacementRect second = {1024, 0, 2048, 768};
    // Centred on the desktop spanning both monitors, then kept inside the right one.
    EXPECT_EQ((Corner{1024, 234}), Place(second, 400, 300, true, {0, 0, 2048, 768}));
    EXPECT_EQ((Corner{1648, 234}), Place(second, 400, 300, true, {1800, 0, 3000, 768}));
}

TEST(Placement, RectanglesSpanningTheWholeCoordinateRangeDoNotOverflow)
{
    // Right minus left is 2^32 - 1, beyond 32 bits: the centre is still found.
    const PlacementRect everything = {-2147483647L - 1, -2147483647L - 1, 2147483647L, 2147483647L};
    EXPECT_EQ((Corner{-51, -51}), Place(everything, 100, 100, false, everything));
    EXPECT_EQ((Corner{-51, -51}), Place(everything, 100, 100, true, everything));
    // Pulled in from beyond the right edge of such a work area.
    EXPECT_EQ((Corner{2147483547L, 2147483547L}),
              Place(everything, 100, 100, false, {2147483547L, 2147483547L, 2147483647L, 2147483647L}));
}

} // namespace
