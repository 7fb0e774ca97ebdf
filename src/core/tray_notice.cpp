#include "tray_notice.h"

#include <windows.h>
#include <shellapi.h>

#include "app_state.h"

namespace {

// Copies as much of `text` as fits in `size` bytes with its terminating zero,
// never splitting a double-byte character.
void CopyTruncatedAtCharacter(char* target, int size, const char* text)
{
    const char* end = text;
    for (const char* next = text; *end != '\0'; end = next) {
        next = CharNextA(end);
        if (next - text >= size)
            break;
    }
    const int length = static_cast<int>(end - text);
    CopyMemory(target, text, static_cast<SIZE_T>(length));
    target[length] = '\0';
}

} // namespace

void ShowTrayWarning(const char* text)
{
    if (appState.trayIcon.cbSize == 0)
        return;
    // The icon's own record keeps the oldest layout, which has no balloon; a
    // record of today's layout names the same icon by window and id.
    NOTIFYICONDATAA balloon = {};
    balloon.cbSize = sizeof balloon;
    balloon.hWnd = appState.trayIcon.hWnd;
    balloon.uID = appState.trayIcon.uID;
    balloon.uFlags = NIF_INFO;
    balloon.dwInfoFlags = NIIF_WARNING;
    CopyTruncatedAtCharacter(balloon.szInfoTitle, sizeof balloon.szInfoTitle, "Dusklid");
    CopyTruncatedAtCharacter(balloon.szInfo, sizeof balloon.szInfo, text);
    Shell_NotifyIconA(NIM_MODIFY, &balloon);
}
