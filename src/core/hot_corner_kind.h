// Which corner of the screen shows the cover when the pointer rests in it.
// The numbers are those the preference file stores.
#pragma once

#include <cstdint>

enum HotCorner : std::int32_t {
    HOT_CORNER_OFF = 0,
    HOT_CORNER_TOP_LEFT = 1,
    HOT_CORNER_TOP_RIGHT = 2,
    HOT_CORNER_BOTTOM_LEFT = 3,
    HOT_CORNER_BOTTOM_RIGHT = 4,
};
