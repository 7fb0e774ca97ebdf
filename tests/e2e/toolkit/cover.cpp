#include "cover.h"

#include "core/identifiers.h"
#include "dialogs.h"
#include "process.h"
#include "x_bridge.h"

bool ShowCoverByHotKey(HWND cover)
{
    for (int attempt = 0; attempt < 15; ++attempt) {
        PressHotKey(HOTKEY_COVER);
        if (WaitUntil([&] { return IsWindowVisible(cover) != FALSE; }, 1000))
            return true;
    }
    return false;
}

bool HideCover(HWND cover, POINT at)
{
    if (!MovePointer(at.x, at.y))
        return false;
    Xdo("mousedown 1 mousedown 3");
    const bool hidden = WaitUntil([&] { return !IsWindowVisible(cover); }, RELEASE_DELAY + 5000);
    Xdo("mouseup 3 mouseup 1");
    return hidden;
}
