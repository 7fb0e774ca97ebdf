// Telling the user from the notification area, without a modal box: for
// failures that happen while the user is busy elsewhere (a hot key another
// program holds, a capture that could not be saved).
#pragma once

// A warning balloon from the program's tray icon, titled "Dusklid". A text
// longer than a balloon holds is cut at a character boundary. While the
// shell has no icon of the program (no shell yet, or one restarting), the
// text waits, joined to any other that waits, until the icon is back.
void ShowTrayWarning(const char* text);

// Shows what waited, once the shell has taken the icon again.
void ShowPendingTrayWarning();
