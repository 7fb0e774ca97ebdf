// The displays as the program last read them: their rectangles in screen
// coordinates and which one is the primary display (always at 0, 0). No
// platform types, so that decisions about them can be tested natively.
#pragma once

#include <cstdint>

struct DisplayRect {
    std::int32_t left;
    std::int32_t top;
    std::int32_t right;   // exclusive
    std::int32_t bottom;  // exclusive
};

// More than any desk has; displays past this many are not looked at.
constexpr int MAX_DISPLAYS = 16;

struct DisplayLayout {
    DisplayRect displays[MAX_DISPLAYS];
    std::int32_t count;
    std::int32_t primary;  // index into displays
};
