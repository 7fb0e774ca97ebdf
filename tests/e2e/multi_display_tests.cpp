// Several displays, laid out by the driver with xrandr on an X server with
// the dummy driver, Wine without a virtual desktop: the cover on every
// display with the picture on the primary one, captures of every display and
// across them, the hot corner of the farthest display, and a layout change
// while the cover is shown.
#include "toolkit/toolkit.h"

#include "cover/hot_corner.h"
#include "toolkit/bitmap_file.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

constexpr COLORREF COVER_COLOUR = RGB(12, 34, 56);
constexpr COLORREF WINDOW_COLOUR = RGB(200, 100, 50);
// The picture's quadrants, none of them the cover colour.
constexpr COLORREF QUADRANTS[2][2] = {{RGB(255, 0, 0), RGB(0, 0, 255)},
                                      {RGB(255, 255, 0), RGB(255, 255, 255)}};
constexpr int PICTURE_WIDTH = 200;
constexpr int PICTURE_HEIGHT = 150;
constexpr int HOT_CORNER_DELAY = 300;  // ms

// The primary display is DUMMY0 at 1024x768 in every layout.
constexpr RECT PRIMARY = {0, 0, 1024, 768};

struct Layout {
    const char* name;
    RECT second;       // DUMMY1 in screen coordinates; empty: the primary alone
    RECT spanning;     // a window across the edge the two displays share
    int corner;        // a hot corner to try
    bool farOnSecond;  // whether that corner lies on DUMMY1
};

constexpr Layout ONE_DISPLAY = {"one display", {}, {}, 0, false};

// Every layout has a corner of the bounding box that no display shows; the
// tall one has it below the primary display.
const Layout LAYOUTS[] = {
    {"right", {1024, 0, 1824, 600}, {924, 100, 1124, 250}, HOT_CORNER_BOTTOM_RIGHT, true},
    {"left", {-800, 0, 0, 600}, {-100, 100, 100, 250}, HOT_CORNER_TOP_LEFT, true},
    {"above", {0, -600, 800, 0}, {100, -75, 300, 75}, HOT_CORNER_BOTTOM_LEFT, false},
    {"tall, right", {1024, 0, 2304, 1024}, {924, 300, 1124, 450}, HOT_CORNER_TOP_RIGHT, true},
};

std::string Text(const RECT& r)
{
    return std::to_string(r.left) + "," + std::to_string(r.top) + "-" + std::to_string(r.right) +
           "," + std::to_string(r.bottom);
}

std::vector<RECT> DisplaysOf(const Layout& layout)
{
    if (IsRectEmpty(&layout.second))
        return {PRIMARY};
    return {PRIMARY, layout.second};
}

std::string Text(const std::vector<RECT>& displays)
{
    std::string text;
    for (const RECT& display : displays)
        text += Text(display) + " ";
    return text;
}

// The displays as Windows reports them, the primary first, as text.
std::string Displays()
{
    std::vector<RECT> displays;
    EnumDisplayMonitors(
        nullptr, nullptr,
        [](HMONITOR, HDC, LPRECT area, LPARAM list) {
            reinterpret_cast<std::vector<RECT>*>(list)->push_back(*area);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&displays));
    std::stable_partition(displays.begin(), displays.end(),
                          [](const RECT& r) { return r.left == 0 && r.top == 0; });
    return Text(displays);
}

