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
    if (appState.stretchPicture) {
        const DisplayRect& primary =
            appState.displayLayout.displays[appState.displayLayout.primary];
        DrawBitmap(dc, -origin.x, -origin.y, primary.right - primary.left,
                   primary.bottom - primary.top, appState.picture, SRCCOPY);
    } else {
        DrawBitmap(dc, appState.pictureX - origin.x, appState.pictureY - origin.y, 0, 0,
                   appState.picture, SRCCOPY);
    }
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
    if (width == 0)
        width = info.bmWidth;
    if (height == 0)
        height = info.bmHeight;
    return StretchBlt(dc, x, y, width, height, memory.dc, 0, 0, info.bmWidth, info.bmHeight,
                      rasterOp);
}
