// Captures on a 16-bit and an 8-bit (palette) display: the file's layout at
// the display's depth, and every pixel against what the screen shows.
#include "toolkit/toolkit.h"

#include <string>
#include <vector>

namespace {

// In neither the 8-bit default palette nor exactly in 5-5-5.
constexpr COLORREF WINDOW_COLOUR = RGB(201, 99, 45);
// ImageMagick's identity colour table "hald:8": every 6-bit step of every
// channel, 512 pixels square, black at its top-left corner.
constexpr int MANY_COLOURS_SIZE = 512;

// What "equal" means between a pixel of the file and the screen's colour
// there (the screen read as 8 bits a channel, as GDI widens it):
// - 16 bits: BI_RGB at 16 bits holds 5 bits a channel (X1R5G5B5) while the
//   display may hold 6 of green, so the file can keep only the top five bits
//   of each channel; they must be the screen's.
// - 8 bits: each index names an entry of the file's colour table, and that
//   entry must be the screen's colour exactly, both coming from the palette.
bool SameAtDepth(int bits, COLORREF file, COLORREF screen)
{
    return bits == 16 ? ((file ^ screen) & 0xF8F8F8) == 0 : file == screen;
}

template <int BITS>
class DepthTest : public FreshFolderTest {
protected:
    void SetUp() override
    {
        FreshFolderTest::SetUp();
        ASSERT_EQ(ScreenBits(), BITS) << "these tests need a display of " << BITS
                                      << " bits per pixel (Xvfb -screen 0 1024x768x" << BITS
                                      << ", as scripts/test starts it)";
        shots = workDir + L"\\shots";
        CreateDirectoryW(shots.c_str(), nullptr);
    }

    // Starts the program with `picture` centred on the cover, capturing into `shots`.
    ::testing::AssertionResult Launch(const std::wstring& picture = L"")
    {
        return Start(
            PreferenceBytes(12, 34, 56, ShiftJis(picture), '0', '0', "0", ShiftJis(shots)));
    }

    // Presses `hotKey` and checks the one capture it leaves: `area` of the
    // screen at this depth. ReadBitmapFile holds the layout to the file's
    // own depth and size.
    void CheckCapture(int hotKey, RECT area)
    {
        DeleteBitmaps(shots);
        PressHotKey(hotKey);
        const std::vector<std::wstring> names = WaitForCaptures(shots, 1);
        ASSERT_EQ(names.size(), 1u) << "files written";
        const std::wstring path = shots + L"\\" + names[0];
        const BitmapFile file = ReadBitmapFile(path);
        ASSERT_EQ(file.problem, "");
        EXPECT_EQ(file.bits, BITS);
        EXPECT_EQ(file.width, area.right - area.left);
        EXPECT_EQ(file.height, area.bottom - area.top);
        EXPECT_EQ(DecodedSize(WindowsToUnixPath(path)),
                  std::to_string(file.width) + " " + std::to_string(file.height));
        const auto same = [](COLORREF a, COLORREF b) { return SameAtDepth(BITS, a, b); };
        EXPECT_EQ(DifferencesFromScreen(file, GrabScreen(area), same), "");
    }

    // The desktop with the cover shown over a picture of many colours.
    void CheckDesktopCapture()
    {
        const std::wstring picture = MakePicture("depth_colours.bmp", "hald:8");
        ASSERT_FALSE(picture.empty());
        ASSERT_TRUE(Launch(picture));
        ASSERT_TRUE(ShowCoverByHotKey(cover));
        // Drawn once the picture's black corner shows beside the cover.
        const RECT desktop = DesktopRect();
        const POINT corner = {(desktop.right - MANY_COLOURS_SIZE) / 2,
                              (desktop.bottom - MANY_COLOURS_SIZE) / 2};
        ASSERT_TRUE(WaitUntil([&] {
            return ScreenPixel(corner.x, corner.y) == RGB(0, 0, 0) &&
                   ScreenPixel(corner.x - 1, corner.y) != RGB(0, 0, 0);
        }, 5000));
        CheckCapture(HOTKEY_CAPTURE_SCREEN, desktop);
    }

    // A window of the driver's in front, away from the screen's edges.
    void CheckWindowCapture()
    {
        ASSERT_TRUE(Launch());
        const RECT area = {150, 120, 451, 321};  // odd width: rows are padded
        const COLORREF before = ScreenPixel(300, 220);
        ColourWindow front(WINDOW_COLOUR, area);
        ASSERT_TRUE(WaitForeground(front.window));
        ASSERT_TRUE(WaitUntil([&] { return ScreenPixel(300, 220) != before; }, 5000));
        CheckCapture(HOTKEY_CAPTURE_WINDOW, area);
    }

    std::wstring shots;
};

using ColourDepth16 = DepthTest<16>;
using ColourDepth8 = DepthTest<8>;

} // namespace

TEST_F(ColourDepth16, DesktopCaptureIsFiveBitsAChannelAsTheScreenShowsIt)
{
    CheckDesktopCapture();
}

TEST_F(ColourDepth16, WindowCaptureIsFiveBitsAChannelAsTheScreenShowsIt)
{
    CheckWindowCapture();
}

TEST_F(ColourDepth8, DesktopCaptureHasTheScreensColoursInItsTable)
{
    CheckDesktopCapture();
}

TEST_F(ColourDepth8, WindowCaptureHasTheScreensColoursInItsTable)
{
    CheckWindowCapture();
}
