#include "cover_window.h"

#include "core/app_state.h"
#include "core/gdi_guards.h"
#include "core/identifiers.h"
#include "capture/screen_capture.h"
#include "cover/cover.h"
#include "cover/cover_paint.h"
#include "settings/preference_file.h"
#include "settings/preferences_dialog.h"
#include "shell_integration.h"

namespace {

const char ABOUT_TEXT[] =
    DUSKLID_ABOUT_TITLE "\n"
    "\n"
    "画面をすぐに隠し、画面を撮影する常駐ツールです。\n"
    "両方のマウスボタンを2秒間押し続けると画面が戻ります。\n"
    "\n"
    "Dusklid 開発チーム";

// On a failed load the window is destroyed while it is being created, so
// that creation yields no window and start-up ends. Deleting the file is
// offered only when the file was at fault.
void OnCreate(HWND window)
{
    const PreferenceLoad load = LoadPreferences(window);
    if (load != PREFERENCE_FILE_READ) {
        if (load == PREFERENCE_FILE_UNUSABLE)
            OfferToDeletePreferenceFile();
        DestroyWindow(window);
        return;
    }
    appState.leftButtonDown = false;
    appState.rightButtonDown = false;
    appState.preferencesAvailable = true;
    ReadDisplayLayout();
    PrepareStretchedPicture();
    SetCoverVisible(window, false);
    InstallShellIntegration(window);
}

void OnPaint(HWND window)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    if (dc != nullptr)
        PaintCover(window, dc);
    EndPaint(window, &paint);
}

// The dialog leaves the cover window enabled, so this command can arrive
// again from the tray menu while it is open.
void OnPreferencesCommand(HWND window)
{
    if (!appState.preferencesAvailable)
        return;
    appState.preferencesAvailable = false;
    RunPreferencesDialog(window);
    // OK may have loaded another picture or changed the stretch setting.
    PrepareStretchedPicture();
    appState.preferencesAvailable = true;
}

void OnCommand(HWND window, WPARAM wParam)
{
    switch (LOWORD(wParam)) {
    case IDM_COVER:
        SetCoverVisible(window, true);
        break;
    case IDM_CAPTURE:
        CaptureWindowToFile(GetDesktopWindow());
        break;
    case IDM_PREFERENCES:
        OnPreferencesCommand(window);
        break;
    case IDM_HELP:
        OpenDocument(README_FILE_NAME);
        break;
    case IDM_ABOUT:
        MessageBoxA(window, ABOUT_TEXT, "バージョン情報", MB_OK | MB_ICONINFORMATION);
        break;
    case IDM_EXIT:
        DestroyWindow(window);
        break;
    default:
        break;
    }
}

void OnHotKey(HWND window, WPARAM wParam)
{
    switch (wParam) {
    case HOTKEY_COVER:
        SetCoverVisible(window, true);
        break;
    case HOTKEY_CAPTURE_SCREEN:
        CaptureWindowToFile(GetDesktopWindow());
        break;
    case HOTKEY_CAPTURE_WINDOW:
        // Whatever is in front now; with the cover shown, the cover itself.
        CaptureWindowToFile(GetForegroundWindow());
        break;
    default:
        break;
    }
}

// What a menu command puts in front: the cover, a dialog, a message box,
// Notepad; or nothing.
bool CommandShowsAWindow(UINT command)
{
    return command != 0 && command != IDM_CAPTURE;
}

// A notification-icon menu takes the keyboard and closes on a click elsewhere
// only when its owner is the foreground window; the message posted afterwards
// lets the next opening work at once. The hidden cover must not keep the
// foreground once the menu has closed: keys would go nowhere, and the window
// capture would take the cover instead of the user's window. So unless the
// chosen command shows a window of its own, the window the user was working
// in gets the foreground back. The command runs from the queue, as a menu's
// does.
void ShowTrayMenu(HWND window, POINT at)
{
    HWND previous = UsersWindowBeforeTheTray();
    SetForegroundWindow(window);
    const UINT command = static_cast<UINT>(TrackPopupMenu(
        appState.trayMenu, TPM_RETURNCMD | TPM_NONOTIFY, at.x, at.y, 0, window, nullptr));
    PostMessageA(window, WM_NULL, 0, 0);
    if (!CommandShowsAWindow(command) && previous != nullptr && previous != window &&
        IsWindow(previous) && GetForegroundWindow() == window)
        SetForegroundWindow(previous);
    if (command != 0)
        PostMessageA(window, WM_COMMAND, command, 0);
}

