// Captures on a 16-bit and an 8-bit (palette) display: the file's layout at
// the display's depth, and every pixel against what the screen shows.
#include "toolkit/toolkit.h"

#include "toolkit/bitmap_file.h"

#include <string>
#include <vector>

namespace {

constexpr COLORREF COVER_COLOUR = RGB(12, 34, 56);
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
    if (bits != 16)
        return file == screen;
    return ((file ^ screen) & 0xF8F8F8) == 0;
}

class DepthTest : public FreshFolderTest {
protected:
    explicit DepthTest(int depth) : bits(depth) {}

    void SetUp() override
    {
        FreshFolderTest::SetUp();
        ASSERT_EQ(ScreenBits(), bits)
            << "these tests need a display of " << bits << " bits per pixel (Xvfb -screen 0 "
            << "1024x768x" << bits << ", as scripts/test starts it)";
        shots = workDir + L"\\shots";
        CreateDirectoryW(shots.c_str(), nullptr);
        const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
        shotsUnix = Config().workRootUnix + "/" + test->test_suite_name() + "." + test->name() + "/shots";
    }

    // Starts the program with the cover colour, `picture` centred on it and
    // captures into `shots`.
    ::testing::AssertionResult Launch(const std::wstring& picture = L"")
    {
        const std::string preferences =
            PreferenceBytes(GetRValue(COVER_COLOUR), GetGValue(COVER_COLOUR),
                            GetBValue(COVER_COLOUR), ShiftJis(picture), '0', '0', "0", ShiftJis(shots));
        return Start(preferences);
    }

    // Presses `hotKey`, reads the one capture it leaves and checks its
    // layout at this depth for an area `width` by `height`.
    BitmapFile CaptureOf(int hotKey, int width, int height)
    {
        DeleteBitmaps(shots);
        PressHotKey(hotKey);
        const std::vector<std::wstring> names = WaitForCaptures(shots, 1);
        if (names.size() != 1) {
            ADD_FAILURE() << names.size() << " files written";
            return BitmapFile();
        }
        BitmapFile file = ReadBitmapFile(shots + L"\\" + names[0]);
        EXPECT_EQ(file.problem, "");
        const std::string& b = file.bytes;
        if (b.size() < 54)
            return file;
        const std::uint32_t rowSize = (static_cast<std::uint32_t>(bits * width) + 31) / 32 * 4;
        const std::uint32_t pixelOffset = bits == 8 ? 1078 : 54;
        EXPECT_EQ(b.size(), pixelOffset + rowSize * static_cast<std::uint32_t>(height));
        EXPECT_EQ(Read32(b, 10), pixelOffset) << "bfOffBits";
        EXPECT_EQ(Read32(b, 18), static_cast<std::uint32_t>(width)) << "biWidth";
        EXPECT_EQ(Read32(b, 22), static_cast<std::uint32_t>(height)) << "biHeight";
        EXPECT_EQ(Read16(b, 28), static_cast<std::uint32_t>(bits)) << "biBitCount";
        EXPECT_EQ(Read32(b, 30), 0u) << "biCompression";
        EXPECT_EQ(DecodedSize(shotsUnix + "/" + Utf8(names[0])),
                  std::to_string(width) + " " + std::to_string(height));
        return file;
    }

    void ExpectScreenIn(const BitmapFile& file, RECT area)
    {
        if (!file.problem.empty())
            return;
        const int depth = bits;
        EXPECT_EQ(DifferencesFromScreen(file, GrabScreen(area),
                                        [depth](COLORREF a, COLORREF b) { return SameAtDepth(depth, a, b); }),
                  "");
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
        const BitmapFile file =
            CaptureOf(HOTKEY_CAPTURE_SCREEN, desktop.right, desktop.bottom);
        ExpectScreenIn(file, desktop);
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
        const BitmapFile file = CaptureOf(HOTKEY_CAPTURE_WINDOW, area.right - area.left,
                                          area.bottom - area.top);
        ExpectScreenIn(file, area);
    }

    const int bits;
    std::wstring shots;
    std::string shotsUnix;
};

class ColourDepth16 : public DepthTest {
protected:
    ColourDepth16() : DepthTest(16) {}
};

class ColourDepth8 : public DepthTest {
protected:
    ColourDepth8() : DepthTest(8) {}
};

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
