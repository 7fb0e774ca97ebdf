// The program's presence in the shell: the notification-area icon and its
// menu, the three global hot keys and the hot-corner polling timer, all bound
// to the cover window.
#pragma once

#include <windows.h>

// Installs icon, menu, hot keys and timer.
// Cannot fail as a whole: whatever is not available is simply missing.
void InstallShellIntegration(HWND window);

// Removes what InstallShellIntegration made; harmless when nothing was made.
void RemoveShellIntegration(HWND window);

// Adds the tray icon again after the shell has restarted and lost it.
void RestoreTrayIcon();

// Opens a document with its associated program through the shell.
void OpenDocument(const char* path);
