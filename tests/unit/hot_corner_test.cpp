#include "cover/hot_corner.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <initializer_list>
#include <utility>

namespace {

constexpr std::int32_t WIDTH = 1024;
constexpr std::int32_t HEIGHT = 768;
constexpr DisplayRect PRIMARY = {0, 0, WIDTH, HEIGHT};
constexpr DisplayRect RIGHT_OF = {1024, 0, 1824, 600};
constexpr DisplayRect LEFT_OF = {-800, 0, 0, 600};

using Points = std::initializer_list<std::array<std::int32_t, 2>>;

// Of the single 1024x768 screen, or with `display` of that display alone.
void ExpectCorner(std::int32_t corner, Points inside, Points outside,
                  const DisplayRect* display = nullptr)
{
    for (bool in : {true, false})
        for (const auto& p : in ? inside : outside)
            EXPECT_EQ(display ? IsPointerInHotCornerOf(corner, p[0], p[1], *display)
                              : IsPointerInHotCorner(corner, p[0], p[1], WIDTH, HEIGHT),
                      in)
                << corner << " at " << p[0] << "," << p[1];
}

TEST(HotCornerTest, TopLeftIsTheOutermostPixelOrBeyond)
{
    // (-300, -20): on a monitor to the left of and above the primary one.
    ExpectCorner(HOT_CORNER_TOP_LEFT, {{0, 0}, {-300, -20}}, {{1, 0}, {0, 1}});
}

TEST(HotCornerTest, TopRightIsATenPixelStripOnTheTopRow)
{
    // (1500, -5): on a monitor beyond the right edge.
    ExpectCorner(HOT_CORNER_TOP_RIGHT, {{1014, 0}, {1023, 0}, {1500, -5}}, {{1013, 0}, {1014, 1}});
}

TEST(HotCornerTest, BottomLeftIsATenPixelStripInTheLeftColumn)
{
    ExpectCorner(HOT_CORNER_BOTTOM_LEFT, {{0, 758}, {0, 767}}, {{0, 757}, {1, 767}});
}

TEST(HotCornerTest, BottomRightIsATenByTenSquare)
{
    ExpectCorner(HOT_CORNER_BOTTOM_RIGHT, {{1014, 758}, {1023, 767}}, {{1014, 757}, {1013, 758}});
}

TEST(HotCornerTest, OffOrUnknownCornerIsNeverHot)
{
    for (std::int32_t corner : {0, 5, -1, 100})
        ExpectCorner(corner, {}, {{0, 0}, {1023, 767}});
}

TEST(HotCornerTest, ExtremeCoordinatesAndSizesDoNotOverflow)
{
    // A band computed in 32 bits would wrap for the smallest sizes.
    EXPECT_TRUE(IsPointerInHotCorner(HOT_CORNER_TOP_RIGHT, INT32_MIN + 5, 0, INT32_MIN, 0));
    EXPECT_TRUE(IsPointerInHotCorner(HOT_CORNER_TOP_RIGHT, 0, 0, INT32_MIN + 5, 0));
    EXPECT_TRUE(IsPointerInHotCorner(HOT_CORNER_BOTTOM_LEFT, 0, 0, 0, INT32_MIN + 5));
    ExpectCorner(HOT_CORNER_BOTTOM_RIGHT, {{INT32_MAX, INT32_MAX}}, {});
    ExpectCorner(HOT_CORNER_TOP_LEFT, {{INT32_MIN, INT32_MIN}}, {});
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

// The primary display and a second one listed first, as enumeration may do.
DisplayLayout TwoDisplays(DisplayRect second)
{
    return {{second, PRIMARY}, 2, 1};
}

TEST(HotCornerDisplayTest, EachCornerIsOnTheDisplayFarthestInItsDirection)
{
    // Each second display and the two corners on it; the others stay on the primary.
    const std::pair<DisplayRect, std::array<std::int32_t, 2>> cases[] = {
        {RIGHT_OF, {HOT_CORNER_TOP_RIGHT, HOT_CORNER_BOTTOM_RIGHT}},
        {LEFT_OF, {HOT_CORNER_TOP_LEFT, HOT_CORNER_BOTTOM_LEFT}},
        {{0, -600, 800, 0}, {HOT_CORNER_TOP_LEFT, HOT_CORNER_TOP_RIGHT}},
        // Below and taller: its top corners touch the primary's bottom edge.
        {{0, 768, 800, 1968}, {HOT_CORNER_BOTTOM_LEFT, HOT_CORNER_BOTTOM_RIGHT}},
    };
    for (const auto& [second, farCorners] : cases)
        for (std::int32_t corner = HOT_CORNER_TOP_LEFT; corner <= HOT_CORNER_BOTTOM_RIGHT; ++corner)
            EXPECT_EQ(HotCornerDisplay(corner, TwoDisplays(second)),
                      corner == farCorners[0] || corner == farCorners[1] ? 0 : 1)
                << "corner " << corner << ", second at " << second.left << "," << second.top;
}

TEST(HotCornerDisplayTest, TiesGoToThePrimaryAndOffHasNoDisplay)
{
    // Mirrored displays share one rectangle: every corner ties.
    DisplayLayout layout = TwoDisplays(PRIMARY);
    for (std::int32_t corner = HOT_CORNER_TOP_LEFT; corner <= HOT_CORNER_BOTTOM_RIGHT; ++corner)
        EXPECT_EQ(HotCornerDisplay(corner, layout), 1) << corner;
    EXPECT_EQ(HotCornerDisplay(HOT_CORNER_OFF, layout), -1);
    EXPECT_EQ(HotCornerDisplay(5, layout), -1);
    layout.count = 0;
    EXPECT_EQ(HotCornerDisplay(HOT_CORNER_BOTTOM_RIGHT, layout), -1);
}

TEST(HotCornerDisplayTest, TheBandIsMeasuredFromThatDisplaysOwnEdges)
{
    // Off the display never counts, such as the inner corners where the
    // pointer crosses to the primary display.
    ExpectCorner(HOT_CORNER_BOTTOM_RIGHT, {{1814, 590}, {1823, 599}},
                 {{1813, 590}, {1814, 589}, {1023, 767}, {1824, 600}}, &RIGHT_OF);
    ExpectCorner(HOT_CORNER_TOP_LEFT, {{-800, 0}}, {{-799, 0}, {0, 0}}, &LEFT_OF);
}

TEST(HotCornerDisplayTest, OneDisplayKeepsTheSingleScreenRules)
{
    for (std::int32_t corner = HOT_CORNER_TOP_LEFT; corner <= HOT_CORNER_BOTTOM_RIGHT; ++corner)
        for (std::int32_t x : {0, 1, 1013, 1014, 1023})
            for (std::int32_t y : {0, 1, 757, 758, 767})
                EXPECT_EQ(IsPointerInHotCornerOf(corner, x, y, PRIMARY),
                          IsPointerInHotCorner(corner, x, y, WIDTH, HEIGHT))
                    << corner << " at " << x << "," << y;
}

} // namespace
