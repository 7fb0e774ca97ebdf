// The colour picker: three sliders for the cover's background colour, with a
// sample that follows them. OK stores the colour in AppState at once.
#pragma once

#include <windows.h>

// Makes sure the slider's window class exists; the picker's template cannot
// be created without it.
void RegisterSliderClass();

INT_PTR CALLBACK ColorPickerDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
