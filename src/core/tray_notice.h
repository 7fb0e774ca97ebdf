// Telling the user from the notification area, without a modal box: for
// failures that happen while the user is busy elsewhere (a hot key another
// program holds, a capture that could not be saved).
#pragma once

// A warning balloon from the program's tray icon, titled "Dusklid". A text
// longer than a balloon holds is cut at a character boundary. Nothing shows
// when the icon is not there.
void ShowTrayWarning(const char* text);
