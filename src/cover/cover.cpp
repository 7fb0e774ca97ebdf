#include "cover.h"

#include "core/app_state.h"
#include "cover_layout.h"
#include "cover_paint.h"
#include "hot_corner.h"

namespace {

BOOL CALLBACK AddDisplay(HMONITOR monitor, HDC, LPRECT, LPARAM)
{
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    if (GetMonitorInfoA(monitor, &info))
        AddDisplayToLayout(appState.displayLayout,
                           {info.rcMonitor.left, info.rcMonitor.top, info.rcMonitor.right,
                            info.rcMonitor.bottom},
                           (info.dwFlags & MONITORINFOF_PRIMARY) != 0);
    return TRUE;
}

// Places the cover over every display just read, without changing its
// z-order or activating it. A move to where it already stands is skipped:
// under Wine it still costs a round trip to the X server at every showing.
// The displays' bounding box is the virtual screen (the layout keeps the
// outermost displays, however many there are), without the four metrics
// that cost Wine more than reading the displays did.
void CoverEveryDisplay(HWND window)
{
    const DisplayRect box = DisplaysBoundingBox(appState.displayLayout);
    const RECT screen = {box.left, box.top, box.right, box.bottom};
    RECT now = {};
    if (GetWindowRect(window, &now) && EqualRect(&now, &screen))
        return;
    SetWindowPos(window, nullptr, screen.left, screen.top, screen.right - screen.left,
                 screen.bottom - screen.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace

void ReadDisplayLayout()
{
    DisplayLayout& layout = appState.displayLayout;
    layout.count = 0;
    layout.primary = -1;
    EnumDisplayMonitors(nullptr, nullptr, AddDisplay, 0);
    if (layout.count == 0) {
        // No monitor reported: the desktop window's client area is the
        // primary display.
        RECT desktop = {};
        GetClientRect(GetDesktopWindow(), &desktop);
        layout.displays[0] = {0, 0, desktop.right, desktop.bottom};
        layout.count = 1;
    }
    if (layout.primary < 0)
        layout.primary = 0;
}

void SetCoverVisible(HWND window, bool visible)
{
    if (!visible) {
        ShowWindow(window, SW_HIDE);
        appState.covered = false;
        return;
    }
    ReadDisplayLayout();
    // Nothing to do unless the primary display changed unnoticed.
    PrepareStretchedPicture();
    CoverEveryDisplay(window);
    // Every show starts centred on the primary display, discarding where an
    // earlier drag left it.
    const DisplayRect& primary = appState.displayLayout.displays[appState.displayLayout.primary];
    appState.pictureX = CentredPictureOrigin(primary.right - primary.left, appState.pictureWidth);
    appState.pictureY = CentredPictureOrigin(primary.bottom - primary.top, appState.pictureHeight);
    ShowWindow(window, SW_SHOWNORMAL);
    // Showing a cover that is already shown paints nothing by itself; without
    // this the picture would stay where a drag left it, away from the
    // position the next drag starts from.
    InvalidateRect(window, nullptr, FALSE);
    SetForegroundWindow(window);
    appState.covered = true;
}

void FollowDisplayLayout(HWND window, int bitsPerPixel)
{
    ReadDisplayLayout();
    PrepareStretchedPicture(bitsPerPixel);
    if (!appState.covered)
        return;
    CoverEveryDisplay(window);
    InvalidateRect(window, nullptr, FALSE);
}

void CheckHotCorner(HWND window)
{
    if (appState.covered || appState.hotCorner == HOT_CORNER_OFF)
        return;

    POINT pointer = {};
    // Without a pointer position (another desktop is active, for instance)
    // there is nothing to decide on: neither inside nor outside.
    if (!GetCursorPos(&pointer))
        return;
    const DWORD now = GetTickCount();

    const DisplayLayout& layout = appState.displayLayout;
    const std::int32_t display = HotCornerDisplay(appState.hotCorner, layout);
    if (display < 0 ||
        !IsPointerInHotCornerOf(appState.hotCorner, pointer.x, pointer.y, layout.displays[display])) {
        appState.lastOutsideTick = now;
        return;
    }
    if (HasDweltLongEnough(now, appState.lastOutsideTick, appState.hotCornerDelay))
        SetCoverVisible(window, true);
}
