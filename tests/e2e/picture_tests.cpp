// The cover's picture, read back from the screen: the formats, where it is placed, the warning
// for a file that cannot be used, dragging, and a path in Japanese.
#include "toolkit/toolkit.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

// Unlike every colour in the pictures, so a stray background pixel shows.
constexpr COLORREF BACKGROUND = RGB(0, 128, 0);
// Top left, top right, bottom left, bottom right.
const COLORREF QUADRANT[4] = {RGB(255, 0, 0), RGB(0, 0, 255), RGB(255, 255, 0), RGB(255, 255, 255)};
// Per channel: JPEG's losses on flat areas, far below the distance between the colours above.
constexpr int JPEG_TOLERANCE = 40;
// The expected positions below are worked out for this screen.
constexpr int SCREEN_WIDTH = 1024;
constexpr int SCREEN_HEIGHT = 768;
constexpr RECT WHOLE_SCREEN = {0, 0, SCREEN_WIDTH, SCREEN_HEIGHT};

const SIZE ODD = {161, 121};
const POINT ODD_CENTRED = {431, 323};            // (1024-161)/2 and (768-121)/2 rounded down
const POINT ODD_DRAGGED = {431 + 37, 323 + 23};  // after the drags below

// Four flat quadrants; with an odd size the right and bottom ones get the extra pixel.
std::wstring MakeQuadrants(const char* name, SIZE picture)
{
    const int widths[] = {picture.cx / 2, picture.cx - picture.cx / 2};
    const int heights[] = {picture.cy / 2, picture.cy - picture.cy / 2};
    const auto tile = [&](int quadrant) {
        return "-size " + std::to_string(widths[quadrant % 2]) + "x" +
               std::to_string(heights[quadrant / 2]) + " 'xc:rgb" + Rgb(QUADRANT[quadrant]) + "' ";
    };
    return MakePicture(name, tile(0) + tile(1) + "+append \\( " + tile(2) + tile(3) +
                                 "+append \\) -append");
}

// `picture` drawn over `area` of the screen, stretched unless that is its size; background around.
struct Scene {
    SIZE picture;
    RECT area;
    int tolerance;  // per channel, inside the picture
};

Scene Centred(SIZE picture, POINT origin, int tolerance = 0)
{
    return {picture, {origin.x, origin.y, origin.x + picture.cx, origin.y + picture.cy}, tolerance};
}

const Scene NO_PICTURE = {{1, 1}, {}, 0};  // the background alone

// The colour `scene` has at (x, y) of the screen; CLR_INVALID near where the quadrants meet, when
// a stretch may round either way there or a JPEG blurs them (within its 16-pixel blocks).
COLORREF Expected(const Scene& scene, int x, int y)
{
    const RECT& area = scene.area;
    const SIZE& picture = scene.picture;
    if (x < area.left || y < area.top || x >= area.right || y >= area.bottom)
        return BACKGROUND;
    const int width = area.right - area.left, height = area.bottom - area.top;
    const int margin = scene.tolerance > 0 ? 16 : width != picture.cx || height != picture.cy;
    // The picture's own pixel shown there.
    const int px = (x - area.left) * picture.cx / width, py = (y - area.top) * picture.cy / height;
    const auto nearSeam = [&](int p, int length) {
        return p >= length / 2 - margin && p < length / 2 + margin;
    };
    if (nearSeam(px, picture.cx) || nearSeam(py, picture.cy))
        return CLR_INVALID;
    return QUADRANT[(px < picture.cx / 2 ? 0 : 1) + (py < picture.cy / 2 ? 0 : 2)];
}

// Waits until every pixel of the screen is as `scene` has it (the cover may still be painting).
void CheckScreen(const Scene& scene, const std::string& what)
{
    std::string differences;
    WaitUntil([&] {
        const std::vector<COLORREF> screen = GrabScreen(DesktopRect());
        differences = Differences(
            SCREEN_WIDTH, SCREEN_HEIGHT, [&](int x, int y) { return screen[y * SCREEN_WIDTH + x]; },
            [&](int x, int y) { return Expected(scene, x, y); },
            [&](COLORREF shown, COLORREF expected) {  // the background is the program's own fill
                return expected == CLR_INVALID ||
                       Near(shown, expected, expected == BACKGROUND ? 0 : scene.tolerance);
            });
        return differences.empty();
    }, 10000);
    EXPECT_EQ(differences, "") << what;
}

