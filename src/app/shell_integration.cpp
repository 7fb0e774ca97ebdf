#include "shell_integration.h"

#include <shellapi.h>

#include "app_state.h"
#include "cover/cover.h"
#include "resource.h"
#include "version.h"

namespace {

// The same text as the window title.
const char TRAY_TIP[] = DUSKLID_TITLE;

struct MenuEntry {
    UINT command;       // 0 for a separator
    const char* text;
};

// The two characters before "+Shift" stand for the Windows key.
const MenuEntry TRAY_MENU_ENTRIES[] = {
    {IDM_COVER, "画面を隠す(&K)\tミ田+Shift+H"},
    {IDM_CAPTURE, "画面を撮影(&C)\tミ田+Shift+C"},
    {0, nullptr},
    {IDM_PREFERENCES, "環境設定(&P)..."},
    {0, nullptr},
    {IDM_HELP, "ヘルプ(&H)"},
    {IDM_ABOUT, "バージョン情報(&V)..."},
    {0, nullptr},
    {IDM_EXIT, "終了(&X)"},
};

struct HotKeyBinding {
    int id;
    UINT modifiers;
    UINT key;
};

const HotKeyBinding HOT_KEYS[] = {
    {HOTKEY_COVER, MOD_SHIFT | MOD_WIN, 'H'},
    {HOTKEY_CAPTURE_SCREEN, MOD_SHIFT | MOD_WIN, 'C'},
    {HOTKEY_CAPTURE_WINDOW, MOD_CONTROL | MOD_SHIFT | MOD_WIN, 'C'},
};

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
    lstrcpynA(appState.trayIcon.szTip, TRAY_TIP, sizeof appState.trayIcon.szTip);
    Shell_NotifyIconA(NIM_ADD, &appState.trayIcon);
}

HMENU CreateTrayMenu()
{
    HMENU menu = CreatePopupMenu();
    for (const MenuEntry& entry : TRAY_MENU_ENTRIES) {
        if (entry.command == 0)
            AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        else
            AppendMenuA(menu, MF_STRING, entry.command, entry.text);
    }
    return menu;
}

} // namespace

void InstallShellIntegration(HWND window)
{
    appState.taskbarCreatedMessage = RegisterWindowMessageA("TaskbarCreated");
    AddTrayIcon(window);
    appState.trayMenu = CreateTrayMenu();
    for (const HotKeyBinding& hotKey : HOT_KEYS)
        RegisterHotKey(window, hotKey.id, hotKey.modifiers, hotKey.key);

    appState.leftButtonDown = FALSE;
    appState.rightButtonDown = FALSE;
    appState.preferencesAvailable = TRUE;
    SetCoverVisible(window, FALSE);

    appState.hotCornerTimerId = HOT_CORNER_TIMER_ID;
    if (SetTimer(window, appState.hotCornerTimerId, HOT_CORNER_TIMER_PERIOD, nullptr) == 0) {
        MessageBoxA(window,
                    "ホットスポット制御用タイマーの設定に失敗しました。\n"
                    "ホットスポットは利用できません。",
                    "エラー", MB_OK | MB_ICONERROR);
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
    if (appState.trayIcon.cbSize != 0)
        Shell_NotifyIconA(NIM_DELETE, &appState.trayIcon);
    if (appState.trayMenu != nullptr) {
        DestroyMenu(appState.trayMenu);
        appState.trayMenu = nullptr;
    }
}

void RestoreTrayIcon()
{
    // A new shell knows no icons: the same record adds the same icon again.
    if (appState.trayIcon.cbSize != 0)
        Shell_NotifyIconA(NIM_ADD, &appState.trayIcon);
}

void OpenDocument(const char* path)
{
    ShellExecuteA(nullptr, "open", path, nullptr, nullptr, SW_SHOW);
}
