#include "capture/bitmap_layout.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

BitmapLayout Layout(std::int32_t width, std::int32_t height, std::int32_t bits)
{
    BitmapLayout layout = {};
    EXPECT_TRUE(ComputeBitmapLayout(width, height, bits, layout))
        << width << "x" << height << "x" << bits;
    return layout;
}

TEST(BitmapLayoutTest, DesktopSizesAtTheCommonDepths)
{
    const BitmapLayout deep = Layout(1024, 768, 32);
    EXPECT_EQ(deep.fileSize, 3145782u);
    EXPECT_EQ(deep.rowSize, 4096u);
    EXPECT_EQ(deep.colours, 0u);
    EXPECT_EQ(deep.pixelOffset, 54u);

    EXPECT_EQ(Layout(1024, 768, 24).fileSize, 2359350u);
    EXPECT_EQ(Layout(1024, 768, 24).pixelOffset, 54u);

    const BitmapLayout palette = Layout(1024, 768, 8);
    EXPECT_EQ(palette.fileSize, 787510u);
    EXPECT_EQ(palette.colours, 256u);
    EXPECT_EQ(palette.pixelOffset, 54u + 1024u);
}

TEST(BitmapLayoutTest, ColourTablesOnlyBelowSixteenBits)
{
    EXPECT_EQ(Layout(8, 8, 1).colours, 2u);
    EXPECT_EQ(Layout(8, 8, 4).colours, 16u);
    EXPECT_EQ(Layout(8, 8, 4).pixelOffset, 54u + 64u);
    EXPECT_EQ(Layout(8, 8, 16).colours, 0u);
    EXPECT_EQ(Layout(8, 8, 24).colours, 0u);
}

TEST(BitmapLayoutTest, RowsArePaddedToFourBytes)
{
    EXPECT_EQ(Layout(1, 1, 24).rowSize, 4u);
    EXPECT_EQ(Layout(3, 1, 24).rowSize, 12u);   // 9 bytes of pixels
    EXPECT_EQ(Layout(5, 1, 24).rowSize, 16u);   // 15
    EXPECT_EQ(Layout(161, 1, 24).rowSize, 484u);  // 483
    EXPECT_EQ(Layout(3, 1, 16).rowSize, 8u);    // 6
    EXPECT_EQ(Layout(5, 1, 8).rowSize, 8u);     // 5
    EXPECT_EQ(Layout(9, 1, 4).rowSize, 8u);     // 4.5
    EXPECT_EQ(Layout(33, 1, 1).rowSize, 8u);    // 33 bits
    EXPECT_EQ(Layout(7, 1, 32).rowSize, 28u);   // already aligned
    EXPECT_EQ(Layout(161, 121, 24).fileSize, 54u + 484u * 121u);
}

TEST(BitmapLayoutTest, RefusesWhatNoFileCanHold)
{
    BitmapLayout layout = {};
    EXPECT_FALSE(ComputeBitmapLayout(0, 768, 32, layout));
    EXPECT_FALSE(ComputeBitmapLayout(1024, 0, 32, layout));
    EXPECT_FALSE(ComputeBitmapLayout(-1024, 768, 32, layout));
    EXPECT_FALSE(ComputeBitmapLayout(1024, -768, 32, layout));
    EXPECT_FALSE(ComputeBitmapLayout(1024, 768, 0, layout));
    EXPECT_FALSE(ComputeBitmapLayout(1024, 768, 33, layout));
    // 16 GiB of pixels must not wrap round into a small file.
    EXPECT_FALSE(ComputeBitmapLayout(65536, 65536, 32, layout));
    EXPECT_FALSE(ComputeBitmapLayout(INT32_MAX, INT32_MAX, 32, layout));
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
    const unsigned char expected[54] = {
        'B', 'M', 78, 0, 0, 0,  // type, file size 54 + 2 rows of 12
        0, 0, 0, 0,             // reserved
        54, 0, 0, 0,            // pixel offset
        40, 0, 0, 0,            // information header size
        3, 0, 0, 0,             // width
        2, 0, 0, 0,             // height, positive: bottom-up
        1, 0, 24, 0,            // planes, bits per pixel
        0, 0, 0, 0,             // BI_RGB
        0, 0, 0, 0,             // image size
        0, 0, 0, 0, 0, 0, 0, 0, // resolution
        0, 0, 0, 0, 0, 0, 0, 0, // colours used, important
    };
    for (int i = 0; i < 54; ++i)
        EXPECT_EQ(file[i], expected[i]) << "byte " << i;
    // The pixel area is the caller's: untouched here.
    EXPECT_EQ(file[54], 0xCC);
}

TEST(BitmapLayoutTest, LargeFieldsUseEveryByte)
{
    const BitmapLayout layout = Layout(70000, 300, 8);
    unsigned char file[54];
    WriteBitmapHeaders(layout, 70000, 300, 1, 8, file);
    const std::uint32_t size = file[2] | file[3] << 8 | file[4] << 16 |
                               static_cast<std::uint32_t>(file[5]) << 24;
    EXPECT_EQ(size, layout.fileSize);
    EXPECT_EQ(size, 54u + 1024u + 70000u * 300u);
    EXPECT_EQ(file[10] | file[11] << 8, 1078);
    EXPECT_EQ(file[18] | file[19] << 8 | file[20] << 16, 70000);
    EXPECT_EQ(file[22] | file[23] << 8, 300);
}

} // namespace