// Presses `button` at `from`, moves through `through` with it held, and lets go at the last point.
bool Drag(int button, POINT from, std::initializer_list<POINT> through)
{
    if (!MovePointer(from.x, from.y))
        return false;
    Xdo("mousedown " + std::to_string(button));
    bool moved = true;
    for (const POINT& point : through)
        moved = MovePointer(point.x, point.y) && moved;
    Xdo("mouseup " + std::to_string(button));
    return moved;
}

// `picture` on the background colour; the hot corner is off unless given, lest the pointer show it.
std::string PicturePreferences(const std::wstring& picture, char stretch,
                               const std::string& captureFolder = "", char corner = '0',
                               const char* delay = "150")
{
    return PreferenceBytes(PreferenceFields().Color(BACKGROUND).Picture(ShiftJis(picture))
                               .Stretch(stretch).Corner(corner).Delay(delay).Folder(captureFolder));
}

struct DrawnPicture {
    const char* file;
    Scene scene;
    const char* shot = nullptr;  // a screenshot's name
};

// The picture as one StretchBlt to the screen's size draws it; empty when it does not load.
std::vector<COLORREF> StretchedOnce(const std::wstring& picture)
{
    const GdiObject<HBITMAP> source(static_cast<HBITMAP>(
        LoadImageW(nullptr, picture.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE)));
    BITMAP record = {};
    if (source.handle == nullptr || GetObjectW(source.handle, sizeof record, &record) == 0)
        return {};
    const DisplayDc screen;
    const GdiObject<HBITMAP> stretched(
        CreateCompatibleBitmap(screen.dc, SCREEN_WIDTH, SCREEN_HEIGHT));
    {
        // Let go of the bitmaps before they are read, as GetDIBits needs.
        const MemoryDc from(screen.dc);
        const MemoryDc to(screen.dc);
        const SelectedObject fromSource(from.dc, source.handle);
        const SelectedObject toStretched(to.dc, stretched.handle);
        StretchBlt(to.dc, 0, 0, SCREEN_WIDTH, SCREEN_HEIGHT, from.dc, 0, 0, record.bmWidth,
                   record.bmHeight, SRCCOPY);
    }
    return BitmapPixels(stretched.handle);
}

} // namespace

class Picture : public FreshFolderTest {
protected:
    void SetUp() override
    {
        FreshFolderTest::SetUp();
        ASSERT_EQ(DesktopRect().right, SCREEN_WIDTH) << "the screen the positions are worked out for";
        ASSERT_EQ(DesktopRect().bottom, SCREEN_HEIGHT);
    }

    // Starts `process` with `picture` and shows its `cover`; no message box may come on the way.
    ::testing::AssertionResult StartAndShow(DusklidProcess& process, const std::wstring& picture,
                                            char stretch, const std::string& captureFolder = "")
    {
        const std::string preferences = PicturePreferences(picture, stretch, captureFolder);
        if (picture.empty() || !WriteFileBytes(PreferencePath(workDir), preferences) ||
            !StartDusklidAndWait(process, workDir))
            return ::testing::AssertionFailure() << "no picture, or dusklid.exe did not start";
        cover = FindCoverWindow();
        if (!NoDialog(process.Id()) || !ShowCoverByHotKey(cover))
            return ::testing::AssertionFailure() << "a message box came, or the cover did not show";
        return ::testing::AssertionSuccess();
    }

    // Starts the program with each picture in turn and checks it on the shown cover.
    void CheckEach(const std::vector<DrawnPicture>& pictures, char stretch)
    {
        for (const DrawnPicture& picture : pictures) {
            DusklidProcess process;
            ASSERT_TRUE(StartAndShow(process, MakeQuadrants(picture.file, picture.scene.picture),
                                     stretch));
            CheckScreen(picture.scene, picture.file);
            if (picture.shot != nullptr)
                Screenshot(picture.shot);
        }
    }
};

