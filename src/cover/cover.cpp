#include "cover.h"

#include "core/app_state.h"
#include "cover_layout.h"
#include "hot_corner.h"

namespace {

// The desktop window's client rectangle is the primary display: left and top
// are 0, right and bottom its size.
RECT DesktopRect()
{
    RECT desktop = {};
    GetClientRect(GetDesktopWindow(), &desktop);
    return desktop;
}

} // namespace

void SetCoverVisible(HWND window, bool visible)
{
    if (!visible) {
        ShowWindow(window, SW_HIDE);
        appState.covered = false;
        return;
    }
    // Every show starts centred, discarding where an earlier drag left it.
    const RECT desktop = DesktopRect();
    appState.pictureX = CentredPictureOrigin(desktop.right, appState.pictureWidth);
    appState.pictureY = CentredPictureOrigin(desktop.bottom, appState.pictureHeight);
    ShowWindow(window, SW_SHOWNORMAL);
    // Showing a cover that is already shown paints nothing by itself; without
    // this the picture would stay where a drag left it, away from the
    // position the next drag starts from.
    InvalidateRect(window, nullptr, FALSE);
    SetForegroundWindow(window);
    appState.covered = true;
}

void CheckHotCorner(HWND window)
{
    if (appState.covered || appState.hotCorner == HOT_CORNER_OFF)
        return;

    const RECT desktop = DesktopRect();
    POINT pointer = {};
    // Without a pointer position (another desktop is active, for instance)
    // there is nothing to decide on: neither inside nor outside.
    if (!GetCursorPos(&pointer))
        return;
    const DWORD now = GetTickCount();

    if (!IsPointerInHotCorner(appState.hotCorner, pointer.x, pointer.y, desktop.right,
                              desktop.bottom)) {
        appState.lastOutsideTick = now;
        return;
    }
    if (HasDweltLongEnough(now, appState.lastOutsideTick, appState.hotCornerDelay))
        SetCoverVisible(window, true);
}
