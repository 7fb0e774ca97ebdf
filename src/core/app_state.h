// The one record of the program: the user's settings and everything the
// running program remembers between two messages. Zero at process start;
// only the GUI thread touches it.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include "display_layout.h"
#include "hot_corner_kind.h"

// Every path is ANSI text of at most 255 bytes plus the terminating zero.
constexpr int PATH_BUFFER_SIZE = 256;

struct AppState {
    // Settings, in the order the preference file stores them.
    int backgroundRed;
    int backgroundGreen;
    int backgroundBlue;
    char picturePath[PATH_BUFFER_SIZE];
    bool stretchPicture;
    HotCorner hotCorner;
    int hotCornerDelay;
    char captureFolder[PATH_BUFFER_SIZE];

    // Process and window.
    HINSTANCE instance;
    HANDLE instanceMutex;
    HWND coverWindow;
    char startDirectory[PATH_BUFFER_SIZE];
    bool oleReady;  // OLE set up on this thread, first needed by a picture or a dialog

    // Picture.
    HBITMAP picture;
    int pictureWidth;
    int pictureHeight;
    int pictureX;
    int pictureY;
    // With stretching on, the picture already scaled to the primary display,
    // made when the picture or the displays change, so that showing the cover
    // is a plain copy; null while stretching is off or there is no picture.
    HBITMAP stretchedPicture;

    // Cover and mouse.
    bool covered;
    bool leftButtonDown;
    bool rightButtonDown;
    POINT dragAnchor;
    UINT_PTR releaseTimerId;

    // Hot corner.
    UINT_PTR hotCornerTimerId;
    DWORD lastOutsideTick;

    // The displays, read when the cover window is created, at every showing
    // and when the layout changes; not at every hot-corner tick.
    DisplayLayout displayLayout;

    // Shell integration.
    NOTIFYICONDATAA trayIcon;
    bool trayIconAdded;  // the shell took the icon; false until then, and while it has none
    char pendingNotice[sizeof NOTIFYICONDATAA::szInfo];  // what the tray could not show yet
    HMENU trayMenu;
    bool preferencesAvailable;
    UINT taskbarCreatedMessage;  // sent to every top-level window when the shell restarts
    // The window the user last worked in: the latest seen in front, at a
    // notification from the tray icon, that was neither the shell's task bar
    // nor the cover.
    HWND lastUserWindow;
    HWINEVENTHOOK foregroundHook;  // keeps lastUserWindow in step on Windows
};

extern AppState appState;
