#include "bitmap_layout.h"

namespace {

void Put16(unsigned char* at, std::uint32_t value)
{
    at[0] = static_cast<unsigned char>(value);
    at[1] = static_cast<unsigned char>(value >> 8);
}

void Put32(unsigned char* at, std::uint32_t value)
{
    Put16(at, value & 0xFFFFu);
    Put16(at + 2, value >> 16);
}

} // namespace

bool ComputeBitmapLayout(std::int32_t width, std::int32_t height, std::int32_t bitsPerPixel,
                         BitmapLayout& layout)
{
    if (width <= 0 || height <= 0 || bitsPerPixel < 1 || bitsPerPixel > 32)
        return false;
    // 64-bit sums: a huge bitmap must be refused, not wrap into a small file.
    const std::uint64_t colors = bitsPerPixel < 16 ? std::uint64_t{1} << bitsPerPixel : 0;
    const std::uint64_t rowSize =
        (static_cast<std::uint64_t>(bitsPerPixel) * static_cast<std::uint64_t>(width) + 31) / 32 * 4;
    const std::uint64_t pixelOffset = BITMAP_HEADERS_SIZE + 4 * colors;
    const std::uint64_t fileSize = pixelOffset + rowSize * static_cast<std::uint64_t>(height);
    if (fileSize > UINT32_MAX)
        return false;
    layout.colors = static_cast<std::uint32_t>(colors);
    layout.rowSize = static_cast<std::uint32_t>(rowSize);
    layout.pixelOffset = static_cast<std::uint32_t>(pixelOffset);
    layout.fileSize = static_cast<std::uint32_t>(fileSize);
    return true;
}

void WriteBitmapHeaders(const BitmapLayout& layout, std::int32_t width, std::int32_t height,
                        std::uint16_t planes, std::uint16_t bitsPerPixel, unsigned char* file)
{
    for (std::uint32_t i = 0; i < BITMAP_HEADERS_SIZE; ++i)
        file[i] = 0;
    file[0] = 'B';
    file[1] = 'M';
    Put32(file + 2, layout.fileSize);
    Put32(file + 10, layout.pixelOffset);

    unsigned char* info = file + BITMAP_INFO_OFFSET;
    Put32(info + 0, 40);  // size of the information header
    Put32(info + 4, static_cast<std::uint32_t>(width));
    // Positive: the rows are stored bottom-up.
    Put32(info + 8, static_cast<std::uint32_t>(height));
    Put16(info + 12, planes);
    Put16(info + 14, bitsPerPixel);
}
