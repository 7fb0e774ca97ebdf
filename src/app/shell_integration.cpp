#include "shell_integration.h"

#include <shellapi.h>

#include "core/app_state.h"
#include "core/identifiers.h"
#include "core/message_box.h"
#include "core/tray_notice.h"

namespace {

// The two characters before "+Shift" stand for the Windows key.
const char* TrayMenuText(UINT command)
{
    switch (command) {
    case IDM_COVER: return "画面を隠す(&K)\tミ田+Shift+H";
    case IDM_CAPTURE: return "画面を撮影(&C)\tミ田+Shift+C";
    case IDM_PREFERENCES: return "環境設定(&P)...";
    case IDM_HELP: return "ヘルプ(&H)";
    case IDM_ABOUT: return "バージョン情報(&V)...";
    case IDM_EXIT: return "終了(&X)";
    default: return "";
    }
}

void AddTrayIcon(HWND window)
{
    ZeroMemory(&appState.trayIcon, sizeof appState.trayIcon);
    // The original six-field layout (a 64-byte tip) is all that is used; its
    // size is that of the layout on this architecture.
    appState.trayIcon.cbSize = NOTIFYICONDATAA_V1_SIZE;
    appState.trayIcon.hWnd = window;
    appState.trayIcon.uID = TRAY_ICON_ID;
    appState.trayIcon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    appState.trayIcon.uCallbackMessage = WM_TRAYICON;
    // Lives for the whole run: the icon is never destroyed, the process ends
    // with it.
    appState.trayIcon.hIcon = static_cast<HICON>(LoadImageA(
        appState.instance, MAKEINTRESOURCEA(IDI_DUSKLID_TRAY), IMAGE_ICON, 16, 16,
        LR_DEFAULTCOLOR));
    lstrcpynA(appState.trayIcon.szTip, COVER_WINDOW_TITLE, sizeof appState.trayIcon.szTip);
    // Without a shell yet, the icon comes with the shell's TaskbarCreated.
    appState.trayIconAdded = Shell_NotifyIconA(NIM_ADD, &appState.trayIcon) != FALSE;
}

HMENU CreateTrayMenu()
{
    HMENU menu = CreatePopupMenu();
    for (UINT command : TRAY_MENU_COMMANDS) {
        if (command == 0)
            AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        else
            AppendMenuA(menu, MF_STRING, command, TrayMenuText(command));
    }
    return menu;
}

// The shell's task bar (on the primary display and the others) and the
// notification area's overflow (Windows 10, Windows 11): a click on an icon
// there puts them in front.
bool IsShellTrayWindow(HWND window)
{
    static const char* const CLASSES[] = {"Shell_TrayWnd", "Shell_SecondaryTrayWnd",
                                          "NotifyIconOverflowWindow",
                                          "TopLevelWindowForOverflowXamlIsland"};
    char name[40] = "";
    GetClassNameA(window, name, sizeof name);
    for (const char* shellClass : CLASSES)
        if (lstrcmpA(name, shellClass) == 0)
            return true;
    return false;
}

// Not the shell's task bar, not the hidden cover that owns the tray menu,
// and not the desktop window, which some platforms report as in front when
// nothing is.
bool IsUsersWindow(HWND window, HWND cover)
{
    return window != nullptr && window != cover && window != GetDesktopWindow() &&
           !IsShellTrayWindow(window);
}

// A combination that another program holds cannot be had; the program runs
// on with the others, and says once which ones the user cannot press.
void RegisterHotKeys(HWND window)
{
    char notice[256] = "次のホットキーはほかのプログラムが使っているため、使えません。";
    bool anyMissing = false;
    for (const HotKeyBinding& hotKey : HOT_KEYS) {
        if (RegisterHotKey(window, hotKey.id, hotKey.modifiers, hotKey.key))
            continue;
        anyMissing = true;
        lstrcatA(notice, "\n");
        lstrcatA(notice, hotKey.name);
    }
    if (anyMissing)
        ShowTrayWarning(notice);
}

// Every change of the foreground, as Windows announces it: the window the
// user works in is known even when the tray is reached through the
// overflow flyout or the keyboard, which send the icon no notification
// first. Wine announces no foreground change; there the notes taken at the
// icon's notifications serve alone.
void CALLBACK OnForegroundChanged(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG, DWORD,
                                  DWORD)
{
    if (object == OBJID_WINDOW && IsUsersWindow(window, appState.coverWindow))
        appState.lastUserWindow = window;
}

} // namespace

void InstallShellIntegration(HWND window)
{
    appState.taskbarCreatedMessage = RegisterWindowMessageA("TaskbarCreated");
    AddTrayIcon(window);
    appState.trayMenu = CreateTrayMenu();
    RegisterHotKeys(window);
    // Out of context: the callback runs on this thread, from its message
    // loop, and no library is injected into other processes.
    appState.foregroundHook =
        SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, nullptr,
                        OnForegroundChanged, 0, 0, WINEVENT_OUTOFCONTEXT);

    appState.hotCornerTimerId = HOT_CORNER_TIMER_ID;
    if (SetTimer(window, appState.hotCornerTimerId, HOT_CORNER_TIMER_PERIOD, nullptr) == 0) {
        ShowError(window,
                  "ホットスポット制御用タイマーの設定に失敗しました。\n"
                  "ホットスポットは利用できません。");
    }
}

void RemoveShellIntegration(HWND window)
{
    // On a failed start nothing was installed: every call below then finds
    // nothing (timer 0, no hot keys, an all-zero icon record, no menu).
    if (appState.hotCornerTimerId != 0)
        KillTimer(window, appState.hotCornerTimerId);
    for (const HotKeyBinding& hotKey : HOT_KEYS)
        UnregisterHotKey(window, hotKey.id);
    if (appState.foregroundHook != nullptr) {
        UnhookWinEvent(appState.foregroundHook);
        appState.foregroundHook = nullptr;
    }
    if (appState.trayIcon.cbSize != 0)
        Shell_NotifyIconA(NIM_DELETE, &appState.trayIcon);
    appState.trayIconAdded = false;
    if (appState.trayMenu != nullptr) {
        DestroyMenu(appState.trayMenu);
        appState.trayMenu = nullptr;
    }
}

void NoteUsersWindow(HWND cover)
{
    const HWND front = GetForegroundWindow();
    if (front != appState.lastUserWindow && IsUsersWindow(front, cover))
        appState.lastUserWindow = front;
}

HWND UsersWindowBeforeTheTray()
{
    const HWND front = GetForegroundWindow();
    if (front == nullptr || !IsShellTrayWindow(front))
        return front;
    return IsWindow(appState.lastUserWindow) ? appState.lastUserWindow : front;
}

void RestoreTrayIcon()
{
    // A new shell knows no icons: the same record adds the same icon again,
    // and what it could not show meanwhile comes now.
    if (appState.trayIcon.cbSize == 0)
        return;
    // The message also comes while the shell still shows the icon (another
    // program may send it), and the shell refuses to add it twice.
    appState.trayIconAdded = Shell_NotifyIconA(NIM_ADD, &appState.trayIcon) != FALSE ||
                             Shell_NotifyIconA(NIM_MODIFY, &appState.trayIcon) != FALSE;
    if (appState.trayIconAdded)
        ShowPendingTrayWarning();
}

void OpenDocument(const char* path)
{
    ShellExecuteA(nullptr, "open", path, nullptr, nullptr, SW_SHOW);
}
