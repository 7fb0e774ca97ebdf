#include "pixels.h"

#include <cstdlib>

#include "process.h"

COLORREF ScreenPixel(int x, int y)
{
    return GetPixel(DisplayDc().dc, x, y);
}

RECT DesktopRect()
{
    RECT desktop = {};
    GetClientRect(GetDesktopWindow(), &desktop);
    return desktop;
}

POINT ScreenCentre()
{
    return POINT{DesktopRect().right / 2, DesktopRect().bottom / 2};
}

bool Near(COLORREF actual, COLORREF expected, int tolerance)
{
    return std::abs(GetRValue(actual) - GetRValue(expected)) <= tolerance &&
           std::abs(GetGValue(actual) - GetGValue(expected)) <= tolerance &&
           std::abs(GetBValue(actual) - GetBValue(expected)) <= tolerance;
}

std::string Rgb(COLORREF color)
{
    return "(" + std::to_string(GetRValue(color)) + "," + std::to_string(GetGValue(color)) +
           "," + std::to_string(GetBValue(color)) + ")";
}

bool WaitForPixel(int x, int y, COLORREF color, int tolerance, DWORD timeoutMs)
{
    return WaitUntil([&] { return Near(ScreenPixel(x, y), color, tolerance); }, timeoutMs);
}

const wchar_t COLOR_CLASS[] = L"DusklidE2EColor";

ColorWindow::ColorWindow(COLORREF color, RECT area) : brush(CreateSolidBrush(color))
{
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hbrBackground = brush.handle;
    windowClass.lpszClassName = COLOR_CLASS;
    UnregisterClassW(COLOR_CLASS, windowClass.hInstance);
    RegisterClassW(&windowClass);
    window = CreateWindowExW(0, COLOR_CLASS, L"e2e colour", WS_POPUP | WS_VISIBLE, area.left,
                             area.top, area.right - area.left, area.bottom - area.top, nullptr,
                             nullptr, windowClass.hInstance, nullptr);
    SetForegroundWindow(window);
    UpdateWindow(window);
    PumpMessages();
}

ColorWindow::~ColorWindow()
{
    DestroyWindow(window);
    PumpMessages();
    UnregisterClassW(COLOR_CLASS, GetModuleHandleW(nullptr));
}
