// Several displays, laid out with xrandr on Xorg's dummy driver and seen by
// Wine without a virtual desktop.
#include "toolkit/toolkit.h"

#include "cover/hot_corner.h"

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr COLORREF COVER_COLOR = RGB(12, 34, 56);
constexpr COLORREF WINDOW_COLOR = RGB(200, 100, 50);
// The picture's quadrants, none of them the cover colour.
constexpr COLORREF QUADRANTS[2][2] = {{RGB(255, 0, 0), RGB(0, 0, 255)},
                                      {RGB(255, 255, 0), RGB(255, 255, 255)}};
constexpr int HOT_CORNER_DELAY = 300;  // ms

// The primary display is DUMMY0 at 1024x768 in every layout.
constexpr RECT PRIMARY = {0, 0, 1024, 768};
// Where the 200x150 picture lies when centred on it.
constexpr RECT CENTRED_PICTURE = {412, 309, 612, 459};

struct Layout {
    const char* name;
    RECT second;       // DUMMY1 in screen coordinates; empty: the primary alone
    RECT spanning;     // a window across the edge the two displays share
    int corner;        // a hot corner to try
    bool farOnSecond;  // whether that corner lies on DUMMY1
};

constexpr Layout ONE_DISPLAY = {"one display", {}, {}, 0, false};

// Each has a corner of the bounding box that no display shows (the tall one below the primary).
const Layout LAYOUTS[] = {
    {"right", {1024, 0, 1824, 600}, {924, 100, 1124, 250}, HOT_CORNER_BOTTOM_RIGHT, true},
    {"left", {-800, 0, 0, 600}, {-100, 100, 100, 250}, HOT_CORNER_TOP_LEFT, true},
    {"above", {0, -600, 800, 0}, {100, -75, 300, 75}, HOT_CORNER_BOTTOM_LEFT, false},
    {"tall, right", {1024, 0, 2304, 1024}, {924, 300, 1124, 450}, HOT_CORNER_TOP_RIGHT, true},
};

enum class Picture { NONE, CENTRED, STRETCHED };

std::string Text(const RECT& r)
{
    return std::to_string(r.left) + "," + std::to_string(r.top) + "-" + std::to_string(r.right) +
           "," + std::to_string(r.bottom);
}

// "AxB", as xrandr takes sizes and positions; sizes are compared in it too.
std::string XrandrPair(LONG a, LONG b)
{
    return std::to_string(a) + "x" + std::to_string(b);
}

std::string Size(const RECT& r)
{
    return XrandrPair(r.right - r.left, r.bottom - r.top);
}

// The displays as Windows reports them, the primary first.
std::string Displays()
{
    std::string text;
    EnumDisplayMonitors(nullptr, nullptr, [](HMONITOR, HDC, LPRECT area, LPARAM list) {
        std::string& displays = *reinterpret_cast<std::string*>(list);
        const bool primary = area->left == 0 && area->top == 0;
        displays = primary ? Text(*area) + " " + displays : displays + Text(*area) + " ";
        return TRUE;
    }, reinterpret_cast<LPARAM>(&text));
    return text;
}

// X counts from the bounding box's top-left corner, Windows from the primary
// display's. The last plain query makes the layout final for the next Wine process.
::testing::AssertionResult SetLayout(const Layout& layout)
{
    const RECT& second = layout.second;
    const LONG x = std::max<LONG>(0, -second.left), y = std::max<LONG>(0, -second.top);
    std::string command =
        "xrandr --output DUMMY0 --mode 1024x768 --primary --pos " + XrandrPair(x, y);
    if (IsRectEmpty(&second))
        command += " --output DUMMY1 --off";
    else
        command = "xrandr --addmode DUMMY1 " + Size(second) + " && " + command +
                  " --output DUMMY1 --mode " + Size(second) + " --pos " +
                  XrandrPair(second.left + x, second.top + y);
    if (!RunUnixCommand(command + " && xrandr >/dev/null"))
        return ::testing::AssertionFailure() << "xrandr failed: " << command;
    const std::string expected =
        Text(PRIMARY) + " " + (IsRectEmpty(&second) ? "" : Text(second) + " ");
    if (!WaitUntil([&] { return Displays() == expected; }, 10000))
        return ::testing::AssertionFailure()
               << layout.name << ": Windows reports " << Displays() << "instead of " << expected;
    return ::testing::AssertionSuccess();
}

