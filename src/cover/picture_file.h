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

enum PictureLoad {
    PICTURE_LOAD_OK,          // or no picture asked for
    PICTURE_LOAD_UNREADABLE,  // no picture now
    PICTURE_LOAD_NO_SIZE,     // kept, taken as 1 by 1 pixel
};

// Frees the cover picture and loads the file at `path` in its place; an
// empty path leaves the cover without one. Says nothing to the user: start-up
// and the preferences dialog word their own boxes.
PictureLoad ReplaceCoverPicture(const char* path);
