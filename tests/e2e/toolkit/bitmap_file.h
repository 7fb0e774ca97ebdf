// Captures as files: reading a .bmp back, waiting for the program to write it, and the screen
// as the driver itself reads it, to compare them.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct BitmapFile {
    std::wstring path;
    std::string problem;  // empty when the file is a sound bitmap
    int width = 0;
    int height = 0;
    int bits = 0;
    std::uint32_t pixelOffset = 0;
    std::uint32_t rowSize = 0;
    std::uint32_t colors = 0;  // entries of the colour table
    std::string bytes;

    // Counted from the top: through the colour table up to 8 bits, 5-5-5 at 16 bits (BI_RGB's
    // layout), as stored at 24 and 32. CLR_INVALID outside the picture, or with a problem.
    COLORREF Pixel(int x, int y) const;
};

// Checks every header field against the layout the program promises: BM, sizes that add up,
// BI_RGB, bottom-up rows, a full colour table below 16 bits.
BitmapFile ReadBitmapFile(const std::wstring& path);

// "WIDTH HEIGHT" as ImageMagick, an independent decoder, reads the file.
std::string DecodedSize(const std::string& unixPath);

std::vector<std::wstring> BitmapNames(const std::wstring& folder);
// Waits until `folder` holds `count` closed .bmp files; returns their names.
std::vector<std::wstring> WaitForCaptures(const std::wstring& folder, size_t count);
void DeleteBitmaps(const std::wstring& folder);

// GetDeviceCaps(BITSPIXEL) of the screen.
int ScreenBits();

// Top-down COLORREFs: every pixel of `bitmap`; `area` of the screen (screen coordinates, any
// display) copied the way the program copies it.
std::vector<COLORREF> BitmapPixels(HBITMAP bitmap);
std::vector<COLORREF> GrabScreen(RECT area);

// Compares `actual` with `expected` at each (x, y) of a `width` by `height` area under `same`:
// empty when all agree, else the first few differences and a count.
std::string Differences(int width, int height, const std::function<COLORREF(int, int)>& actual,
                        const std::function<COLORREF(int, int)>& expected,
                        const std::function<bool(COLORREF, COLORREF)>& same);

// The same for each pixel of `file`, against `screen` (as GrabScreen gives it) or one colour;
// the file's problem, if it has one.
std::string DifferencesFromScreen(const BitmapFile& file, const std::vector<COLORREF>& screen,
                                  const std::function<bool(COLORREF, COLORREF)>& same);
std::string DifferencesFromColor(const BitmapFile& file, COLORREF color);

// Waits for the one capture in `folder` and reads it; `problem` also tells when the folder
// holds none or several, and names the file.
BitmapFile ReadTheCapture(const std::wstring& folder);
