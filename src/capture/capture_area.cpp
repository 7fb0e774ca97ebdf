#include "capture_area.h"

#include <algorithm>

bool ClipCaptureArea(DisplayRect& area, const DisplayRect& screen)
{
    if (area.right <= area.left || area.bottom <= area.top)
        return false;
    area.left = std::max(area.left, screen.left);
    area.top = std::max(area.top, screen.top);
    area.right = std::min(area.right, screen.right);
    area.bottom = std::min(area.bottom, screen.bottom);
    return area.right > area.left && area.bottom > area.top;
}