RECT VirtualScreen()
{
    const int left = GetSystemMetrics(SM_XVIRTUALSCREEN);
    const int top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    return {left, top, left + GetSystemMetrics(SM_CXVIRTUALSCREEN),
            top + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

std::string XPosition(LONG x, LONG y)
{
    return " --pos " + std::to_string(x) + "x" + std::to_string(y);
}

// Lays the outputs out and waits until Windows reports that layout. X
// counts from the bounding box's top-left corner, Windows from the primary
// display's. The last plain query makes the server's state final for the
// next Wine process.
::testing::AssertionResult SetLayout(const Layout& layout)
{
    const RECT& second = layout.second;
    const POINT primaryAt = {std::max<LONG>(0, -second.left), std::max<LONG>(0, -second.top)};
    std::string command = "xrandr --output DUMMY0 --mode 1024x768 --primary" +
                          XPosition(primaryAt.x, primaryAt.y);
    if (IsRectEmpty(&second)) {
        command += " --output DUMMY1 --off";
    } else {
        const std::string mode = std::to_string(second.right - second.left) + "x" +
                                 std::to_string(second.bottom - second.top);
        command = "xrandr --addmode DUMMY1 " + mode + " && " + command + " --output DUMMY1 --mode " +
                  mode + XPosition(second.left + primaryAt.x, second.top + primaryAt.y);
    }
    if (!RunUnixCommand(command + " && xrandr >/dev/null"))
        return ::testing::AssertionFailure() << "xrandr failed: " << command;
    const std::string expected = Text(DisplaysOf(layout));
    if (!WaitUntil([&] { return Displays() == expected; }, 10000))
        return ::testing::AssertionFailure()
               << layout.name << ": Windows reports " << Displays() << "instead of " << expected;
    return ::testing::AssertionSuccess();
}

// X's root window starts at the virtual screen's top-left corner.
bool MoveTo(POINT at)
{
    const RECT screen = VirtualScreen();
    if (!Xdo("mousemove " + std::to_string(at.x - screen.left) + " " +
             std::to_string(at.y - screen.top)))
        return false;
    return WaitUntil([&] {
        POINT now = {};
        return GetCursorPos(&now) && now.x == at.x && now.y == at.y;
    }, 3000);
}

bool Equal(COLORREF a, COLORREF b)
{
    return a == b;
}

// ---- what the screen must show ------------------------------------------------

struct Spot {
    POINT at;
    COLORREF colour;
};

enum class Picture { NONE, CENTRED, STRETCHED };

POINT Centre(const RECT& r)
{
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// The outermost pixel of a corner of `r`.
POINT Corner(const RECT& r, bool bottom, bool right)
{
    return {right ? r.right - 1 : r.left, bottom ? r.bottom - 1 : r.top};
}

// The centre of each quadrant of the picture drawn over `area`.
std::vector<Spot> QuadrantCentres(const RECT& area)
{
    const int w = area.right - area.left;
    const int h = area.bottom - area.top;
    std::vector<Spot> spots;
    for (int row = 0; row < 2; ++row)
        for (int column = 0; column < 2; ++column)
            spots.push_back({{area.left + w / 4 + column * w / 2, area.top + h / 4 + row * h / 2},
                             QUADRANTS[row][column]});
    return spots;
}

// The cover colour at the corners and centre of every display, but on the
// primary one where the picture lies: centred, with the cover colour at the
// display's corners, or stretched, with the picture's corners there.
std::vector<Spot> CoverSpots(const Layout& layout, Picture picture)
{
    std::vector<Spot> spots;
    for (const RECT& display : DisplaysOf(layout)) {
        const bool withPicture = EqualRect(&display, &PRIMARY) && picture != Picture::NONE;
        for (int row = 0; row < 2; ++row)
            for (int column = 0; column < 2; ++column)
                spots.push_back({Corner(display, row == 1, column == 1),
                                 picture == Picture::STRETCHED && withPicture ? QUADRANTS[row][column]
                                                                            : COVER_COLOUR});
        if (!withPicture)
            spots.push_back({Centre(display), COVER_COLOUR});
    }
    RECT drawn = PRIMARY;
    if (picture == Picture::CENTRED) {
        const int left = (PRIMARY.right - PICTURE_WIDTH) / 2;
        const int top = (PRIMARY.bottom - PICTURE_HEIGHT) / 2;
        drawn = {left, top, left + PICTURE_WIDTH, top + PICTURE_HEIGHT};
    }
    if (picture != Picture::NONE) {
        const std::vector<Spot> quadrants = QuadrantCentres(drawn);
        spots.insert(spots.end(), quadrants.begin(), quadrants.end());
    }
    return spots;
}

std::string WrongSpots(const std::vector<Spot>& spots)
{
    std::string wrong;
    for (const Spot& spot : spots) {
        const COLORREF seen = ScreenPixel(spot.at.x, spot.at.y);
        if (seen != spot.colour)
            wrong += " (" + std::to_string(spot.at.x) + "," + std::to_string(spot.at.y) + ") is " +
                     Rgb(seen) + ", not " + Rgb(spot.colour) + ";";
    }
    return wrong;
}

// Waits for the screen to show `spots` and the cover to lie over the whole
// virtual screen.
void ExpectCoverShows(HWND cover, const std::vector<Spot>& spots, const std::string& what)
{
    WaitUntil([&] { return WrongSpots(spots).empty(); }, 10000);
    EXPECT_EQ(WrongSpots(spots), "") << what;
    RECT placed = {};
    GetWindowRect(cover, &placed);
    EXPECT_EQ(Text(placed), Text(VirtualScreen())) << what << ": the cover's rectangle";
}

// ---- the program -----------------------------------------------------------------

class MultiDisplay : public FreshFolderTest {
protected:
    void SetUp() override
    {
        FreshFolderTest::SetUp();
        ASSERT_TRUE(RunUnixCommand("xrandr | grep -q '^DUMMY1 '"))
            << "these tests lay out the outputs DUMMY0 and DUMMY1 of an X server with the dummy "
               "driver, and need Wine without a virtual desktop (scripts/test starts both)";
        shots = workDir + L"\\shots";
        CreateDirectoryW(shots.c_str(), nullptr);
    }

    // Starts a copy with the cover colour, `picture` (a Windows path, may be
    // empty), the hot corner and captures into `shots`.
    ::testing::AssertionResult Launch(DusklidProcess& process, const std::wstring& picture = L"",
                                      Picture mode = Picture::NONE, int corner = 0)
    {
        const std::string preferences = PreferenceBytes(
            GetRValue(COVER_COLOUR), GetGValue(COVER_COLOUR), GetBValue(COVER_COLOUR),
            ShiftJis(picture), mode == Picture::STRETCHED ? '1' : '0',
            static_cast<char>('0' + corner), std::to_string(HOT_CORNER_DELAY), ShiftJis(shots));
        if (!WriteFileBytes(PreferencePath(workDir), preferences) ||
            !StartDusklidAndWait(process, workDir))
            return ::testing::AssertionFailure() << "dusklid.exe did not start";
        return ::testing::AssertionSuccess();
    }

    std::wstring QuadrantPicture()
    {
        const std::string half = std::to_string(PICTURE_WIDTH / 2) + "x" +
                                 std::to_string(PICTURE_HEIGHT / 2);
        return MakePicture("multi_quadrants.bmp",
                           "-size " + half + " xc:red xc:blue +append \\( -size " + half +
                               " xc:yellow xc:white +append \\) -append");
    }

    // Presses `hotKey` and reads the one capture it leaves in `shots`.
    BitmapFile Capture(int hotKey)
    {
        DeleteBitmaps(shots);
        PressHotKey(hotKey);
        const std::vector<std::wstring> names = WaitForCaptures(shots, 1);
        if (names.size() != 1) {
            BitmapFile none;
            none.problem = std::to_string(names.size()) + " files written";
            return none;
        }
        return ReadBitmapFile(shots + L"\\" + names[0]);
    }

    std::wstring shots;
};

} // namespace

TEST_F(MultiDisplay, CoverFillsEveryDisplayWithThePictureOnThePrimaryOnly)
{
    const std::wstring picture = QuadrantPicture();
    ASSERT_FALSE(picture.empty());
    for (const Layout& layout : LAYOUTS) {
        ASSERT_TRUE(SetLayout(layout));
        // The cover colour alone is seen in the tests of the hot corner and
        // of a layout change.
        for (const Picture mode : {Picture::CENTRED, Picture::STRETCHED}) {
            const std::string what = std::string(layout.name) +
                                     (mode == Picture::CENTRED ? ", centred" : ", stretched");
            DusklidProcess program;
            ASSERT_TRUE(Launch(program, picture, mode));
            HWND coverWindow = FindCoverWindow();
            ASSERT_TRUE(ShowCoverByHotKey(coverWindow)) << what;
            ExpectCoverShows(coverWindow, CoverSpots(layout, mode), what);
        }
    }
}

TEST_F(MultiDisplay, DesktopCaptureHoldsEveryDisplayAsTheScreenShowsIt)
{
    const std::wstring picture = QuadrantPicture();
    ASSERT_FALSE(picture.empty());
    for (const Layout& layout : LAYOUTS) {
        ASSERT_TRUE(SetLayout(layout));
        DusklidProcess program;
        ASSERT_TRUE(Launch(program, picture, Picture::CENTRED));
        HWND coverWindow = FindCoverWindow();
        ASSERT_TRUE(ShowCoverByHotKey(coverWindow));
        ExpectCoverShows(coverWindow, CoverSpots(layout, Picture::CENTRED), layout.name);

        const BitmapFile file = Capture(HOTKEY_CAPTURE_SCREEN);
        ASSERT_EQ(file.problem, "") << layout.name;
        const RECT screen = VirtualScreen();
        EXPECT_EQ(file.width, screen.right - screen.left) << layout.name;
        EXPECT_EQ(file.height, screen.bottom - screen.top) << layout.name;
        EXPECT_EQ(file.bits, ScreenBits()) << layout.name;
        // Where no display is, this platform gives what the cover drew there
        // (X keeps the whole bounding box), the same to the program as to
        // the driver; so every pixel is compared.
        EXPECT_EQ(DifferencesFromScreen(file, GrabScreen(screen), Equal), "") << layout.name;
    }
}

TEST_F(MultiDisplay, WindowCaptureTakesAWindowOnTheSecondDisplayOrAcrossBoth)
{
    for (const Layout& layout : LAYOUTS) {
        ASSERT_TRUE(SetLayout(layout));
        DusklidProcess program;
        ASSERT_TRUE(Launch(program));
        const POINT middle = Centre(layout.second);
        const RECT onSecond = {middle.x - 150, middle.y - 100, middle.x + 150, middle.y + 100};
        for (const RECT& area : {onSecond, layout.spanning}) {
            const std::string what = std::string(layout.name) + ", window at " + Text(area);
            ColourWindow front(WINDOW_COLOUR, area);
            ASSERT_TRUE(WaitForeground(front.window)) << what;
            ASSERT_TRUE(WaitForPixel(area.left + 1, area.top + 1, WINDOW_COLOUR) &&
                        WaitForPixel(area.right - 2, area.bottom - 2, WINDOW_COLOUR))
                << what;
            const BitmapFile file = Capture(HOTKEY_CAPTURE_WINDOW);
            ASSERT_EQ(file.problem, "") << what;
            EXPECT_EQ(file.width, area.right - area.left) << what;
            EXPECT_EQ(file.height, area.bottom - area.top) << what;
            const std::vector<COLORREF> window(static_cast<size_t>(file.width) * file.height,
                                               WINDOW_COLOUR);
            EXPECT_EQ(DifferencesFromScreen(file, window, Equal), "") << what;
        }
    }
}

namespace {

bool IsRight(int corner)
{
    return corner == HOT_CORNER_TOP_RIGHT || corner == HOT_CORNER_BOTTOM_RIGHT;
}

// The outermost pixel of a hot corner: inside its band on every side.
POINT CornerPixel(int corner, const RECT& display)
{
    return Corner(display, corner == HOT_CORNER_BOTTOM_LEFT || corner == HOT_CORNER_BOTTOM_RIGHT,
                  IsRight(corner));
}

// Just outside the corner's band, along the display's top or bottom edge.
POINT BesideCorner(int corner, const RECT& display)
{
    POINT at = CornerPixel(corner, display);
    at.x += IsRight(corner) ? -HOT_CORNER_BAND - 1 : 1;
    return at;
}

} // namespace

TEST_F(MultiDisplay, HotCornerFiresOnlyInTheCornerOfTheFarthestDisplay)
{
    for (const Layout& layout : LAYOUTS) {
        ASSERT_TRUE(SetLayout(layout));
        ASSERT_TRUE(MoveTo(Centre(PRIMARY)));
        DusklidProcess program;
        ASSERT_TRUE(Launch(program, L"", Picture::NONE, layout.corner));
        HWND coverWindow = FindCoverWindow();
        const auto hidden = [&] { return !IsWindowVisible(coverWindow); };
        const RECT& farDisplay = layout.farOnSecond ? layout.second : PRIMARY;
        const RECT& otherDisplay = layout.farOnSecond ? PRIMARY : layout.second;

        // The same corner of the other display, where the pointer passes on
        // its way between displays, and the pixel beside the far corner's
        // band: resting there longer than the delay shows nothing.
        bool shownTooSoon = false;
        for (const POINT at : {CornerPixel(layout.corner, otherDisplay), BesideCorner(layout.corner, farDisplay)}) {
            const std::string what = std::string(layout.name) + ", pointer at (" +
                                     std::to_string(at.x) + "," + std::to_string(at.y) + ")";
            ASSERT_TRUE(MoveTo(at)) << what;
            shownTooSoon = !StaysTrue(hidden, HOT_CORNER_DELAY + 1000);
            if (shownTooSoon) {
                ADD_FAILURE() << what << ": the cover showed";
                break;
            }
        }
        if (shownTooSoon)
            continue;
        ASSERT_TRUE(MoveTo(CornerPixel(layout.corner, farDisplay)));
        EXPECT_TRUE(WaitUntil([&] { return !hidden(); }, HOT_CORNER_DELAY + 5000)) << layout.name;
        ExpectCoverShows(coverWindow, CoverSpots(layout, Picture::NONE), layout.name);
    }
}

TEST_F(MultiDisplay, ShownCoverFollowsALayoutChange)
{
    ASSERT_TRUE(SetLayout(ONE_DISPLAY));
    DusklidProcess program;
    ASSERT_TRUE(Launch(program));
    HWND coverWindow = FindCoverWindow();
    ASSERT_TRUE(ShowCoverByHotKey(coverWindow));
    ExpectCoverShows(coverWindow, CoverSpots(ONE_DISPLAY, Picture::NONE), ONE_DISPLAY.name);

    // Displays added, moved to negative coordinates, resized, and removed.
    std::vector<Layout> steps(std::begin(LAYOUTS), std::end(LAYOUTS));
    steps.push_back(ONE_DISPLAY);
    for (const Layout& layout : steps) {
        ASSERT_TRUE(SetLayout(layout));
        // Windows tells every top-level window of a new layout; Wine 8 tells
        // none when xrandr changes it, so the driver says it in its place.
        DWORD_PTR result = 0;
        ASSERT_TRUE(SendMessageTimeoutW(coverWindow, WM_DISPLAYCHANGE, ScreenBits(),
                                        MAKELPARAM(PRIMARY.right, PRIMARY.bottom),
                                        SMTO_ABORTIFHUNG, 5000, &result))
            << layout.name;
        EXPECT_TRUE(IsWindowVisible(coverWindow)) << layout.name;
        ExpectCoverShows(coverWindow, CoverSpots(layout, Picture::NONE), layout.name);
    }
}

TEST_F(MultiDisplay, StretchedPictureFollowsAResizedPrimaryDisplay)
{
    ASSERT_TRUE(SetLayout(ONE_DISPLAY));
    const std::wstring picture = QuadrantPicture();
    ASSERT_FALSE(picture.empty());
    DusklidProcess program;
    ASSERT_TRUE(Launch(program, picture, Picture::STRETCHED));
    HWND coverWindow = FindCoverWindow();
    ASSERT_TRUE(ShowCoverByHotKey(coverWindow));
    ExpectCoverShows(coverWindow, CoverSpots(ONE_DISPLAY, Picture::STRETCHED), "1024x768");

    // The primary display shrinks to 800x600 while the cover is shown.
    ASSERT_TRUE(RunUnixCommand("xrandr --addmode DUMMY0 800x600 && "
                               "xrandr --output DUMMY0 --mode 800x600 && xrandr >/dev/null"));
    ASSERT_TRUE(WaitUntil([] { return Displays() == "0,0-800,600 "; }, 10000)) << Displays();
    DWORD_PTR result = 0;
    ASSERT_TRUE(SendMessageTimeoutW(coverWindow, WM_DISPLAYCHANGE, ScreenBits(),
                                    MAKELPARAM(800, 600), SMTO_ABORTIFHUNG, 5000, &result));
    // The quadrants meet at (400, 300) now, not at (512, 384): between the
    // two, a picture still stretched for the old size shows the wrong ones.
    std::vector<Spot> spots = QuadrantCentres(RECT{0, 0, 800, 600});
    spots.push_back({{456, 150}, QUADRANTS[0][1]});
    spots.push_back({{200, 342}, QUADRANTS[1][0]});
    spots.push_back({{456, 342}, QUADRANTS[1][1]});
    spots.push_back({{799, 599}, QUADRANTS[1][1]});
    WaitUntil([&] { return WrongSpots(spots).empty(); }, 10000);
    EXPECT_EQ(WrongSpots(spots), "");
    EXPECT_TRUE(SetLayout(ONE_DISPLAY));
}
