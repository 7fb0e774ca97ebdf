// Showing the cover and the two-button release gesture, with real input.
#include "e2e_support.h"

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

E2E_TEST(HotKeyShowsTheCoverOverEverything)
{
    DusklidProcess dusklid;
    REQUIRE(StartDusklidAndWait(dusklid, "hot_key_shows"));
    ColourWindow white(WHITE, CentreArea());
    HWND cover = FindCoverWindow();
    REQUIRE(ShowCoverWithHotKey(cover));
    CHECK(GetForegroundWindow() == cover);
    // Every corner of the screen is covered too.
    RECT desktop = {};
    GetClientRect(GetDesktopWindow(), &desktop);
    CHECK(ScreenPixel(0, 0) == BLACK);
    CHECK(ScreenPixel(desktop.right - 1, desktop.bottom - 1) == BLACK);
    Screenshot("cover-shown");
}

E2E_TEST(MenuCommandAndTrayClickShowTheCover)
{
    DusklidProcess dusklid;
    REQUIRE(StartDusklidAndWait(dusklid, "command_shows"));
    HWND cover = FindCoverWindow();
    {
        ColourWindow white(WHITE, CentreArea());
        REQUIRE(WaitUntil([] { return CentreIs(WHITE); }, 5000));
        PostMessageW(cover, WM_COMMAND, 500, 0);
        CHECK(WaitUntil([&] { return CoverShown(cover); }, 5000));
    }
    MovePointer(ScreenCentre().x, ScreenCentre().y);
    CHECK(HoldBothButtons(cover, 1, 3) >= 0);
    {
        ColourWindow white(WHITE, CentreArea());
        REQUIRE(WaitUntil([] { return CentreIs(WHITE); }, 5000));
        // The tray icon's left-button press, as the shell reports it.
        PostMessageW(cover, 4321, 2953, WM_LBUTTONDOWN);
        CHECK(WaitUntil([&] { return CoverShown(cover); }, 5000));
    }
}

E2E_TEST(HotKeyWorksWhileAMessageBoxIsOpen)
{
    DusklidProcess dusklid;
    REQUIRE(StartDusklidAndWait(dusklid, "hot_key_modal"));
    HWND cover = FindCoverWindow();
    // The about box runs its own modal loop inside the command handler.
    PostMessageW(cover, WM_COMMAND, 504, 0);
    HWND box = WaitForDialog(dusklid.info.dwProcessId);
    REQUIRE(box != nullptr);
    ColourWindow white(WHITE, CentreArea());
    CHECK(ShowCoverWithHotKey(cover));
    CHECK(IsWindow(box));
    SendMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
}

E2E_TEST(TrayNotificationsOtherThanLeftPressDoNotShowTheCover)
{
    DusklidProcess dusklid;
    REQUIRE(StartDusklidAndWait(dusklid, "tray_other"));
    HWND cover = FindCoverWindow();
    PostMessageW(cover, 4321, 2953, WM_LBUTTONUP);
    PostMessageW(cover, 4321, 2953, WM_LBUTTONDBLCLK);
    PostMessageW(cover, 4321, 2953, WM_MOUSEMOVE);
    PostMessageW(cover, 4321, 2954, WM_LBUTTONDOWN);   // not our icon
    // A command the program answers comes after them in the queue.
    PostMessageW(cover, WM_COMMAND, 504, 0);
    HWND box = WaitForDialog(dusklid.info.dwProcessId);
    REQUIRE(box != nullptr);
    CHECK(!IsWindowVisible(cover));
    SendMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
}

E2E_TEST(HoldingBothButtonsForTwoSecondsHidesInEitherOrder)
{
    DusklidProcess dusklid;
    REQUIRE(StartDusklidAndWait(dusklid, "release_gesture"));
    ColourWindow white(WHITE, CentreArea());
    HWND cover = FindCoverWindow();
    const int orders[][2] = {{1, 3}, {3, 1}};  // left then right, right then left
    for (const auto& order : orders) {
        REQUIRE(ShowCoverUnderThePointer(cover));
        const long elapsed = HoldBothButtons(cover, order[0], order[1]);
        CHECK_MSG(elapsed >= 0, "the cover was hidden");
        CHECK_MSG(HidAfterTheDelay(elapsed), std::to_string(elapsed) + " ms");
        CHECK(WaitUntil([] { return CentreIs(WHITE); }, 5000));
        // The next press must not be taken for a double-click.
        Sleep(GetDoubleClickTime() + 100);
    }
    CHECK(dusklid.Running());
}

E2E_TEST(ReleasingEarlyKeepsTheCoverAndPressingAgainRestartsTheDelay)
{
    ShownCover shown;
    REQUIRE(StartWithCoverUnderThePointer(shown, "release_early"));
    HWND cover = shown.cover;

    Xdo("mousedown 1");
    Xdo("mousedown 3");
    Sleep(1000);
    Xdo("mouseup 3");
    // Well past the first press's two seconds: still covered.
    Sleep(RELEASE_DELAY + 1000);
    CHECK(CoverShown(cover));

    Xdo("mousedown 3");
    const long elapsed = MillisecondsUntilHidden(cover);
    Xdo("mouseup 3");
    Xdo("mouseup 1");
    CHECK_MSG(elapsed >= 0, "the cover was hidden");
    CHECK_MSG(HidAfterTheDelay(elapsed), std::to_string(elapsed) + " ms");
}

