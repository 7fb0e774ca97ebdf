#include "dialogs.h"

#include <vector>

#include "core/identifiers.h"
#include "process.h"

void SendHotKey(bool control, bool shift, bool windows, bool alt, WORD key)
{
    std::vector<WORD> keys;
    if (control)
        keys.push_back(VK_CONTROL);
    if (shift)
        keys.push_back(VK_SHIFT);
    if (windows)
        keys.push_back(VK_LWIN);
    if (alt)
        keys.push_back(VK_MENU);
    keys.push_back(key);

    std::vector<INPUT> inputs;
    for (WORD vk : keys) {
        INPUT input = {};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = vk;
        inputs.push_back(input);
    }
    for (auto it = keys.rbegin(); it != keys.rend(); ++it) {
        INPUT input = {};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = *it;
        input.ki.dwFlags = KEYEVENTF_KEYUP;
        inputs.push_back(input);
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

void PressKey(WORD key)
{
    SendHotKey(false, false, false, false, key);
}

void PressHotKey(int hotKeyId)
{
    for (const HotKeyBinding& hotKey : HOT_KEYS)
        if (hotKey.id == hotKeyId)
            SendHotKey((hotKey.modifiers & MOD_CONTROL) != 0, (hotKey.modifiers & MOD_SHIFT) != 0,
                       (hotKey.modifiers & MOD_WIN) != 0, (hotKey.modifiers & MOD_ALT) != 0,
                       static_cast<WORD>(hotKey.key));
}

HWND FindVisibleWindow(const wchar_t* className, DWORD processId,
                       const std::function<bool(HWND)>& accept)
{
    struct Search {
        const wchar_t* className;
        DWORD processId;
        const std::function<bool(HWND)>& accept;
        HWND found;
    } search = {className, processId, accept, nullptr};
    EnumWindows(
        [](HWND window, LPARAM parameter) -> BOOL {
            auto* s = reinterpret_cast<Search*>(parameter);
            wchar_t name[64] = {};
            GetClassNameW(window, name, 64);
            if (lstrcmpW(name, s->className) != 0 || !IsWindowVisible(window))
                return TRUE;
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (s->processId != 0 && owner != s->processId)
                return TRUE;
            if (s->accept && !s->accept(window))
                return TRUE;
            s->found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForDialog(DWORD processId, DWORD timeoutMs)
{
    HWND dialog = nullptr;
    WaitUntil([&] { return (dialog = FindVisibleWindow(L"#32770", processId)) != nullptr; }, timeoutMs);
    return dialog;
}

HWND WaitForWindowTitled(DWORD processId, const wchar_t* title, DWORD timeoutMs)
{
    HWND found = nullptr;
    WaitUntil(
        [&] {
            found = FindVisibleWindow(L"#32770", processId,
                                      [&](HWND window) { return WindowText(window) == title; });
            return found != nullptr;
        },
        timeoutMs);
    return found;
}

// A message box always has one of these buttons; the program's own dialogs
// use other ids for OK and Cancel.
bool IsMessageBox(HWND window)
{
    return GetDlgItem(window, IDOK) != nullptr || GetDlgItem(window, IDYES) != nullptr;
}

HWND WaitForMessageBox(DWORD processId, DWORD timeoutMs)
{
    HWND box = nullptr;
    WaitUntil([&] { return (box = FindVisibleWindow(L"#32770", processId, IsMessageBox)) != nullptr; },
              timeoutMs);
    return box;
}

bool NoDialog(DWORD processId)
{
    return FindVisibleWindow(L"#32770", processId) == nullptr;
}

bool WaitForeground(HWND window, DWORD timeoutMs)
{
    return WaitUntil([&] { return GetForegroundWindow() == window; }, timeoutMs);
}

bool WaitClosed(HWND window, DWORD timeoutMs)
{
    return WaitUntil([&] { return !IsWindow(window); }, timeoutMs);
}

bool CloseWith(HWND window, int button)
{
    ClickButton(window, button);
    return WaitClosed(window, 10000);
}

void ClickButton(HWND dialog, int id)
{
    PostMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

bool IsChecked(HWND dialog, int id)
{
    DWORD_PTR state = 0;
    SendMessageTimeoutW(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 2000, &state);
    return state == BST_CHECKED;
}

void SetItemText(HWND dialog, int id, const std::wstring& text)
{
    SendMessageTimeoutW(GetDlgItem(dialog, id), WM_SETTEXT, 0,
                        reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG, 2000, nullptr);
}

std::wstring WindowText(HWND window)
{
    wchar_t text[1024] = {};
    SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                        2000, nullptr);
    return text;
}

std::wstring DialogItemText(HWND dialog, int id)
{
    HWND item = GetDlgItem(dialog, id);
    return item ? WindowText(item) : std::wstring();
}

POINT CentreOf(HWND window)
{
    RECT area = {};
    GetWindowRect(window, &area);
    return {(area.left + area.right) / 2, (area.top + area.bottom) / 2};
}

MessageBoxSeen AnswerMessageBox(DWORD processId, int button, DWORD timeoutMs)
{
    MessageBoxSeen seen;
    HWND box = WaitForMessageBox(processId, timeoutMs);
    if (box == nullptr)
        return seen;
    seen.found = true;
    seen.owner = GetWindow(box, GW_OWNER);
    seen.caption = WindowText(box);
    seen.text = DialogItemText(box, 0xFFFF);
    seen.hasOk = GetDlgItem(box, IDOK) != nullptr;
    seen.hasYesNo = GetDlgItem(box, IDYES) != nullptr && GetDlgItem(box, IDNO) != nullptr;
    HWND target = GetDlgItem(box, button);
    if (target != nullptr)
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                     reinterpret_cast<LPARAM>(target));
    seen.closed = WaitUntil([&] { return !IsWindow(box) || !IsWindowVisible(box); }, 5000);
    return seen;
}


HWND WaitForNotepad(DWORD timeoutMs)
{
    HWND notepad = nullptr;
    WaitUntil([&] { return (notepad = FindVisibleWindow(L"Notepad", 0)) != nullptr; }, timeoutMs);
    return notepad;
}

// Notepad's one edit control holds the document.
std::wstring NotepadText(HWND notepad)
{
    HWND edit = FindWindowExW(notepad, nullptr, L"Edit", nullptr);
    if (edit == nullptr)
        return L"(no edit control)";
    const LRESULT length = SendMessageW(edit, WM_GETTEXTLENGTH, 0, 0);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(edit, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]));
    text.resize(static_cast<size_t>(length));
    return text;
}

