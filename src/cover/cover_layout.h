// Where the cover and the unstretched picture sit when the cover is shown,
// and the cover's fill colour. No platform calls: plain integers in, plain
// integers out.
#pragma once

#include "core/display_layout.h"

#include <cstdint>

// The smallest rectangle holding every display of `layout`, which is the
// virtual screen; all zero when there is none.
DisplayRect DisplaysBoundingBox(const DisplayLayout& layout);

// Left (or top) edge that centres a picture `pictureExtent` pixels wide (or
// high) on a desktop `desktopExtent` pixels wide: half the difference, rounded
// toward negative infinity, so an oversized picture is cropped evenly.
std::int32_t CentredPictureOrigin(std::int32_t desktopExtent, std::int32_t pictureExtent);

// The COLORREF layout 0x00BBGGRR from the low byte of each component: higher
// bits are dropped, not clamped (300 paints as 44, -1 as 255).
std::uint32_t CoverFillColor(std::int32_t red, std::int32_t green, std::int32_t blue);