TEST_F(Picture, PictureIsDrawnCentredAtNaturalSize)
{
    CheckEach({
        // Bottom-up rows: drawn upside down, the top corners would be yellow and white.
        {"odd.bmp", Centred(ODD, ODD_CENTRED), "cover-picture-centred"},
        {"odd.gif", Centred(ODD, ODD_CENTRED)},
        {"small.jpg", Centred({160, 120}, {432, 324}, JPEG_TOLERANCE)},
        {"large.jpg", Centred({640, 480}, {192, 144}, JPEG_TOLERANCE)},
        // Larger than the screen by an odd amount: the origin rounds down, away from zero.
        {"oversized.bmp", Centred({1101, 801}, {-39, -17})},
    }, '0');
}

TEST_F(Picture, PictureIsStretchedOverTheWholeCover)
{
    CheckEach({
        {"odd.bmp", {ODD, WHOLE_SCREEN, 0}},
        {"odd.gif", {ODD, WHOLE_SCREEN, 0}},
        {"small.jpg", {{160, 120}, WHOLE_SCREEN, JPEG_TOLERANCE}, "cover-picture-stretched"},
    }, '1');
}

TEST_F(Picture, StretchedCoverIsExactlyOneStretchOfThePicture)
{
    // Noise, so that every pixel of the stretch counts: shrunk by an odd ratio, and enlarged.
    for (const std::string size : {"1301x977", "161x121"}) {
        SCOPED_TRACE(size);
        const std::wstring picture = MakePicture(("noise-" + size + ".bmp").c_str(),
            "-seed 7 -size " + size + " plasma: -depth 8 -type TrueColor");
        const std::vector<COLORREF> expected = StretchedOnce(picture);
        ASSERT_FALSE(expected.empty()) << "the driver could not load the picture";
        DusklidProcess process;
        ASSERT_TRUE(StartAndShow(process, picture, '1'));
        EXPECT_TRUE(WaitUntil([&] { return GrabScreen(DesktopRect()) == expected; }, 5000))
            << "the cover is not one stretch of the picture";
    }
}

TEST_F(Picture, UnreadablePictureWarnsAndTheProgramStartsWithoutIt)
{
    const std::wstring notPicture = workDir + L"\\text.jpg", empty = workDir + L"\\empty.bmp";
    ASSERT_TRUE(WriteFileBytes(notPicture, "This is text, not a picture.\r\n"));
    ASSERT_TRUE(WriteFileBytes(empty, ""));
    // A good picture grown past 512 MiB with zeros (sparse): it would decode; only its size warns.
    const std::wstring huge = MakeQuadrants("huge.bmp", ODD);
    ASSERT_TRUE(RunUnixCommand("truncate -s 513M '" + WindowsToUnixPath(huge) + "'"));
    // Held open by the driver, without sharing, while the program starts.
    const std::wstring held = MakeQuadrants("held.bmp", ODD);
    const std::unique_ptr<void, decltype(&CloseHandle)> holding(
        CreateFileW(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), &CloseHandle);
    ASSERT_NE(holding.get(), INVALID_HANDLE_VALUE);
    const std::pair<const char*, std::wstring> pictures[] = {
        {"icon, which decodes but is no bitmap", MakePicture("icon.ico", "-size 32x32 xc:red")},
        {"text named .jpg", notPicture},
        {"empty", empty},
        {"over 512 MiB", huge},
        {"held open", held},
    };
    for (const auto& [name, path] : pictures) {
        SCOPED_TRACE(name);
        ASSERT_FALSE(path.empty());
        ASSERT_TRUE(WriteFileBytes(PreferencePath(workDir), PicturePreferences(path, '0')));
        DusklidProcess process;
        ASSERT_TRUE(StartDusklid(process, workDir));
        HWND box = WaitForDialog(process.Id(), 20000);
        EXPECT_TRUE(box == nullptr || GetDlgItem(box, IDCANCEL) == nullptr) << "a Cancel beside OK";
        EXPECT_TRUE(AnswerBoxSaying(process.Id(), IDOK, L"エラー",
                                    L"画像ファイルが読み込めませんでした。"));

        // Start-up goes on: the cover comes, with the background alone.
        ASSERT_TRUE(WaitUntil([] { return FindCoverWindow() != nullptr; }, 20000));
        WaitForInputIdle(process.info.hProcess, 5000);
        EXPECT_TRUE(NoDialog(process.Id())) << "a second message box";
        ASSERT_TRUE(ShowCoverByHotKey(FindCoverWindow()));
        CheckScreen(NO_PICTURE, name);
        EXPECT_TRUE(process.Running());
    }
}

