#include "message_box.h"

namespace {

const char ERROR_CAPTION[] = "エラー";

} // namespace

void ShowError(HWND owner, const char* text)
{
    MessageBoxA(owner, text, ERROR_CAPTION, MB_OK | MB_ICONERROR);
}

void ShowWarning(HWND owner, const char* text)
{
    MessageBoxA(owner, text, ERROR_CAPTION, MB_OK | MB_ICONWARNING);
}
