#include "cover_paint.h"

#include "core/app_state.h"
#include "core/gdi_guards.h"
#include "cover_layout.h"

namespace {

// Draws the picture on the primary display, stretched over it or at its
// position, and returns where it went in client coordinates: empty when
// there is no picture or it could not be drawn.
RECT DrawPicture(HWND window, HDC dc)
{
    RECT drawn = {};
    if (appState.picture == nullptr)
        return drawn;
    HBITMAP bitmap = appState.stretchPicture && appState.stretchedPicture != nullptr
                         ? appState.stretchedPicture
                         : appState.picture;
    BITMAP info = {};
    if (GetObjectA(bitmap, sizeof info, &info) != sizeof info)
        return drawn;
    // The cover spans every display; the picture's position is in screen
    // coordinates.
    POINT origin = {0, 0};
    ClientToScreen(window, &origin);
    const PicturePlacement at = PlaceCoverPicture(
        appState.displayLayout.displays[appState.displayLayout.primary], origin.x, origin.y,
        appState.stretchPicture, appState.pictureX, appState.pictureY, info.bmWidth, info.bmHeight);
    if (DrawBitmap(dc, at.x, at.y, at.stretched ? at.width : 0, at.stretched ? at.height : 0,
                   bitmap, SRCCOPY))
        SetRect(&drawn, at.x, at.y, at.x + at.width, at.y + at.height);
    return drawn;
}

} // namespace

void PaintCover(HWND window, HDC dc)
{
    if (dc == nullptr)
        return;

    const RECT picture = DrawPicture(window, dc);

    // Straight to the window: no off-screen buffer, no cached brush. Only
    // around the picture, so that no pixel is drawn twice; on one display a
    // stretched picture leaves nothing to fill.
    RECT client = {};
    GetClientRect(window, &client);
    const SavedDc saved(dc);
    if (!IsRectEmpty(&picture))
        ExcludeClipRect(dc, picture.left, picture.top, picture.right, picture.bottom);
    const GdiObject<HBRUSH> fill(CreateSolidBrush(
        CoverFillColor(appState.backgroundRed, appState.backgroundGreen, appState.backgroundBlue)));
    if (fill.handle != nullptr)
        FillRect(dc, &client, fill.handle);
}

void FreeStretchedPicture()
{
    if (appState.stretchedPicture != nullptr) {
        DeleteObject(appState.stretchedPicture);
        appState.stretchedPicture = nullptr;
    }
}

void PrepareStretchedPicture(int screenBitsPerPixel)
{
    if (!appState.stretchPicture || appState.picture == nullptr) {
        FreeStretchedPicture();
        return;
    }
    const DisplayRect& primary = appState.displayLayout.displays[appState.displayLayout.primary];
    const int width = primary.right - primary.left;
    const int height = primary.bottom - primary.top;
    // A copy of another size or colour depth than the screen's no longer
    // looks like the picture stretched there.
    BITMAP made = {};
    if (appState.stretchedPicture != nullptr &&
        GetObjectA(appState.stretchedPicture, sizeof made, &made) == sizeof made &&
        made.bmWidth == width && made.bmHeight == height &&
        (screenBitsPerPixel == 0 || made.bmBitsPixel == screenBitsPerPixel))
        return;
    FreeStretchedPicture();

    // The same stretch the cover would make while painting, made once into
    // a bitmap like the screen's, so that the cover looks exactly the same.
    const DisplayDc display;
    const MemoryDc memory(display.dc);
    if (memory.dc == nullptr || width <= 0 || height <= 0)
        return;
    GdiObject<HBITMAP> copy(CreateCompatibleBitmap(display.dc, width, height));
    if (copy.handle == nullptr)
        return;
    const SelectedObject selected(memory.dc, copy.handle);
    if (selected.Selected() &&
        DrawBitmap(memory.dc, 0, 0, width, height, appState.picture, SRCCOPY))
        appState.stretchedPicture = copy.Release();
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
