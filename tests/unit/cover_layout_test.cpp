#include "cover/cover_layout.h"
#include "cover/hot_corner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace {

std::string Text(const DisplayRect& r)
{
    return std::to_string(r.left) + "," + std::to_string(r.top) + "-" + std::to_string(r.right) +
           "," + std::to_string(r.bottom);
}

TEST(BoundingBoxTest, SpansDisplaysOnEverySideOfThePrimary)
{
    DisplayLayout layout = {{{0, 0, 1024, 768}}, 1, 0};
    EXPECT_EQ(Text(DisplaysBoundingBox(layout)), "0,0-1024,768");
    layout.displays[1] = {-1280, 200, 0, 1224};  // left of it, lower down
    layout.displays[2] = {1024, -600, 1824, 0};   // right of it, above
    layout.count = 3;
    EXPECT_EQ(Text(DisplaysBoundingBox(layout)), "-1280,-600-1824,1224");
}

TEST(BoundingBoxTest, OnlyTheCountedDisplaysWeigh)
{
    DisplayLayout layout = {{{0, 0, 800, 600}, {800, 0, 5000, 5000}}, 1, 0};
    EXPECT_EQ(Text(DisplaysBoundingBox(layout)), "0,0-800,600");
    layout.count = 0;
    EXPECT_EQ(Text(DisplaysBoundingBox(layout)), "0,0-0,0");
    layout.count = MAX_DISPLAYS + 5;  // never read past the array
    EXPECT_EQ(Text(DisplaysBoundingBox(layout)), "0,0-5000,5000");
}

// Seven by seven displays 800 x 600, the primary in the middle, read row by
// row or backwards: more than the layout holds.
std::vector<DisplayRect> Grid(bool backwards)
{
    std::vector<DisplayRect> grid;
    for (int row = -3; row <= 3; ++row)
        for (int column = -3; column <= 3; ++column)
            grid.push_back({column * 800, row * 600, column * 800 + 800, row * 600 + 600});
    // One taller display in the middle of the bottom row.
    grid[45].bottom = 2500;
    if (backwards)
        std::reverse(grid.begin(), grid.end());
    return grid;
}

TEST(DisplayLayoutTest, ManyDisplaysDecideAsIfEveryOneWereHeld)
{
    for (bool backwards : {false, true}) {
        DisplayLayout layout = {};
        layout.primary = -1;
        for (const DisplayRect& display : Grid(backwards))
            AddDisplayToLayout(layout, display, display.left == 0 && display.top == 0);
        ASSERT_EQ(layout.count, MAX_DISPLAYS);
        ASSERT_GE(layout.primary, 0);
        EXPECT_EQ(Text(layout.displays[layout.primary]), "0,0-800,600");
        EXPECT_EQ(Text(DisplaysBoundingBox(layout)), "-2400,-1800-3200,2500");
        const char* corners[] = {"-2400,-1800--1600,-1200", "2400,-1800-3200,-1200",
                                 "-2400,1800--1600,2400", "2400,1800-3200,2400"};
        for (std::int32_t corner = HOT_CORNER_TOP_LEFT; corner <= HOT_CORNER_BOTTOM_RIGHT; ++corner)
            EXPECT_EQ(Text(layout.displays[HotCornerDisplay(corner, layout)]), corners[corner - 1])
                << "corner " << corner << (backwards ? ", backwards" : "");
    }
}

TEST(CentringTest, PicturesSmallerAndLargerThanTheDesktop)
{
    EXPECT_EQ(CentredPictureOrigin(1024, 640), 192);
    EXPECT_EQ(CentredPictureOrigin(768, 480), 144);
    EXPECT_EQ(CentredPictureOrigin(1024, 1200), -88);
    EXPECT_EQ(CentredPictureOrigin(768, 900), -66);
}

TEST(CentringTest, OddDifferencesRoundTowardNegativeInfinity)
{
    EXPECT_EQ(CentredPictureOrigin(1024, 1025), -1);
    EXPECT_EQ(CentredPictureOrigin(1024, 1027), -2);
    EXPECT_EQ(CentredPictureOrigin(1025, 1024), 0);
    EXPECT_EQ(CentredPictureOrigin(1024, 1), 511);
    EXPECT_EQ(CentredPictureOrigin(1024, 0), 512);
}

TEST(CentringTest, ExtremeSizesStayInRange)
{
    EXPECT_EQ(CentredPictureOrigin(INT32_MAX, INT32_MIN), INT32_MAX);
    EXPECT_EQ(CentredPictureOrigin(INT32_MIN, INT32_MAX), INT32_MIN);
    EXPECT_EQ(CentredPictureOrigin(0, INT32_MAX), -1073741824);
}

TEST(PicturePlacementTest, NaturalSizeAtItsPositionStretchedOverThePrimary)
{
    const DisplayRect primary = {0, 0, 1024, 768};
    struct Case {
        std::int32_t coverX, coverY;  // the cover's top-left corner on the screen
        bool stretch;
        std::int32_t bitmapWidth, bitmapHeight;
        std::string expected;  // where it goes, and whether the blit stretches
    };
    const Case cases[] = {
        {0, 0, false, 640, 480, "192,144-832,624 copied"},
        {-800, -600, false, 640, 480, "992,744-1632,1224 copied"},
        {0, 0, true, 640, 480, "0,0-1024,768 stretched"},
        {-800, 0, true, 640, 480, "800,0-1824,768 stretched"},
        // The copy made beforehand at the primary's size.
        {-800, 0, true, 1024, 768, "800,0-1824,768 copied"},
    };
    for (const Case& row : cases) {
        const PicturePlacement at = PlaceCoverPicture(primary, row.coverX, row.coverY, row.stretch,
                                                      192, 144, row.bitmapWidth, row.bitmapHeight);
        EXPECT_EQ(Text({at.x, at.y, at.x + at.width, at.y + at.height}) +
                      (at.stretched ? " stretched" : " copied"),
                  row.expected);
    }
}

TEST(FillColorTest, ComponentsLandInColorrefOrder)
{
    EXPECT_EQ(CoverFillColor(255, 128, 0), 0x000080FFu);
    EXPECT_EQ(CoverFillColor(0, 0, 128), 0x00800000u);
    EXPECT_EQ(CoverFillColor(0, 0, 0), 0u);
}

TEST(FillColorTest, OnlyTheLowByteOfEachComponentCounts)
{
    EXPECT_EQ(CoverFillColor(300, 0, 0), 44u);
    EXPECT_EQ(CoverFillColor(256, 256, 256), 0u);
    EXPECT_EQ(CoverFillColor(-1, -1, -1), 0x00FFFFFFu);
    EXPECT_EQ(CoverFillColor(INT32_MIN, INT32_MAX, 0), 0x0000FF00u);
}

} // namespace
