#include "cover/hot_corner.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

constexpr std::int32_t WIDTH = 1024;
constexpr std::int32_t HEIGHT = 768;

bool InCorner(std::int32_t corner, std::int32_t x, std::int32_t y)
{
    return IsPointerInHotCorner(corner, x, y, WIDTH, HEIGHT);
}

TEST(HotCornerTest, TopLeftIsTheOutermostPixelOrBeyond)
{
    EXPECT_TRUE(InCorner(HOT_CORNER_TOP_LEFT, 0, 0));
    EXPECT_FALSE(InCorner(HOT_CORNER_TOP_LEFT, 1, 0));
    EXPECT_FALSE(InCorner(HOT_CORNER_TOP_LEFT, 0, 1));
    // A monitor to the left of and above the primary one.
    EXPECT_TRUE(InCorner(HOT_CORNER_TOP_LEFT, -300, -20));
}

TEST(HotCornerTest, TopRightIsATenPixelStripOnTheTopRow)
{
    EXPECT_TRUE(InCorner(HOT_CORNER_TOP_RIGHT, 1014, 0));
    EXPECT_TRUE(InCorner(HOT_CORNER_TOP_RIGHT, 1023, 0));
    EXPECT_FALSE(InCorner(HOT_CORNER_TOP_RIGHT, 1013, 0));
    EXPECT_FALSE(InCorner(HOT_CORNER_TOP_RIGHT, 1014, 1));
    // Beyond the right edge, on a monitor there.
    EXPECT_TRUE(InCorner(HOT_CORNER_TOP_RIGHT, 1500, -5));
}

TEST(HotCornerTest, BottomLeftIsATenPixelStripInTheLeftColumn)
{
    EXPECT_TRUE(InCorner(HOT_CORNER_BOTTOM_LEFT, 0, 758));
    EXPECT_TRUE(InCorner(HOT_CORNER_BOTTOM_LEFT, 0, 767));
    EXPECT_FALSE(InCorner(HOT_CORNER_BOTTOM_LEFT, 0, 757));
    EXPECT_FALSE(InCorner(HOT_CORNER_BOTTOM_LEFT, 1, 767));
}

TEST(HotCornerTest, BottomRightIsATenByTenSquare)
{
    EXPECT_TRUE(InCorner(HOT_CORNER_BOTTOM_RIGHT, 1014, 758));
    EXPECT_TRUE(InCorner(HOT_CORNER_BOTTOM_RIGHT, 1023, 767));
    EXPECT_FALSE(InCorner(HOT_CORNER_BOTTOM_RIGHT, 1014, 757));
    EXPECT_FALSE(InCorner(HOT_CORNER_BOTTOM_RIGHT, 1013, 758));
}

TEST(HotCornerTest, OffOrUnknownCornerIsNeverHot)
{
    for (std::int32_t corner : {0, 5, -1, 100}) {
        EXPECT_FALSE(InCorner(corner, 0, 0)) << corner;
        EXPECT_FALSE(InCorner(corner, 1023, 767)) << corner;
    }
}

TEST(HotCornerTest, ExtremeCoordinatesAndSizesDoNotOverflow)
{
    // A band computed in 32 bits would wrap for the smallest width.
    EXPECT_FALSE(IsPointerInHotCorner(HOT_CORNER_TOP_RIGHT, INT32_MAX, 1, INT32_MIN, 0));
    EXPECT_TRUE(IsPointerInHotCorner(HOT_CORNER_TOP_RIGHT, INT32_MIN + 5, 0, INT32_MIN, 0));
    EXPECT_TRUE(IsPointerInHotCorner(HOT_CORNER_BOTTOM_RIGHT, INT32_MAX, INT32_MAX, WIDTH, HEIGHT));
    EXPECT_TRUE(IsPointerInHotCorner(HOT_CORNER_TOP_LEFT, INT32_MIN, INT32_MIN, WIDTH, HEIGHT));
}

TEST(DwellTest, ElapsedBridgesTheTickCountWrap)
{
    EXPECT_EQ(ElapsedTicks(256u, 0xFFFFFFFFu - 255u), 512);
    EXPECT_EQ(ElapsedTicks(1000u, 400u), 600);
    EXPECT_EQ(ElapsedTicks(5u, 5u), 0);
}

TEST(DwellTest, GapsOfTwoToTheThirtyFirstOrMoreReadNegative)
{
    EXPECT_EQ(ElapsedTicks(0x7FFFFFFFu, 0u), INT32_MAX);
    EXPECT_EQ(ElapsedTicks(0x80000000u, 0u), INT32_MIN);
    EXPECT_EQ(ElapsedTicks(0u, 1u), -1);
    EXPECT_FALSE(HasDweltLongEnough(0x80000000u, 0u, 150));
    EXPECT_FALSE(HasDweltLongEnough(0xFFFFFFFFu, 0u, 0));
}

TEST(DwellTest, CoversOnceTheDelayHasPassedExactly)
{
    EXPECT_FALSE(HasDweltLongEnough(1149u, 1000u, 150));
    EXPECT_TRUE(HasDweltLongEnough(1150u, 1000u, 150));
    EXPECT_TRUE(HasDweltLongEnough(256u, 0xFFFFFFFFu - 255u, 512));
    EXPECT_FALSE(HasDweltLongEnough(256u, 0xFFFFFFFFu - 255u, 513));
}

TEST(DwellTest, ZeroOrNegativeDelayCoversAtOnce)
{
    EXPECT_TRUE(HasDweltLongEnough(1000u, 1000u, 0));
    EXPECT_TRUE(HasDweltLongEnough(1000u, 1000u, -500));
    // From start-up the last outside tick is 0: a signed tick count decides.
    EXPECT_TRUE(HasDweltLongEnough(150u, 0u, 150));
    EXPECT_FALSE(HasDweltLongEnough(0x90000000u, 0u, 150));
    EXPECT_TRUE(HasDweltLongEnough(0x90000000u, 0u, INT32_MIN));
}

} // namespace
