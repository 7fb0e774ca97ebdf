// The cover's picture, read back from the screen: the formats, where it is placed, the warning
// for a file that cannot be used, dragging, and a path in Japanese.
#include "toolkit/toolkit.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

// Unlike every colour in the pictures, so a stray background pixel shows.
constexpr COLORREF BACKGROUND = RGB(0, 128, 0);
// The quadrants' colours: top left, top right, bottom left, bottom right.
const COLORREF QUADRANT[4] = {RGB(255, 0, 0), RGB(0, 0, 255), RGB(255, 255, 0), RGB(255, 255, 255)};
// Per channel: JPEG's losses on flat areas, far below the distance between the colours above.
constexpr int JPEG_TOLERANCE = 40;
// The expected positions below are worked out for this screen.
constexpr int SCREEN_WIDTH = 1024;
constexpr int SCREEN_HEIGHT = 768;

const SIZE ODD = {161, 121};
const POINT ODD_CENTRED = {431, 323};  // (1024-161)/2 and (768-121)/2 rounded down
const POINT ODD_DRAGGED = {431 + 37, 323 + 23};  // after the drags below

std::string Size(int width, int height)
{
    return std::to_string(width) + "x" + std::to_string(height);
}

// Four flat quadrants; with an odd size the right and bottom ones get the extra pixel.
std::wstring MakeQuadrants(const char* name, SIZE picture)
{
    const int left = picture.cx / 2;
    const int top = picture.cy / 2;
    const auto tile = [](int width, int height, int quadrant) {
        return "-size " + Size(width, height) + " 'xc:rgb" + Rgb(QUADRANT[quadrant]) + "' ";
    };
    const int right = picture.cx - left;
    const int bottom = picture.cy - top;
    return MakePicture(name, tile(left, top, 0) + tile(right, top, 1) + "+append \\( " +
                                 tile(left, bottom, 2) + tile(right, bottom, 3) +
                                 "+append \\) -append");
}

// What one screen pixel must (or, for `mustDiffer`, must not) look like.
struct PixelCheck {
    int x, y;
    COLORREF colour;
    int tolerance;
    bool mustDiffer;
};

bool Holds(const PixelCheck& check)
{
    const COLORREF actual = ScreenPixel(check.x, check.y);
    return actual != CLR_INVALID && Near(actual, check.colour, check.tolerance) != check.mustDiffer;
}

void Add(std::vector<PixelCheck>& checks, int x, int y, COLORREF colour, int tolerance = 0)
{
    if (x >= 0 && y >= 0 && x < SCREEN_WIDTH && y < SCREEN_HEIGHT)
        checks.push_back({x, y, colour, tolerance, false});
}

// Each quadrant's colour at its own corner of the rectangle (left, top) to (right, bottom).
void AddQuadrants(std::vector<PixelCheck>& checks, int left, int top, int right, int bottom,
                  int tolerance)
{
    Add(checks, left, top, QUADRANT[0], tolerance);
    Add(checks, right, top, QUADRANT[1], tolerance);
    Add(checks, left, bottom, QUADRANT[2], tolerance);
    Add(checks, right, bottom, QUADRANT[3], tolerance);
}

// The picture at its natural size with its top-left corner at `origin`: each corner inside and
// the background just outside it fix the rectangle to the pixel. A JPEG's corners are checked a
// little inside, where its losses are small; what lies outside is the program's own fill.
std::vector<PixelCheck> PictureAt(SIZE picture, POINT origin, int tolerance)
{
    std::vector<PixelCheck> checks;
    const int left = origin.x;
    const int top = origin.y;
    const int right = origin.x + picture.cx - 1;
    const int bottom = origin.y + picture.cy - 1;
    const int in = tolerance == 0 ? 0 : 2;
    AddQuadrants(checks, left + in, top + in, right - in, bottom - in, tolerance);
    for (const int x : {left, right})
        for (const int y : {top, bottom}) {
            Add(checks, x == left ? x - 1 : x + 1, y, BACKGROUND);
            Add(checks, x, y == top ? y - 1 : y + 1, BACKGROUND);
        }
    // The middle of each quadrant.
    AddQuadrants(checks, left + picture.cx / 4, top + picture.cy / 4,
                 left + (picture.cx / 2 + picture.cx) / 2, top + (picture.cy / 2 + picture.cy) / 2,
                 tolerance);
    // Where the quadrants meet (JPEG blurs it): this pins a picture larger than the screen too.
    if (tolerance == 0)
        AddQuadrants(checks, left + picture.cx / 2 - 1, top + picture.cy / 2 - 1,
                     left + picture.cx / 2, top + picture.cy / 2, 0);
    // The screen's corners, where the picture does not reach them.
    if (left > 0 && top > 0)
        Add(checks, 0, 0, BACKGROUND);
    if (right < SCREEN_WIDTH - 1 && bottom < SCREEN_HEIGHT - 1)
        Add(checks, SCREEN_WIDTH - 1, SCREEN_HEIGHT - 1, BACKGROUND);
    return checks;
}

