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

// Remembers the window in front as the one the user works in, unless it is
// the shell's task bar or the cover. Called at every notification from the
// tray icon, so also while the pointer moves over it towards a click; a
// foreground hook notes every other change where the platform reports them.
void NoteUsersWindow(HWND cover);

// The window the user worked in before the tray icon was clicked: the one in
// front, unless that is the shell's task bar, which a click on the icon puts
// in front on Windows; then the last one noted, if it is still there.
HWND UsersWindowBeforeTheTray();

// Adds the tray icon again once a shell has started (anew, or for the first
// time) and shows the notice that waited for it.
void RestoreTrayIcon();

// Opens a document with its associated program through the shell.
void OpenDocument(const char* path);
