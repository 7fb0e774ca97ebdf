// The cover's picture, read back from the screen: the formats, where it is
// placed, the warning for a file that cannot be used, dragging, and a path in
// Japanese.
#include "toolkit/toolkit.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

// Unlike every colour in the pictures, so a stray background pixel shows.
constexpr COLORREF BACKGROUND = RGB(0, 128, 0);
// The quadrants' colours as ImageMagick names them and as the screen shows
// them: top left, top right, bottom left, bottom right.
const struct {
    const char* name;
    COLORREF shown;
} QUADRANT[4] = {{"red", RGB(255, 0, 0)}, {"blue", RGB(0, 0, 255)},
                 {"yellow", RGB(255, 255, 0)}, {"white", RGB(255, 255, 255)}};

// Per channel; enough for JPEG's losses on flat areas, far below the
// distance between any two of the colours above.
constexpr int JPEG_TOLERANCE = 40;

// The expected positions below are worked out for this size.
constexpr int SCREEN_WIDTH = 1024;
constexpr int SCREEN_HEIGHT = 768;

// A picture of four flat quadrants; with an odd size the right and bottom
// ones get the extra pixel.
struct Quadrants {
    int width;
    int height;
    int LeftWidth() const { return width / 2; }
    int TopHeight() const { return height / 2; }
};

const Quadrants ODD = {161, 121};
const POINT ODD_CENTRED = {431, 323};  // (1024-161)/2 and (768-121)/2 rounded down

std::string Size(int width, int height)
{
    return std::to_string(width) + "x" + std::to_string(height);
}

std::wstring MakeQuadrants(const char* name, const Quadrants& picture)
{
    const int left = picture.LeftWidth();
    const int right = picture.width - left;
    const int top = picture.TopHeight();
    const int bottom = picture.height - top;
    const auto tile = [](int width, int height, int quadrant) {
        return "-size " + Size(width, height) + " xc:" + QUADRANT[quadrant].name + " ";
    };
    return MakePicture(name, tile(left, top, 0) + tile(right, top, 1) + "+append \\( " +
                                 tile(left, bottom, 2) + tile(right, bottom, 3) +
                                 "+append \\) -append");
}