// Every 32 pixels and along the last row and column: background, or for `mustDiffer` anything else.
std::vector<PixelCheck> BackgroundGrid(int tolerance, bool mustDiffer)
{
    std::vector<PixelCheck> checks;
    for (int y = 0; y <= SCREEN_HEIGHT; y += 32)
        for (int x = 0; x <= SCREEN_WIDTH; x += 32)
            checks.push_back({std::min(x, SCREEN_WIDTH - 1), std::min(y, SCREEN_HEIGHT - 1),
                              BACKGROUND, tolerance, mustDiffer});
    return checks;
}

// The picture stretched over the whole cover: its corners in the screen's, no background anywhere.
std::vector<PixelCheck> PictureStretched(int tolerance)
{
    std::vector<PixelCheck> checks = BackgroundGrid(tolerance, true);
    AddQuadrants(checks, 0, 0, SCREEN_WIDTH - 1, SCREEN_HEIGHT - 1, tolerance);
    AddQuadrants(checks, SCREEN_WIDTH / 4, SCREEN_HEIGHT / 4, SCREEN_WIDTH * 3 / 4,
                 SCREEN_HEIGHT * 3 / 4, tolerance);
    return checks;
}

// Waits for `checks` to hold (the cover may still be painting), then records each that does not.
void CheckScreen(const std::vector<PixelCheck>& checks, const std::string& what)
{
    WaitUntil([&] { return std::all_of(checks.begin(), checks.end(), Holds); }, 10000);
    for (const PixelCheck& check : checks)
        if (!Holds(check))
            ADD_FAILURE() << what << ": pixel (" << check.x << "," << check.y << ") is "
                          << Rgb(ScreenPixel(check.x, check.y))
                          << (check.mustDiffer ? ", must not be " : ", expected ")
                          << Rgb(check.colour);
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
    return PreferenceBytes(GetRValue(BACKGROUND), GetGValue(BACKGROUND), GetBValue(BACKGROUND),
                           ShiftJis(picture), stretch, corner, delay, captureFolder);
}

struct DrawnPicture {
    const char* file;
    SIZE size;
    int tolerance;
    POINT centredOrigin;         // on a 1024x768 screen
    const char* shot = nullptr;  // a screenshot's name
};

