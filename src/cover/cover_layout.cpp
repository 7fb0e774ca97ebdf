#include "cover_layout.h"

#include <algorithm>

#include "hot_corner.h"

namespace {

static_assert(MAX_DISPLAYS > 9, "room for the nine displays that decide something, and one more");

// True for the primary display, the first one at an edge of the bounding
// box, and the display of a hot corner.
bool DecidesSomething(const DisplayLayout& layout, std::int32_t index)
{
    if (index == layout.primary)
        return true;
    for (std::int32_t corner = HOT_CORNER_TOP_LEFT; corner <= HOT_CORNER_BOTTOM_RIGHT; ++corner)
        if (HotCornerDisplay(corner, layout) == index)
            return true;
    const DisplayRect box = DisplaysBoundingBox(layout);
    const auto firstAtEdge = [&](std::int32_t DisplayRect::*edge) {
        if (layout.displays[index].*edge != box.*edge)
            return false;
        for (std::int32_t i = 0; i < index; ++i)
            if (layout.displays[i].*edge == box.*edge)
                return false;
        return true;
    };
    return firstAtEdge(&DisplayRect::left) || firstAtEdge(&DisplayRect::top) ||
           firstAtEdge(&DisplayRect::right) || firstAtEdge(&DisplayRect::bottom);
}

void AppendDisplay(DisplayLayout& layout, const DisplayRect& display, bool isPrimary)
{
    if (isPrimary)
        layout.primary = layout.count;
    layout.displays[layout.count++] = display;
}

} // namespace

void AddDisplayToLayout(DisplayLayout& layout, const DisplayRect& display, bool isPrimary)
{
    if (layout.count < MAX_DISPLAYS) {
        AppendDisplay(layout, display, isPrimary);
        return;
    }
    // Full. At most nine displays decide something, so one held display
    // decides nothing: dropping it changes no decision, and the order of the
    // others, which settles ties, stays. The new one stays if it decides
    // something in its turn.
    const DisplayLayout before = layout;
    std::int32_t dropped = 0;
    while (DecidesSomething(layout, dropped))
        ++dropped;
    std::copy(layout.displays + dropped + 1, layout.displays + layout.count,
              layout.displays + dropped);
    --layout.count;
    if (layout.primary > dropped)
        --layout.primary;
    AppendDisplay(layout, display, isPrimary);
    if (!DecidesSomething(layout, layout.count - 1))
        layout = before;
}

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

PicturePlacement PlaceCoverPicture(const DisplayRect& primary, std::int32_t coverLeft,
                                   std::int32_t coverTop, bool stretch, std::int32_t pictureX,
                                   std::int32_t pictureY, std::int32_t bitmapWidth,
                                   std::int32_t bitmapHeight)
{
    if (!stretch)
        return {pictureX - coverLeft, pictureY - coverTop, bitmapWidth, bitmapHeight, false};
    const std::int32_t width = primary.right - primary.left;
    const std::int32_t height = primary.bottom - primary.top;
    return {primary.left - coverLeft, primary.top - coverTop, width, height,
            width != bitmapWidth || height != bitmapHeight};
}

std::uint32_t CoverFillColor(std::int32_t red, std::int32_t green, std::int32_t blue)
{
    const std::uint32_t r = static_cast<std::uint32_t>(red) & 0xFFu;
    const std::uint32_t g = static_cast<std::uint32_t>(green) & 0xFFu;
    const std::uint32_t b = static_cast<std::uint32_t>(blue) & 0xFFu;
    return r | (g << 8) | (b << 16);
}
