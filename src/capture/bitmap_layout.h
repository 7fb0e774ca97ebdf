// The layout of an uncompressed Windows bitmap file (.bmp) as the capture
// writes it: colour count, padded row size, file size and the 54 header
// bytes. No platform calls, so the arithmetic can be tested natively.
#pragma once

#include <cstddef>
#include <cstdint>

// The file header (14 bytes) and the information header (40 bytes).
constexpr std::uint32_t BITMAP_HEADERS_SIZE = 54;
constexpr std::uint32_t BITMAP_INFO_OFFSET = 14;

struct BitmapLayout {
    std::uint32_t colors;       // colour-table entries: 2^bits below 16 bits, else 0
    std::uint32_t rowSize;      // bytes per pixel row, padded to a multiple of 4
    std::uint32_t pixelOffset;  // where the pixel rows begin
    std::uint32_t fileSize;     // headers, colour table and every row
};

// Fills `layout` for a bitmap of `width` by `height` pixels at `bitsPerPixel`.
// False when the size is not positive, the depth is not 1 to 32 bits, or the
// file would not fit the format's 32-bit size field.
bool ComputeBitmapLayout(std::int32_t width, std::int32_t height, std::int32_t bitsPerPixel,
                         BitmapLayout& layout);

// Writes the file header and the information header, little-endian, into the
// first 54 bytes of `file`, a buffer of at least that size. Fields without a
// value of their own (reserved, compression, image size, resolution, colours
// used) are written as 0.
void WriteBitmapHeaders(const BitmapLayout& layout, std::int32_t width, std::int32_t height,
                        std::uint16_t planes, std::uint16_t bitsPerPixel, unsigned char* file);
