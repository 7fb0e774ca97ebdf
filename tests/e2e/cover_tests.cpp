// Showing the cover and the two-button release gesture, with real input.
#include "toolkit/toolkit.h"

#include <optional>

namespace {

constexpr COLORREF WHITE = RGB(255, 255, 255);
constexpr COLORREF BLACK = RGB(0, 0, 0);

// A white window of the driver's under the screen's centre, so that the cover
// (black until the settings say otherwise) is seen to arrive there.
RECT CentreArea()
{
    const POINT centre = ScreenCentre();
    return RECT{centre.x - 50, centre.y - 50, centre.x + 50, centre.y + 50};
}

bool CentreIs(COLORREF colour)
{
    const POINT centre = ScreenCentre();
    return ScreenPixel(centre.x, centre.y) == colour;
}

bool CoverShown(HWND cover)
{
    return IsWindowVisible(cover) && CentreIs(BLACK);
}

// Shows the cover with its hot key over a white background; false if it fails.
bool ShowCoverWithHotKey(HWND cover)
{
    if (!WaitUntil([] { return CentreIs(WHITE); }, 5000))
        return false;
    SendHotKey(false, true, true, false, 'H');
    return WaitUntil([&] { return CoverShown(cover); }, 5000);
}

// Shows the cover and rests the pointer on its centre, ready for the buttons.
bool ShowCoverUnderThePointer(HWND cover)
{
    return ShowCoverWithHotKey(cover) && MovePointer(ScreenCentre().x, ScreenCentre().y);
}

// Milliseconds from now until the cover is hidden, or -1 if it stays shown
// for the release delay and a generous margin.
long MillisecondsUntilHidden(HWND cover)
{
    const DWORD start = GetTickCount();
    if (!WaitUntil([&] { return !IsWindowVisible(cover); }, RELEASE_DELAY + 5000))
        return -1;
    return static_cast<long>(GetTickCount() - start);
}

// Hidden no earlier than the delay after the second press, less a margin for
// the press reaching the program before the driver knows it was sent.
bool HidAfterTheDelay(long elapsed)
{
    return elapsed >= static_cast<long>(RELEASE_DELAY) - 150;
}

// Presses `first` then `second` (xdotool button numbers: 1 left, 3 right),
// holds both, and returns the milliseconds until the cover went away, or -1.
long HoldBothButtons(HWND cover, int first, int second)
{
    Xdo("mousedown " + std::to_string(first));
    Sleep(200);
    Xdo("mousedown " + std::to_string(second));
    const long elapsed = MillisecondsUntilHidden(cover);
    Xdo("mouseup " + std::to_string(second));
    Xdo("mouseup " + std::to_string(first));
    return elapsed;
}

// A running copy whose cover is shown over a white window of the driver's,
// with the pointer resting on its centre: where the button tests start.
struct ShownCover {
    DusklidProcess dusklid;
    std::optional<ColourWindow> white;
    HWND cover = nullptr;
};

bool StartWithCoverUnderThePointer(ShownCover& shown, const char* testName)
{
    if (!StartDusklidAndWait(shown.dusklid, testName))
        return false;
    shown.white.emplace(WHITE, CentreArea());
    shown.cover = FindCoverWindow();
    return ShowCoverUnderThePointer(shown.cover);
}

} // namespace

TEST(Cover, HotKeyShowsTheCoverOverEverything)
{
    DusklidProcess dusklid;
    ASSERT_TRUE(StartDusklidAndWait(dusklid, "hot_key_shows"));
    ColourWindow white(WHITE, CentreArea());
    HWND cover = FindCoverWindow();
    ASSERT_TRUE(ShowCoverWithHotKey(cover));
    EXPECT_TRUE(GetForegroundWindow() == cover);
    // Every corner of the screen is covered too.
    RECT desktop = {};
    GetClientRect(GetDesktopWindow(), &desktop);
    EXPECT_TRUE(ScreenPixel(0, 0) == BLACK);
    EXPECT_TRUE(ScreenPixel(desktop.right - 1, desktop.bottom - 1) == BLACK);
    Screenshot("cover-shown");
}

TEST(Cover, MenuCommandAndTrayClickShowTheCover)
{
    DusklidProcess dusklid;
    ASSERT_TRUE(StartDusklidAndWait(dusklid, "command_shows"));
    HWND cover = FindCoverWindow();
    {
        ColourWindow white(WHITE, CentreArea());
        ASSERT_TRUE(WaitUntil([] { return CentreIs(WHITE); }, 5000));
        PostMessageW(cover, WM_COMMAND, 500, 0);
        EXPECT_TRUE(WaitUntil([&] { return CoverShown(cover); }, 5000));
    }
    MovePointer(ScreenCentre().x, ScreenCentre().y);
    EXPECT_TRUE(HoldBothButtons(cover, 1, 3) >= 0);
    {
        ColourWindow white(WHITE, CentreArea());
        ASSERT_TRUE(WaitUntil([] { return CentreIs(WHITE); }, 5000));
        // The tray icon's left-button press, as the shell reports it.
        PostMessageW(cover, 4321, 2953, WM_LBUTTONDOWN);
        EXPECT_TRUE(WaitUntil([&] { return CoverShown(cover); }, 5000));
    }
}

