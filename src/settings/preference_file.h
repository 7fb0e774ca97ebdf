// preference.dat on disk: reading it into AppState at start-up (writing the
// default file first when there is none), saving it whole, and the dialogue
// that offers to delete it when it cannot be used.
#pragma once

#include <windows.h>

struct PreferenceSettings;
struct PreferenceText;

enum PreferenceLoad {
    PREFERENCE_FILE_READ,
    PREFERENCE_FILE_UNUSABLE,   // the file is at fault: deleting it may help
    PREFERENCE_FILE_NO_FOLDER,  // the working folder is: the file may be fine
};

// Records the start-up directory, reads the settings, applies them and loads
// the picture they name. Anything but PREFERENCE_FILE_READ comes after an
// error box; `window` owns only the picture-size error.
PreferenceLoad LoadPreferences(HWND window);

// Puts the settings into AppState, an empty capture folder meaning the
// start-up directory. The picture is left to the caller, whose boxes say
// what went wrong in its own words.
void ApplyPreferences(const PreferenceSettings& settings);

// After the file was found unusable: offers to delete it, and confirms the
// deletion when the file is gone.
void OfferToDeletePreferenceFile();

// Writes `text` as the whole preference file in the working directory: into
// a temporary file first, flushed to the disk, which then takes the old
// one's place. False when the settings did not reach preference.dat; the
// old file is then as it was, or, when it went, the temporary file is left
// for the next start to take.
bool SavePreferenceFile(const PreferenceText& text);