TEST_F(Picture, PictureFollowsALeftButtonDragAndIsCentredWhenShownAgain)
{
    ASSERT_TRUE(StartAndShow(dusklid, MakeQuadrants("odd.bmp", ODD), '0'));
    CheckScreen(Centred(ODD, ODD_CENTRED), "before the drag");

    // The right button does not drag; a move here would show in the end position.
    ASSERT_TRUE(Drag(3, {500, 380}, {{560, 420}}));
    // Two steps, the button held throughout, from a point on the picture.
    ASSERT_TRUE(Drag(1, {470, 350}, {{490, 362}, {470 + 37, 350 + 23}}));
    CheckScreen(Centred(ODD, ODD_DRAGGED), "after the drag");
    ASSERT_TRUE(MovePointer(300, 200));
    CheckScreen(Centred(ODD, ODD_DRAGGED), "after a move without a button");

    // The hot key on the shown cover centres it again, with no trace of the dragged far corner.
    PressHotKey(HOTKEY_COVER);
    CheckScreen(Centred(ODD, ODD_CENTRED), "hot key on the shown cover");
    // Pressed away from the last press: a double-click neither drags nor counts as a press.
    ASSERT_TRUE(Drag(1, {480, 360}, {{480 + 37, 360 + 23}}));
    CheckScreen(Centred(ODD, ODD_DRAGGED), "dragged again from the centre");

    ASSERT_TRUE(HideCover(cover, POINT{100, 100}));
    ASSERT_TRUE(ShowCoverByHotKey(cover));
    CheckScreen(Centred(ODD, ODD_CENTRED), "shown again");
    // The buttons were let go over other windows once the cover had gone: no drag is left over.
    ASSERT_TRUE(MovePointer(340, 230));
    CheckScreen(Centred(ODD, ODD_CENTRED), "a move after the buttons were let go elsewhere");
}

TEST_F(Picture, HidingWithThePointerInTheHotCornerShowsTheCoverAgainAtOnce)
{
    // A picture dragged off the centre tells whether the cover was shown anew. Hot corner: top
    // left, 500 ms.
    ASSERT_TRUE(MovePointer(500, 400));
    ASSERT_TRUE(Start(PicturePreferences(MakeQuadrants("corner.bmp", ODD), '0', "", '1', "500")));
    ASSERT_TRUE(ShowCoverByHotKey(cover));
    ASSERT_TRUE(Drag(1, {470, 350}, {{470 + 37, 350 + 23}}));
    CheckScreen(Centred(ODD, ODD_DRAGGED), "dragged");

    // Both buttons held in the corner hide the cover; the pointer rests there, so it comes back.
    ASSERT_TRUE(MovePointer(0, 0));
    Xdo("mousedown 1 mousedown 3");
    Sleep(RELEASE_DELAY + 1000);
    Xdo("mouseup 3 mouseup 1");
    EXPECT_TRUE(IsWindowVisible(cover));
    CheckScreen(Centred(ODD, ODD_CENTRED), "shown again");
    MovePointer(500, 400);
}

TEST_F(Picture, PicturePathInJapaneseIsLoaded)
{
    const std::wstring folder = workDir + L"\\画像";
    CreateDirectoryW(folder.c_str(), nullptr);
    // 表 ends in the byte of a backslash in Shift-JIS.
    const std::wstring path = folder + L"\\表紙の猫.bmp";
    ASSERT_TRUE(CopyFileW(MakeQuadrants("odd.bmp", ODD).c_str(), path.c_str(), FALSE));
    // A capture folder in Japanese, ending in 表, is taken as it stands too.
    ASSERT_TRUE(StartAndShow(dusklid, path, '0', ShiftJis(L"C:\\撮影\\表")));
    CheckScreen(Centred(ODD, ODD_CENTRED), "Japanese path");
}
