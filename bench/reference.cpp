// bench_reference.exe MODE [FOLDER]: the smallest program that does what a
// benchmark compares Dusklid with, measured the same way from outside.
//   capture FOLDER  on Windows+Shift+X: one BitBlt, one GetDIBits and one
//                   WriteFile of the screen to FOLDER\reference.bmp (a key
//                   of its own, so that it can run beside Dusklid and the
//                   two take turns capture by capture)
//   popup           on Windows+Shift+J: a black topmost popup over the screen,
//                   shown and brought to the front; REFERENCE_HIDE hides it
//                   (a key of its own too, so that it takes turns with Dusklid)
//   window          one hidden window, nothing else
//   poll            one hidden window whose 100 ms timer reads the pointer at
//                   each tick: a hot corner's polling and nothing more
// Its hidden window (REFERENCE_CLASS) ends the program on WM_CLOSE.
#include <windows.h>

#include <cstring>

#include "bench_support.h"
#include "toolkit/screen_copy.h"

namespace {

enum class Mode { Capture, Popup, Window, Poll };

Mode mode = Mode::Window;
char folder[MAX_PATH] = "";
HWND popup = nullptr;

void CaptureScreen()
{
    const RECT area = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    const DisplayDc screen;
    const GdiObject<HBITMAP> bitmap(CopyScreenArea(screen.dc, area));
    char path[MAX_PATH + 16];
    lstrcpyA(path, folder);
    lstrcatA(path, "\\reference.bmp");
    WriteWholeFile(path, BmpFileBytes(screen.dc, bitmap.handle, area.right, area.bottom));
}

LRESULT CALLBACK ReferenceWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_HOTKEY:
        if (mode == Mode::Capture)
            CaptureScreen();
        else if (mode == Mode::Popup) {
            ShowWindow(popup, SW_SHOW);
            SetForegroundWindow(popup);
        }
        return 0;
    case WM_TIMER: {
        POINT pointer;
        GetCursorPos(&pointer);
        return 0;
    }
    case REFERENCE_HIDE:
        ShowWindow(popup, SW_HIDE);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

void ReadCommandLine(const char* line)
{
    if (std::strncmp(line, "capture ", 8) == 0) {
        mode = Mode::Capture;
        const char* path = line + 8;
        while (*path == ' ' || *path == '"')
            ++path;
        lstrcpynA(folder, path, MAX_PATH);
        for (char* end = folder + lstrlenA(folder); end > folder && (end[-1] == '"' || end[-1] == ' ');)
            *--end = '\0';
    } else if (std::strncmp(line, "popup", 5) == 0) {
        mode = Mode::Popup;
    } else if (std::strncmp(line, "poll", 4) == 0) {
        mode = Mode::Poll;
    }
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    ReadCommandLine(commandLine);

    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = ReferenceWindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = REFERENCE_CLASS;
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(0, REFERENCE_CLASS, "reference", WS_POPUP, 0, 0, 1, 1,
                                  nullptr, nullptr, instance, nullptr);

    if (mode == Mode::Popup) {
        WNDCLASSA popupClass = {};
        popupClass.lpfnWndProc = DefWindowProcA;
        popupClass.hInstance = instance;
        popupClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
        popupClass.lpszClassName = REFERENCE_POPUP_CLASS;
        RegisterClassA(&popupClass);
        popup = CreateWindowExA(WS_EX_TOPMOST, REFERENCE_POPUP_CLASS, "popup", WS_POPUP, 0, 0,
                                GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                                nullptr, nullptr, instance, nullptr);
        RegisterHotKey(window, 1, REFERENCE_HOT_KEY_MODIFIERS, REFERENCE_POPUP_KEY);
    } else if (mode == Mode::Capture) {
        RegisterHotKey(window, 1, REFERENCE_HOT_KEY_MODIFIERS, REFERENCE_CAPTURE_KEY);
    } else if (mode == Mode::Poll) {
        SetTimer(window, 1, 100, nullptr);
    }

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    UnregisterHotKey(window, 1);
    if (popup != nullptr)
        DestroyWindow(popup);
    return 0;
}
