// The displays as the program last read them: their rectangles in screen
// coordinates and which one is the primary display (always at 0, 0). No
// platform types, so that decisions about them can be tested natively.
// On a desk with more displays than the record holds, it keeps those that
// decide something (see AddDisplayToLayout).
#pragma once

#include <cstdint>

struct DisplayRect {
    std::int32_t left;
    std::int32_t top;
    std::int32_t right;   // exclusive
    std::int32_t bottom;  // exclusive
};

// More than any desk has, and more than the nine displays that can decide
// something: the primary, the outermost one on each side, and the one
// farthest towards each corner.
constexpr int MAX_DISPLAYS = 16;

struct DisplayLayout {
    DisplayRect displays[MAX_DISPLAYS];
    std::int32_t count;    // displays held
    std::int32_t primary;  // index into displays; -1 while none was seen
};
