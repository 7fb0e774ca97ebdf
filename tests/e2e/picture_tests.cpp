// The cover's picture, read back from the screen: the formats, where it is
// placed, the warning for a file that cannot be used, dragging, and a path in
// Japanese.
#include "toolkit/toolkit.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// Unlike every colour in the pictures, so a stray background pixel shows.
constexpr COLORREF BACKGROUND = RGB(0, 128, 0);
constexpr COLORREF TOP_LEFT = RGB(255, 0, 0);
constexpr COLORREF TOP_RIGHT = RGB(0, 0, 255);
constexpr COLORREF BOTTOM_LEFT = RGB(255, 255, 0);
constexpr COLORREF BOTTOM_RIGHT = RGB(255, 255, 255);

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

std::string Size(int width, int height)
{
    return std::to_string(width) + "x" + std::to_string(height);
}

std::string ConvertArguments(const Quadrants& picture)
{
    const int left = picture.LeftWidth();
    const int right = picture.width - left;
    const int top = picture.TopHeight();
    const int bottom = picture.height - top;
    return "-size " + Size(left, top) + " xc:red -size " + Size(right, top) +
           " xc:blue +append \\( -size " + Size(left, bottom) + " xc:yellow -size " +
           Size(right, bottom) + " xc:white +append \\) -append";
}

std::wstring MakeQuadrants(const char* name, const Quadrants& picture)
{
    return MakePicture(name, ConvertArguments(picture));
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
    if (actual == CLR_INVALID)
        return false;
    return Near(actual, check.colour, check.tolerance) != check.mustDiffer;
}

