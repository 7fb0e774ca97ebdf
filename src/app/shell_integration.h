// The program's presence in the shell: the notification-area icon and its
// menu, the three global hot keys and the hot-corner polling timer, all bound
// to the cover window.
#pragma once

#include <windows.h>

// Global hot-key ids (WM_HOTKEY's wParam).
constexpr int HOTKEY_COVER = 9831;            // Windows+Shift+H
constexpr int HOTKEY_CAPTURE_SCREEN = 5855;   // Windows+Shift+C
constexpr int HOTKEY_CAPTURE_WINDOW = 8855;   // Ctrl+Windows+Shift+C

constexpr UINT TRAY_ICON_ID = 2953;
constexpr UINT WM_TRAYICON = 4321;            // private range, above WM_USER

constexpr UINT_PTR HOT_CORNER_TIMER_ID = 210;
constexpr UINT HOT_CORNER_TIMER_PERIOD = 100; // ms

// Installs icon, menu, hot keys and timer, and starts with the cover hidden.
// Cannot fail as a whole: whatever is not available is simply missing.
void InstallShellIntegration(HWND window);

// Removes what InstallShellIntegration made; harmless when nothing was made.
void RemoveShellIntegration(HWND window);

// Adds the tray icon again after the shell has restarted and lost it.
void RestoreTrayIcon();

// Opens a document with its associated program through the shell.
void OpenDocument(const char* path);
