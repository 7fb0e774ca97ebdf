// The platform's floor for a screen capture: one BitBlt into a bitmap, one
// GetDIBits into a 32-bit .bmp file's bytes, one WriteFile. Header-only, so
// that the benchmarks' reference program can use it without the toolkit.
#pragma once

#include <windows.h>

#include <cstring>
#include <vector>

#include "core/gdi_guards.h"

// A copy of `area` of the screen in a bitmap compatible with `screen`.
inline HBITMAP CopyScreenArea(HDC screen, const RECT& area)
{
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    const MemoryDc memory(screen);
    GdiObject<HBITMAP> bitmap(CreateCompatibleBitmap(screen, width, height));
    const SelectedObject selected(memory.dc, bitmap.handle);
    BitBlt(memory.dc, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    return bitmap.Release();
}

// `bitmap` as the bytes of a bottom-up 32-bit .bmp file.
inline std::vector<unsigned char> BmpFileBytes(HDC screen, HBITMAP bitmap, int width, int height)
{
    constexpr size_t HEADERS = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    std::vector<unsigned char> file(HEADERS + static_cast<size_t>(width) * 4 *
                                                  static_cast<size_t>(height));
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    GetDIBits(screen, bitmap, 0, static_cast<UINT>(height), file.data() + HEADERS, &info,
              DIB_RGB_COLORS);
    BITMAPFILEHEADER header = {};
    header.bfType = 0x4D42;
    header.bfSize = static_cast<DWORD>(file.size());
    header.bfOffBits = HEADERS;
    std::memcpy(file.data(), &header, sizeof header);
    std::memcpy(file.data() + sizeof header, &info.bmiHeader, sizeof info.bmiHeader);
    return file;
}

// Writes `bytes` to `path` in one WriteFile; false when any of it failed.
inline bool WriteWholeFile(const char* path, const std::vector<unsigned char>& bytes)
{
    HANDLE out = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const BOOL wrote = WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                                 nullptr);
    CloseHandle(out);
    return wrote && written == bytes.size();
}
