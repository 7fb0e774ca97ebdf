// Saving what the screen shows as time-stamped .bmp files in the capture
// folder. A capture that saves no file leaves nothing behind and says so in
// a balloon from the tray icon.
#pragma once

#include <windows.h>

// Saves the part of the screen under `window`'s client area as a new file in
// the capture folder; for the desktop window, every display.
void CaptureWindowToFile(HWND window);

// A display-compatible copy of `area` (screen coordinates, right and bottom
// exclusive), clipped to the displays' bounding box; null when nothing is left.
// The caller deletes it.
HBITMAP CaptureScreenRect(RECT area);

// Writes `bitmap` as an uncompressed bitmap file at `path`, replacing a file
// of that name. A file that cannot be written whole is removed again. The
// system's error code, 0 (ERROR_SUCCESS) when the file is complete.
DWORD WriteBitmapFile(HBITMAP bitmap, const char* path);