TEST(Cover, HotKeyWorksWhileAMessageBoxIsOpen)
{
    DusklidProcess dusklid;
    ASSERT_TRUE(StartDusklidAndWait(dusklid, "hot_key_modal"));
    HWND cover = FindCoverWindow();
    // The about box runs its own modal loop inside the command handler.
    PostMessageW(cover, WM_COMMAND, 504, 0);
    HWND box = WaitForDialog(dusklid.info.dwProcessId);
    ASSERT_TRUE(box != nullptr);
    ColourWindow white(WHITE, CentreArea());
    EXPECT_TRUE(ShowCoverWithHotKey(cover));
    EXPECT_TRUE(IsWindow(box));
    SendMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
}

TEST(Cover, TrayNotificationsOtherThanLeftPressDoNotShowTheCover)
{
    DusklidProcess dusklid;
    ASSERT_TRUE(StartDusklidAndWait(dusklid, "tray_other"));
    HWND cover = FindCoverWindow();
    PostMessageW(cover, 4321, 2953, WM_LBUTTONUP);
    PostMessageW(cover, 4321, 2953, WM_LBUTTONDBLCLK);
    PostMessageW(cover, 4321, 2953, WM_MOUSEMOVE);
    PostMessageW(cover, 4321, 2954, WM_LBUTTONDOWN);   // not our icon
    // A command the program answers comes after them in the queue.
    PostMessageW(cover, WM_COMMAND, 504, 0);
    HWND box = WaitForDialog(dusklid.info.dwProcessId);
    ASSERT_TRUE(box != nullptr);
    EXPECT_TRUE(!IsWindowVisible(cover));
    SendMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
}

TEST(Cover, HoldingBothButtonsForTwoSecondsHidesInEitherOrder)
{
    DusklidProcess dusklid;
    ASSERT_TRUE(StartDusklidAndWait(dusklid, "release_gesture"));
    ColourWindow white(WHITE, CentreArea());
    HWND cover = FindCoverWindow();
    const int orders[][2] = {{1, 3}, {3, 1}};  // left then right, right then left
    for (const auto& order : orders) {
        ASSERT_TRUE(ShowCoverUnderThePointer(cover));
        const long elapsed = HoldBothButtons(cover, order[0], order[1]);
        EXPECT_TRUE(elapsed >= 0) << "the cover was hidden";
        EXPECT_TRUE(HidAfterTheDelay(elapsed)) << std::to_string(elapsed) + " ms";
        EXPECT_TRUE(WaitUntil([] { return CentreIs(WHITE); }, 5000));
        // The next press must not be taken for a double-click.
        Sleep(GetDoubleClickTime() + 100);
    }
    EXPECT_TRUE(dusklid.Running());
}

TEST(Cover, ReleasingEarlyKeepsTheCoverAndPressingAgainRestartsTheDelay)
{
    ShownCover shown;
    ASSERT_TRUE(StartWithCoverUnderThePointer(shown, "release_early"));
    HWND cover = shown.cover;

    Xdo("mousedown 1");
    Xdo("mousedown 3");
    Sleep(1000);
    Xdo("mouseup 3");
    // Well past the first press's two seconds: still covered.
    Sleep(RELEASE_DELAY + 1000);
    EXPECT_TRUE(CoverShown(cover));

    Xdo("mousedown 3");
    const long elapsed = MillisecondsUntilHidden(cover);
    Xdo("mouseup 3");
    Xdo("mouseup 1");
    EXPECT_TRUE(elapsed >= 0) << "the cover was hidden";
    EXPECT_TRUE(HidAfterTheDelay(elapsed)) << std::to_string(elapsed) + " ms";
}

TEST(Cover, OneButtonAloneNeverHides)
{
    ShownCover shown;
    ASSERT_TRUE(StartWithCoverUnderThePointer(shown, "one_button"));
    HWND cover = shown.cover;
    Xdo("mousedown 1");
    Sleep(RELEASE_DELAY + 800);
    Xdo("mouseup 1");
    EXPECT_TRUE(CoverShown(cover));
    Xdo("mousedown 3");
    Sleep(RELEASE_DELAY + 800);
    Xdo("mouseup 3");
    EXPECT_TRUE(CoverShown(cover));
}

