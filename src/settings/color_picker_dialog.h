// The colour picker: three sliders for the cover's background colour, with a
// sample that follows them. OK stores the colour in AppState at once.
#pragma once

#include <windows.h>

// Runs the picker, owned by `owner`. False after telling the user that it
// could not be opened.
bool RunColorPickerDialog(HWND owner);
