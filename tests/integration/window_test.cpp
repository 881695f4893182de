// Centring a real window: the monitor's work area found through the functions looked
// up at run time, the window moved but never resized.

#include "../../app/setup.h"
#include "../../pages/pages.h"

#include <gtest/gtest.h>

namespace {

TEST(CenterWindow, CentresOverTheDesktopWithinTheWorkArea)
{
    HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 3, 5, 400, 300, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, window);
    RECT desktop, work;
    GetWindowRect(GetDesktopWindow(), &desktop);
    ASSERT_EQ(1, GetMonitorWorkArea(window, &work));
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);  // one monitor here: the same area

    CenterWindow(window, GetDesktopWindow());

    RECT placed;
    GetWindowRect(window, &placed);
    EXPECT_EQ(400, placed.right - placed.left);
    EXPECT_EQ(300, placed.bottom - placed.top);
    const long x = desktop.left + (desktop.right - desktop.left - 400) / 2;
    const long y = desktop.top + (desktop.bottom - desktop.top - 300) / 2;
    EXPECT_EQ(x, placed.left);
    EXPECT_EQ(y < work.bottom - 300 ? y : work.bottom - 300, placed.top);
    DestroyWindow(window);
}

TEST(CenterWindow, AWindowLargerThanTheScreenEndsAtTheWorkAreasEdges)
{
    RECT work;
    GetMonitorWorkArea(nullptr, &work);
    const int width = work.right - work.left + 200, height = work.bottom - work.top + 100;
    HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, width, height, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, window);
    CenterWindow(window, GetDesktopWindow());
    RECT placed;
    GetWindowRect(window, &placed);
    // Kept the small-icon margin from the desktop's corner, then flush with the work
    // area's right and bottom edges, sticking out on the other sides.
    EXPECT_EQ(work.right - width, placed.left);
    EXPECT_EQ(work.bottom - height, placed.top);
    EXPECT_EQ(width, placed.right - placed.left);
    DestroyWindow(window);
}

TEST(MonitorWorkArea, WithoutAWindowThePrimaryWorkArea)
{
    RECT area = {}, primary = {};
    ASSERT_EQ(1, GetMonitorWorkArea(nullptr, &area));
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &primary, 0);
    EXPECT_TRUE(EqualRect(&area, &primary));
    EXPECT_GT(area.right - area.left, 0);
}

} // namespace
