// Showing the cover, the two-button release gesture and the hot corner, with real input.
#include "toolkit/toolkit.h"

#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr COLORREF WHITE = RGB(255, 255, 255);
constexpr COLORREF BLACK = RGB(0, 0, 0);

bool WaitForCentre(COLORREF color)
{
    return WaitForPixel(ScreenCentre().x, ScreenCentre().y, color);
}

// The cover is up, and the white window under it hidden, for all of `ms`.
bool StaysCovered(HWND cover, DWORD ms)
{
    return StaysTrue([&] {
        return IsWindowVisible(cover) && ScreenPixel(ScreenCentre().x, ScreenCentre().y) == BLACK;
    }, ms);
}

// Holds `button` (xdotool's: 1 left, 3 right) until the cover goes: the release delay later, give
// or take an early press or a late timer on a busy machine.
void ExpectHiddenByPressing(HWND cover, int button)
{
    Xdo("mousedown " + std::to_string(button));
    const DWORD start = GetTickCount();
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(cover); }, RELEASE_DELAY + 5000));
    const DWORD elapsed = GetTickCount() - start;
    Xdo("mouseup " + std::to_string(button));
    EXPECT_GE(elapsed, RELEASE_DELAY - 150) << "hidden before the delay";
    EXPECT_LE(elapsed, RELEASE_DELAY + 800) << "hidden long after the delay";
}

// Rests the pointer on each of `points` for `ms`: none of them shows the cover.
void ExpectNotHot(HWND cover, const std::vector<POINT>& points, DWORD ms)
{
    for (const POINT point : points) {
        ASSERT_TRUE(MovePointer(point.x, point.y));
        EXPECT_TRUE(StaysTrue([&] { return !IsWindowVisible(cover); }, ms))
            << "shown at " << point.x << "," << point.y;
    }
}

// Moves the pointer into the top-left corner: the cover shows, not before `delay`, counted from
// the program's last 100 ms tick with the pointer outside.
void ExpectShownAfterTheDelay(HWND cover, DWORD delay)
{
    const DWORD moved = GetTickCount();
    ASSERT_TRUE(MovePointer(0, 0));
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(cover) != FALSE; }, delay + 10000));
    EXPECT_GE(GetTickCount() - moved, delay - 250) << "shown too early";
}

} // namespace

// A white window under the screen's centre shows the (black) cover arrive; the pointer rests
// there too, away from the hot corners and the tray icon, before and after each test.
class Cover : public FreshFolderTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(MovePointer(ScreenCentre().x, ScreenCentre().y));
        FreshFolderTest::SetUp();
        ShowWhite();
    }
    void TearDown() override { MovePointer(ScreenCentre().x, ScreenCentre().y); }

    // In front of everything, or of the windows shown so far.
    void ShowWhite()
    {
        const POINT centre = ScreenCentre();
        white.emplace(WHITE, RECT{centre.x - 50, centre.y - 50, centre.x + 50, centre.y + 50});
    }

    // Shows the cover over the white window and rests the pointer on it, ready for the buttons.
    bool ShowCoverOverWhite()
    {
        return WaitForCentre(WHITE) && ShowCoverByHotKey(cover) && WaitForCentre(BLACK) &&
               MovePointer(ScreenCentre().x, ScreenCentre().y);
    }

    std::optional<ColorWindow> white;
};

TEST_F(Cover, HotKeyShowsTheCoverOverEverything)
{
    ASSERT_TRUE(Start());
    ASSERT_TRUE(ShowCoverOverWhite());
    EXPECT_EQ(GetForegroundWindow(), cover);
    const std::vector<COLORREF> screen = GrabScreen(DesktopRect());
    EXPECT_EQ(std::count(screen.begin(), screen.end(), BLACK), static_cast<long>(screen.size()));
    Screenshot("cover-shown");
}

TEST_F(Cover, MenuCommandAndTrayClickShowTheCover)
{
    ASSERT_TRUE(Start());
    // The tray icon's press comes as the shell reports it.
    const struct { const char* name; UINT message; WPARAM wParam; LPARAM lParam; } ways[] = {
        {"menu command", WM_COMMAND, IDM_COVER, 0},
        {"tray icon press", WM_TRAYICON, TRAY_ICON_ID, WM_LBUTTONDOWN}};
    for (const auto& way : ways) {
        SCOPED_TRACE(way.name);
        ASSERT_TRUE(WaitForCentre(WHITE));
        PostMessageW(cover, way.message, way.wParam, way.lParam);
        EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(cover) != FALSE; }, 5000) &&
                    WaitForCentre(BLACK));
        EXPECT_TRUE(HideCover(cover, ScreenCentre()));
    }
}

TEST_F(Cover, HotKeyWorksWhileAMessageBoxIsOpen)
{
    ASSERT_TRUE(Start());
    // The about box runs its own modal loop inside the command handler.
    PostMessageW(cover, WM_COMMAND, IDM_ABOUT, 0);
    HWND box = WaitForAboutBox(dusklid.Id());
    ASSERT_NE(box, nullptr);
    ShowWhite();  // over the box, in the middle of the screen
    EXPECT_TRUE(ShowCoverOverWhite());
    EXPECT_TRUE(IsWindow(box));
}

