// Where the cover and the unstretched picture sit when the cover is shown,
// and the cover's fill colour. No platform calls: plain integers in, plain
// integers out.
#pragma once

#include "core/display_layout.h"

#include <cstdint>

// Adds a display as it is read. When the layout is full, it keeps the
// displays that decide something: the primary, the first one found at each
// edge of the bounding box, and each hot corner's display. So however many
// displays there are, the bounding box, the primary and the hot corners come
// out as if every display were held.
void AddDisplayToLayout(DisplayLayout& layout, const DisplayRect& display, bool isPrimary);

// The smallest rectangle holding every display of `layout`, which is the
// virtual screen; all zero when there is none.
DisplayRect DisplaysBoundingBox(const DisplayLayout& layout);

// Left (or top) edge that centres a picture `pictureExtent` pixels wide (or
// high) on a desktop `desktopExtent` pixels wide: half the difference, rounded
// toward negative infinity, so an oversized picture is cropped evenly.
std::int32_t CentredPictureOrigin(std::int32_t desktopExtent, std::int32_t pictureExtent);

// Where the picture goes on the cover, in the cover's client coordinates, and
// whether the blit has to stretch it.
struct PicturePlacement {
    std::int32_t x;
    std::int32_t y;
    std::int32_t width;
    std::int32_t height;
    bool stretched;
};

// The picture belongs to the primary display; the cover's top-left corner
// lies at (coverLeft, coverTop) in screen coordinates. Stretched, it fills
// the primary display (a bitmap already of that size is copied as it is);
// otherwise it keeps the bitmap's own size, its top-left corner at
// (pictureX, pictureY) in screen coordinates.
PicturePlacement PlaceCoverPicture(const DisplayRect& primary, std::int32_t coverLeft,
                                   std::int32_t coverTop, bool stretch, std::int32_t pictureX,
                                   std::int32_t pictureY, std::int32_t bitmapWidth,
                                   std::int32_t bitmapHeight);

// The COLORREF layout 0x00BBGGRR from the low byte of each component: higher
// bits are dropped, not clamped (300 paints as 44, -1 as 255).
std::uint32_t CoverFillColor(std::int32_t red, std::int32_t green, std::int32_t blue);
