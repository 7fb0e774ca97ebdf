// preference.dat on disk: reading it into AppState at start-up (writing the
// default file first when there is none), and the dialogue that offers to
// delete it when it cannot be used.
#pragma once

#include <windows.h>

// The file always lives in the start-up directory under this relative name.
extern const char PREFERENCE_FILE_NAME[];

// Records the start-up directory, reads the settings and loads the picture
// they name. False after an error box has been shown; `window` owns only the
// picture-size error.
bool LoadPreferences(HWND window);

// After a failed load: offers to delete the file, and confirms a deletion
// only when it happened.
void RunRecoveryDialogue();

struct PreferenceText;

// Writes `text` as the whole preference file in the working directory: into
// a temporary file first, which replaces the old one only once it has been
// written and closed. False, with the old file as it was, when any step
// fails.
bool SavePreferenceFile(const PreferenceText& text);
