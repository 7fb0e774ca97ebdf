// The preferences dialog: shows the settings, checks the user's entries and,
// at OK, rewrites preference.dat and applies the settings at once.
#pragma once

#include <windows.h>

INT_PTR CALLBACK PreferencesDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The open-file dialog for a picture. `path` (256 bytes) holds the initial
// file name and receives the chosen file; false when the user cancels.
bool ChoosePictureFile(HWND owner, char* path);

// The folder browser. `path` (256 bytes) receives the chosen folder, empty
// for a folder without a file-system path. False when the user cancels, and
// when the path would not fit, after telling the user so.
bool ChooseFolder(HWND owner, const char* title, char* path);
