// Captures on a 16-bit and an 8-bit (palette) display: the file's layout at the display's depth,
// and every pixel against what the screen shows.
#include "toolkit/toolkit.h"

#include <string>

namespace {

// In neither the 8-bit default palette nor exactly in 5-5-5.
constexpr COLORREF WINDOW_COLOR = RGB(201, 99, 45);

template <int BITS>
class DepthTest : public FreshFolderTest {
protected:
    void SetUp() override
    {
        FreshFolderTest::SetUp();
        ASSERT_EQ(ScreenBits(), BITS) << "needs Xvfb -screen 0 1024x768x" << BITS
                                      << ", as scripts/test starts it";
        shots = workDir + L"\\shots";
        CreateDirectoryW(shots.c_str(), nullptr);
    }

    // Starts the program with `picture` centred on the cover, capturing into `shots`.
    ::testing::AssertionResult Launch(const std::wstring& picture = L"")
    {
        return Start(PreferenceBytes(PreferenceFields().Color(12, 34, 56).Picture(ShiftJis(picture))
                                         .Stretch('0').Corner('0').Delay("0").Folder(ShiftJis(shots))));
    }

    // Presses `hotKey`: the one capture it leaves holds `area` of the screen at this depth.
    void CheckCapture(int hotKey, RECT area)
    {
        DeleteBitmaps(shots);
        PressHotKey(hotKey);
        const BitmapFile file = ReadTheCapture(shots);
        ASSERT_EQ(file.problem, "");
        EXPECT_EQ(file.bits, BITS);
        EXPECT_EQ(file.width, area.right - area.left);
        EXPECT_EQ(file.height, area.bottom - area.top);
        EXPECT_EQ(DecodedSize(WindowsToUnixPath(file.path)),
                  std::to_string(file.width) + " " + std::to_string(file.height));
        // The screen reads as 8 bits a channel. At 16 bits the file holds 5 (X1R5G5B5) while the
        // display may hold 6 of green, so the top five must agree; at 8, the file's table entry
        // must be the palette's colour exactly.
        const auto same = [](COLORREF inFile, COLORREF shown) {
            return BITS == 16 ? ((inFile ^ shown) & 0xF8F8F8) == 0 : inFile == shown;
        };
        EXPECT_EQ(DifferencesFromScreen(file, GrabScreen(area), same), "");
    }

    // The desktop with the cover shown over a picture of many colours: ImageMagick's "hald:8",
    // every 6-bit step of every channel, 512 pixels square, black at its top-left corner.
    void CheckDesktopCapture()
    {
        const std::wstring picture = MakePicture("depth_colours.bmp", "hald:8");
        ASSERT_FALSE(picture.empty());
        ASSERT_TRUE(Launch(picture));
        ASSERT_TRUE(ShowCoverByHotKey(cover));
        // Drawn once the picture's black corner shows beside the cover.
        const POINT corner = {ScreenCentre().x - 256, ScreenCentre().y - 256};
        ASSERT_TRUE(WaitUntil([&] {
            return ScreenPixel(corner.x, corner.y) == RGB(0, 0, 0) &&
                   ScreenPixel(corner.x - 1, corner.y) != RGB(0, 0, 0);
        }, 5000));
        CheckCapture(HOTKEY_CAPTURE_SCREEN, DesktopRect());
    }

    // A window of the driver's in front, away from the screen's edges.
    void CheckWindowCapture()
    {
        ASSERT_TRUE(Launch());
        const RECT area = {150, 120, 451, 321};  // odd width: rows are padded
        const COLORREF before = ScreenPixel(300, 220);
        ColorWindow front(WINDOW_COLOR, area);
        ASSERT_TRUE(WaitForeground(front.window));
        ASSERT_TRUE(WaitUntil([&] { return ScreenPixel(300, 220) != before; }, 5000));
        CheckCapture(HOTKEY_CAPTURE_WINDOW, area);
    }

    std::wstring shots;
};

using ColourDepth16 = DepthTest<16>;
using ColourDepth8 = DepthTest<8>;

} // namespace

TEST_F(ColourDepth16, DesktopCaptureIsFiveBitsAChannelAsTheScreenShowsIt) { CheckDesktopCapture(); }

TEST_F(ColourDepth16, WindowCaptureIsFiveBitsAChannelAsTheScreenShowsIt) { CheckWindowCapture(); }

TEST_F(ColourDepth8, DesktopCaptureHasTheScreensColoursInItsTable) { CheckDesktopCapture(); }

TEST_F(ColourDepth8, WindowCaptureHasTheScreensColoursInItsTable) { CheckWindowCapture(); }
