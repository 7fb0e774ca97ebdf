#include "hot_corner.h"

#include <cstdint>

bool IsPointerInHotCorner(std::int32_t corner, std::int32_t x, std::int32_t y,
                          std::int32_t width, std::int32_t height)
{
    // Subtract in 64 bits: a desktop narrower than the band must not wrap.
    const std::int64_t rightBand = static_cast<std::int64_t>(width) - HOT_CORNER_BAND;
    const std::int64_t bottomBand = static_cast<std::int64_t>(height) - HOT_CORNER_BAND;
    switch (corner) {
    case HOT_CORNER_TOP_LEFT:
        return x <= 0 && y <= 0;
    case HOT_CORNER_TOP_RIGHT:
        return x >= rightBand && y <= 0;
    case HOT_CORNER_BOTTOM_LEFT:
        return x <= 0 && y >= bottomBand;
    case HOT_CORNER_BOTTOM_RIGHT:
        return x >= rightBand && y >= bottomBand;
    default:
        return false;
    }
}

std::int32_t ElapsedTicks(std::uint32_t now, std::uint32_t lastOutsideTick)
{
    // Unsigned subtraction wraps modulo 2^32; the conversion back to signed is
    // done bit for bit without relying on implementation-defined narrowing.
    const std::uint32_t difference = now - lastOutsideTick;
    if (difference <= 0x7FFFFFFFu)
        return static_cast<std::int32_t>(difference);
    return -static_cast<std::int32_t>(~difference) - 1;
}

bool HasDweltLongEnough(std::uint32_t now, std::uint32_t lastOutsideTick,
                        std::int32_t delay)
{
    return ElapsedTicks(now, lastOutsideTick) >= delay;
}

namespace {

// How far the display's `corner` lies in the corner's direction: larger is
// farther. 64 bits, so that no layout can overflow.
std::int64_t CornerReach(std::int32_t corner, const DisplayRect& display)
{
    const std::int64_t left = display.left;
    const std::int64_t top = display.top;
    const std::int64_t right = display.right;
    const std::int64_t bottom = display.bottom;
    switch (corner) {
    case HOT_CORNER_TOP_LEFT:
        return -(left + top);
    case HOT_CORNER_TOP_RIGHT:
        return right - top;
    case HOT_CORNER_BOTTOM_LEFT:
        return bottom - left;
    default:
        return right + bottom;
    }
}

} // namespace

std::int32_t HotCornerDisplay(std::int32_t corner, const DisplayLayout& layout)
{
    if (corner < HOT_CORNER_TOP_LEFT || corner > HOT_CORNER_BOTTOM_RIGHT || layout.count <= 0)
        return -1;
    const std::int32_t count = layout.count < MAX_DISPLAYS ? layout.count : MAX_DISPLAYS;
    std::int32_t best = layout.primary >= 0 && layout.primary < count ? layout.primary : 0;
    for (std::int32_t i = 0; i < count; ++i)
        if (CornerReach(corner, layout.displays[i]) > CornerReach(corner, layout.displays[best]))
            best = i;
    return best;
}

bool IsPointerInHotCornerOf(std::int32_t corner, std::int32_t x, std::int32_t y,
                            const DisplayRect& display)
{
    if (x < display.left || x >= display.right || y < display.top || y >= display.bottom)
        return false;
    // Measured from the display's own edges. On the display, the offsets fit;
    // only a display wider than 2^31 pixels would not, and is taken as that wide.
    const auto narrow = [](std::int64_t value) {
        return static_cast<std::int32_t>(value < INT32_MAX ? value : INT32_MAX);
    };
    const std::int64_t left = display.left;
    const std::int64_t top = display.top;
    return IsPointerInHotCorner(corner, narrow(x - left), narrow(y - top),
                                narrow(display.right - left), narrow(display.bottom - top));
}
