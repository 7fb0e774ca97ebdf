// The cover window's procedure: every message the program receives ends here.
#pragma once

#include <windows.h>

LRESULT CALLBACK CoverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
