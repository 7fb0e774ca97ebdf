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

bool ShowBalloon(const char* text)
{
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
    return Shell_NotifyIconA(NIM_MODIFY, &balloon) != FALSE;
}

// Keeps `text` for later, after what already waits, as far as a balloon
// holds it.
void KeepNotice(const char* text)
{
    char* pending = appState.pendingNotice;
    const int size = static_cast<int>(sizeof appState.pendingNotice);
    int length = lstrlenA(pending);
    if (length > 0 && length + 1 < size)
        pending[length++] = '\n';
    CopyTruncatedAtCharacter(pending + length, size - length, text);
}

} // namespace

void ShowTrayWarning(const char* text)
{
    if (appState.trayIcon.cbSize == 0)
        return;
    KeepNotice(text);
    if (appState.trayIconAdded)
        ShowPendingTrayWarning();
}

void ShowPendingTrayWarning()
{
    if (appState.pendingNotice[0] != '\0' && ShowBalloon(appState.pendingNotice))
        appState.pendingNotice[0] = '\0';
}
