#include "dialogs.h"

#include <utility>
#include <vector>

#include "core/identifiers.h"
#include "process.h"

void SendHotKey(UINT modifiers, WORD key)
{
    const std::pair<UINT, WORD> MODIFIER_KEYS[] = {
        {MOD_CONTROL, VK_CONTROL}, {MOD_SHIFT, VK_SHIFT}, {MOD_WIN, VK_LWIN}, {MOD_ALT, VK_MENU}};
    std::vector<WORD> keys;
    for (const auto& modifier : MODIFIER_KEYS)
        if ((modifiers & modifier.first) != 0)
            keys.push_back(modifier.second);
    keys.push_back(key);
    // Pressed in order, released in reverse.
    std::vector<INPUT> inputs(2 * keys.size());
    for (size_t i = 0; i < inputs.size(); ++i) {
        const bool press = i < keys.size();
        inputs[i].type = INPUT_KEYBOARD;
        inputs[i].ki.wVk = keys[press ? i : inputs.size() - 1 - i];
        inputs[i].ki.dwFlags = press ? 0 : KEYEVENTF_KEYUP;
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

void PressKey(WORD key)
{
    SendHotKey(0, key);
}

void PressHotKey(int hotKeyId)
{
    for (const HotKeyBinding& hotKey : HOT_KEYS)
        if (hotKey.id == hotKeyId)
            SendHotKey(hotKey.modifiers, static_cast<WORD>(hotKey.key));
}

HWND FindVisibleWindow(const wchar_t* className, DWORD processId,
                       const std::function<bool(HWND)>& accept)
{
    // A list taken first, as `accept` may take its time while windows come and go.
    std::vector<HWND> windows;
    EnumWindows([](HWND window, LPARAM list) -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
        return TRUE;
    }, reinterpret_cast<LPARAM>(&windows));
    for (HWND window : windows) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (ClassName(window) == className && IsWindowVisible(window) &&
            (processId == 0 || owner == processId) && (!accept || accept(window)))
            return window;
    }
    return nullptr;
}

HWND WaitForVisibleWindow(const wchar_t* className, DWORD processId, DWORD timeoutMs,
                          const std::function<bool(HWND)>& accept)
{
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindVisibleWindow(className, processId, accept)) != nullptr; },
              timeoutMs);
    return found;
}

HWND WaitForDialog(DWORD processId, DWORD timeoutMs)
{
    return WaitForVisibleWindow(DIALOG_CLASS, processId, timeoutMs);
}

HWND WaitForWindowTitled(DWORD processId, const wchar_t* title, DWORD timeoutMs)
{
    return WaitForVisibleWindow(DIALOG_CLASS, processId, timeoutMs,
                                [&](HWND window) { return WindowText(window) == title; });
}

bool IsMessageBox(HWND window)
{
    return GetDlgItem(window, IDOK) != nullptr || GetDlgItem(window, IDYES) != nullptr;
}

bool NoDialog(DWORD processId)
{
    return FindVisibleWindow(DIALOG_CLASS, processId) == nullptr;
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

std::wstring ClassName(HWND window)
{
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
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
    HWND box = WaitForVisibleWindow(DIALOG_CLASS, processId, timeoutMs, IsMessageBox);
    if (box == nullptr)
        return seen;
    seen.found = true;
    seen.owner = GetWindow(box, GW_OWNER);
    seen.caption = WindowText(box);
    seen.text = DialogItemText(box, 0xFFFF);
    seen.hasOk = GetDlgItem(box, IDOK) != nullptr;
    seen.hasYesNo = GetDlgItem(box, IDYES) != nullptr && GetDlgItem(box, IDNO) != nullptr;
    if (HWND target = GetDlgItem(box, button))
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                     reinterpret_cast<LPARAM>(target));
    seen.closed = WaitUntil([&] { return !IsWindow(box) || !IsWindowVisible(box); }, 5000);
    return seen;
}

HWND WaitForNotepad(DWORD timeoutMs)
{
    return WaitForVisibleWindow(L"Notepad", 0, timeoutMs);
}

// Notepad's one edit control holds the document.
std::wstring NotepadText(HWND notepad)
{
    HWND edit = FindWindowExW(notepad, nullptr, L"Edit", nullptr);
    if (edit == nullptr)
        return L"(no edit control)";
    std::wstring text(static_cast<size_t>(SendMessageW(edit, WM_GETTEXTLENGTH, 0, 0)) + 1, L'\0');
    text.resize(static_cast<size_t>(
        SendMessageW(edit, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]))));
    return text;
}
