// What other programs, the tests and the benchmarks see of Dusklid: its
// names, the messages it answers and the ids it binds to the shell. One
// place, so that nothing outside the program has to retype a number.
#pragma once

#include <windows.h>

#include "resource.h"  // icons, dialogs, controls and the tray menu's commands
#include "version.h"   // the version numbers and the texts made from them

// One copy only: a second start finds this mutex and ends.
#define DUSKLID_MUTEX_TEXT "ZvDusklid"
#define DUSKLID_COVER_CLASS_TEXT "ZvDusklid Class"

constexpr char DUSKLID_MUTEX_NAME[] = DUSKLID_MUTEX_TEXT;
constexpr char COVER_CLASS_NAME[] = DUSKLID_COVER_CLASS_TEXT;
// Also the tray icon's tip.
constexpr char COVER_WINDOW_TITLE[] = DUSKLID_TITLE;

// The same names for the Unicode programs that look for the program.
constexpr wchar_t DUSKLID_MUTEX_NAME_W[] = L"" DUSKLID_MUTEX_TEXT;
constexpr wchar_t COVER_CLASS_NAME_W[] = L"" DUSKLID_COVER_CLASS_TEXT;
constexpr wchar_t COVER_WINDOW_TITLE_W[] = L"" DUSKLID_TITLE;

// The settings file, in the start-up folder; the temporary file a save
// writes first, beside it so that putting it in place is a rename; and the
// read-me the help command opens.
#define DUSKLID_PREFERENCE_FILE_TEXT "preference.dat"
#define DUSKLID_PREFERENCE_TEMPORARY_TEXT DUSKLID_PREFERENCE_FILE_TEXT ".new"
#define DUSKLID_README_TEXT "ReadMe.txt"

constexpr char PREFERENCE_FILE_NAME[] = DUSKLID_PREFERENCE_FILE_TEXT;
constexpr char PREFERENCE_TEMPORARY_NAME[] = DUSKLID_PREFERENCE_TEMPORARY_TEXT;
constexpr char README_FILE_NAME[] = DUSKLID_README_TEXT;
constexpr wchar_t PREFERENCE_FILE_NAME_W[] = L"" DUSKLID_PREFERENCE_FILE_TEXT;
constexpr wchar_t PREFERENCE_TEMPORARY_NAME_W[] = L"" DUSKLID_PREFERENCE_TEMPORARY_TEXT;
constexpr wchar_t README_FILE_NAME_W[] = L"" DUSKLID_README_TEXT;

// Global hot keys: WM_HOTKEY's wParam, and the keys that send it.
constexpr int HOTKEY_COVER = 9831;            // Windows+Shift+H
constexpr int HOTKEY_CAPTURE_SCREEN = 5855;   // Windows+Shift+C
constexpr int HOTKEY_CAPTURE_WINDOW = 8855;   // Ctrl+Windows+Shift+C

struct HotKeyBinding {
    int id;
    UINT modifiers;
    UINT key;
    const char* name;  // as the user reads the combination
};

constexpr HotKeyBinding HOT_KEYS[] = {
    {HOTKEY_COVER, MOD_SHIFT | MOD_WIN, 'H', "Windows+Shift+H"},
    {HOTKEY_CAPTURE_SCREEN, MOD_SHIFT | MOD_WIN, 'C', "Windows+Shift+C"},
    {HOTKEY_CAPTURE_WINDOW, MOD_CONTROL | MOD_SHIFT | MOD_WIN, 'C', "Ctrl+Windows+Shift+C"},
};

// The notification-area icon and the message its events arrive as.
constexpr UINT TRAY_ICON_ID = 2953;
constexpr UINT WM_TRAYICON = 4321;            // private range, above WM_USER

// The tray menu from top to bottom; 0 stands for a separator.
constexpr UINT TRAY_MENU_COMMANDS[] = {
    IDM_COVER, IDM_CAPTURE, 0, IDM_PREFERENCES, 0, IDM_HELP, IDM_ABOUT, 0, IDM_EXIT,
};
constexpr int TRAY_MENU_ENTRY_COUNT = sizeof TRAY_MENU_COMMANDS / sizeof TRAY_MENU_COMMANDS[0];

// Timers of the cover window, and the colour picker's own.
constexpr UINT_PTR HOT_CORNER_TIMER_ID = 210;
constexpr UINT HOT_CORNER_TIMER_PERIOD = 100;  // ms
constexpr UINT_PTR RELEASE_TIMER_ID = 128;
constexpr UINT RELEASE_DELAY = 2000;           // ms both buttons must be held
constexpr UINT_PTR PREVIEW_TIMER_ID = 999;
constexpr UINT PREVIEW_PERIOD = 100;           // ms
