#include "cover_layout.h"

std::int32_t CentredPictureOrigin(std::int32_t desktopExtent, std::int32_t pictureExtent)
{
    // 64-bit difference so that extreme sizes cannot overflow; floor division
    // by two is the arithmetic shift the placement is defined by.
    const std::int64_t difference = static_cast<std::int64_t>(desktopExtent) - pictureExtent;
    const std::int64_t half = difference >= 0 ? difference / 2 : -((-difference + 1) / 2);
    return static_cast<std::int32_t>(half);
}

std::uint32_t CoverFillColor(std::int32_t red, std::int32_t green, std::int32_t blue)
{
    const std::uint32_t r = static_cast<std::uint32_t>(red) & 0xFFu;
    const std::uint32_t g = static_cast<std::uint32_t>(green) & 0xFFu;
    const std::uint32_t b = static_cast<std::uint32_t>(blue) & 0xFFu;
    return r | (g << 8) | (b << 16);
}
