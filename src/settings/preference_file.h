// preference.dat on disk: reading it into AppState at start-up (writing the
// default file first when there is none), and the dialogue that offers to
// delete it when it cannot be used.
#pragma once

#include <windows.h>

enum PreferenceLoad {
    PREFERENCE_FILE_READ,
    PREFERENCE_FILE_UNUSABLE,   // the file is at fault: deleting it may help
    PREFERENCE_FILE_NO_FOLDER,  // the working folder is: the file may be fine
};

// Records the start-up directory, reads the settings and loads the picture
// they name. Anything but PREFERENCE_FILE_READ comes after an error box; `window`
// owns only the picture-size error.
PreferenceLoad LoadPreferences(HWND window);

// After the file was found unusable: offers to delete it, and confirms the
// deletion when the file is gone.
void RunRecoveryDialogue();

struct PreferenceText;

// Writes `text` as the whole preference file in the working directory: into
// a temporary file first, which replaces the old one only once it has been
// written and closed. False, with the old file as it was, when any step
// fails.
bool SavePreferenceFile(const PreferenceText& text);
