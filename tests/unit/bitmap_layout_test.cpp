#include "capture/bitmap_layout.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

BitmapLayout Layout(std::int32_t width, std::int32_t height, std::int32_t bits)
{
    BitmapLayout layout = {};
    EXPECT_TRUE(ComputeBitmapLayout(width, height, bits, layout))
        << width << "x" << height << "x" << bits;
    return layout;
}

// Colours, row size, pixel offset and file size, compared at once.
std::string Fields(const BitmapLayout& l)
{
    return std::to_string(l.colors) + " " + std::to_string(l.rowSize) + " " +
           std::to_string(l.pixelOffset) + " " + std::to_string(l.fileSize);
}

TEST(BitmapLayoutTest, DesktopSizesAtTheCommonDepths)
{
    EXPECT_EQ(Fields(Layout(1024, 768, 32)), "0 4096 54 3145782");
    EXPECT_EQ(Fields(Layout(1024, 768, 24)), "0 3072 54 2359350");
    EXPECT_EQ(Fields(Layout(1024, 768, 8)), "256 1024 1078 787510");
}

TEST(BitmapLayoutTest, ColourTablesOnlyBelowSixteenBits)
{
    EXPECT_EQ(Fields(Layout(8, 8, 1)), "2 4 62 94");
    EXPECT_EQ(Fields(Layout(8, 8, 4)), "16 4 118 150");
    EXPECT_EQ(Fields(Layout(8, 8, 16)), "0 16 54 182");
    EXPECT_EQ(Fields(Layout(8, 8, 24)), "0 24 54 246");
}

TEST(BitmapLayoutTest, RowsArePaddedToFourBytes)
{
    // width, bits per pixel, padded row size
    const std::uint32_t rows[][3] = {{1, 24, 4}, {3, 24, 12}, {5, 24, 16}, {161, 24, 484},
                                     {3, 16, 8}, {5, 8, 8},   {9, 4, 8},   {33, 1, 8},
                                     {7, 32, 28}};
    for (const auto& row : rows)
        EXPECT_EQ(Layout(row[0], 1, row[1]).rowSize, row[2]) << row[0] << " at " << row[1];
    EXPECT_EQ(Layout(161, 121, 24).fileSize, 54u + 484u * 121u);
}

TEST(BitmapLayoutTest, RefusesWhatNoFileCanHold)
{
    // 65536 squared at 32 bits, 16 GiB, must not wrap round into a small file.
    const std::int32_t refused[][3] = {{0, 768, 32},      {1024, 0, 32},  {-1024, 768, 32},
                                       {1024, -768, 32},  {1024, 768, 0}, {1024, 768, 33},
                                       {65536, 65536, 32}, {INT32_MAX, INT32_MAX, 32}};
    BitmapLayout layout = {};
    for (const auto& r : refused)
        EXPECT_FALSE(ComputeBitmapLayout(r[0], r[1], r[2], layout))
            << r[0] << "x" << r[1] << "x" << r[2];
    // The largest 32-bit file that still fits the size field.
    EXPECT_TRUE(ComputeBitmapLayout(1, (UINT32_MAX - 54) / 4, 32, layout));
    EXPECT_EQ(layout.fileSize, 54u + (UINT32_MAX - 54) / 4 * 4);
    EXPECT_FALSE(ComputeBitmapLayout(1, (UINT32_MAX - 54) / 4 + 1, 32, layout));
}

TEST(BitmapLayoutTest, HeadersAreLittleEndianWithEveryOtherFieldZero)
{
    const BitmapLayout layout = Layout(3, 2, 24);
    std::vector<unsigned char> file(layout.fileSize, 0xCC);
    WriteBitmapHeaders(layout, 3, 2, 1, 24, file.data());
    // BM, file size (54 + 2 rows of 12), reserved, pixel offset; header size, width, height
    // (positive: bottom-up), planes, bits per pixel; the rest (BI_RGB, ...) 0.
    const unsigned char expected[54] = {'B', 'M', 78, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,
                                        40, 0, 0, 0, 3, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0};
    for (int i = 0; i < 54; ++i)
        EXPECT_EQ(file[i], expected[i]) << "byte " << i;
    EXPECT_EQ(file[54], 0xCC);  // the pixel area is the caller's
}

TEST(BitmapLayoutTest, LargeFieldsUseEveryByte)
{
    const BitmapLayout layout = Layout(70000, 300, 8);
    unsigned char file[54];
    WriteBitmapHeaders(layout, 70000, 300, 1, 8, file);
    EXPECT_EQ(layout.fileSize, 54u + 1024u + 70000u * 300u);
    EXPECT_EQ(file[2] | file[3] << 8 | file[4] << 16 | static_cast<std::uint32_t>(file[5]) << 24,
              layout.fileSize);
    EXPECT_EQ(file[10] | file[11] << 8, 1078);
    EXPECT_EQ(file[18] | file[19] << 8 | file[20] << 16, 70000);
    EXPECT_EQ(file[22] | file[23] << 8, 300);
}

} // namespace
