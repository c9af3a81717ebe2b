#include "utils/dpi_rules.h"

#include <gtest/gtest.h>
#include <climits>

TEST(ScaleForDpi, RoundsHalvesAwayFromZero)
{
    struct Case { int v, dpi, want; } cases[] = {
        {2, 192, 4}, {5, 192, 10}, {230, 192, 460}, {-2, 192, -4},
        {1, 144, 2}, {-1, 144, -2},  // 1.5 rounds away from zero both ways
        {5, 131, 7}, {-5, 131, -7},  // 6.82
        {3, 120, 4}, {-3, 120, -4},  // 3.75
        {1, 120, 1},                 // 1.25
        {0, 192, 0},
    };
    for (const Case &c : cases)
        EXPECT_EQ(c.want, ScaleForDpi(c.v, c.dpi)) << "v=" << c.v << " dpi=" << c.dpi;
}

TEST(ScaleForDpi, IsIdentityAt96Dpi)
{
    for (int v = -1000; v <= 1000; v++)
        ASSERT_EQ(v, ScaleForDpi(v, 96));
    EXPECT_EQ(INT_MAX, ScaleForDpi(INT_MAX, 96));
    EXPECT_EQ(INT_MIN, ScaleForDpi(INT_MIN, 96));
}