TEST(Cover, ADoubleClickPressDoesNotStartTheGesture)
{
    ShownCover shown;
    ASSERT_TRUE(StartWithCoverUnderThePointer(shown, "double_click"));
    HWND cover = shown.cover;
    // A click, then at once a second press that the platform reports as a
    // double-click: the left button does not count as held.
    Xdo("click 1 mousedown 1");
    Xdo("mousedown 3");
    Sleep(RELEASE_DELAY + 800);
    EXPECT_TRUE(CoverShown(cover));
    Xdo("mouseup 3");
    Xdo("mouseup 1");
    // An ordinary hold still works afterwards.
    Sleep(GetDoubleClickTime() + 100);
    EXPECT_TRUE(HoldBothButtons(cover, 1, 3) >= 0);
}

TEST(Cover, HotCornerIsIgnoredWhenSwitchedOff)
{
    const std::wstring dir =
        MakeWorkDirWithPreferences("hot_corner_off", PreferenceBytes(0, 0, 0, "", '1', '0', "0", ""));
    ASSERT_TRUE(!dir.empty());
    DusklidProcess dusklid;
    ASSERT_TRUE(StartDusklidAndWait(dusklid, dir));
    HWND cover = FindCoverWindow();
    RECT desktop = {};
    GetClientRect(GetDesktopWindow(), &desktop);
    const POINT corners[] = {{0, 0}, {desktop.right - 1, 0}, {0, desktop.bottom - 1},
                             {desktop.right - 1, desktop.bottom - 1}};
    for (const POINT& corner : corners) {
        ASSERT_TRUE(MovePointer(corner.x, corner.y));
        EXPECT_TRUE(!WaitUntil([&] { return IsWindowVisible(cover) != FALSE; }, 500));
    }
}

TEST(Cover, HotCornerCoversTheScreenAfterTheDelay)
{
    constexpr COLORREF RED = RGB(200, 0, 0);
    constexpr DWORD DELAY = 2000;
    const std::wstring dir = MakeWorkDirWithPreferences(
        "hot_corner_top_left", PreferenceBytes(200, 0, 0, "", '1', '1', std::to_string(DELAY), ""));
    ASSERT_TRUE(!dir.empty());
    ASSERT_TRUE(MovePointer(500, 400));
    DusklidProcess dusklid;
    ASSERT_TRUE(StartDusklidAndWait(dusklid, dir));
    HWND cover = FindCoverWindow();
    const auto shown = [&] { return IsWindowVisible(cover) != FALSE; };

    // The pixels beside the corner are not hot, however long the pointer rests.
    for (const POINT& beside : {POINT{1, 0}, POINT{0, 1}}) {
        ASSERT_TRUE(MovePointer(beside.x, beside.y));
        EXPECT_TRUE(!WaitUntil(shown, DELAY + 1000));
    }

    const DWORD moved = GetTickCount();
    ASSERT_TRUE(MovePointer(0, 0));
    ASSERT_TRUE(WaitUntil(shown, DELAY + 10000));
    const DWORD elapsed = GetTickCount() - moved;
    // Not before the delay; the margin allows for the timer's 100 ms steps
    // and a late tick of the program.
    EXPECT_TRUE(elapsed + 1000 >= DELAY) << "shown after " + std::to_string(elapsed) + " ms";
    EXPECT_TRUE(WaitUntil([] { return CentreIs(RED); }, 5000));
    RECT desktop = {};
    GetClientRect(GetDesktopWindow(), &desktop);
    EXPECT_TRUE(ScreenPixel(desktop.right - 1, desktop.bottom - 1) == RED);
}

TEST(Cover, DefaultHotCornerIsTheBottomRightBand)
{
    ASSERT_TRUE(MovePointer(500, 400));
    DusklidProcess dusklid;
    ASSERT_TRUE(StartDusklidAndWait(dusklid, "hot_corner_default"));
    HWND cover = FindCoverWindow();
    const auto shown = [&] { return IsWindowVisible(cover) != FALSE; };
    RECT desktop = {};
    GetClientRect(GetDesktopWindow(), &desktop);
    // A band ten pixels wide along the right and bottom edges, after 150 ms.
    for (const POINT& beside : {POINT{desktop.right - 11, desktop.bottom - 1},
                                POINT{desktop.right - 1, desktop.bottom - 11}}) {
        ASSERT_TRUE(MovePointer(beside.x, beside.y));
        EXPECT_TRUE(!WaitUntil(shown, 1000));
    }
    ASSERT_TRUE(MovePointer(desktop.right - 10, desktop.bottom - 10));
    EXPECT_TRUE(WaitUntil(shown, 5000));
    EXPECT_TRUE(WaitUntil([] { return CentreIs(BLACK); }, 5000));
    ASSERT_TRUE(MovePointer(500, 400));
}
