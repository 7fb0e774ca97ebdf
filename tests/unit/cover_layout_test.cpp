#include "cover/cover_layout.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

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
