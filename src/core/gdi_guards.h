// Device contexts and selected objects that undo themselves, so that every
// path out of a drawing function releases them, and in the reverse order.
#pragma once

#include <windows.h>

// The screen's DC: every display, in screen coordinates, released when it
// goes. Not a DC made for the "DISPLAY" driver: under Wine that one starts at
// the virtual screen's corner, not at the primary display's, and copies only
// black from a display left of or above the primary one.
struct DisplayDc {
    HDC dc = GetDC(nullptr);
    DisplayDc() = default;
    DisplayDc(const DisplayDc&) = delete;
    DisplayDc& operator=(const DisplayDc&) = delete;
    ~DisplayDc()
    {
        if (dc != nullptr)
            ReleaseDC(nullptr, dc);
    }
};

// A memory DC compatible with `like` (null when `like` is null). Declared
// after the DC it is made from, it is deleted before it.
struct MemoryDc {
    HDC dc;
    explicit MemoryDc(HDC like) : dc(like != nullptr ? CreateCompatibleDC(like) : nullptr) {}
    MemoryDc(const MemoryDc&) = delete;
    MemoryDc& operator=(const MemoryDc&) = delete;
    ~MemoryDc()
    {
        if (dc != nullptr)
            DeleteDC(dc);
    }
};

// Selects `object` into `dc` and puts back what it replaced, so that
// deleting the DC never deletes the caller's object with it.
struct SelectedObject {
    HDC dc;
    HGDIOBJ previous;
    SelectedObject(HDC target, HGDIOBJ object) : dc(target), previous(SelectObject(target, object)) {}
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;
    ~SelectedObject()
    {
        if (previous != nullptr)
            SelectObject(dc, previous);
    }
    bool Selected() const { return previous != nullptr; }
};