// The picture stretched by one StretchBlt into a bitmap like the screen's, as the cover showed it
// while it stretched at every paint. Empty when the file does not load.
std::vector<COLORREF> StretchedOnce(const std::wstring& picture, int width, int height)
{
    HBITMAP source = static_cast<HBITMAP>(
        LoadImageW(nullptr, picture.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
    BITMAP record = {};
    if (source == nullptr || GetObjectW(source, sizeof record, &record) == 0)
        return {};
    HDC screen = GetDC(nullptr);
    HDC from = CreateCompatibleDC(screen);
    HDC to = CreateCompatibleDC(screen);
    HBITMAP stretched = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previousFrom = SelectObject(from, source);
    HGDIOBJ previousTo = SelectObject(to, stretched);
    StretchBlt(to, 0, 0, width, height, from, 0, 0, record.bmWidth, record.bmHeight, SRCCOPY);
    SelectObject(from, previousFrom);
    SelectObject(to, previousTo);
    DeleteDC(from);
    DeleteDC(to);
    ReleaseDC(nullptr, screen);
    std::vector<COLORREF> pixels = BitmapPixels(stretched);
    DeleteObject(stretched);
    DeleteObject(source);
    return pixels;
}

} // namespace

class Picture : public FreshFolderTest {
protected:
    void SetUp() override
    {
        FreshFolderTest::SetUp();
        const RECT screen = DesktopRect();
        ASSERT_EQ(Size(screen.right, screen.bottom), Size(SCREEN_WIDTH, SCREEN_HEIGHT))
            << "the screen that the expected positions are worked out for";
    }

    // Starts `process` (`dusklid` for tests that start once) with `picture` and shows its `cover`;
    // no message box may come on the way.
    ::testing::AssertionResult StartAndShow(DusklidProcess& process, const std::wstring& picture,
                                            char stretch, const std::string& captureFolder = "")
    {
        const std::string preferences = PicturePreferences(picture, stretch, captureFolder);
        if (picture.empty() || !WriteFileBytes(PreferencePath(workDir), preferences) ||
            !StartDusklidAndWait(process, workDir))
            return ::testing::AssertionFailure() << "no picture, or dusklid.exe did not start";
        if (!NoDialog(process.Id()))
            return ::testing::AssertionFailure() << Utf8(picture) << " gave a message box";
        cover = FindCoverWindow();
        if (!ShowCoverByHotKey(cover))
            return ::testing::AssertionFailure() << "the cover did not show";
        return ::testing::AssertionSuccess();
    }

    // Starts the program with each picture in turn and checks it on the shown cover.
    void CheckEach(const std::vector<DrawnPicture>& pictures, char stretch)
    {
        for (const DrawnPicture& picture : pictures) {
            DusklidProcess process;
            ASSERT_TRUE(StartAndShow(process, MakeQuadrants(picture.file, picture.size), stretch));
            CheckScreen(stretch == '1'
                            ? PictureStretched(picture.tolerance)
                            : PictureAt(picture.size, picture.centredOrigin, picture.tolerance),
                        picture.file);
            if (picture.shot != nullptr)
                Screenshot(picture.shot);
        }
    }
};

TEST_F(Picture, PictureIsDrawnCentredAtNaturalSize)
{
    CheckEach({
        // Bottom-up rows: drawn upside down, the top corners would be yellow and white.
        {"odd.bmp", ODD, 0, ODD_CENTRED, "cover-picture-centred"},
        {"odd.gif", ODD, 0, ODD_CENTRED},
        {"small.jpg", {160, 120}, JPEG_TOLERANCE, {432, 324}},
        {"large.jpg", {640, 480}, JPEG_TOLERANCE, {192, 144}},
        // Larger than the screen by an odd amount: the origin rounds down, away from zero.
        {"oversized.bmp", {1101, 801}, 0, {-39, -17}},
    }, '0');
}

TEST_F(Picture, PictureIsStretchedOverTheWholeCover)
{
    CheckEach({
        {"odd.bmp", ODD, 0, {}},
        {"odd.gif", ODD, 0, {}},
        {"small.jpg", {160, 120}, JPEG_TOLERANCE, {}, "cover-picture-stretched"},
    }, '1');
}

TEST_F(Picture, StretchedCoverIsExactlyOneStretchOfThePicture)
{
    // Noise, so that every pixel of the stretch counts: shrunk by an odd ratio, and enlarged.
    for (const char* size : {"1301x977", "161x121"}) {
        SCOPED_TRACE(size);
        const std::wstring picture = MakePicture((std::string("noise-") + size + ".bmp").c_str(),
            std::string("-seed 7 -size ") + size + " plasma: -depth 8 -type TrueColor");
        const std::vector<COLORREF> expected = StretchedOnce(picture, SCREEN_WIDTH, SCREEN_HEIGHT);
        ASSERT_FALSE(expected.empty()) << "the driver could not load the picture";
        DusklidProcess process;
        ASSERT_TRUE(StartAndShow(process, picture, '1'));
        // The cover's first paint may still be on its way.
        EXPECT_TRUE(WaitUntil([&] { return GrabScreen(DesktopRect()) == expected; }, 5000))
            << "the cover is not one stretch of the picture";
    }
}

TEST_F(Picture, UnreadablePictureWarnsAndTheProgramStartsWithoutIt)
{
    const std::wstring notPicture = workDir + L"\\text.jpg";
    ASSERT_TRUE(WriteFileBytes(notPicture, "This is text, not a picture.\r\n"));
    const std::wstring empty = workDir + L"\\empty.bmp";
    ASSERT_TRUE(WriteFileBytes(empty, ""));
    // A good picture grown past 512 MiB with zeros (sparse): it would decode; only its size warns.
    const std::wstring huge = MakeQuadrants("huge.bmp", ODD);
    ASSERT_TRUE(RunUnixCommand("truncate -s 513M '" + WindowsToUnixPath(huge) + "'"));
    // Held open: by the driver, without sharing, while the program starts.
    const struct { const char* name; std::wstring path; bool heldOpen; } pictures[] = {
        // The decoder reads an icon, but it is no bitmap.
        {"icon", MakePicture("icon.ico", "-size 32x32 xc:red"), false},
        {"text named .jpg", notPicture, false},
        {"empty", empty, false},
        {"over 512 MiB", huge, false},
        {"held open", MakeQuadrants("held.bmp", ODD), true},
    };
    for (const auto& picture : pictures) {
        SCOPED_TRACE(picture.name);
        ASSERT_FALSE(picture.path.empty());
        ASSERT_TRUE(WriteFileBytes(PreferencePath(workDir), PicturePreferences(picture.path, '0')));
        const std::unique_ptr<void, decltype(&CloseHandle)> held(
            picture.heldOpen ? CreateFileW(picture.path.c_str(), GENERIC_READ, 0, nullptr,
                                           OPEN_EXISTING, 0, nullptr)
                             : nullptr,
            &CloseHandle);
        ASSERT_NE(held.get(), INVALID_HANDLE_VALUE);

        DusklidProcess process;
        ASSERT_TRUE(StartDusklid(process, workDir));
        // OK alone: no Cancel beside it.
        HWND box = WaitForDialog(process.Id(), 20000);
        EXPECT_TRUE(box == nullptr || GetDlgItem(box, IDCANCEL) == nullptr);
        EXPECT_TRUE(AnswerBoxSaying(process.Id(), IDOK, L"エラー",
                                    L"画像ファイルが読み込めませんでした。"));

        // Start-up goes on: the cover comes, with the background alone.
        ASSERT_TRUE(WaitUntil([] { return FindCoverWindow() != nullptr; }, 20000));
        WaitForInputIdle(process.info.hProcess, 5000);
        EXPECT_TRUE(NoDialog(process.Id())) << "a second message box";
        ASSERT_TRUE(ShowCoverByHotKey(FindCoverWindow()));
        CheckScreen(BackgroundGrid(0, false), picture.name);
        EXPECT_TRUE(process.Running());
    }
}

TEST_F(Picture, PictureFollowsALeftButtonDragAndIsCentredWhenShownAgain)
{
    ASSERT_TRUE(StartAndShow(dusklid, MakeQuadrants("odd.bmp", ODD), '0'));
    CheckScreen(PictureAt(ODD, ODD_CENTRED, 0), "before the drag");

    // The right button does not drag; a move here would show in the end position.
    ASSERT_TRUE(Drag(3, {500, 380}, {{560, 420}}));
    // Two steps, the button held throughout, from a point on the picture.
    ASSERT_TRUE(Drag(1, {470, 350}, {{490, 362}, {470 + 37, 350 + 23}}));
    std::vector<PixelCheck> dragged = PictureAt(ODD, ODD_DRAGGED, 0);
    Add(dragged, ODD_CENTRED.x, ODD_CENTRED.y, BACKGROUND);  // where it was is repainted
    CheckScreen(dragged, "after the drag");
    ASSERT_TRUE(MovePointer(300, 200));
    CheckScreen(dragged, "after a move without a button");

    // The hot key on the shown cover centres it again, with no trace of the dragged far corner.
    std::vector<PixelCheck> centred = PictureAt(ODD, ODD_CENTRED, 0);
    Add(centred, ODD_DRAGGED.x + ODD.cx - 1, ODD_DRAGGED.y + ODD.cy - 1, BACKGROUND);
    PressHotKey(HOTKEY_COVER);
    CheckScreen(centred, "hot key on the shown cover");
    // Pressed away from the last press: a double-click neither drags nor counts as a press.
    ASSERT_TRUE(Drag(1, {480, 360}, {{480 + 37, 360 + 23}}));
    CheckScreen(dragged, "dragged again from the centre");

    ASSERT_TRUE(HideCover(cover, POINT{100, 100}));
    ASSERT_TRUE(ShowCoverByHotKey(cover));
    CheckScreen(centred, "shown again");
    // The buttons were let go over other windows once the cover had gone: no drag is left over.
    ASSERT_TRUE(MovePointer(340, 230));
    CheckScreen(centred, "a move after the buttons were let go elsewhere");
}

TEST_F(Picture, HidingWithThePointerInTheHotCornerShowsTheCoverAgainAtOnce)
{
    // A picture dragged off the centre tells whether the cover was shown anew, centred. The hot
    // corner: top left, 500 ms.
    ASSERT_TRUE(MovePointer(500, 400));
    ASSERT_TRUE(Start(PicturePreferences(MakeQuadrants("corner.bmp", ODD), '0', "", '1', "500")));
    ASSERT_TRUE(ShowCoverByHotKey(cover));
    ASSERT_TRUE(Drag(1, {470, 350}, {{470 + 37, 350 + 23}}));
    CheckScreen(PictureAt(ODD, ODD_DRAGGED, 0), "dragged");

    // Both buttons held in the corner hide the cover; the pointer rests there, so it comes back.
    ASSERT_TRUE(MovePointer(0, 0));
    Xdo("mousedown 1 mousedown 3");
    Sleep(RELEASE_DELAY + 1000);
    Xdo("mouseup 3 mouseup 1");
    EXPECT_TRUE(IsWindowVisible(cover));
    CheckScreen(PictureAt(ODD, ODD_CENTRED, 0), "shown again");
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
    CheckScreen(PictureAt(ODD, ODD_CENTRED, 0), "Japanese path");
}
