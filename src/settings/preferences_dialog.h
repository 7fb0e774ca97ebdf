// The preferences dialog: shows the settings, checks the user's entries and,
// at OK, rewrites preference.dat and applies the settings at once.
#pragma once

#include <windows.h>

// Runs the dialog without an owner, so that the cover window stays enabled
// and keeps answering hot keys and the tray meanwhile. When it cannot be
// opened, says so in a box owned by `errorOwner`.
void RunPreferencesDialog(HWND errorOwner);
