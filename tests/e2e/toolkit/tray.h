// The notification-area icon and its menu, as a person meets them.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// Asks for the tray menu with the pointer at (x, y), as the shell would on
// a right click; the menu window, or null if none appeared.
HWND OpenTrayMenu(HWND cover, DWORD processId, int x, int y);

// The vertical centre of each entry of the open menu, -1 for a separator;
// empty when the menu does not show its three separators.
std::vector<int> EntryCentres(HWND menuWindow);

// Opens the menu and clicks the entry of `command`; true once it has closed.
bool ClickTrayEntry(HWND cover, DWORD processId, UINT command);

// Null if the dialog did not appear.
HWND OpenPreferencesDialog(HWND cover, DWORD processId);
HWND WaitForAboutBox(DWORD processId);

// The box around the dark pixels at the right end of the task bar, where the
// program's icon (a face with a black outline) shows; empty when there are
// none. TrayIconShown: a box of the icon's size.
RECT TrayIconArea();
bool TrayIconShown();

// True when the open menu goes and for a second no command shows the cover
// or a dialog: it closed without a choice.
bool MenuClosesWithoutAChoice(HWND menuWindow, HWND cover, DWORD processId);

// The text of a balloon on screen that `accept` takes, waited for; empty
// when none came. TrayBalloonShows: one containing `part` is there now.
std::wstring WaitForTrayBalloon(const std::function<bool(const std::wstring&)>& accept,
                                DWORD timeoutMs = 10000);
bool TrayBalloonShows(const std::wstring& part);
