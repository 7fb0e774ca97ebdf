#include "cover_layout.h"

#include <algorithm>

DisplayRect DisplaysBoundingBox(const DisplayLayout& layout)
{
    const int count = std::min<int>(std::max<int>(layout.count, 0), MAX_DISPLAYS);
    if (count == 0)
        return DisplayRect{0, 0, 0, 0};
    DisplayRect box = layout.displays[0];
    for (int i = 1; i < count; ++i) {
        const DisplayRect& display = layout.displays[i];
        box.left = std::min(box.left, display.left);
        box.top = std::min(box.top, display.top);
        box.right = std::max(box.right, display.right);
        box.bottom = std::max(box.bottom, display.bottom);
    }
    return box;
}

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
