#include "capture/capture_area.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <utility>

namespace {

std::string Clipped(DisplayRect area, const DisplayRect& screen)
{
    if (!ClipCaptureArea(area, screen))
        return "nothing";
    return std::to_string(area.left) + "," + std::to_string(area.top) + "-" +
           std::to_string(area.right) + "," + std::to_string(area.bottom);
}

TEST(CaptureAreaTest, ClippedToTheScreenAroundEveryDisplay)
{
    // A display left of the primary one: the screen starts at -800.
    const DisplayRect screen = {-800, 0, 1024, 768};
    const std::pair<DisplayRect, const char*> cases[] = {
        {{100, 100, 500, 400}, "100,100-500,400"},
        {{-900, -50, -700, 100}, "-800,0--700,100"},   // off the left and top
        {{900, 700, 1200, 900}, "900,700-1024,768"},   // off the right and bottom
        {{-2000, -2000, 3000, 3000}, "-800,0-1024,768"},
        {{1024, 0, 1500, 400}, "nothing"},             // wholly right of it
        {{0, 768, 400, 900}, "nothing"},               // wholly below it
        {{100, 100, 100, 400}, "nothing"},             // minimised: empty
        {{500, 100, 100, 400}, "nothing"},             // upside down
        {{INT_MIN, INT_MIN, INT_MAX, INT_MAX}, "-800,0-1024,768"},
    };
    for (const auto& [area, expected] : cases)
        EXPECT_EQ(Clipped(area, screen), expected)
            << area.left << "," << area.top << "-" << area.right << "," << area.bottom;
}

} // namespace
