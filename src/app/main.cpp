// Start-up: one copy only, the cover window's class and the window itself,
// then the message loop that everything else runs inside.
#include <windows.h>

#include "core/app_state.h"
#include "core/identifiers.h"
#include "core/ole_setup.h"
#include "core/virtual_screen.h"
#include "cover_window.h"

namespace {

void ShowStartupFailure(const char* text)
{
    MessageBoxA(nullptr, text, COVER_WINDOW_TITLE, MB_OK | MB_ICONERROR);
}

// Ends OLE on every way out of start-up and at the end of the run, if a
// picture or a dialog set it up.
struct EndOleAtExit {
    EndOleAtExit() = default;
    EndOleAtExit(const EndOleAtExit&) = delete;
    EndOleAtExit& operator=(const EndOleAtExit&) = delete;
    ~EndOleAtExit() { EndOle(); }
};

int RegisterCoverClass(HINSTANCE instance)
{
    WNDCLASSA coverClass = {};
    coverClass.style = CS_DBLCLKS;
    coverClass.lpfnWndProc = CoverWindowProc;
    coverClass.hInstance = instance;
    coverClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_DUSKLID));
    coverClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    // No background brush: every paint fills the whole cover anyway, and an
    // erase first would fill the screen twice at each showing.
    coverClass.hbrBackground = nullptr;
    coverClass.lpszClassName = COVER_CLASS_NAME;
    return RegisterClassA(&coverClass);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    // The command line and the show command are ignored: no options, and the
    // cover always starts hidden.
    appState.instanceMutex = CreateMutexA(nullptr, FALSE, DUSKLID_MUTEX_NAME);
    if (appState.instanceMutex != nullptr && GetLastError() == ERROR_ALREADY_EXISTS)
        return 0;

    const EndOleAtExit endOle;

    if (GetDesktopWindow() == nullptr) {
        ShowStartupFailure("ウィンドウの大きさを決定できませんでした。");
        return 0;
    }
    // Over every display, so that none stays in view while the screen is
    // meant to be hidden.
    const RECT screen = VirtualScreenRect();

    if (RegisterCoverClass(instance) == 0) {
        ShowStartupFailure("ウィンドウの登録に失敗しました。");
        return 0;
    }

    // The creation handler installs the tray icon, which is loaded from here.
    appState.instance = instance;
    appState.coverWindow = CreateWindowExA(
        0, COVER_CLASS_NAME, COVER_WINDOW_TITLE, WS_POPUP, screen.left, screen.top,
        screen.right - screen.left, screen.bottom - screen.top, nullptr, nullptr, instance, nullptr);
    if (appState.coverWindow == nullptr) {
        ShowStartupFailure("ウィンドウの作成に失敗しました。");
        return 0;
    }

    SetWindowPos(appState.coverWindow, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    ShowWindow(appState.coverWindow, SW_HIDE);

    MSG message = {};
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }

    UnregisterClassA(COVER_CLASS_NAME, instance);
    CloseHandle(appState.instanceMutex);
    return static_cast<int>(message.wParam);
}