TEST_F(Cover, TrayNotificationsOtherThanLeftPressDoNotShowTheCover)
{
    ASSERT_TRUE(Start());
    for (const LPARAM notification : {WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_MOUSEMOVE})
        PostMessageW(cover, WM_TRAYICON, TRAY_ICON_ID, notification);
    PostMessageW(cover, WM_TRAYICON, TRAY_ICON_ID + 1, WM_LBUTTONDOWN);  // not our icon
    // A command the program answers comes after them in the queue.
    PostMessageW(cover, WM_COMMAND, IDM_ABOUT, 0);
    ASSERT_NE(WaitForAboutBox(dusklid.Id()), nullptr);
    EXPECT_FALSE(IsWindowVisible(cover));
}

TEST_F(Cover, HoldingBothButtonsForTwoSecondsHidesInEitherOrder)
{
    ASSERT_TRUE(Start());
    for (const auto& [first, second] : {std::pair{1, 3}, std::pair{3, 1}}) {
        SCOPED_TRACE("button " + std::to_string(first) + " first");
        ASSERT_TRUE(ShowCoverOverWhite());
        Xdo("mousedown " + std::to_string(first));
        Sleep(200);
        ExpectHiddenByPressing(cover, second);
        Xdo("mouseup " + std::to_string(first));
        EXPECT_TRUE(WaitForCentre(WHITE));
        Sleep(GetDoubleClickTime() + 100);  // lest the next press count as a double-click
    }
    EXPECT_TRUE(dusklid.Running());
}

TEST_F(Cover, ReleasingEarlyKeepsTheCoverAndPressingAgainRestartsTheDelay)
{
    ASSERT_TRUE(Start());
    ASSERT_TRUE(ShowCoverOverWhite());
    Xdo("mousedown 1 mousedown 3");
    Sleep(1000);
    Xdo("mouseup 3");
    EXPECT_TRUE(StaysCovered(cover, RELEASE_DELAY + 1000)) << "hidden after an early release";
    ExpectHiddenByPressing(cover, 3);
    Xdo("mouseup 1");
}

TEST_F(Cover, OneButtonAloneNeverHides)
{
    ASSERT_TRUE(Start());
    ASSERT_TRUE(ShowCoverOverWhite());
    for (const std::string button : {"1", "3"}) {
        Xdo("mousedown " + button);
        EXPECT_TRUE(StaysCovered(cover, RELEASE_DELAY + 800)) << "hidden by button " << button;
        Xdo("mouseup " + button);
    }
}

TEST_F(Cover, ADoubleClickPressDoesNotStartTheGesture)
{
    ASSERT_TRUE(Start());
    ASSERT_TRUE(ShowCoverOverWhite());
    // A click, then at once a press reported as a double-click: the left button is not held.
    Xdo("click 1 mousedown 1");
    Xdo("mousedown 3");
    EXPECT_TRUE(StaysCovered(cover, RELEASE_DELAY + 800));
    Xdo("mouseup 3 mouseup 1");
    // An ordinary hold still works afterwards.
    Sleep(GetDoubleClickTime() + 100);
    EXPECT_TRUE(HideCover(cover, ScreenCentre()));
}

TEST_F(Cover, HotCornerIsIgnoredWhenSwitchedOff)
{
    ASSERT_TRUE(Start(PreferenceBytes(PreferenceFields().Corner('0').Delay("0"))));
    const RECT screen = DesktopRect();
    ExpectNotHot(cover, {{0, 0}, {screen.right - 1, 0}, {0, screen.bottom - 1},
                         {screen.right - 1, screen.bottom - 1}}, 500);
}

TEST_F(Cover, HotCornerCoversTheScreenAfterTheDelay)
{
    constexpr COLORREF RED = RGB(200, 0, 0);
    constexpr DWORD DELAY = 2000;
    ASSERT_TRUE(
        Start(PreferenceBytes(PreferenceFields().Color(RED).Corner('1').Delay(std::to_string(DELAY)))));
    // The pixels beside the corner are not hot, however long the pointer rests.
    ExpectNotHot(cover, {{1, 0}, {0, 1}}, DELAY + 1000);
    ExpectShownAfterTheDelay(cover, DELAY);
    EXPECT_TRUE(WaitForCentre(RED));
    EXPECT_EQ(Rgb(ScreenPixel(DesktopRect().right - 1, DesktopRect().bottom - 1)), Rgb(RED));

    // Left while shown and come back after hiding: the full delay again.
    ASSERT_TRUE(HideCover(cover, ScreenCentre()));
    EXPECT_TRUE(StaysTrue([&] { return !IsWindowVisible(cover); }, 300));
    ExpectShownAfterTheDelay(cover, DELAY);
}

TEST_F(Cover, DefaultHotCornerIsTheBottomRightSquare)
{
    ASSERT_TRUE(Start());
    const RECT screen = DesktopRect();
    // Ten pixels by ten, after 150 ms.
    ExpectNotHot(cover, {{screen.right - 11, screen.bottom - 1}, {screen.right - 1, screen.bottom - 11}},
                 1000);
    ASSERT_TRUE(MovePointer(screen.right - 10, screen.bottom - 10));
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(cover) != FALSE; }, 5000));
    EXPECT_TRUE(WaitForCentre(BLACK));
}
