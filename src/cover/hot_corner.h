// The hot-corner decisions: whether the pointer lies in the chosen corner and
// whether it has rested there long enough. No platform calls, so the rules can
// be tested natively; the caller supplies the screen size, pointer and ticks.
#pragma once

#include <cstdint>

#include "core/display_layout.h"
#include "core/hot_corner_kind.h"

// Width of the band at the right and bottom edges that counts as the corner.
// At the top and left the corner is the screen edge itself (0 or less).
constexpr std::int32_t HOT_CORNER_BAND = 10;

// True when (x, y) lies in `corner` of a desktop `width` by `height` pixels.
// Coordinates may be negative or beyond the desktop where other monitors lie.
// Corner 0 or an unknown value is never hot.
bool IsPointerInHotCorner(std::int32_t corner, std::int32_t x, std::int32_t y,
                          std::int32_t width, std::int32_t height);

// Milliseconds from `lastOutsideTick` to `now`, taken modulo 2^32 and read as
// a signed number, so that a tick count that wrapped is bridged and a gap of
// 2^31 ms or more reads as negative.
std::int32_t ElapsedTicks(std::uint32_t now, std::uint32_t lastOutsideTick);

// True when the pointer, seen outside the corner last at `lastOutsideTick`,
// has rested in it for at least `delay` milliseconds by `now`.
bool HasDweltLongEnough(std::uint32_t now, std::uint32_t lastOutsideTick,
                        std::int32_t delay);

// With several displays the hot corner is that corner of the display lying
// farthest in its direction, so that the pointer only gets there on purpose
// and never on its way across an inner corner between two displays. The
// index of that display: for bottom-right the largest x + y of the corner,
// for top-left the smallest, for top-right the largest x - y, for
// bottom-left the largest y - x; a tie goes to the primary display, else to
// the first found. -1 when the corner is off or there is no display.
std::int32_t HotCornerDisplay(std::int32_t corner, const DisplayLayout& layout);

// True when (x, y) lies on `display` and in its `corner`, the band measured
// from that display's own edges.
bool IsPointerInHotCornerOf(std::int32_t corner, std::int32_t x, std::int32_t y,
                            const DisplayRect& display);
