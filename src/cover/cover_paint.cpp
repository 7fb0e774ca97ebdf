#include "cover_paint.h"

#include "core/app_state.h"
#include "core/gdi_guards.h"
#include "cover_layout.h"

void PaintCover(HWND window, HDC dc)
{
    if (dc == nullptr)
        return;

    RECT client = {};
    GetClientRect(window, &client);

    // Straight to the window: no off-screen buffer, no cached brush.
    HBRUSH fill = CreateSolidBrush(CoverFillColor(appState.backgroundRed,
                                                  appState.backgroundGreen,
                                                  appState.backgroundBlue));
    if (fill != nullptr) {
        FillRect(dc, &client, fill);
        DeleteObject(fill);
    }

    if (appState.picture == nullptr)
        return;
    // The cover spans every display; the picture belongs to the primary one,
    // whose top-left corner is the screen's origin, and its position is in
    // screen coordinates.
    POINT origin = {0, 0};
    ClientToScreen(window, &origin);
    if (appState.stretchPicture && appState.stretchedPicture != nullptr) {
        DrawBitmap(dc, -origin.x, -origin.y, 0, 0, appState.stretchedPicture, SRCCOPY);
    } else if (appState.stretchPicture) {
        const DisplayRect& primary =
            appState.displayLayout.displays[appState.displayLayout.primary];
        DrawBitmap(dc, -origin.x, -origin.y, primary.right - primary.left,
                   primary.bottom - primary.top, appState.picture, SRCCOPY);
    } else {
        DrawBitmap(dc, appState.pictureX - origin.x, appState.pictureY - origin.y, 0, 0,
                   appState.picture, SRCCOPY);
    }
}

void FreeStretchedPicture()
{
    if (appState.stretchedPicture != nullptr) {
        DeleteObject(appState.stretchedPicture);
        appState.stretchedPicture = nullptr;
    }
}

void PrepareStretchedPicture()
{
    if (!appState.stretchPicture || appState.picture == nullptr) {
        FreeStretchedPicture();
        return;
    }
    const DisplayRect& primary = appState.displayLayout.displays[appState.displayLayout.primary];
    const int width = primary.right - primary.left;
    const int height = primary.bottom - primary.top;
    BITMAP made = {};
    if (appState.stretchedPicture != nullptr &&
        GetObjectA(appState.stretchedPicture, sizeof made, &made) == sizeof made &&
        made.bmWidth == width && made.bmHeight == height)
        return;
    FreeStretchedPicture();

    // The same stretch the cover would make while painting, made once into
    // a bitmap like the screen's, so that the cover looks exactly the same.
    const DisplayDc display;
    const MemoryDc memory(display.dc);
    if (memory.dc == nullptr || width <= 0 || height <= 0)
        return;
    HBITMAP copy = CreateCompatibleBitmap(display.dc, width, height);
    if (copy == nullptr)
        return;
    bool drawn = false;
    {
        const SelectedObject selected(memory.dc, copy);
        drawn = selected.Selected() &&
                DrawBitmap(memory.dc, 0, 0, width, height, appState.picture, SRCCOPY);
    }
    if (drawn)
        appState.stretchedPicture = copy;
    else
        DeleteObject(copy);
}

BOOL DrawBitmap(HDC dc, int x, int y, int width, int height, HBITMAP bitmap, DWORD rasterOp)
{
    if (dc == nullptr || bitmap == nullptr)
        return FALSE;

    BITMAP info = {};
    if (GetObjectA(bitmap, sizeof info, &info) == 0)
        return FALSE;
    const MemoryDc memory(dc);
    if (memory.dc == nullptr)
        return FALSE;
    const SelectedObject selected(memory.dc, bitmap);
    // At its own size a plain copy, without the stretching code's set-up.
    if (width == 0 && height == 0)
        return BitBlt(dc, x, y, info.bmWidth, info.bmHeight, memory.dc, 0, 0, rasterOp);
    if (width == 0)
        width = info.bmWidth;
    if (height == 0)
        height = info.bmHeight;
    return StretchBlt(dc, x, y, width, height, memory.dc, 0, 0, info.bmWidth, info.bmHeight,
                      rasterOp);
}