// What one screen pixel must (or, for `mustDiffer`, must not) look like.
struct PixelCheck {
    int x;
    int y;
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

// Each quadrant's colour at its own corner of the rectangle from (left, top)
// to (right, bottom).
void AddQuadrants(std::vector<PixelCheck>& checks, int left, int top, int right, int bottom,
                  int tolerance)
{
    Add(checks, left, top, QUADRANT[0].shown, tolerance);
    Add(checks, right, top, QUADRANT[1].shown, tolerance);
    Add(checks, left, bottom, QUADRANT[2].shown, tolerance);
    Add(checks, right, bottom, QUADRANT[3].shown, tolerance);
}

// The cover shows the picture at its natural size with its top-left corner at
// `origin`. Each corner is checked inside, and the pixels beside it just
// outside the picture are background: together they fix the rectangle to the
// pixel. A JPEG's corners are checked a little inside, where its losses are
// small; what lies outside is the program's own fill and exact either way.
std::vector<PixelCheck> PictureAt(const Quadrants& picture, POINT origin, int tolerance)
{
    std::vector<PixelCheck> checks;
    const int left = origin.x;
    const int top = origin.y;
    const int right = origin.x + picture.width - 1;
    const int bottom = origin.y + picture.height - 1;
    const int in = tolerance == 0 ? 0 : 2;
    AddQuadrants(checks, left + in, top + in, right - in, bottom - in, tolerance);

    Add(checks, left - 1, top, BACKGROUND);
    Add(checks, left, top - 1, BACKGROUND);
    Add(checks, right + 1, top, BACKGROUND);
    Add(checks, right, top - 1, BACKGROUND);
    Add(checks, left - 1, bottom, BACKGROUND);
    Add(checks, left, bottom + 1, BACKGROUND);
    Add(checks, right + 1, bottom, BACKGROUND);
    Add(checks, right, bottom + 1, BACKGROUND);

    // The middle of each quadrant.
    AddQuadrants(checks, left + picture.LeftWidth() / 2, top + picture.TopHeight() / 2,
                 left + (picture.LeftWidth() + picture.width) / 2,
                 top + (picture.TopHeight() + picture.height) / 2, tolerance);

    // Where the quadrants meet: exact formats only, JPEG blurs it. Also pins
    // a picture larger than the screen, whose corners are off it.
    if (tolerance == 0) {
        const int x = left + picture.LeftWidth();
        const int y = top + picture.TopHeight();
        AddQuadrants(checks, x - 1, y - 1, x, y, 0);
    }

    // The screen's corners, where the picture does not reach them.
    if (left > 0 && top > 0)
        Add(checks, 0, 0, BACKGROUND);
    if (right < SCREEN_WIDTH - 1 && bottom < SCREEN_HEIGHT - 1)
        Add(checks, SCREEN_WIDTH - 1, SCREEN_HEIGHT - 1, BACKGROUND);
    return checks;
}

// Points all over the screen, every 32 pixels and along the last row and column.
std::vector<POINT> ScreenGrid()
{
    std::vector<POINT> points;
    for (int y = 0; y <= SCREEN_HEIGHT; y += 32)
        for (int x = 0; x <= SCREEN_WIDTH; x += 32)
            points.push_back(POINT{x < SCREEN_WIDTH ? x : SCREEN_WIDTH - 1,
                                   y < SCREEN_HEIGHT ? y : SCREEN_HEIGHT - 1});
    return points;
}

// The picture stretched over the whole cover: its corners in the screen's
// corners, and no background anywhere.
std::vector<PixelCheck> PictureStretched(int tolerance)
{
    std::vector<PixelCheck> checks;
    AddQuadrants(checks, 0, 0, SCREEN_WIDTH - 1, SCREEN_HEIGHT - 1, tolerance);
    AddQuadrants(checks, SCREEN_WIDTH / 4, SCREEN_HEIGHT / 4, SCREEN_WIDTH * 3 / 4,
                 SCREEN_HEIGHT * 3 / 4, tolerance);
    for (const POINT& point : ScreenGrid())
        checks.push_back({point.x, point.y, BACKGROUND, tolerance, true});
    return checks;
}

// A cover of the background colour alone.
std::vector<PixelCheck> BackgroundOnly()
{
    std::vector<PixelCheck> checks;
    for (const POINT& point : ScreenGrid())
        Add(checks, point.x, point.y, BACKGROUND);
    return checks;
}

// Waits for the screen to show `checks` (the cover may still be painting),
// then records every one that does not hold.
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

// Presses `button` at `from`, moves through `through` with it held, and lets
// it go at the last point.
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

// `picture` (ANSI bytes) on the background colour; the hot corner is off so
// the pointer cannot show the cover.
std::string PicturePreferences(const std::string& picture, char stretch,
                               const std::string& captureFolder = "")
{
    return PreferenceBytes(GetRValue(BACKGROUND), GetGValue(BACKGROUND), GetBValue(BACKGROUND),
                           picture, stretch, '0', "150", captureFolder);
}

struct DrawnPicture {
    const char* file;
    Quadrants size;
    int tolerance;
    POINT centredOrigin;         // on a 1024x768 screen
    const char* shot = nullptr;  // a screenshot's name
};

// Held open by the driver, without sharing, while it lives.
struct HeldOpen {
    HANDLE file = INVALID_HANDLE_VALUE;
    ~HeldOpen()
    {
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
    }
};

// The picture file stretched to `width` x `height` by one StretchBlt into a
// bitmap like the screen's: what the cover showed while it stretched the
// picture at every paint. Empty when the file does not load.
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

    // Starts `process` here with `picture` as its cover picture and shows the
    // cover; no message box may come on the way. Tests that start it once
    // pass `dusklid`.
    ::testing::AssertionResult StartAndShow(DusklidProcess& process, const std::wstring& picture,
                                            char stretch, const std::string& captureFolder = "")
    {
        if (picture.empty())
            return ::testing::AssertionFailure() << "no picture was made";
        if (!WriteFileBytes(PreferencePath(workDir),
                            PicturePreferences(ShiftJis(picture), stretch, captureFolder)) ||
            !StartDusklidAndWait(process, workDir))
            return ::testing::AssertionFailure() << "dusklid.exe did not start";
        if (!NoDialog(process.Id()))
            return ::testing::AssertionFailure() << Utf8(picture) << " gave a message box";
        if (!ShowCoverByHotKey(FindCoverWindow()))
            return ::testing::AssertionFailure() << "the cover did not show";
        return ::testing::AssertionSuccess();
    }

