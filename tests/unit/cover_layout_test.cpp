#include "cover/cover_layout.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

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