E2E_TEST(OneButtonAloneNeverHides)
{
    ShownCover shown;
    REQUIRE(StartWithCoverUnderThePointer(shown, "one_button"));
    HWND cover = shown.cover;
    Xdo("mousedown 1");
    Sleep(RELEASE_DELAY + 800);
    Xdo("mouseup 1");
    CHECK(CoverShown(cover));
    Xdo("mousedown 3");
    Sleep(RELEASE_DELAY + 800);
    Xdo("mouseup 3");
    CHECK(CoverShown(cover));
}

E2E_TEST(ADoubleClickPressDoesNotStartTheGesture)
{
    ShownCover shown;
    REQUIRE(StartWithCoverUnderThePointer(shown, "double_click"));
    HWND cover = shown.cover;
    // A click, then at once a second press that the platform reports as a
    // double-click: the left button does not count as held.
    Xdo("click 1 mousedown 1");
    Xdo("mousedown 3");
    Sleep(RELEASE_DELAY + 800);
    CHECK(CoverShown(cover));
    Xdo("mouseup 3");
    Xdo("mouseup 1");
    // An ordinary hold still works afterwards.
    Sleep(GetDoubleClickTime() + 100);
    CHECK(HoldBothButtons(cover, 1, 3) >= 0);
}

E2E_TEST(HotCornerIsIgnoredWhenSwitchedOff)
{
    const std::wstring dir =
        MakeWorkDirWithPreferences("hot_corner_off", PreferenceBytes(0, 0, 0, "", '1', '0', "0", ""));
    REQUIRE(!dir.empty());
    DusklidProcess dusklid;
    REQUIRE(StartDusklidAndWait(dusklid, dir));
    HWND cover = FindCoverWindow();
    RECT desktop = {};
    GetClientRect(GetDesktopWindow(), &desktop);
    const POINT corners[] = {{0, 0}, {desktop.right - 1, 0}, {0, desktop.bottom - 1},
                             {desktop.right - 1, desktop.bottom - 1}};
    for (const POINT& corner : corners) {
        REQUIRE(MovePointer(corner.x, corner.y));
        CHECK(!WaitUntil([&] { return IsWindowVisible(cover) != FALSE; }, 500));
    }
}

E2E_TEST(HotCornerCoversTheScreenAfterTheDelay)
{
    constexpr COLORREF RED = RGB(200, 0, 0);
    constexpr DWORD DELAY = 2000;
    const std::wstring dir = MakeWorkDirWithPreferences(
        "hot_corner_top_left", PreferenceBytes(200, 0, 0, "", '1', '1', std::to_string(DELAY), ""));
    REQUIRE(!dir.empty());
    REQUIRE(MovePointer(500, 400));
    DusklidProcess dusklid;
    REQUIRE(StartDusklidAndWait(dusklid, dir));
    HWND cover = FindCoverWindow();
    const auto shown = [&] { return IsWindowVisible(cover) != FALSE; };

    // The pixels beside the corner are not hot, however long the pointer rests.
    for (const POINT& beside : {POINT{1, 0}, POINT{0, 1}}) {
        REQUIRE(MovePointer(beside.x, beside.y));
        CHECK(!WaitUntil(shown, DELAY + 1000));
    }

    const DWORD moved = GetTickCount();
    REQUIRE(MovePointer(0, 0));
    REQUIRE(WaitUntil(shown, DELAY + 10000));
    const DWORD elapsed = GetTickCount() - moved;
    // Not before the delay; the margin allows for the timer's 100 ms steps
    // and a late tick of the program.
    CHECK_MSG(elapsed + 1000 >= DELAY, "shown after " + std::to_string(elapsed) + " ms");
    CHECK(WaitUntil([] { return CentreIs(RED); }, 5000));
    RECT desktop = {};
    GetClientRect(GetDesktopWindow(), &desktop);
    CHECK(ScreenPixel(desktop.right - 1, desktop.bottom - 1) == RED);
}

E2E_TEST(DefaultHotCornerIsTheBottomRightBand)
{
    REQUIRE(MovePointer(500, 400));
    DusklidProcess dusklid;
    REQUIRE(StartDusklidAndWait(dusklid, "hot_corner_default"));
    HWND cover = FindCoverWindow();
    const auto shown = [&] { return IsWindowVisible(cover) != FALSE; };
    RECT desktop = {};
    GetClientRect(GetDesktopWindow(), &desktop);
    // A band ten pixels wide along the right and bottom edges, after 150 ms.
    for (const POINT& beside : {POINT{desktop.right - 11, desktop.bottom - 1},
                                POINT{desktop.right - 1, desktop.bottom - 11}}) {
        REQUIRE(MovePointer(beside.x, beside.y));
        CHECK(!WaitUntil(shown, 1000));
    }
    REQUIRE(MovePointer(desktop.right - 10, desktop.bottom - 10));
    CHECK(WaitUntil(shown, 5000));
    CHECK(WaitUntil([] { return CentreIs(BLACK); }, 5000));
    REQUIRE(MovePointer(500, 400));
}
