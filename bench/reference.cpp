// bench_reference.exe MODE [FOLDER]: the smallest program that does what a
// benchmark compares Dusklid with, measured the same way from outside.
//   capture FOLDER  on Windows+Shift+X: one BitBlt, one GetDIBits and one
//                   WriteFile of the screen to FOLDER\reference.bmp (a key
//                   of its own, so that it can run beside Dusklid and the
//                   two take turns capture by capture)
//   popup           on Windows+Shift+H: a black topmost popup over the screen,
//                   shown and brought to the front; WM_APP+1 hides it
//   window          one hidden window, nothing else
//   poll            one hidden window whose 100 ms timer reads the pointer at
//                   each tick: a hot corner's polling and nothing more
// Its hidden window (class DusklidBenchReference) ends the program on WM_CLOSE.
#include <windows.h>

#include <cstring>
#include <vector>

namespace {

enum class Mode { Capture, Popup, Window, Poll };

Mode mode = Mode::Window;
char folder[MAX_PATH] = "";
HWND popup = nullptr;

void CaptureScreen()
{
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    SelectObject(memory, previous);

    const DWORD pixelBytes = static_cast<DWORD>(width) * 4 * static_cast<DWORD>(height);
    std::vector<unsigned char> file(54 + pixelBytes);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    GetDIBits(screen, bitmap, 0, static_cast<UINT>(height), file.data() + 54, &info, DIB_RGB_COLORS);
    BITMAPFILEHEADER header = {};
    header.bfType = 0x4D42;
    header.bfSize = static_cast<DWORD>(file.size());
    header.bfOffBits = 54;
    std::memcpy(file.data(), &header, 14);
    std::memcpy(file.data() + 14, &info.bmiHeader, 40);

    char path[MAX_PATH + 16];
    lstrcpyA(path, folder);
    lstrcatA(path, "\\reference.bmp");
    HANDLE out = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                             nullptr);
    DWORD written = 0;
    if (out != INVALID_HANDLE_VALUE) {
        WriteFile(out, file.data(), static_cast<DWORD>(file.size()), &written, nullptr);
        CloseHandle(out);
    }
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
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
    case WM_APP + 1:  // hide the popup
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
    windowClass.lpszClassName = "DusklidBenchReference";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(0, "DusklidBenchReference", "reference", WS_POPUP, 0, 0, 1, 1,
                                  nullptr, nullptr, instance, nullptr);

    if (mode == Mode::Popup) {
        WNDCLASSA popupClass = {};
        popupClass.lpfnWndProc = DefWindowProcA;
        popupClass.hInstance = instance;
        popupClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
        popupClass.lpszClassName = "DusklidBenchReferencePopup";
        RegisterClassA(&popupClass);
        popup = CreateWindowExA(WS_EX_TOPMOST, "DusklidBenchReferencePopup", "popup", WS_POPUP, 0, 0,
                                GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                                nullptr, nullptr, instance, nullptr);
        RegisterHotKey(window, 1, MOD_SHIFT | MOD_WIN, 'H');
    } else if (mode == Mode::Capture) {
        RegisterHotKey(window, 1, MOD_SHIFT | MOD_WIN, 'X');
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
