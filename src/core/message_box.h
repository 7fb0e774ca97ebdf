// The program's error and warning boxes: one caption, one look.
#pragma once

#include <windows.h>

// A modal box captioned "エラー" with the error icon, owned by `owner` (null
// for none).
void ShowError(HWND owner, const char* text);

// The same with the warning icon: the user's entry cannot be taken.
void ShowWarning(HWND owner, const char* text);