    // Shows each picture in turn, starting the program for each, and checks
    // the screen: the picture centred at its natural size, or stretched.
    void CheckEach(const std::vector<DrawnPicture>& pictures, char stretch)
    {
        for (const DrawnPicture& picture : pictures) {
            DusklidProcess process;
            ASSERT_TRUE(StartAndShow(process, MakeQuadrants(picture.file, picture.size), stretch));
            CheckScreen(stretch == '1' ? PictureStretched(picture.tolerance)
                                       : PictureAt(picture.size, picture.centredOrigin,
                                                   picture.tolerance),
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
    // Pictures of noise, so that every pixel of the stretch counts: one
    // shrunk to the screen by an odd ratio, one enlarged.
    const RECT screen = DesktopRect();
    for (const char* size : {"1301x977", "161x121"}) {
        SCOPED_TRACE(size);
        const std::wstring picture = MakePicture(
            (std::string("noise-") + size + ".bmp").c_str(),
            std::string("-seed 7 -size ") + size + " plasma: -depth 8 -type TrueColor");
        const std::vector<COLORREF> expected = StretchedOnce(picture, screen.right, screen.bottom);
        ASSERT_FALSE(expected.empty()) << "the driver could not load the picture";
        DusklidProcess process;
        ASSERT_TRUE(StartAndShow(process, picture, '1'));
        // The cover's first paint may still be on its way.
        std::vector<COLORREF> shown;
        WaitUntil([&] { return (shown = GrabScreen(screen)) == expected; }, 5000);
        size_t differences = 0;
        for (size_t i = 0; i < expected.size() && i < shown.size(); ++i)
            differences += shown[i] != expected[i] ? 1 : 0;
        EXPECT_EQ(differences, 0u) << "pixels unlike one stretch of the picture";
    }
}

TEST_F(Picture, UnreadablePictureWarnsAndTheProgramStartsWithoutIt)
{
    const std::wstring notPicture = workDir + L"\\text.jpg";
    ASSERT_TRUE(WriteFileBytes(notPicture, "This is text, not a picture.\r\n"));
    const std::wstring empty = workDir + L"\\empty.bmp";
    ASSERT_TRUE(WriteFileBytes(empty, ""));
    // A good picture grown past 512 MiB with zeros, sparse on disk: read, it
    // would decode, so only refusing it by its size gives the warning.
    const std::wstring huge = MakeQuadrants("huge.bmp", ODD);
    ASSERT_TRUE(RunUnixCommand("truncate -s 513M '" + WindowsToUnixPath(huge) + "'"));
    const struct {
        const char* name;
        std::wstring path;
        bool heldOpen;  // by the driver, without sharing, while the program starts
    } pictures[] = {
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
        ASSERT_TRUE(WriteFileBytes(PreferencePath(workDir),
                                   PicturePreferences(ShiftJis(picture.path), '0')));
        HeldOpen held;
        if (picture.heldOpen) {
            held.file = CreateFileW(picture.path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    0, nullptr);
            ASSERT_NE(held.file, INVALID_HANDLE_VALUE);
        }

        DusklidProcess process;
        ASSERT_TRUE(StartDusklid(process, workDir));
        // OK alone: no Cancel beside it.
        HWND dialog = WaitForDialog(process.Id(), 20000);
        EXPECT_TRUE(dialog == nullptr || GetDlgItem(dialog, IDCANCEL) == nullptr);
        const MessageBoxSeen box = AnswerMessageBox(process.Id(), IDOK, 20000);
        EXPECT_TRUE(box.found);
        if (!box.found)
            continue;
        EXPECT_EQ(box.caption, L"エラー");
        EXPECT_EQ(box.text, L"画像ファイルが読み込めませんでした。");
        EXPECT_TRUE(box.hasOk && !box.hasYesNo);
        EXPECT_TRUE(box.closed);

        // Start-up goes on: the cover comes, with the background alone.
        ASSERT_TRUE(WaitUntil([] { return FindCoverWindow() != nullptr; }, 20000));
        WaitForInputIdle(process.info.hProcess, 5000);
        EXPECT_TRUE(NoDialog(process.Id())) << "a second message box";
        const bool shown = ShowCoverByHotKey(FindCoverWindow());
        EXPECT_TRUE(shown) << "cover not shown";
        if (shown)
            CheckScreen(BackgroundOnly(), picture.name);
        EXPECT_TRUE(process.Running());
    }
}

TEST_F(Picture, PictureFollowsALeftButtonDragAndIsCentredWhenShownAgain)
{
    ASSERT_TRUE(StartAndShow(dusklid, MakeQuadrants("odd.bmp", ODD), '0'));
    cover = FindCoverWindow();
    CheckScreen(PictureAt(ODD, ODD_CENTRED, 0), "before the drag");

    // The right button does not drag; a move here would show in the end position.
    ASSERT_TRUE(Drag(3, {500, 380}, {{560, 420}}));
    // Two steps, the button held throughout, from a point on the picture.
    ASSERT_TRUE(Drag(1, {470, 350}, {{490, 362}, {470 + 37, 350 + 23}}));
    const POINT moved = {ODD_CENTRED.x + 37, ODD_CENTRED.y + 23};
    std::vector<PixelCheck> afterDrag = PictureAt(ODD, moved, 0);
    // Where the picture was is repainted.
    Add(afterDrag, ODD_CENTRED.x, ODD_CENTRED.y, BACKGROUND);
    CheckScreen(afterDrag, "after the drag");

    // Moving without a button leaves it where it is.
    ASSERT_TRUE(MovePointer(300, 200));
    CheckScreen(afterDrag, "after a move without a button");

    // The hot key on the shown cover centres the picture again, on screen
    // too: no trace of the dragged picture's far corner.
    std::vector<PixelCheck> centred = PictureAt(ODD, ODD_CENTRED, 0);
    Add(centred, moved.x + ODD.width - 1, moved.y + ODD.height - 1, BACKGROUND);
    PressHotKey(HOTKEY_COVER);
    CheckScreen(centred, "hot key on the shown cover");
    // Pressed away from the last press, or it would be a double-click, which
    // neither drags nor counts as a press.
    ASSERT_TRUE(Drag(1, {480, 360}, {{480 + 37, 360 + 23}}));
    CheckScreen(afterDrag, "dragged again from the centre");

    ASSERT_TRUE(HideCover(cover, POINT{100, 100}));
    ASSERT_TRUE(ShowCoverByHotKey(cover));
    CheckScreen(centred, "shown again");
    // The gesture's buttons were let go once the cover had gone, over other
    // windows: no drag is left over for this showing.
    ASSERT_TRUE(MovePointer(340, 230));
    CheckScreen(centred, "a move after the buttons were let go elsewhere");
}

TEST_F(Picture, HidingWithThePointerInTheHotCornerShowsTheCoverAgainAtOnce)
{
    // The hot corner at the top left. Every showing centres the picture, so a
    // picture dragged off the centre tells whether the cover was shown anew.
    ASSERT_TRUE(MovePointer(500, 400));
    ASSERT_TRUE(WriteFileBytes(
        PreferencePath(workDir),
        PreferenceBytes(GetRValue(BACKGROUND), GetGValue(BACKGROUND), GetBValue(BACKGROUND),
                        ShiftJis(MakeQuadrants("corner.bmp", ODD)), '0', '1', "500", "")));
    ASSERT_TRUE(StartDusklidAndWait(dusklid, workDir));
    cover = FindCoverWindow();
    ASSERT_TRUE(ShowCoverByHotKey(cover));
    ASSERT_TRUE(Drag(1, {470, 350}, {{470 + 37, 350 + 23}}));
    CheckScreen(PictureAt(ODD, {ODD_CENTRED.x + 37, ODD_CENTRED.y + 23}, 0), "dragged");

    // Both buttons held in the corner hide the cover; the pointer has rested
    // there all along, so the next tick shows it again, centred.
    ASSERT_TRUE(MovePointer(0, 0));
    Xdo("mousedown 1");
    Xdo("mousedown 3");
    Sleep(RELEASE_DELAY + 1000);
    Xdo("mouseup 3");
    Xdo("mouseup 1");
    EXPECT_TRUE(IsWindowVisible(cover));
    CheckScreen(PictureAt(ODD, ODD_CENTRED, 0), "shown again");
    MovePointer(500, 400);
}

TEST_F(Picture, PicturePathInJapaneseIsLoaded)
{
    const std::wstring source = MakeQuadrants("odd.bmp", ODD);
    ASSERT_FALSE(source.empty());
    const std::wstring folder = workDir + L"\\画像";
    CreateDirectoryW(folder.c_str(), nullptr);
    // 表 ends in the byte of a backslash in Shift-JIS.
    const std::wstring path = folder + L"\\表紙の猫.bmp";
    ASSERT_TRUE(CopyFileW(source.c_str(), path.c_str(), FALSE));
    // A capture folder in Japanese, ending in 表, is taken as it stands too.
    ASSERT_TRUE(StartAndShow(dusklid, path, '0', ShiftJis(L"C:\\撮影\\表")));
    CheckScreen(PictureAt(ODD, ODD_CENTRED, 0), "Japanese path");
}
