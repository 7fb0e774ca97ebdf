#include "hot_corner.h"

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
