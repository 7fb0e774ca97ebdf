// Windows and dialogs of other processes: finding, reading and answering
// them; and the keyboard.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

// Presses the modifiers (MOD_CONTROL, MOD_SHIFT, MOD_WIN, MOD_ALT, as
// RegisterHotKey takes them), then the key, and releases them in reverse order.
void SendHotKey(UINT modifiers, WORD key);
void PressKey(WORD key);
// The keys of one of the program's hot-key bindings.
void PressHotKey(int hotKeyId);

// The first visible top-level window of `className` that belongs to
// `processId` (any process when 0) and that `accept` takes, if given; the
// second waits for one.
HWND FindVisibleWindow(const wchar_t* className, DWORD processId,
                       const std::function<bool(HWND)>& accept = nullptr);
HWND WaitForVisibleWindow(const wchar_t* className, DWORD processId, DWORD timeoutMs,
                          const std::function<bool(HWND)>& accept = nullptr);

// The class of message boxes and dialogs.
constexpr wchar_t DIALOG_CLASS[] = L"#32770";

// A message box or dialog of `processId`; with this caption.
HWND WaitForDialog(DWORD processId, DWORD timeoutMs = 5000);
HWND WaitForWindowTitled(DWORD processId, const wchar_t* title, DWORD timeoutMs = 5000);

// A message box always has IDOK or IDYES; the program's own dialogs use
// other ids for OK and Cancel, so they do not count.
bool IsMessageBox(HWND window);
bool NoDialog(DWORD processId);

bool WaitForeground(HWND window, DWORD timeoutMs = 5000);
bool WaitClosed(HWND window, DWORD timeoutMs = 5000);

// Presses `button` of another process's dialog; true once the dialog is gone.
bool CloseWith(HWND window, int button);

// Clicks as a mouse would (an automatic check box or radio button changes
// too); posted, so a button that opens a modal dialog holds up nothing.
void ClickButton(HWND dialog, int id);
bool IsChecked(HWND dialog, int id);
void SetItemText(HWND dialog, int id, const std::wstring& text);

std::wstring ClassName(HWND window);
std::wstring WindowText(HWND window);
std::wstring DialogItemText(HWND dialog, int id);
POINT CentreOf(HWND window);

struct MessageBoxSeen {
    bool found = false;
    bool closed = false;
    bool hasOk = false;
    bool hasYesNo = false;
    HWND owner = nullptr;
    std::wstring caption;
    std::wstring text;
};

// Waits for a message box of `processId`, reads it and presses `button`
// (IDOK, IDYES, IDNO).
MessageBoxSeen AnswerMessageBox(DWORD processId, int button, DWORD timeoutMs = 10000);

// The first visible Notepad window, waited for; and the text it shows.
HWND WaitForNotepad(DWORD timeoutMs = 15000);
std::wstring NotepadText(HWND notepad);