// Wine 8 tells no window of a layout that xrandr changed, as Windows would.
bool TellDisplayChange(HWND window, int width, int height)
{
    return SendMessageTimeoutW(window, WM_DISPLAYCHANGE, ScreenBits(), MAKELPARAM(width, height),
                               SMTO_ABORTIFHUNG, 5000, nullptr) != 0;
}

RECT VirtualScreen()
{
    const int x = GetSystemMetrics(SM_XVIRTUALSCREEN), y = GetSystemMetrics(SM_YVIRTUALSCREEN);
    return {x, y, x + GetSystemMetrics(SM_CXVIRTUALSCREEN),
            y + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

POINT Corner(const RECT& r, bool bottom, bool right)
{
    return {right ? r.right - 1 : r.left, bottom ? r.bottom - 1 : r.top};
}

// The outermost pixel of a hot corner: inside its band on every side.
POINT CornerPixel(int corner, const RECT& display)
{
    return Corner(display, corner == HOT_CORNER_BOTTOM_LEFT || corner == HOT_CORNER_BOTTOM_RIGHT,
                  corner == HOT_CORNER_TOP_RIGHT || corner == HOT_CORNER_BOTTOM_RIGHT);
}

struct Spot { POINT at; COLORREF color; };

// Each quadrant's outer corner and centre, in the picture's colours or the cover's.
void AddQuadrants(std::vector<Spot>& spots, const RECT& area, bool picture)
{
    const int w = area.right - area.left, h = area.bottom - area.top;
    for (int row = 0; row < 2; ++row)
        for (int column = 0; column < 2; ++column) {
            const COLORREF color = picture ? QUADRANTS[row][column] : COVER_COLOR;
            spots.push_back({Corner(area, row == 1, column == 1), color});
            spots.push_back(
                {{area.left + w / 4 + column * w / 2, area.top + h / 4 + row * h / 2}, color});
        }
}

void ExpectSpots(const std::vector<Spot>& spots)
{
    std::string wrong;
    WaitUntil([&] {
        wrong.clear();
        for (const Spot& spot : spots) {
            const COLORREF seen = ScreenPixel(spot.at.x, spot.at.y);
            if (seen != spot.color)
                wrong += " (" + std::to_string(spot.at.x) + "," + std::to_string(spot.at.y) +
                         ") is " + Rgb(seen) + ", not " + Rgb(spot.color) + ";";
        }
        return wrong.empty();
    }, 10000);
    EXPECT_EQ(wrong, "");
}

// The cover spans the virtual screen in its colour, the picture on the primary display.
void ExpectCoverShows(HWND cover, const Layout& layout, Picture picture)
{
    std::vector<Spot> spots;
    AddQuadrants(spots, PRIMARY, picture == Picture::STRETCHED);
    if (picture == Picture::CENTRED)
        AddQuadrants(spots, CENTRED_PICTURE, true);
    if (!IsRectEmpty(&layout.second))
        AddQuadrants(spots, layout.second, false);
    ExpectSpots(spots);
    RECT placed = {};
    GetWindowRect(cover, &placed);
    EXPECT_EQ(Text(placed), Text(VirtualScreen())) << "the cover's rectangle";
}

class MultiDisplay : public FreshFolderTest {
protected:
    void SetUp() override
    {
        FreshFolderTest::SetUp();
        ASSERT_TRUE(RunUnixCommand("xrandr | grep -q '^DUMMY1 '"))
            << "needs Xorg's dummy outputs and Wine without a virtual desktop (scripts/test)";
        picture = MakePicture("multi_quadrants.bmp", "-size 100x75 xc:red xc:blue +append "
                              "\\( -size 100x75 xc:yellow xc:white +append \\) -append");
        ASSERT_FALSE(picture.empty());
    }

    // Starts `process` with the picture drawn as `mode`, and the hot corner.
    ::testing::AssertionResult Launch(DusklidProcess& process, Picture mode = Picture::NONE,
                                      int corner = 0)
    {
        const std::string path = ShiftJis(mode == Picture::NONE ? L"" : picture);
        const char stretch = mode == Picture::STRETCHED ? '1' : '0';
        return Start(process, PreferenceBytes(PreferenceFields().Color(COVER_COLOR).Picture(path)
                                                  .Stretch(stretch).Corner(char('0' + corner))
                                                  .Delay(std::to_string(HOT_CORNER_DELAY))
                                                  .Folder(ShiftJis(workDir))));
    }

    std::wstring picture;  // four quadrants of QUADRANTS' colours
};

} // namespace

TEST_F(MultiDisplay, CoverFillsEveryDisplayWithThePictureOnThePrimaryOnly)
{
    // The cover colour alone: see the hot-corner and layout-change tests.
    for (const Layout& layout : LAYOUTS) {
        ASSERT_TRUE(SetLayout(layout));
        for (const Picture mode : {Picture::CENTRED, Picture::STRETCHED}) {
            SCOPED_TRACE(std::string(layout.name) +
                         (mode == Picture::CENTRED ? ", centred" : ", stretched"));
            DusklidProcess program;
            ASSERT_TRUE(Launch(program, mode));
            ASSERT_TRUE(ShowCoverByHotKey(cover));
            ExpectCoverShows(cover, layout, mode);
        }
    }
}

TEST_F(MultiDisplay, DesktopCaptureHoldsEveryDisplayAsTheScreenShowsIt)
{
    for (const Layout& layout : LAYOUTS) {
        SCOPED_TRACE(layout.name);
        ASSERT_TRUE(SetLayout(layout));
        DusklidProcess program;
        ASSERT_TRUE(Launch(program, Picture::CENTRED));
        ASSERT_TRUE(ShowCoverByHotKey(cover));
        ExpectCoverShows(cover, layout, Picture::CENTRED);

        DeleteBitmaps(workDir);
        PressHotKey(HOTKEY_CAPTURE_SCREEN);
        const BitmapFile file = ReadTheCapture(workDir);
        ASSERT_EQ(file.problem, "");
        EXPECT_EQ(XrandrPair(file.width, file.height), Size(VirtualScreen()));
        EXPECT_EQ(file.bits, ScreenBits());
        // X keeps what the cover drew where no display is, so every pixel compares.
        EXPECT_EQ(DifferencesFromScreen(file, GrabScreen(VirtualScreen()),
                                        std::equal_to<COLORREF>()), "");
    }
}

TEST_F(MultiDisplay, WindowCaptureTakesAWindowOnTheSecondDisplayOrAcrossBoth)
{
    for (const Layout& layout : LAYOUTS) {
        SCOPED_TRACE(layout.name);
        ASSERT_TRUE(SetLayout(layout));
        DusklidProcess program;
        ASSERT_TRUE(Launch(program));
        const LONG x = (layout.second.left + layout.second.right) / 2,
                   y = (layout.second.top + layout.second.bottom) / 2;
        for (const RECT& area : {RECT{x - 150, y - 100, x + 150, y + 100}, layout.spanning}) {
            SCOPED_TRACE("window at " + Text(area));
            ColorWindow front(WINDOW_COLOR, area);
            ASSERT_TRUE(WaitForeground(front.window));
            ASSERT_TRUE(WaitForPixel(area.left + 1, area.top + 1, WINDOW_COLOR) &&
                        WaitForPixel(area.right - 2, area.bottom - 2, WINDOW_COLOR));
            DeleteBitmaps(workDir);
            PressHotKey(HOTKEY_CAPTURE_WINDOW);
            const BitmapFile file = ReadTheCapture(workDir);
            ASSERT_EQ(file.problem, "");
            EXPECT_EQ(XrandrPair(file.width, file.height), Size(area));
            EXPECT_EQ(DifferencesFromColor(file, WINDOW_COLOR), "");
        }
    }
}

TEST_F(MultiDisplay, HotCornerFiresOnlyInTheCornerOfTheFarthestDisplay)
{
    for (const Layout& layout : LAYOUTS) {
        SCOPED_TRACE(layout.name);
        ASSERT_TRUE(SetLayout(layout));
        ASSERT_TRUE(MovePointer(PRIMARY.right / 2, PRIMARY.bottom / 2));
        DusklidProcess program;
        ASSERT_TRUE(Launch(program, Picture::NONE, layout.corner));
        const auto hidden = [&] { return !IsWindowVisible(cover); };
        const RECT& farDisplay = layout.farOnSecond ? layout.second : PRIMARY;
        const POINT hot = CornerPixel(layout.corner, farDisplay);
        const POINT beside = {hot.x == farDisplay.left ? hot.x + 1 : hot.x - HOT_CORNER_BAND - 1,
                              hot.y};

        // Resting shows nothing in the other display's same corner, passed on the
        // way between displays, nor just beside the far corner's band.
        for (const POINT at :
             {CornerPixel(layout.corner, layout.farOnSecond ? PRIMARY : layout.second), beside}) {
            ASSERT_TRUE(MovePointer(at.x, at.y));
            ASSERT_TRUE(StaysTrue(hidden, HOT_CORNER_DELAY + 1000))
                << "the cover showed with the pointer at " << at.x << "," << at.y;
        }
        ASSERT_TRUE(MovePointer(hot.x, hot.y));
        EXPECT_TRUE(WaitUntil([&] { return !hidden(); }, HOT_CORNER_DELAY + 5000));
        ExpectCoverShows(cover, layout, Picture::NONE);
    }
}

TEST_F(MultiDisplay, ShownCoverFollowsALayoutChange)
{
    ASSERT_TRUE(SetLayout(ONE_DISPLAY));
    DusklidProcess program;
    ASSERT_TRUE(Launch(program));
    ASSERT_TRUE(ShowCoverByHotKey(cover));
    ExpectCoverShows(cover, ONE_DISPLAY, Picture::NONE);

    // Displays added, moved to negative coordinates, resized, and removed.
    std::vector<Layout> steps(std::begin(LAYOUTS), std::end(LAYOUTS));
    steps.push_back(ONE_DISPLAY);
    for (const Layout& layout : steps) {
        SCOPED_TRACE(layout.name);
        ASSERT_TRUE(SetLayout(layout));
        ASSERT_TRUE(TellDisplayChange(cover, PRIMARY.right, PRIMARY.bottom));
        EXPECT_TRUE(IsWindowVisible(cover));
        ExpectCoverShows(cover, layout, Picture::NONE);
    }
}

TEST_F(MultiDisplay, StretchedPictureFollowsAResizedPrimaryDisplay)
{
    ASSERT_TRUE(SetLayout(ONE_DISPLAY));
    DusklidProcess program;
    ASSERT_TRUE(Launch(program, Picture::STRETCHED));
    ASSERT_TRUE(ShowCoverByHotKey(cover));
    ExpectCoverShows(cover, ONE_DISPLAY, Picture::STRETCHED);

    // The primary display shrinks to 800x600 while the cover is shown.
    ASSERT_TRUE(RunUnixCommand("xrandr --addmode DUMMY0 800x600 && "
                               "xrandr --output DUMMY0 --mode 800x600 && xrandr >/dev/null"));
    ASSERT_TRUE(WaitUntil([] { return Displays() == "0,0-800,600 "; }, 10000)) << Displays();
    ASSERT_TRUE(TellDisplayChange(cover, 800, 600));
    // Between (400, 300) and (512, 384) a picture stretched for the old size shows other quadrants.
    std::vector<Spot> spots = {{{456, 150}, QUADRANTS[0][1]}, {{200, 342}, QUADRANTS[1][0]},
                               {{456, 342}, QUADRANTS[1][1]}};
    AddQuadrants(spots, RECT{0, 0, 800, 600}, true);
    ExpectSpots(spots);
    EXPECT_TRUE(SetLayout(ONE_DISPLAY));
}