void Add(std::vector<PixelCheck>& checks, int x, int y, COLORREF colour, int tolerance = 0)
{
    if (x >= 0 && y >= 0 && x < SCREEN_WIDTH && y < SCREEN_HEIGHT)
        checks.push_back({x, y, colour, tolerance, false});
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

    Add(checks, left + in, top + in, TOP_LEFT, tolerance);
    Add(checks, right - in, top + in, TOP_RIGHT, tolerance);
    Add(checks, left + in, bottom - in, BOTTOM_LEFT, tolerance);
    Add(checks, right - in, bottom - in, BOTTOM_RIGHT, tolerance);

    Add(checks, left - 1, top, BACKGROUND);
    Add(checks, left, top - 1, BACKGROUND);
    Add(checks, right + 1, top, BACKGROUND);
    Add(checks, right, top - 1, BACKGROUND);
    Add(checks, left - 1, bottom, BACKGROUND);
    Add(checks, left, bottom + 1, BACKGROUND);
    Add(checks, right + 1, bottom, BACKGROUND);
    Add(checks, right, bottom + 1, BACKGROUND);

    // The middle of each quadrant.
    const int midLeft = left + picture.LeftWidth() / 2;
    const int midRight = left + (picture.LeftWidth() + picture.width) / 2;
    const int midTop = top + picture.TopHeight() / 2;
    const int midBottom = top + (picture.TopHeight() + picture.height) / 2;
    Add(checks, midLeft, midTop, TOP_LEFT, tolerance);
    Add(checks, midRight, midTop, TOP_RIGHT, tolerance);
    Add(checks, midLeft, midBottom, BOTTOM_LEFT, tolerance);
    Add(checks, midRight, midBottom, BOTTOM_RIGHT, tolerance);

    // Where the quadrants meet: exact formats only, JPEG blurs it. Also pins
    // a picture larger than the screen, whose corners are off it.
    if (tolerance == 0) {
        const int x = left + picture.LeftWidth();
        const int y = top + picture.TopHeight();
        Add(checks, x - 1, y - 1, TOP_LEFT);
        Add(checks, x, y - 1, TOP_RIGHT);
        Add(checks, x - 1, y, BOTTOM_LEFT);
        Add(checks, x, y, BOTTOM_RIGHT);
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
    const int right = SCREEN_WIDTH - 1;
    const int bottom = SCREEN_HEIGHT - 1;
    std::vector<PixelCheck> checks;
    Add(checks, 0, 0, TOP_LEFT, tolerance);
    Add(checks, right, 0, TOP_RIGHT, tolerance);
    Add(checks, 0, bottom, BOTTOM_LEFT, tolerance);
    Add(checks, right, bottom, BOTTOM_RIGHT, tolerance);
    Add(checks, SCREEN_WIDTH / 4, SCREEN_HEIGHT / 4, TOP_LEFT, tolerance);
    Add(checks, SCREEN_WIDTH * 3 / 4, SCREEN_HEIGHT / 4, TOP_RIGHT, tolerance);
    Add(checks, SCREEN_WIDTH / 4, SCREEN_HEIGHT * 3 / 4, BOTTOM_LEFT, tolerance);
    Add(checks, SCREEN_WIDTH * 3 / 4, SCREEN_HEIGHT * 3 / 4, BOTTOM_RIGHT, tolerance);
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

bool AllHold(const std::vector<PixelCheck>& checks)
{
    for (const PixelCheck& check : checks)
        if (!Holds(check))
            return false;
    return true;
}

// Waits for the screen to show `checks` (the cover may still be painting),
// then records every one that does not hold.
void CheckScreen(const std::vector<PixelCheck>& checks, const std::string& what)
{
    WaitUntil([&] { return AllHold(checks); }, 10000);
    for (const PixelCheck& check : checks) {
        if (Holds(check))
            continue;
        ADD_FAILURE() << (what + ": pixel (" + std::to_string(check.x) + "," +
                          std::to_string(check.y) + ") is " + Rgb(ScreenPixel(check.x, check.y)) +
                          (check.mustDiffer ? ", must not be " : ", expected ") +
                          Rgb(check.colour));
    }
}

bool ScreenIsTheExpectedSize()
{
    RECT desktop = {};
    GetClientRect(GetDesktopWindow(), &desktop);
    if (desktop.right == SCREEN_WIDTH && desktop.bottom == SCREEN_HEIGHT)
        return true;
    std::printf("    the picture tests need a %dx%d screen, not %ldx%ld\n", SCREEN_WIDTH,
                SCREEN_HEIGHT, desktop.right, desktop.bottom);
    return false;
}

// A working folder whose preference.dat names `picture` (ANSI bytes) on the
// background colour; the hot corner is off so the pointer cannot show the cover.
std::wstring PrepareWorkDir(const std::string& name, const std::string& picture, char stretch,
                            const std::string& captureFolder = "")
{
    return MakeWorkDirWithPreferences(
        name.c_str(), PreferenceBytes(GetRValue(BACKGROUND), GetGValue(BACKGROUND),
                                      GetBValue(BACKGROUND), picture, stretch, '0', "150",
                                      captureFolder));
}

// Starts the program with `picture` (a Windows path) as its cover picture and
// shows the cover; no message box may come on the way.
bool StartAndShowPicture(DusklidProcess& dusklid, const std::string& name,
                         const std::wstring& picture, char stretch,
                         const std::string& captureFolder = "")
{
    if (picture.empty())
        return false;
    const std::wstring dir = PrepareWorkDir(name, ShiftJis(picture), stretch, captureFolder);
    if (dir.empty() || !StartDusklidAndWait(dusklid, dir))
        return false;
    EXPECT_TRUE(FindVisibleWindow(L"#32770", dusklid.info.dwProcessId) == nullptr) << name + " gave a message box";
    return ShowCoverByHotKey(FindCoverWindow());
}

struct DrawnPicture {
    const char* file;
    Quadrants size;
    int tolerance;
    POINT centredOrigin;  // on a 1024x768 screen
};

const Quadrants ODD = {161, 121};
const POINT ODD_CENTRED = {431, 323};  // (1024-161)/2 and (768-121)/2 rounded down

// A file that the program must refuse with its warning.
struct UnreadablePicture {
    const char* name;
    std::wstring path;
    bool heldOpen;  // by the driver, without sharing, while the program starts
};

struct HeldOpen {
    HANDLE file = INVALID_HANDLE_VALUE;
    ~HeldOpen()
    {
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
    }
};

} // namespace

TEST(Picture, PictureIsDrawnCentredAtNaturalSize)
{
    ASSERT_TRUE(ScreenIsTheExpectedSize());
    const DrawnPicture pictures[] = {
        // Bottom-up rows: drawn upside down, the top corners would be yellow and white.
        {"odd.bmp", ODD, 0, ODD_CENTRED},
        {"odd.gif", ODD, 0, ODD_CENTRED},
        {"small.jpg", {160, 120}, JPEG_TOLERANCE, {432, 324}},
        {"large.jpg", {640, 480}, JPEG_TOLERANCE, {192, 144}},
        // Larger than the screen by an odd amount: the origin rounds down, away from zero.
        {"oversized.bmp", {1101, 801}, 0, {-39, -17}},
    };
    for (const DrawnPicture& picture : pictures) {
        DusklidProcess dusklid;
        ASSERT_TRUE(StartAndShowPicture(dusklid, std::string("picture_centred_") + picture.file,
                                    MakeQuadrants(picture.file, picture.size), '0'));
        CheckScreen(PictureAt(picture.size, picture.centredOrigin, picture.tolerance),
                    picture.file);
        if (std::string(picture.file) == "odd.bmp")
            Screenshot("cover-picture-centred");
    }
}

TEST(Picture, PictureIsStretchedOverTheWholeCover)
{
    ASSERT_TRUE(ScreenIsTheExpectedSize());
    const DrawnPicture pictures[] = {
        {"odd.bmp", ODD, 0, {}},
        {"odd.gif", ODD, 0, {}},
        {"small.jpg", {160, 120}, JPEG_TOLERANCE, {}},
    };
    for (const DrawnPicture& picture : pictures) {
        DusklidProcess dusklid;
        ASSERT_TRUE(StartAndShowPicture(dusklid, std::string("picture_stretched_") + picture.file,
                                    MakeQuadrants(picture.file, picture.size), '1'));
        CheckScreen(PictureStretched(picture.tolerance), picture.file);
        if (std::string(picture.file) == "small.jpg")
            Screenshot("cover-picture-stretched");
    }
}

TEST(Picture, UnreadablePictureWarnsAndTheProgramStartsWithoutIt)
{
    ASSERT_TRUE(ScreenIsTheExpectedSize());
    const std::wstring notPicture = UnixToWindowsPath(Config().workRootUnix) + L"\\text.jpg";
    ASSERT_TRUE(WriteFileBytes(notPicture, "This is text, not a picture.\r\n"));
    const UnreadablePicture pictures[] = {
        // The decoder reads an icon, but it is no bitmap.
        {"icon", MakePicture("icon.ico", "-size 32x32 xc:red"), false},
        {"text_named_jpg", notPicture, false},
        {"held_open", MakeQuadrants("held.bmp", ODD), true},
    };
    for (const UnreadablePicture& picture : pictures) {
        ASSERT_TRUE(!picture.path.empty());
        const std::string name = std::string("picture_unreadable_") + picture.name;
        const std::wstring dir = PrepareWorkDir(name, ShiftJis(picture.path), '0');
        ASSERT_TRUE(!dir.empty());
        HeldOpen held;
        if (picture.heldOpen) {
            held.file = CreateFileW(picture.path.c_str(), GENERIC_READ, 0, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
            ASSERT_TRUE(held.file != INVALID_HANDLE_VALUE);
        }

        DusklidProcess dusklid;
        ASSERT_TRUE(StartDusklid(dusklid, dir));
        // OK alone: no Cancel beside it.
        HWND dialog = WaitForDialog(dusklid.info.dwProcessId, 20000);
        EXPECT_TRUE(dialog == nullptr || GetDlgItem(dialog, IDCANCEL) == nullptr) << picture.name;
        const MessageBoxSeen box = AnswerMessageBox(dusklid.info.dwProcessId, IDOK, 20000);
        EXPECT_TRUE(box.found) << picture.name;
        if (!box.found)
            continue;
        EXPECT_TRUE(box.caption == L"エラー") << picture.name;
        EXPECT_TRUE(box.text == L"画像ファイルが読み込めませんでした。") << picture.name;
        EXPECT_TRUE(box.hasOk && !box.hasYesNo) << picture.name;
        EXPECT_TRUE(box.closed) << picture.name;

        // Start-up goes on: the cover comes, with the background alone.
        ASSERT_TRUE(WaitUntil([] { return FindCoverWindow() != nullptr; }, 20000));
        WaitForInputIdle(dusklid.info.hProcess, 5000);
        EXPECT_TRUE(FindVisibleWindow(L"#32770", dusklid.info.dwProcessId) == nullptr) << std::string(picture.name) + ": a second message box";
        if (!ShowCoverByHotKey(FindCoverWindow())) {
            ADD_FAILURE() << (std::string(picture.name) + ": cover not shown");
            continue;
        }
        CheckScreen(BackgroundOnly(), picture.name);
        EXPECT_TRUE(dusklid.Running());
    }
}

TEST(Picture, PictureFollowsALeftButtonDragAndIsCentredWhenShownAgain)
{
    ASSERT_TRUE(ScreenIsTheExpectedSize());
    DusklidProcess dusklid;
    ASSERT_TRUE(StartAndShowPicture(dusklid, "picture_drag", MakeQuadrants("odd.bmp", ODD), '0'));
    HWND cover = FindCoverWindow();
    CheckScreen(PictureAt(ODD, ODD_CENTRED, 0), "before the drag");

    // The right button does not drag; a move here would show in the end position.
    ASSERT_TRUE(MovePointer(500, 380));
    Xdo("mousedown 3");
    ASSERT_TRUE(MovePointer(560, 420));
    Xdo("mouseup 3");

    // Two steps, the button held throughout, from a point on the picture.
    ASSERT_TRUE(MovePointer(470, 350));
    Xdo("mousedown 1");
    ASSERT_TRUE(MovePointer(490, 362));
    ASSERT_TRUE(MovePointer(470 + 37, 350 + 23));
    Xdo("mouseup 1");
    const POINT moved = {ODD_CENTRED.x + 37, ODD_CENTRED.y + 23};
    std::vector<PixelCheck> afterDrag = PictureAt(ODD, moved, 0);
    // Where the picture was is repainted.
    Add(afterDrag, ODD_CENTRED.x, ODD_CENTRED.y, BACKGROUND);
    CheckScreen(afterDrag, "after the drag");

    // Moving without a button leaves it where it is.
    ASSERT_TRUE(MovePointer(300, 200));
    CheckScreen(afterDrag, "after a move without a button");

    // The hot key on the shown cover centres the picture again, on screen too.
    SendHotKey(false, true, true, false, 'H');
    std::vector<PixelCheck> centredAgain = PictureAt(ODD, ODD_CENTRED, 0);
    Add(centredAgain, moved.x + ODD.width - 1, moved.y + ODD.height - 1, BACKGROUND);
    CheckScreen(centredAgain, "hot key on the shown cover");
    // Pressed away from the last press, or it would be a double-click, which
    // neither drags nor counts as a press.
    ASSERT_TRUE(MovePointer(480, 360));
    Xdo("mousedown 1");
    ASSERT_TRUE(MovePointer(480 + 37, 360 + 23));
    Xdo("mouseup 1");
    CheckScreen(afterDrag, "dragged again from the centre");

    ASSERT_TRUE(HideCover(cover, POINT{100, 100}));
    ASSERT_TRUE(ShowCoverByHotKey(cover));
    std::vector<PixelCheck> shownAgain = PictureAt(ODD, ODD_CENTRED, 0);
    // The dragged picture's far corner: no trace of it.
    Add(shownAgain, moved.x + ODD.width - 1, moved.y + ODD.height - 1, BACKGROUND);
    CheckScreen(shownAgain, "shown again");
}

TEST(Picture, PicturePathInJapaneseIsLoaded)
{
    ASSERT_TRUE(ScreenIsTheExpectedSize());
    const std::wstring source = MakeQuadrants("odd.bmp", ODD);
    ASSERT_TRUE(!source.empty());
    const std::wstring folder = MakeWorkDir("picture_japanese_path") + L"\\画像";
    CreateDirectoryW(folder.c_str(), nullptr);
    // 表 ends in the byte of a backslash in Shift-JIS.
    const std::wstring path = folder + L"\\表紙の猫.bmp";
    ASSERT_TRUE(CopyFileW(source.c_str(), path.c_str(), FALSE));
    // A capture folder in Japanese, ending in 表, is taken as it stands too.
    DusklidProcess dusklid;
    ASSERT_TRUE(StartAndShowPicture(dusklid, "picture_japanese_path", path, '0',
                                ShiftJis(L"C:\\撮影\\表")));
    CheckScreen(PictureAt(ODD, ODD_CENTRED, 0), "Japanese path");
}