void OnTrayIcon(HWND window, WPARAM wParam, LPARAM lParam)
{
    if (wParam != TRAY_ICON_ID)
        return;
    // The pointer passes over the icon before every click, while the user's
    // window is still in front. (A foreground hook would follow every change
    // on Windows, but Wine tells hooks of none, and polling would cost the
    // idle program time.)
    NoteUsersWindow(window);
    POINT cursor = {};
    GetCursorPos(&cursor);
    if (lParam == WM_LBUTTONDOWN)
        SetCoverVisible(window, true);
    else if (lParam == WM_RBUTTONDOWN)
        ShowTrayMenu(window, cursor);
}

// Called when the second button goes down while the first is held.
void StartReleaseTimer(HWND window)
{
    if (SetTimer(window, RELEASE_TIMER_ID, RELEASE_DELAY, nullptr) != 0)
        return;
    // No timer: hide at once. The hidden cover will not see the releases, so
    // forget both buttons as the timer path does; otherwise the next showing
    // would start with stale buttons and drag on a bare mouse move.
    appState.leftButtonDown = false;
    appState.rightButtonDown = false;
    SetCoverVisible(window, false);
}

void OnButtonDown(HWND window, UINT message)
{
    appState.releaseTimerId = RELEASE_TIMER_ID;
    if (message == WM_LBUTTONDOWN) {
        GetCursorPos(&appState.dragAnchor);
        appState.leftButtonDown = true;
        if (appState.rightButtonDown)
            StartReleaseTimer(window);
    } else {
        appState.rightButtonDown = true;
        if (appState.leftButtonDown)
            StartReleaseTimer(window);
    }
}

void OnButtonUp(HWND window, UINT message)
{
    if (message == WM_LBUTTONUP)
        appState.leftButtonDown = false;
    else
        appState.rightButtonDown = false;
    KillTimer(window, appState.releaseTimerId);
}

void OnReleaseTimer(HWND window)
{
    KillTimer(window, appState.releaseTimerId);
    // The releases will reach whatever window lies under the pointer once the
    // cover is gone, so the flags are cleared here.
    appState.leftButtonDown = false;
    appState.rightButtonDown = false;
    SetCoverVisible(window, false);
}

void OnTimer(HWND window, WPARAM timerId)
{
    switch (timerId) {
    case HOT_CORNER_TIMER_ID:
        CheckHotCorner(window);
        break;
    case RELEASE_TIMER_ID:
        OnReleaseTimer(window);
        break;
    default:
        break;
    }
}

void OnMouseMove(HWND window)
{
    if (!appState.leftButtonDown || appState.stretchPicture || appState.picture == nullptr)
        return;
    const WindowDc dc(window);
    // Without a DC the anchor stays put, so the next step applies the whole
    // movement since the last one that was drawn.
    if (dc.dc == nullptr)
        return;
    POINT cursor = appState.dragAnchor;
    GetCursorPos(&cursor);
    appState.pictureX += cursor.x - appState.dragAnchor.x;
    appState.dragAnchor.x = cursor.x;
    appState.pictureY += cursor.y - appState.dragAnchor.y;
    appState.dragAnchor.y = cursor.y;
    PaintCover(window, dc.dc);
}

} // namespace

LRESULT CALLBACK CoverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        OnCreate(window);
        return 0;
    case WM_CLOSE:
        // Only the tray menu's exit command ends the program.
        return 0;
    case WM_DESTROY:
        RemoveShellIntegration(window);
        PostQuitMessage(0);
        return 0;
    case WM_PAINT:
        OnPaint(window);
        return 0;
    case WM_COMMAND:
        OnCommand(window, wParam);
        return 0;
    case WM_TIMER:
        OnTimer(window, wParam);
        return 0;
    case WM_MOUSEMOVE:
        OnMouseMove(window);
        return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
        OnButtonDown(window, message);
        return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
        OnButtonUp(window, message);
        return 0;
    case WM_HOTKEY:
        OnHotKey(window, wParam);
        return 0;
    case WM_DISPLAYCHANGE:
        FollowDisplayLayout(window, static_cast<int>(wParam));
        return 0;
    case WM_TRAYICON:
        OnTrayIcon(window, wParam, lParam);
        return 0;
    default:
        // A registered message, so not a constant: the shell has restarted.
        if (message != 0 && message == appState.taskbarCreatedMessage) {
            RestoreTrayIcon();
            return 0;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }
}
