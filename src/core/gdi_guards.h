// Device contexts, GDI objects and DC states that undo themselves, so that
// every path out of a drawing function releases them, and in the reverse
// order of their making. The end-to-end driver and the benchmarks use them too.
#pragma once

#include <windows.h>

// A window's DC from GetDC, released to the same window when it goes. A null
// window gives the screen's DC: every display, in screen coordinates.
struct WindowDc {
    HWND window;
    HDC dc;
    explicit WindowDc(HWND owner) : window(owner), dc(GetDC(owner)) {}
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    ~WindowDc()
    {
        if (dc != nullptr)
            ReleaseDC(window, dc);
    }
};

// The screen's DC. Not a DC made for the "DISPLAY" driver: under Wine that
// one starts at the virtual screen's corner, not at the primary display's,
// and copies only black from a display left of or above the primary one.
struct DisplayDc : WindowDc {
    DisplayDc() : WindowDc(nullptr) {}
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

// A GDI object (bitmap, brush, pen, font) deleted when it goes, unless
// Release() handed it on to an owner that outlives the guard.
template <typename Handle>
struct GdiObject {
    Handle handle;
    explicit GdiObject(Handle object) : handle(object) {}
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    ~GdiObject()
    {
        if (handle != nullptr)
            DeleteObject(handle);
    }
    Handle Release()
    {
        const Handle kept = handle;
        handle = nullptr;
        return kept;
    }
};

// Selects `object` into `dc` and puts back what it replaced, so that
// deleting the DC never deletes the caller's object with it. Declared after
// the object's own guard, it is undone before the object is deleted.
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

// The DC's state (clipping, selections, modes) as it was, restored when this
// goes, whatever was changed meanwhile.
struct SavedDc {
    HDC dc;
    int saved;
    explicit SavedDc(HDC target) : dc(target), saved(SaveDC(target)) {}
    SavedDc(const SavedDc&) = delete;
    SavedDc& operator=(const SavedDc&) = delete;
    ~SavedDc()
    {
        if (saved != 0)
            RestoreDC(dc, saved);
    }
};
