// Turning a BMP, JPEG or GIF file into a bitmap of the caller's own, through
// the system's picture decoder.
#pragma once

#include <windows.h>

// A new bitmap that the caller deletes, or null when the file cannot be read
// or decoded, or decodes to something that is not a bitmap (an icon). Says
// nothing to the user: the callers do.
HBITMAP LoadPictureFile(const char* path);

// Width and height of `bitmap` in pixels. False, with both left unchanged,
// when the handle is not a readable bitmap.
bool GetBitmapSize(HBITMAP bitmap, int& width, int& height);
